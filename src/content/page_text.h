#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The HTML the lesson view puts into the element "fileList" of its pages. All strings are in the
// system code page (CP936); lesson names and lines are HTML fragments inserted unchanged.
// `workDir` is the course folder, where the pages find "bkg.gif".

std::string BuildCoverPageText(const std::string& workDir);

// One row per course-index entry, showing the entry's NAME.
std::string BuildContentsPageText(const std::string& workDir,
                                  const std::vector<std::string>& lessonNames);

// The picture file a picture line names: the text after its first "=", without quotes, blanks and
// ">", and without any folder part.
std::string PictureFileName(std::string_view line);

// The line count a lesson's header line gives `section`, as written: the text after "@" in what
// follows the first "#n" up to the next "#"; nothing when the header does not describe the
// section. The lesson page reads its leading number.
std::optional<std::string_view> SectionSkipText(std::string_view header, int section);

struct LessonPageOptions {
    std::string workDir;
    // The open lesson's file name; its part before the last "." names the picture folder.
    std::string lessonFile;
    int section = 1;
    bool showChinese = true;
    bool showPhonetic = true;
};

// A lesson page shows at most this many lines, and stops before a line that would take its
// markup past kMaxPageBytes: real sections are a few dozen lines, and a page of millions of lines
// would hold the tutor up for many seconds. A section cut short ends in a row that says so.
inline constexpr int kMaxPageLines = 2000;
inline constexpr std::size_t kMaxPageBytes = std::size_t{2} << 20;
// Only this much of the header line is read for the section list: a real one lists a handful of
// sections, and each further section costs the list builder a pass over the rest of the header.
inline constexpr std::size_t kMaxHeaderBytes = std::size_t{64} << 10;

struct LessonPageText {
    // False when the header line does not lead to the section's body: the page is left as is.
    bool built = false;
    std::string html;
    // Lines counted on the page; empty when there was no lesson text to read.
    std::optional<int> lineCount;
    // True when the section was cut at one of the limits above.
    bool cut = false;
};

// Builds one section of a decoded lesson; `lessonText` is null when there is no lesson text.
LessonPageText BuildLessonPageText(const std::string* lessonText, const LessonPageOptions& options);

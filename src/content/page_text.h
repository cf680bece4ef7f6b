#pragma once

#include <optional>
#include <string>
#include <vector>

// The HTML the lesson view puts into the element "fileList" of its pages. All strings are in the
// system code page (CP936); lesson names and lines are HTML fragments inserted unchanged.
// `workDir` is the course folder, where the pages find "bkg.gif".

std::string BuildCoverPageText(const std::string& workDir);

// One row per course-index entry, showing the entry's NAME.
std::string BuildContentsPageText(const std::string& workDir,
                                  const std::vector<std::string>& lessonNames);

struct LessonPageOptions {
    std::string workDir;
    // The open lesson's file name; its part before the last "." names the picture folder.
    std::string lessonFile;
    int section = 1;
    bool showChinese = true;
    bool showPhonetic = true;
};

struct LessonPageText {
    // False when the header line does not lead to the section's body: the page is left as is.
    bool built = false;
    std::string html;
    // Lines counted on the page; empty when there was no lesson text to read.
    std::optional<int> lineCount;
};

// Builds one section of a decoded lesson; `lessonText` is null when there is no lesson text.
LessonPageText BuildLessonPageText(const std::string* lessonText, const LessonPageOptions& options);

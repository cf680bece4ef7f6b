// The lesson view's pages: the cover, the contents list, opening a lesson and the lesson page,
// and the looks of the current line.
#include <cstdio>

#include "content/course_index.h"
#include "content/lzw_decoder.h"
#include "content/page_text.h"
#include "platform/codepage.h"
#include "platform/files/files.h"
#include "platform/html/page_mirror.h"
#include "platform/log/log.h"
#include "platform/messagebox/message_box.h"
#include "platform/sound/sound_player.h"
#include "view/lesson_view.h"

namespace {

// A lesson NAME as the contents page shows it, which is what a click on it reports.
std::string DisplayedName(std::string_view name) {
    PageMirror page;
    page.Load(
        "<!DOCTYPE html><html><body><table><tr><td><span id=\"name\"></span></td></tr>"
        "</table></body></html>");
    const PageMirror::Handle span = page.FindById("name");
    page.SetInnerHtml(span, Cp936ToUtf8(name));
    return Utf8ToCp936(page.InnerText(span));
}

// Reads a lesson file named by the index, expands it and writes the text to "tcnt.tmp".
// `opened` tells whether the lesson file itself could be read.
std::error_code WriteLessonText(const std::string& file, bool& opened) {
    std::string lesson;
    opened = false;
    if (const std::error_code error = ReadCourseFile(file, lesson, kMaxLessonFileSize)) {
        return error;
    }
    opened = true;
    const auto* data = reinterpret_cast<const unsigned char*>(lesson.data());
    if (DeclaredLessonLength(data, lesson.size()) > kMaxLessonTextLength) {
        return FileRefusal::kTooLarge;
    }
    CLzwDecoder decoder;
    decoder.Decode(data, lesson.size());
    lesson = std::string();
    return ReplaceFile(
        CLessonView::kLessonTextFile,
        std::string_view(reinterpret_cast<const char*>(decoder.Output()), decoder.Length()));
}

}  // namespace

void CLessonView::LoadCourseIndex() {
    std::string index;
    if (const std::error_code error = ReadCourseFile(kCourseIndexFile, index, kCourseIndexLimit)) {
        LogFileFailure("cannot read", kCourseIndexFile, error);
        services_.messageBox->Show(this, QStringLiteral("ERROR"),
                                   QStringLiteral("Cann't find file \"cntindex.idx\""),
                                   MessageIcon::kNone);
        return;
    }
    for (std::string& entry : ParseCourseIndex(index)) {
        m_lessonNames.push_back(std::move(entry));
    }
}

CLessonView::Handle CLessonView::PreparePageList() {
    m_strWorkDir = Utf8ToCp936(CurrentDirectory());
    UpdateData(false);
    return GetElement("fileList");
}

void CLessonView::BuildCoverPage() {
    if (const Handle list = PreparePageList()) {
        const WaitCursor wait;
        SetElementHtml(list, Cp936ToUtf8(BuildCoverPageText(m_strWorkDir)));
    }
}

void CLessonView::BuildContentsPage() {
    if (const Handle list = PreparePageList()) {
        const WaitCursor wait;
        SetElementHtml(list, Cp936ToUtf8(BuildContentsPageText(m_strWorkDir, m_lessonNames)));
        ShowPracticeProgress();
        m_role1.PlayAnimation("Reading");
    }
}

int CLessonView::FindLesson(const std::string& clickedText) const {
    return FindCourseEntry(m_lessonNames, clickedText, DisplayedName);
}

void CLessonView::OpenLesson(const std::string& clickedText) {
    m_nLesson = 0;
    services_.sound->Stop();
    const int found = FindLesson(clickedText);
    if (found < 0) {
        return;
    }

    const std::string file(SplitCourseEntry(m_lessonNames[found]).file);
    bool opened = false;
    if (const std::error_code error = WriteLessonText(file, opened)) {
        // The page then shows an empty lesson: never the text of the lesson opened before, nor
        // a cut-off text from a full disk.
        LogFileFailure("cannot open lesson", file, error);
        std::remove(kLessonTextFile);
    }
    if (opened) {
        m_strLessonFile = file;
    }

    m_nLesson = found;
    m_nPage = 2;
    m_nMode = MODE_IDLE;
    m_nShowing = 1;
    m_nSection = 1;
    ShowPage();
    EnableCommandButtons(true, true);
}

void CLessonView::BuildLessonPage() {
    if (m_role1.m_pCharacter != nullptr) {
        m_role1.m_pCharacter->StopAll(kStopTypePlay);
    }
    m_role1.PlayAnimation("Explain");
    if (m_nLesson < 0 || static_cast<size_t>(m_nLesson) >= m_lessonNames.size()) {
        return;
    }
    const Handle list = PreparePageList();
    if (!list) {
        return;
    }
    const WaitCursor wait;

    std::string text;
    const std::error_code error = ReadWholeFile(kLessonTextFile, text, kMaxLessonTextLength);
    if (error && error != std::errc::no_such_file_or_directory) {
        LogFileFailure("cannot read", kLessonTextFile, error);
    }
    const LessonPageText page = BuildLessonPageText(
        error ? nullptr : &text, {m_strWorkDir, m_strLessonFile, m_nSection,
                                  m_settings.bShowChinese != 0, m_settings.bShowPhonetic != 0});
    if (!page.built) {
        return;
    }
    SetElementHtml(list, Cp936ToUtf8(page.html));
    if (page.lineCount) {
        m_nLineCount = *page.lineCount;
    }

    m_nLine = 1;
    if (const Handle first = FindLineElement(1)) {
        HighlightLine(first);
        m_pLineElement = first;
    }
}

CLessonView::Handle CLessonView::FindLineElement(int nLine) const {
    return GetElement("line" + std::to_string(nLine));
}

void CLessonView::HighlightLine(Handle element) {
    if (!HasElement(element)) {
        return;
    }
    SetElementColor(element, 0xFF0000);
    SetElementStyle(element, "font-weight", "bold");
    UpdatePractiseButton(element);
    if (m_nMode == MODE_DICTATION) {
        SetElementStyle(element, "visibility", "hidden");
    }
    // The learner follows the current line: it must never be out of sight, in dictation either.
    ScrollElementIntoView(element);
}

void CLessonView::UnhighlightLine(Handle element) {
    if (!HasElement(element)) {
        return;
    }
    SetElementColor(element, 0);
    SetElementStyle(element, "font-weight", "normal");
    SetElementStyle(element, "visibility", "visible");
}

// The lesson view's pages: the cover, the contents list, opening a lesson and the lesson page,
// and the looks of the current line.
#include <cstdio>
#include <fstream>

#include "content/course_index.h"
#include "content/lzw_decoder.h"
#include "content/page_text.h"
#include "platform/codepage.h"
#include "platform/files/files.h"
#include "platform/messagebox/message_box.h"
#include "platform/sound/sound_player.h"
#include "view/lesson_view.h"

namespace {

constexpr const char* kCourseIndexFile = "cntindex.idx";
constexpr int kDictationMode = 5;

}  // namespace

void CLessonView::LoadCourseIndex() {
    const std::optional<std::string> index = ReadWholeFile(kCourseIndexFile);
    if (!index) {
        m_services.messageBox->Show(this, QStringLiteral("ERROR"),
                                    QStringLiteral("Cann't find file \"cntindex.idx\""),
                                    MessageIcon::None);
        return;
    }
    for (std::string& entry : ParseCourseIndex(*index))
        m_lessonNames.push_back(std::move(entry));
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
    }
}

void CLessonView::OpenLesson(const std::string& clickedText) {
    m_nLesson = 0;
    m_services.sound->Stop();
    int found = -1;
    for (size_t i = 0; i < m_lessonNames.size() && found < 0; ++i) {
        if (SplitCourseEntry(m_lessonNames[i]).name == clickedText)
            found = static_cast<int>(i);
    }
    if (found < 0)
        return;

    const std::string file(SplitCourseEntry(m_lessonNames[found]).file);
    if (const std::optional<std::string> lesson = ReadWholeFile(NativePath(file))) {
        m_strLessonFile = file;
        CLzwDecoder decoder;
        decoder.Decode(reinterpret_cast<const unsigned char*>(lesson->data()), lesson->size());
        if (std::ofstream text{kLessonTextFile, std::ios::binary | std::ios::trunc})
            text.write(reinterpret_cast<const char*>(decoder.Output()), decoder.Length());
    }

    m_nLesson = found;
    m_nPage = 2;
    m_nMode = 0;
    m_nShowing = 1;
    m_nSection = 1;
    ShowPage();
    EnableCommandButtons(true, true);
}

void CLessonView::BuildLessonPage() {
    if (m_nLesson < 0 || static_cast<size_t>(m_nLesson) >= m_lessonNames.size())
        return;
    const Handle list = PreparePageList();
    if (!list)
        return;
    const WaitCursor wait;

    const std::optional<std::string> text = ReadWholeFile(kLessonTextFile);
    const LessonPageText page = BuildLessonPageText(
        text ? &*text : nullptr, {m_strWorkDir, m_strLessonFile, m_nSection,
                                  m_settings.bShowChinese != 0, m_settings.bShowPhonetic != 0});
    if (!page.built)
        return;
    SetElementHtml(list, Cp936ToUtf8(page.html));
    if (page.lineCount)
        m_nLineCount = *page.lineCount;

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
    if (!HasElement(element))
        return;
    SetElementColor(element, 0xFF0000);
    SetElementStyle(element, "font-weight", "bold");
    if (m_nMode == kDictationMode)
        SetElementStyle(element, "visibility", "hidden");
}

void CLessonView::UnhighlightLine(Handle element) {
    if (!HasElement(element))
        return;
    SetElementColor(element, 0);
    SetElementStyle(element, "font-weight", "normal");
    SetElementStyle(element, "visibility", "visible");
}

void CLessonView::StepLine(int step) {
    UnhighlightLine(FindLineElement(m_nLine));
    const Handle target = FindLineElement(m_nLine + step);
    if (!target)
        return;
    HighlightLine(target);
    m_nLine += step;
    m_pLineElement = target;
}

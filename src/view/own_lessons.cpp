// Lessons of the learner's own text: made from the add dialog, listed and removed from the
// contents page.

#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include "content/course_index.h"
#include "content/lzw_encoder.h"
#include "content/own_lesson.h"
#include "platform/codepage.h"
#include "platform/files/files.h"
#include "platform/log/log.h"
#include "platform/messagebox/message_box.h"
#include "view/add_lesson_dlg.h"
#include "view/lesson_view.h"

namespace {

std::string InCourse(const std::string& file) {
    return CourseFolder() + "/" + file;
}

// Whether anything, even a dangling link, has the name `file` in the course folder.
bool ExistsInCourse(const std::string& file) {
    struct stat status {};
    return lstat(InCourse(file).c_str(), &status) == 0;
}

std::string CannotWrite(const std::error_code& error) {
    return "无法写入课程文件夹：" + error.message();
}

// The index as it is on disk now: a missing one is empty, so that the lesson starts a new one.
std::error_code ReadIndex(std::string& index) {
    index.clear();
    const std::error_code error =
        ReadCourseFile(CLessonView::kCourseIndexFile, index, CLessonView::kCourseIndexLimit);
    return error == std::errc::no_such_file_or_directory ? std::error_code() : error;
}

}  // namespace

int CLessonView::OwnLessonUnderPointer() const {
    const std::string text = GetElementText(hovered_);
    if (m_nPage != 1 || text.empty()) {
        return -1;
    }
    const int entry = FindLesson(Utf8ToCp936(text));
    return entry >= 0 && IsOwnLessonFile(SplitCourseEntry(m_lessonNames[entry]).file) ? entry : -1;
}

void CLessonView::OnAddLesson() {
    AddLessonDlg dlg(this, services_.messageBox,
                     [this](const std::string& title, const std::string& text) {
                         return AddOwnLesson(title, text);
                     });
    dlg.exec();
}

std::string CLessonView::AddOwnLesson(const std::string& title, const std::string& text) {
    OwnLesson lesson;
    if (const std::error_code error = MakeOwnLesson(title, text, m_lessonNames, lesson)) {
        return error.message();
    }
    const std::string file = NewOwnLessonFile(m_lessonNames, ExistsInCourse);
    if (file.empty()) {
        return "自己的课文太多了，请先删除一些。";
    }
    std::string index;
    if (const std::error_code error = ReadIndex(index)) {
        LogFileFailure("cannot read", kCourseIndexFile, error);
        return "无法读取课程目录 cntindex.idx：" + error.message();
    }
    if (const std::error_code error = ReplaceFile(InCourse(file), LzwEncode(lesson.text))) {
        LogFileFailure("cannot write", file, error);
        return CannotWrite(error);
    }
    const std::string entry = lesson.title + "=" + file;
    if (const std::error_code error =
            ReplaceFile(InCourse(kCourseIndexFile), AppendIndexEntry(index, entry))) {
        LogFileFailure("cannot write", kCourseIndexFile, error);
        unlink(InCourse(file).c_str());
        return CannotWrite(error);
    }
    m_lessonNames.push_back(entry);
    if (m_nMode != MODE_IDLE) {
        StopStudy();
    }
    m_nPage = 1;
    m_nShowing = 2;
    ShowPage();
    EnableCommandButtons(false, true);
    return {};
}

void CLessonView::RemoveOwnLesson(int entry) {
    if (entry < 0 || static_cast<std::size_t>(entry) >= m_lessonNames.size()) {
        return;
    }
    const std::string line = m_lessonNames[entry];
    const CourseEntry parts = SplitCourseEntry(line);
    const std::string file(parts.file);
    if (!IsOwnLessonFile(file) ||
        !services_.messageBox->Ask(this, QStringLiteral("删除课文"),
                                   QStringLiteral("删除课文“%1”吗？")
                                       .arg(QString::fromStdString(Cp936ToUtf8(parts.name))))) {
        return;
    }
    std::string index;
    std::error_code error = ReadIndex(index);
    if (!error) {
        error = ReplaceFile(InCourse(kCourseIndexFile), RemoveIndexEntry(index, line));
    }
    if (error) {
        LogFileFailure("cannot write", kCourseIndexFile, error);
        services_.messageBox->Show(this, QStringLiteral("删除课文"),
                                   QString::fromStdString(CannotWrite(error)),
                                   MessageIcon::kWarning);
        return;
    }
    if (unlink(InCourse(file).c_str()) != 0 && errno != ENOENT) {
        LogFileFailure("cannot remove", file, std::error_code(errno, std::generic_category()));
    }
    m_lessonNames.erase(m_lessonNames.begin() + entry);
    ShowPage();
}

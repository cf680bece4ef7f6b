#pragma once

// What the study benchmarks do on the lesson view's pages, as a learner's clicks: the renderer
// reports a click on an element found by its class and text, and the benchmark waits for the page
// the click loads.

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "support/scratch_directory.h"
#include "support/test_platform.h"
#include "view/lesson_view.h"

// Copies the course at `source` into `course` (the tutor writes into its course folder) and runs
// there; false, with the reason on stderr, when it cannot.
inline bool EnterCopyOfCourse(const std::filesystem::path& source, ScratchDirectory& course) {
    std::error_code error;
    std::filesystem::copy(source, course.Path(), std::filesystem::copy_options::recursive, error);
    if (error) {
        std::fprintf(stderr, "cannot copy the course %s: %s\n", source.c_str(),
                     error.message().c_str());
        return false;
    }
    course.Enter();
    SetCourseFolder(CurrentDirectory());
    return true;
}

// The elements of class `cls` on the page shown now, in document order. The mirror hands out
// handles only through its serialization, where each element carries its own.
inline std::vector<PageMirror::Handle> ElementsOfClass(const CLessonView& view,
                                                       std::string_view cls) {
    const PageMirror& page = view.Mirror();
    const std::string html = page.Serialize();
    const std::string key = std::string(PageMirror::kHandleAttribute) + "=\"";
    std::vector<PageMirror::Handle> found;
    for (std::size_t at = html.find(key); at != std::string::npos; at = html.find(key, at + 1)) {
        PageMirror::Handle handle = 0;
        const char* digits = html.data() + at + key.size();
        std::from_chars(digits, html.data() + html.size(), handle);
        if (page.Attribute(handle, "class") == cls) {
            found.push_back(handle);
        }
    }
    return found;
}

// The element of class `cls` that shows `text` (UTF-8); 0 when there is none.
inline PageMirror::Handle ElementWithText(const CLessonView& view, std::string_view cls,
                                          std::string_view text) {
    for (const PageMirror::Handle element : ElementsOfClass(view, cls)) {
        if (view.Mirror().InnerText(element) == text) {
            return element;
        }
    }
    return 0;
}

// Clicks `element` and waits for the page the click loads; false when none loads.
inline bool ClickForPage(CLessonView& view, PageMirror::Handle element) {
    if (element == 0) {
        return false;
    }
    view.OnRendererEvent(PageEventType::kClick, element, -1);
    return WaitForDocument(&view);
}

// Whether the current line is the section's last: a table counts its rows in m_nLineCount but
// is one line, so the count alone does not tell.
inline bool AtLastLine(const CLessonView& view) {
    return view.FindLineElement(view.m_nLine + 1) == 0;
}

// Runs the GUI thread's event loop for `ms` of real time.
inline void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

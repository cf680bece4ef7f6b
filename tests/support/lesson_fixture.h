#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "app/tutor_dlg.h"
#include "content/lzw_encoder.h"
#include "platform/codepage.h"
#include "support/test_platform.h"

// The main window on a course folder of its own, with lessons written as the course tools write
// them and opened by clicking, as the learner does.
class LessonFixture : public ::testing::Test {
  protected:
    // Speech ends by itself on the clock, so a line spoken whole never waits for ever; a fixture
    // may give the voices durations of its own before Start().
    LessonFixture() {
        platform_.PlayOnClock(
            [](const std::string& text) { return 100 * static_cast<std::int64_t>(text.size()); });
    }

    void Start() {
        dlg_ = std::make_unique<CTutorDlg>(platform_.Services());
        dlg_->Create();
        ASSERT_TRUE(WaitForDocument(&View()));
    }

    CLessonView& View() { return dlg_->m_view; }

    void AddLesson(const std::string& name, const std::string& file, const std::string& utf8Text) {
        course_.Write(file, LzwEncode(Utf8ToCp936(utf8Text)));
        index_ += Utf8ToCp936(name) + "=" + file + "\r\n";
        course_.Write("cntindex.idx", index_);
    }

    // Clicks the element of class "folder" or "file" whose text is `text`, as the learner would.
    void Click(const std::string& cls, const std::string& text) {
        const PageMirror& mirror = View().Mirror();
        for (PageMirror::Handle h = 1; h < 100000; ++h) {
            if (mirror.Contains(h) && mirror.Attribute(h, "class") == cls &&
                mirror.InnerText(h) == text) {
                View().OnRendererEvent(PageEventType::kClick, h, -1);
                return;
            }
        }
        FAIL() << "no element of class " << cls << " with text " << text;
    }

    void OpenLesson(const std::string& name) {
        Click("folder", "打开课文");
        ASSERT_TRUE(WaitForDocument(&View()));
        Click("file", name);
        ASSERT_TRUE(WaitForDocument(&View()));
    }

    std::string LineText(int n) { return View().GetElementText(View().FindLineElement(n)); }
    std::string LineStyle(int n, const char* property) {
        return View().GetElementStyle(View().FindLineElement(n), property);
    }

    TemporaryCourse course_;
    TestPlatform platform_;
    std::unique_ptr<CTutorDlg> dlg_;
    std::string index_;
};

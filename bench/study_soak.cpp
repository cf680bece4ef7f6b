// One hour of read-along in virtual time, for leaks and for memory that grows with use: the real
// main window and lesson view on the test backends (virtual clock, scripted voices that speak for
// a time that grows with the text, scripted characters, offscreen pages) and a copy of the sample
// course. A learner reads along through every section of every lesson in turn, going back to the
// contents, opening lessons, choosing sections, and now and then pressing next line, previous
// line, a line itself, or stop and read-along again. Every virtual five minutes the resident size
// (/proc/self/statm) is printed; the run fails when it grows by more than kGrowthBoundKb from the
// end of the warm-up (the first kWarmUpMinutes) to the end.
//
// Meant for a sanitizer build, where the leak check runs at exit: a build folder configured with
// CC=clang CXX=clang++ and -DCMAKE_BUILD_TYPE=Debug -DQUORVAN_SANITIZE=ON -DQUORVAN_GUI=ON
// -DQUORVAN_BENCH=ON (README.md has the commands), then
//
//     cmake --build build-soak --target study_soak
//     build-soak/bench/study_soak [COURSE_DIR [VIRTUAL_MINUTES]]
//
// COURSE_DIR is a built course (by default this build's sample course), VIRTUAL_MINUTES 60.
// A leak report fails the run too. In a sanitizer build the heap in use is printed beside the
// resident size and bounded as well (kHeapGrowthBoundKb): it leaves out the sanitizer's own
// memory, so it shows growth far smaller than the resident size can.

#include <unistd.h>

#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/tutor_dlg.h"
#include "platform/files/files.h"
#include "platform/window/dialog_controls.h"
#include "study_page.h"
#include "support/scratch_directory.h"
#include "view/command_ids.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVAN_SOAK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUORVAN_SOAK_ASAN 1
#endif

#ifdef QUORVAN_SOAK_ASAN
#include <sanitizer/allocator_interface.h>

// Freed memory that the sanitizer holds back to catch a use after free is resident too; a small
// hold-back fills during the warm-up, so that what grows after it is the program's. ASAN_OPTIONS
// overrides it.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=2";
}
#endif

namespace {

constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kSampleEvery = 5 * kMinute;
constexpr int kWarmUpMinutes = 10;
constexpr long kGrowthBoundKb = 4096;
constexpr long kHeapGrowthBoundKb = 512;
// A section that has not reached its last line by then is stuck.
constexpr std::int64_t kSectionLimit = 20 * kMinute;

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The heap in use, without what the sanitizer holds back after a free; -1 without one.
long HeapKb() {
#ifdef QUORVAN_SOAK_ASAN
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return -1;
#endif
}

struct Sample {
    std::int64_t minute;
    long residentKb;
    long heapKb;
};

class Learner {
  public:
    Learner(TestPlatform& platform, std::int64_t endMs)
        : platform_(platform), dlg_(platform.Services()), view_(dlg_.m_view), end_(endMs) {}

    bool Start() {
        dlg_.Create();
        if (!WaitForDocument(&view_) ||
            !ClickForPage(view_, ElementWithText(view_, "folder", "打开课文"))) {
            return false;
        }
        for (const PageMirror::Handle lesson : ElementsOfClass(view_, "file")) {
            lessons_.push_back(view_.Mirror().InnerText(lesson));
        }
        TakeSample();
        return !lessons_.empty();
    }

    // Reads along through the course, lesson after lesson, until the virtual time is up.
    bool Run() {
        for (std::size_t lesson = 0; !TimeIsUp(); ++lesson) {
            if (!OpenLesson(lessons_[lesson % lessons_.size()])) {
                return false;
            }
            for (int section = 1; !TimeIsUp(); ++section) {
                if (section > 1 && !OpenSection(section)) {
                    break;
                }
                std::printf("%4lld min  %s, section %d\n",
                            static_cast<long long>(platform_.Clock().Now() / kMinute),
                            lessons_[lesson % lessons_.size()].c_str(), section);
                if (!ReadAlongSection()) {
                    return false;
                }
            }
        }
        return true;
    }

    const std::vector<Sample>& Samples() const { return samples_; }
    int Sections() const { return sections_; }
    long Utterances() {
        ForgetTestRecords();
        return utterances_;
    }

  private:
    bool TimeIsUp() const { return platform_.Clock().Now() >= end_; }

    bool OpenLesson(const std::string& name) {
        Press(kStopButton);
        if (view_.m_nPage == 2 &&
            !ClickForPage(view_, ElementWithText(view_, "folder", "返回目录"))) {
            std::fprintf(stderr, "back to the contents failed\n");
            return false;
        }
        if (!ClickForPage(view_, ElementWithText(view_, "file", name))) {
            std::fprintf(stderr, "cannot open the lesson %s\n", name.c_str());
            return false;
        }
        return true;
    }

    // False when the lesson has no such section.
    bool OpenSection(int section) {
        const PageMirror::Handle selector = view_.GetElement("Select1");
        view_.OnRendererEvent(PageEventType::kChange, selector, section - 1);
        if (view_.GetSelectedIndex("Select1") != section - 1) {
            return false;
        }
        // Now and then the learner changes the section while read-along still runs.
        if (sections_ % 5 != 4) {
            Press(kStopButton);
        }
        return ClickForPage(view_, view_.GetElement("Goto"));
    }

    bool ReadAlongSection() {
        const int variation = sections_++ % 4;
        const std::int64_t start = platform_.Clock().Now();
        Press(kReadAlongButton);
        if (variation == 1) {
            Listen(20000);
            Press(kNextButton);
            Listen(20000);
            Press(kPreviousButton);
        } else if (variation == 2) {
            Listen(30000);
            Press(kStopButton);
            Listen(2000);
            Press(kReadAlongButton);
        } else if (variation == 3) {
            Listen(15000);
            // A click on a line repeats it; read-along starts again after a stop.
            const std::vector<PageMirror::Handle> lines = ElementsOfClass(view_, "file");
            if (lines.size() > 1) {
                view_.OnRendererEvent(PageEventType::kClick, lines[1], -1);
            }
            Listen(10000);
            Press(kStopButton);
            Press(kReadAlongButton);
        }
        while (!TimeIsUp() && !AtLastLine(view_)) {
            if (platform_.Clock().Now() - start > kSectionLimit) {
                std::fprintf(stderr, "read-along stands at line %d for %lld minutes\n",
                             view_.m_nLine, static_cast<long long>(kSectionLimit / kMinute));
                return false;
            }
            Listen(1000);
        }
        // The last line, read along as often as the settings say.
        Listen(60000);
        return true;
    }

    void Press(int id) {
        if (auto* button = qobject_cast<QPushButton*>(FindControl(&dlg_, id))) {
            button->click();
        }
    }

    // Lets `ms` of virtual time pass as the tutor's event loop would: timers, ends of utterances
    // and the notifications they post.
    void Listen(std::int64_t ms) {
        const std::int64_t until = std::min(platform_.Clock().Now() + ms, end_);
        while (platform_.Clock().Now() < until) {
            platform_.Clock().Advance(std::min<std::int64_t>(50, until - platform_.Clock().Now()));
            QCoreApplication::processEvents();
            if (platform_.Clock().Now() >= nextSample_) {
                TakeSample();
            }
        }
    }

    void TakeSample() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ForgetTestRecords();
        const Sample sample{platform_.Clock().Now() / kMinute, ResidentKb(), HeapKb()};
        samples_.push_back(sample);
        std::printf("%4lld min  resident %7ld kB", static_cast<long long>(sample.minute),
                    sample.residentKb);
        if (sample.heapKb >= 0) {
            std::printf("  heap %7ld kB", sample.heapKb);
        }
        std::printf("\n");
        std::fflush(stdout);
        nextSample_ += kSampleEvery;
    }

    // The test backends keep everything they were asked, for tests to read; over an hour that
    // would be growth of theirs, not of the tutor's.
    void ForgetTestRecords() {
        platform_.Agent().ClearCalls();
        for (ScriptedVoice* voice : platform_.Speech().created) {
            utterances_ += static_cast<long>(voice->spoken.size() + voice->files.size());
            // An utterance still playing is found by its place in the timeline.
            if (voice->SpeakCompleteEvent()->IsSignalled()) {
                voice->timeline.clear();
            }
            voice->spoken.clear();
            voice->files.clear();
        }
    }

    TestPlatform& platform_;
    CTutorDlg dlg_;
    CLessonView& view_;
    std::int64_t end_;
    std::int64_t nextSample_ = 0;
    std::vector<std::string> lessons_;
    std::vector<Sample> samples_;
    int sections_ = 0;
    long utterances_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 3) {
        std::fprintf(stderr, "usage: study_soak [COURSE_DIR [VIRTUAL_MINUTES]]\n");
        return 2;
    }
    const std::filesystem::path source = argc > 1 ? argv[1] : QUORVAN_SAMPLE_COURSE;
    const int minutes = argc > 2 ? std::atoi(argv[2]) : 60;
    if (minutes <= kWarmUpMinutes) {
        std::fprintf(stderr, "the run must be longer than the warm-up of %d minutes\n",
                     kWarmUpMinutes);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);

    ScratchDirectory course("study-soak");
    if (!EnterCopyOfCourse(source, course)) {
        return 1;
    }

    TestPlatform platform;
    // About the pace of the tutor's voices: 80 ms a character, a little more for a short run.
    platform.PlayOnClock(
        [](const std::string& text) { return 300 + 80 * static_cast<std::int64_t>(text.size()); });
    const auto started = std::chrono::steady_clock::now();
    std::vector<Sample> samples;
    int sections = 0;
    long utterances = 0;
    bool ran = false;
    {
        Learner learner(platform, minutes * kMinute);
        ran = learner.Start() && learner.Run();
        samples = learner.Samples();
        sections = learner.Sections();
        utterances = learner.Utterances();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("virtual %lld min in %.1f s of real time: %d sections read along, %ld utterances\n",
                static_cast<long long>(platform.Clock().Now() / kMinute), seconds, sections,
                utterances);
    if (!ran) {
        return 1;
    }

    const Sample* warm = nullptr;
    for (const Sample& sample : samples) {
        if (sample.minute >= kWarmUpMinutes && warm == nullptr) {
            warm = &sample;
        }
    }
    const long growth = samples.back().residentKb - warm->residentKb;
    std::printf("resident growth after the warm-up: %ld kB (bound %ld kB)\n", growth,
                kGrowthBoundKb);
    bool grew = growth > kGrowthBoundKb;
    if (warm->heapKb >= 0) {
        const long heapGrowth = samples.back().heapKb - warm->heapKb;
        std::printf("heap growth after the warm-up: %ld kB (bound %ld kB)\n", heapGrowth,
                    kHeapGrowthBoundKb);
        grew = grew || heapGrowth > kHeapGrowthBoundKb;
    }
    // The leak check runs after main and, when it finds a leak, ends the process unflushed.
    std::fflush(stdout);
    return grew ? 1 : 0;
}

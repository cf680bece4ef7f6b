#pragma once

#include <QSignalSpy>

#include "platform/html/html_dialog.h"
#include "support/manual_timer_service.h"
#include "support/offscreen_renderer.h"
#include "support/recording_message_box.h"
#include "support/recording_sound_player.h"
#include "support/scratch_directory.h"
#include "support/scripted_agent.h"
#include "support/scripted_microphone.h"
#include "support/scripted_speech_engine.h"
#include "support/virtual_clock.h"
#include "support/virtual_pump.h"
#include "view/platform_services.h"

// A course folder of its own for one test: made empty, current while the test runs, removed after.
class TemporaryCourse : public ScratchDirectory {
  public:
    TemporaryCourse() : ScratchDirectory("course") { Enter(); }
};

// The services of a run with test backends: nothing shown, nothing heard, everything recorded.
// Timers and the nested pump run on a virtual clock that the test moves; voices take no time
// unless PlayOnClock() makes them.
class TestPlatform : public PlatformRuntime {
  public:
    TestPlatform();
    bool Start() override { return starts_; }
    void Stop() override { ++stops_; }
    const PlatformServices& Services() const override { return services_; }

    // Makes Start() fail, as on a machine without a usable display.
    void RefuseToStart() { starts_ = false; }
    int Stops() const { return stops_; }
    RecordingSoundPlayer& Sound() { return sound_; }
    RecordingMessageBox& MessageBox() { return messageBox_; }
    ScriptedSpeechEngine& Speech() { return speech_; }
    // Knows "merlin.acs" and "Genie.acs", the files the settings name by default.
    ScriptedAgent& Agent() { return agent_; }
    // Present unless told otherwise.
    ScriptedMicrophone& Microphone() { return microphone_; }
    // Where the speaking practice keeps its files; none (memory only) unless set.
    void SetPracticeFolder(const std::string& folder) { services_.practiceFolder = folder; }
    VirtualClock& Clock() { return clock_; }
    // The timers of the window made last; null before any.
    ManualTimerService* Timers() { return timers_; }
    // The renderer of the page view made last; null before any.
    OffscreenRenderer* Renderer() { return renderer_; }
    // Where the character search looks; empty (no folder) unless set.
    void SetCharacterFolder(const std::string& folder) { services_.characterFolder = folder; }
    // Voices made from now on play each utterance for `duration` on the clock.
    void PlayOnClock(ScriptedDuration duration) { speech_.PlayOn(clock_, std::move(duration)); }

  private:
    bool starts_ = true;
    int stops_ = 0;
    RecordingSoundPlayer sound_;
    RecordingMessageBox messageBox_;
    ScriptedSpeechEngine speech_;
    ScriptedAgent agent_;
    ScriptedMicrophone microphone_;
    VirtualClock clock_;
    VirtualPump pump_{clock_};
    ManualTimerService* timers_ = nullptr;
    OffscreenRenderer* renderer_ = nullptr;
    PlatformServices services_;
};

// Waits until the dialog has handled the completion of the document it is loading.
bool WaitForDocument(HtmlDialog* dialog);

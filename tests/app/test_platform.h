#pragma once

#include <QSignalSpy>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/html/html_dialog.h"
#include "platform/html/offscreen_renderer.h"
#include "platform/messagebox/recording_message_box.h"
#include "platform/platform_services.h"
#include "platform/sound/recording_sound_player.h"

// A course folder of its own for one test: made empty, current while the test runs, removed after.
class TemporaryCourse {
  public:
    TemporaryCourse();
    ~TemporaryCourse();
    const std::filesystem::path& Path() const { return m_path; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

  private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// The services of a run with test backends: nothing shown, nothing heard, everything recorded.
class TestPlatform : public PlatformRuntime {
  public:
    TestPlatform();
    bool Start() override { return m_bStarts; }
    void Stop() override { ++m_nStops; }
    const PlatformServices& Services() const override { return m_services; }

    bool m_bStarts = true;
    int m_nStops = 0;
    RecordingSoundPlayer sound;
    RecordingMessageBox messageBox;

  private:
    PlatformServices m_services;
};

// Waits until the dialog has handled the completion of the document it is loading.
bool WaitForDocument(HtmlDialog* dialog);

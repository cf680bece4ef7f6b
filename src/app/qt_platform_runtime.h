#pragma once

#include <memory>

#include "platform/platform_services.h"

class MessageBoxService;
class SoundPlayer;

// The platform of a real run: Qt windows, Qt WebEngine pages, Qt Multimedia sound.
class QtPlatformRuntime : public PlatformRuntime {
  public:
    QtPlatformRuntime();
    ~QtPlatformRuntime() override;

    bool Start() override;
    void Stop() override;
    const PlatformServices& Services() const override { return m_services; }

  private:
    std::unique_ptr<SoundPlayer> m_sound;
    std::unique_ptr<MessageBoxService> m_messageBox;
    PlatformServices m_services;
};

#include "app/qt_platform_runtime.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include "platform/html/webengine_renderer.h"
#include "platform/messagebox/qt_message_box.h"
#include "platform/sound/qt_sound_player.h"

QtPlatformRuntime::QtPlatformRuntime() : m_messageBox(std::make_unique<QtMessageBox>()) {
    m_services.messageBox = m_messageBox.get();
}

QtPlatformRuntime::~QtPlatformRuntime() = default;

bool QtPlatformRuntime::Start() {
    // Windows need a screen, and the pages need the program's own resources.
    if (!QGuiApplication::primaryScreen() || !QFile::exists(QStringLiteral(":/html/131.html")))
        return false;
    m_sound = std::make_unique<QtSoundPlayer>();
    m_services.sound = m_sound.get();
    m_services.makeRenderer = [](PageRendererClient& client) {
        return std::make_unique<WebEngineRenderer>(client);
    };
    return true;
}

void QtPlatformRuntime::Stop() {
    m_services.sound = nullptr;
    m_services.makeRenderer = nullptr;
    m_sound.reset();
}

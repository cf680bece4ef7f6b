#include "test_platform.h"

#include <QTest>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/html/html_dialog.h"

TemporaryCourse::TemporaryCourse() : m_previous(std::filesystem::current_path()) {
    std::random_device random;
    m_path =
        std::filesystem::temp_directory_path() / ("quorvan-course-" + std::to_string(random()));
    std::filesystem::create_directories(m_path);
    std::filesystem::current_path(m_path);
}

TemporaryCourse::~TemporaryCourse() {
    std::filesystem::current_path(m_previous);
    std::filesystem::remove_all(m_path);
}

void TemporaryCourse::Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((m_path / name).parent_path());
    std::ofstream(m_path / name, std::ios::binary) << bytes;
}

std::string TemporaryCourse::Read(const std::string& name) const {
    std::ifstream file(m_path / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool TemporaryCourse::Exists(const std::string& name) const {
    return std::filesystem::exists(m_path / name);
}

TestPlatform::TestPlatform() {
    m_services.sound = &sound;
    m_services.messageBox = &messageBox;
    m_services.makeRenderer = [](PageRendererClient& client) {
        return std::make_unique<OffscreenRenderer>(client);
    };
}

bool WaitForDocument(HtmlDialog* dialog) {
    QSignalSpy completed(dialog, &HtmlDialog::documentCompleted);
    return completed.wait(2000);
}

// Character files are untrusted: any bytes are either a whole character or refused with a reason,
// and reading never crashes, hangs or leaks.

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "character/character_file.h"

namespace {

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(Quiet);
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string reason;
    const std::optional<CharacterData> character =
        ReadCharacter(std::string_view(reinterpret_cast<const char*>(data), size), reason);
    if (character) {
        if (character->frames.empty() || character->frames.size() != character->frameNames.size() ||
            !reason.empty()) {
            std::abort();
        }
        for (const auto& [name, animation] : character->animations) {
            for (const CharacterStep& step : animation.steps) {
                if (step.frame < 0 || static_cast<size_t>(step.frame) >= character->frames.size()) {
                    std::abort();
                }
            }
        }
    } else if (reason.empty()) {
        std::abort();  // a refusal always says why
    }
    return 0;
}

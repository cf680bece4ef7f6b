// Character files are untrusted: any bytes are either a whole character or refused with a reason,
// and reading and drawing never crash, hang or leak.

#include <QGuiApplication>
#include <atomic>
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
        const std::size_t count = character->frameSources.size();
        if (count == 0 || count != character->frameNames.size() || !reason.empty()) {
            std::abort();
        }
        for (const auto& [name, animation] : character->animations) {
            for (const CharacterStep& step : animation.steps) {
                if (step.frame < 0 || static_cast<size_t>(step.frame) >= count) {
                    std::abort();
                }
            }
        }
        const std::atomic<bool> stop{false};
        const std::optional<std::vector<QImage>> frames =
            DrawFrames(*character, kMaxDrawTime, stop, reason);
        if (frames ? frames->size() != count : reason.empty()) {
            std::abort();
        }
    } else if (reason.empty()) {
        std::abort();  // a refusal always says why
    }
    return 0;
}

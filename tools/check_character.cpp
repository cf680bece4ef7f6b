// quorvan-check-character FILE...: reads character files exactly as the tutor loads them.
//
// Each file is read with the tutor's size limit and its own reader, every frame drawn, so a file
// this accepts is a file the tutor shows. Prints "FILE: ok (NAME, N animations, N frames)" on
// stdout for each accepted file and "FILE: REASON" on stderr for each refused one. Exit status 0
// when all are accepted, 1 when any is refused, 2 on wrong usage.

#include <QGuiApplication>
#include <QString>
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "character/character_file.h"
#include "platform/files/files.h"

namespace {

constexpr const char* kUsage = "usage: quorvan-check-character FILE...\n";

// Whether the tutor would load the file at `path`; reports either way.
bool Check(const std::string& path) {
    std::string bytes;
    std::string reason;
    std::optional<CharacterData> data;
    if (const std::error_code error = ReadWholeFile(path, bytes, kMaxCharacterFileSize)) {
        reason = error.message();
    } else {
        data = ReadCharacter(bytes, reason);
    }
    const std::atomic<bool> stop{false};
    if (data && !DrawFrames(*data, kMaxDrawTime, stop, reason)) {
        data.reset();
    }
    if (!data) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    std::printf("%s: ok (%s, %zu animations, %zu frames)\n", path.c_str(),
                data->name.toStdString().c_str(), data->animations.size(),
                data->frameSources.size());
    // In order with the refusals on stderr, also when both go to one pipe.
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::printf("%sReads character files as the tutor does and says why one is refused.\n",
                        kUsage);
            return 0;
        }
        if (argument.starts_with("-")) {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
        paths.emplace_back(argument);
    }
    if (paths.empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    // Frames are drawn, never shown, so no display is needed; Qt gets no arguments of ours, as it
    // would take some of them for its own options.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    bool allAccepted = true;
    for (const std::string& path : paths) {
        allAccepted = Check(path) && allAccepted;
    }
    return allAccepted ? 0 : 1;
}

// Character files on disk through the tutor's own loading path (the real agent: the name check,
// the file read, the reader, the frames drawn on their thread, the character played). The input
// is a name to load, a line break, and the bytes of "input.acs" in the character folder. Beside
// it lie a FIFO and a link to /dev/zero; outside the folder lie files a frame or a name may try to
// reach. Loading must never hang (a FIFO), grow without end (/dev/zero), crash, or open anything
// outside the folder (watched with inotify). The folders are fixed, so that seeds can name them:
// /tmp/quorvan-character-fuzz/{chars,outside}.

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "character/qtagent/qt_agent.h"
#include "character/qtagent/qt_agent_character.h"

namespace {

const std::string kRoot = "/tmp/quorvan-character-fuzz";
const std::string kChars = kRoot + "/chars";
const std::string kOutside = kRoot + "/outside";

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int watch = -1;
std::unique_ptr<QtCharacterAgent> agent;

// Files that a hostile frame or name reaches for, and the folder's own special files.
void MakeFolders() {
    std::filesystem::remove_all(kRoot);
    std::filesystem::create_directories(kChars);
    std::filesystem::create_directories(kOutside);
    mkfifo((kOutside + "/fifo").c_str(), 0600);
    mkfifo((kChars + "/fifo.acs").c_str(), 0600);
    std::filesystem::create_symlink("/dev/zero", kChars + "/zero.acs");
    std::filesystem::create_symlink(kChars + "/fifo.acs", kChars + "/fifo-link.acs");
    WriteFile(kOutside + "/secret.css", "circle { fill: red }");
    WriteFile(kOutside + "/secret.acs", "{}");
    QImage red(8, 8, QImage::Format_ARGB32);
    red.fill(Qt::red);
    red.save(QString::fromStdString(kOutside + "/secret.png"));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(Quiet);
    static QApplication application(*argc, *argv);
    MakeFolders();
    watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, kOutside.c_str(), IN_OPEN | IN_ACCESS) < 0) {
        std::perror("inotify");
        std::abort();
    }
    agent = std::make_unique<QtCharacterAgent>(kChars);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t line = input.find('\n');
    const std::string name(line == input.npos ? std::string_view("input.acs")
                                              : input.substr(0, std::min<std::size_t>(line, 300)));
    WriteFile(kChars + "/input.acs", line == input.npos ? input : input.substr(line + 1));
    long id = 0;
    if (!agent->Load(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toStdU16String(),
            id)) {
        auto* character = dynamic_cast<QtAgentCharacter*>(agent->GetCharacterEx(id));
        if (character == nullptr) {
            std::abort();
        }
        if (character->WaitForFrames()) {
            const CharacterData& read = character->Data();
            if (character->Frames().size() != read.frameNames.size()) {
                std::abort();
            }
            for (const QImage& frame : character->Frames()) {
                if (frame.size() != QSize(read.width, read.height)) {
                    std::abort();
                }
            }
        }
        character->Show(true);
        for (const char16_t* animation : {u"Greet", u"Talk", u"Hide"}) {
            character->Play(animation);
        }
        character->Speak(u"Hello");
        for (int ms = 0; ms < 2000 && character->IsBusy(); ms += 100) {
            character->Advance(100);
        }
        agent->Unload(id);
    }
    alignas(inotify_event) char events[4096];
    const ssize_t got = read(watch, events, sizeof events);
    if (got > 0) {
        const auto* event = reinterpret_cast<const inotify_event*>(events);
        std::fprintf(stderr, "opened outside the character folder: %s\n",
                     event->len > 0 ? event->name : "(the folder)");
        std::abort();
    }
    return 0;
}

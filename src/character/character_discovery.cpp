#include "character/character_discovery.h"

#include <dirent.h>

#include <QString>
#include <cerrno>
#include <cstring>
#include <memory>

#include "character/agent.h"
#include "platform/codepage.h"
#include "platform/log/log.h"
#include "platform/messagebox/message_box.h"

namespace {

// Matches as the character search always has: the extension in any letter case.
bool IsCharacterFile(const std::string& name) {
    if (name.size() <= 4) {
        return false;
    }
    const std::string extension = name.substr(name.size() - 4);
    return strcasecmp(extension.c_str(), ".acs") == 0;
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool ListCharacterFiles(std::vector<std::string>& files, MessageBoxService* messageBox,
                        const std::string& folder) {
    files.clear();
    int error = 0;
    if (std::unique_ptr<DIR, DirCloser> dir{opendir(folder.c_str())}) {
        errno = 0;
        while (const dirent* entry = readdir(dir.get())) {
            if (IsCharacterFile(entry->d_name)) {
                files.emplace_back(entry->d_name);
            }
        }
        error = errno != 0 ? errno : files.empty() ? ENOENT : 0;
    } else {
        error = errno;
    }
    if (error == 0) {
        return true;
    }
    files.clear();
    LogFileFailure("cannot list characters in", folder,
                   std::error_code(error, std::generic_category()));
    if (messageBox != nullptr) {
        messageBox->Show(nullptr, QStringLiteral("Error"),
                         QString::fromLocal8Bit(std::strerror(error)), MessageIcon::kInformation);
    }
    return false;
}

std::vector<std::string> ReadCharacterEntries(CharacterAgent& agent,
                                              const std::vector<std::string>& files,
                                              const std::atomic<bool>* stop) {
    std::vector<std::string> entries;
    for (const std::string& file : files) {
        if (stop != nullptr && stop->load()) {
            break;
        }
        std::u16string name;
        if (!agent.ReadName(QString::fromUtf8(file).toStdU16String(), name)) {
            entries.push_back(file + "@" + Utf16ToCp936(name));
        }
    }
    return entries;
}

void EnumerateCharacters(std::vector<std::string>& list, CharacterAgent* agent,
                         MessageBoxService* messageBox, const std::string& folder) {
    list.clear();
    std::vector<std::string> files;
    if (ListCharacterFiles(files, messageBox, folder) && agent != nullptr) {
        list = ReadCharacterEntries(*agent, files);
    }
}

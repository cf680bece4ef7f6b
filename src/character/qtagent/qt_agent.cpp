#include "character/qtagent/qt_agent.h"

#include <QString>

#include "character/character_file.h"
#include "character/qtagent/qt_agent_character.h"
#include "platform/files/files.h"
#include "platform/log/log.h"

std::string CharacterFolder() {
    const std::string data = DataDirectory();
    return data.empty() ? std::string() : data + "/chars";
}

QtCharacterAgent::QtCharacterAgent(std::string folder) : folder_(std::move(folder)) {}

QtCharacterAgent::~QtCharacterAgent() = default;

std::error_code QtCharacterAgent::Load(const std::u16string& file, long& id) {
    id = 0;
    const std::string name = QString::fromStdU16String(file).toStdString();
    if (name.empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    const std::string path = name.find('/') != std::string::npos ? name : folder_ + "/" + name;
    std::string bytes;
    if (const std::error_code error = ReadWholeFile(path, bytes, kMaxCharacterFileSize)) {
        LogFileFailure("cannot load character", path, error);
        return error;
    }
    std::string reason;
    std::optional<CharacterData> data = ReadCharacter(bytes, reason);
    if (!data) {
        LogLine("cannot load character " + path + ": " + reason);
        return AgentError::kInvalidFile;
    }
    id = nextId_++;
    characters_.emplace(id, std::make_unique<QtAgentCharacter>(std::move(*data)));
    return {};
}

AgentCharacter* QtCharacterAgent::GetCharacterEx(long id) {
    const auto found = characters_.find(id);
    return found == characters_.end() ? nullptr : found->second.get();
}

void QtCharacterAgent::Unload(long id) {
    characters_.erase(id);
}

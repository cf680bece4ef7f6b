#include "character/qtagent/qt_agent.h"

#include <QString>
#include <algorithm>

#include "character/qtagent/qt_agent_character.h"
#include "platform/files/files.h"
#include "platform/log/log.h"

std::string CharacterFolder() {
    const std::string data = DataDirectory();
    return data.empty() ? std::string() : data + "/chars";
}

QtCharacterAgent::QtCharacterAgent(std::string folder, std::chrono::milliseconds drawBudget)
    : folder_(std::move(folder)), drawBudget_(drawBudget) {}

QtCharacterAgent::~QtCharacterAgent() = default;

std::error_code QtCharacterAgent::ReadFile(const std::u16string& file, std::string& bytes,
                                           std::string& path) {
    const std::string name = QString::fromStdU16String(file).toStdString();
    if (!IsCharacterFileName(name)) {
        // Shown with its control characters replaced, so that it cannot forge log lines.
        std::string shown = name.substr(0, 80);
        std::replace_if(
            shown.begin(), shown.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
        const std::error_code error = AgentError::kNotInFolder;
        LogLine("cannot load character \"" + shown + "\": " + error.message());
        return error;
    }
    path = folder_ + "/" + name;
    if (const std::error_code error = ReadWholeFile(path, bytes, kMaxCharacterFileSize)) {
        LogFileFailure("cannot load character", path, error);
        return error;
    }
    return {};
}

std::error_code QtCharacterAgent::Load(const std::u16string& file, long& id) {
    id = 0;
    std::string bytes;
    std::string path;
    if (const std::error_code error = ReadFile(file, bytes, path)) {
        return error;
    }
    std::string reason;
    std::optional<CharacterData> data = ReadCharacter(bytes, reason);
    if (!data) {
        LogLine("cannot load character " + path + ": " + reason);
        return AgentError::kInvalidFile;
    }
    id = nextId_++;
    characters_.emplace(id,
                        std::make_unique<QtAgentCharacter>(std::move(*data), path, drawBudget_));
    return {};
}

std::error_code QtCharacterAgent::ReadName(const std::u16string& file, std::u16string& name) {
    std::string bytes;
    std::string path;
    if (const std::error_code error = ReadFile(file, bytes, path)) {
        return error;
    }
    std::string reason;
    const std::optional<QString> read = ReadCharacterName(bytes, reason);
    if (!read) {
        LogLine("cannot load character " + path + ": " + reason);
        return AgentError::kInvalidFile;
    }
    name = read->toStdU16String();
    return {};
}

AgentCharacter* QtCharacterAgent::GetCharacterEx(long id) {
    const auto found = characters_.find(id);
    return found == characters_.end() ? nullptr : found->second.get();
}

void QtCharacterAgent::Unload(long id) {
    characters_.erase(id);
}

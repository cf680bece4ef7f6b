#include "support/scripted_agent.h"

#include <QString>

class ScriptedAgent::Character final : public AgentCharacter {
  public:
    Character(ScriptedAgent& agent, std::string file, std::string name)
        : agent_(agent), file_(std::move(file)), name_(std::move(name)) {}

    std::u16string GetName() const override {
        return QString::fromStdString(name_).toStdU16String();
    }
    std::error_code SetLanguageID(int languageId) override {
        Record("SetLanguageID " + QString::number(languageId, 16).toStdString());
        return {};
    }
    std::error_code MoveTo(short x, short y, int speed) override {
        Record("MoveTo " + std::to_string(x) + " " + std::to_string(y) + " " +
               std::to_string(speed));
        return {};
    }
    std::error_code Show(bool fast) override {
        Record(fast ? "Show fast" : "Show");
        return {};
    }
    std::error_code Hide(bool fast) override {
        Record(fast ? "Hide fast" : "Hide");
        return {};
    }
    void Speak(const std::u16string& text) override {
        Record("Speak " + QString::fromStdU16String(text).toStdString());
    }
    void Play(const std::u16string& animation) override {
        Record("Play " + QString::fromStdU16String(animation).toStdString());
    }
    void StopAll(int types) override { Record("StopAll " + std::to_string(types)); }

    const std::string& File() const { return file_; }

  private:
    void Record(const std::string& call) { agent_.calls_.push_back(file_ + ": " + call); }

    ScriptedAgent& agent_;
    std::string file_;
    std::string name_;
};

ScriptedAgent::ScriptedAgent() = default;
ScriptedAgent::~ScriptedAgent() = default;

void ScriptedAgent::AddCharacter(const std::string& file, const std::string& displayName) {
    files_[file] = displayName;
}

std::error_code ScriptedAgent::Load(const std::u16string& file, long& id) {
    const std::string name = QString::fromStdU16String(file).toStdString();
    calls_.push_back("Load " + name);
    id = 0;
    if (!IsCharacterFileName(name)) {
        return AgentError::kNotInFolder;
    }
    const auto found = files_.find(name);
    if (found == files_.end()) {
        return AgentError::kInvalidFile;
    }
    id = nextId_++;
    characters_.emplace(id, std::make_unique<Character>(*this, name, found->second));
    return {};
}

std::error_code ScriptedAgent::ReadName(const std::u16string& file, std::u16string& name) {
    const std::string asked = QString::fromStdU16String(file).toStdString();
    calls_.push_back("ReadName " + asked);
    if (!IsCharacterFileName(asked)) {
        return AgentError::kNotInFolder;
    }
    const auto found = files_.find(asked);
    if (found == files_.end()) {
        return AgentError::kInvalidFile;
    }
    name = QString::fromStdString(found->second).toStdU16String();
    return {};
}

AgentCharacter* ScriptedAgent::GetCharacterEx(long id) {
    const auto found = characters_.find(id);
    return found == characters_.end() ? nullptr : found->second.get();
}

void ScriptedAgent::Unload(long id) {
    if (const auto found = characters_.find(id); found != characters_.end()) {
        calls_.push_back("Unload " + found->second->File());
        characters_.erase(found);
    }
}

std::vector<std::string> ScriptedAgent::CallsTo(const std::string& file) const {
    std::vector<std::string> calls;
    const std::string prefix = file + ": ";
    for (const std::string& call : calls_) {
        if (call.starts_with(prefix)) {
            calls.push_back(call.substr(prefix.size()));
        }
    }
    return calls;
}

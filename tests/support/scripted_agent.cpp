#include "support/scripted_agent.h"

#include <QString>
#include <chrono>

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
    void Record(const std::string& call) { agent_.Record(file_ + ": " + call); }

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
    Record("Load " + name);
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
    {
        // Names are read on the settings dialog's own thread.
        std::unique_lock lock(mutex_);
        calls_.push_back("ReadName " + asked);
        // Bounded, so that a reader on the wrong thread shows as slow rather than hanging.
        released_.wait_for(lock, std::chrono::seconds(5), [this] { return !holdNames_; });
    }
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
        Record("Unload " + found->second->File());
        characters_.erase(found);
    }
}

void ScriptedAgent::Record(std::string call) {
    const std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<std::string> ScriptedAgent::Calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
}

void ScriptedAgent::ClearCalls() {
    const std::lock_guard lock(mutex_);
    calls_.clear();
}

void ScriptedAgent::HoldNames(bool hold) {
    {
        const std::lock_guard lock(mutex_);
        holdNames_ = hold;
    }
    released_.notify_all();
}

std::vector<std::string> ScriptedAgent::CallsTo(const std::string& file) const {
    std::vector<std::string> calls;
    const std::string prefix = file + ": ";
    for (const std::string& call : Calls()) {
        if (call.starts_with(prefix)) {
            calls.push_back(call.substr(prefix.size()));
        }
    }
    return calls;
}

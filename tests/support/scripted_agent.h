#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "character/agent.h"

// A character agent that shows nothing: every request to its characters is recorded as one line
// ("Load merlin.acs", "MoveTo 200 0 20", "Play Greet", "StopAll 1", ...), oldest first, in one
// log shared by all characters, so that tests see the order across roles.
class ScriptedAgent final : public CharacterAgent {
  public:
    ScriptedAgent();
    ~ScriptedAgent() override;

    // Files the agent loads, by the name they are asked for, with their display names. A file not
    // listed fails to load; a name IsCharacterFileName refuses is refused as the real agent does.
    void AddCharacter(const std::string& file, const std::string& displayName);

    std::error_code Load(const std::u16string& file, long& id) override;
    // Recorded as "ReadName FILE".
    std::error_code ReadName(const std::u16string& file, std::u16string& name) override;
    AgentCharacter* GetCharacterEx(long id) override;
    void Unload(long id) override;

    std::vector<std::string> Calls() const;
    void ClearCalls();
    // While held, ReadName waits to be released, as a large file on a slow disk keeps it busy.
    void HoldNames(bool hold);
    // The calls made to the character loaded from `file`, without its prefix.
    std::vector<std::string> CallsTo(const std::string& file) const;
    int LoadedCount() const { return static_cast<int>(characters_.size()); }

  private:
    class Character;

    void Record(std::string call);

    std::map<std::string, std::string> files_;
    std::map<long, std::unique_ptr<Character>> characters_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool holdNames_ = false;
    std::vector<std::string> calls_;
    long nextId_ = 1;
};

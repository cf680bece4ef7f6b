#pragma once

#include <map>
#include <memory>
#include <string>

#include "character/agent.h"

class QtAgentCharacter;

// The real character agent: each loaded character in a frameless window of its own that stays on
// top, never takes the focus and stays out of the task bar, animated on timers of the GUI thread.
class QtCharacterAgent : public CharacterAgent {
  public:
    // Bare file names are looked up in `folder`.
    explicit QtCharacterAgent(std::string folder);
    ~QtCharacterAgent() override;

    std::error_code Load(const std::u16string& file, long& id) override;
    AgentCharacter* GetCharacterEx(long id) override;
    void Unload(long id) override;

  private:
    std::string folder_;
    long nextId_ = 1;
    std::map<long, std::unique_ptr<QtAgentCharacter>> characters_;
};

// The agent's character folder in the program's data directory.
std::string CharacterFolder();

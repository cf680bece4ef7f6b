#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "character/agent.h"
#include "character/character_file.h"

class QtAgentCharacter;

// The real character agent: each loaded character in a frameless window of its own that stays on
// top, never takes the focus and stays out of the task bar, animated on timers of the GUI thread.
// Failures are logged here, once each.
class QtCharacterAgent : public CharacterAgent {
  public:
    // Characters are files in `folder`; drawing the frames of one may take `drawBudget`.
    explicit QtCharacterAgent(std::string folder,
                              std::chrono::milliseconds drawBudget = kMaxDrawTime);
    ~QtCharacterAgent() override;

    std::error_code Load(const std::u16string& file, long& id) override;
    std::error_code ReadName(const std::u16string& file, std::u16string& name) override;
    AgentCharacter* GetCharacterEx(long id) override;
    void Unload(long id) override;

  private:
    // The bytes of `file` in the folder and its path, or the failure, logged.
    std::error_code ReadFile(const std::u16string& file, std::string& bytes, std::string& path);

    std::string folder_;
    std::chrono::milliseconds drawBudget_;
    long nextId_ = 1;
    std::map<long, std::unique_ptr<QtAgentCharacter>> characters_;
};

// The agent's character folder in the program's data directory.
std::string CharacterFolder();

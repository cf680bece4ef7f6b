#pragma once

#include <string>
#include <vector>

#include "platform/sound/sound_player.h"

// Keeps what the program asked to play, for tests. It never touches the file system: a missing
// file counts as playing here, since only what was asked is of interest.
class RecordingSoundPlayer final : public SoundPlayer {
  public:
    struct Call {
        enum class Kind { kPlayLooping, kStop };
        Kind kind;
        std::string path;  // empty for Stop

        bool operator==(const Call&) const = default;
    };

    void PlayLooping(const std::string& path) override;
    void Stop() override;

    // The path of the sound that plays now; empty when nothing plays.
    const std::string& CurrentFile() const { return current_; }
    // Every call, oldest first.
    const std::vector<Call>& Calls() const { return calls_; }

  private:
    std::string current_;
    std::vector<Call> calls_;
};

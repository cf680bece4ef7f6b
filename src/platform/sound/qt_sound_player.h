#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/sound/sound_player.h"

class QSoundEffect;

// Plays through Qt Multimedia (QSoundEffect: WAV files, endless loop), decoding in the
// background. Qt holds the whole sound in memory, so a file larger than kMaxSoundFileBytes plays
// nothing and is reported in one log line. Without an audio output it plays nothing and decodes
// nothing: it is silent, never blocks, and adds no messages of its own. (Qt Multimedia itself
// prints one line at its first use in a process when no sound server is reachable.) An output that
// appears later is used from the next PlayLooping() on.
class QtSoundPlayer final : public SoundPlayer {
  public:
    // A title sound is a jingle of seconds (the sample course's is 140 KB); 32 MiB is three
    // minutes of CD-quality stereo.
    static constexpr std::int64_t kMaxSoundFileBytes = std::int64_t{32} << 20;

    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void PlayLooping(const std::string& path) override;
    void Stop() override;

    // The absolute path of the file that loops, or would loop on an audio output. Empty when
    // nothing plays: after Stop(), for a missing or unreadable file, and once decoding has shown
    // that the file is no sound (decoding happens only when there is an output).
    const std::string& CurrentFile() const { return current_; }
    // True while the file is being decoded.
    bool IsLoading() const;
    // True while the loop plays on an audio output; always false without one.
    bool IsAudible() const;

  private:
    std::unique_ptr<QSoundEffect> effect_;
    std::string current_;
};

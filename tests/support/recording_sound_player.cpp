#include "support/recording_sound_player.h"

void RecordingSoundPlayer::PlayLooping(const std::string& path) {
    calls_.push_back({Call::Kind::kPlayLooping, path});
    current_ = path;
}

void RecordingSoundPlayer::Stop() {
    calls_.push_back({Call::Kind::kStop, {}});
    current_.clear();
}

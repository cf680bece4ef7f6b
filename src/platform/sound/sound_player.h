#pragma once

#include <string>

// The title sound: one sound file looping in the background.
//
// PlayLooping(path) starts looping the file and returns at once; a relative path is taken from
// the current directory at the time of the call. It first stops whatever plays, so a new call
// replaces the sound. A missing or unreadable file plays nothing and reports nothing: there is no
// default sound, no message and no exception; a file too large for the backend to hold plays
// nothing either, with one log line. Stop() ends the sound; stopping silence does nothing. Paths
// are file-system paths (see NativePath()). GUI thread only.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;

    virtual void PlayLooping(const std::string& path) = 0;
    virtual void Stop() = 0;
};

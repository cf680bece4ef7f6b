#pragma once

#include <memory>

#include "speech/engines/audio_output.h"

// Plays through the default audio device with Qt Multimedia, on a thread of its own so that a
// busy GUI thread does not starve the device. Null when there is no device or it takes no mono
// 16-bit audio at any rate.
std::unique_ptr<AudioOutput> MakeDeviceOutput(PcmSource& source, int preferredRate);

// Whether the machine has an audio device to play on.
bool HasAudioDevice();

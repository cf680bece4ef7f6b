#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/waitable/waitable.h"
#include "speech/voice_tokens.h"

// What a voice asks of the speech engine: a voice chosen by attributes that speaks text
// asynchronously, plays sound files, can be purged, runs at a rate, reports its progress as
// events and signals when it has nothing left to say.

enum class SpeechEventKind {
    kEndInputStream,  // the end of one Speak or SpeakFile
    kWordBoundary,    // a word begins
    kViseme,          // a mouth shape begins
};

struct SpeechEvent {
    SpeechEventKind kind = SpeechEventKind::kEndInputStream;
    int viseme = 0;        // kViseme: the mouth shape 0..21
    int textPosition = 0;  // kWordBoundary: byte offset of the word in the UTF-8 text
    int textLength = 0;    // kWordBoundary: its length in bytes
    double audioMs = 0;    // where it lies in its utterance's audio
    // When playback reached it. Set by the engine on release.
    std::chrono::steady_clock::time_point released;
};

// Rates run from -10 (a third of the normal speed) to 10 (three times it).
inline constexpr int kMinRate = -10;
inline constexpr int kMaxRate = 10;
inline double RateSpeedFactor(int rate) {
    return std::pow(3.0, std::clamp(rate, kMinRate, kMaxRate) / 10.0);
}

// One voice of the engine. Speaking calls, Purge and SetRate are made on one thread (the GUI
// thread); events are released from the engine's own threads as playback reaches them.
class EngineVoice {
  public:
    virtual ~EngineVoice() = default;

    // Makes `token` (one of the engine's Voices()) the voice that speaks from the next utterance
    // on. False if the engine cannot use it.
    virtual bool SetVoice(const VoiceToken& token) = 0;
    virtual const VoiceToken& Voice() const = 0;

    // Called from any thread each time events have been released to the queue, and when the
    // voice has become idle. Set it before speaking; it must stay callable until the voice is
    // destroyed, and is never called after the destructor returns.
    virtual void SetNotify(std::function<void()> notify) = 0;

    // Queues the text (UTF-8) behind what is already queued and returns at once. False when
    // nothing was queued.
    virtual bool Speak(const std::string& text) = 0;
    // Queues a recorded sound (WAV, FLAC, Ogg; any rate and channel count) and returns at once,
    // before it is decoded. `name` is what the speech log records. False, with nothing queued and
    // `reason` saying why, when the file's header shows no sound that can be read or one too large
    // to decode (see sound_file.h).
    virtual bool SpeakFile(UniqueFd file, const std::string& name, std::string& reason) = 0;
    // Stops at once: drops what is queued and the events not yet taken, and stops the audio
    // within one output buffer. The voice is then idle.
    virtual void Purge() = 0;

    // Applies from the next utterance on; clamped to kMinRate..kMaxRate.
    virtual void SetRate(int rate) = 0;
    virtual int Rate() const = 0;

    // Takes the oldest released event; false when none is waiting.
    virtual bool GetEvent(SpeechEvent& event) = 0;
    // Signalled while the voice is idle, reset by every Speak and SpeakFile. The same object for
    // the life of the voice.
    virtual std::shared_ptr<Waitable> SpeakCompleteEvent() const = 0;
};

// The engines of the machine behind one registry.
class SpeechEngine {
  public:
    virtual ~SpeechEngine() = default;

    // Every voice of every engine, in the order the registry ranks them on a tie.
    virtual const std::vector<VoiceToken>& Voices() const = 0;
    // A new voice speaking with the registry's default voice; null when no voice can be made.
    virtual std::unique_ptr<EngineVoice> CreateVoice() = 0;
};

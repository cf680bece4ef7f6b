#pragma once

#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "speech/engines/utterance_observer.h"

// Milliseconds from the start of the program to `when`.
double ProgramMs(std::chrono::steady_clock::time_point when);

// An event as a JSON object: its "type" ("word", "viseme" or "end") and what that kind carries
// ("pos" and "len", or "shape"). Callers add the times they report.
QJsonObject SpeechEventJson(const SpeechEvent& event);

// The speech log: every utterance as DIR/NNNN-<voice>.wav (what was handed to the output), and
// one JSON line per utterance in DIR/speech.jsonl, in the order the utterances were asked for:
//   {"n":1,"voice":"cmu_us_rms","text":"Hello","wav":"0001-cmu_us_rms.wav","rate":16000,
//    "requested_ms":812.4,"start_ms":815.0,"end_ms":1620.3,"purged":false,
//    "events":[{"type":"word","ms":815.1,"audio_ms":0,"pos":0,"len":5},
//              {"type":"viseme","ms":815.1,"audio_ms":0,"shape":12}, ...,
//              {"type":"end","ms":1620.3,"audio_ms":805.2}]}
// A sound file has "file" (its name) in place of "text". Times are milliseconds since the start
// of the program; "audio_ms" is the event's place in the utterance's own audio.
class SpeechLog final : public UtteranceObserver {
  public:
    // Makes the directory if needed and starts its speech.jsonl afresh; null with `error` set
    // when either cannot be done.
    static std::unique_ptr<SpeechLog> Open(const std::string& directory, std::error_code& error);
    // Writes the utterances that never finished, as far as they got.
    ~SpeechLog() override;

    void OnQueued(const UtteranceInfo& info) override;
    void OnFirstSample(std::uint64_t serial, std::chrono::steady_clock::time_point when) override;
    void OnSamples(std::uint64_t serial, const std::int16_t* samples, std::size_t count) override;
    void OnEvent(std::uint64_t serial, const SpeechEvent& event) override;
    void OnFinished(std::uint64_t serial, std::chrono::steady_clock::time_point when,
                    bool purged) override;

  private:
    struct Record {
        UtteranceInfo info;
        std::vector<std::int16_t> samples;
        std::vector<SpeechEvent> events;
        std::chrono::steady_clock::time_point start{};
        std::chrono::steady_clock::time_point end{};
        bool started = false;
        bool finished = false;
        bool purged = false;
    };

    SpeechLog(std::string directory, std::FILE* lines);
    // Writes the finished records that no earlier one holds back.
    void WriteReady();
    void Write(Record& record);

    const std::string directory_;
    std::mutex mutex_;
    std::FILE* lines_;
    std::map<std::uint64_t, Record> records_;
};

// First audio: the time from a speak call to the first sample handed to the output, for every
// English and Chinese run of the sample course's lessons, with the real engines and a real-time
// null output (a sound device adds its own latency after that).
//
// Usage: speech_first_audio_bench COURSE_SOURCE_DIR   (e.g. course/, with lessons/*.txt)

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "percentile.h"
#include "speech/engines/speech_registry.h"
#include "speech/engines/utterance_observer.h"

namespace {

using Clock = std::chrono::steady_clock;

class FirstSamples final : public UtteranceObserver {
  public:
    void OnQueued(const UtteranceInfo& info) override {
        std::lock_guard lock(mutex_);
        requested_[info.serial] = info.requested;
    }
    void OnFirstSample(std::uint64_t serial, Clock::time_point when) override {
        {
            std::lock_guard lock(mutex_);
            latency_[serial] =
                std::chrono::duration<double, std::milli>(when - requested_[serial]).count();
        }
        changed_.notify_all();
    }
    void OnSamples(std::uint64_t, const std::int16_t*, std::size_t) override {}
    void OnEvent(std::uint64_t, const SpeechEvent&) override {}
    void OnFinished(std::uint64_t serial, Clock::time_point, bool) override {
        {
            std::lock_guard lock(mutex_);
            finished_[serial] = true;
        }
        changed_.notify_all();
    }

    // The latency of an utterance; negative when it ended without a sample.
    double Wait(std::uint64_t serial) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock,
                      [&] { return latency_.count(serial) > 0 || finished_.count(serial) > 0; });
        return latency_.count(serial) > 0 ? latency_[serial] : -1;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::uint64_t, Clock::time_point> requested_;
    std::map<std::uint64_t, double> latency_;
    std::map<std::uint64_t, bool> finished_;
};

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The lines' runs of one script: ASCII text (English) and the rest (Chinese), without markup,
// section headers and bracketed phonetic pieces, which are recorded sounds.
void Runs(const std::string& line, std::vector<std::string>& english,
          std::vector<std::string>& chinese) {
    std::string plain;
    bool inTag = false;
    bool inBracket = false;
    for (char c : line) {
        if (c == '<') {
            inTag = true;
        } else if (c == '>') {
            inTag = false;
        } else if (c == '[') {
            inBracket = true;
        } else if (c == ']') {
            inBracket = false;
        } else if (!inTag && !inBracket) {
            plain += c;
        }
    }
    std::string run;
    bool ascii = true;
    const auto flush = [&] {
        const bool hasLetter = std::any_of(run.begin(), run.end(), IsAsciiLetter);
        if (ascii && hasLetter) {
            english.push_back(run);
        } else if (!ascii) {
            chinese.push_back(run);
        }
        run.clear();
    };
    for (char c : plain) {
        const bool isAscii = static_cast<unsigned char>(c) < 0x80;
        if (!run.empty() && isAscii != ascii && !(isAscii && c == ' ')) {
            flush();
        }
        if (run.empty()) {
            ascii = isAscii;
        }
        run += c;
    }
    if (!run.empty()) {
        flush();
    }
}

void Measure(SpeechEngine& engine, FirstSamples& observer, const std::string& voiceName,
             const std::vector<std::string>& runs, std::uint64_t& serial) {
    std::unique_ptr<EngineVoice> voice = engine.CreateVoice();
    for (const VoiceToken& token : engine.Voices()) {
        if (token.name == voiceName) {
            voice->SetVoice(token);
        }
    }
    std::vector<double> latencies;
    for (const std::string& run : runs) {
        voice->Speak(run);
        const double latency = observer.Wait(++serial);
        if (latency >= 0) {
            latencies.push_back(latency);
        }
        voice->Purge();
    }
    if (latencies.empty()) {
        std::printf("%-12s no audio\n", voiceName.c_str());
        return;
    }
    std::printf("%-12s runs %3zu  median %6.2f ms  p95 %6.2f ms  max %6.2f ms\n", voiceName.c_str(),
                latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.95),
                Percentile(latencies, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: speech_first_audio_bench COURSE_SOURCE_DIR\n");
        return 2;
    }
    std::vector<std::string> english;
    std::vector<std::string> chinese;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(argv[1]) / "lessons")) {
        if (entry.path().extension() != ".txt") {
            continue;
        }
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.front() != '#') {
                Runs(line, english, chinese);
            }
        }
    }
    FirstSamples observer;
    SpeechEngineOptions options;
    options.audio = AudioMode::kRealTime;
    options.observers = {&observer};
    const std::unique_ptr<SpeechEngine> engine = MakeSpeechEngine(options);
    std::uint64_t serial = 0;
    std::printf("first audio (speak call to first sample handed to the output)\n");
    Measure(*engine, observer, "cmu_us_rms", english, serial);
    Measure(*engine, observer, "espeak_cmn", chinese, serial);
    return 0;
}

// quorvan-score --text LINE FILE.wav
//
// Scores a recording of a lesson line as the tutor's speaking practice does, and prints one JSON
// object: {"score": N, "words": [{"word": W, "verdict": "good"|"weak"|"missed", "score": N,
// "start_ms": MS, "end_ms": MS}, ...]}; a word said with a slip also has "sound" and "said": the
// sound the word needs and the one said instead, in the course's phonetic spelling ("said" is ""
// when the sound was dropped). LINE is the line as the page shows it (UTF-8): the
// speaker's name, Chinese and bracketed phonetic spellings are no words to say. Without speech in
// the recording, the score is null; a word not found has null times. Only the first
// kMaxRecordingSeconds of a recording are scored (a note on stderr says so).
//
// Exit status 0 on success, 1 when the recording cannot be read or the line cannot be scored, 2
// on wrong usage.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "practice/scorer.h"
#include "speech/engines/resampler.h"
#include "speech/engines/sound_file.h"

namespace {

constexpr const char* kName = "quorvan-score";
constexpr const char* kUsage =
    "usage: quorvan-score --text LINE FILE.wav\n"
    "Scores a recording of a lesson line word by word, as the tutor's speaking practice does.\n";

struct Failure {
    std::string message;
};

// The recording at the scorer's rate; read no further than the scorer looks, plus a margin for
// the resampler.
std::vector<std::int16_t> ReadRecording(const std::string& path) {
    UniqueFd file;
    if (const std::error_code error = OpenRegularFile(path, file)) {
        throw Failure{"cannot read '" + path + "': " + error.message()};
    }
    std::string reason;
    const std::unique_ptr<SoundReader> reader = SoundReader::Open(std::move(file), reason);
    if (!reader) {
        throw Failure{"'" + path + "': " + reason};
    }
    const auto wanted =
        static_cast<std::size_t>(kMaxRecordingSeconds + 1) * std::size_t(reader->SampleRate());
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> block;
    while (samples.size() < wanted && reader->ReadBlock(block)) {
        samples.insert(samples.end(), block.begin(), block.end());
    }
    if (reader->SampleRate() != kScoringSampleRate && !samples.empty()) {
        samples = Resample(samples, reader->SampleRate(), kScoringSampleRate);
    }
    return samples;
}

std::string Milliseconds(int ms) {
    return ms < 0 ? "null" : std::to_string(ms);
}

// Words are ASCII letters and apostrophes (ExtractLineWords), so none needs escaping in JSON.
std::string Json(const LineScore& result) {
    std::string json =
        "{\"score\": " + (result.heard ? std::to_string(result.score) : "null") + ", \"words\": [";
    for (std::size_t i = 0; i < result.words.size(); ++i) {
        const WordScore& word = result.words[i];
        json += (i == 0 ? "" : ", ");
        json += "{\"word\": \"" + word.word.text + "\", \"verdict\": \"" +
                VerdictName(word.verdict) + "\", \"score\": " + std::to_string(word.score) +
                ", \"start_ms\": " + Milliseconds(word.startMs) +
                ", \"end_ms\": " + Milliseconds(word.endMs);
        if (!word.expectedSound.empty()) {
            json += ", \"sound\": \"" + word.expectedSound + "\", \"said\": \"" + word.heardSound +
                    "\"";
        }
        json += "}";
    }
    return json + "]}";
}

}  // namespace

int main(int argc, char** argv) {
    std::string text;
    std::string path;
    bool haveText = false;
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--text" && i + 1 < argc && !haveText) {
            text = argv[++i];
            haveText = true;
        } else if ((!arg.starts_with("-") || arg == "-") && !havePath) {
            path = arg;
            havePath = true;
        } else {
            std::fprintf(stderr, "%s: unexpected argument '%s'\n%s", kName, arg.c_str(), kUsage);
            return 2;
        }
    }
    if (!haveText || !havePath) {
        std::fprintf(stderr, "%s: %s\n%s", kName, haveText ? "no FILE" : "no --text LINE", kUsage);
        return 2;
    }
    try {
        const std::vector<std::int16_t> samples = ReadRecording(path);
        PronunciationScorer scorer;
        LineScore result;
        if (const std::error_code error = scorer.Score(text, samples, result)) {
            throw Failure{error.message()};
        }
        if (result.cut) {
            std::fprintf(stderr, "%s: '%s': only the first %d s are scored\n", kName, path.c_str(),
                         kMaxRecordingSeconds);
        }
        std::printf("%s\n", Json(result).c_str());
        return 0;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s: %s\n", kName, failure.message.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s: %s\n", kName, path.c_str(), error.what());
    }
    return 1;
}

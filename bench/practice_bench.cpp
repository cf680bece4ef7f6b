// Speaking practice on the sample course's English lines, spoken by flite's English voices at two
// rates: how the scorer's verdicts hold on clean speech, in noise, and with one word replaced,
// left out or swapped for its minimal pair; how long scoring takes; how long the model takes to
// load.
//
//   build/bench/practice_bench COURSE_DIR [LINES]
//
// LINES (default 24) lines are taken evenly from all lessons; the even ones calibrate (the
// goodness a clean word reaches, to set the thresholds in src/practice/scorer.cpp), the odd ones
// are counted in the table, with the thresholds compiled in.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "practice/line_words.h"
#include "practice/scorer.h"
#include "speech/engines/flite_synthesizer.h"
#include "speech/engines/resampler.h"
#include "support/synthesis_sink.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const char* const kVoices[] = {"cmu_us_rms", "cmu_us_slt", "cmu_us_awb", "cmu_us_kal16"};
const int kRates[] = {0, 4};
// Words said instead of a line's word: none of them sounds like a course word.
const char* const kReplacements[] = {"purple", "kitchen", "monkey", "pencil", "river", "window"};
// Both ways round.
const std::pair<const char*, const char*> kMinimalPairs[] = {
    {"ship", "sheep"},    {"it", "eat"},     {"is", "ease"},    {"live", "leave"},
    {"sit", "seat"},      {"this", "these"}, {"full", "fool"},  {"bad", "bed"},
    {"man", "men"},       {"thank", "sank"}, {"think", "sink"}, {"right", "light"},
    {"very", "berry"},    {"fine", "vine"},  {"three", "tree"}, {"thirteen", "thirty"},
    {"fifteen", "fifty"}, {"rice", "lice"},  {"wash", "watch"}, {"not", "note"},
    {"at", "art"},        {"hot", "hat"},    {"day", "die"},    {"how", "who"},
    {"me", "my"},         {"is", "his"},     {"like", "lake"},  {"and", "end"},
    {"time", "tame"},     {"book", "back"}};

// The line's text as the page shows it: markup inside a word (an underlined letter) keeps the
// word whole, other markup (table cells) parts what it stands between.
std::string StripTags(const std::string& line) {
    std::string out;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t open = line.find('<', at);
        out += line.substr(at, open - at);
        if (open == std::string::npos) {
            break;
        }
        const std::size_t close = line.find('>', open);
        const std::string tag = line.substr(
            open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
        const std::string name = tag.substr(tag.starts_with('/') ? 1 : 0);
        if (name != "u" && name != "b" && name != "i") {
            out.push_back(' ');
        }
        at = close == std::string::npos ? line.size() : close + 1;
    }
    return out;
}

// Each lesson body line with at least three English words, as words.
std::vector<std::vector<std::string>> CourseLines(const fs::path& course) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(course / "lessons")) {
        if (entry.path().extension() == ".txt") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<std::vector<std::string>> lines;
    std::set<std::vector<std::string>> seen;
    for (const fs::path& file : files) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            if (line.starts_with("#")) {
                continue;
            }
            std::vector<std::string> words;
            for (const LineWord& word : ExtractLineWords(StripTags(line))) {
                words.push_back(word.key);
            }
            if (words.size() >= 3 && seen.insert(words).second) {
                lines.push_back(std::move(words));
            }
        }
    }
    return lines;
}

std::string Join(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

std::vector<std::int16_t> Speak(FliteSynthesizer& flite, const char* voice, const std::string& text,
                                int rate) {
    Synthesized made = SynthesizeText(flite, voice, text, rate, true);
    if (made.sampleRate != kScoringSampleRate && !made.audio.empty()) {
        return Resample(made.audio, made.sampleRate, kScoringSampleRate);
    }
    return made.audio;
}

// White noise at `snrDb` below the speech's mean power.
std::vector<std::int16_t> WithNoise(const std::vector<std::int16_t>& speech, double snrDb,
                                    std::mt19937& random) {
    double power = 0;
    std::size_t voiced = 0;
    for (const std::int16_t sample : speech) {
        if (std::abs(sample) > 100) {
            power += static_cast<double>(sample) * sample;
            ++voiced;
        }
    }
    const double sigma =
        std::sqrt(power / std::max<std::size_t>(voiced, 1)) / std::pow(10.0, snrDb / 20);
    std::normal_distribution<double> noise(0, sigma);
    std::vector<std::int16_t> out(speech.size());
    for (std::size_t i = 0; i < speech.size(); ++i) {
        out[i] =
            static_cast<std::int16_t>(std::clamp(speech[i] + noise(random), -32768.0, 32767.0));
    }
    return out;
}

struct Tally {
    long words = 0, good = 0, weak = 0, missed = 0;
    long damaged = 0, detected = 0, lowest = 0;  // the damaged word flagged; scored lowest
    void Add(const LineScore& result, int damagedWord) {
        for (std::size_t i = 0; i < result.words.size(); ++i) {
            const WordScore& word = result.words[i];
            if (static_cast<int>(i) == damagedWord) {
                ++damaged;
                detected += word.verdict != Verdict::kGood;
                const bool isLowest =
                    std::all_of(result.words.begin(), result.words.end(),
                                [&](const WordScore& other) { return other.score >= word.score; });
                lowest += isLowest;
                continue;
            }
            ++words;
            good += word.verdict == Verdict::kGood;
            weak += word.verdict == Verdict::kWeak;
            missed += word.verdict == Verdict::kMissed;
        }
    }
};

double Percent(long part, long whole) {
    return whole == 0 ? 0 : 100.0 * part / whole;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: practice_bench COURSE_DIR [LINES]\n");
        return 2;
    }
    const std::vector<std::vector<std::string>> all = CourseLines(argv[1]);
    const std::size_t wanted = argc > 2 ? std::stoul(argv[2]) : 24;
    std::vector<std::vector<std::string>> lines;
    for (std::size_t i = 0; i < wanted && i < all.size(); ++i) {
        lines.push_back(all[i * all.size() / std::min(wanted, all.size())]);
    }
    std::printf("%zu course lines of 3 words or more, %zu taken\n", all.size(), lines.size());

    std::vector<double> loads;
    for (int i = 0; i < 3; ++i) {
        PronunciationScorer fresh;
        const Clock::time_point start = Clock::now();
        if (const std::error_code error = fresh.Load()) {
            std::fprintf(stderr, "cannot load the model: %s\n", error.message().c_str());
            return 1;
        }
        loads.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }

    PronunciationScorer scorer;
    scorer.Load();
    FliteSynthesizer flite;
    std::mt19937 random(7);
    std::vector<double> cleanGoodness;
    std::map<std::string, Tally> table;
    const char* const kConditions[] = {"clean",    "noise 30 dB", "noise 20 dB",
                                       "replaced", "omitted",     "minimal pair"};
    std::vector<double> perAudioSecond, tenWordSeconds;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::vector<std::string>& words = lines[n];
        const bool calibrating = n % 2 == 0;
        const std::string line = Join(words);
        const int target = static_cast<int>(random() % words.size());
        int pairAt = -1;
        std::string partner;
        for (std::size_t i = 0; i < words.size() && pairAt < 0; ++i) {
            for (const auto& [a, b] : kMinimalPairs) {
                if (words[i] == a) {
                    pairAt = static_cast<int>(i);
                    partner = b;
                    break;
                }
            }
        }
        for (const char* voice : kVoices) {
            for (const int rate : kRates) {
                const std::vector<std::int16_t> clean = Speak(flite, voice, line, rate);
                for (const char* condition : kConditions) {
                    const std::string name = condition;
                    std::vector<std::string> said = words;
                    int damaged = -1;
                    std::vector<std::int16_t> audio;
                    if (name == "clean") {
                        audio = clean;
                    } else if (name == "noise 30 dB") {
                        audio = WithNoise(clean, 30, random);
                    } else if (name == "noise 20 dB") {
                        audio = WithNoise(clean, 20, random);
                    } else {
                        if (name == "replaced") {
                            said[target] = kReplacements[random() % std::size(kReplacements)];
                            damaged = target;
                        } else if (name == "omitted") {
                            said.erase(said.begin() + target);
                            damaged = target;
                        } else if (pairAt >= 0) {
                            said[pairAt] = partner;
                            damaged = pairAt;
                        } else {
                            continue;
                        }
                        audio = Speak(flite, voice, Join(said), rate);
                    }
                    LineScore result;
                    const Clock::time_point start = Clock::now();
                    if (scorer.Score(line, audio, result)) {
                        continue;
                    }
                    const double seconds =
                        std::chrono::duration<double>(Clock::now() - start).count();
                    const double audioSeconds =
                        static_cast<double>(audio.size()) / kScoringSampleRate;
                    perAudioSecond.push_back(seconds / audioSeconds);
                    if (name == "clean" && words.size() >= 9 && words.size() <= 11) {
                        tenWordSeconds.push_back(seconds);
                    }
                    if (calibrating) {
                        if (name == "clean") {
                            for (const WordScore& word : result.words) {
                                cleanGoodness.push_back(
                                    word.verdict == Verdict::kMissed ? -100 : word.goodness);
                            }
                        }
                        continue;
                    }
                    table[name].Add(result, damaged);
                }
            }
        }
    }

    // Percentiles around the goal of at most 5% false alarms on clean speech, where the weak
    // threshold belongs; the 1st shows where words are lost altogether.
    std::printf(
        "\ncalibration (even lines, clean): goodness of clean words at the 1st, 2nd, 4th and 5th "
        "percentile: %.1f %.1f %.1f %.1f\n",
        Percentile(cleanGoodness, 0.01), Percentile(cleanGoodness, 0.02),
        Percentile(cleanGoodness, 0.04), Percentile(cleanGoodness, 0.05));
    std::printf("\ntest (odd lines), %zu voices x %zu rates:\n", std::size(kVoices),
                std::size(kRates));
    std::printf(
        "| condition | other words | good | weak | missed | damaged words | flagged | "
        "scored lowest |\n|---|---|---|---|---|---|---|---|\n");
    for (const char* condition : kConditions) {
        const Tally& t = table[condition];
        std::printf(
            "| %s | %ld | %.1f%% | %.1f%% | %.1f%% | %ld | %s | %s |\n", condition, t.words,
            Percent(t.good, t.words), Percent(t.weak, t.words), Percent(t.missed, t.words),
            t.damaged,
            t.damaged ? (std::to_string(Percent(t.detected, t.damaged)).substr(0, 5) + "%").c_str()
                      : "-",
            t.damaged ? (std::to_string(Percent(t.lowest, t.damaged)).substr(0, 5) + "%").c_str()
                      : "-");
    }
    std::printf("\nscoring: %.3f s per second of audio (median), %.3f (95th percentile)\n",
                Percentile(perAudioSecond, 0.5), Percentile(perAudioSecond, 0.95));
    std::printf(
        "scoring a clean line of 9 to 11 words: median %.3f s, 95th percentile %.3f s "
        "(%zu runs)\n",
        Percentile(tenWordSeconds, 0.5), Percentile(tenWordSeconds, 0.95), tenWordSeconds.size());
    std::printf("model load: %.3f s median of %zu (%.3f s the first)\n", Percentile(loads, 0.5),
                loads.size(), loads.front());
    return 0;
}

#include "practice/practice_store.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "platform/files/files.h"
#include "platform/log/log.h"
#include "practice/scorer.h"
#include "practice/wav_bytes.h"

namespace {

constexpr const char* kProgressFile = "progress.txt";
constexpr std::string_view kProgressHeader = "quorvan-practice 1\n";
// Far above the lines of every course a learner could practise (a line takes some 20 bytes).
constexpr std::size_t kMaxProgressBytes = std::size_t{4} << 20;

// What lstat says of `path`: 0 when nothing is there, else its st_mode.
mode_t KindOf(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// A lesson's name may hold any byte; in the file, tabs, line ends and "%" are escaped.
std::string Escape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            out.push_back(text[at]);
            continue;
        }
        unsigned value = 0;
        if (at + 3 > text.size() ||
            std::from_chars(text.data() + at + 1, text.data() + at + 3, value, 16).ptr !=
                text.data() + at + 3) {
            return false;
        }
        out.push_back(static_cast<char>(value));
        at += 2;
    }
    return true;
}

bool ParseInt(std::string_view text, int low, int high, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
}

template <typename Entries>
bool ParseProgress(std::string_view text, Entries& entries) {
    if (!text.starts_with(kProgressHeader)) {
        return false;
    }
    text.remove_prefix(kProgressHeader.size());
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return false;
        }
        const std::string_view row = text.substr(0, end);
        text.remove_prefix(end + 1);
        std::string_view fields[4];
        std::size_t from = 0;
        for (int i = 0; i < 4; ++i) {
            const std::size_t tab = i < 3 ? row.find('\t', from) : row.size();
            if (tab == std::string_view::npos) {
                return false;
            }
            fields[i] = row.substr(from, tab - from);
            from = tab + 1;
        }
        std::string lesson;
        int line = 0, best = 0, tries = 0;
        if (!Unescape(fields[0], lesson) || !ParseInt(fields[1], 0, INT_MAX, line) ||
            !ParseInt(fields[2], 0, 100, best) || !ParseInt(fields[3], 1, INT_MAX - 1, tries)) {
            return false;
        }
        auto& entry = entries[{std::move(lesson), line}];
        entry.best = std::max(entry.best, best);
        entry.tries = std::max(entry.tries, tries);
    }
    return true;
}

// The part of a recording's name that stands for its lesson: the lesson's name is the course's
// and may hold anything, so only its hash goes into a file name.
std::string LessonTag(const std::string& lesson) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : lesson) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char tag[17];
    std::snprintf(tag, sizeof tag, "%016llx", static_cast<unsigned long long>(hash));
    return tag;
}

}  // namespace

PracticeStore::PracticeStore(std::string folder, bool keepRecordings)
    : folder_(std::move(folder)), keepRecordings_(keepRecordings) {
    Open();
}

void PracticeStore::Open() {
    const mode_t kind = KindOf(folder_);
    if (S_ISLNK(kind)) {
        GiveUpFolder("is a symbolic link");
        return;
    }
    if (kind == 0) {
        std::error_code error;
        std::filesystem::create_directories(folder_, error);
        if (error) {
            GiveUpFolder("cannot be made: " + error.message());
            return;
        }
    } else if (!S_ISDIR(kind)) {
        GiveUpFolder("is not a folder");
        return;
    }
    const std::string path = folder_ + "/" + kProgressFile;
    if (KindOf(path) == 0) {
        return;
    }
    std::string text;
    const std::error_code error = S_ISREG(KindOf(path))
                                      ? ReadWholeFile(path, text, kMaxProgressBytes)
                                      : make_error_code(FileRefusal::kNotRegular);
    if (error) {
        LogFileFailure("cannot read the practice progress", path, error);
    } else if (!ParseProgress(text, entries_)) {
        entries_.clear();
        LogLine("the practice progress " + path + " is damaged: it starts empty");
    }
}

void PracticeStore::GiveUpFolder(const std::string& reason) {
    if (persistent_) {
        persistent_ = false;
        LogLine("the practice folder " + folder_ + " " + reason +
                ": scores are kept only until the tutor closes");
    }
}

void PracticeStore::Save() {
    if (!persistent_) {
        return;
    }
    if (!S_ISDIR(KindOf(folder_))) {
        GiveUpFolder("is no longer a folder");
        return;
    }
    const std::string path = folder_ + "/" + kProgressFile;
    // Another tutor may share the folder: what it wrote meanwhile is kept.
    std::string current;
    if (S_ISREG(KindOf(path)) && !ReadWholeFile(path, current, kMaxProgressBytes)) {
        std::map<Key, Entry> theirs;
        if (ParseProgress(current, theirs)) {
            for (const auto& [key, entry] : theirs) {
                Entry& ours = entries_[key];
                ours.best = std::max(ours.best, entry.best);
                ours.tries = std::max(ours.tries, entry.tries);
            }
        }
    }
    std::string text(kProgressHeader);
    for (const auto& [key, entry] : entries_) {
        text += Escape(key.first) + '\t' + std::to_string(key.second) + '\t' +
                std::to_string(entry.best) + '\t' + std::to_string(entry.tries) + '\n';
    }
    if (const std::error_code error = ReplaceFile(path, text)) {
        GiveUpFolder("cannot be written: " + error.message());
    }
}

std::string PracticeStore::RecordingPath(const Key& key, int tryNumber) const {
    return folder_ + "/" + LessonTag(key.first) + "-" + std::to_string(key.second) + "-" +
           std::to_string(tryNumber) + ".wav";
}

void PracticeStore::RemoveRecordings(const Key& key, int upToTry) const {
    const std::string prefix = LessonTag(key.first) + "-" + std::to_string(key.second) + "-";
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> doomed;
    while (const dirent* item = ::readdir(dir)) {
        std::string_view name = item->d_name;
        if (!name.starts_with(prefix) || !name.ends_with(".wav")) {
            continue;
        }
        name = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        int tryNumber = 0;
        if (ParseInt(name, 1, INT_MAX, tryNumber) && tryNumber <= upToTry) {
            doomed.push_back(folder_ + "/" + item->d_name);
        }
    }
    ::closedir(dir);
    for (const std::string& path : doomed) {
        ::unlink(path.c_str());
    }
}

void PracticeStore::SetKeepRecordings(bool keep) {
    const std::lock_guard lock(mutex_);
    keepRecordings_ = keep;
    if (!keep && persistent_) {
        for (const auto& [key, entry] : entries_) {
            RemoveRecordings(key, INT_MAX);
        }
    }
}

std::string PracticeStore::AddTry(const std::string& lesson, int line, int score,
                                  std::span<const std::int16_t> samples, int sampleRate) {
    const std::lock_guard lock(mutex_);
    const Key key{lesson, line};
    Entry& entry = entries_[key];
    entry.best = std::max(entry.best, std::clamp(score, 0, 100));
    entry.tries = std::min(entry.tries, INT_MAX - 2) + 1;
    std::string kept;
    if (persistent_ && keepRecordings_ && sampleRate > 0) {
        const std::size_t limit = std::size_t{kMaxRecordingSeconds} * std::size_t(sampleRate);
        kept = RecordingPath(key, entry.tries);
        if (S_ISDIR(KindOf(folder_))) {
            if (const std::error_code error = ReplaceFile(
                    kept, WavBytes(samples.first(std::min(samples.size(), limit)), sampleRate))) {
                GiveUpFolder("cannot be written: " + error.message());
                kept.clear();
            }
        } else {
            GiveUpFolder("is no longer a folder");
            kept.clear();
        }
        if (persistent_) {
            RemoveRecordings(key, entry.tries - kKeptTries);
        }
    }
    Save();
    return kept;
}

std::optional<int> PracticeStore::BestScore(const std::string& lesson, int line) const {
    const std::lock_guard lock(mutex_);
    const auto found = entries_.find({lesson, line});
    return found == entries_.end() ? std::nullopt : std::optional(found->second.best);
}

LessonProgress PracticeStore::Progress(const std::string& lesson) const {
    const std::lock_guard lock(mutex_);
    LessonProgress progress;
    long total = 0;
    for (auto it = entries_.lower_bound({lesson, 0});
         it != entries_.end() && it->first.first == lesson; ++it) {
        ++progress.practisedLines;
        total += it->second.best;
    }
    if (progress.practisedLines > 0) {
        progress.averageBest =
            static_cast<int>((total + progress.practisedLines / 2) / progress.practisedLines);
    }
    return progress;
}

std::vector<std::string> PracticeStore::Recordings(const std::string& lesson, int line) const {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    const auto found = entries_.find({lesson, line});
    if (found == entries_.end() || !persistent_) {
        return paths;
    }
    for (int tryNumber = std::max(1, found->second.tries - kKeptTries + 1);
         tryNumber <= found->second.tries; ++tryNumber) {
        std::string path = RecordingPath(found->first, tryNumber);
        if (S_ISREG(KindOf(path))) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

bool PracticeStore::Persistent() const {
    const std::lock_guard lock(mutex_);
    return persistent_;
}

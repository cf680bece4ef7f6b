#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The learner's practice, kept on their machine: the best score of each line practised and the
// learner's last recordings of it. One progress file (progress.txt, replaced whole at each change)
// and one WAV per line and try, at most kKeptTries a line, in a folder of the caller's choice.
//
// A folder that is a symbolic link, or where nothing can be written, keeps the scores in memory
// for as long as the store lives, and says so once on stderr; so does a damaged progress file,
// which is read as empty. Thread-safe.
//
// `lesson` names a lesson among all courses (a course folder and its lesson file, say): the
// store only compares it, and never makes a file name of it. `line` is a line's number in it.

inline constexpr int kKeptTries = 3;

struct LessonProgress {
    int practisedLines = 0;
    int averageBest = 0;  // of the practised lines' best scores; 0 without any
};

class PracticeStore {
  public:
    // Reads the progress file of `folder`, which is made when missing.
    explicit PracticeStore(std::string folder, bool keepRecordings = true);

    // With false, no recording is kept from now on, and the ones kept so far are removed.
    void SetKeepRecordings(bool keep);

    // A try of a line, with its score (0 to 100) and recording (16-bit mono at `sampleRate`).
    // Returns the path of the recording kept, empty when none is.
    std::string AddTry(const std::string& lesson, int line, int score,
                       std::span<const std::int16_t> samples, int sampleRate);

    std::optional<int> BestScore(const std::string& lesson, int line) const;
    LessonProgress Progress(const std::string& lesson) const;
    // The recordings of the line's last tries, oldest first.
    std::vector<std::string> Recordings(const std::string& lesson, int line) const;

    // False once the scores are kept in memory only.
    bool Persistent() const;

  private:
    struct Entry {
        int best = 0;
        int tries = 0;
    };
    using Key = std::pair<std::string, int>;

    void Open();
    void GiveUpFolder(const std::string& reason);
    void Save();
    std::string RecordingPath(const Key& key, int tryNumber) const;
    void RemoveRecordings(const Key& key, int upToTry) const;

    mutable std::mutex mutex_;
    const std::string folder_;
    bool keepRecordings_;
    bool persistent_ = true;
    std::map<Key, Entry> entries_;
};

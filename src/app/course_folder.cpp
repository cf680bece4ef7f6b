#include "app/course_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "platform/files/files.h"
#include "platform/log/log.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kCourseIndex = "cntindex.idx";
// A start copies the sample to "<course>.partial.XXXXXX" beside the course; older versions used
// "<course>.partial" alone.
constexpr std::string_view kCopySuffix = ".partial";

std::error_code LastError() {
    return {errno, std::generic_category()};
}

bool IsTaken(std::error_code error) {
    return error == std::errc::file_exists || error == std::errc::directory_not_empty;
}

// Whether the open `fd` is what stands at `path` now.
bool IsAt(int fd, const fs::path& path) {
    struct stat opened;
    struct stat named;
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Moves `from` to `to`, never over anything at `to` (std::errc::file_exists then).
std::error_code MoveNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastError();
    }
    // A file system without that flag: a new link never replaces a name, and a folder replaces
    // at most an empty folder, which holds nothing of the learner's.
    struct stat status;
    if (::lstat(from.c_str(), &status) != 0) {
        return LastError();
    }
    if (S_ISDIR(status.st_mode)) {
        return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return LastError();
    }
    ::unlink(from.c_str());
    return {};
}

bool IsCopyName(std::string_view name, std::string_view course) {
    if (!name.starts_with(course) || !name.substr(course.size()).starts_with(kCopySuffix)) {
        return false;
    }
    const std::string_view unique = name.substr(course.size() + kCopySuffix.size());
    return unique.empty() || (unique.starts_with('.') && IsUniqueNamePart(unique.substr(1)));
}

// Removes the copies of the sample that killed starts left beside `course`. A start holds the
// lock of its copy from its making to its end, so a copy that is locked, or no longer at its
// name once locked, is another start's and is left alone.
void RemoveDeadCopies(const fs::path& course) {
    const std::string name = course.filename().string();
    std::error_code error;
    for (fs::directory_iterator entry(course.parent_path(), error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::path path = entry->path();
        if (!IsCopyName(path.filename().native(), name)) {
            continue;
        }
        const UniqueFd copy(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!copy || ::flock(copy.Get(), LOCK_EX | LOCK_NB) != 0 || !IsAt(copy.Get(), path)) {
            continue;
        }
        std::error_code removed;
        fs::remove_all(path, removed);
        if (removed) {
            LogFileFailure("cannot remove", path.string(), removed);
        }
    }
}

// A whole copy of the sample beside the course, locked for as long as this start fills and
// moves it, and removed with what is left of it at the end.
class SampleCopy {
  public:
    SampleCopy() = default;
    SampleCopy(const SampleCopy&) = delete;
    SampleCopy& operator=(const SampleCopy&) = delete;
    ~SampleCopy() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }

    std::error_code Make(const fs::path& course, const fs::path& sample) {
        // Another start may take the new folder for a dead copy in the moment before it is
        // locked; it is gone then, and a new one is made.
        for (int attempt = 0; attempt < 8; ++attempt) {
            std::string path = course.string() + std::string(kCopySuffix) + ".XXXXXX";
            if (::mkdtemp(path.data()) == nullptr) {
                return LastError();
            }
            UniqueFd lock(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!lock) {
                if (errno == ENOENT) {
                    continue;
                }
                const std::error_code error = LastError();
                ::rmdir(path.c_str());
                return error;
            }
            int locked;
            while ((locked = ::flock(lock.Get(), LOCK_EX)) != 0 && errno == EINTR) {
            }
            if (locked != 0) {
                return LastError();
            }
            if (!IsAt(lock.Get(), path)) {
                continue;
            }
            path_ = path;
            lock_ = std::move(lock);
            std::error_code error;
            fs::copy(sample, path_, fs::copy_options::recursive, error);
            return error;
        }
        return std::make_error_code(std::errc::resource_unavailable_try_again);
    }

    const fs::path& Path() const { return path_; }
    // The copy has become the course as a whole.
    void Release() { path_.clear(); }

  private:
    fs::path path_;
    UniqueFd lock_;  // closed after the removal
};

// Moves into `to` whatever of `from` it lacks, each file or folder whole, never over anything
// there: the learner's settings, opened lesson and own files, and their changes to the course's.
// `last`, when `from` holds it, comes after everything else, so that its presence says the rest
// is there.
std::error_code MoveMissing(const fs::path& from, const fs::path& to, std::string_view last = {}) {
    std::error_code error;
    for (fs::directory_iterator entry(from, error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::path name = entry->path().filename();
        if (!last.empty() && name == last) {
            continue;
        }
        std::error_code ignored;
        const fs::file_status there = fs::symlink_status(to / name, ignored);
        if (!fs::exists(there)) {
            if (const std::error_code moved = MoveNoReplace(entry->path(), to / name);
                moved && !IsTaken(moved)) {
                return moved;
            }
        } else if (fs::is_directory(there) && entry->is_directory(ignored)) {
            if (const std::error_code inner = MoveMissing(entry->path(), to / name)) {
                return inner;
            }
        }
    }
    if (error) {
        return error;
    }
    std::error_code ignored;
    if (!last.empty() && fs::exists(fs::symlink_status(from / last, ignored))) {
        if (const std::error_code moved = MoveNoReplace(from / last, to / last);
            moved && !IsTaken(moved)) {
            return moved;
        }
    }
    return {};
}

// Makes the learner's own course whole: a copy of the sample made aside and moved into place in
// one step, so that starts at the same time never see half a course; or, for a course without
// its index (left so by an older version), what it lacks of the sample.
std::error_code PrepareOwnCourse(const fs::path& folder, const fs::path& sample) {
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    if (error) {
        return error;
    }
    // Copies are made beside where the course really is, on its file system, so that they move.
    const fs::path course = fs::weakly_canonical(folder, error);
    if (error) {
        return error;
    }
    RemoveDeadCopies(course);
    const fs::file_status status = fs::status(course, error);
    if ((fs::exists(status) && !fs::is_directory(status)) ||
        fs::is_regular_file(course / kCourseIndex, error)) {
        return {};
    }
    SampleCopy copy;
    if ((error = copy.Make(course, sample))) {
        return error;
    }
    if (!fs::exists(status)) {
        error = MoveNoReplace(copy.Path(), course);
        if (!error) {
            copy.Release();
            return {};
        }
        if (!IsTaken(error)) {
            return error;
        }
        // Another start was first: its course is whole.
        if (fs::is_regular_file(course / kCourseIndex, error)) {
            return {};
        }
    }
    return MoveMissing(copy.Path(), course, kCourseIndex);
}

// The XDG rule: a relative $XDG_DATA_HOME is invalid and counts as unset; nothing without a home.
std::optional<fs::path> DataHome(const char* xdgDataHome, const char* home) {
    if (xdgDataHome != nullptr && fs::path(xdgDataHome).is_absolute()) {
        return fs::path(xdgDataHome);
    }
    if (home != nullptr && *home != '\0') {
        return fs::path(home) / ".local" / "share";
    }
    return std::nullopt;
}

}  // namespace

CourseFolderChoice ChooseCourseFolder(const std::optional<std::string>& given,
                                      const std::string& current, const char* xdgDataHome,
                                      const char* home) {
    if (given) {
        return {fs::absolute(*given).lexically_normal().string(), false};
    }
    std::error_code error;
    if (fs::is_regular_file(fs::path(current) / kCourseIndex, error)) {
        return {current, false};
    }
    const fs::path data = DataHome(xdgDataHome, home).value_or(fs::path(current) / ".local/share");
    return {(data / "quorvan" / "course").lexically_normal().string(), true};
}

std::string PracticeFolder(const char* xdgDataHome, const char* home) {
    const std::optional<fs::path> data = DataHome(xdgDataHome, home);
    return data ? (*data / "quorvan" / "practice").lexically_normal().string() : std::string();
}

std::error_code PrepareCourseFolder(const CourseFolderChoice& choice,
                                    const std::string& sampleCourse) {
    const fs::path folder(choice.folder);
    if (choice.own) {
        if (const std::error_code error = PrepareOwnCourse(folder, sampleCourse)) {
            return error;
        }
    }
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        return error ? error : std::make_error_code(std::errc::not_a_directory);
    }
    // Write permission alone does not say it: a read-only medium refuses even the owner. The
    // probe has no name where the file system allows, so that a start killed meanwhile leaves
    // nothing behind.
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        std::string probe = (folder / ".quorvan-XXXXXX").string();
        fd = ::mkostemp(probe.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(probe.c_str());
        }
    }
    if (fd < 0) {
        return LastError();
    }
    ::close(fd);
    return {};
}

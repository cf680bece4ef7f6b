#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

// Places in the file system: the current directory, the program's own directories, and the
// backslash-separated names the program uses for files of a course.

// The absolute path of the current directory; empty if it cannot be read (for example when it
// has been removed).
std::string CurrentDirectory();

// Makes a directory current for the lifetime of the object and then restores the previous one,
// also when the scope is left by an exception. The previous directory is held open, so it is
// restored even if it has been renamed meanwhile. When the change fails (missing directory, no
// permission) nothing changes and Changed() is false; callers then go on in the current directory.
// Scopes nest. The current directory belongs to the process, so use this on one thread only.
class ScopedCurrentDirectory {
  public:
    explicit ScopedCurrentDirectory(const std::string& directory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

    bool Changed() const { return previous_ >= 0; }

  private:
    int previous_ = -1;  // descriptor of the directory to go back to, -1 when nothing changed
};

// Turns a name written with backslashes ("W\\bkg.gif", "\\Viseme\\viseme.idx") into a file-system
// path: every backslash becomes '/', and runs of separators become one. A name that begins with a
// backslash names something below the current directory, so that separator is dropped ("\\Viseme\\"
// becomes "Viseme/"; a name of backslashes only becomes "."). A name that begins with '/' is an
// absolute path and stays one, so a directory followed by a backslash name
// ("/home/a/course" "\\Viseme\\") becomes "/home/a/course/Viseme/". A trailing separator is kept.
std::string NativePath(std::string_view designName);

// The directory of the running executable (symbolic links resolved); empty if unknown.
std::string ExecutableDirectory();

// The program's data directory: "<executable directory>/../share/quorvan", normalised. It is the
// same for the build tree (bin/ and share/quorvan/ side by side) and for an installed tree
// (prefix/bin, prefix/share/quorvan). Empty if the executable directory is unknown. The directory
// is not required to exist.
std::string DataDirectory();

// Why a file was refused, beyond what errno can say. Compares equal to nothing in
// std::generic_category(), so callers test for these by value.
enum class FileRefusal {
    kNotRegular = 1,  // a directory, FIFO, device or socket
    kOutsideCourse,   // resolves outside the course folder
    kTooLarge,        // larger than the caller's limit
};
const std::error_category& FileRefusalCategory();
std::error_code make_error_code(FileRefusal refusal);

// What a whole-file read takes at most unless the caller says otherwise.
inline constexpr std::size_t kDefaultReadLimit = std::size_t{64} << 20;

// An open file descriptor that closes itself.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    ~UniqueFd();

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Opens a regular file for reading without ever blocking: a FIFO, a device, a socket or a
// directory is refused (FileRefusal::kNotRegular) before anything is read from it.
std::error_code OpenRegularFile(const std::string& path, UniqueFd& fd);

// The whole content of a regular file of at most `limit` bytes.
std::error_code ReadWholeFile(const std::string& path, std::string& bytes,
                              std::size_t limit = kDefaultReadLimit);

// The course folder: every file a course names must resolve inside it. Set once at start-up;
// until then (and after SetCourseFolder("")) it is the current directory at the time of a call.
void SetCourseFolder(const std::string& folder);
std::string CourseFolder();

// Like OpenRegularFile, for a file that course data names: the name is a backslash name
// (see NativePath()) taken from the current directory, and the file it resolves to, symbolic
// links followed, must lie inside the course folder (FileRefusal::kOutsideCourse otherwise).
std::error_code OpenCourseFile(std::string_view designName, UniqueFd& fd);
std::error_code ReadCourseFile(std::string_view designName, std::string& bytes,
                               std::size_t limit = kDefaultReadLimit);

// Whether `path`, with every link followed, is a regular file inside one of `folders`. For files
// that another component (the page engine) opens by name.
bool IsRegularFileInside(const std::string& path, const std::vector<std::string>& folders);

// Replaces the content of `path` in one step: the bytes go to a new file in the same directory,
// which is synced and renamed over the old name. A symbolic link at `path` is replaced, never
// followed; a replaced regular file keeps its permission bits, a new one gets 0666 less the umask.
// On failure the old file is as it was and no temporary file is left.
std::error_code ReplaceFile(const std::string& path, std::string_view bytes);

// Removes what ReplaceFile(`path`) leaves behind when its process is killed midway: the regular
// files named like `path` plus "." and six letters or digits. Only for a file that no live
// process may be replacing now. A leftover that cannot be removed is logged and stays.
void RemoveReplaceLeftovers(const std::string& path);

// Whether `text` is what mkstemp() and mkdtemp() put in place of "XXXXXX": six letters or digits.
bool IsUniqueNamePart(std::string_view text);

// Takes the lock that keeps a second tutor out of a course folder: an exclusive lock on the file
// `lockName` in `folder`, created if need be, held until `lock` is closed. Another holder gives
// std::errc::resource_unavailable_try_again. A link or special file at that name is not used.
std::error_code LockFolder(const std::string& folder, const std::string& lockName, UniqueFd& lock);

template <>
struct std::is_error_code_enum<FileRefusal> : std::true_type {};

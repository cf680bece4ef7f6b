#include "platform/files/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/log/log.h"

std::string CurrentDirectory() {
    // glibc allocates a buffer of the right size when given none.
    std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
    return path ? std::string(path.get()) : std::string();
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& directory) {
    // Without a handle on the way back, a change could not be undone: then do not change at all.
    const int previous = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (previous < 0) {
        return;
    }
    if (chdir(directory.c_str()) != 0) {
        close(previous);
        return;
    }
    previous_ = previous;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    if (previous_ < 0) {
        return;
    }
    // Nothing sensible can be done in a destructor if the way back is gone.
    [[maybe_unused]] const int restored = fchdir(previous_);
    close(previous_);
}

std::string NativePath(std::string_view designName) {
    std::string path;
    path.reserve(designName.size());
    const bool belowCurrent = !designName.empty() && designName.front() == '\\';
    for (const char c : designName) {
        const bool separator = c == '\\' || c == '/';
        if (separator && (path.empty() ? belowCurrent : path.back() == '/')) {
            continue;
        }
        path.push_back(separator ? '/' : c);
    }
    if (path.empty() && belowCurrent) {
        return ".";
    }
    return path;
}

std::string ExecutableDirectory() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return executable.parent_path().string();
}

std::string DataDirectory() {
    const std::string executableDirectory = ExecutableDirectory();
    if (executableDirectory.empty()) {
        return {};
    }
    return (std::filesystem::path(executableDirectory) / ".." / "share" / "quorvan")
        .lexically_normal()
        .string();
}

namespace {

class FileRefusalCategoryImpl : public std::error_category {
  public:
    const char* name() const noexcept override { return "quorvan-file"; }
    std::string message(int value) const override {
        switch (static_cast<FileRefusal>(value)) {
            case FileRefusal::kNotRegular:
                return "not a regular file";
            case FileRefusal::kOutsideCourse:
                return "outside the course folder";
            case FileRefusal::kTooLarge:
                return "file too large";
        }
        return "refused";
    }
};

std::error_code LastError() {
    return {errno, std::generic_category()};
}

std::string& CourseFolderSetting() {
    static std::string folder;
    return folder;
}

// The real path of an open descriptor, as the kernel resolved it.
std::string PathOfDescriptor(int fd) {
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
    return error ? std::string() : path.string();
}

bool IsInside(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.empty()) {
        return false;
    }
    if (folder == "/") {
        return true;
    }
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

std::error_code ReadAll(int fd, std::string& bytes, std::size_t limit) {
    bytes.clear();
    struct stat info;
    if (::fstat(fd, &info) == 0) {
        if (static_cast<std::uintmax_t>(info.st_size) > limit) {
            return FileRefusal::kTooLarge;
        }
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            // The size seen by fstat can grow while reading: the limit holds for what is read.
            if (bytes.size() + static_cast<std::size_t>(got) > limit) {
                bytes.clear();
                return FileRefusal::kTooLarge;
            }
            bytes.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            return {};
        } else if (errno != EINTR) {
            const std::error_code error = LastError();
            bytes.clear();
            return error;
        }
    }
}

}  // namespace

const std::error_category& FileRefusalCategory() {
    static const FileRefusalCategoryImpl kCategory;
    return kCategory;
}

std::error_code make_error_code(FileRefusal refusal) {
    return {static_cast<int>(refusal), FileRefusalCategory()};
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

namespace {

// Opens `path` with `flags` plus O_NONBLOCK (opening a FIFO would otherwise wait for its other end
// forever) and refuses anything but a regular file.
std::error_code OpenIfRegular(const std::string& path, int flags, UniqueFd& fd) {
    UniqueFd opened(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (!opened) {
        return LastError();
    }
    struct stat info;
    if (::fstat(opened.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return FileRefusal::kNotRegular;
    }
    fd = std::move(opened);
    return {};
}

}  // namespace

std::error_code OpenRegularFile(const std::string& path, UniqueFd& fd) {
    UniqueFd opened;
    if (const std::error_code error = OpenIfRegular(path, O_RDONLY, opened)) {
        return error;
    }
    // Reads from a regular file never block; clear the flag so callers see an ordinary descriptor.
    const int flags = ::fcntl(opened.Get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(opened.Get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    fd = std::move(opened);
    return {};
}

std::error_code ReadWholeFile(const std::string& path, std::string& bytes, std::size_t limit) {
    UniqueFd fd;
    if (const std::error_code error = OpenRegularFile(path, fd)) {
        bytes.clear();
        return error;
    }
    return ReadAll(fd.Get(), bytes, limit);
}

void SetCourseFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(folder, error);
    CourseFolderSetting() = folder.empty() || error ? std::string() : real.string();
}

std::string CourseFolder() {
    if (!CourseFolderSetting().empty()) {
        return CourseFolderSetting();
    }
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(CurrentDirectory(), error);
    return error ? std::string() : real.string();
}

std::error_code OpenCourseFile(std::string_view designName, UniqueFd& fd) {
    const std::string path = NativePath(designName);
    if (path.empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    UniqueFd opened;
    if (const std::error_code error = OpenRegularFile(path, opened)) {
        return error;
    }
    // Checked on what was opened, after every link was followed, so no name can reach out.
    if (!IsInside(PathOfDescriptor(opened.Get()), CourseFolder())) {
        return FileRefusal::kOutsideCourse;
    }
    fd = std::move(opened);
    return {};
}

std::error_code ReadCourseFile(std::string_view designName, std::string& bytes, std::size_t limit) {
    UniqueFd fd;
    if (const std::error_code error = OpenCourseFile(designName, fd)) {
        bytes.clear();
        return error;
    }
    return ReadAll(fd.Get(), bytes, limit);
}

bool IsRegularFileInside(const std::string& path, const std::vector<std::string>& folders) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    struct stat info;
    if (error || ::stat(real.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    for (const std::string& folder : folders) {
        const std::filesystem::path realFolder = std::filesystem::canonical(folder, error);
        if (!error && IsInside(real.string(), realFolder.string())) {
            return true;
        }
    }
    return false;
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno != EINTR) {
            return false;
        }
        if (put > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(put));
        }
    }
    return true;
}

// A link's target is not ours to copy permissions from: only a regular file at the name counts.
mode_t ModeFor(const std::string& path) {
    struct stat existing;
    if (::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        return existing.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Makes the rename itself durable. The new file is in place already, so this cannot fail the write.
void SyncDirectoryOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const int fd =
        ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::error_code ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return LastError();
    }
    std::error_code error;
    if (::fchmod(fd, ModeFor(path)) != 0 || !WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        error = LastError();
    }
    if (::close(fd) != 0 && !error) {
        error = LastError();
    }
    // rename() replaces a link at `path` itself; the file it pointed to is never written.
    if (!error && ::rename(temp.c_str(), path.c_str()) == 0) {
        SyncDirectoryOf(path);
        return {};
    }
    if (!error) {
        error = LastError();
    }
    ::unlink(temp.c_str());
    return error;
}

bool IsUniqueNamePart(std::string_view text) {
    return text.size() == 6 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

void RemoveReplaceLeftovers(const std::string& path) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string prefix = target.filename().string() + ".";
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code ignored;
        if (!name.starts_with(prefix) || !IsUniqueNamePart(name.substr(prefix.size())) ||
            !std::filesystem::is_regular_file(entry->symlink_status(ignored))) {
            continue;
        }
        std::error_code removed;
        std::filesystem::remove(entry->path(), removed);
        if (removed) {
            LogFileFailure("cannot remove", entry->path().string(), removed);
        }
    }
}

std::error_code LockFolder(const std::string& folder, const std::string& lockName, UniqueFd& lock) {
    const std::string path = (std::filesystem::path(folder) / lockName).string();
    UniqueFd opened;
    if (const std::error_code error = OpenIfRegular(path, O_RDWR | O_CREAT | O_NOFOLLOW, opened)) {
        return error;
    }
    if (::flock(opened.Get(), LOCK_EX | LOCK_NB) != 0) {
        return LastError();
    }
    lock = std::move(opened);
    return {};
}

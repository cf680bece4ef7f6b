#include "platform/files/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

std::string CurrentDirectory() {
    // glibc allocates a buffer of the right size when given none.
    std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
    return path ? std::string(path.get()) : std::string();
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& directory) {
    // Without a handle on the way back, a change could not be undone: then do not change at all.
    const int previous = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (previous < 0)
        return;
    if (chdir(directory.c_str()) != 0) {
        close(previous);
        return;
    }
    previous_ = previous;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    if (previous_ < 0)
        return;
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
        if (separator && (path.empty() ? belowCurrent : path.back() == '/'))
            continue;
        path.push_back(separator ? '/' : c);
    }
    if (path.empty() && belowCurrent)
        return ".";
    return path;
}

std::string ExecutableDirectory() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return executable.parent_path().string();
}

std::string DataDirectory() {
    const std::string executableDirectory = ExecutableDirectory();
    if (executableDirectory.empty())
        return {};
    return (std::filesystem::path(executableDirectory) / ".." / "share" / "quorvan")
        .lexically_normal()
        .string();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno != EINTR)
            return false;
        if (put > 0)
            bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

mode_t ModeFor(const std::string& path) {
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0)
        return existing.st_mode & 07777;
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

bool ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, ModeFor(path)) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) {
        SyncDirectoryOf(path);
        return true;
    }
    if (ok)
        error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return false;
}

#include "platform/files/files.h"

#include <fcntl.h>
#include <unistd.h>

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

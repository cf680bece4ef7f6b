#pragma once

// The file handling that quorvan-pack and quorvan-unpack share: both read one file whole,
// transform it in memory and write the result to another file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace file_tool {

struct Failure {
    std::string message;
};

inline Failure SystemFailure(const char* what, const std::string& path, int error) {
    return Failure{std::string(what) + " '" + path + "': " + std::strerror(error)};
}

inline std::string ReadWhole(const std::string& path, struct stat& info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        throw SystemFailure("cannot open", path, error);
    }
    std::string data;
    if (S_ISREG(info.st_mode)) {
        data.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            throw SystemFailure("cannot read", path, error);
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return data;
}

// Writing over the input would destroy it before it is fully used, whatever path names it.
inline void RefuseSameFile(const std::string& output, const struct stat& input) {
    struct stat info;
    if (::stat(output.c_str(), &info) == 0 && info.st_dev == input.st_dev &&
        info.st_ino == input.st_ino) {
        throw Failure{"output '" + output + "' is the input file"};
    }
}

// Writes a temporary file beside the output and renames it into place, so the output is either the
// complete new content or left as it was. A replaced file keeps its permission bits.
inline void WriteReplacing(const std::string& path, std::string_view data) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = dir + "." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        throw SystemFailure("cannot write", path, errno);
    }
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw SystemFailure("cannot write", path, error);
    };
    mode_t mode;
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) {
        fail(errno);
    }
    while (!data.empty()) {
        const ssize_t put = ::write(fd, data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno);
        }
        data.remove_prefix(static_cast<std::size_t>(put));
    }
    if (::fsync(fd) != 0) {
        fail(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw SystemFailure("cannot write", path, error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw SystemFailure("cannot write", path, error);
    }
}

// Runs "NAME INPUT OUTPUT": exit status 0 on success, 1 when a file fails, 2 on wrong usage.
inline int Run(int argc, char** argv, const char* name, const char* purpose,
               const std::function<std::string(const std::string&)>& transform) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT\n%s\n", name, purpose);
        return 2;
    }
    const std::string input = argv[1];
    const std::string output = argv[2];
    try {
        struct stat inputInfo;
        const std::string data = ReadWhole(input, inputInfo);
        RefuseSameFile(output, inputInfo);
        WriteReplacing(output, transform(data));
        return 0;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s: %s\n", name, failure.message.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s: %s\n", name, input.c_str(), error.what());
    }
    return 1;
}

}  // namespace file_tool

#pragma once

// The file handling the authoring tools share: reading one file whole, refusing outputs that are
// not what the tool would replace, and writing a result in one step.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/files/files.h"

namespace file_tool {

struct Failure {
    std::string message;
};

inline Failure SystemFailure(const char* what, const std::string& path, std::error_code error) {
    return Failure{std::string(what) + " '" + path + "': " + error.message()};
}

inline Failure SystemFailure(const char* what, const std::string& path, int error) {
    return SystemFailure(what, path, std::error_code(error, std::generic_category()));
}

inline std::string ReadWhole(const std::string& path) {
    std::string data;
    if (const std::error_code error = ReadWholeFile(path, data)) {
        throw SystemFailure("cannot read", path, error);
    }
    return data;
}

// What `path` names itself, links not followed, in words; empty when nothing is there (or when
// it cannot be looked at, which the write that follows then reports).
inline std::string KindOf(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return {};
    }
    if (S_ISREG(info.st_mode)) {
        return "a regular file";
    }
    if (S_ISDIR(info.st_mode)) {
        return "a folder";
    }
    if (S_ISLNK(info.st_mode)) {
        return "a symbolic link";
    }
    if (S_ISFIFO(info.st_mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(info.st_mode)) {
        return "a socket";
    }
    return "a device";
}

// Replacing a device, a FIFO, a link or a folder by a file is never what an author wants, and
// writing into one (as /dev/null) would report success for output that went nowhere.
inline void RefuseOutputUnless(const std::string& output, const std::string& wanted) {
    const std::string kind = KindOf(output);
    if (!kind.empty() && kind != wanted) {
        throw Failure{"output '" + output + "' is " + kind + ", not " + wanted};
    }
}

// Writing over the input would destroy it before it is fully used, whatever path names it.
inline void RefuseSameFile(const std::string& output, const std::string& input) {
    struct stat in, out;
    if (::stat(input.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 &&
        in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        throw Failure{"output '" + output + "' is the input file"};
    }
}

// The output is either the complete new content or left as it was.
inline void WriteReplacing(const std::string& path, std::string_view data) {
    if (const std::error_code error = ReplaceFile(path, data)) {
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
        RefuseSameFile(output, input);
        RefuseOutputUnless(output, "a regular file");
        const std::string data = ReadWhole(input);
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

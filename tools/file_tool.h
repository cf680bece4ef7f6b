#pragma once

// The file handling that quorvan-pack and quorvan-unpack share: both read one file whole,
// transform it in memory and write the result to another file.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files/files.h"

namespace file_tool {

struct Failure {
    std::string message;
};

inline Failure SystemFailure(const char* what, const std::string& path, int error) {
    return Failure{std::string(what) + " '" + path + "': " + std::strerror(error)};
}

inline std::string ReadWhole(const std::string& path) {
    std::optional<std::string> data = ReadWholeFile(path);
    if (!data)
        throw SystemFailure("cannot read", path, errno);
    return std::move(*data);
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
    if (!ReplaceFile(path, data))
        throw SystemFailure("cannot write", path, errno);
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
        const std::string data = ReadWhole(input);
        RefuseSameFile(output, input);
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

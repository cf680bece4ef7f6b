#include "platform/log/log.h"

#include <cstdio>
#include <string>

void LogLine(std::string_view text) {
    // One write per line, so that lines of two processes sharing a terminal do not interleave.
    std::string line = "quorvan: ";
    line.append(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void LogFileFailure(std::string_view what, std::string_view file, std::error_code reason) {
    std::string text(what);
    text.push_back(' ');
    text.append(file);
    text.append(": ");
    text.append(reason.message());
    LogLine(text);
}

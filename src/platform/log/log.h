#pragma once

#include <string_view>
#include <system_error>

// The program's log: one line on stderr per failure that the learner is not shown, so that a
// course author or a bug report can still say why something was left out.

// Writes "quorvan: <what> <file>: <reason>", for example
// "quorvan: cannot write tcnt.tmp: No space left on device".
void LogFileFailure(std::string_view what, std::string_view file, std::error_code reason);

// Writes "quorvan: <text>".
void LogLine(std::string_view text);

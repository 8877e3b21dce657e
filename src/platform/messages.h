// The program's own messages: single lines on standard output.
//
// Every "Error in <Type>.<operation>: <reason>" line is built by `errorLine`, so the format cannot drift
// between callers. Lines are written with one stdio call each, so lines from concurrent requests never
// interleave inside a line.
#pragma once

#include <string>
#include <string_view>

namespace rw {

/// Writes `line` and a line break to standard output and flushes.
void printLine(std::string_view line);

/// "Error in " + type + "." + operation + ": " + reason.
std::string errorLine(std::string_view type, std::string_view operation, std::string_view reason);

/// Prints `errorLine(type, operation, reason)`.
void reportError(std::string_view type, std::string_view operation, std::string_view reason);

}  // namespace rw

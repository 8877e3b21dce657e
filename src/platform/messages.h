// The program's own messages: single lines on standard output.
//
// Every "Error in <Type>.<operation>: <reason>" line is built by `errorLine`, so the format cannot drift
// between callers. Lines are written with one stdio call each, so lines from concurrent requests never
// interleave inside a line. A line may carry text from the payload file (a colour text); its control
// characters are escaped, so one line stays one line and a terminal shows it as text.
#pragma once

#include <string>
#include <string_view>

namespace rw {

/// Writes `printable(line)` and a line break to standard output (or standard error, see below) and flushes.
void printLine(std::string_view line);

/// Sends the lines of `printLine` to standard error from now on, for a command whose standard output is an
/// answer another program reads (JSON, a URL). Call it before any thread prints.
void sendLinesToStandardError();

/// `text` with every control character (C0, DEL, C1) written as an escape ("\n", "\t", "\r", "\x1b",
/// "\u009B") and each byte that is not part of valid UTF-8 as "\xHH": text to show on one line of a
/// terminal, which it can neither break nor command. All other text, backslashes included, stays as it is,
/// so a line without control characters is printed unchanged.
std::string printable(std::string_view text);

/// "Error in " + type + "." + operation + ": " + reason.
std::string errorLine(std::string_view type, std::string_view operation, std::string_view reason);

/// Prints `errorLine(type, operation, reason)`.
void reportError(std::string_view type, std::string_view operation, std::string_view reason);

}  // namespace rw

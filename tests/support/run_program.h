// Runs build/reminders-widget as a user would, in an environment cleared of the variables it reads.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace rw::testing {

struct Ran {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

/// `text` as one shell word.
inline std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text)
    q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

/// Runs `program` with `args`, without TZ, the locale variables and the program's own variables, plus
/// `environment` ("NAME=value" items).
inline Ran runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment = {}) {
  TemporaryDirectory scratch;
  const auto errFile = scratch.path() / "stderr";
  std::string command =
      "env -u TZ -u LANG -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u REMINDERS_WIDGET_CONTAINER "
      "-u REMINDERS_WIDGET_STRINGS";
  for (const auto& item : environment)
    command += " " + quoted(item);
  command += " " + quoted(program);
  for (const auto& arg : args)
    command += " " + quoted(arg);
  command += " 2>" + quoted(errFile.string());
  Ran result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = readFile(errFile);
  return result;
}

/// `args`, then the options of a request at `now` in UTC on the payload in `container`.
inline std::vector<std::string> requestAt(std::vector<std::string> args, const std::string& container,
                                          const std::string& now) {
  args.insert(args.end(), {"--container", container, "--now", now, "--time-zone", "UTC"});
  return args;
}

/// Runs build/reminders-widget as `runProgram` does.
inline Ran run(const std::vector<std::string>& args, const std::vector<std::string>& environment = {}) {
  return runProgram(RW_WIDGET_EXECUTABLE, args, environment);
}

}  // namespace rw::testing

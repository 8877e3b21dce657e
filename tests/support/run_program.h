// Runs build/reminders-widget as a user would, in an environment cleared of the variables it reads.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/test_support.h"

namespace rw::testing {

struct Ran {
  int status = -1;  // exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

/// Runs `program` with `args`, without TZ, the locale variables and the program's own variables, plus
/// `environment` ("NAME=value" items).
inline Ran runProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment = {}) {
  const std::regex cleared("(TZ|LANG|LANGUAGE|LC_ALL|LC_MESSAGES|REMINDERS_WIDGET_(CONTAINER|STRINGS))=.*");
  std::vector<std::string> argv{program}, env;
  argv.insert(argv.end(), args.begin(), args.end());
  for (char** item = environ; *item != nullptr; ++item)
    if (!std::regex_match(*item, cleared)) env.emplace_back(*item);
  env.insert(env.end(), environment.begin(), environment.end());
  const TemporaryDirectory scratch;
  return {Child(argv, env, scratch.path() / "out").wait(std::chrono::minutes(5)),
          readFile(scratch.path() / "out"), readFile(scratch.path() / "out.err")};
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

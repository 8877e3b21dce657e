// The commands of build/reminders-widget. Each group registers its subcommands on the application; a
// command ends with an exit status by returning normally (0) or by throwing `Exit` or `UsageError`.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace rw::app {

/// Ends the program with `status` after the command has printed what it had to say.
struct Exit {
  int status;
};

/// A command line the command cannot use: main prints the message as one line on stderr, exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// Writes "reminders-widget: " and `reason` as one line on standard error: how every command reports a
/// problem that is not one of the system's own stdout lines.
inline void printProblem(std::string_view reason) {
  std::fprintf(stderr, "reminders-widget: %.*s\n", static_cast<int>(reason.size()), reason.data());
}

/// Reports `failure` and ends the program with exit status 1.
[[noreturn]] inline void exitWith(const Failure& failure) {
  printProblem(failure.where.empty() ? failure.reason : failure.where + ": " + failure.reason);
  throw Exit{1};
}

/// Ends a drawing command (`Exit{1}`) with one line on stderr naming the colours file when the widget's
/// colours cannot be read: without them the background and avatars would draw clear and the text be
/// invisible. (widget_host.cpp)
void requireColors();

/// payload, payload encode.
void addPayloadCommands(CLI::App& app);
/// placeholder, snapshot, timeline.
void addRequestCommands(CLI::App& app);
/// The one of them named `name` (none when it names another command).
void addRequestCommand(CLI::App& app, std::string_view name);
/// draw: any element tree to an image.
void addDrawCommands(CLI::App& app);
/// render, gallery, tap, describe: the declared widget (`RemindersWidget`) drawn, tapped and described.
void addRenderCommands(CLI::App& app);
/// host: the long-running host of the declared widget.
void addHostCommand(CLI::App& app);

}  // namespace rw::app

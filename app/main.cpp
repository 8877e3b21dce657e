// build/reminders-widget: the command-line host of the reminders widget.
//
// The program is two executables. `reminders-widget` answers the requests a widget host makes often and
// wants at once (payload, placeholder, snapshot, timeline); it links no drawing library, so it starts in
// about the time the system needs to start any process. Every other command line (draw, render, gallery,
// tap, describe, host, --help, mistakes) is handed over whole to `reminders-widget-drawing` beside it,
// which is built from this same file with RW_DRAWING_COMMANDS and knows every command. Users only ever
// call `reminders-widget`; the hand-over is an exec, so the helper keeps the process, its signals and
// its exit status.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "commands.h"
#include "platform/data_files.h"

namespace {

#ifndef RW_DRAWING_COMMANDS
// The commands this executable answers itself; the first argument names the command, as the top-level
// application takes no options of its own.
bool answersHere(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string_view command = argv[1];
  return command == "payload" || command == "placeholder" || command == "snapshot" || command == "timeline";
}

// Replaces this process with the drawing commands' executable: installed, it lies in
// <prefix>/libexec/reminders-widget/ (this one in <prefix>/bin/); in the build tree, next to this one.
// Returns only when that cannot be done, with the exit status to end with.
int handOverToDrawingCommands(char** argv) {
  std::filesystem::path directory = rw::executableDirectory();
  if (directory.empty()) directory = std::filesystem::path(argv[0]).parent_path();
  const std::filesystem::path candidates[] = {
      directory / "../libexec/reminders-widget/reminders-widget-drawing",
      directory / "reminders-widget-drawing",
  };
  int firstError = 0;
  for (const auto& helper : candidates) {
    ::execv(helper.c_str(), argv);
    if (firstError == 0 || firstError == ENOENT) firstError = errno;
  }
  rw::app::printProblem("cannot run " + candidates[1].string() + " or " +
                        candidates[0].lexically_normal().string() + ": " + std::strerror(firstError));
  return 127;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifndef RW_DRAWING_COMMANDS
  if (!answersHere(argc, argv)) return handOverToDrawingCommands(argv);
#endif
  CLI::App app{
      "Reminders widget: reads reminders.plist from the shared container, answers the widget host's\n"
      "requests and draws the widget.",
      "reminders-widget"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "reminders-widget " RW_VERSION, "Print the version and exit");
#ifdef RW_DRAWING_COMMANDS
  rw::app::addPayloadCommands(app);
  rw::app::addRequestCommands(app);
  rw::app::addDrawCommands(app);
  // The widget this program declares, registered with the command-line host.
  rw::app::addRenderCommands(app);
  rw::app::addHostCommand(app);
#else
  // Only the command asked for: the others would be set up for nothing, at every request. The top-level
  // help and any other first argument are the drawing executable's, so nothing else is ever listed here.
  if (std::string_view(argv[1]) == "payload")
    rw::app::addPayloadCommands(app);
  else
    rw::app::addRequestCommand(app, argv[1]);
#endif

  try {
#ifdef RW_DRAWING_COMMANDS
    // A first word that names no command is the mistake to report, rather than the missing command.
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](CLI::App* command) { return command->check_name(argv[1]); }).empty())
      throw rw::app::UsageError(std::string("unknown command '") + argv[1] + "' (see --help)");
#endif
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    rw::app::printProblem(std::string(e.what()) + " (see --help)");
    return 2;
  } catch (const rw::app::UsageError& e) {
    rw::app::printProblem(e.what());
    return 2;
  } catch (const rw::app::Exit& e) {
    std::fflush(stdout);
    return e.status;
  } catch (const std::system_error& e) {
    // The system refused what a command needs to run at all (a timer, a watch, a descriptor).
    std::fflush(stdout);
    rw::app::printProblem(e.what());
    return 1;
  }
  return 0;
}

// build/reminders-widget: the command-line host of the reminders widget.
#include <cstdio>
#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{
      "Reminders widget: reads reminders.plist from the shared container, answers the widget host's\n"
      "requests and draws the widget.",
      "reminders-widget"};
  app.require_subcommand(1);
  rw::app::addPayloadCommands(app);
  rw::app::addRequestCommands(app);
  rw::app::addDrawCommands(app);
  // The widget this program declares, registered with the command-line host.
  rw::app::addRenderCommands(app);
  rw::app::addHostCommand(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "reminders-widget: " << e.what() << " (see --help)\n";
    return 2;
  } catch (const rw::app::UsageError& e) {
    std::cerr << "reminders-widget: " << e.what() << "\n";
    return 2;
  } catch (const rw::app::Exit& e) {
    std::fflush(stdout);
    return e.status;
  }
  return 0;
}

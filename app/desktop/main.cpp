// build/reminders-widget-desktop: the reminders widget in a window on the desktop.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "desktop_window.h"

int main(int argc, char** argv) {
  CLI::App app{
      "Reminders widget on the desktop: shows the widget in a window, reading reminders.plist from the\n"
      "shared container. Left click opens the reminder under the pointer, right click offers size, reload\n"
      "and quit; SIGHUP reloads.",
      "reminders-widget-desktop"};
  rw::app::desktop::DesktopOptions options;
  std::string position;
  rw::app::desktop::addDesktopOptions(app, options, position);
  try {
    app.parse(argc, argv);
    rw::app::desktop::validate(options, position);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "reminders-widget-desktop: " << e.what() << " (see --help)\n";
    return 2;
  } catch (const rw::app::UsageError& e) {
    std::cerr << "reminders-widget-desktop: " << e.what() << "\n";
    return 2;
  }
  return rw::app::desktop::runDesktopHost(options);
}

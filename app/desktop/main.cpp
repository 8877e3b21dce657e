// build/reminders-widget-desktop: the reminders widget in a window on the desktop.
#include <glib.h>

#include <cstdio>
#include <iostream>
#include <system_error>

#include "commands.h"
#include "desktop_window.h"

int main(int argc, char** argv) {
  CLI::App app{
      "Reminders widget on the desktop: shows the widget in a window, reading reminders.plist from the\n"
      "shared container. Left click opens the reminder under the pointer, dragging moves the widget, right\n"
      "click offers size, place, start at login, more widgets, reload and quit; SIGHUP reloads. Each widget\n"
      "(--instance) keeps its choices in $XDG_CONFIG_HOME/reminders-widget/NAME.ini.",
      "reminders-widget-desktop"};
  rw::app::desktop::DesktopOptions options;
  std::string position;
  rw::app::desktop::addDesktopOptions(app, options, position);
  app.set_version_flag("--version", "reminders-widget-desktop " RW_VERSION, "Print the version and exit");
  try {
    app.parse(argc, argv);
    rw::app::desktop::validate(app, options, position);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "reminders-widget-desktop: " << e.what() << " (see --help)\n";
    return 2;
  } catch (const rw::app::UsageError& e) {
    std::cerr << "reminders-widget-desktop: " << e.what() << "\n";
    return 2;
  } catch (const rw::app::Exit& e) {
    return e.status;
  }
  // The desktop knows the window by this id (X11 WM_CLASS, Wayland app_id): it is the name of the desktop
  // entry and of the icon, so the window shows with its menu entry and icon.
  g_set_prgname(RW_APPLICATION_ID);
  g_set_application_name("Reminders Widget");
  try {
    return rw::app::desktop::runDesktopHost(options);
  } catch (const std::system_error& e) {
    // The system refused the window's timers, watches or descriptors.
    std::cerr << "reminders-widget-desktop: " << e.what() << "\n";
    return 1;
  }
}

// build/reminders-widget-desktop: the declared widget in an undecorated GTK 4 window on the desktop.
//
// The window asks the provider for a timeline and shows the entry of the moment, drawn by the same layout
// and renderer as the command line's `render`, at the window's scale factor. When it shows which entry,
// and when it asks again, is `runTimelineHost` (widget/host_schedule.h), driven by GLib's main loop. The
// system's events are `host`'s own (`SystemEvents`, system_events.h), their descriptor a source of that
// loop: a real-time timer that also notices the wall clock being set, SIGHUP (reload), SIGTERM and SIGINT
// (end), the container's files (reminders.plist written, renamed or removed; the container made later,
// however many directories above it are missing at start) and, when the zone comes from the system,
// /etc/localtime and /etc/timezone. Nothing is kept between requests but the window and the timeline the
// provider answered: every request reads the payload afresh.
//
// A left click opens the link under the pointer (a row's own link, else "corvantis2://reminders")
// through the desktop's default handler for its scheme (GIO), only for the schemes `isOpenableLink`
// allows; pressing and dragging moves the window. A right click opens a menu: the four sizes, the window's
// place on the desktop (every workspace, below other windows, out of the task bar, part of the
// desktop), start at login, a new widget, removing this one, Reload and Quit. The keyboard and screen
// readers reach the same links, the counts and the texts through invisible widgets over the drawing
// (desktop_access.h).
//
// Each widget is an instance of the application (GtkApplication, one process each) with a name
// (--instance), which keeps its choices and its place in a settings file (desktop_settings.h) and owns a
// D-Bus name of its own: a second start of the same widget shows the running one, and the menu's actions
// are the application's actions on the session bus (org.gtk.Actions).
//
// Standard output gets one line per request (`requestLine`), "Window 0x<XID> at X,Y" once the window is
// placed on X11, "Showing entry N at scale S" each time an entry reaches the screen, and "Opening URL"
// for each link handed to the desktop; problems go to standard error.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "desktop_model.h"
#include "desktop_settings.h"
#include "widget_host.h"

namespace rw::app::desktop {

struct DesktopOptions {
  /// The request options (--family takes the desktop's names too), --os-version and --mode. A --now
  /// freezes the clock: the window shows the entry of that instant until a reload, a changed payload or
  /// the menu asks again.
  WidgetOptions widget;
  std::optional<WindowPosition> position;
  /// Keep the window below other windows (X11: _NET_WM_STATE_BELOW), as a widget on the desktop.
  bool below = false;
  std::string instance{kDefaultInstance};
  /// The widget's saved settings with the options given on the command line over them: what the window
  /// starts with and keeps.
  DesktopSettings settings;
};

/// Adds the desktop host's options to `app`; `validate` (run after parsing) checks the instance name,
/// reads the instance's settings for the options `app` was not given, resolves the family's desktop name
/// and the position, throwing `UsageError` for one it cannot use.
void addDesktopOptions(CLI::App& app, DesktopOptions& options, std::string& position);
void validate(const CLI::App& app, DesktopOptions& options, const std::string& position);

/// Opens the window and runs until it is closed, the menu's Quit or Remove, SIGTERM or SIGINT. Returns the
/// exit status: 0 (also when the widget already runs: that one is shown), or 1 when no display could be
/// opened.
int runDesktopHost(const DesktopOptions& options);

}  // namespace rw::app::desktop

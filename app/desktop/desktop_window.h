// build/reminders-widget-desktop: the declared widget in an undecorated GTK 4 window on the desktop.
//
// The window asks the provider for a timeline and shows the entry of the moment, drawn by the same layout
// and renderer as the command line's `render`, at the window's scale factor. When it shows which entry,
// and when it asks again, is `runTimelineHost` (widget/host_schedule.h), driven by GLib's main loop: a
// real-time timer that also notices the wall clock being set, SIGHUP (reload), SIGTERM and SIGINT (end), a
// file monitor on the container (reminders.plist written, renamed or removed) and, when the zone comes
// from the system, on /etc/localtime and /etc/timezone. Nothing is kept between requests but the window
// and the timeline the provider answered: every request reads the payload afresh.
//
// A left click opens the link under the pointer (a row's own link, else "corvantis2://reminders")
// through the desktop's default handler for its scheme (GIO), only for the schemes `isOpenableLink`
// allows. A right click opens a menu: the four sizes, Reload and Quit. The keyboard and screen readers
// reach the same links, the counts and the texts through invisible widgets over the drawing
// (desktop_access.h).
//
// Standard output gets one line per request (`requestLine`), "Window 0x<XID> at X,Y" once the window is
// placed on X11, "Showing entry N at scale S" each time an entry reaches the screen, and "Opening URL"
// for each link handed to the desktop; problems go to standard error.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "desktop_model.h"
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
};

/// Adds the desktop host's options to `app`; `validate` (run after parsing) resolves the family's desktop
/// name and the position, throwing `UsageError` for one it cannot use.
void addDesktopOptions(CLI::App& app, DesktopOptions& options, std::string& position);
void validate(DesktopOptions& options, const std::string& position);

/// Opens the window and runs until it is closed, the menu's Quit, SIGTERM or SIGINT. Returns the exit
/// status: 0, or 1 when no display could be opened.
int runDesktopHost(const DesktopOptions& options);

}  // namespace rw::app::desktop

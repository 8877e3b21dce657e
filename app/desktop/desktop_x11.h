// The X11 side of a desktop widget's window: where it is, moving it, and the window manager hints (EWMH)
// that make it a widget rather than an application window. GDK 4 offers none of these for a toplevel, so
// they are Xlib requests on its surface. On any other display (Wayland) each call does nothing, and the
// answers are empty: there the compositor decides.
#pragma once

#include <gdk/gdk.h>

#include <optional>

#include "desktop_model.h"

namespace rw::app::desktop {

/// The window choices the menu offers (DesktopSettings keeps them).
struct WindowChoices {
  bool everyWorkspace = true;
  bool below = true;
  bool skipTaskbar = true;
  bool withDesktop = true;
  friend bool operator==(const WindowChoices&, const WindowChoices&) = default;
};

/// Whether `surface` is an X11 window (built with GDK's X11 backend and running on it).
[[nodiscard]] bool isX11(GdkSurface* surface);
/// The window's X id, 0 elsewhere.
[[nodiscard]] unsigned long x11WindowId(GdkSurface* surface);

/// Before the window is mapped: its type, which the window manager reads once, when it maps the window.
void setX11WindowType(GdkSurface* surface, const WindowChoices& choices);
/// Once mapped: the states (every workspace, below, skip task bar and pager), asked of the window manager
/// and written to the window for a display without one.
void applyX11States(GdkSurface* surface, const WindowChoices& choices);

/// Moves the window's top left corner to `position` (root window pixels).
void moveX11Window(GdkSurface* surface, WindowPosition position);
/// Where the window's top left corner is, and where the pointer is, in root window pixels.
[[nodiscard]] std::optional<WindowPosition> x11WindowPosition(GdkSurface* surface);
[[nodiscard]] std::optional<WindowPosition> x11PointerPosition(GdkSurface* surface);

}  // namespace rw::app::desktop

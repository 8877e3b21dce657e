#include "desktop_x11.h"

#include <algorithm>
#include <vector>

// Last: Xlib's macros (None, Bool, Status...) would clash with the names above.
#if defined(RW_DESKTOP_X11)
#include <X11/Xatom.h>
#include <gdk/x11/gdkx.h>
#endif

namespace rw::app::desktop {

#if defined(RW_DESKTOP_X11) && defined(GDK_WINDOWING_X11)

namespace {

Display* displayOf(GdkSurface* surface) {
  return gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
}

Atom atom(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

// A request to the window manager about a mapped window, as EWMH has clients send them.
void sendToWindowManager(Display* display, Window window, Atom type, std::initializer_list<long> data) {
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = window;
  message.xclient.message_type = type;
  message.xclient.format = 32;
  std::copy(data.begin(), data.end(), message.xclient.data.l);
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask,
             &message);
}

}  // namespace

bool isX11(GdkSurface* surface) {
  return surface != nullptr && GDK_IS_X11_SURFACE(surface);
}

unsigned long x11WindowId(GdkSurface* surface) {
  return isX11(surface) ? gdk_x11_surface_get_xid(surface) : 0;
}

void setX11WindowType(GdkSurface* surface, const WindowChoices& choices) {
  if (!isX11(surface)) return;
  Display* display = displayOf(surface);
  // A dock, because that is the one type the window managers agree on for something that belongs to the
  // desktop and is not an application window: "show desktop" leaves docks (and the desktop itself) on the
  // screen, the task bar, pager and window switchers list none, and with _NET_WM_STATE_BELOW a dock stays
  // under application windows. The desktop type would be put under the file manager's desktop window (and
  // some managers size it to the screen); a utility window is hidden with the others by "show desktop".
  // Window managers do not move docks themselves, so the widget moves its own window when dragged.
  // Without the choice the window is a normal one, which the window manager moves and focuses as usual.
  const Atom type =
      atom(display, choices.withDesktop ? "_NET_WM_WINDOW_TYPE_DOCK" : "_NET_WM_WINDOW_TYPE_NORMAL");
  XChangeProperty(display, gdk_x11_surface_get_xid(surface), atom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM,
                  32, PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
  XFlush(display);
}

void applyX11States(GdkSurface* surface, const WindowChoices& choices) {
  if (!isX11(surface)) return;
  Display* display = displayOf(surface);
  const Window window = gdk_x11_surface_get_xid(surface);
  // GDK keeps these two and writes them again whenever it maps the window.
  gdk_x11_surface_set_skip_taskbar_hint(surface, choices.skipTaskbar ? TRUE : FALSE);
  gdk_x11_surface_set_skip_pager_hint(surface, choices.skipTaskbar ? TRUE : FALSE);

  const std::pair<Atom, bool> states[] = {
      {atom(display, "_NET_WM_STATE_STICKY"), choices.everyWorkspace},
      {atom(display, "_NET_WM_STATE_BELOW"), choices.below},
      {atom(display, "_NET_WM_STATE_SKIP_TASKBAR"), choices.skipTaskbar},
      {atom(display, "_NET_WM_STATE_SKIP_PAGER"), choices.skipTaskbar},
  };
  const Atom netWmState = atom(display, "_NET_WM_STATE");
  for (const auto& [state, on] : states)
    sendToWindowManager(display, window, netWmState, {on ? 1 : 0, static_cast<long>(state), 0, 1});
  // Every workspace is also the desktop number 0xFFFFFFFF; back on one workspace, the current one.
  if (choices.everyWorkspace)
    sendToWindowManager(display, window, atom(display, "_NET_WM_DESKTOP"), {0xFFFFFFFFL, 1});
  else
    gdk_x11_surface_move_to_current_desktop(surface);

  // A window manager answers the messages by rewriting the properties; without one they are the window's
  // state, so they are written here: the states above as chosen, any others as they were.
  if (gdk_x11_screen_supports_net_wm_hint(gdk_x11_display_get_screen(gdk_surface_get_display(surface)),
                                          "_NET_WM_STATE")) {
    XFlush(display);
    return;
  }
  std::vector<Atom> kept;
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, netWmState, 0, 64, False, XA_ATOM, &actualType, &actualFormat,
                         &count, &after, &data) == Success &&
      data != nullptr) {
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);  // format 32 comes as longs
    for (unsigned long i = 0; i < count; ++i)
      if (std::none_of(std::begin(states), std::end(states),
                       [&](const auto& s) { return s.first == atoms[i]; }))
        kept.push_back(atoms[i]);
  }
  if (data != nullptr) XFree(data);
  for (const auto& [state, on] : states)
    if (on) kept.push_back(state);
  XChangeProperty(display, window, netWmState, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(kept.data()), static_cast<int>(kept.size()));
  if (choices.everyWorkspace) {
    const unsigned long everyDesktop = 0xFFFFFFFFUL;
    XChangeProperty(display, window, atom(display, "_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&everyDesktop), 1);
  }
  XFlush(display);
}

void moveX11Window(GdkSurface* surface, WindowPosition position) {
  if (!isX11(surface)) return;
  Display* display = displayOf(surface);
  XMoveWindow(display, gdk_x11_surface_get_xid(surface), position.x, position.y);
  XFlush(display);
}

std::optional<WindowPosition> x11WindowPosition(GdkSurface* surface) {
  if (!isX11(surface)) return std::nullopt;
  Display* display = displayOf(surface);
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(display, gdk_x11_surface_get_xid(surface), DefaultRootWindow(display), 0, 0, &x,
                             &y, &child))
    return std::nullopt;
  return WindowPosition{x, y};
}

std::optional<WindowPosition> x11PointerPosition(GdkSurface* surface) {
  if (!isX11(surface)) return std::nullopt;
  Display* display = displayOf(surface);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int buttons = 0;
  if (!XQueryPointer(display, gdk_x11_surface_get_xid(surface), &root, &child, &rootX, &rootY, &x, &y,
                     &buttons))
    return std::nullopt;
  return WindowPosition{rootX, rootY};
}

#else

bool isX11(GdkSurface*) {
  return false;
}
unsigned long x11WindowId(GdkSurface*) {
  return 0;
}
void setX11WindowType(GdkSurface*, const WindowChoices&) {}
void applyX11States(GdkSurface*, const WindowChoices&) {}
void moveX11Window(GdkSurface*, WindowPosition) {}
std::optional<WindowPosition> x11WindowPosition(GdkSurface*) {
  return std::nullopt;
}
std::optional<WindowPosition> x11PointerPosition(GdkSurface*) {
  return std::nullopt;
}

#endif

}  // namespace rw::app::desktop

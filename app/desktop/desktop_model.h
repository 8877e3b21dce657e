// The desktop host's decisions that need no window: which family a name asks for, where the window goes,
// whether a press drags the window or clicks, and what a click opens. The GTK side (desktop_window.h) only
// carries them out.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "ui/layout_node.h"
#include "widget/host.h"

namespace rw::app::desktop {

/// The families the window offers in its menu, with the names --family takes and the keys of the menu's
/// texts (message catalogs).
struct DesktopFamily {
  WidgetFamily family;
  std::string_view name;      // "small", "medium", "large", "extra large"
  std::string_view labelKey;  // "SMALL / MENU": "Small"
};
inline constexpr std::array<DesktopFamily, 4> kDesktopFamilies{{
    {WidgetFamily::systemSmall, "small", "SMALL / MENU"},
    {WidgetFamily::systemMedium, "medium", "MEDIUM / MENU"},
    {WidgetFamily::systemLarge, "large", "LARGE / MENU"},
    {WidgetFamily::systemExtraLarge, "extra large", "EXTRA LARGE / MENU"},
}};

/// The family `name` asks for: one of `kDesktopFamilies`' names ("extra-large" also serves, as a space is
/// awkward on a command line) or any name the command line takes ("systemLarge", "accessoryCircular"...).
[[nodiscard]] std::optional<WidgetFamily> desktopFamilyNamed(std::string_view name);

/// A window position in screen pixels, from the top left of the screen.
struct WindowPosition {
  int x = 0;
  int y = 0;
  friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

/// "X,Y": two integers (a sign allowed, so that a window can start partly off the left or top edge), each
/// within ±32767 (X11 coordinates are 16-bit); nothing for anything else.
[[nodiscard]] std::optional<WindowPosition> parseWindowPosition(std::string_view text);

/// A left button's press on the widget: once the pointer has left the press by more than `threshold`
/// pixels along either axis it is a drag, which moves the window; a release before that is a click, which
/// opens the link under the pointer.
class PressGesture {
 public:
  void press() { dragging_ = false; }
  /// The pointer is (dx, dy) pixels from the press: true exactly once, when the drag begins.
  bool moved(double dx, double dy, double threshold) {
    if (dragging_ || !(std::abs(dx) > threshold || std::abs(dy) > threshold)) return false;
    return dragging_ = true;
  }
  [[nodiscard]] bool releaseOpens() const { return !dragging_; }

 private:
  bool dragging_ = false;
};

/// What a left click at `point` (widget points) opens: the link under it (a row's own link), else the
/// widget's link. Nothing when the point lies outside the widget or the URL's scheme is not one this
/// program opens (`isOpenableLink`): a payload's "file:" or "javascript:" link opens nothing.
[[nodiscard]] std::optional<std::string> urlForClick(const ui::LayoutNode& root, Size widget,
                                                     ui::Point point);

}  // namespace rw::app::desktop

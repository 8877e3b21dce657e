// The desktop host's decisions that need no window: which family a name asks for, where the window goes,
// whether a press drags the window or clicks, what a click opens, and what a screen reader and the keyboard
// reach. The GTK side (desktop_window.h) only
// carries them out.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout_node.h"
#include "ui/renderer.h"
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

/// `url` when it is a link this program opens (`isOpenableLink`), else nothing.
[[nodiscard]] std::optional<std::string> openableURL(std::string url);

/// What a left click at `point` (widget points) opens: the link under it (a row's own link), else the
/// widget's link. Nothing when the point lies outside the widget or the URL's scheme is not one this
/// program opens (`isOpenableLink`): a payload's "file:" or "javascript:" link opens nothing.
[[nodiscard]] std::optional<std::string> urlForClick(const ui::LayoutNode& root, Size widget,
                                                     ui::Point point);

/// What a screen reader and the keyboard reach on the widget: an element a sighted user sees.
struct AccessibleTarget {
  enum class Role : std::uint8_t { link, label };
  Role role = Role::label;
  ui::Rect frame;           // widget points
  std::string label;        // what a screen reader reads
  std::string url;          // a link's destination, as the tree has it (`openableURL` decides what opens)
  double cornerRadius = 0;  // of the shape the element is drawn in
  friend bool operator==(const AccessibleTarget&, const AccessibleTarget&) = default;
};

/// The accessible elements of a laid-out widget of `widget` points, in reading order: first the widget's own
/// link (the outermost `WidgetURL`: the whole widget, read as `widgetName`), then, in drawing order, each
/// node with an accessibility label (a link when it holds a `Link`), each `Link` without one (read as the
/// texts it draws) and each text outside both. Symbols and empty nodes are not read.
[[nodiscard]] std::vector<AccessibleTarget> accessibleTargets(const ui::LayoutNode& root, Size widget,
                                                              std::string_view widgetName);

/// Where keyboard focus goes from `from` (an index of `targets`; none: from before the first) `step` links
/// on (back when negative), round the links in reading order; none when there is no link.
[[nodiscard]] std::optional<std::size_t> nextFocus(const std::vector<AccessibleTarget>& targets,
                                                   std::optional<std::size_t> from, int step);

/// The ring that shows keyboard focus on `target`: just inside the widget's own link, just around a row.
[[nodiscard]] ui::FocusRing focusRingFor(const AccessibleTarget& target);

}  // namespace rw::app::desktop

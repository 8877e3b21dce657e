// Which link a tap at a point opens, read from a laid-out tree.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/layout_node.h"

namespace rw::ui {

/// The URL a tap at `point` (canvas points) opens: the innermost `Link` whose frame holds the point (and is
/// not clipped away there; of overlapping siblings the front one), else the widget's URL (the outermost
/// `WidgetURL`), else nothing. Whether the point lies on the widget at all is the caller's question.
[[nodiscard]] std::optional<std::string> linkAt(const LayoutNode& root, Point point);

/// A tappable area: the frame of a link, or of the whole widget for a widget URL.
struct LinkArea {
  Rect frame;
  std::string url;
  bool widgetWide = false;
  friend bool operator==(const LinkArea&, const LinkArea&) = default;
};

/// Every link of the tree, in drawing order (widget URLs first, as they wrap what they open).
[[nodiscard]] std::vector<LinkArea> linkAreas(const LayoutNode& root);

}  // namespace rw::ui

// Points, sizes and rectangles of laid-out trees, in points (the renderer scales them to pixels).
#pragma once

#include <optional>

#include "platform/display.h"

namespace rw::ui {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

/// Width and height: the platform's size type, so that code using both namespaces names one `Size`.
using Size = ::rw::Size;

/// `origin` is the top leading corner; y grows downwards.
struct Rect {
  Point origin;
  Size size;

  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  /// Half-open: the top and leading edges belong to the rectangle, the bottom and trailing ones do not.
  bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  friend bool operator==(const Rect&, const Rect&) = default;
};

/// What a parent offers a child. An unset dimension asks for the child's ideal size along it; infinity asks
/// for its largest.
struct ProposedSize {
  std::optional<double> width;
  std::optional<double> height;
  friend bool operator==(const ProposedSize&, const ProposedSize&) = default;
};

}  // namespace rw::ui

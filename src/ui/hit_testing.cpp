#include "ui/hit_testing.h"

namespace rw::ui {

namespace {

// Walks down the nodes whose frames hold the point. Clipping nodes hide what lies outside them, so a link
// drawn under a clip only counts inside it; a later (front) sibling wins over an earlier one.
void search(const LayoutNode& node, Point point, std::optional<std::string>& hit) {
  const bool inside = node.frame.contains(point);
  if (const auto* link = std::get_if<LinkPaint>(&node.paint); link && !link->widgetWide && inside)
    hit = link->url;
  if (std::holds_alternative<ClipPaint>(node.paint) && !inside) return;
  for (const LayoutNode& child : node.children)
    search(child, point, hit);
}

void collect(const LayoutNode& node, std::vector<LinkArea>& out) {
  if (const auto* link = std::get_if<LinkPaint>(&node.paint))
    out.push_back({node.frame, link->url, link->widgetWide});
  for (const LayoutNode& child : node.children)
    collect(child, out);
}

}  // namespace

std::optional<std::string> linkAt(const LayoutNode& root, Point point) {
  std::optional<std::string> hit;
  search(root, point, hit);
  if (hit) return hit;
  for (const LinkArea& area : linkAreas(root))
    if (area.widgetWide) return area.url;
  return std::nullopt;
}

std::vector<LinkArea> linkAreas(const LayoutNode& root) {
  std::vector<LinkArea> out;
  collect(root, out);
  return out;
}

}  // namespace rw::ui

// Probes of laid-out view trees for the view tests: nodes by kind, what a node fills, a glyph's text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/layout.h"

namespace rw::testing {

/// Every node of kind `kind` in drawing order.
inline std::vector<const ui::LayoutNode*> nodesOfKind(const ui::LayoutNode& root, std::string_view kind) {
  return ui::findAll(root, [kind](const ui::LayoutNode& n) { return n.kind == kind; });
}

/// The fill a node paints, or null when it paints none.
inline const ui::Fill* fillOf(const ui::LayoutNode& node) {
  const auto* paint = std::get_if<ui::FillPaint>(&node.paint);
  return paint ? &paint->fill : nullptr;
}

/// The text a symbol is drawn with.
inline std::string glyphOf(std::string_view systemName) {
  const ui::LayoutNode node = ui::layout(ui::Image{.systemName = std::string(systemName)}, {50, 50},
                                         ui::Environment{}, ui::FixedTextMeasurer{});
  return node.text() ? node.text()->text : std::string();
}

}  // namespace rw::testing

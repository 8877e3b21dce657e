// The result of laying out an element tree: a tree of frames, one node per element, with what each node
// draws. The element tree stays untouched; the renderer draws this tree and hit-testing reads it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ui/elements.h"
#include "ui/geometry.h"
#include "ui/text_measurer.h"

namespace rw::ui {

/// A text or a symbol, set exactly as it was measured.
struct TextPaint {
  std::string text;  // resolved: translated, formatted, or the symbol's glyph
  FontRequest font;
  Color color;
  std::optional<double> wrapWidth;  // as measured
  std::optional<int> maxLines;
  /// Each line starts at the frame's left edge, or right to left at its right edge, whatever the
  /// direction of its own text.
  LayoutDirection direction = LayoutDirection::leftToRight;
};

/// A filled shape covering the node's frame: a rectangle with rounded corners, or a capsule.
struct FillPaint {
  Fill fill;
  double cornerRadius = 0;
  bool capsule = false;
};

/// Children are drawn clipped to the node's frame with rounded ("continuous") corners.
struct ClipPaint {
  double cornerRadius = 0;
};

/// A tap inside the frame opens `url` (a `Link`), or anywhere on the widget (a `WidgetURL`).
struct LinkPaint {
  std::string url;
  bool widgetWide = false;
};

/// What assistive technologies read for the node and everything it draws (an `AccessibilityLabel`).
struct AccessibilityPaint {
  std::string label;  // resolved
};

struct LayoutNode {
  /// The kind of the element the node stands for: "Text", "HStack", "Padding"...
  const char* kind = "EmptyView";
  /// In the coordinates of the root's canvas, in points.
  Rect frame;
  /// Distances of the first and last text baselines from the frame's top; the frame's height when the
  /// node holds no text.
  double firstBaseline = 0;
  double lastBaseline = 0;
  std::variant<std::monostate, TextPaint, FillPaint, ClipPaint, LinkPaint, AccessibilityPaint> paint;
  std::vector<LayoutNode> children;

  const TextPaint* text() const { return std::get_if<TextPaint>(&paint); }
};

/// Every node of the tree (the root included) for which `match` holds, in drawing order.
std::vector<const LayoutNode*> findAll(const LayoutNode& root,
                                       const std::function<bool(const LayoutNode&)>& match);
/// The first node that draws exactly `text`, or null.
const LayoutNode* findText(const LayoutNode& root, std::string_view text);
/// The first node of element kind `kind`, or null.
const LayoutNode* findKind(const LayoutNode& root, std::string_view kind);

}  // namespace rw::ui

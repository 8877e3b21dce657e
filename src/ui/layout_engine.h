// Inside the layout engine: what flows down the tree while it is laid out, the cache of placed subtrees,
// and one entry point per algorithm file. Not for use outside the toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "ui/defaults.h"
#include "ui/layout.h"

namespace rw::ui::detail {

enum class Axis : std::uint8_t { none, horizontal, vertical };

/// What an element passes to everything inside it: the values of the enclosing modifiers, and the axis of
/// the nearest stack (along which spacers stretch).
struct Inherited {
  std::optional<Font> font;
  Color foreground = kDefaultForeground;
  std::optional<int> lineLimit;
  Axis stackAxis = Axis::none;
  friend bool operator==(const Inherited&, const Inherited&) = default;
};

/// One layout run. Nodes are placed with their origin at (0, 0) and children relative to their parent;
/// `layout()` moves them into canvas coordinates at the end.
///
/// Stacks ask their children for sizes several times (smallest, largest, final), which would make deep
/// trees exponential; every placed subtree is therefore cached by (node, offer, inherited values), so each
/// is computed once per distinct offer.
class Engine {
 public:
  Engine(const Environment& environment, const TextMeasurer& measurer)
      : environment_(environment), measurer_(measurer) {}

  /// `element` placed for `proposal`.
  const LayoutNode& place(const Element& element, ProposedSize proposal, const Inherited& inherited);
  Size measure(const Element& element, ProposedSize proposal, const Inherited& inherited) {
    return place(element, proposal, inherited).frame.size;
  }

  const Environment& environment() const { return environment_; }
  const TextMeasurer& measurer() const { return measurer_; }

 private:
  struct Key {
    const void* node;
    ProposedSize proposal;
    Inherited inherited;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };

  LayoutNode compute(const Element& element, ProposedSize proposal, const Inherited& inherited);

  /// The body of a nested view, evaluated once per layout and kept alive for it: the cache is keyed by node
  /// addresses, which must not be reused while the layout runs.
  const Element& bodyOf(const Element& element, const ViewElement& view);

  const Environment& environment_;
  const TextMeasurer& measurer_;
  std::unordered_map<Key, LayoutNode, KeyHash> cache_;
  std::unordered_map<const void*, Element> bodies_;
};

// One function per element kind; each returns the node at origin (0, 0) with children placed inside it.
LayoutNode layoutStack(const VStack& stack, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);
LayoutNode layoutStack(const HStack& stack, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);
LayoutNode layoutStack(const ZStack& stack, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);
LayoutNode layoutStack(const ViewThatFits& choice, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);
LayoutNode layoutFrame(const Frame& frame, ProposedSize proposal, const Inherited& inherited, Engine& engine);
LayoutNode layoutFrame(const FlexFrame& frame, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);
LayoutNode layoutFrame(const FixedSize& frame, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);
LayoutNode layoutPadding(const Padding& padding, ProposedSize proposal, const Inherited& inherited,
                         Engine& engine);
LayoutNode layoutPadding(const ContainerBackground& background, ProposedSize proposal,
                         const Inherited& inherited, Engine& engine);
LayoutNode layoutText(const Text& text, ProposedSize proposal, const Inherited& inherited, Engine& engine);
LayoutNode layoutText(const Image& image, ProposedSize proposal, const Inherited& inherited, Engine& engine);
/// Leaves without text and the modifiers that pass the offer on unchanged.
LayoutNode layoutOther(const Element& element, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine);

/// `child` placed inside a parent at `offset`, with the parent's baselines taken from it.
void adoptChild(LayoutNode& parent, LayoutNode child, Point offset);
/// A node of `kind` and `size` with its baselines at its bottom.
LayoutNode makeNode(const char* kind, Size size);
/// Where a child of `child` size goes inside `container` by `alignment` (centre for baseline alignments).
Point alignedOffset(Size container, Size child, Alignment alignment);
/// Lengths a tree names are taken as given where they make sense and made harmless where they do not, so
/// that no tree can make a frame negative, infinite or not a number:
/// a length that must be finite and not negative (a fixed frame's side, a spacer's minimum, a flexible
/// frame's minimum or ideal): NaN and infinity make it unset, a negative one is 0;
std::optional<double> sanitizedLength(std::optional<double> value);
/// a flexible frame's maximum: NaN makes it unset, a negative one is 0, infinity stays;
std::optional<double> sanitizedMaximum(std::optional<double> value);
/// an inset or a spacing: NaN and infinity make it 0 (negative values draw content outside, as asked).
double finiteOrZero(double value);

/// `value` less `inset`, never below 0; unset and infinite values stay as they are.
std::optional<double> inset(std::optional<double> value, double inset);

}  // namespace rw::ui::detail

// Vertical, horizontal and overlay stacks.
#include <algorithm>
#include <cmath>

#include "ui/layout_engine.h"

namespace rw::ui::detail {

namespace {

enum class CrossAlignment : std::uint8_t { start, center, end, firstBaseline, lastBaseline };

double mainOf(Size size, Axis axis) {
  return axis == Axis::horizontal ? size.width : size.height;
}
double crossOf(Size size, Axis axis) {
  return axis == Axis::horizontal ? size.height : size.width;
}
Size sizeOf(double main, double cross, Axis axis) {
  return axis == Axis::horizontal ? Size{main, cross} : Size{cross, main};
}
ProposedSize proposalOf(std::optional<double> main, std::optional<double> cross, Axis axis) {
  return axis == Axis::horizontal ? ProposedSize{main, cross} : ProposedSize{cross, main};
}

double priorityOf(const Element& element) {
  const auto* trait = element.as<LayoutPriority>();
  return trait ? trait->priority : 0;
}

// How much each child is offered along the stack when the stack itself is offered `available` (finite).
//
// Children are served by descending layout priority. Within a priority the other children come first, by
// ascending flexibility (how much more than their smallest length they could use), so that the least
// flexible settles first; each is offered an equal share of what is left, less the smallest lengths still
// owed to the spacers of its priority and to every child of lower priority. The spacers then share what
// their priority has left equally.
std::vector<double> distribute(const std::vector<Element>& children, double available,
                               std::optional<double> cross, Axis axis, const Inherited& inherited,
                               Engine& engine) {
  struct Candidate {
    std::size_t index;
    double priority;
    bool spacer;
    double smallest;
    double flexibility;
  };
  std::vector<Candidate> order;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const double smallest =
        mainOf(engine.measure(children[i], proposalOf(0.0, cross, axis), inherited), axis);
    const double largest =
        mainOf(engine.measure(children[i], proposalOf(kInfinity, cross, axis), inherited), axis);
    order.push_back(
        {i, priorityOf(children[i]), children[i].as<Spacer>() != nullptr, smallest, largest - smallest});
  }
  std::stable_sort(order.begin(), order.end(), [](const Candidate& a, const Candidate& b) {
    if (a.priority != b.priority) return a.priority > b.priority;
    if (a.spacer != b.spacer) return b.spacer;
    return a.flexibility < b.flexibility;
  });

  std::vector<double> offers(children.size(), 0);
  double remaining = available;
  for (std::size_t groupStart = 0; groupStart < order.size();) {
    std::size_t groupEnd = groupStart;
    while (groupEnd < order.size() && order[groupEnd].priority == order[groupStart].priority)
      ++groupEnd;
    double owedToLower = 0;
    for (std::size_t k = groupEnd; k < order.size(); ++k)
      owedToLower += order[k].smallest;

    std::size_t spacersStart = groupStart;
    while (spacersStart < groupEnd && !order[spacersStart].spacer)
      ++spacersStart;
    double owedToSpacers = 0;
    for (std::size_t k = spacersStart; k < groupEnd; ++k)
      owedToSpacers += order[k].smallest;

    double groupRemaining = remaining - owedToLower;
    for (std::size_t k = groupStart; k < groupEnd; ++k) {
      const bool spacer = k >= spacersStart;
      const double share = spacer ? groupRemaining : groupRemaining - owedToSpacers;
      const std::size_t sharers = spacer ? groupEnd - k : spacersStart - k;
      const double offer = std::max(0.0, share / static_cast<double>(sharers));
      const Element& child = children[order[k].index];
      const double taken = mainOf(engine.measure(child, proposalOf(offer, cross, axis), inherited), axis);
      offers[order[k].index] = offer;
      groupRemaining -= taken;
      remaining -= taken;
    }
    groupStart = groupEnd;
  }
  return offers;
}

LayoutNode layoutAlongAxis(const std::vector<Element>& allChildren, Axis axis,
                           std::optional<double> spacingOrDefault, CrossAlignment alignment,
                           ProposedSize proposal, const Inherited& inherited, Engine& engine) {
  // Empty children take neither room nor spacing.
  std::vector<Element> children;
  std::copy_if(allChildren.begin(), allChildren.end(), std::back_inserter(children),
               [](const Element& e) { return !e.as<EmptyView>(); });
  const double spacing = finiteOrZero(spacingOrDefault.value_or(kDefaultSpacing));
  const double totalSpacing = children.empty() ? 0 : spacing * static_cast<double>(children.size() - 1);

  Inherited childInherited = inherited;
  childInherited.stackAxis = axis;
  const std::optional<double> main = axis == Axis::horizontal ? proposal.width : proposal.height;
  const std::optional<double> cross = axis == Axis::horizontal ? proposal.height : proposal.width;

  std::vector<std::optional<double>> offers(children.size(), main);
  if (main && std::isfinite(*main)) {
    auto shares = distribute(children, *main - totalSpacing, cross, axis, childInherited, engine);
    std::copy(shares.begin(), shares.end(), offers.begin());
  }

  std::vector<LayoutNode> placed;
  double length = totalSpacing;
  double thickness = 0;
  double above = 0;  // baseline alignment: the most any child reaches above the shared baseline
  double below = 0;  // ... and below it
  const bool byBaseline =
      alignment == CrossAlignment::firstBaseline || alignment == CrossAlignment::lastBaseline;
  for (std::size_t i = 0; i < children.size(); ++i) {
    placed.push_back(engine.place(children[i], proposalOf(offers[i], cross, axis), childInherited));
    const LayoutNode& node = placed.back();
    length += mainOf(node.frame.size, axis);
    thickness = std::max(thickness, crossOf(node.frame.size, axis));
    const double baseline =
        alignment == CrossAlignment::firstBaseline ? node.firstBaseline : node.lastBaseline;
    above = std::max(above, baseline);
    below = std::max(below, node.frame.height() - baseline);
  }
  if (byBaseline) thickness = above + below;

  LayoutNode stack = makeNode("", sizeOf(length, thickness, axis));
  double position = 0;
  for (LayoutNode& node : placed) {
    const double childCross = crossOf(node.frame.size, axis);
    double offset = 0;
    switch (alignment) {
      case CrossAlignment::start:
        offset = 0;
        break;
      case CrossAlignment::center:
        offset = (thickness - childCross) / 2;
        break;
      case CrossAlignment::end:
        offset = thickness - childCross;
        break;
      case CrossAlignment::firstBaseline:
        offset = above - node.firstBaseline;
        break;
      case CrossAlignment::lastBaseline:
        offset = above - node.lastBaseline;
        break;
    }
    const double advance = mainOf(node.frame.size, axis) + spacing;
    const double lastBaseline = node.lastBaseline;
    adoptChild(stack, std::move(node),
               axis == Axis::horizontal ? Point{position, offset} : Point{offset, position});
    // A vertical stack's last baseline is its last child's.
    if (axis == Axis::vertical) stack.lastBaseline = position + lastBaseline;
    position += advance;
  }
  if (byBaseline) stack.firstBaseline = stack.lastBaseline = above;
  return stack;
}

}  // namespace

LayoutNode layoutStack(const VStack& stack, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  const CrossAlignment alignment = stack.alignment == HorizontalAlignment::leading  ? CrossAlignment::start
                                   : stack.alignment == HorizontalAlignment::center ? CrossAlignment::center
                                                                                    : CrossAlignment::end;
  return layoutAlongAxis(stack.children, Axis::vertical, stack.spacing, alignment, proposal, inherited,
                         engine);
}

LayoutNode layoutStack(const HStack& stack, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  CrossAlignment alignment = CrossAlignment::center;
  switch (stack.alignment) {
    case VerticalAlignment::top:
      alignment = CrossAlignment::start;
      break;
    case VerticalAlignment::center:
      alignment = CrossAlignment::center;
      break;
    case VerticalAlignment::bottom:
      alignment = CrossAlignment::end;
      break;
    case VerticalAlignment::firstTextBaseline:
      alignment = CrossAlignment::firstBaseline;
      break;
    case VerticalAlignment::lastTextBaseline:
      alignment = CrossAlignment::lastBaseline;
      break;
  }
  return layoutAlongAxis(stack.children, Axis::horizontal, stack.spacing, alignment, proposal, inherited,
                         engine);
}

LayoutNode layoutStack(const ZStack& stack, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  Inherited childInherited = inherited;
  childInherited.stackAxis = Axis::none;
  std::vector<LayoutNode> placed;
  Size size;
  for (const Element& child : stack.children) {
    placed.push_back(engine.place(child, proposal, childInherited));
    size.width = std::max(size.width, placed.back().frame.width());
    size.height = std::max(size.height, placed.back().frame.height());
  }
  LayoutNode node = makeNode("", size);
  for (LayoutNode& child : placed) {
    const Point offset = alignedOffset(size, child.frame.size, stack.alignment);
    adoptChild(node, std::move(child), offset);
  }
  return node;
}

// Each child is placed for the whole offer until one is no wider than it; that one is the choice, and the
// node takes its frame. The children are placed as they are, so the choice's frame is what the child gave.
LayoutNode layoutStack(const ViewThatFits& choice, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  if (choice.children.empty()) return makeNode("", {});
  const Element* chosen = &choice.children.back();
  if (!proposal.width) {
    chosen = &choice.children.front();
  } else {
    for (const Element& child : choice.children) {
      if (engine.measure(child, proposal, inherited).width <= *proposal.width + 1e-9) {
        chosen = &child;
        break;
      }
    }
  }
  LayoutNode child = engine.place(*chosen, proposal, inherited);
  LayoutNode node = makeNode("", child.frame.size);
  adoptChild(node, std::move(child), {0, 0});
  return node;
}

}  // namespace rw::ui::detail

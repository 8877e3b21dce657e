// Padding, and the widget's container background (a full-bleed fill with the content inset by margins).
#include <cmath>

#include "ui/layout_engine.h"

namespace rw::ui::detail {

namespace {

LayoutNode insetContent(const Element& content, EdgeInsets insets, ProposedSize proposal,
                        const Inherited& inherited, Engine& engine, bool fills) {
  const double horizontal = insets.leading + insets.trailing;
  const double vertical = insets.top + insets.bottom;
  LayoutNode child =
      engine.place(content, {inset(proposal.width, horizontal), inset(proposal.height, vertical)}, inherited);
  auto length = [&](std::optional<double> offer, double wrapped) {
    return fills && offer && std::isfinite(*offer) ? *offer : wrapped;
  };
  const Size size{length(proposal.width, child.frame.width() + horizontal),
                  length(proposal.height, child.frame.height() + vertical)};
  LayoutNode node = makeNode("", size);
  // Within the inset area, a filling node centres its content.
  const Size inner{size.width - horizontal, size.height - vertical};
  const Point centred = alignedOffset(inner, child.frame.size, Alignment::center());
  adoptChild(node, std::move(child), {insets.leading + centred.x, insets.top + centred.y});
  return node;
}

}  // namespace

LayoutNode layoutPadding(const Padding& padding, ProposedSize proposal, const Inherited& inherited,
                         Engine& engine) {
  EdgeInsets insets = padding.insets.value_or(EdgeInsets::all(kDefaultPadding));
  insets = {finiteOrZero(insets.top), finiteOrZero(insets.leading), finiteOrZero(insets.bottom),
            finiteOrZero(insets.trailing)};
  return insetContent(padding.content, insets, proposal, inherited, engine, false);
}

// The container fills what it is offered (the whole widget) and draws its fill there; the content is laid
// out within its margins (the host's, unless it names its own). Offered no size, it wraps its content and
// the margins.
LayoutNode layoutPadding(const ContainerBackground& background, ProposedSize proposal,
                         const Inherited& inherited, Engine& engine) {
  const EdgeInsets margins =
      EdgeInsets::all(sanitizedLength(background.contentMargin).value_or(kWidgetContentMargin));
  LayoutNode node = insetContent(background.content, margins, proposal, inherited, engine, true);
  node.paint = FillPaint{.fill = background.fill};
  return node;
}

}  // namespace rw::ui::detail

// Leaves without text (spacers, dividers, the accessory backdrop) and the modifiers that pass the offer on
// to their content unchanged: they only change what flows down (colour, font, line limit), record a link or
// an accessibility label, or paint behind or clip what their content drew.
#include <algorithm>

#include "platform/overloaded.h"
#include "ui/layout_engine.h"

namespace rw::ui::detail {

namespace {

// A spacer stretches along its stack, never below its minimum; across the stack it takes no room. Outside
// a stack it stretches both ways.
LayoutNode spacer(const Spacer& spacer, ProposedSize proposal, Axis axis) {
  const double minimum =
      spacer.minLength ? sanitizedLength(spacer.minLength).value_or(0) : kDefaultSpacerMinLength;
  auto along = [&](std::optional<double> offer) { return std::max(minimum, offer.value_or(minimum)); };
  switch (axis) {
    case Axis::horizontal:
      return makeNode("", {along(proposal.width), 0});
    case Axis::vertical:
      return makeNode("", {0, along(proposal.height)});
    case Axis::none:
      break;
  }
  return makeNode("", {along(proposal.width), along(proposal.height)});
}

// A divider spans what it is offered across its stack and is one line thick along it.
LayoutNode divider(ProposedSize proposal, Axis axis) {
  LayoutNode node = axis == Axis::horizontal ? makeNode("", {kDividerThickness, proposal.height.value_or(0)})
                                             : makeNode("", {proposal.width.value_or(0), kDividerThickness});
  node.paint = FillPaint{.fill = kDividerColor};
  return node;
}

LayoutNode passOn(const Element& content, ProposedSize proposal, const Inherited& inherited, Engine& engine) {
  LayoutNode child = engine.place(content, proposal, inherited);
  LayoutNode node = makeNode("", child.frame.size);
  adoptChild(node, std::move(child), {0, 0});
  return node;
}

}  // namespace

LayoutNode layoutOther(const Element& element, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  return std::visit(
      Overloaded{
          [&](const Spacer& s) { return spacer(s, proposal, inherited.stackAxis); },
          [&](const Divider&) { return divider(proposal, inherited.stackAxis); },
          [&](const AccessoryWidgetBackground&) {
            LayoutNode node = makeNode("", {proposal.width.value_or(0), proposal.height.value_or(0)});
            node.paint = FillPaint{.fill = kAccessoryBackdropColor, .capsule = true};
            return node;
          },
          [&](const Link& link) {
            LayoutNode node = passOn(link.label, proposal, inherited, engine);
            node.paint = LinkPaint{.url = link.destination};
            return node;
          },
          [&](const WidgetURL& url) {
            LayoutNode node = passOn(url.content, proposal, inherited, engine);
            node.paint = LinkPaint{.url = url.url, .widgetWide = true};
            return node;
          },
          [&](const AccessibilityLabel& a) {
            LayoutNode node = passOn(a.content, proposal, inherited, engine);
            std::string label;
            for (const Text& text : a.label)
              if (std::string part = resolvedText(text, engine.environment()); !part.empty())
                label += (label.empty() ? "" : ", ") + part;
            node.paint = AccessibilityPaint{.label = std::move(label)};
            return node;
          },
          [&](const LayoutPriority& p) { return passOn(p.content, proposal, inherited, engine); },
          [&](const ForegroundColor& c) {
            Inherited inner = inherited;
            inner.foreground = c.color;
            return passOn(c.content, proposal, inner, engine);
          },
          [&](const SubtreeFont& f) {
            Inherited inner = inherited;
            inner.font = f.font;
            return passOn(f.content, proposal, inner, engine);
          },
          [&](const LineLimit& l) {
            Inherited inner = inherited;
            inner.lineLimit = l.lines;
            return passOn(l.content, proposal, inner, engine);
          },
          [&](const Background& b) {
            LayoutNode node = passOn(b.content, proposal, inherited, engine);
            node.paint = FillPaint{.fill = b.fill};
            return node;
          },
          [&](const ClipRoundedRect& c) {
            LayoutNode node = passOn(c.content, proposal, inherited, engine);
            node.paint = ClipPaint{.cornerRadius = c.cornerRadius};
            return node;
          },
          // Stacks, frames, padding and texts have their own files; nothing else takes room.
          [&](const auto&) { return makeNode("", {}); },
      },
      element.node().value);
}

}  // namespace rw::ui::detail

// Fixed frames, flexible frames and fixed size.
#include <algorithm>

#include "ui/layout_engine.h"

namespace rw::ui::detail {

namespace {

// The content placed inside a frame of `size` by `alignment`.
LayoutNode frameAround(LayoutNode content, Size size, Alignment alignment) {
  LayoutNode frame = makeNode("", size);
  const Point offset = alignedOffset(size, content.frame.size, alignment);
  adoptChild(frame, std::move(content), offset);
  return frame;
}

// What a flexible frame offers its content along one dimension: the offer clamped to the limits, or the
// ideal length when it was offered none.
std::optional<double> clampedOffer(std::optional<double> offer, std::optional<double> minimum,
                                   std::optional<double> ideal, std::optional<double> maximum) {
  if (!offer) return ideal;
  double value = *offer;
  if (minimum) value = std::max(value, *minimum);
  if (maximum) value = std::min(value, *maximum);
  return value;
}

// The flexible frame's own length along one dimension, given what it was offered and what its content took.
// With a minimum it shrinks with the offer no further than the minimum; with a maximum it grows with the
// offer no further than the maximum; with neither it is the content's length.
double frameLength(std::optional<double> offer, double content, std::optional<double> minimum,
                   std::optional<double> ideal, std::optional<double> maximum) {
  if (!offer) {
    double value = ideal.value_or(content);
    if (minimum) value = std::max(value, *minimum);
    if (maximum) value = std::min(value, *maximum);
    return value;
  }
  double value = content;
  if (minimum) value = std::max(*minimum, std::min(value, *offer));
  if (maximum) value = std::min(*maximum, std::max(value, *offer));
  return value;
}

}  // namespace

LayoutNode layoutFrame(const Frame& frame, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  const std::optional<double> width = sanitizedLength(frame.width);
  const std::optional<double> height = sanitizedLength(frame.height);
  const ProposedSize offer{width ? width : proposal.width, height ? height : proposal.height};
  LayoutNode content = engine.place(frame.content, offer, inherited);
  const Size size{width.value_or(content.frame.width()), height.value_or(content.frame.height())};
  return frameAround(std::move(content), size, Alignment::center());
}

LayoutNode layoutFrame(const FlexFrame& given, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  // Contradictory limits (a minimum above the maximum) keep the minimum.
  FlexFrame frame = given;
  frame.minWidth = sanitizedLength(given.minWidth);
  frame.idealWidth = sanitizedLength(given.idealWidth);
  frame.maxWidth = sanitizedMaximum(given.maxWidth);
  if (frame.minWidth && frame.maxWidth) frame.maxWidth = std::max(*frame.minWidth, *frame.maxWidth);
  frame.minHeight = sanitizedLength(given.minHeight);
  frame.idealHeight = sanitizedLength(given.idealHeight);
  frame.maxHeight = sanitizedMaximum(given.maxHeight);
  if (frame.minHeight && frame.maxHeight) frame.maxHeight = std::max(*frame.minHeight, *frame.maxHeight);
  const ProposedSize offer{
      clampedOffer(proposal.width, frame.minWidth, frame.idealWidth, frame.maxWidth),
      clampedOffer(proposal.height, frame.minHeight, frame.idealHeight, frame.maxHeight)};
  LayoutNode content = engine.place(frame.content, offer, inherited);
  const Size size{
      frameLength(proposal.width, content.frame.width(), frame.minWidth, frame.idealWidth, frame.maxWidth),
      frameLength(proposal.height, content.frame.height(), frame.minHeight, frame.idealHeight,
                  frame.maxHeight)};
  return frameAround(std::move(content), size, frame.alignment);
}

LayoutNode layoutFrame(const FixedSize& frame, ProposedSize proposal, const Inherited& inherited,
                       Engine& engine) {
  const ProposedSize offer{frame.horizontal ? std::nullopt : proposal.width,
                           frame.vertical ? std::nullopt : proposal.height};
  LayoutNode content = engine.place(frame.content, offer, inherited);
  const Size size = content.frame.size;
  return frameAround(std::move(content), size, Alignment::center());
}

}  // namespace rw::ui::detail

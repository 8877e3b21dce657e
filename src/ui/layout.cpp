// The engine's dispatcher, its cache, and the final move of every frame into canvas coordinates.
#include "ui/layout.h"

#include <cmath>
#include <functional>

#include "ui/layout_engine.h"

namespace rw::ui {

namespace detail {

namespace {

void combine(std::size_t& seed, std::size_t value) {
  seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

std::size_t hashOptional(const std::optional<double>& value) {
  return value ? std::hash<double>{}(*value) : 0x51ed27ULL;
}

}  // namespace

std::size_t Engine::KeyHash::operator()(const Key& key) const {
  // The node and the offer tell keys apart in practice; inherited values differ only where one subtree is
  // shared by several places of a tree, which equality settles.
  std::size_t seed = std::hash<const void*>{}(key.node);
  combine(seed, hashOptional(key.proposal.width));
  combine(seed, hashOptional(key.proposal.height));
  combine(seed, static_cast<std::size_t>(key.inherited.stackAxis));
  return seed;
}

const LayoutNode& Engine::place(const Element& element, ProposedSize proposal, const Inherited& inherited) {
  Key key{element.identity(), proposal, inherited};
  if (auto found = cache_.find(key); found != cache_.end()) return found->second;
  LayoutNode node = compute(element, proposal, inherited);
  return cache_.emplace(std::move(key), std::move(node)).first->second;
}

const Element& Engine::bodyOf(const Element& element, const ViewElement& view) {
  auto found = bodies_.find(element.identity());
  if (found == bodies_.end())
    found = bodies_.emplace(element.identity(), view.view->body(environment_)).first;
  return found->second;
}

LayoutNode Engine::compute(const Element& element, ProposedSize proposal, const Inherited& inherited) {
  const auto& value = element.node().value;
  LayoutNode node = [&]() -> LayoutNode {
    if (const auto* v = std::get_if<VStack>(&value)) return layoutStack(*v, proposal, inherited, *this);
    if (const auto* h = std::get_if<HStack>(&value)) return layoutStack(*h, proposal, inherited, *this);
    if (const auto* z = std::get_if<ZStack>(&value)) return layoutStack(*z, proposal, inherited, *this);
    if (const auto* c = std::get_if<ViewThatFits>(&value)) return layoutStack(*c, proposal, inherited, *this);
    if (const auto* f = std::get_if<Frame>(&value)) return layoutFrame(*f, proposal, inherited, *this);
    if (const auto* f = std::get_if<FlexFrame>(&value)) return layoutFrame(*f, proposal, inherited, *this);
    if (const auto* f = std::get_if<FixedSize>(&value)) return layoutFrame(*f, proposal, inherited, *this);
    if (const auto* p = std::get_if<Padding>(&value)) return layoutPadding(*p, proposal, inherited, *this);
    if (const auto* c = std::get_if<ContainerBackground>(&value))
      return layoutPadding(*c, proposal, inherited, *this);
    if (const auto* t = std::get_if<Text>(&value)) return layoutText(*t, proposal, inherited, *this);
    if (const auto* i = std::get_if<Image>(&value)) return layoutText(*i, proposal, inherited, *this);
    if (const auto* view = std::get_if<ViewElement>(&value)) {
      LayoutNode body = place(bodyOf(element, *view), proposal, inherited);
      LayoutNode wrapper = makeNode("", body.frame.size);
      adoptChild(wrapper, std::move(body), {0, 0});
      return wrapper;
    }
    return layoutOther(element, proposal, inherited, *this);
  }();
  node.kind = element.kindName();
  return node;
}

void adoptChild(LayoutNode& parent, LayoutNode child, Point offset) {
  if (parent.children.empty()) {
    parent.firstBaseline = offset.y + child.firstBaseline;
    parent.lastBaseline = offset.y + child.lastBaseline;
  }
  child.frame.origin = offset;
  parent.children.push_back(std::move(child));
}

std::optional<double> sanitizedLength(std::optional<double> value) {
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return std::max(0.0, *value);
}

std::optional<double> sanitizedMaximum(std::optional<double> value) {
  if (!value || std::isnan(*value)) return std::nullopt;
  return std::max(0.0, *value);
}

double finiteOrZero(double value) {
  return std::isfinite(value) ? value : 0;
}

LayoutNode makeNode(const char* kind, Size size) {
  // Negative room (from negative padding) is no room.
  size = {std::isnan(size.width) ? 0 : std::max(0.0, size.width),
          std::isnan(size.height) ? 0 : std::max(0.0, size.height)};
  LayoutNode node;
  node.kind = kind;
  node.frame.size = size;
  node.firstBaseline = size.height;
  node.lastBaseline = size.height;
  return node;
}

Point alignedOffset(Size container, Size child, Alignment alignment) {
  auto place = [](double free, int where) { return where == 0 ? 0 : where == 1 ? free / 2 : free; };
  const int h = alignment.horizontal == HorizontalAlignment::leading  ? 0
                : alignment.horizontal == HorizontalAlignment::center ? 1
                                                                      : 2;
  const int v = alignment.vertical == VerticalAlignment::top      ? 0
                : alignment.vertical == VerticalAlignment::bottom ? 2
                                                                  : 1;
  return {place(container.width - child.width, h), place(container.height - child.height, v)};
}

std::optional<double> inset(std::optional<double> value, double amount) {
  if (!value || std::isinf(*value)) return value;
  return std::max(0.0, *value - amount);
}

}  // namespace detail

namespace {

void moveToCanvas(LayoutNode& node, Point parentOrigin) {
  node.frame.origin = {parentOrigin.x + node.frame.origin.x, parentOrigin.y + node.frame.origin.y};
  for (LayoutNode& child : node.children)
    moveToCanvas(child, node.frame.origin);
}

// Right to left, every node takes the mirror image of its place within its parent, and horizontal gradients
// run the other way; what a node draws inside its frame keeps its shape.
void mirror(LayoutNode& node, double parentWidth) {
  node.frame.origin.x = parentWidth - node.frame.origin.x - node.frame.width();
  if (auto* fill = std::get_if<FillPaint>(&node.paint)) {
    if (auto* gradient = std::get_if<LinearGradient>(&fill->fill)) {
      gradient->startPoint.x = 1 - gradient->startPoint.x;
      gradient->endPoint.x = 1 - gradient->endPoint.x;
    }
  }
  for (LayoutNode& child : node.children)
    mirror(child, node.frame.width());
}

void collect(const LayoutNode& node, const std::function<bool(const LayoutNode&)>& match,
             std::vector<const LayoutNode*>& out) {
  if (match(node)) out.push_back(&node);
  for (const LayoutNode& child : node.children)
    collect(child, match, out);
}

}  // namespace

LayoutNode layout(const Element& root, Size canvas, const Environment& environment,
                  const TextMeasurer& measurer) {
  detail::Engine engine(environment, measurer);
  LayoutNode node = engine.place(root, {canvas.width, canvas.height}, detail::Inherited{});
  node.frame.origin = detail::alignedOffset(canvas, node.frame.size, Alignment::center());
  if (environment.layoutDirection == LayoutDirection::rightToLeft) mirror(node, canvas.width);
  for (LayoutNode& child : node.children)
    moveToCanvas(child, node.frame.origin);
  return node;
}

Size sizeThatFits(const Element& element, ProposedSize proposal, const Environment& environment,
                  const TextMeasurer& measurer) {
  detail::Engine engine(environment, measurer);
  return engine.measure(element, proposal, detail::Inherited{});
}

std::vector<const LayoutNode*> findAll(const LayoutNode& root,
                                       const std::function<bool(const LayoutNode&)>& match) {
  std::vector<const LayoutNode*> out;
  collect(root, match, out);
  return out;
}

const LayoutNode* findText(const LayoutNode& root, std::string_view text) {
  auto found = findAll(root, [&](const LayoutNode& n) { return n.text() && n.text()->text == text; });
  return found.empty() ? nullptr : found.front();
}

const LayoutNode* findKind(const LayoutNode& root, std::string_view kind) {
  auto found = findAll(root, [&](const LayoutNode& n) { return kind == n.kind; });
  return found.empty() ? nullptr : found.front();
}

}  // namespace rw::ui

// The element vocabulary the widget's views are written in: immutable value trees of stacks, spacers,
// dividers, texts, symbols, links and the modifiers that wrap them.
//
// An element carries no position and no size: it only says what to show and how its parts relate. The
// layout engine (ui/layout.h) turns a tree into a separate tree of frames, which the renderer
// draws and hit-testing reads.
//
// Trees are written with designated initialisers and read by tests field by field:
//
//   Element row = HStack{.alignment = VerticalAlignment::center,
//                        .children = {Text::localized("TODAY"), Spacer{}, Text::verbatim("3")}};
//   Element box = row.foregroundColor(Color::white()).padding(8).background(Color::green());
//
// A modifier wraps its subject: `box` above is a Background around a Padding around a ForegroundColor
// around the HStack. The modifier methods (every kind and `Element` have them) build exactly those
// wrappers, innermost first, in the order they are called. A text's own font, boldness and colour are
// fields of the `Text` (`withFont`, `bolded`, `withColor`), not wrappers.
//
// Values left unset (a stack's spacing, a spacer's minimum length, a padding's insets) stand for the
// toolkit's defaults, which the layout engine fills in (ui/defaults.h); trees keep them unset
// so that a test can tell "the default" from an explicit number.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/date.h"

namespace rw::ui {

/// An unbounded length, for flexible frames that fill what they are offered.
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------------------------------------------------
// Colours and fills

/// A colour given by its components, each 0...1 (sRGB, not premultiplied).
struct Rgba {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

/// The toolkit's standard colours; their tones are the renderer's (ui/color_resources.h).
enum class StandardColor : std::uint8_t { white, black, red, green, gray, clear };

/// A colour as a view names it: standard, named in the resources, or by components; at an opacity.
struct Color {
  std::variant<StandardColor, std::string, Rgba> source = StandardColor::black;
  /// Multiplies the alpha of the colour's source; 1 unless `withOpacity` was used.
  double opacity = 1;

  static Color white() { return {StandardColor::white}; }
  static Color black() { return {StandardColor::black}; }
  static Color red() { return {StandardColor::red}; }
  static Color green() { return {StandardColor::green}; }
  static Color gray() { return {StandardColor::gray}; }
  static Color clear() { return {StandardColor::clear}; }
  /// A colour of the resources file, e.g. "WidgetBackgroundTop".
  static Color named(std::string name) { return {std::move(name)}; }
  static Color rgb(double red, double green, double blue, double alpha = 1) {
    return {Rgba{red, green, blue, alpha}};
  }

  /// This colour with its opacity multiplied by `factor` (clamped to 0...1).
  Color withOpacity(double factor) const;

  /// The name when the colour comes from the resources.
  const std::string* name() const { return std::get_if<std::string>(&source); }

  friend bool operator==(const Color&, const Color&) = default;
};

/// A point in a unit square: (0, 0) is the top leading corner, (1, 1) the bottom trailing one.
struct UnitPoint {
  double x = 0;
  double y = 0;
  static constexpr UnitPoint top() { return {0.5, 0}; }
  static constexpr UnitPoint bottom() { return {0.5, 1}; }
  static constexpr UnitPoint leading() { return {0, 0.5}; }
  static constexpr UnitPoint trailing() { return {1, 0.5}; }
  static constexpr UnitPoint center() { return {0.5, 0.5}; }
  friend bool operator==(const UnitPoint&, const UnitPoint&) = default;
};

/// Colours spread evenly along the line from `startPoint` to `endPoint` of the filled rectangle.
struct LinearGradient {
  std::vector<Color> colors;
  UnitPoint startPoint = UnitPoint::top();
  UnitPoint endPoint = UnitPoint::bottom();
  friend bool operator==(const LinearGradient&, const LinearGradient&) = default;
};

/// What a background is filled with.
using Fill = std::variant<Color, LinearGradient>;

// ---------------------------------------------------------------------------------------------------------
// Fonts

enum class FontWeight : std::uint8_t { regular, medium, semibold, bold, heavy };

/// The system font's designs; `standard` is the platform's "default" design.
enum class FontDesign : std::uint8_t { standard, rounded, monospaced, serif };

/// The system font at a size in points.
struct Font {
  double size = 13;
  FontWeight weight = FontWeight::regular;
  FontDesign design = FontDesign::standard;

  static Font system(double size, FontWeight weight = FontWeight::regular,
                     FontDesign design = FontDesign::standard) {
    return {size, weight, design};
  }
  friend bool operator==(const Font&, const Font&) = default;
};

// ---------------------------------------------------------------------------------------------------------
// Geometry the trees name

struct EdgeInsets {
  double top = 0;
  double leading = 0;
  double bottom = 0;
  double trailing = 0;
  static constexpr EdgeInsets all(double value) { return {value, value, value, value}; }
  friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

enum class HorizontalAlignment : std::uint8_t { leading, center, trailing };
/// The baseline alignments line up the first (or last) line of text of each child of a horizontal stack.
enum class VerticalAlignment : std::uint8_t { top, center, bottom, firstTextBaseline, lastTextBaseline };

struct Alignment {
  HorizontalAlignment horizontal = HorizontalAlignment::center;
  VerticalAlignment vertical = VerticalAlignment::center;
  static constexpr Alignment center() { return {}; }
  static constexpr Alignment leading() { return {HorizontalAlignment::leading, VerticalAlignment::center}; }
  static constexpr Alignment topLeading() { return {HorizontalAlignment::leading, VerticalAlignment::top}; }
  friend bool operator==(const Alignment&, const Alignment&) = default;
};

// ---------------------------------------------------------------------------------------------------------
// The element handle

struct Node;
struct FlexFrame;
struct Text;
struct Environment;  // ui/environment.h
template <class Kind>
struct IsNodeKind;  // true for the kinds a `Node` holds; defined with `Node` below
template <class V>
struct IsView;  // true for view values (see `ViewElement`); defined with it below

class Element;

/// The modifier methods every element kind has. Each returns a new element that wraps this one (see the
/// modifier kinds below for what each does), so calls read innermost first:
/// `HStack{...}.foregroundColor(Color::white()).padding(8)` is a Padding around a ForegroundColor.
template <class Self>
class Modifiers {
 public:
  Element padding() const;  // the toolkit's default padding on every edge
  Element padding(double all) const;
  Element padding(EdgeInsets insets) const;
  Element frame(std::optional<double> width, std::optional<double> height) const;
  /// A flexible frame with the limits and alignment of `limits` (its `content` is replaced by this element).
  Element flexibleFrame(FlexFrame limits) const;
  Element fixedSize(bool horizontal = true, bool vertical = true) const;
  Element layoutPriority(double priority) const;
  Element foregroundColor(Color color) const;
  Element font(Font font) const;
  Element lineLimit(std::optional<int> lines) const;
  Element background(Fill fill) const;
  Element clipRoundedRect(double cornerRadius) const;
  Element widgetURL(std::string url) const;
  /// What assistive technologies read for this element (an `AccessibilityLabel`).
  Element accessibilityLabel(std::vector<Text> label) const;
  /// `contentMargin` unset: the host's content margins of the system families (ui/defaults.h).
  Element containerBackground(Fill fill, std::optional<double> contentMargin = std::nullopt) const;

  bool operator==(const Modifiers&) const = default;

 private:
  Element self() const;
};

/// One element of a tree: a shared, immutable node. Copying an element copies a handle, never the tree;
/// no element can change after it is made, so sharing is invisible. A default element shows nothing.
///
/// Every element kind below converts to `Element` implicitly, so trees nest naturally:
/// `VStack{.children = {Text::verbatim("a"), Divider{}}}`.
class Element : public Modifiers<Element> {
 public:
  Element();
  // Elements nest by conversion, so these two are implicit.
  template <class Kind>
  requires IsNodeKind<Kind>::value Element(Kind kind);
  /// A view value nested in the tree (a `ViewElement`); its body is evaluated when the tree is laid out.
  template <class V>
  requires IsView<V>::value Element(V view);

  /// The node as `Kind`, or null when it is another kind.
  template <class Kind>
  const Kind* as() const;
  /// The nested view as `V`, or null when the node is not a view of that type.
  template <class V>
  const V* asView() const;
  /// The name of the node's kind: "VStack", "Text", "Padding"..., a nested view's type name.
  const char* kindName() const;
  /// The node's identity, stable while any copy of this element lives (for caches keyed by node).
  const void* identity() const { return node_.get(); }
  const Node& node() const { return *node_; }

  /// Deep, structural equality.
  friend bool operator==(const Element& a, const Element& b);

 private:
  std::shared_ptr<const Node> node_;
};

// ---------------------------------------------------------------------------------------------------------
// Leaves

/// Text to show: verbatim, a localisation key looked up in the environment's catalog when the tree is laid
/// out (the key itself when there is no translation), or the time of day of an instant in the user's time
/// style (also formatted at layout time, in the environment's calendar).
struct Text : Modifiers<Text> {
  enum class Kind : std::uint8_t { verbatim, localized, time };
  Kind kind = Kind::verbatim;
  std::string string;  // the text or the key; empty for `time`
  Date date;           // for `time` only
  /// Set on the text itself; else the font of the enclosing `SubtreeFont`, else the default font.
  std::optional<Font> font;
  /// Draws at least in bold weight.
  bool bold = false;
  /// Set on the text itself; else the enclosing `ForegroundColor`, else the default foreground.
  std::optional<Color> color;

  static Text verbatim(std::string text) { return {.kind = Kind::verbatim, .string = std::move(text)}; }
  static Text localized(std::string key) { return {.kind = Kind::localized, .string = std::move(key)}; }
  static Text time(Date date) { return {.kind = Kind::time, .date = date}; }

  Text withFont(Font value) const;
  Text bolded() const;
  Text withColor(Color value) const;

  friend bool operator==(const Text&, const Text&) = default;
};

/// A system symbol by name ("flame.fill"), drawn as a glyph of the symbol font in the current font's size
/// and the foreground colour. A name the toolkit does not know shows nothing and takes no room.
struct Image : Modifiers<Image> {
  std::string systemName;
  friend bool operator==(const Image&, const Image&) = default;
};

/// Takes the free length along its stack, at least `minLength` (default: the toolkit's spacer minimum).
struct Spacer : Modifiers<Spacer> {
  std::optional<double> minLength;
  friend bool operator==(const Spacer&, const Spacer&) = default;
};

/// A thin separator line across the stack it is in.
struct Divider : Modifiers<Divider> {
  friend bool operator==(const Divider&, const Divider&) = default;
};

/// The accessory families' backdrop: a translucent round shape filling what it is offered.
struct AccessoryWidgetBackground : Modifiers<AccessoryWidgetBackground> {
  friend bool operator==(const AccessoryWidgetBackground&, const AccessoryWidgetBackground&) = default;
};

/// Shows nothing and takes no room.
struct EmptyView : Modifiers<EmptyView> {
  friend bool operator==(const EmptyView&, const EmptyView&) = default;
};

// ---------------------------------------------------------------------------------------------------------
// Containers

/// Children top to bottom, `spacing` between neighbours (default: the toolkit's spacing).
struct VStack : Modifiers<VStack> {
  HorizontalAlignment alignment = HorizontalAlignment::center;
  std::optional<double> spacing;
  std::vector<Element> children;
  friend bool operator==(const VStack&, const VStack&) = default;
};

/// Children leading to trailing, `spacing` between neighbours (default: the toolkit's spacing).
struct HStack : Modifiers<HStack> {
  VerticalAlignment alignment = VerticalAlignment::center;
  std::optional<double> spacing;
  std::vector<Element> children;
  friend bool operator==(const HStack&, const HStack&) = default;
};

/// Children back to front, each placed by `alignment` within the stack.
struct ZStack : Modifiers<ZStack> {
  Alignment alignment = Alignment::center();
  std::vector<Element> children;
  friend bool operator==(const ZStack&, const ZStack&) = default;
};

/// The first of `children`, in order, that fits the width it is offered, laid out there; the last child
/// when none does, the first when no width is offered. A child fits when the frame it takes for the offer
/// is no wider than the offer, so a child that can shrink (a row of texts cut with "…") fits down to its
/// smallest width. For a row that leaves parts out when it runs short: the whole row first, then rows with
/// less.
struct ViewThatFits : Modifiers<ViewThatFits> {
  std::vector<Element> children;
  friend bool operator==(const ViewThatFits&, const ViewThatFits&) = default;
};

/// `label` opens `destination` when tapped.
struct Link : Modifiers<Link> {
  std::string destination;
  Element label;
  friend bool operator==(const Link&, const Link&) = default;
};

// ---------------------------------------------------------------------------------------------------------
// Modifiers: each wraps `content`.

/// Insets its content; unset insets are the toolkit's default padding on every edge.
struct Padding : Modifiers<Padding> {
  std::optional<EdgeInsets> insets;
  Element content;
  friend bool operator==(const Padding&, const Padding&) = default;
};

/// A fixed frame: the set dimensions are imposed on the content, the others are the content's; the content
/// is centred.
struct Frame : Modifiers<Frame> {
  std::optional<double> width;
  std::optional<double> height;
  Element content;
  friend bool operator==(const Frame&, const Frame&) = default;
};

/// A flexible frame: clamps what it is offered to its limits (`kInfinity` fills), places the content by
/// `alignment`.
struct FlexFrame : Modifiers<FlexFrame> {
  std::optional<double> minWidth;
  std::optional<double> idealWidth;
  std::optional<double> maxWidth;
  std::optional<double> minHeight;
  std::optional<double> idealHeight;
  std::optional<double> maxHeight;
  Alignment alignment = Alignment::center();
  Element content;
  friend bool operator==(const FlexFrame&, const FlexFrame&) = default;
};

/// Offers the content nothing along the flagged axes, so it takes its ideal size there.
struct FixedSize : Modifiers<FixedSize> {
  bool horizontal = true;
  bool vertical = true;
  Element content;
  friend bool operator==(const FixedSize&, const FixedSize&) = default;
};

/// A stack serves children of higher priority first; the default priority is 0.
struct LayoutPriority : Modifiers<LayoutPriority> {
  double priority = 0;
  Element content;
  friend bool operator==(const LayoutPriority&, const LayoutPriority&) = default;
};

/// The colour of texts and symbols in `content` that set none themselves.
struct ForegroundColor : Modifiers<ForegroundColor> {
  Color color;
  Element content;
  friend bool operator==(const ForegroundColor&, const ForegroundColor&) = default;
};

/// The font of texts and symbols in `content` that set none themselves.
struct SubtreeFont : Modifiers<SubtreeFont> {
  Font font;
  Element content;
  friend bool operator==(const SubtreeFont&, const SubtreeFont&) = default;
};

/// At most `lines` lines for each text in `content` (unset: no limit); a longer text ends in an ellipsis.
struct LineLimit : Modifiers<LineLimit> {
  std::optional<int> lines;
  Element content;
  friend bool operator==(const LineLimit&, const LineLimit&) = default;
};

/// Fills the content's frame behind it. The fill extends under the safe-area edges; this toolkit draws no
/// safe-area insets, so the flag only records what the view asked for.
struct Background : Modifiers<Background> {
  Fill fill;
  bool ignoresSafeArea = true;
  Element content;
  friend bool operator==(const Background&, const Background&) = default;
};

/// Clips the content to a rounded rectangle of its frame with "continuous" (smoothly eased) corners,
/// antialiased.
struct ClipRoundedRect : Modifiers<ClipRoundedRect> {
  double cornerRadius = 0;
  Element content;
  friend bool operator==(const ClipRoundedRect&, const ClipRoundedRect&) = default;
};

/// The link a tap anywhere on the widget opens, unless it lands on a `Link`.
struct WidgetURL : Modifiers<WidgetURL> {
  std::string url;
  Element content;
  friend bool operator==(const WidgetURL&, const WidgetURL&) = default;
};

/// The widget's own background, as the host draws it: `fill` covers the whole widget, and the content is
/// inset by `contentMargin` on every edge and fills the rest. Unset, the margin is the host's content
/// margin of the system families (ui/defaults.h); accessory families get none (0).
struct ContainerBackground : Modifiers<ContainerBackground> {
  Fill fill;
  std::optional<double> contentMargin;
  Element content;
  friend bool operator==(const ContainerBackground&, const ContainerBackground&) = default;
};

/// One element for assistive technologies (screen readers): its label is `label`'s texts, resolved as
/// drawn texts are (translated, times in the user's style), joined by ", ". It stands for everything
/// drawn in `content`, whose own texts are not read apart; the picture does not change.
struct AccessibilityLabel : Modifiers<AccessibilityLabel> {
  std::vector<Text> label;
  Element content;
  friend bool operator==(const AccessibilityLabel&, const AccessibilityLabel&) = default;
};

// ---------------------------------------------------------------------------------------------------------
// Views nested in trees

/// A view as the toolkit holds it in a tree: a value with a body that takes the environment.
class AnyView {
 public:
  virtual ~AnyView() = default;
  virtual Element body(const Environment& environment) const = 0;
  /// The view's type name, e.g. "WidgetCounterView".
  virtual const char* name() const = 0;
  /// The view's fields for `describe`, e.g. "layout: horizontal, style: overdue, count: 3".
  virtual std::string description() const = 0;
  virtual bool equals(const AnyView& other) const = 0;
};

/// A view value inside a tree. A parent view places child views as values (a list holds
/// `WidgetCounterView`s, not their trees), so tests of the parent read which views it holds with which
/// fields; the layout engine evaluates each body once per layout, with the layout's environment.
///
/// A type is a view when it is equality comparable, has `Element body(const Environment&) const` and a
/// `static constexpr const char* kViewName`; `std::string description() const` is optional.
struct ViewElement : Modifiers<ViewElement> {
  std::shared_ptr<const AnyView> view;
  friend bool operator==(const ViewElement& a, const ViewElement& b) { return a.view->equals(*b.view); }
};

template <class V>
class ViewModel final : public AnyView {
 public:
  explicit ViewModel(V value) : value_(std::move(value)) {}
  Element body(const Environment& environment) const override;
  const char* name() const override { return V::kViewName; }
  std::string description() const override {
    if constexpr (requires { value_.description(); })
      return value_.description();
    else
      return {};
  }
  bool equals(const AnyView& other) const override {
    const auto* same = dynamic_cast<const ViewModel*>(&other);
    return same && same->value_ == value_;
  }
  const V& value() const { return value_; }

 private:
  V value_;
};

template <class V>
    struct IsView : std::bool_constant < requires(const V& v, const Environment& e) {
  { v.body(e) } -> std::same_as<Element>;
  { V::kViewName } -> std::convertible_to<const char*>;
  { v == v } -> std::convertible_to<bool>;
} > {};

// ---------------------------------------------------------------------------------------------------------

/// Every kind of node, in one closed set.
struct Node {
  std::variant<EmptyView, Text, Image, Spacer, Divider, AccessoryWidgetBackground, VStack, HStack, ZStack,
               ViewThatFits, Link, Padding, Frame, FlexFrame, FixedSize, LayoutPriority, ForegroundColor,
               SubtreeFont, LineLimit, Background, ClipRoundedRect, WidgetURL, ContainerBackground,
               AccessibilityLabel, ViewElement>
      value;
};

template <class Kind>
struct IsNodeKind : std::bool_constant<!std::is_same_v<Kind, Element> &&
                                       std::is_constructible_v<decltype(Node::value), Kind>> {};

template <class Kind>
requires IsNodeKind<Kind>::value Element::Element(Kind kind)
    : node_(std::make_shared<const Node>(Node{std::move(kind)})) {}

template <class Kind>
const Kind* Element::as() const {
  return std::get_if<Kind>(&node_->value);
}

template <class V>
requires IsView<V>::value Element::Element(V view)
    : Element(ViewElement{.view = std::make_shared<const ViewModel<V>>(std::move(view))}) {}

template <class V>
const V* Element::asView() const {
  const auto* nested = as<ViewElement>();
  const auto* model = nested ? dynamic_cast<const ViewModel<V>*>(nested->view.get()) : nullptr;
  return model ? &model->value() : nullptr;
}

template <class V>
Element ViewModel<V>::body(const Environment& environment) const {
  return value_.body(environment);
}

/// The children of a `ForEach` over `items`: `make(item)` for each item, in order. Stacks take them as
/// their own children (`concat` joins them with fixed ones); identity is the position.
template <class Range, class Make>
std::vector<Element> forEach(const Range& items, Make make) {
  std::vector<Element> out;
  for (const auto& item : items)
    out.push_back(make(item));
  return out;
}

template <class Self>
Element Modifiers<Self>::self() const {
  return Element(static_cast<const Self&>(*this));
}
template <class Self>
Element Modifiers<Self>::padding() const {
  return Padding{.insets = std::nullopt, .content = self()};
}
template <class Self>
Element Modifiers<Self>::padding(double all) const {
  return Padding{.insets = EdgeInsets::all(all), .content = self()};
}
template <class Self>
Element Modifiers<Self>::padding(EdgeInsets insets) const {
  return Padding{.insets = insets, .content = self()};
}
template <class Self>
Element Modifiers<Self>::frame(std::optional<double> width, std::optional<double> height) const {
  return Frame{.width = width, .height = height, .content = self()};
}
template <class Self>
Element Modifiers<Self>::flexibleFrame(FlexFrame limits) const {
  limits.content = self();
  return limits;
}
template <class Self>
Element Modifiers<Self>::fixedSize(bool horizontal, bool vertical) const {
  return FixedSize{.horizontal = horizontal, .vertical = vertical, .content = self()};
}
template <class Self>
Element Modifiers<Self>::layoutPriority(double priority) const {
  return LayoutPriority{.priority = priority, .content = self()};
}
template <class Self>
Element Modifiers<Self>::foregroundColor(Color color) const {
  return ForegroundColor{.color = std::move(color), .content = self()};
}
template <class Self>
Element Modifiers<Self>::font(Font value) const {
  return SubtreeFont{.font = value, .content = self()};
}
template <class Self>
Element Modifiers<Self>::lineLimit(std::optional<int> lines) const {
  return LineLimit{.lines = lines, .content = self()};
}
template <class Self>
Element Modifiers<Self>::background(Fill fill) const {
  return Background{.fill = std::move(fill), .content = self()};
}
template <class Self>
Element Modifiers<Self>::clipRoundedRect(double cornerRadius) const {
  return ClipRoundedRect{.cornerRadius = cornerRadius, .content = self()};
}
template <class Self>
Element Modifiers<Self>::widgetURL(std::string url) const {
  return WidgetURL{.url = std::move(url), .content = self()};
}
template <class Self>
Element Modifiers<Self>::accessibilityLabel(std::vector<Text> label) const {
  return AccessibilityLabel{.label = std::move(label), .content = self()};
}
template <class Self>
Element Modifiers<Self>::containerBackground(Fill fill, std::optional<double> contentMargin) const {
  return ContainerBackground{.fill = std::move(fill), .contentMargin = contentMargin, .content = self()};
}

/// `first` followed by `rest`.
std::vector<Element> concat(std::vector<Element> first, const std::vector<Element>& rest);

/// The direct children of a container (stacks, link label) or the content of a modifier; none for leaves.
std::vector<Element> childrenOf(const Element& element);

/// An indented outline of the tree, one node a line, with the constants each node carries:
///   VStack(alignment: center, spacing: 9)
///     Text(localized "OVERDUE", font: 14 regular)
std::string describe(const Element& element);

}  // namespace rw::ui

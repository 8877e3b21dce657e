#include "ui/elements.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/overloaded.h"

namespace rw::ui {

namespace {

const Element& emptyElement() {
  static const Element empty{EmptyView{}};
  return empty;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Values

Color Color::withOpacity(double factor) const {
  Color out = *this;
  out.opacity = std::clamp(opacity * factor, 0.0, 1.0);
  return out;
}

Text Text::withFont(Font value) const {
  Text out = *this;
  out.font = value;
  return out;
}

Text Text::bolded() const {
  Text out = *this;
  out.bold = true;
  return out;
}

Text Text::withColor(Color value) const {
  Text out = *this;
  out.color = std::move(value);
  return out;
}

// ---------------------------------------------------------------------------------------------------------
// Element

// Every empty element shares one node, so default-constructed children cost no allocation.
Element::Element() : Element(emptyElement()) {}

bool operator==(const Element& a, const Element& b) {
  return a.node_ == b.node_ || a.node_->value == b.node_->value;
}

const char* Element::kindName() const {
  if (const auto* view = as<ViewElement>()) return view->view->name();
  static constexpr const char* kNames[] = {"EmptyView",
                                           "Text",
                                           "Image",
                                           "Spacer",
                                           "Divider",
                                           "AccessoryWidgetBackground",
                                           "VStack",
                                           "HStack",
                                           "ZStack",
                                           "ViewThatFits",
                                           "Link",
                                           "Padding",
                                           "Frame",
                                           "FlexFrame",
                                           "FixedSize",
                                           "LayoutPriority",
                                           "ForegroundColor",
                                           "SubtreeFont",
                                           "LineLimit",
                                           "Background",
                                           "ClipRoundedRect",
                                           "WidgetURL",
                                           "ContainerBackground",
                                           "AccessibilityLabel",
                                           "ViewElement"};
  static_assert(std::size(kNames) == std::variant_size_v<decltype(Node::value)>);
  return kNames[node_->value.index()];
}

// ---------------------------------------------------------------------------------------------------------
// Tree helpers

std::vector<Element> concat(std::vector<Element> first, const std::vector<Element>& rest) {
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

std::vector<Element> childrenOf(const Element& element) {
  return std::visit(Overloaded{
                        [](const VStack& s) { return s.children; },
                        [](const HStack& s) { return s.children; },
                        [](const ZStack& s) { return s.children; },
                        [](const ViewThatFits& s) { return s.children; },
                        [](const Link& l) { return std::vector<Element>{l.label}; },
                        [](const auto& kind) {
                          if constexpr (requires { kind.content; })
                            return std::vector<Element>{kind.content};
                          else
                            return std::vector<Element>{};
                        },
                    },
                    element.node().value);
}

namespace {

std::string number(double value) {
  if (value == kInfinity) return "infinity";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

std::string optionalNumber(const std::optional<double>& value) {
  return value ? number(*value) : "default";
}

std::string_view weightName(FontWeight weight) {
  switch (weight) {
    case FontWeight::regular:
      return "regular";
    case FontWeight::medium:
      return "medium";
    case FontWeight::semibold:
      return "semibold";
    case FontWeight::bold:
      return "bold";
    case FontWeight::heavy:
      return "heavy";
  }
  return "?";
}

std::string fontText(const Font& font) {
  return number(font.size) + " " + std::string(weightName(font.weight));
}

std::string colorText(const Color& color) {
  std::string out = std::visit(Overloaded{
                                   [](StandardColor c) -> std::string {
                                     static constexpr const char* kNames[] = {"white", "black", "red",
                                                                              "green", "gray",  "clear"};
                                     return kNames[static_cast<int>(c)];
                                   },
                                   [](const std::string& name) { return "\"" + name + "\""; },
                                   [](const Rgba& c) {
                                     return "rgba(" + number(c.red) + "," + number(c.green) + "," +
                                            number(c.blue) + "," + number(c.alpha) + ")";
                                   },
                               },
                               color.source);
  if (color.opacity != 1) out += " @" + number(color.opacity);
  return out;
}

std::string fillText(const Fill& fill) {
  if (const auto* color = std::get_if<Color>(&fill)) return colorText(*color);
  const auto& gradient = std::get<LinearGradient>(fill);
  std::string out = "gradient(";
  for (std::size_t i = 0; i < gradient.colors.size(); ++i)
    out += (i ? ", " : "") + colorText(gradient.colors[i]);
  return out + ")";
}

std::string_view alignmentText(HorizontalAlignment a) {
  constexpr std::string_view kNames[] = {"leading", "center", "trailing"};
  return kNames[static_cast<int>(a)];
}

std::string_view alignmentText(VerticalAlignment a) {
  constexpr std::string_view kNames[] = {"top", "center", "bottom", "firstTextBaseline", "lastTextBaseline"};
  return kNames[static_cast<int>(a)];
}

std::string insetsText(const EdgeInsets& e) {
  return number(e.top) + "," + number(e.leading) + "," + number(e.bottom) + "," + number(e.trailing);
}

// The constants of one node, as "(name: value, ...)".
std::string attributes(const Element& element) {
  return std::visit(
      Overloaded{
          [](const Text& t) {
            std::string out = t.kind == Text::Kind::verbatim    ? "\"" + t.string + "\""
                              : t.kind == Text::Kind::localized ? "localized \"" + t.string + "\""
                                                                : "time " + number(t.date.sinceReferenceDate);
            if (t.font) out += ", font: " + fontText(*t.font);
            if (t.bold) out += ", bold";
            if (t.color) out += ", color: " + colorText(*t.color);
            return out;
          },
          [](const Image& i) { return "systemName: \"" + i.systemName + "\""; },
          [](const Spacer& s) { return "minLength: " + optionalNumber(s.minLength); },
          [](const VStack& s) {
            return "alignment: " + std::string(alignmentText(s.alignment)) +
                   ", spacing: " + optionalNumber(s.spacing);
          },
          [](const HStack& s) {
            return "alignment: " + std::string(alignmentText(s.alignment)) +
                   ", spacing: " + optionalNumber(s.spacing);
          },
          [](const ZStack& s) {
            return "alignment: " + std::string(alignmentText(s.alignment.horizontal)) + "/" +
                   std::string(alignmentText(s.alignment.vertical));
          },
          [](const Link& l) { return "destination: " + l.destination; },
          [](const Padding& p) { return p.insets ? insetsText(*p.insets) : std::string("default"); },
          [](const Frame& f) {
            return "width: " + optionalNumber(f.width) + ", height: " + optionalNumber(f.height);
          },
          [](const FlexFrame& f) {
            auto o = [](const std::optional<double>& v) { return v ? number(*v) : std::string("-"); };
            return "width: " + o(f.minWidth) + "/" + o(f.idealWidth) + "/" + o(f.maxWidth) +
                   ", height: " + o(f.minHeight) + "/" + o(f.idealHeight) + "/" + o(f.maxHeight);
          },
          [](const FixedSize& f) {
            return std::string("horizontal: ") + (f.horizontal ? "true" : "false") +
                   ", vertical: " + (f.vertical ? "true" : "false");
          },
          [](const LayoutPriority& p) { return number(p.priority); },
          [](const ForegroundColor& c) { return colorText(c.color); },
          [](const SubtreeFont& f) { return fontText(f.font); },
          [](const LineLimit& l) { return l.lines ? std::to_string(*l.lines) : std::string("none"); },
          [](const Background& b) { return fillText(b.fill); },
          [](const ClipRoundedRect& c) { return "cornerRadius: " + number(c.cornerRadius); },
          [](const WidgetURL& w) { return w.url; },
          [](const ContainerBackground& c) {
            return c.contentMargin ? fillText(c.fill) + ", margin: " + number(*c.contentMargin)
                                   : fillText(c.fill);
          },
          [](const AccessibilityLabel& a) {
            std::string out;
            for (const Text& t : a.label)
              out += (out.empty() ? "\"" : ", \"") + t.string + "\"";
            return out;
          },
          [](const ViewElement& v) { return v.view->description(); },
          [](const auto&) { return std::string(); },
      },
      element.node().value);
}

void describeInto(const Element& element, int depth, std::string& out) {
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  out += element.kindName();
  if (std::string attrs = attributes(element); !attrs.empty()) out += "(" + attrs + ")";
  out += '\n';
  for (const Element& child : childrenOf(element))
    describeInto(child, depth + 1, out);
}

}  // namespace

std::string describe(const Element& element) {
  std::string out;
  describeInto(element, 0, out);
  return out;
}

}  // namespace rw::ui

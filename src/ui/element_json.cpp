#include "ui/element_json.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "ui/color_resources.h"

namespace rw::ui {

using nlohmann::json;

namespace {

struct Invalid : std::invalid_argument {
  using std::invalid_argument::invalid_argument;
};

template <class Enum, std::size_t N>
Enum choose(const json& value, const std::pair<const char*, Enum> (&cases)[N], const char* what) {
  const std::string name = value.get<std::string>();
  for (const auto& [text, e] : cases)
    if (name == text) return e;
  throw Invalid(std::string("unknown ") + what + " \"" + name + "\"");
}

double length(const json& value) {
  if (value.is_string() && value.get<std::string>() == "infinity") return kInfinity;
  if (!value.is_number()) throw Invalid("expected a number or \"infinity\", got " + value.dump());
  return value.get<double>();
}

// A whole number of lines: a fraction, or a number no int holds, is refused rather than converted.
int lineCount(const json& value) {
  if (value.is_number_unsigned()) {
    if (value.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
      return value.get<int>();
  } else if (value.is_number_integer()) {
    const std::int64_t lines = value.get<std::int64_t>();
    if (lines >= std::numeric_limits<int>::min() && lines <= std::numeric_limits<int>::max())
      return static_cast<int>(lines);
  }
  throw Invalid("expected a whole number of lines, got " + value.dump());
}

std::optional<double> optionalLength(const json& object, const char* key) {
  if (!object.contains(key) || object[key].is_null()) return std::nullopt;
  return length(object[key]);
}

Color color(const json& value) {
  static constexpr std::pair<const char*, StandardColor> kStandard[] = {
      {"white", StandardColor::white}, {"black", StandardColor::black}, {"red", StandardColor::red},
      {"green", StandardColor::green}, {"gray", StandardColor::gray},   {"clear", StandardColor::clear}};
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    if (!text.empty() && text[0] == '#') {
      const auto rgba = parseHexColor(text);
      if (!rgba) throw Invalid("bad colour " + text);
      return Color{*rgba};
    }
    return Color{choose(value, kStandard, "colour")};
  }
  if (!value.is_object()) throw Invalid("expected a colour, got " + value.dump());
  Color out;
  if (value.contains("named"))
    out = Color::named(value["named"].get<std::string>());
  else if (value.contains("standard"))
    out = Color{choose(value["standard"], kStandard, "colour")};
  else if (value.contains("hex"))
    out = color(value["hex"]);
  else
    throw Invalid("a colour object needs \"named\", \"standard\" or \"hex\"");
  if (value.contains("opacity")) out = out.withOpacity(value["opacity"].get<double>());
  return out;
}

Fill fill(const json& value) {
  if (!value.is_object() || !value.contains("gradient")) return color(value);
  LinearGradient gradient;
  for (const json& c : value["gradient"])
    gradient.colors.push_back(color(c));
  auto point = [&](const char* key, UnitPoint fallback) {
    if (!value.contains(key)) return fallback;
    return UnitPoint{value[key].at(0).get<double>(), value[key].at(1).get<double>()};
  };
  gradient.startPoint = point("start", UnitPoint::top());
  gradient.endPoint = point("end", UnitPoint::bottom());
  return gradient;
}

Font font(const json& value) {
  static constexpr std::pair<const char*, FontWeight> kWeights[] = {{"regular", FontWeight::regular},
                                                                    {"medium", FontWeight::medium},
                                                                    {"semibold", FontWeight::semibold},
                                                                    {"bold", FontWeight::bold},
                                                                    {"heavy", FontWeight::heavy}};
  static constexpr std::pair<const char*, FontDesign> kDesigns[] = {{"default", FontDesign::standard},
                                                                    {"rounded", FontDesign::rounded},
                                                                    {"monospaced", FontDesign::monospaced},
                                                                    {"serif", FontDesign::serif}};
  Font out = Font::system(value.at("size").get<double>());
  if (value.contains("weight")) out.weight = choose(value["weight"], kWeights, "weight");
  if (value.contains("design")) out.design = choose(value["design"], kDesigns, "design");
  return out;
}

Alignment alignment(const json& value) {
  static constexpr std::pair<const char*, Alignment> kCases[] = {{"center", Alignment::center()},
                                                                 {"leading", Alignment::leading()},
                                                                 {"topLeading", Alignment::topLeading()}};
  return choose(value, kCases, "alignment");
}

// Trees deeper than this are refused: nothing the widget draws comes near, and the parser, the layout and
// the renderer all recurse once per level.
constexpr int kMaxDepth = 64;
thread_local int depth = 0;
// The kinds the caller of the parse in progress on this thread adds.
thread_local std::span<const ElementJsonKind> extraKinds;

struct Nesting {
  Nesting() {
    if (++depth > kMaxDepth) {
      --depth;
      throw Invalid("the tree is nested more than " + std::to_string(kMaxDepth) + " levels deep");
    }
  }
  ~Nesting() { --depth; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;
};

Element element(const json& value);

std::vector<Element> children(const json& object) {
  std::vector<Element> out;
  if (object.contains("children"))
    for (const json& child : object["children"])
      out.push_back(element(child));
  return out;
}

std::optional<double> spacing(const json& object) {
  return optionalLength(object, "spacing");
}

Element text(const json& object, Text base) {
  if (object.contains("font")) base = base.withFont(font(object["font"]));
  if (object.value("bold", false)) base = base.bolded();
  if (object.contains("color")) base = base.withColor(color(object["color"]));
  return base;
}

Element kind(const json& object) {
  if (object.contains("Text")) return text(object, Text::verbatim(object["Text"].get<std::string>()));
  if (object.contains("Localized"))
    return text(object, Text::localized(object["Localized"].get<std::string>()));
  if (object.contains("Time")) {
    const auto date = parseRfc3339(object["Time"].get<std::string>());
    if (!date) throw Invalid("bad time " + object["Time"].dump());
    return text(object, Text::time(*date));
  }
  if (object.contains("Image")) return Image{.systemName = object["Image"].get<std::string>()};
  if (object.contains("Spacer")) return Spacer{.minLength = optionalLength(object["Spacer"], "minLength")};
  if (object.contains("Divider")) return Divider{};
  if (object.contains("VStack")) {
    static constexpr std::pair<const char*, HorizontalAlignment> kCases[] = {
        {"leading", HorizontalAlignment::leading},
        {"center", HorizontalAlignment::center},
        {"trailing", HorizontalAlignment::trailing}};
    const json& s = object["VStack"];
    return VStack{.alignment = s.contains("alignment") ? choose(s["alignment"], kCases, "alignment")
                                                       : HorizontalAlignment::center,
                  .spacing = spacing(s),
                  .children = children(s)};
  }
  if (object.contains("HStack")) {
    static constexpr std::pair<const char*, VerticalAlignment> kCases[] = {
        {"top", VerticalAlignment::top},
        {"center", VerticalAlignment::center},
        {"bottom", VerticalAlignment::bottom},
        {"firstTextBaseline", VerticalAlignment::firstTextBaseline},
        {"lastTextBaseline", VerticalAlignment::lastTextBaseline}};
    const json& s = object["HStack"];
    return HStack{.alignment = s.contains("alignment") ? choose(s["alignment"], kCases, "alignment")
                                                       : VerticalAlignment::center,
                  .spacing = spacing(s),
                  .children = children(s)};
  }
  if (object.contains("ZStack")) {
    const json& s = object["ZStack"];
    return ZStack{.alignment = s.contains("alignment") ? alignment(s["alignment"]) : Alignment::center(),
                  .children = children(s)};
  }
  if (object.contains("Link"))
    return Link{.destination = object["Link"].at("destination").get<std::string>(),
                .label = element(object["Link"].at("label"))};
  for (const ElementJsonKind& extra : extraKinds)
    if (object.contains(extra.name)) return extra.make(object[std::string(extra.name)]);
  throw Invalid("no element kind in " + object.dump());
}

Element modified(Element subject, const json& modifier) {
  if (!modifier.is_object() || modifier.size() != 1) throw Invalid("a modifier is an object with one key");
  const auto only = modifier.begin();
  const std::string& name = only.key();
  const json& value = only.value();
  if (name == "padding") {
    if (value.is_null()) return subject.padding();
    if (value.is_array())
      return subject.padding(
          EdgeInsets{length(value.at(0)), length(value.at(1)), length(value.at(2)), length(value.at(3))});
    return subject.padding(length(value));
  }
  if (name == "frame") return subject.frame(optionalLength(value, "width"), optionalLength(value, "height"));
  if (name == "flexibleFrame")
    return subject.flexibleFrame(
        {.minWidth = optionalLength(value, "minWidth"),
         .idealWidth = optionalLength(value, "idealWidth"),
         .maxWidth = optionalLength(value, "maxWidth"),
         .minHeight = optionalLength(value, "minHeight"),
         .idealHeight = optionalLength(value, "idealHeight"),
         .maxHeight = optionalLength(value, "maxHeight"),
         .alignment = value.contains("alignment") ? alignment(value["alignment"]) : Alignment::center()});
  if (name == "fixedSize")
    return value.is_array() ? subject.fixedSize(value.at(0).get<bool>(), value.at(1).get<bool>())
                            : subject.fixedSize();
  if (name == "layoutPriority") return subject.layoutPriority(value.get<double>());
  if (name == "foregroundColor") return subject.foregroundColor(color(value));
  if (name == "font") return subject.font(font(value));
  if (name == "lineLimit")
    return subject.lineLimit(value.is_null() ? std::nullopt : std::optional<int>(lineCount(value)));
  if (name == "background") return subject.background(fill(value));
  if (name == "clipRoundedRect") return subject.clipRoundedRect(length(value));
  if (name == "widgetURL") return subject.widgetURL(value.get<std::string>());
  if (name == "containerBackground") return subject.containerBackground(fill(value));
  throw Invalid("unknown modifier \"" + name + "\"");
}

Element element(const json& value) {
  const Nesting level;
  if (value.is_string()) {
    const std::string name = value.get<std::string>();
    if (name == "Spacer") return Spacer{};
    if (name == "Divider") return Divider{};
    if (name == "AccessoryWidgetBackground") return AccessoryWidgetBackground{};
    if (name == "EmptyView") return EmptyView{};
    throw Invalid("unknown element \"" + name + "\"");
  }
  if (!value.is_object()) throw Invalid("expected an element, got " + value.dump());
  Element out = kind(value);
  if (value.contains("modifiers"))
    for (const json& modifier : value["modifiers"])
      out = modified(out, modifier);
  return out;
}

}  // namespace

Result<Element> parseElementJson(std::string_view text, std::span<const ElementJsonKind> kinds) {
  const json document = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) return Failure{"not valid JSON"};
  extraKinds = kinds;
  struct Reset {
    ~Reset() { extraKinds = {}; }
  } reset;
  try {
    return element(document);
  } catch (const std::invalid_argument& e) {
    return Failure{e.what()};
  } catch (const json::exception& e) {
    return Failure{e.what()};
  }
}

}  // namespace rw::ui

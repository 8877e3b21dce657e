// Element trees written as JSON, so that any tree can be drawn from the command line.
//
// An element is one of:
//   "Spacer", "Divider", "AccessoryWidgetBackground", "EmptyView"
//   {"Text": "verbatim"} | {"Localized": "KEY"} | {"Time": "2026-06-10T17:00:00Z"}
//       with optional "font": {"size": 14, "weight": "regular|medium|semibold|bold|heavy",
//       "design": "default|rounded|monospaced|serif"}, "bold": true, "color": COLOR
//   {"Image": "flame.fill"}
//   {"Spacer": {"minLength": 0}}
//   {"VStack" | "HStack" | "ZStack": {"alignment": "...", "spacing": 8, "children": [ELEMENT...]}}
//       (VStack: leading|center|trailing; HStack: top|center|bottom|firstTextBaseline|lastTextBaseline;
//       ZStack: center|leading|topLeading)
//   {"Link": {"destination": "url", "label": ELEMENT}}
//   or a kind the caller adds (ElementJsonKind), such as the views' {"WidgetCounterView": {...}}
// and any element object may carry "modifiers": a list applied in order, innermost first, of
//   {"padding": 8 | [top, leading, bottom, trailing] | null (the default)}, {"frame": {"width": , "height":
//   }},
//   {"flexibleFrame": {"minWidth": , "idealWidth": , "maxWidth": , "minHeight": , "idealHeight": ,
//   "maxHeight": , "alignment": }}, {"fixedSize": true | [horizontal, vertical]}, {"layoutPriority": 1},
//   {"foregroundColor": COLOR}, {"font": FONT}, {"lineLimit": 1 | null}, {"background": FILL},
//   {"clipRoundedRect": 8}, {"widgetURL": "url"}, {"containerBackground": FILL}.
// Lengths are numbers or "infinity". COLOR is "white|black|red|green|gray|clear", "#RRGGBB[AA]", or
// {"named": "WidgetBackgroundTop" | "standard": "red" | "hex": "#...", "opacity": 0.8}. FILL is a COLOR
// or {"gradient": [COLOR...], "start": [0.5, 0], "end": [0.5, 1]}. Elements nest at most 64 levels deep
// (a modifier does not count as a level).
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <span>
#include <string_view>

#include "platform/result.h"
#include "ui/elements.h"

namespace rw::ui {

/// An element kind that code above the toolkit adds to the form: an object with the key `name` is made by
/// `make` from the value under that key. `make` reports a bad value by throwing std::invalid_argument (or
/// by nlohmann::json's own exceptions); either becomes the parse's failure.
struct ElementJsonKind {
  std::string_view name;
  std::function<Element(const nlohmann::json&)> make;
};

/// The tree that `json` describes, or why it is not a valid description.
[[nodiscard]] Result<Element> parseElementJson(std::string_view json,
                                               std::span<const ElementJsonKind> extraKinds = {});

}  // namespace rw::ui

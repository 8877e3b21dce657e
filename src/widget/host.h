// What the widget host passes in and takes back: families, the request context and timelines with their
// reload policy (sizes, the platform version and the rendering mode are in platform/display.h). Plain values;
// the host that drives them is the command line (app/).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/display.h"

namespace rw {

enum class WidgetFamily : std::uint8_t {
  systemSmall,
  systemMedium,
  systemLarge,
  systemExtraLarge,
  accessoryCircular,
  accessoryRectangular,
  accessoryInline,
};

inline constexpr std::array<std::pair<WidgetFamily, std::string_view>, 7> kWidgetFamilyNames{{
    {WidgetFamily::systemSmall, "systemSmall"},
    {WidgetFamily::systemMedium, "systemMedium"},
    {WidgetFamily::systemLarge, "systemLarge"},
    {WidgetFamily::systemExtraLarge, "systemExtraLarge"},
    {WidgetFamily::accessoryCircular, "accessoryCircular"},
    {WidgetFamily::accessoryRectangular, "accessoryRectangular"},
    {WidgetFamily::accessoryInline, "accessoryInline"},
}};

constexpr std::string_view familyName(WidgetFamily family) {
  for (const auto& [f, name] : kWidgetFamilyNames)
    if (f == family) return name;
  return "unknown";
}

constexpr std::optional<WidgetFamily> familyNamed(std::string_view name) {
  for (const auto& [f, n] : kWidgetFamilyNames)
    if (n == name) return f;
  return std::nullopt;
}

/// What the host tells the provider about the widget it asks for.
struct TimelineProviderContext {
  WidgetFamily family = WidgetFamily::systemSmall;
  Size displaySize;
};

/// When the host asks for a new timeline: after the last entry's date, or only on a reload from outside.
enum class TimelineReloadPolicy : std::uint8_t { atEnd, never };

constexpr std::string_view policyName(TimelineReloadPolicy policy) {
  return policy == TimelineReloadPolicy::atEnd ? "atEnd" : "never";
}

template <class Entry>
struct Timeline {
  std::vector<Entry> entries;  // ascending dates
  TimelineReloadPolicy policy = TimelineReloadPolicy::atEnd;
};

}  // namespace rw

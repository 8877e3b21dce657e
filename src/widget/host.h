// What the widget host passes in and takes back: families, the request context, timelines with their
// reload policy, the platform version and the rendering mode. Plain values; the host that drives them is
// the command line (app/).
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

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

/// Width and height in points.
struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

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

/// The running platform version, compared as major.minor.patch.
struct PlatformVersion {
  int major = 14;
  int minor = 0;
  int patch = 0;
  friend constexpr auto operator<=>(const PlatformVersion&, const PlatformVersion&) = default;
  constexpr bool isAtLeast(int maj, int min = 0, int pat = 0) const {
    return *this >= PlatformVersion{maj, min, pat};
  }
};

/// How the host presents the widget.
enum class WidgetRenderingMode : std::uint8_t { fullColor, accented, vibrant };

}  // namespace rw

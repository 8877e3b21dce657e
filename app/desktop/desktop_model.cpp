#include "desktop_model.h"

#include <charconv>

#include "platform/url.h"
#include "ui/hit_testing.h"
#include "views/reminder_view.h"

namespace rw::app::desktop {

std::optional<WidgetFamily> desktopFamilyNamed(std::string_view name) {
  if (name == "extra-large") return WidgetFamily::systemExtraLarge;
  for (const DesktopFamily& family : kDesktopFamilies)
    if (family.name == name) return family.family;
  return familyNamed(name);
}

std::optional<WindowPosition> parseWindowPosition(std::string_view text) {
  const auto comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  auto coordinate = [](std::string_view part) -> std::optional<int> {
    // from_chars takes a leading minus but not a plus; a plus is as plain a way to write it.
    if (!part.empty() && part.front() == '+') part.remove_prefix(1);
    int value = 0;
    const char* end = part.data() + part.size();
    const auto [ptr, error] = std::from_chars(part.data(), end, value);
    if (part.empty() || error != std::errc{} || ptr != end || value < -32767 || value > 32767)
      return std::nullopt;
    return value;
  };
  const auto x = coordinate(text.substr(0, comma));
  const auto y = coordinate(text.substr(comma + 1));
  if (!x || !y) return std::nullopt;
  return WindowPosition{*x, *y};
}

std::optional<std::string> urlForClick(const ui::LayoutNode& root, Size widget, ui::Point point) {
  // The window can be a pixel larger than the widget (sizes round up), and a click there is on no widget.
  if (!(point.x >= 0 && point.y >= 0 && point.x < widget.width && point.y < widget.height))
    return std::nullopt;
  std::string url = ui::linkAt(root, point).value_or(std::string(kWidgetLinkURL));
  if (!isOpenableLink(url)) return std::nullopt;
  return url;
}

}  // namespace rw::app::desktop

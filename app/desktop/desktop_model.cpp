#include "desktop_model.h"

#include <algorithm>
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
  return openableURL(ui::linkAt(root, point).value_or(std::string(kWidgetLinkURL)));
}

std::optional<std::string> openableURL(std::string url) {
  if (!isOpenableLink(url)) return std::nullopt;
  return url;
}

namespace {

using Role = AccessibleTarget::Role;

const ui::LinkPaint* rowLink(const ui::LayoutNode& node) {
  const auto* link = std::get_if<ui::LinkPaint>(&node.paint);
  return link && !link->widgetWide ? link : nullptr;
}

// The texts drawn in `node` (not the symbols' glyphs), joined by ", ".
void drawnTexts(const ui::LayoutNode& node, std::string& out) {
  if (const ui::TextPaint* text = node.text();
      text && std::string_view(node.kind) == "Text" && !text->text.empty())
    out += (out.empty() ? "" : ", ") + text->text;
  for (const ui::LayoutNode& child : node.children)
    drawnTexts(child, out);
}

void collectTargets(const ui::LayoutNode& node, std::vector<AccessibleTarget>& out) {
  if (node.frame.width() <= 0 || node.frame.height() <= 0) return;
  if (const auto* accessible = std::get_if<ui::AccessibilityPaint>(&node.paint)) {
    const auto links = ui::findAll(node, [](const ui::LayoutNode& n) { return rowLink(n) != nullptr; });
    AccessibleTarget target{.frame = node.frame, .label = accessible->label};
    if (!links.empty()) {
      target.role = Role::link;
      target.url = rowLink(*links.front())->url;
    }
    out.push_back(std::move(target));
    return;
  }
  if (const ui::LinkPaint* link = rowLink(node)) {
    AccessibleTarget target{.role = Role::link, .frame = node.frame, .url = link->url};
    drawnTexts(node, target.label);
    out.push_back(std::move(target));
    return;
  }
  if (node.text() != nullptr) {
    AccessibleTarget target{.frame = node.frame};
    drawnTexts(node, target.label);
    if (!target.label.empty()) out.push_back(std::move(target));
    return;
  }
  for (const ui::LayoutNode& child : node.children)
    collectTargets(child, out);
}

}  // namespace

std::vector<AccessibleTarget> accessibleTargets(const ui::LayoutNode& root, Size widget,
                                                std::string_view widgetName) {
  std::vector<AccessibleTarget> out;
  for (const ui::LinkArea& area : ui::linkAreas(root))
    if (area.widgetWide) {
      const auto* clip = std::get_if<ui::ClipPaint>(&root.paint);
      out.push_back({.role = Role::link,
                     .frame = {{0, 0}, widget},
                     .label = std::string(widgetName),
                     .url = area.url,
                     .cornerRadius = clip ? clip->cornerRadius : 0});
      break;
    }
  collectTargets(root, out);
  return out;
}

std::optional<std::size_t> nextFocus(const std::vector<AccessibleTarget>& targets,
                                     std::optional<std::size_t> from, int step) {
  std::vector<std::size_t> links;
  for (std::size_t i = 0; i < targets.size(); ++i)
    if (targets[i].role == Role::link) links.push_back(i);
  if (links.empty() || step == 0) return from;
  const auto count = static_cast<std::ptrdiff_t>(links.size());
  // Where `from` stands among the links: on one, or between two (before the first: a step forward lands on
  // the first, a step back on the last).
  std::ptrdiff_t at = step > 0 ? -1 : count;
  if (from) {
    const auto after = std::lower_bound(links.begin(), links.end(), *from) - links.begin();
    const bool on = after < count && links[static_cast<std::size_t>(after)] == *from;
    at = on || step < 0 ? after : after - 1;
  }
  const std::ptrdiff_t next = ((at + step) % count + count) % count;
  return links[static_cast<std::size_t>(next)];
}

ui::FocusRing focusRingFor(const AccessibleTarget& target) {
  // A frame at the widget's corner (the widget's own link) has no room outside it: the ring follows its
  // rounded edge inside. A row has the content margins and the row spacing around it.
  const ui::Rect& f = target.frame;
  const bool inside = f.origin == ui::Point{0, 0};
  const double out = inside ? -2 : 3;
  return {.frame = {{f.minX() - out, f.minY() - out}, {f.width() + 2 * out, f.height() + 2 * out}},
          .cornerRadius = inside ? std::max(0.0, target.cornerRadius - 2) : target.cornerRadius + 6};
}

}  // namespace rw::app::desktop

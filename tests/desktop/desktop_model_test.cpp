// What the desktop host decides without a window: family names, window positions, what a click opens.
#include "desktop_model.h"

#include <gtest/gtest.h>

#include "ui/hit_testing.h"

namespace rw::app::desktop {
namespace {

TEST(DesktopFamily, DesktopNamesAndTheCommandLinesNames) {
  using F = WidgetFamily;
  const std::pair<const char*, std::optional<F>> cases[] = {{"small", F::systemSmall},
                                                            {"medium", F::systemMedium},
                                                            {"large", F::systemLarge},
                                                            {"extra large", F::systemExtraLarge},
                                                            {"extra-large", F::systemExtraLarge},
                                                            {"systemExtraLarge", F::systemExtraLarge},
                                                            {"accessoryCircular", F::accessoryCircular},
                                                            {"Large", std::nullopt},
                                                            {"extra  large", std::nullopt},
                                                            {"huge", std::nullopt},
                                                            {"", std::nullopt}};
  for (const auto& [name, family] : cases)
    EXPECT_EQ(desktopFamilyNamed(name), family) << '"' << name << '"';
  // Every size the menu offers is one --family takes.
  for (const DesktopFamily& offered : kDesktopFamilies)
    EXPECT_EQ(desktopFamilyNamed(offered.name), offered.family) << offered.name;
}

TEST(WindowPosition, TwoIntegersWithinTheScreensCoordinates) {
  const std::pair<const char*, std::optional<WindowPosition>> cases[] = {
      {"0,0", WindowPosition{0, 0}},
      {"40,30", WindowPosition{40, 30}},
      {"-20,+15", WindowPosition{-20, 15}},
      {"32767,-32767", WindowPosition{32767, -32767}}};
  for (const auto& [text, position] : cases)
    EXPECT_EQ(parseWindowPosition(text), position) << text;
  for (const char* bad : {"32768,0", "0,-32768", "99999999999,0", "1.5,2", "1,2,3", " 1,2", "1, 2", "1,",
                          ",2", "+,2", "12", ""})
    EXPECT_EQ(parseWindowPosition(bad), std::nullopt) << '"' << bad << '"';
}

ui::LayoutNode linkNode(ui::Rect frame, std::string url, bool widgetWide = false) {
  return {.kind = widgetWide ? "WidgetURL" : "Link",
          .frame = frame,
          .paint = ui::LinkPaint{.url = std::move(url), .widgetWide = widgetWide}};
}

// A widget of 200x100 points with three rows: a web link, a "file:" link and a "javascript:" link.
ui::LayoutNode widgetWithRows(std::string widgetURL) {
  ui::LayoutNode widget = linkNode({{0, 0}, {200, 100}}, std::move(widgetURL), true);
  widget.children = {linkNode({{0, 0}, {200, 30}}, "https://example.org/e/1"),
                     linkNode({{0, 30}, {200, 30}}, "file:///etc/passwd"),
                     linkNode({{0, 60}, {200, 30}}, "JavaScript:alert(1)")};
  return widget;
}

TEST(ClickTarget, TheRowsOwnLinkElseTheWidgetsOrTheAppsAndNeverAnUnsafeScheme) {
  const ui::LayoutNode widget = widgetWithRows("corvantis2://reminders");
  const ui::LayoutNode hostile = widgetWithRows("data:text/html,<script>x</script>");
  const ui::LayoutNode bare{.kind = "VStack", .frame = {{0, 0}, {50, 50}}};  // no link: the app's
  // Below the rows the widget's link; "file:" and "javascript:" links are shown, never opened; the window
  // rounds the widget's size up by up to a pixel, and past the widget nothing opens.
  const std::tuple<const ui::LayoutNode&, ui::Point, std::optional<std::string>> cases[] = {
      {widget, {100, 15}, "https://example.org/e/1"},
      {widget, {0, 0}, "https://example.org/e/1"},
      {widget, {100, 95}, "corvantis2://reminders"},
      {widget, {100, 45}, std::nullopt},
      {widget, {100, 75}, std::nullopt},
      {widget, {200, 50}, std::nullopt},
      {widget, {50, 100}, std::nullopt},
      {widget, {-0.5, 50}, std::nullopt},
      {bare, {25, 25}, "corvantis2://reminders"},
      {hostile, {100, 95}, std::nullopt},
      {hostile, {100, 15}, "https://example.org/e/1"}};
  for (const auto& [tree, at, url] : cases)
    EXPECT_EQ(urlForClick(tree, {tree.frame.size.width, tree.frame.size.height}, at), url)
        << tree.kind << " at " << at.x << "," << at.y;
}

}  // namespace
}  // namespace rw::app::desktop

// What the desktop host decides without a window: family names, window positions, what a click opens.
#include "desktop_model.h"

#include <gtest/gtest.h>

#include "ui/hit_testing.h"

namespace rw::app::desktop {
namespace {

TEST(DesktopFamily, DesktopNamesAndTheCommandLinesNames) {
  const struct {
    const char* name;
    std::optional<WidgetFamily> family;
  } cases[] = {
      {"small", WidgetFamily::systemSmall},
      {"medium", WidgetFamily::systemMedium},
      {"large", WidgetFamily::systemLarge},
      {"extra large", WidgetFamily::systemExtraLarge},
      {"extra-large", WidgetFamily::systemExtraLarge},
      {"systemExtraLarge", WidgetFamily::systemExtraLarge},
      {"accessoryCircular", WidgetFamily::accessoryCircular},
      {"Large", std::nullopt},
      {"extra  large", std::nullopt},
      {"huge", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(desktopFamilyNamed(c.name), c.family) << '"' << c.name << '"';
  // Every size the menu offers is one --family takes.
  for (const DesktopFamily& offered : kDesktopFamilies)
    EXPECT_EQ(desktopFamilyNamed(offered.name), offered.family) << offered.name;
}

TEST(WindowPosition, TwoIntegersWithinTheScreensCoordinates) {
  const struct {
    const char* text;
    std::optional<WindowPosition> position;
  } cases[] = {
      {"0,0", WindowPosition{0, 0}},
      {"40,30", WindowPosition{40, 30}},
      {"-20,+15", WindowPosition{-20, 15}},
      {"32767,-32767", WindowPosition{32767, -32767}},
      {"32768,0", std::nullopt},
      {"0,-32768", std::nullopt},
      {"99999999999,0", std::nullopt},
      {"1.5,2", std::nullopt},
      {"1,2,3", std::nullopt},
      {" 1,2", std::nullopt},
      {"1, 2", std::nullopt},
      {"1,", std::nullopt},
      {",2", std::nullopt},
      {"+,2", std::nullopt},
      {"12", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parseWindowPosition(c.text), c.position) << '"' << c.text << '"';
}

ui::LayoutNode linkNode(ui::Rect frame, std::string url, bool widgetWide = false) {
  return {.kind = widgetWide ? "WidgetURL" : "Link",
          .frame = frame,
          .paint = ui::LinkPaint{.url = std::move(url), .widgetWide = widgetWide}};
}

// A widget of 200x100 points with three rows: a web link, a "file:" link and a "javascript:" link.
ui::LayoutNode widgetWithRows(std::string widgetURL = "corvantis2://reminders") {
  ui::LayoutNode widget = linkNode({{0, 0}, {200, 100}}, std::move(widgetURL), true);
  widget.children.push_back(linkNode({{0, 0}, {200, 30}}, "https://example.org/e/1"));
  widget.children.push_back(linkNode({{0, 30}, {200, 30}}, "file:///etc/passwd"));
  widget.children.push_back(linkNode({{0, 60}, {200, 30}}, "JavaScript:alert(1)"));
  return widget;
}

TEST(ClickTarget, TheRowsOwnLinkElseTheWidgetsOrTheAppsAndNeverAnUnsafeScheme) {
  const ui::LayoutNode widget = widgetWithRows();
  const ui::LayoutNode hostile = widgetWithRows("data:text/html,<script>x</script>");
  const ui::LayoutNode bare{.kind = "VStack", .frame = {{0, 0}, {50, 50}}};  // no link: the app's
  const struct {
    const ui::LayoutNode& tree;
    ui::Point at;
    std::optional<std::string> url;
  } cases[] = {
      {widget, {100, 15}, "https://example.org/e/1"},
      {widget, {0, 0}, "https://example.org/e/1"},
      {widget, {100, 95}, "corvantis2://reminders"},  // below the rows: the widget's link
      {widget, {100, 45}, std::nullopt},              // a file: link is shown, never opened
      {widget, {100, 75}, std::nullopt},              // nor javascript:, in any case
      // The window rounds the widget's size up by up to a pixel; past the widget nothing opens.
      {widget, {200, 50}, std::nullopt},
      {widget, {50, 100}, std::nullopt},
      {widget, {-0.5, 50}, std::nullopt},
      {bare, {25, 25}, "corvantis2://reminders"},
      {hostile, {100, 95}, std::nullopt},  // a widget link the program would not open
      {hostile, {100, 15}, "https://example.org/e/1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(urlForClick(c.tree, {c.tree.frame.size.width, c.tree.frame.size.height}, c.at), c.url)
        << c.tree.kind << " at " << c.at.x << "," << c.at.y;
}

}  // namespace
}  // namespace rw::app::desktop

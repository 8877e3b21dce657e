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

TEST(ClickTarget, TheRowsOwnLinkElseTheWidgetsAndNeverAnUnsafeScheme) {
  const ui::LayoutNode widget = widgetWithRows();
  const Size size{200, 100};
  const struct {
    ui::Point at;
    std::optional<std::string> url;
  } cases[] = {
      {{100, 15}, "https://example.org/e/1"},
      {{0, 0}, "https://example.org/e/1"},
      {{100, 95}, "corvantis2://reminders"},  // below the rows: the widget's link
      {{100, 45}, std::nullopt},              // a file: link is shown, never opened
      {{100, 75}, std::nullopt},              // nor javascript:, in any case
      // The window rounds the widget's size up by up to a pixel; past the widget nothing opens.
      {{200, 50}, std::nullopt},
      {{50, 100}, std::nullopt},
      {{-0.5, 50}, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(urlForClick(widget, size, c.at), c.url) << c.at.x << "," << c.at.y;
}

TEST(ClickTarget, TheAppsLinkWhereTheTreeHasNone) {
  // A tree without any link still opens the app: a click anywhere on the widget does.
  const ui::LayoutNode bare{.kind = "VStack", .frame = {{0, 0}, {50, 50}}};
  EXPECT_EQ(urlForClick(bare, {50, 50}, {25, 25}), "corvantis2://reminders");
  // A widget link the program would not open is not opened either.
  const ui::LayoutNode hostile = widgetWithRows("data:text/html,<script>x</script>");
  EXPECT_EQ(urlForClick(hostile, {200, 100}, {100, 95}), std::nullopt);
  EXPECT_EQ(urlForClick(hostile, {200, 100}, {100, 15}), "https://example.org/e/1");
}

}  // namespace
}  // namespace rw::app::desktop

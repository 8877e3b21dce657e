// The small view of platform 14 on: the date header on the user's calendar, its two counter rows and their
// background opacity in each rendering mode.
#include "views/flexible_small_view.h"

#include <gtest/gtest.h>

#include "support/view_probes.h"
#include "ui/layout.h"

namespace rw {
namespace {

using namespace ui;

LayoutNode smallView(const char* zone, const char* locale, WidgetRenderingMode mode) {
  const Environment environment{
      .renderingMode = mode,
      .settings = UserSettings{.calendar = *Calendar::make(zone, locale), .strings = Catalog()}};
  // Sunday the 5th in UTC, already Monday the 6th in Berlin.
  const RemindersWidgetTimelineEntry entry{.date = parseRfc3339("2026-07-05T23:30:00Z").value(),
                                           .layout = content_layout::SystemSmall{},
                                           .overdueCount = 0,
                                           .todayCount = 1234};
  return layout(RemindersFlexibleSmallContentView{entry}.body(environment), {170, 170}, environment,
                FixedTextMeasurer{});
}

TEST(FlexibleSmallView, HeaderThenOverdueAndTodayRows) {
  EXPECT_NE(findText(smallView("UTC", "en_GB", WidgetRenderingMode::fullColor), "SUNDAY"), nullptr);
  const LayoutNode root = smallView("Europe/Berlin", "de_DE", WidgetRenderingMode::fullColor);
  // The weekday upper-cased over the day of the month, one point apart, both white and semibold.
  const LayoutNode* weekday = findText(root, "MONTAG");
  const LayoutNode* day = findText(root, "6");
  ASSERT_TRUE(weekday && day);
  EXPECT_EQ(day->frame.minY(), weekday->frame.maxY() + 1);
  EXPECT_EQ(day->text()->font, (FontRequest{"Inter", 18, FontWeight::semibold}));
  EXPECT_EQ(day->text()->color, Color::white());
  // Two rows 8 below it, overdue (red, flame, zero shown as 0) above today (green, bell).
  const auto rows = testing::nodesOfKind(root, "Background");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->frame.minY(), day->frame.maxY() + 8);
  EXPECT_EQ(rows[1]->frame.minY(), rows[0]->frame.maxY() + 8);
  const std::tuple<const char*, const char*, const char*, Color> expected[] = {
      {"OVERDUE", "0", "flame.fill", Color::red()}, {"TODAY", "1234", "bell.fill", Color::green()}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& [label, number, symbol, color] = expected[i];
    SCOPED_TRACE(label);
    EXPECT_EQ(*testing::fillOf(*rows[i]), Fill(color));
    ASSERT_NE(findText(*rows[i], label), nullptr);
    const LayoutNode* count = findText(*rows[i], number);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text()->font, (FontRequest{"Inter", 14, FontWeight::heavy}));
    EXPECT_EQ(count->frame.maxX(), rows[i]->frame.maxX() - 6 - 4);  // the row's padding and the count's
    EXPECT_EQ(findKind(*rows[i], "Image")->text()->text, testing::glyphOf(symbol));
  }
  // Vibrant rows are drawn at one fifth opacity, accented ones opaque.
  for (auto mode : {WidgetRenderingMode::vibrant, WidgetRenderingMode::accented})
    EXPECT_EQ(*testing::fillOf(*findKind(smallView("UTC", "en_US", mode), "Background")),
              Fill(Color::red().withOpacity(mode == WidgetRenderingMode::vibrant ? 0.2 : 1.0)));
}

}  // namespace
}  // namespace rw

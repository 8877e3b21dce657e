// The small view of platform 14 on: the date header in several calendars, its two counter rows and their
// background opacity in each rendering mode.
#include "views/flexible_small_view.h"

#include <gtest/gtest.h>

#include "support/view_probes.h"
#include "ui/layout.h"

namespace rw {
namespace {

using namespace ui;

Date at(const char* text) {
  return parseRfc3339(text).value();
}

RemindersWidgetTimelineEntry smallEntry(std::int64_t overdue, std::int64_t today) {
  return {.date = at("2026-07-05T12:00:00Z"),
          .layout = content_layout::SystemSmall{},
          .overdueCount = overdue,
          .todayCount = today};
}

Environment withCalendar(const char* zone, const char* locale,
                         WidgetRenderingMode mode = WidgetRenderingMode::fullColor) {
  return {.renderingMode = mode,
          .settings = UserSettings{.calendar = *Calendar::make(zone, locale), .strings = Catalog()}};
}

TEST(DateHeader, WeekdayAndDayOfMonthOnTheUsersCalendar) {
  const struct {
    const char* instant;
    const char* zone;
    const char* locale;
    const char* weekday;
    std::int64_t day;
  } cases[] = {
      {"2026-07-05T23:30:00Z", "Europe/Berlin", "de_DE", "Montag", 6},  // already the 6th in Berlin
      {"2026-12-31T12:00:00Z", "UTC", "en_GB", "Thursday", 31},
  };
  for (const auto& c : cases) {
    const Calendar calendar = *Calendar::make(c.zone, c.locale);
    EXPECT_EQ(weekdayLabel(at(c.instant), calendar), c.weekday) << c.instant << " " << c.zone;
    EXPECT_EQ(dayOfMonth(at(c.instant), calendar), c.day) << c.instant << " " << c.zone;
  }
}

TEST(FlexibleSmallView, HeaderThenOverdueAndTodayRows) {
  const Environment environment = withCalendar("UTC", "de_DE");
  const LayoutNode root = layout(RemindersFlexibleSmallContentView{smallEntry(0, 1234)}.body(environment),
                                 {170, 170}, environment, FixedTextMeasurer{});
  // The weekday upper-cased over the day of the month, one point apart, both white and semibold.
  const LayoutNode* weekday = findText(root, "SONNTAG");
  const LayoutNode* day = findText(root, "5");
  ASSERT_TRUE(weekday && day);
  EXPECT_EQ(day->frame.minY(), weekday->frame.maxY() + 1);
  EXPECT_EQ(day->text()->font, (FontRequest{"Inter", 18, FontWeight::semibold}));
  EXPECT_EQ(day->text()->color, Color::white());
  // Two rows 8 below it, overdue (red, flame, zero shown as 0) above today (green, bell).
  const auto rows = testing::nodesOfKind(root, "Background");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->frame.minY(), day->frame.maxY() + 8);
  EXPECT_EQ(rows[1]->frame.minY(), rows[0]->frame.maxY() + 8);
  const struct {
    const char* label;
    const char* count;
    const char* symbol;
    Color color;
  } expected[] = {{"OVERDUE", "0", "flame.fill", Color::red()},
                  {"TODAY", "1234", "bell.fill", Color::green()}};
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(expected[i].label);
    EXPECT_EQ(*testing::fillOf(*rows[i]), Fill(expected[i].color));
    ASSERT_NE(findText(*rows[i], expected[i].label), nullptr);
    const LayoutNode* count = findText(*rows[i], expected[i].count);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text()->font, (FontRequest{"Inter", 14, FontWeight::heavy}));
    EXPECT_EQ(count->frame.maxX(), rows[i]->frame.maxX() - 6 - 4);  // the row's padding and the count's
    EXPECT_EQ(findKind(*rows[i], "Image")->text()->text, testing::glyphOf(expected[i].symbol));
  }
  // Vibrant rows are drawn at one fifth opacity, accented ones opaque.
  for (auto mode : {WidgetRenderingMode::vibrant, WidgetRenderingMode::accented}) {
    const Environment tinted = withCalendar("UTC", "en_US", mode);
    const LayoutNode drawn = layout(RemindersFlexibleSmallContentView{smallEntry(2, 3)}.body(tinted),
                                    {170, 170}, tinted, FixedTextMeasurer{});
    EXPECT_EQ(*testing::fillOf(*findKind(drawn, "Background")),
              Fill(Color::red().withOpacity(mode == WidgetRenderingMode::vibrant ? 0.2 : 1.0)));
  }
}

}  // namespace
}  // namespace rw

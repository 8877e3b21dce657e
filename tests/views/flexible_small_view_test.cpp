// The small view of platform 14 on: its tree, the date header in several calendars, and the background
// opacity of each rendering mode measured on drawn pixels.
#include "views/flexible_small_view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ui/color_resources.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "ui/renderer.h"

namespace rw {
namespace {

using namespace ui;

Date at(const char* text) {
  return parseRfc3339(text).value();
}

RemindersWidgetTimelineEntry smallEntry(Date date, std::int64_t overdue, std::int64_t today) {
  return {
      .date = date, .layout = content_layout::SystemSmall{}, .overdueCount = overdue, .todayCount = today};
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
      {"2026-07-05T12:00:00Z", "UTC", "en_US", "Sunday", 5},  // the first weekday symbol; no leading zero
      {"2026-07-05T23:30:00Z", "Europe/Berlin", "de_DE", "Montag", 6},  // already the 6th in Berlin
      {"2026-07-05T23:30:00Z", "America/New_York", "pl_PL", "niedziela", 5},
      {"2026-12-31T12:00:00Z", "UTC", "en_GB", "Thursday", 31},
  };
  for (const auto& c : cases) {
    const Calendar calendar = *Calendar::make(c.zone, c.locale);
    EXPECT_EQ(weekdayLabel(at(c.instant), calendar), c.weekday) << c.instant << " " << c.zone;
    EXPECT_EQ(dayOfMonth(at(c.instant), calendar), c.day) << c.instant << " " << c.zone;
  }
}

TEST(DateHeader, ShowsTheWeekdayUpperCasedAndTheDayVerbatim) {
  const Element header = dateHeader(at("2026-07-05T12:00:00Z"), withCalendar("UTC", "de_DE"));
  const auto& stack = *header.as<VStack>();
  EXPECT_EQ(stack.alignment, HorizontalAlignment::leading);
  EXPECT_EQ(stack.spacing, 1);
  ASSERT_EQ(stack.children.size(), 2u);
  EXPECT_EQ(
      *stack.children[0].as<Text>(),
      Text::verbatim("SONNTAG").withFont(Font::system(10, FontWeight::semibold)).withColor(Color::white()));
  EXPECT_EQ(*stack.children[1].as<Text>(),
            Text::verbatim("5").withFont(Font::system(18, FontWeight::semibold)).withColor(Color::white()));
}

TEST(FlexibleSmallView, RowsAreOverdueThenTodayWithTheirSymbolsAndCounts) {
  const Element body =
      RemindersFlexibleSmallContentView{smallEntry(at("2026-07-05T12:00:00Z"), 0, 1234)}.body({});
  const std::string tree = describe(body);
  // Header, then the overdue row before the today row; zero is shown as 0.
  const auto flame = tree.find("\"flame.fill\"");
  const auto bell = tree.find("\"bell.fill\"");
  ASSERT_NE(flame, std::string::npos);
  ASSERT_NE(bell, std::string::npos);
  EXPECT_LT(flame, tree.find("localized \"OVERDUE\""));
  EXPECT_LT(tree.find("localized \"OVERDUE\""), tree.find("\"0\", font: 14 heavy"));
  EXPECT_LT(tree.find("\"0\", font: 14 heavy"), bell);
  EXPECT_LT(bell, tree.find("\"1234\", font: 14 heavy"));
  EXPECT_NE(tree.find("Background(red)"), std::string::npos);
  EXPECT_NE(tree.find("Background(green)"), std::string::npos);
  EXPECT_NE(tree.find("Frame(width: 16, height: default)"), std::string::npos);
}

TEST(FlexibleSmallView, OnlyTheBackgroundOpacityDependsOnTheMode) {
  EXPECT_EQ(rowBackgroundOpacity(WidgetRenderingMode::vibrant), 0.2);
  EXPECT_EQ(rowBackgroundOpacity(WidgetRenderingMode::accented), 1.0);
  EXPECT_EQ(rowBackgroundOpacity(WidgetRenderingMode::fullColor), 1.0);
  const auto entry = smallEntry(at("2026-07-05T12:00:00Z"), 2, 3);
  std::string vibrant = describe(
      RemindersFlexibleSmallContentView{entry}.body({.renderingMode = WidgetRenderingMode::vibrant}));
  const std::string full = describe(RemindersFlexibleSmallContentView{entry}.body({}));
  EXPECT_NE(vibrant, full);
  for (const char* colour : {"red", "green"}) {
    const std::string faded = std::string("Background(") + colour + " @0.2)";
    ASSERT_NE(vibrant.find(faded), std::string::npos) << colour;
    vibrant.replace(vibrant.find(faded), faded.size(), std::string("Background(") + colour + ")");
  }
  EXPECT_EQ(vibrant, full);
}

// Draws the view alone on a transparent canvas and reads a pixel of each row's background beside its
// symbol, where nothing else is drawn.
TEST(FlexibleSmallView, VibrantRowsAreDrawnAtOneFifthOpacity) {
  const auto entry = smallEntry(at("2026-07-05T12:00:00Z"), 2, 3);
  const Size canvas{140, 140};
  for (auto mode :
       {WidgetRenderingMode::fullColor, WidgetRenderingMode::accented, WidgetRenderingMode::vibrant}) {
    const Environment environment = withCalendar("UTC", "en_US", mode);
    const LayoutNode root = layout(RemindersFlexibleSmallContentView{entry}.body(environment), canvas,
                                   environment, pangoTextMeasurer());
    const auto rows =
        findAll(root, [](const LayoutNode& n) { return std::string_view(n.kind) == "Background"; });
    ASSERT_EQ(rows.size(), 2u);
    const Bitmap bitmap = renderBitmap(root, canvas, {.scale = 2});
    const double expectedAlpha = mode == WidgetRenderingMode::vibrant ? 0.2 : 1.0;
    const StandardColor tones[] = {StandardColor::red, StandardColor::green};
    for (std::size_t i = 0; i < 2; ++i) {
      const Rect& frame = rows[i]->frame;
      const Rgba pixel = bitmap.at(static_cast<int>((frame.minX() + 3) * 2),
                                   static_cast<int>((frame.minY() + frame.height() / 2) * 2));
      EXPECT_NEAR(pixel.alpha, expectedAlpha, 1.5 / 255) << i;
      const Rgba tone = standardTone(tones[i]);
      EXPECT_NEAR(pixel.red, tone.red, 0.03) << i;
      EXPECT_NEAR(pixel.green, tone.green, 0.03) << i;
      EXPECT_NEAR(pixel.blue, tone.blue, 0.03) << i;
    }
  }
}

}  // namespace
}  // namespace rw

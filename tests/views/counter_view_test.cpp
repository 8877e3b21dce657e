// Where the counter view's layouts put number and label (what each shows is checked in the root view's test),
// and the small view's date header and counter rows; fixed metrics (a character half the font size wide, a
// line 1.25 × the size), Pango where the drawn fonts matter.
#include "views/counter_view.h"

#include <gtest/gtest.h>

#include "support/view_probes.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "views/flexible_small_view.h"

namespace rw {
namespace {

using namespace ui;
using testing::fillOf;
using testing::glyphOf;

LayoutNode layOut(const Element& element, Size canvas, const TextMeasurer& metrics = FixedTextMeasurer{}) {
  return layout(element, canvas, Environment{}, metrics);
}

// The number keeps its digits at the trailing end; a label without room is cut to one line. The boxes fill
// the height offered, but for the horizontal one, which keeps its own whatever it is offered.
TEST(CounterView, NumbersAtTheTrailingEndWholeLabelsCutBoxesFillTheirOffer) {
  const Element horizontal = WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, 1234};
  const LayoutNode wide = layOut(horizontal, {200, 30}), narrow = layOut(horizontal, {120, 200});
  EXPECT_EQ(findText(wide, "1234")->frame.maxX(), 200 - 8 - 4);  // inside the box's and its own padding
  EXPECT_EQ(findText(narrow, "1234")->frame.width(), 4 * 8);
  EXPECT_EQ(findText(narrow, "OVERDUE")->frame.size, (Size{3 * 7, 17.5}));
  EXPECT_EQ(findKind(narrow, "Background")->frame.height(), findKind(wide, "Background")->frame.height());
  EXPECT_EQ(layOut(horizontal, {150, 300}, pangoTextMeasurer()).frame.height(), 30);
  const LayoutNode stacked =
      layOut(VStack{.spacing = 8,
                    .children = {WidgetCounterView{CounterLayout::vertical, CounterStyle::overdue, 1},
                                 WidgetCounterView{CounterLayout::vertical, CounterStyle::today, 2}}},
             {140, 100});
  const auto boxes = testing::nodesOfKind(stacked, "Background");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0]->frame, (Rect{{0, 0}, {140, 46}}));
  EXPECT_EQ(boxes[1]->frame, (Rect{{0, 54}, {140, 46}}));
  EXPECT_EQ(findText(stacked, "OVERDUE")->frame.minX(), 8);
  EXPECT_EQ(findText(stacked, "1")->frame.maxX(), 140 - 8);
  const LayoutNode line =
      layOut(WidgetCounterView{CounterLayout::accessoryRectangular, CounterStyle::today, 12}, {150, 20});
  EXPECT_EQ(findText(line, "12")->frame.maxX(), 150);
  // Circular: symbol and number one point apart, on the first baseline whatever the fonts.
  const LayoutNode circle = layOut(WidgetCounterView{CounterLayout::accessoryCircular, CounterStyle::today, 5}
                                       .body(Environment{})
                                       .font(Font::system(20)),
                                   {60, 60}, pangoTextMeasurer());
  const LayoutNode* symbol = findKind(circle, "Image");
  const LayoutNode* number = findText(circle, "5");
  ASSERT_TRUE(symbol && number);
  EXPECT_NEAR(symbol->frame.minY() + symbol->firstBaseline, number->frame.minY() + number->firstBaseline,
              1e-9);
  EXPECT_EQ(number->frame.minX() - findKind(circle, "Frame")->frame.maxX(), 1);
}

LayoutNode smallView(const char* zone, const char* locale, WidgetRenderingMode mode,
                     std::int64_t overdue = 0) {
  const Environment environment{
      .renderingMode = mode,
      .settings = UserSettings{.calendar = *Calendar::make(zone, locale), .strings = Catalog()}};
  // Sunday the 5th in UTC, already Monday the 6th in Berlin.
  const RemindersWidgetTimelineEntry entry{.date = parseRfc3339("2026-07-05T23:30:00Z").value(),
                                           .layout = content_layout::SystemSmall{},
                                           .overdueCount = overdue,
                                           .todayCount = 1234};
  return layout(RemindersFlexibleSmallContentView{entry}.body(environment), {170, 170}, environment,
                FixedTextMeasurer{});
}

TEST(FlexibleSmallView, HeaderThenOverdueAndTodayRows) {
  EXPECT_NE(findText(smallView("UTC", "en_GB", WidgetRenderingMode::fullColor), "SUNDAY"), nullptr);
  const LayoutNode root = smallView("Europe/Berlin", "de_DE", WidgetRenderingMode::fullColor);
  // The weekday upper-cased over the day of the month, one point apart, leading; two rows 8 apart below.
  const LayoutNode* weekday = findText(root, "MONTAG");
  const LayoutNode* day = findText(root, "6");
  ASSERT_TRUE(weekday && day);
  EXPECT_EQ(day->frame.origin, (Point{0, weekday->frame.maxY() + 1}));
  const auto rows = testing::nodesOfKind(root, "Background");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->frame.minY(), day->frame.maxY() + 8);
  EXPECT_EQ(rows[1]->frame.minY(), rows[0]->frame.maxY() + 8);
  // Overdue (red, flame, zero shown as 0) above today (green, bell), each count at the row's trailing end.
  const std::tuple<const char*, const char*, const char*, Color> expected[] = {
      {"OVERDUE", "0", "flame.fill", Color::red()}, {"TODAY", "1234", "bell.fill", Color::green()}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& [label, number, symbol, color] = expected[i];
    SCOPED_TRACE(label);
    EXPECT_EQ(*fillOf(*rows[i]), Fill(color));
    EXPECT_EQ(rows[i]->frame.width(), 170);
    ASSERT_NE(findText(*rows[i], label), nullptr);
    ASSERT_NE(findText(*rows[i], number), nullptr);
    EXPECT_EQ(findText(*rows[i], number)->frame.maxX(), 170 - 6 - 4);  // the row's padding and the count's
    EXPECT_EQ(findKind(*rows[i], "Image")->text()->text, glyphOf(symbol));
  }
  // A count too long for the row keeps its heavy 14-point digits on one line; the label is cut, the rows
  // stay alike.
  const LayoutNode full = smallView("UTC", "en_US", WidgetRenderingMode::fullColor, 1'000'000'000'000);
  const auto cut = testing::nodesOfKind(full, "Background");
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0]->frame.size, cut[1]->frame.size);
  EXPECT_EQ(findText(full, "1000000000000")->frame.size, (Size{13 * 7, 17.5}));
  EXPECT_LT(findText(full, "OVERDUE")->frame.width(), 7 * 7);
  EXPECT_EQ(findText(full, "OVERDUE")->frame.height(), 17.5);
  // Vibrant rows are drawn at one fifth opacity, accented ones opaque.
  for (auto mode : {WidgetRenderingMode::vibrant, WidgetRenderingMode::accented})
    EXPECT_EQ(*fillOf(*findKind(smallView("UTC", "en_US", mode), "Background")),
              Fill(Color::red().withOpacity(mode == WidgetRenderingMode::vibrant ? 0.2 : 1.0)));
}

}  // namespace
}  // namespace rw

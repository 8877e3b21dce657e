// The counter view and the small view's date header and counter rows, laid out with fixed metrics (a
// character half the font size wide, a line 1.25 × the size) and with real fonts.
#include "views/counter_view.h"

#include <gtest/gtest.h>

#include <limits>

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

TEST(CounterView, EachLayoutShowsItsStylesSymbolLabelColourAndPlainDecimalCount) {
  for (CounterLayout layout : {CounterLayout::accessoryCircular, CounterLayout::accessoryRectangular,
                               CounterLayout::vertical, CounterLayout::horizontal})
    for (CounterStyle style : {CounterStyle::overdue, CounterStyle::today})
      for (std::int64_t count :
           {std::int64_t{0}, std::int64_t{-3}, std::numeric_limits<std::int64_t>::max()}) {
        SCOPED_TRACE(std::string(caseName(layout)) + " " + std::string(caseName(style)) + " " +
                     std::to_string(count));
        const bool overdue = style == CounterStyle::overdue;
        const LayoutNode root = layOut(WidgetCounterView{layout, style, count}, {600, 60});
        EXPECT_NE(findText(root, std::to_string(count)), nullptr);
        // The circular layout has no label, the vertical one no symbol; only the boxed ones a colour.
        EXPECT_EQ(findText(root, overdue ? "OVERDUE" : "TODAY") != nullptr,
                  layout != CounterLayout::accessoryCircular);
        EXPECT_EQ(findText(root, overdue ? "TODAY" : "OVERDUE"), nullptr);
        const LayoutNode* symbol = findKind(root, "Image");
        ASSERT_EQ(symbol != nullptr, layout != CounterLayout::vertical);
        EXPECT_TRUE(!symbol || symbol->text()->text == glyphOf(overdue ? "flame.fill" : "bell.fill"));
        const LayoutNode* box = findKind(root, "Background");
        ASSERT_EQ(box != nullptr, layout == CounterLayout::vertical || layout == CounterLayout::horizontal);
        EXPECT_TRUE(!box || *fillOf(*box) == Fill(overdue ? Color::red() : Color::green()));
      }
}

TEST(CounterView, HorizontalBoxIsThirtyPointsHighAndCutsTheLabelBeforeTheNumber) {
  for (std::int64_t count : {0, 123456789})
    for (double offeredHeight : {10.0, 200.0})
      EXPECT_EQ(findKind(layOut(WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, count},
                                {150, offeredHeight}),
                         "Background")
                    ->frame.size,
                (Size{150, 30}))
          << count << " in " << offeredHeight;
  EXPECT_EQ(layOut(WidgetCounterView{CounterLayout::horizontal, CounterStyle::today, 42}, {150, 300},
                   pangoTextMeasurer())
                .frame.height(),
            30);
  // 200 wide: the symbol (14 points: 7 wide) and the label (7 × 7 = 49) inside the box's padding of 8, the
  // number (16-point digits, 8 wide) inside its own padding of 4 at the trailing end. 120 wide: 80 after the
  // padding and three spacings; the number keeps its 32, the label is cut to 3 characters and the spacer
  // keeps more than its minimum.
  const Element counter = WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, 1234};
  const LayoutNode wide = layOut(counter, {200, 30}), narrow = layOut(counter, {120, 30});
  EXPECT_EQ(findKind(wide, "Image")->frame.minX(), 8);
  EXPECT_EQ(findText(wide, "OVERDUE")->frame.minX(), 8 + 7 + 8);
  EXPECT_EQ(findText(wide, "1234")->frame.maxX(), 200 - 8 - 4);
  EXPECT_EQ(findText(wide, "1234")->frame.width() + findText(narrow, "1234")->frame.width(), 2 * 32);
  EXPECT_EQ(findText(narrow, "OVERDUE")->frame.width(), 21);
  EXPECT_GE(findKind(narrow, "Spacer")->frame.width(), 8);
}

TEST(CounterView, OtherLayoutsPlaceLabelAndNumberAtTheEnds) {
  // Vertical boxes fill what their parent offers: label (14 points) leading, number (18) trailing, inside
  // the padding of 8.
  const LayoutNode stacked =
      layOut(VStack{.spacing = 8,
                    .children = {WidgetCounterView{CounterLayout::vertical, CounterStyle::overdue, 1},
                                 WidgetCounterView{CounterLayout::vertical, CounterStyle::today, 2}}},
             {140, 100});
  const auto boxes = testing::nodesOfKind(stacked, "Background");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0]->frame, (Rect{{0, 0}, {140, 46}}));
  EXPECT_EQ(boxes[1]->frame, (Rect{{0, 54}, {140, 46}}));
  EXPECT_EQ(findText(stacked, "OVERDUE")->frame,
            (Rect{{8, findText(stacked, "OVERDUE")->frame.minY()}, {49, 17.5}}));
  EXPECT_EQ(findText(stacked, "1")->frame.maxX(), 140 - 8);
  // Rectangular: the symbol in a 16-point frame, the label after a default spacing, the number at the end.
  const LayoutNode line =
      layOut(WidgetCounterView{CounterLayout::accessoryRectangular, CounterStyle::today, 12}, {150, 20});
  EXPECT_EQ(findText(line, "TODAY")->frame.minX(), findKind(line, "Frame")->frame.maxX() + 8);
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
  // The weekday (10 points) upper-cased over the day of the month (18), one point apart, leading; two rows
  // 8 apart below them, each a line of 14-point text in a padding of 6.
  const LayoutNode* weekday = findText(root, "MONTAG");
  const LayoutNode* day = findText(root, "6");
  ASSERT_TRUE(weekday && day);
  EXPECT_EQ(weekday->frame.height(), 12.5);
  EXPECT_EQ(day->frame, (Rect{{0, weekday->frame.maxY() + 1}, {9, 22.5}}));
  const auto rows = testing::nodesOfKind(root, "Background");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->frame, (Rect{{0, day->frame.maxY() + 8}, {170, 17.5 + 2 * 4 + 2 * 6}}));
  EXPECT_EQ(rows[1]->frame.minY(), rows[0]->frame.maxY() + 8);
  // Overdue (red, flame, zero shown as 0) above today (green, bell).
  const std::tuple<const char*, const char*, const char*, Color> expected[] = {
      {"OVERDUE", "0", "flame.fill", Color::red()}, {"TODAY", "1234", "bell.fill", Color::green()}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& [label, number, symbol, color] = expected[i];
    SCOPED_TRACE(label);
    EXPECT_EQ(*fillOf(*rows[i]), Fill(color));
    ASSERT_NE(findText(*rows[i], label), nullptr);
    const LayoutNode* count = findText(*rows[i], number);
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->frame.maxX(), rows[i]->frame.maxX() - 6 - 4);  // the row's padding and the count's
    EXPECT_EQ(count->frame.width(), 7 * std::strlen(number));       // heavy 14-point digits, none cut
    EXPECT_EQ(findKind(*rows[i], "Image")->text()->text, glyphOf(symbol));
  }
  // A count too long for the row keeps its digits on one line; the label is cut, the rows stay alike.
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

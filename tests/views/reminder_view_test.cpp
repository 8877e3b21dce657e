// The reminder row laid out with fixed metrics: its two lines, the order and colours of its chips, and
// where a tap on it goes.
#include "views/reminder_view.h"

#include <gtest/gtest.h>

#include "support/view_probes.h"
#include "ui/hit_testing.h"
#include "ui/layout.h"

namespace rw {
namespace {

using namespace ui;
using DueStyle = WidgetTimelineReminderComponent::DueStyle;

WidgetTimelineReminderComponent component(CustodyEventType type = CustodyEventType::care) {
  return {.identifier = "E1",
          .type = type,
          .title = "Swimming",
          .personsLabels = {{.identifier = "C1", .nick = "Ann", .colorEncoded = {"183", 0}},
                            {.identifier = "B1", .nick = "Kid", .colorEncoded = {"183", 14}},
                            {.identifier = "B2", .nick = "Max", .colorEncoded = {"183", 15}}},
          .dueDate = Date{800'000'000},
          .dueAmountText = "€ 24.50",
          .dueStyle = DueStyle::today,
          .dueText = "TODAY"};
}

LayoutNode layOut(const WidgetTimelineReminderComponent& c) {
  return layout(WidgetReminderView{c}, {300, 80}, Environment{}, FixedTextMeasurer{});
}

TEST(ReminderRow, ChipsFollowTheTitleLineInOrderWithTheirColours) {
  const LayoutNode root = layOut(component());
  const auto chips = testing::nodesOfKind(root, "Background");
  ASSERT_EQ(chips.size(), 4u);
  const std::pair<const char*, Color> expected[] = {
      {"Ann", Color::named("PersonProfile.PorcelainRose").withOpacity(0.8)},
      {"Kid", Color::named(std::string(*paletteColorName(14))).withOpacity(0.8)},
      {"Max", Color::red().withOpacity(0.8)},  // past the palette
      {"TODAY", Color::green()}};
  const LayoutNode* title = findText(root, "Swimming");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->text()->font, (FontRequest{"Inter", 15, FontWeight::medium}));
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].first);
    const LayoutNode* text = findText(*chips[i], expected[i].first);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(*testing::fillOf(*chips[i]), Fill(expected[i].second));
    EXPECT_EQ(text->text()->color, Color::white());
    EXPECT_EQ(text->text()->font, (FontRequest{"Inter", 11, FontWeight::medium}));
    // 11-point text padded by 1 above and below and 3 at the sides; 4 below the title line.
    EXPECT_EQ(chips[i]->frame, (Rect{{chips[i]->frame.minX(), title->frame.maxY() + 4},
                                     {text->frame.width() + 6, 11 * 1.25 + 2}}));
    EXPECT_TRUE(i == 0 || chips[i]->frame.minX() > chips[i - 1]->frame.maxX());
  }
  EXPECT_EQ(chips[0]->frame.minX(), 0);
  EXPECT_EQ(chips[3]->frame.maxX(), 300);                   // the due chip at the trailing end
  EXPECT_EQ(personColor({"999", 14}), expected[1].second);  // the palette version plays no part
  EXPECT_EQ(dueColor(DueStyle::overdue), Color::red());
  EXPECT_EQ(dueColor(DueStyle::future), Color::gray());
}

// A title too long for its line and more persons than fit: the title is cut to one line, the detail (the
// amount for expenses, the time otherwise) and the due chip keep their width.
TEST(ReminderRow, TitleLineShowsTheAmountForExpensesAndTheTimeOtherwiseCuttingOnlyTheTitle) {
  const std::string time = resolvedText(Text::time(Date{800'000'000}), Environment{});
  for (auto type :
       {CustodyEventType::care, CustodyEventType::call, CustodyEventType::expense, CustodyEventType::memo}) {
    SCOPED_TRACE(rawValue(type));
    auto c = component(type);
    c.title = std::string(200, 'W');
    for (int i = 0; i < 12; ++i)
      c.personsLabels.push_back(
          {.identifier = "P" + std::to_string(i), .nick = "Person" + std::to_string(i)});
    const LayoutNode root = layOut(c);
    const bool expense = type == CustodyEventType::expense;
    const LayoutNode* title = findText(root, c.title);
    const LayoutNode* detail = findText(root, expense ? "€ 24.50" : time);
    ASSERT_TRUE(title && detail);
    EXPECT_EQ(findText(root, expense ? time : "€ 24.50"), nullptr);
    EXPECT_EQ(detail->text()->font, (FontRequest{"Inter", 15, FontWeight::bold}));
    EXPECT_EQ(std::pair(detail->frame.maxX(), detail->frame.maxY()), std::pair(300.0, title->frame.maxY()));
    EXPECT_EQ(title->frame.height(), 15 * 1.25);
    EXPECT_LT(title->frame.maxX(), detail->frame.minX());
    EXPECT_TRUE(!expense || detail->frame.width() == 7 * 0.5 * 15);  // every character of the amount
    EXPECT_DOUBLE_EQ(findText(root, "TODAY")->frame.width(), 5 * 0.5 * 11);
  }
}

TEST(ReminderRow, ATapAnywhereOpensTheActionURLElseTheWidgetLink) {
  auto with = component(), relative = component();
  with.actionURL = URL::make("corvantis2://event/E1?x=1");
  relative.actionURL = URL::make("event/E2", URL::make("https://example.org/app/"));
  const std::pair<WidgetTimelineReminderComponent, const char*> cases[] = {
      {component(), "corvantis2://reminders"},
      {with, "corvantis2://event/E1?x=1"},
      {relative, "https://example.org/app/event/E2"}};  // followed in its resolved form
  for (const auto& [c, url] : cases) {
    const LayoutNode root = layOut(c);
    EXPECT_EQ(linkAt(root, {1, root.frame.minY() + 1}), url);
    EXPECT_EQ(linkAt(root, {299, root.frame.maxY() - 1}), url);
  }
}

}  // namespace
}  // namespace rw

// The root view laid out with fixed metrics on each layout and platform version: the list's rows and
// dividers, the counters, the empty state, the widget's background and where taps go; and the widget
// declaration's content, which draws every entry with it.
#include "views/root_view.h"

#include <gtest/gtest.h>

#include "support/view_probes.h"
#include "ui/hit_testing.h"
#include "ui/layout.h"
#include "views/counter_view.h"
#include "views/widget.h"

namespace rw {
namespace {

using namespace ui;
using testing::nodesOfKind;

RemindersWidgetTimelineEntry entryWith(ContentLayout layout, int reminders = 0) {
  RemindersWidgetTimelineEntry entry{.date = Date{0}, .layout = layout, .overdueCount = 2, .todayCount = 3};
  for (int i = 0; i < reminders; ++i)
    entry.reminders.push_back({.identifier = "E" + std::to_string(i),
                               .title = "Title E" + std::to_string(i),
                               .personsLabels = {{.identifier = "C1", .nick = "Ann"}},
                               .dueText = "TODAY"});
  return entry;
}

LayoutNode layOut(const RemindersWidgetTimelineEntry& entry, int major, int minor = 0,
                  Size canvas = {364, 382}) {
  const Environment environment{.platformVersion = {major, minor, 0}};
  return layout(RemindersWidgetView{entry}.body(environment), canvas, environment, FixedTextMeasurer{});
}

TEST(RootViewList, CountersThenRowsAndDividersFollowingThePlannedCountOrTheEmptyMessage) {
  // {planned, reminders, dividers}: a list not full has a divider after its last row too.
  const std::array<int, 3> cases[] = {{2, 2, 1}, {5, 3, 3}, {5, 5, 4}, {1, 1, 0}, {6, 0, 0}};
  for (const auto& [planned, reminders, dividerCount] : cases) {
    SCOPED_TRACE(std::to_string(planned) + " planned, " + std::to_string(reminders) + " reminders");
    const LayoutNode root = layOut(entryWith(content_layout::SystemMediumLarge{{planned, 9}}, reminders), 14);
    const auto rows = nodesOfKind(root, "WidgetReminderView");
    const auto dividers = nodesOfKind(root, "Divider");
    const auto counters = nodesOfKind(root, "WidgetCounterView");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(reminders));
    ASSERT_EQ(dividers.size(), static_cast<std::size_t>(dividerCount));
    ASSERT_EQ(counters.size(), 2u);
    // Side by side 12 apart, the counters lie 5 above the first row; rows and dividers alternate 9 apart.
    EXPECT_EQ(counters[1]->frame.minX() - counters[0]->frame.maxX(), 12);
    EXPECT_EQ(counters[0]->frame.minY(), 16 + 2);
    EXPECT_TRUE(findText(*counters[0], "2") && findText(*counters[1], "3"));
    const LayoutNode* message = findText(root, "NO PLANNED EVENTS");
    ASSERT_EQ(message != nullptr, reminders == 0);
    if (message) {  // equal spacers above and below the message; above them one more spacing of the list
      EXPECT_EQ(message->text()->font, (FontRequest{"Inter", 16, FontWeight::medium}));
      EXPECT_DOUBLE_EQ(message->frame.minY() - counters[0]->frame.maxY() - 5,
                       382 - 16 - message->frame.maxY() + 9);
      continue;
    }
    EXPECT_EQ(rows[0]->frame.minY(), counters[0]->frame.maxY() + 5 + 9);
    for (std::size_t i = 0; i < dividers.size(); ++i) {
      EXPECT_EQ(dividers[i]->frame.minY(), rows[i]->frame.maxY() + 9);
      EXPECT_EQ(dividers[i]->frame.width(), 364 - 2 * 16);
      EXPECT_TRUE(i + 1 == rows.size() || rows[i + 1]->frame.minY() == dividers[i]->frame.maxY() + 9) << i;
    }
    for (int i = 0; i < reminders; ++i)
      EXPECT_NE(findText(*rows[i], "Title E" + std::to_string(i)), nullptr);
  }
}

TEST(RootViewVersions, EachLayoutsCountersBackdropAndBackgroundBeforeAndFromFourteen) {
  using namespace content_layout;
  const std::tuple<ContentLayout, int, int> cases[] = {{AccessoryCircular{}, 12, 9},
                                                       {AccessoryCircular{}, 13, 0},
                                                       {AccessoryCircular{}, 14, 0},
                                                       {AccessoryRectangular{}, 12, 0},
                                                       {AccessoryRectangular{}, 14, 0},
                                                       {SystemSmall{}, 13, 0},
                                                       {SystemSmall{}, 14, 0},
                                                       {SystemMediumLarge{{5, 9}}, 12, 0},
                                                       {SystemMediumLarge{{5, 9}}, 15, 0}};
  const Fill gradient(widgetBackgroundGradient());
  for (const auto& [layout, major, minor] : cases) {
    SCOPED_TRACE(std::string(caseName(layout)) + " on " + std::to_string(major) + "." +
                 std::to_string(minor));
    const bool circular = std::holds_alternative<AccessoryCircular>(layout);
    const bool rectangular = std::holds_alternative<AccessoryRectangular>(layout);
    const bool small = std::holds_alternative<SystemSmall>(layout);
    const LayoutNode root = layOut(entryWith(layout, 2), major, minor);
    // The circular backdrop from 13; the gradient behind the whole canvas from 14, before only off
    // accessories.
    EXPECT_EQ(findKind(root, "AccessoryWidgetBackground") != nullptr, circular && major >= 13);
    const auto painted = findAll(
        root, [&](const LayoutNode& n) { return testing::fillOf(n) && *testing::fillOf(n) == gradient; });
    ASSERT_EQ(painted.size(), major >= 14 || !(circular || rectangular) ? 1u : 0u);
    EXPECT_TRUE(painted.empty() || painted[0]->frame == (Rect{{0, 0}, {364, 382}}));
    // Every layout carries the widget link.
    EXPECT_EQ(linkAt(root, {182, 191}), "corvantis2://reminders");
    // The small one is the flexible view from 14, the date and two vertical counters before.
    EXPECT_EQ(findKind(root, "RemindersFlexibleSmallContentView") != nullptr, small && major >= 14);
    EXPECT_EQ(findText(root, "MONDAY") != nullptr, small);  // the date header of 1 January 2001
    if (small && major >= 14) continue;
    // Overdue above today, 4 apart on accessories; only the circular one has no label; the rectangular
    // ones leading, with no content margins on any version.
    const auto counters = nodesOfKind(root, "WidgetCounterView");
    ASSERT_EQ(counters.size(), 2u);
    EXPECT_TRUE(findText(*counters[0], "2") && findText(*counters[1], "3"));
    EXPECT_EQ(findText(root, "OVERDUE") != nullptr, !circular);
    EXPECT_TRUE(!(circular || rectangular) || counters[1]->frame.minY() - counters[0]->frame.maxY() == 4);
    EXPECT_TRUE(!rectangular || counters[0]->frame.minX() == 0) << counters[0]->frame.minX();
  }
}

TEST(RootViewLayout, TapsOnRowsFollowTheirLinksElsewhereTheWidgetLink) {
  auto entry = entryWith(content_layout::SystemMediumLarge{{5, 9}}, 2);
  entry.reminders[1].actionURL = URL::make("https://example.org/e/1");
  const LayoutNode root = layOut(entry, 14);
  const LayoutNode* first = findText(root, "Title E0");
  const LayoutNode* second = findText(root, "Title E1");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(linkAt(root, {first->frame.minX() + 1, first->frame.minY() + 1}), "corvantis2://reminders");
  EXPECT_EQ(linkAt(root, {second->frame.minX() + 1, second->frame.minY() + 1}), "https://example.org/e/1");
  EXPECT_EQ(linkAt(root, {2, 380}), "corvantis2://reminders");  // the margin, below every row
}

// The widget's kind, names and families are checked through the `describe` command.
TEST(WidgetDeclaration, ContentDrawsEveryFamilysEntryInTheRootView) {
  const StaticConfiguration configuration = RemindersWidget{}.body(
      {.settings = UserSettings{.calendar = *Calendar::make("UTC", "en_US"), .strings = Catalog()},
       .files = FileManager("/nonexistent/container")},
      {14, 0, 0});
  // A family the widget does not offer still gets an entry, and the content draws it.
  std::optional<RemindersWidgetTimelineEntry> entry;
  configuration.provider.getSnapshot({.family = WidgetFamily::accessoryCircular, .displaySize = {72, 72}},
                                     [&](RemindersWidgetTimelineEntry e) { entry = std::move(e); });
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(caseName(entry->layout), "accessoryCircular");
  EXPECT_EQ(configuration.content(*entry), RemindersWidgetView{*entry});
}

}  // namespace
}  // namespace rw

// The root view laid out with fixed metrics on each layout and platform version: the list's rows and
// dividers, the counters, the empty state, the widget's background and where taps go.
#include "views/root_view.h"

#include <gtest/gtest.h>

#include "support/view_probes.h"
#include "ui/hit_testing.h"
#include "ui/layout.h"
#include "views/counter_view.h"

namespace rw {
namespace {

using namespace ui;
using testing::nodesOfKind;

Environment onVersion(int major, int minor = 0) {
  return {.platformVersion = {major, minor, 0}};
}

RemindersWidgetTimelineEntry entryWith(ContentLayout layout, int reminders = 0) {
  RemindersWidgetTimelineEntry entry{.date = Date{0}, .layout = layout, .overdueCount = 2, .todayCount = 3};
  for (int i = 0; i < reminders; ++i) {
    WidgetTimelineReminderComponent c;
    c.identifier = "E" + std::to_string(i);
    c.title = "Title " + c.identifier;
    c.personsLabels = {{.identifier = "C1", .nick = "Ann"}};
    c.dueText = "TODAY";
    entry.reminders.push_back(c);
  }
  return entry;
}

RemindersWidgetTimelineEntry listEntry(std::int64_t planned, int reminders) {
  return entryWith(content_layout::SystemMediumLarge{{planned, 9}}, reminders);
}

LayoutNode layOut(const RemindersWidgetTimelineEntry& entry, const Environment& environment,
                  Size canvas = {364, 382}) {
  return layout(RemindersWidgetView{entry}.body(environment), canvas, environment, FixedTextMeasurer{});
}

TEST(RootViewList, CountersThenRowsAndDividersFollowingThePlannedCountOrTheEmptyMessage) {
  const struct {
    std::int64_t planned;
    int reminders;
    std::size_t dividers;
  } cases[] = {
      {2, 2, 1}, {5, 3, 3} /* not full: the last row has a divider too */, {5, 5, 4}, {1, 1, 0}, {6, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.planned) + " planned, " + std::to_string(c.reminders) + " reminders");
    const LayoutNode root = layOut(listEntry(c.planned, c.reminders), onVersion(14));
    const auto rows = nodesOfKind(root, "WidgetReminderView");
    const auto dividers = nodesOfKind(root, "Divider");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(c.reminders));
    ASSERT_EQ(dividers.size(), c.dividers);
    // Side by side 12 apart, the counters lie 5 above the first row; rows and dividers alternate 9 apart.
    const LayoutNode& overdue = *findKind(root, "WidgetCounterView");
    const LayoutNode& today = *nodesOfKind(root, "WidgetCounterView").at(1);
    EXPECT_EQ(today.frame.minX() - overdue.frame.maxX(), 12);
    EXPECT_EQ(overdue.frame.minY(), 16 + 2);
    EXPECT_NE(findText(overdue, "2"), nullptr);
    EXPECT_NE(findText(today, "3"), nullptr);
    const LayoutNode* message = findText(root, "NO PLANNED EVENTS");
    ASSERT_EQ(message != nullptr, c.reminders == 0);
    if (message) {
      // Equal spacers above and below the message; above them one more spacing of the list.
      EXPECT_EQ(message->text()->font, (FontRequest{"Inter", 16, FontWeight::medium}));
      EXPECT_DOUBLE_EQ(message->frame.minY() - overdue.frame.maxY() - 5,
                       382 - 16 - message->frame.maxY() + 9);
      continue;
    }
    EXPECT_EQ(rows[0]->frame.minY(), overdue.frame.maxY() + 5 + 9);
    for (std::size_t i = 0; i < dividers.size(); ++i) {
      EXPECT_EQ(dividers[i]->frame.minY(), rows[i]->frame.maxY() + 9);
      EXPECT_EQ(dividers[i]->frame.width(), 364 - 2 * 16);
      if (i + 1 < rows.size()) {
        EXPECT_EQ(rows[i + 1]->frame.minY(), dividers[i]->frame.maxY() + 9);
      }
    }
    for (int i = 0; i < c.reminders; ++i)
      EXPECT_EQ(findText(*rows[i], "Title E" + std::to_string(i)),
                findText(root, "Title E" + std::to_string(i)));
  }
}

TEST(RootViewVersions, EachLayoutsCountersBackdropAndBackgroundBeforeAndFromFourteen) {
  using namespace content_layout;
  const struct {
    ContentLayout layout;
    int major;
    int minor;
  } cases[] = {{AccessoryCircular{}, 12, 9},
               {AccessoryCircular{}, 13, 0},
               {AccessoryCircular{}, 14, 0},
               {AccessoryRectangular{}, 12, 0},
               {AccessoryRectangular{}, 14, 0},
               {SystemSmall{}, 13, 0},
               {SystemSmall{}, 14, 0},
               {SystemMediumLarge{{5, 9}}, 12, 0},
               {SystemMediumLarge{{5, 9}}, 15, 0}};
  const Fill gradient(widgetBackgroundGradient());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(caseName(c.layout)) + " on " + std::to_string(c.major) + "." +
                 std::to_string(c.minor));
    const bool circular = std::holds_alternative<AccessoryCircular>(c.layout);
    const bool rectangular = std::holds_alternative<AccessoryRectangular>(c.layout);
    const bool small = std::holds_alternative<SystemSmall>(c.layout);
    const LayoutNode root = layOut(entryWith(c.layout, 2), onVersion(c.major, c.minor));
    // The circular backdrop from 13; the gradient behind the whole canvas from 14, before only off
    // accessories.
    EXPECT_EQ(findKind(root, "AccessoryWidgetBackground") != nullptr, circular && c.major >= 13);
    const auto painted = findAll(root, [&](const LayoutNode& n) {
      const Fill* fill = testing::fillOf(n);
      return fill && *fill == gradient;
    });
    ASSERT_EQ(painted.size(), c.major >= 14 || !(circular || rectangular) ? 1u : 0u);
    if (!painted.empty()) {
      EXPECT_EQ(painted[0]->frame, (Rect{{0, 0}, {364, 382}}));
    }
    // The small one is the flexible view from 14, the date and two vertical counters before.
    EXPECT_EQ(findKind(root, "RemindersFlexibleSmallContentView") != nullptr, small && c.major >= 14);
    if (small) {
      EXPECT_NE(findText(root, "MONDAY"), nullptr);  // the date header of 1 January 2001
      if (c.major >= 14) continue;
    }
    // Overdue above today, 4 apart on accessories; only the circular one has no label; the rectangular
    // ones leading, inset from 14.
    const auto counters = nodesOfKind(root, "WidgetCounterView");
    ASSERT_EQ(counters.size(), 2u);
    EXPECT_NE(findText(*counters[0], "2"), nullptr);
    EXPECT_NE(findText(*counters[1], "3"), nullptr);
    EXPECT_EQ(findText(root, "OVERDUE") != nullptr, !circular);
    if (circular || rectangular) {
      EXPECT_EQ(counters[1]->frame.minY() - counters[0]->frame.maxY(), 4);
    }
    if (rectangular) {
      EXPECT_EQ(counters[0]->frame.minX(), c.major >= 14 ? 16 : 0);
    }
  }
}

TEST(RootViewLayout, TapsOnRowsFollowTheirLinksElsewhereTheWidgetLink) {
  auto entry = listEntry(5, 2);
  entry.reminders[1].actionURL = URL::make("https://example.org/e/1");
  const LayoutNode root = layOut(entry, onVersion(14));
  const LayoutNode* first = findText(root, "Title E0");
  const LayoutNode* second = findText(root, "Title E1");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(linkAt(root, {first->frame.minX() + 1, first->frame.minY() + 1}), "corvantis2://reminders");
  EXPECT_EQ(linkAt(root, {second->frame.minX() + 1, second->frame.minY() + 1}), "https://example.org/e/1");
  EXPECT_EQ(linkAt(root, {2, 380}), "corvantis2://reminders");  // the margin, below every row
  // Every layout carries the widget link.
  for (const ContentLayout& layout :
       {ContentLayout{content_layout::AccessoryCircular{}}, ContentLayout{content_layout::SystemSmall{}},
        ContentLayout{content_layout::AccessoryRectangular{}}})
    EXPECT_EQ(linkAt(layOut(entryWith(layout), onVersion(12), {170, 170}), {85, 85}),
              "corvantis2://reminders");
}

}  // namespace
}  // namespace rw

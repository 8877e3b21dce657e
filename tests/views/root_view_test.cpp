// The root view: the tree of every layout, rows and dividers by the planned count, the empty state, the
// widget link and the background of each platform version.
#include "views/root_view.h"

#include <gtest/gtest.h>

#include "ui/hit_testing.h"
#include "ui/layout.h"
#include "views/counter_view.h"
#include "views/flexible_small_view.h"
#include "views/reminder_view.h"

namespace rw {
namespace {

using namespace ui;

template <class M>
const M& expectKind(const Element& element) {
  const M* kind = element.as<M>();
  if (!kind) throw std::runtime_error(std::string("unexpected ") + element.kindName());
  return *kind;
}

Environment onVersion(int major, int minor = 0) {
  return {.platformVersion = {major, minor, 0}};
}

WidgetTimelineReminderComponent reminder(std::string id) {
  WidgetTimelineReminderComponent c;
  c.identifier = id;
  c.title = "Title " + id;
  c.personsLabels = {{.identifier = "C1", .nick = "Ann"}};
  c.dueText = "TODAY";
  return c;
}

RemindersWidgetTimelineEntry listEntry(std::int64_t planned, int reminders) {
  RemindersWidgetTimelineEntry entry{.date = Date{0},
                                     .layout = content_layout::SystemMediumLarge{{planned, 9}},
                                     .overdueCount = 2,
                                     .todayCount = 3};
  for (int i = 0; i < reminders; ++i)
    entry.reminders.push_back(reminder("E" + std::to_string(i)));
  return entry;
}

RemindersWidgetTimelineEntry entryWith(ContentLayout layout) {
  return {.date = Date{0}, .layout = layout, .overdueCount = 4, .todayCount = 0};
}

// The content inside the link and the background of `version`, checking both on the way.
Element contentOf(const Element& body, const Environment& environment, bool accessory) {
  Element inner = body;
  if (environment.platformVersion.isAtLeast(14)) {
    const auto& container = expectKind<ContainerBackground>(inner);
    EXPECT_EQ(container.fill, Fill(widgetBackgroundGradient()));
    inner = container.content;
  } else if (!accessory) {
    const auto& background = expectKind<Background>(inner);
    EXPECT_EQ(background.fill, Fill(widgetBackgroundGradient()));
    EXPECT_TRUE(background.ignoresSafeArea);
    const auto& frame = expectKind<FlexFrame>(background.content);
    EXPECT_EQ(frame.minWidth, std::nullopt);
    EXPECT_EQ(frame.idealWidth, std::nullopt);
    EXPECT_EQ(frame.maxWidth, kInfinity);
    EXPECT_EQ(frame.minHeight, std::nullopt);
    EXPECT_EQ(frame.idealHeight, std::nullopt);
    EXPECT_EQ(frame.maxHeight, kInfinity);
    EXPECT_EQ(frame.alignment, Alignment::center());
    const auto& padding = expectKind<Padding>(frame.content);
    EXPECT_EQ(padding.insets, std::nullopt);  // the toolkit's default padding
    inner = padding.content;
  }
  const auto& url = expectKind<WidgetURL>(inner);
  EXPECT_EQ(url.url, "corvantis2://reminders");
  return url.content;
}

// One letter per child of the list: c counters row, r row, d divider, s spacer (its minimum length
// after it: 0, or - for the default), t text.
std::string listShape(const Element& list) {
  const auto& stack = expectKind<VStack>(list);
  EXPECT_EQ(stack.alignment, HorizontalAlignment::center);
  std::string shape;
  for (const Element& child : stack.children) {
    if (child.asView<WidgetReminderView>()) {
      shape += 'r';
    } else if (const auto* background = child.as<Background>()) {
      EXPECT_NE(background->content.as<Divider>(), nullptr);
      EXPECT_EQ(background->fill, Fill(Color::white()));
      shape += 'd';
    } else if (const auto* spacer = child.as<Spacer>()) {
      shape += spacer->minLength ? (*spacer->minLength == 0 ? "s0" : "s?") : "s-";
    } else if (child.as<Text>()) {
      shape += 't';
    } else if (child.as<Padding>()) {
      shape += 'c';
    } else {
      shape += '?';
    }
    shape += ' ';
  }
  return shape;
}

TEST(RootViewList, RowsAndDividersFollowThePlannedCount) {
  const struct {
    std::int64_t planned;
    int reminders;
    const char* shape;
  } cases[] = {
      {2, 2, "c r d r s0 "},
      {5, 3, "c r d r d r d s0 "},  // not full: the last row has a divider too
      {5, 5, "c r d r d r d r d r s0 "},
      {1, 1, "c r s0 "},
      {6, 0, "c s- t s- "},
  };
  for (const auto& c : cases) {
    const Environment environment = onVersion(14);
    const Element body = RemindersWidgetView{listEntry(c.planned, c.reminders)}.body(environment);
    const Element list = contentOf(body, environment, false);
    EXPECT_EQ(listShape(list), c.shape) << c.planned << " planned, " << c.reminders << " reminders";
    EXPECT_EQ(expectKind<VStack>(list).spacing, 9);
  }
}

TEST(RootViewList, RowsHoldTheirRemindersInOrder) {
  const auto entry = listEntry(5, 3);
  const Element list = contentOf(RemindersWidgetView{entry}.body(onVersion(14)), onVersion(14), false);
  std::vector<std::string> ids;
  for (const Element& child : expectKind<VStack>(list).children)
    if (const auto* row = child.asView<WidgetReminderView>())
      ids.push_back(row->reminderComponent.identifier);
  EXPECT_EQ(ids, (std::vector<std::string>{"E0", "E1", "E2"}));
}

TEST(RootViewList, CountersRowComesFirstEvenWhenEmpty) {
  for (int reminders : {0, 2}) {
    const Element list =
        contentOf(RemindersWidgetView{listEntry(2, reminders)}.body(onVersion(14)), onVersion(14), false);
    const auto& padding = expectKind<Padding>(expectKind<VStack>(list).children.at(0));
    EXPECT_EQ(padding.insets, (EdgeInsets{.top = 2, .leading = 0, .bottom = 5, .trailing = 0}));
    const auto& row = expectKind<HStack>(padding.content);
    EXPECT_EQ(row.spacing, 12);
    ASSERT_EQ(row.children.size(), 2u);
    EXPECT_EQ(*row.children[0].asView<WidgetCounterView>(),
              (WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, 2}));
    EXPECT_EQ(*row.children[1].asView<WidgetCounterView>(),
              (WidgetCounterView{CounterLayout::horizontal, CounterStyle::today, 3}));
  }
}

TEST(RootViewList, EmptyStateIsTheLocalisedMessage) {
  const Element list =
      contentOf(RemindersWidgetView{listEntry(4, 0)}.body(onVersion(12)), onVersion(12), false);
  EXPECT_EQ(expectKind<Text>(expectKind<VStack>(list).children.at(2)),
            Text::localized("NO PLANNED EVENTS")
                .withFont(Font::system(16, FontWeight::medium))
                .withColor(Color::white()));
}

TEST(RootViewAccessory, CircularHasABackdropFromThirteen) {
  const struct {
    int major;
    int minor;
    bool backdrop;
  } cases[] = {{12, 2, false}, {12, 9, false}, {13, 0, true}, {13, 5, true}, {14, 0, true}};
  for (const auto& c : cases) {
    const Environment environment = onVersion(c.major, c.minor);
    const Element body =
        RemindersWidgetView{entryWith(content_layout::AccessoryCircular{})}.body(environment);
    const auto& layers = expectKind<ZStack>(contentOf(body, environment, true));
    ASSERT_EQ(layers.children.size(), c.backdrop ? 2u : 1u) << c.major << "." << c.minor;
    if (c.backdrop) {
      EXPECT_NE(layers.children[0].as<AccessoryWidgetBackground>(), nullptr);
    }
    const auto& counters = expectKind<VStack>(layers.children.back());
    EXPECT_EQ(counters.spacing, 4);
    EXPECT_EQ(*counters.children.at(0).asView<WidgetCounterView>(),
              (WidgetCounterView{CounterLayout::accessoryCircular, CounterStyle::overdue, 4}));
    EXPECT_EQ(*counters.children.at(1).asView<WidgetCounterView>(),
              (WidgetCounterView{CounterLayout::accessoryCircular, CounterStyle::today, 0}));
  }
}

TEST(RootViewAccessory, RectangularIsTwoLeadingCountersWithoutBackdrop) {
  for (int major : {12, 14}) {
    const Environment environment = onVersion(major);
    const Element body =
        RemindersWidgetView{entryWith(content_layout::AccessoryRectangular{})}.body(environment);
    const auto& counters = expectKind<VStack>(contentOf(body, environment, true));
    EXPECT_EQ(counters.alignment, HorizontalAlignment::leading);
    EXPECT_EQ(counters.spacing, 4);
    ASSERT_EQ(counters.children.size(), 2u);
    EXPECT_EQ(counters.children[0].asView<WidgetCounterView>()->layout, CounterLayout::accessoryRectangular);
    EXPECT_EQ(counters.children[1].asView<WidgetCounterView>()->style, CounterStyle::today);
  }
}

TEST(RootViewVersions, BackgroundOfEachLayoutBeforeAndFromFourteen) {
  const ContentLayout layouts[] = {content_layout::SystemMediumLarge{{5, 9}}, content_layout::SystemSmall{},
                                   content_layout::AccessoryCircular{},
                                   content_layout::AccessoryRectangular{}};
  for (const auto& layout : layouts) {
    const bool accessory = std::holds_alternative<content_layout::AccessoryCircular>(layout) ||
                           std::holds_alternative<content_layout::AccessoryRectangular>(layout);
    for (int major : {12, 13, 14, 15}) {
      const Environment environment = onVersion(major);
      const Element body = RemindersWidgetView{entryWith(layout)}.body(environment);
      SCOPED_TRACE(std::string(caseName(layout)) + " on " + std::to_string(major));
      // From 14 every layout gets the container background; before, accessories get none at all.
      EXPECT_EQ(body.as<ContainerBackground>() != nullptr, major >= 14);
      EXPECT_EQ(body.as<WidgetURL>() != nullptr, major < 14 && accessory);
      EXPECT_EQ(body.as<Background>() != nullptr, major < 14 && !accessory);
      contentOf(body, environment, accessory);
    }
  }
}

TEST(RootViewVersions, SmallIsTheFlexibleViewFromFourteenAndTheLegacyTreeBefore) {
  RemindersWidgetTimelineEntry entry = entryWith(content_layout::SystemSmall{});
  const Element modern = contentOf(RemindersWidgetView{entry}.body(onVersion(14)), onVersion(14), false);
  const auto* flexible = modern.asView<RemindersFlexibleSmallContentView>();
  ASSERT_NE(flexible, nullptr);
  EXPECT_EQ(flexible->timelineEntry.overdueCount, 4);

  const Element legacy =
      contentOf(RemindersWidgetView{entry}.body(onVersion(13, 9)), onVersion(13, 9), false);
  const auto& stack = expectKind<VStack>(legacy);
  EXPECT_EQ(stack.alignment, HorizontalAlignment::leading);
  EXPECT_EQ(stack.spacing, 8);
  ASSERT_EQ(stack.children.size(), 3u);
  EXPECT_NE(stack.children[0].as<VStack>(), nullptr);  // the date header
  EXPECT_EQ(*stack.children[1].asView<WidgetCounterView>(),
            (WidgetCounterView{CounterLayout::vertical, CounterStyle::overdue, 4}));
  EXPECT_EQ(*stack.children[2].asView<WidgetCounterView>(),
            (WidgetCounterView{CounterLayout::vertical, CounterStyle::today, 0}));
}

TEST(RootViewLayout, WidgetLooksTheSameBeforeAndFromFourteen) {
  // The host's content margins from 14 equal the default padding before it, so every frame matches.
  const FixedTextMeasurer metrics;
  const Size canvas{364, 382};
  const auto entry = listEntry(5, 3);
  const LayoutNode before =
      layout(RemindersWidgetView{entry}.body(onVersion(13)), canvas, onVersion(13), metrics);
  const LayoutNode after =
      layout(RemindersWidgetView{entry}.body(onVersion(14)), canvas, onVersion(14), metrics);
  for (const char* text : {"Title E0", "Title E2", "OVERDUE", "TODAY"}) {
    const LayoutNode* a = findText(before, text);
    const LayoutNode* b = findText(after, text);
    ASSERT_TRUE(a && b) << text;
    EXPECT_EQ(a->frame, b->frame) << text;
  }
  EXPECT_EQ(findText(after, "Title E0")->frame.minX(), 16);
}

TEST(RootViewLayout, TapsOnRowsFollowTheirLinksElsewhereTheWidgetLink) {
  auto entry = listEntry(5, 2);
  entry.reminders[1].actionURL = URL::make("https://example.org/e/1");
  const FixedTextMeasurer metrics;
  const LayoutNode root =
      layout(RemindersWidgetView{entry}.body(onVersion(14)), {364, 382}, onVersion(14), metrics);
  const LayoutNode* first = findText(root, "Title E0");
  const LayoutNode* second = findText(root, "Title E1");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(linkAt(root, {first->frame.minX() + 1, first->frame.minY() + 1}), "corvantis2://reminders");
  EXPECT_EQ(linkAt(root, {second->frame.minX() + 1, second->frame.minY() + 1}), "https://example.org/e/1");
  EXPECT_EQ(linkAt(root, {2, 380}), "corvantis2://reminders");  // the margin, below every row
  // Every layout carries the widget link.
  for (const ContentLayout& layout :
       {ContentLayout{content_layout::AccessoryCircular{}}, ContentLayout{content_layout::SystemSmall{}}}) {
    const LayoutNode other = ui::layout(RemindersWidgetView{entryWith(layout)}.body(onVersion(12)),
                                        {170, 170}, onVersion(12), metrics);
    EXPECT_EQ(linkAt(other, {85, 85}), "corvantis2://reminders");
  }
}

}  // namespace
}  // namespace rw

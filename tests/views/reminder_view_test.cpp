// The reminder row: its two lines, the order of its chips, its colours and where a tap on it goes.
#include "views/reminder_view.h"

#include <gtest/gtest.h>

#include "ui/hit_testing.h"
#include "ui/layout.h"

namespace rw {
namespace {

using namespace ui;
using DueStyle = WidgetTimelineReminderComponent::DueStyle;

template <class M>
const M& expectKind(const Element& element) {
  const M* kind = element.as<M>();
  if (!kind) throw std::runtime_error(std::string("unexpected ") + element.kindName());
  return *kind;
}

WidgetTimelineReminderComponent component(CustodyEventType type = CustodyEventType::care) {
  WidgetTimelineReminderComponent c;
  c.identifier = "E1";
  c.type = type;
  c.title = "Swimming";
  c.personsLabels = {{.identifier = "C1", .nick = "Ann", .colorEncoded = {"183", 0}},
                     {.identifier = "B1", .nick = "Kid", .colorEncoded = {"183", 14}},
                     {.identifier = "B2", .nick = "Max", .colorEncoded = {"183", 15}}};
  c.dueDate = Date{800'000'000};
  c.dueAmountText = "€ 24.50";
  c.dueStyle = DueStyle::today;
  c.dueText = "TODAY";
  return c;
}

// Points into the row's tree, which must outlive it.
struct RowParts {
  std::string link;
  const HStack* titleLine = nullptr;
  const HStack* chipsLine = nullptr;
};

// Link > HStack(centre, 12) > VStack(leading, 4) > [ForegroundColor(white) > HStack] x 2.
RowParts rowParts(const Element& row) {
  const auto& link = expectKind<Link>(row);
  const auto& outer = expectKind<HStack>(link.label);
  EXPECT_EQ(outer.alignment, VerticalAlignment::center);
  EXPECT_EQ(outer.spacing, 12);
  EXPECT_EQ(outer.children.size(), 1u);
  const auto& lines = expectKind<VStack>(outer.children.at(0));
  EXPECT_EQ(lines.alignment, HorizontalAlignment::leading);
  EXPECT_EQ(lines.spacing, 4);
  EXPECT_EQ(lines.children.size(), 2u);
  RowParts parts{.link = link.destination};
  const HStack* stacks[2];
  for (int i = 0; i < 2; ++i) {
    const auto& white = expectKind<ForegroundColor>(lines.children.at(static_cast<std::size_t>(i)));
    EXPECT_EQ(white.color, Color::white());
    stacks[i] = &expectKind<HStack>(white.content);
    EXPECT_EQ(stacks[i]->alignment, VerticalAlignment::lastTextBaseline);
    EXPECT_EQ(stacks[i]->spacing, std::nullopt);
  }
  parts.titleLine = stacks[0];
  parts.chipsLine = stacks[1];
  return parts;
}

TEST(ReminderRow, LinkTargetIsTheActionURLElseTheWidgetLink) {
  auto without = component();
  EXPECT_EQ(rowParts(WidgetReminderView{without}.body({})).link, "corvantis2://reminders");

  auto with = component();
  with.actionURL = URL::make("corvantis2://event/E1?x=1");
  EXPECT_EQ(rowParts(WidgetReminderView{with}.body({})).link, "corvantis2://event/E1?x=1");

  // A relative link is followed in its resolved form.
  auto relative = component();
  relative.actionURL = URL::make("event/E2", URL::make("https://example.org/app/"));
  EXPECT_EQ(WidgetReminderView{relative}.linkTarget(), "https://example.org/app/event/E2");
}

TEST(ReminderRow, ChipsLineIsPersonsInOrderThenSpacerThenDueChip) {
  const Element row = WidgetReminderView{component()}.body({});
  const RowParts parts = rowParts(row);
  const auto& chips = parts.chipsLine->children;
  ASSERT_EQ(chips.size(), 5u);
  const char* nicks[] = {"Ann", "Kid", "Max"};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto* chip = chips[i].asView<WidgetReminderView::Boilerplate>();
    ASSERT_NE(chip, nullptr) << i;
    EXPECT_EQ(chip->text, Text::verbatim(nicks[i]));
  }
  EXPECT_EQ(expectKind<Spacer>(chips[3]).minLength, std::nullopt);
  const auto& priority = expectKind<LayoutPriority>(chips[4]);
  EXPECT_EQ(priority.priority, 1);
  const auto* due = priority.content.asView<WidgetReminderView::Boilerplate>();
  ASSERT_NE(due, nullptr);
  EXPECT_EQ(due->text, Text::verbatim("TODAY"));
  EXPECT_EQ(due->color, Color::green());
}

TEST(ReminderRow, PersonColoursArePaletteOrRedAtEightyPercent) {
  const struct {
    std::int64_t index;
    Color expected;
  } cases[] = {
      {0, Color::named("PersonProfile.PorcelainRose").withOpacity(0.8)},
      {14, Color::named(std::string(*paletteColorName(14))).withOpacity(0.8)},
      {15, Color::red().withOpacity(0.8)},
      {-1, Color::red().withOpacity(0.8)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(personColor({"183", c.index}), c.expected) << c.index;
    // The palette version plays no part.
    EXPECT_EQ(personColor({"999", c.index}), c.expected) << c.index;
  }
  EXPECT_EQ(personColor({"183", 0}).opacity, 0.8);
}

TEST(ReminderRow, DueColoursAreOpaqueRedGreenGray) {
  EXPECT_EQ(dueColor(DueStyle::overdue), Color::red());
  EXPECT_EQ(dueColor(DueStyle::today), Color::green());
  EXPECT_EQ(dueColor(DueStyle::future), Color::gray());
  for (auto style : {DueStyle::overdue, DueStyle::today, DueStyle::future})
    EXPECT_EQ(dueColor(style).opacity, 1);
}

TEST(ReminderRow, TitleLineShowsTheAmountForExpensesAndTheTimeOtherwise) {
  for (auto type :
       {CustodyEventType::care, CustodyEventType::call, CustodyEventType::expense, CustodyEventType::memo}) {
    const Element row = WidgetReminderView{component(type)}.body({});
    const RowParts parts = rowParts(row);
    const auto& line = parts.titleLine->children;
    ASSERT_EQ(line.size(), 3u);
    // Title: one line, full height, shortened in width, 15-point medium around the title only.
    const auto& font = expectKind<SubtreeFont>(line[0]);
    EXPECT_EQ(font.font, Font::system(15, FontWeight::medium));
    const auto& fixed = expectKind<FixedSize>(font.content);
    EXPECT_FALSE(fixed.horizontal);
    EXPECT_TRUE(fixed.vertical);
    const auto& limit = expectKind<LineLimit>(fixed.content);
    EXPECT_EQ(limit.lines, 1);
    EXPECT_EQ(expectKind<Text>(limit.content), Text::verbatim("Swimming"));
    EXPECT_NE(line[1].as<Spacer>(), nullptr);
    const auto& priority = expectKind<LayoutPriority>(line[2]);
    EXPECT_EQ(priority.priority, 1);
    const Text expected =
        type == CustodyEventType::expense ? Text::verbatim("€ 24.50") : Text::time(Date{800'000'000});
    EXPECT_EQ(expectKind<Text>(priority.content), expected.withFont(Font::system(15, FontWeight::bold)));
  }
}

TEST(ReminderRow, ChipIsPaddedFilledAndClipped) {
  const Element chip = WidgetReminderView::Boilerplate{Text::verbatim("Ann"), Color::gray()}.body({});
  const auto& clip = expectKind<ClipRoundedRect>(chip);
  EXPECT_EQ(clip.cornerRadius, 5);
  const auto& background = expectKind<Background>(clip.content);
  EXPECT_EQ(background.fill, Fill(Color::gray()));
  const auto& padding = expectKind<Padding>(background.content);
  EXPECT_EQ(padding.insets, (EdgeInsets{.top = 1, .leading = 3, .bottom = 1, .trailing = 3}));
  // The font is the text's own; its colour comes from the line around it.
  EXPECT_EQ(expectKind<Text>(padding.content),
            Text::verbatim("Ann").withFont(Font::system(11, FontWeight::medium)));
}

TEST(ReminderRow, LongTitleIsCutWhileTheDetailAndDueChipKeepTheirWidth) {
  auto c = component(CustodyEventType::expense);
  c.title = std::string(200, 'W');
  for (int i = 0; i < 12; ++i)
    c.personsLabels.push_back({.identifier = "P" + std::to_string(i), .nick = "Person" + std::to_string(i)});
  const FixedTextMeasurer metrics;
  const LayoutNode root = layout(WidgetReminderView{c}.body({}), {300, 80}, {}, metrics);
  const LayoutNode* amount = findText(root, "€ 24.50");
  ASSERT_NE(amount, nullptr);
  EXPECT_DOUBLE_EQ(amount->frame.width(), 7 * 0.5 * 15);  // every character of the amount
  EXPECT_LE(amount->frame.maxX(), 300);
  const LayoutNode* due = findText(root, "TODAY");
  ASSERT_NE(due, nullptr);
  EXPECT_DOUBLE_EQ(due->frame.width(), 5 * 0.5 * 11);
  EXPECT_LE(due->frame.maxX(), 300);
  // The row opens the widget's link anywhere on it.
  EXPECT_EQ(linkAt(root, {150, 10}), "corvantis2://reminders");
}

}  // namespace
}  // namespace rw

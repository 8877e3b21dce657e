// The root view, its counters and rows on each layout and platform version, and rows that keep their shape
// whatever they hold. Fixed metrics (a character half the font size wide, a line 1.25 × the size) where exact
// numbers matter, Pango where the drawn fonts do.
#include "views/root_view.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/catalog.h"
#include "ui/hit_testing.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "views/counter_view.h"
#include "views/flexible_small_view.h"
#include "views/reminder_view.h"

namespace rw {
namespace {

using namespace ui;
using DueStyle = WidgetTimelineReminderComponent::DueStyle;
const FixedTextMeasurer kFixed;
const Environment kVersion14{.platformVersion = {14, 0, 0}};

std::vector<const LayoutNode*> texts(const LayoutNode& root) {
  return findAll(root, [](const LayoutNode& n) { return n.text() != nullptr; });
}

std::vector<const LayoutNode*> nodesOfKind(const LayoutNode& root, std::string_view kind) {
  return findAll(root, [kind](const LayoutNode& n) { return n.kind == kind; });
}

const Fill* fillOf(const LayoutNode& node) {
  const auto* paint = std::get_if<FillPaint>(&node.paint);
  return paint ? &paint->fill : nullptr;
}

// The text a symbol is drawn with.
std::string glyphOf(std::string_view systemName) {
  return layout(Image{.systemName = std::string(systemName)}, {50, 50}, Environment{}, kFixed).text()->text;
}

void expectTextsWithin(const LayoutNode& root, double width, double height) {
  for (const LayoutNode* t : texts(root))
    EXPECT_TRUE(t->frame.minX() >= -1e-6 && t->frame.maxX() <= width + 1e-6 && t->frame.minY() >= -1e-6 &&
                t->frame.maxY() <= height + 1e-6)
        << t->text()->text;
}

// A text is drawn whole: as wide as Pango measures it.
void expectWhole(const LayoutNode* text) {
  ASSERT_NE(text, nullptr);
  EXPECT_DOUBLE_EQ(text->frame.width(),
                   pangoTextMeasurer().measure(text->text()->text, text->text()->font, {}, {}).size.width);
}

// A reminder "E<title>" with `persons` chips ("Al", "Person1", "Al", ...), due in the future.
WidgetTimelineReminderComponent reminder(std::string title, std::size_t persons = 1) {
  WidgetTimelineReminderComponent r{.identifier = "E" + title,
                                    .title = title,
                                    .dueDate = Date{800'000'000},
                                    .dueStyle = DueStyle::future,
                                    .dueText = "IN 5 DAYS"};
  for (std::size_t i = 0; i < persons; ++i)
    r.personsLabels.push_back({.identifier = "P" + std::to_string(i),
                               .nick = i % 2 ? "Person" + std::to_string(i) : "Al",
                               .colorEncoded = {"183", static_cast<std::int64_t>(i % 15)}});
  return r;
}

RemindersWidgetTimelineEntry entryOf(ContentLayout layout, std::int64_t overdue = 2, std::int64_t today = 3,
                                     std::vector<WidgetTimelineReminderComponent> reminders = {}) {
  return {Date{0}, layout, overdue, today, std::move(reminders)};
}

// Reminders "Title E<i>"; the second links to an absolute URL, the third to one relative to a base.
std::vector<WidgetTimelineReminderComponent> titled(int count) {
  std::vector<WidgetTimelineReminderComponent> reminders;
  for (int i = 0; i < count; ++i)
    reminders.push_back(reminder("Title E" + std::to_string(i)));
  if (count > 1) reminders[1].actionURL = URL::make("corvantis2://event/E1?x=1");
  if (count > 2) reminders[2].actionURL = URL::make("event/E2", URL::make("https://example.org/app/"));
  return reminders;
}

LayoutNode layOut(const Element& element, Size canvas, const TextMeasurer& metrics = kFixed) {
  return layout(element, canvas, Environment{}, metrics);
}

LayoutNode layOut(const RemindersWidgetTimelineEntry& entry, const Environment& environment = kVersion14,
                  Size canvas = {364, 382}, const TextMeasurer& metrics = kFixed) {
  return layout(RemindersWidgetView{entry}, canvas, environment, metrics);
}

// The list layout of a medium widget.
LayoutNode mediumList(std::vector<WidgetTimelineReminderComponent> reminders, const TextMeasurer& metrics,
                      const Environment& environment = kVersion14) {
  return layOut(entryOf(content_layout::SystemMediumLarge{{2, 6.0}}, 3, 1, std::move(reminders)), environment,
                {364, 170}, metrics);
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
  const auto boxes = nodesOfKind(stacked, "Background");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(std::tuple(boxes[0]->frame, boxes[1]->frame, findText(stacked, "OVERDUE")->frame.minX(),
                       findText(stacked, "1")->frame.maxX()),
            std::tuple(Rect{{0, 0}, {140, 46}}, Rect{{0, 54}, {140, 46}}, 8.0, 140.0 - 8));
  const LayoutNode line =
      layOut(WidgetCounterView{CounterLayout::accessoryRectangular, CounterStyle::today, 12}, {150, 20});
  EXPECT_EQ(findText(line, "12")->frame.maxX(), 150);
  // Circular: symbol and number one point apart, on the first baseline whatever the fonts.
  const LayoutNode circle = layOut(WidgetCounterView{CounterLayout::accessoryCircular, CounterStyle::today, 5}
                                       .body(Environment{})
                                       .font(Font::system(20)),
                                   {60, 60}, pangoTextMeasurer());
  const LayoutNode *symbol = findKind(circle, "Image"), *number = findText(circle, "5");
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
  return layout(RemindersFlexibleSmallContentView{entry}.body(environment), {170, 170}, environment, kFixed);
}

TEST(FlexibleSmallView, HeaderThenOverdueAndTodayRows) {
  EXPECT_NE(findText(smallView("UTC", "en_GB", WidgetRenderingMode::fullColor), "SUNDAY"), nullptr);
  const LayoutNode root = smallView("Europe/Berlin", "de_DE", WidgetRenderingMode::fullColor);
  // The weekday upper-cased over the day of the month, one point apart, leading; two rows 8 apart below.
  const LayoutNode* weekday = findText(root, "MONTAG");
  const LayoutNode* day = findText(root, "6");
  ASSERT_TRUE(weekday && day);
  EXPECT_EQ(day->frame.origin, (Point{0, weekday->frame.maxY() + 1}));
  const auto rows = nodesOfKind(root, "Background");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::pair(rows[0]->frame.minY(), rows[1]->frame.minY()),
            std::pair(day->frame.maxY() + 8, rows[0]->frame.maxY() + 8));
  // Overdue (red, flame, zero shown as 0) above today (green, bell), each count at the row's trailing end
  // inside the row's padding and its own.
  const std::tuple<const char*, const char*, const char*, Color> expected[] = {
      {"OVERDUE", "0", "flame.fill", Color::red()}, {"TODAY", "1234", "bell.fill", Color::green()}};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& [label, number, symbol, color] = expected[i];
    const LayoutNode* count = findText(*rows[i], number);
    ASSERT_TRUE(count && findText(*rows[i], label)) << label;
    EXPECT_EQ(std::tuple(*fillOf(*rows[i]), rows[i]->frame.width(), count->frame.maxX(),
                         findKind(*rows[i], "Image")->text()->text),
              std::tuple(Fill(color), 170.0, 170.0 - 6 - 4, glyphOf(symbol)))
        << label;
  }
  // A count too long for the row keeps its heavy 14-point digits on one line; the label is cut, the rows
  // stay alike.
  const LayoutNode full = smallView("UTC", "en_US", WidgetRenderingMode::fullColor, 1'000'000'000'000);
  const auto cut = nodesOfKind(full, "Background");
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0]->frame.size, cut[1]->frame.size);
  EXPECT_EQ(findText(full, "1000000000000")->frame.size, (Size{13 * 7, 17.5}));
  const Size label = findText(full, "OVERDUE")->frame.size;
  EXPECT_TRUE(label.width < 7 * 7 && label.height == 17.5) << label.width << "x" << label.height;
  // Vibrant rows are drawn at one fifth opacity, accented ones opaque.
  for (auto mode : {WidgetRenderingMode::vibrant, WidgetRenderingMode::accented})
    EXPECT_EQ(*fillOf(*findKind(smallView("UTC", "en_US", mode), "Background")),
              Fill(Color::red().withOpacity(mode == WidgetRenderingMode::vibrant ? 0.2 : 1.0)));
}

TEST(RootViewList, RowsAndDividersFollowThePlannedCountOrTheEmptyMessageAndEachRowOpensItsLink) {
  // {planned, reminders, dividers}: a list not full has a divider after its last row too.
  const std::array<int, 3> cases[] = {{2, 2, 1}, {5, 3, 3}, {5, 5, 4}, {1, 1, 0}, {6, 0, 0}};
  for (const auto& [planned, reminders, dividerCount] : cases) {
    SCOPED_TRACE(std::to_string(planned) + " planned, " + std::to_string(reminders) + " reminders");
    const LayoutNode root =
        layOut(entryOf(content_layout::SystemMediumLarge{{planned, 9}}, 2, 3, titled(reminders)));
    const auto rows = nodesOfKind(root, "WidgetReminderView");
    const auto dividers = nodesOfKind(root, "Divider");
    const auto counters = nodesOfKind(root, "WidgetCounterView");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(reminders));
    ASSERT_EQ(dividers.size(), static_cast<std::size_t>(dividerCount));
    ASSERT_EQ(counters.size(), 2u);
    // Below the counters' padding of 5, rows and dividers alternate 9 apart, or equal spacers hold the
    // message midway.
    const LayoutNode* message = findText(root, "NO PLANNED EVENTS");
    ASSERT_EQ(message != nullptr, reminders == 0);
    if (message) {
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
    // A tap anywhere on a row opens its link (a relative one resolved), elsewhere the widget's.
    const char* urls[] = {"corvantis2://reminders", "corvantis2://event/E1?x=1",
                          "https://example.org/app/event/E2"};
    for (int i = 0; i < reminders; ++i) {
      EXPECT_NE(findText(*rows[i], "Title E" + std::to_string(i)), nullptr);
      const Rect& f = rows[i]->frame;
      for (const Point at : {Point{f.minX() + 1, f.minY() + 1}, Point{f.maxX() - 1, f.maxY() - 1}})
        EXPECT_EQ(linkAt(root, at), urls[i < 3 ? i : 0]) << i;
    }
    EXPECT_EQ(linkAt(root, {2, 380}), urls[0]);  // the margin, below every row
  }
}

TEST(RootViewVersions, EachLayoutsCountersBackdropAndBackgroundBeforeAndFromFourteen) {
  using namespace content_layout;
  const Fill gradient(widgetBackgroundGradient());
  for (const ContentLayout& layout :
       {ContentLayout(AccessoryCircular{}), ContentLayout(AccessoryRectangular{}),
        ContentLayout(SystemSmall{}), ContentLayout(SystemMediumLarge{{5, 9}})})
    for (const auto& [major, minor] : {std::pair{12, 9}, {13, 0}, {14, 0}}) {
      SCOPED_TRACE(std::string(caseName(layout)) + " on " + std::to_string(major) + "." +
                   std::to_string(minor));
      const bool circular = std::holds_alternative<AccessoryCircular>(layout);
      const bool rectangular = std::holds_alternative<AccessoryRectangular>(layout);
      const bool small = std::holds_alternative<SystemSmall>(layout);
      const LayoutNode root =
          layOut(entryOf(layout, 2, 3, titled(2)), {.platformVersion = {major, minor, 0}});
      // The circular backdrop from 13; the gradient behind the whole canvas from 14, before only off
      // accessories.
      EXPECT_EQ(findKind(root, "AccessoryWidgetBackground") != nullptr, circular && major >= 13);
      const auto painted =
          findAll(root, [&](const LayoutNode& n) { return fillOf(n) && *fillOf(n) == gradient; });
      ASSERT_EQ(painted.size(), major >= 14 || !(circular || rectangular) ? 1u : 0u);
      EXPECT_TRUE(painted.empty() || painted[0]->frame == (Rect{{0, 0}, {364, 382}}));
      EXPECT_EQ(linkAt(root, {182, 191}), "corvantis2://reminders");  // every layout carries the widget link
      // The small one is the flexible view from 14, the date and two vertical counters before.
      EXPECT_EQ(findKind(root, "RemindersFlexibleSmallContentView") != nullptr, small && major >= 14);
      EXPECT_EQ(findText(root, "MONDAY") != nullptr, small);  // the date header of 1 January 2001
      if (small && major >= 14) continue;
      // Overdue above today, each with its count and symbol (the small boxes have none), its colour where
      // boxed and its label but on the circular one; 4 apart on accessories, the rectangular ones leading,
      // with no content margins on any version.
      const auto counters = nodesOfKind(root, "WidgetCounterView");
      ASSERT_EQ(counters.size(), 2u);
      for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NE(findText(*counters[i], i ? "3" : "2"), nullptr);
        EXPECT_EQ(findText(*counters[i], i ? "TODAY" : "OVERDUE") != nullptr, !circular);
        const LayoutNode* symbol = findKind(*counters[i], "Image");
        EXPECT_EQ(symbol ? symbol->text()->text : "", small ? "" : glyphOf(i ? "bell.fill" : "flame.fill"));
        const LayoutNode* box = findKind(*counters[i], "Background");
        ASSERT_EQ(box != nullptr, !(circular || rectangular));
        EXPECT_TRUE(!box || *fillOf(*box) == Fill(i ? Color::green() : Color::red()));
      }
      EXPECT_TRUE(!(circular || rectangular) || counters[1]->frame.minY() - counters[0]->frame.maxY() == 4);
      EXPECT_TRUE(!rectangular || counters[0]->frame.minX() == 0) << counters[0]->frame.minX();
    }
}

// The title line: the title cut to one line, then the amount for expenses and the time otherwise, whole at
// the trailing end. Below it the chips in persons order with their colours, the due chip at the end.
TEST(ReminderRow, TitleLineOverChipsLine) {
  const std::string time = resolvedText(Text::time(Date{800'000'000}), Environment{});
  const std::pair<const char*, Color> chipsExpected[] = {
      {"Ann", Color::named("PersonProfile.PorcelainRose").withOpacity(0.8)},
      {"Kid", Color::named(std::string(*paletteColorName(14))).withOpacity(0.8)},
      {"Max", Color::red().withOpacity(0.8)},  // past the palette
      {"TODAY", Color::green()}};
  for (auto type :
       {CustodyEventType::care, CustodyEventType::call, CustodyEventType::expense, CustodyEventType::memo}) {
    SCOPED_TRACE(rawValue(type));
    auto c = reminder(std::string(200, 'W'), 0);
    c.type = type;
    c.dueAmountText = "€ 24.50";
    c.personsLabels = {{.identifier = "C1", .nick = "Ann", .colorEncoded = {"183", 0}},
                       {.identifier = "B1", .nick = "Kid", .colorEncoded = {"183", 14}},
                       {.identifier = "B2", .nick = "Max", .colorEncoded = {"183", 15}}};
    c.dueStyle = DueStyle::today;
    c.dueText = "TODAY";
    const LayoutNode root = layout(WidgetReminderView{c}, {300, 80}, Environment{}, kFixed);
    const bool expense = type == CustodyEventType::expense;
    const LayoutNode* title = findText(root, c.title);
    const LayoutNode* detail = findText(root, expense ? "€ 24.50" : time);
    ASSERT_TRUE(title && detail);
    EXPECT_EQ(findText(root, expense ? time : "€ 24.50"), nullptr);
    EXPECT_EQ(std::pair(detail->frame.maxX(), detail->frame.maxY()), std::pair(300.0, title->frame.maxY()));
    EXPECT_EQ(title->frame.height(), 15 * 1.25);
    EXPECT_LT(title->frame.maxX(), detail->frame.minX());
    EXPECT_TRUE(!expense || detail->frame.width() == 7 * 0.5 * 15);  // every character of the amount
    const auto chips = nodesOfKind(root, "Background");
    ASSERT_EQ(chips.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(chipsExpected[i].first);
      ASSERT_NE(findText(*chips[i], chipsExpected[i].first), nullptr);
      EXPECT_EQ(*fillOf(*chips[i]), Fill(chipsExpected[i].second));
      EXPECT_EQ(chips[i]->frame.minY(), title->frame.maxY() + 4);
      EXPECT_TRUE(i == 0 || chips[i]->frame.minX() > chips[i - 1]->frame.maxX());
    }
    EXPECT_EQ(std::pair(chips[0]->frame.minX(), chips[3]->frame.maxX()), std::pair(0.0, 300.0));
  }
  EXPECT_EQ(personColor({"999", 14}), chipsExpected[1].second);  // whatever the palette version
  EXPECT_EQ(dueColor(DueStyle::overdue), Color::red());
  EXPECT_EQ(dueColor(DueStyle::future), Color::gray());
}

TEST(OneLineTexts, LineBreaksReadAsSpacesWhereOnlyOneLineIsAllowed) {
  const std::pair<const char*, const char*> cases[] = {{"Line one\nLine two", "Line one Line two"},
                                                       {"a\r\nb\rc\vd\fe", "a b c d e"},  // CR LF is one
                                                       {"a\u0085b\u2028c\u2029d", "a b c d"},
                                                       {"\n\n", "  "}};
  for (const auto& [text, drawn] : cases) {
    SCOPED_TRACE(text);
    // By a line limit of 1, and by a height that holds one line (13 × 1.25 = 16.25).
    for (const Element& tree : {Text::verbatim(text).lineLimit(1), Text::verbatim(text).frame(200, 20)}) {
      const LayoutNode root = layout(tree, {200, 100}, Environment{}, kFixed);
      const LayoutNode* node = findKind(root, "Text");
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(std::tuple(node->text()->text, node->frame.height(), node->text()->maxLines),
                std::tuple(std::string(drawn), 13 * 1.25, 1));
    }
  }
  // With room for more lines the breaks stay.
  const LayoutNode twoLines = layout(Text::verbatim("a\nb").lineLimit(2), {200, 100}, Environment{}, kFixed);
  const LayoutNode* two = findKind(twoLines, "Text");
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(std::pair(two->text()->text, two->frame.height()), std::pair(std::string("a\nb"), 2 * 13 * 1.25));
  // A limit of more lines holds with Pango too, however many paragraphs the text has and however they wrap,
  // and the last baseline is on the second line.
  const double line = pangoTextMeasurer().lineHeight({"Inter", 13});
  for (const char* text : {"a\nb\nc", "wide wide wide wide wide wide\nb", "a\nwide wide wide wide wide"}) {
    const LayoutNode root = layout(Text::verbatim(text).lineLimit(2).frame(60, std::nullopt), {200, 100},
                                   Environment{}, pangoTextMeasurer());
    const LayoutNode* node = findKind(root, "Text");
    EXPECT_DOUBLE_EQ(node->frame.height(), 2 * line) << text;
    EXPECT_NEAR(node->lastBaseline - node->firstBaseline, line, 0.5) << text;
  }
}

// However many persons a reminder has, its chips line fits the row: person chips are cut to their
// minimum, then left out behind "+N"; the due chip keeps its width and the title, one line, its place.
TEST(ReminderRows, ManyPersonChipsAreCutThenLeftOutBehindACountChip) {
  for (std::size_t persons : {1u, 3u, 9u, 21u, 26u, 30u}) {
    SCOPED_TRACE(persons);
    const LayoutNode root = mediumList({reminder("Line one\nTwo", persons)}, kFixed);
    const LayoutNode* row = findKind(root, "WidgetReminderView");
    ASSERT_NE(row, nullptr);
    EXPECT_LE(row->frame.width(), 364 - 2 * 16 + 1e-9);
    EXPECT_EQ(findText(*row, "Line one Two")->frame.minX(), 16);
    // The due chip: nine characters of 5.5 points and its padding of 3 a side, at the trailing edge.
    const LayoutNode* due = findText(*row, "IN 5 DAYS");
    ASSERT_NE(due, nullptr);
    EXPECT_DOUBLE_EQ(due->frame.width(), 9 * 5.5);
    EXPECT_DOUBLE_EQ(due->frame.maxX() + 3, 364 - 16);
    std::size_t shown = 0, leftOut = 0;
    for (const LayoutNode* text : texts(*row)) {
      const std::string& s = text->text()->text;
      EXPECT_EQ(text->frame.height(), text->text()->font.size * 1.25) << s;  // one line
      if (s.starts_with("+")) leftOut = std::stoul(s.substr(1));
      if (s == "Al" || s.starts_with("Person")) {
        ++shown;  // whole, or cut no narrower than the minimum
        EXPECT_TRUE(text->frame.width() >= 0.5 * 11 * static_cast<double>(s.size()) ||
                    text->frame.width() + 6 >= kMinimumPersonChipWidth - 1e-9)
            << s;
      }
    }
    EXPECT_EQ(shown + leftOut, persons);
    EXPECT_GE(shown, persons <= 3 ? persons : 1u);
    EXPECT_TRUE(persons > 3 || leftOut == 0);
  }
}

// The environment a host makes for `language`, right to left where the language's catalog is.
Environment environmentIn(const char* language) {
  const UserSettings settings{.calendar = *Calendar::make("UTC", language),
                              .strings = Catalog::load(defaultStringsDirectory(), language)};
  return {.platformVersion = {14, 0, 0},
          .layoutDirection = settings.strings.layoutDirection(),
          .settings = settings};
}

// In Hebrew and Arabic the medium widget is the mirror image of its left-to-right layout, and every text of
// a row takes its own width: chips hug their texts, an Arabic title shares its line with a time in Arabic
// digits, both whole.
TEST(RightToLeft, TheMediumWidgetIsTheMirrorImageOfItsLeftToRightLayout) {
  for (const char* language : {"he", "ar"}) {
    const Environment rightToLeft = environmentIn(language);
    ASSERT_EQ(rightToLeft.layoutDirection, LayoutDirection::rightToLeft) << language;
    Environment leftToRight = rightToLeft;
    leftToRight.layoutDirection = LayoutDirection::leftToRight;
    auto r = reminder("موعد الطبيب", 2);
    r.personsLabels[0].nick = "אמא";
    r.dueText = "قبل ٧ أيام";
    const std::vector reminders{r, reminder("Title", 1)};
    for (const TextMeasurer* metrics : {static_cast<const TextMeasurer*>(&kFixed), &pangoTextMeasurer()}) {
      const auto all = [](const LayoutNode&) { return true; };
      const LayoutNode mirroredRoot = mediumList(reminders, *metrics, rightToLeft);
      const LayoutNode plainRoot = mediumList(reminders, *metrics, leftToRight);
      const auto mirrored = findAll(mirroredRoot, all);
      const auto plain = findAll(plainRoot, all);
      ASSERT_EQ(mirrored.size(), plain.size());
      for (std::size_t i = 0; i < plain.size(); ++i) {
        SCOPED_TRACE(std::string(language) + " " + std::to_string(i) + " " + plain[i]->kind);
        EXPECT_EQ(std::string_view(mirrored[i]->kind), plain[i]->kind);
        EXPECT_NEAR(mirrored[i]->frame.minX(), 364 - plain[i]->frame.maxX(), 1e-9);
        EXPECT_EQ(std::pair(mirrored[i]->frame.minY(), mirrored[i]->frame.size),
                  std::pair(plain[i]->frame.minY(), plain[i]->frame.size));
      }
      EXPECT_DOUBLE_EQ(findText(mirroredRoot, "IN 5 DAYS")->frame.minX(), 16 + 3);  // at the left edge
      if (metrics == &kFixed) continue;
      for (const LayoutNode* root : {&mirroredRoot, &plainRoot}) {
        const LayoutNode* row = findKind(*root, "WidgetReminderView");
        ASSERT_NE(row, nullptr);
        ASSERT_EQ(texts(*row).size(), 5u);  // the title, the time and three chips
        for (const LayoutNode* text : texts(*row))
          expectWhole(text);
        for (const LayoutNode* chip : nodesOfKind(*row, "Background"))
          EXPECT_DOUBLE_EQ(chip->frame.width(), texts(*chip).at(0)->frame.width() + 6);
      }
    }
  }
}

// Accessories get no content margins: the circular one shows four digits whole on every version, the
// inline family (257 × 26 points in the host's 9-point font) every symbol, label and count.
TEST(Accessories, CountsFitWholeOnEveryVersion) {
  for (int major : {12, 13, 14}) {
    SCOPED_TRACE(major);
    const LayoutNode root = layout(
        Element(RemindersWidgetView{entryOf(content_layout::AccessoryCircular{}, 9999, 1000)}).frame(72, 72),
        {72, 72}, Environment{.platformVersion = {major, 0, 0}}, pangoTextMeasurer());
    expectWhole(findText(root, "9999"));
    expectWhole(findText(root, "1000"));
    expectTextsWithin(root, 72, 72);
  }
  const Element view = RemindersWidgetView{entryOf(content_layout::AccessoryRectangular{}, 100, 12)};
  const LayoutNode root =
      layout(view.font(Font::system(9)).frame(257, 26), {257, 26}, kVersion14, pangoTextMeasurer());
  EXPECT_EQ(texts(root).size(), 6u);
  expectTextsWithin(root, 257, 26);
}

}  // namespace
}  // namespace rw

// Rows that keep their shape whatever they hold: one-line texts with line breaks, long counter labels,
// many person chips, and the accessory families with large counts. Frames come from the layout engine,
// with fixed metrics where exact numbers matter and with Pango where the drawn fonts do.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/catalog.h"
#include "support/view_probes.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "views/flexible_small_view.h"
#include "views/reminder_view.h"
#include "views/root_view.h"

namespace rw {
namespace {

using namespace ui;

const Environment kVersion14{.platformVersion = {14, 0, 0}};

std::vector<const LayoutNode*> texts(const LayoutNode& root) {
  return findAll(root, [](const LayoutNode& n) { return n.text() != nullptr; });
}

// A node's frame lies within `bounds`, give or take rounding.
bool inside(const Rect& frame, const Rect& bounds) {
  return frame.minX() >= bounds.minX() - 1e-6 && frame.maxX() <= bounds.maxX() + 1e-6 &&
         frame.minY() >= bounds.minY() - 1e-6 && frame.maxY() <= bounds.maxY() + 1e-6;
}

void expectTextsWithin(const LayoutNode& root, double width, double height) {
  for (const LayoutNode* text : texts(root))
    EXPECT_TRUE(inside(text->frame, {{0, 0}, {width, height}})) << text->text()->text;
}

// A count is drawn whole: as wide as Pango measures its text.
void expectWhole(const LayoutNode* count) {
  ASSERT_NE(count, nullptr);
  EXPECT_DOUBLE_EQ(count->frame.width(),
                   pangoTextMeasurer().measure(count->text()->text, count->text()->font, {}, {}).size.width);
}

RemindersWidgetTimelineEntry entryOf(ContentLayout layout, std::int64_t overdue, std::int64_t today = 1,
                                     std::vector<WidgetTimelineReminderComponent> reminders = {}) {
  return {.date = Date{800'000'000},
          .layout = layout,
          .overdueCount = overdue,
          .todayCount = today,
          .reminders = std::move(reminders)};
}

TEST(OneLineTexts, LineBreaksReadAsSpacesWhereOnlyOneLineIsAllowed) {
  const struct {
    const char* text;
    const char* drawn;
  } cases[] = {
      {"Line one\nLine two", "Line one Line two"},
      {"a\r\nb\rc\vd\fe", "a b c d e"},  // CR LF is one break
      {"a\u0085b\u2028c\u2029d", "a b c d"},
      {"\n\n", "  "},
  };
  const FixedTextMeasurer metrics;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    // By a line limit of 1, and by a height that holds one line (13 × 1.25 = 16.25).
    for (const Element& tree : {Text::verbatim(c.text).lineLimit(1), Text::verbatim(c.text).frame(200, 20)}) {
      const LayoutNode root = layout(tree, {200, 100}, Environment{}, metrics);
      const LayoutNode* text = findKind(root, "Text");
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(text->text()->text, c.drawn);
      EXPECT_EQ(text->frame.height(), 13 * 1.25);
      EXPECT_EQ(text->text()->maxLines, 1);
    }
  }
  // With room for more lines the breaks stay.
  const LayoutNode two = layout(Text::verbatim("a\nb").lineLimit(2), {200, 100}, Environment{}, metrics);
  EXPECT_EQ(findKind(two, "Text")->text()->text, "a\nb");
  EXPECT_EQ(findKind(two, "Text")->frame.height(), 2 * 13 * 1.25);
  // A limit of more lines holds with Pango too, however many paragraphs the text has and however they wrap.
  for (const char* text : {"a\nb\nc", "wide wide wide wide wide wide\nb", "a\nwide wide wide wide wide"}) {
    const LayoutNode root = layout(Text::verbatim(text).lineLimit(2).frame(60, std::nullopt), {200, 100},
                                   Environment{}, pangoTextMeasurer());
    EXPECT_DOUBLE_EQ(findKind(root, "Text")->frame.height(),
                     2 * pangoTextMeasurer().lineHeight({"Inter", 13}))
        << text;
  }
}

TEST(ViewThatFitsChoice, FirstChildNoWiderThanTheOfferElseTheLast) {
  const FixedTextMeasurer metrics;  // 6.5 points a character at 13 points
  const Element choice = ViewThatFits{.children = {Text::verbatim("wide wide").fixedSize(),
                                                   Text::verbatim("mid").fixedSize(), Text::verbatim("x")}};
  const struct {
    std::optional<double> width;
    const char* chosen;
  } cases[] = {{100, "wide wide"}, {58.5, "wide wide"},        {58, "mid"}, {19.5, "mid"}, {10, "x"},
               {0, "x"},           {std::nullopt, "wide wide"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width.value_or(-1));
    const Size size = sizeThatFits(choice, {c.width, 50}, Environment{}, metrics);
    const LayoutNode root = layout(choice.frame(c.width, 50), {200, 50}, Environment{}, metrics);
    const auto drawn = texts(root);
    ASSERT_EQ(drawn.size(), 1u);  // only the chosen child is laid out
    EXPECT_EQ(drawn[0]->text()->text, c.chosen);
    EXPECT_EQ(size.width, drawn[0]->frame.width());
  }
  EXPECT_EQ(sizeThatFits(ViewThatFits{}, {10, 10}, Environment{}, metrics), (Size{0, 0}));
}

// The list layout of a medium widget as the host lays it out (its content margins included).
LayoutNode mediumList(std::vector<WidgetTimelineReminderComponent> reminders, const TextMeasurer& metrics,
                      std::int64_t overdue = 3, const Environment& environment = kVersion14) {
  return layout(RemindersWidgetView{entryOf(content_layout::SystemMediumLarge{{2, 6.0}}, overdue, 1,
                                            std::move(reminders))},
                {364, 170}, environment, metrics);
}

// The environment a host makes for `language`, right to left where the language's catalog is.
Environment environmentIn(const char* language) {
  const UserSettings settings{.calendar = *Calendar::make("UTC", language),
                              .strings = Catalog::load(defaultStringsDirectory(), language)};
  return {.platformVersion = {14, 0, 0},
          .layoutDirection = settings.strings.layoutDirection(),
          .settings = settings};
}

WidgetTimelineReminderComponent reminder(std::string title, std::size_t persons) {
  WidgetTimelineReminderComponent r;
  r.identifier = "E1";
  r.title = std::move(title);
  for (std::size_t i = 0; i < persons; ++i)
    r.personsLabels.push_back({.identifier = "P" + std::to_string(i),
                               .nick = i % 2 ? "Person" + std::to_string(i) : "Al",
                               .colorEncoded = {"183", static_cast<std::int64_t>(i % 15)}});
  r.dueDate = Date{800'000'000};
  r.dueStyle = WidgetTimelineReminderComponent::DueStyle::future;
  r.dueText = "IN 5 DAYS";
  return r;
}

TEST(ReminderRows, ATitleWithLineBreaksIsOneLineAndTheCountersStayInPlace) {
  const FixedTextMeasurer fixed;
  for (const TextMeasurer* metrics : {static_cast<const TextMeasurer*>(&fixed), &pangoTextMeasurer()}) {
    const LayoutNode root = mediumList({reminder("Line one\nLine two", 1), reminder("Next", 1)}, *metrics);
    const LayoutNode* title = findText(root, "Line one Line two");
    ASSERT_NE(title, nullptr);
    EXPECT_DOUBLE_EQ(title->frame.height(), metrics->lineHeight({"Inter", 15, FontWeight::medium}));
    // The counters row stays where it is with a title of one line, and no text leaves the widget.
    const LayoutNode plain = mediumList({reminder("Line one", 1), reminder("Next", 1)}, *metrics);
    const LayoutNode* counter = findKind(root, "WidgetCounterView");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->frame.minY(), findKind(plain, "WidgetCounterView")->frame.minY());
    EXPECT_GE(counter->frame.minY(), 16 - 1);
    expectTextsWithin(root, 364, 170);
  }
}

TEST(RightToLeft, TheMediumWidgetIsTheMirrorImageOfItsLeftToRightLayout) {
  const Environment hebrew = environmentIn("he");
  ASSERT_EQ(hebrew.layoutDirection, LayoutDirection::rightToLeft);
  Environment leftToRight = hebrew;
  leftToRight.layoutDirection = LayoutDirection::leftToRight;
  const FixedTextMeasurer fixed;
  for (const TextMeasurer* metrics : {static_cast<const TextMeasurer*>(&fixed), &pangoTextMeasurer()}) {
    const auto all = [](const LayoutNode&) { return true; };
    const std::vector reminders{reminder("שחייה", 3), reminder("Title", 1)};
    const LayoutNode mirroredRoot = mediumList(reminders, *metrics, 3, hebrew);
    const LayoutNode plainRoot = mediumList(reminders, *metrics, 3, leftToRight);
    const auto mirrored = findAll(mirroredRoot, all);
    const auto plain = findAll(plainRoot, all);
    ASSERT_EQ(mirrored.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
      SCOPED_TRACE(std::to_string(i) + " " + plain[i]->kind);
      EXPECT_EQ(std::string_view(mirrored[i]->kind), plain[i]->kind);
      EXPECT_NEAR(mirrored[i]->frame.minX(), 364 - plain[i]->frame.maxX(), 1e-9);
      EXPECT_EQ(std::pair(mirrored[i]->frame.minY(), mirrored[i]->frame.size),
                std::pair(plain[i]->frame.minY(), plain[i]->frame.size));
    }
    EXPECT_DOUBLE_EQ(findText(mirroredRoot, "IN 5 DAYS")->frame.minX(), 16 + 3);  // at the left edge
  }
}

// In Hebrew and Arabic every text of a row takes its own width: chips hug their texts, and an Arabic title
// shares its line with a time in Arabic digits, both whole.
TEST(RightToLeft, TextsTakeTheirOwnWidthInEitherDirection) {
  for (const char* language : {"he", "ar", "en"}) {
    SCOPED_TRACE(language);
    auto r = reminder("موعد الطبيب", 2);
    r.personsLabels[0].nick = "אמא";
    r.dueText = "قبل ٧ أيام";
    const LayoutNode root = mediumList({r}, pangoTextMeasurer(), 0, environmentIn(language));
    const LayoutNode* row = findKind(root, "WidgetReminderView");
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(texts(*row).size(), 5u);  // the title, the time and three chips
    for (const LayoutNode* text : texts(*row))
      expectWhole(text);
    for (const LayoutNode* chip : testing::nodesOfKind(*row, "Background"))
      EXPECT_DOUBLE_EQ(chip->frame.width(), texts(*chip).at(0)->frame.width() + 6);
  }
}

// However many persons a reminder has, its chips line fits the row: person chips are cut to their
// minimum, then left out behind "+N"; the due chip keeps its width and the title its place.
TEST(ReminderRows, ManyPersonChipsAreCutThenLeftOutBehindACountChip) {
  const FixedTextMeasurer metrics;
  const double rowWidth = 364 - 2 * 16;
  for (std::size_t persons : {1u, 3u, 9u, 21u, 26u, 30u}) {
    SCOPED_TRACE(persons);
    const LayoutNode root = mediumList({reminder("Title", persons)}, metrics);
    const LayoutNode* row = findKind(root, "WidgetReminderView");
    ASSERT_NE(row, nullptr);
    EXPECT_LE(row->frame.width(), rowWidth + 1e-9);
    EXPECT_EQ(findText(*row, "Title")->frame.minX(), 16);
    // The due chip: nine characters of 5.5 points and its padding of 3 a side, at the trailing edge.
    const LayoutNode* due = findText(*row, "IN 5 DAYS");
    ASSERT_NE(due, nullptr);
    EXPECT_DOUBLE_EQ(due->frame.width(), 9 * 5.5);
    EXPECT_DOUBLE_EQ(due->frame.maxX() + 3, 364 - 16);

    std::size_t shown = 0;
    std::size_t leftOut = 0;
    for (const LayoutNode* text : texts(*row)) {
      EXPECT_EQ(text->frame.height(), text->text()->font.size * 1.25) << text->text()->text;  // one line
      const std::string& s = text->text()->text;
      if (s.starts_with("+")) leftOut = std::stoul(s.substr(1));
      if (s == "Al" || s.starts_with("Person")) {
        ++shown;
        // Whole, or cut no narrower than the minimum.
        if (text->frame.width() < 0.5 * 11 * static_cast<double>(s.size())) {
          EXPECT_GE(text->frame.width() + 6, kMinimumPersonChipWidth - 1e-9) << s;
        }
      }
    }
    EXPECT_EQ(shown + leftOut, persons);
    EXPECT_GE(shown, persons <= 3 ? persons : 1u);
    if (persons <= 3) {
      EXPECT_EQ(leftOut, 0u);
    }
  }
}

TEST(ReminderRows, ChipsWithPangoFitTheWidgetAtEverySize) {
  for (double width : {364.0, 768.0}) {
    const auto entry =
        entryOf(content_layout::SystemMediumLarge{{2, 6.0}}, 0, 0, {reminder("Many persons", 30)});
    const LayoutNode root = layout(RemindersWidgetView{entry}, {width, 170}, kVersion14, pangoTextMeasurer());
    const LayoutNode* row = findKind(root, "WidgetReminderView");
    ASSERT_NE(row, nullptr);
    EXPECT_LE(row->frame.maxX(), width - 16 + 1e-6);
    EXPECT_NEAR(row->frame.minX(), 16, 1e-6);
    ASSERT_NE(findText(*row, "IN 5 DAYS"), nullptr);
    EXPECT_TRUE(
        std::ranges::any_of(texts(*row), [](const LayoutNode* t) { return t->text()->text[0] == '+'; }));
  }
}

// The small widget's two counter rows: a label that does not fit is cut on one line, never wrapped, so
// both rows keep the same height.
TEST(CounterRows, LabelsAreCutOnOneLineAndBothRowsStayAlike) {
  const UserSettings german{.calendar = *Calendar::make("Europe/Berlin", "de_DE"),
                            .strings = Catalog::load(defaultStringsDirectory(), "de_DE")};
  const Environment environment{.platformVersion = {14, 0, 0}, .settings = german};
  for (std::int64_t overdue : {0, 100, 9999, 1'000'000}) {
    SCOPED_TRACE(overdue);
    const LayoutNode root = layout(RemindersWidgetView{entryOf(content_layout::SystemSmall{}, overdue)},
                                   {170, 170}, environment, pangoTextMeasurer());
    const auto rows = testing::nodesOfKind(root, "ClipRoundedRect");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_DOUBLE_EQ(rows[0]->frame.height(), rows[1]->frame.height());
    expectTextsWithin(root, 170, 170);
    for (const LayoutNode* text : texts(root)) {
      if (text->text()->font.family == "Inter" && text->text()->font.size == 14) {
        EXPECT_EQ(text->text()->maxLines, 1);
        EXPECT_DOUBLE_EQ(text->frame.height(), pangoTextMeasurer().lineHeight(text->text()->font));
      }
    }
    expectWhole(findText(root, std::to_string(overdue)));
  }
}

// Accessories get no content margins: the circular one shows four digits whole on every version.
TEST(Accessories, CircularShowsFourDigitsWholeOnEveryVersion) {
  for (int major : {12, 13, 14}) {
    SCOPED_TRACE(major);
    const LayoutNode root = layout(
        Element(RemindersWidgetView{entryOf(content_layout::AccessoryCircular{}, 9999, 1000)}).frame(72, 72),
        {72, 72}, Environment{.platformVersion = {major, 0, 0}}, pangoTextMeasurer());
    expectWhole(findText(root, "9999"));
    expectWhole(findText(root, "1000"));
    expectTextsWithin(root, 72, 72);
  }
}

TEST(Accessories, InlineFitsItsDefaultSizeInTheHostsFont) {
  // As the host draws the inline family: 257 × 26 points in its 9-point font.
  const Element view = RemindersWidgetView{entryOf(content_layout::AccessoryRectangular{}, 100, 12)};
  const LayoutNode root =
      layout(view.font(Font::system(9)).frame(257, 26), {257, 26}, kVersion14, pangoTextMeasurer());
  EXPECT_EQ(texts(root).size(), 6u);  // two symbols, labels and counts
  expectTextsWithin(root, 257, 26);
}

}  // namespace
}  // namespace rw

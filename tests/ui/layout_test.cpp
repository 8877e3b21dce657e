// Element trees as values, layout arithmetic and which link a tap opens, with fixed text metrics: a character
// is half the font size wide, a line 1.25 × the font size high with its baseline at 1 × the size.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include "ui/defaults.h"
#include "ui/hit_testing.h"

namespace rw::ui {
namespace {

const FixedTextMeasurer kMetrics;

LayoutNode layOut(const Element& root, Size canvas) {
  return layout(root, canvas, Environment{}, kMetrics);
}

// A text at size 10: 5 points a character, 12.5 points a line.
Element text(std::string string) {
  return Text::verbatim(std::move(string)).withFont(Font::system(10));
}

// The node drawing `name`, the first of kind `name` after a '#', or the root for "".
const LayoutNode& node(const LayoutNode& root, std::string_view name) {
  const LayoutNode* found = name.empty()            ? &root
                            : name.starts_with('#') ? findKind(root, name.substr(1))
                                                    : findText(root, name);
  if (!found) throw std::runtime_error("no node " + std::string(name));
  return *found;
}

TEST(Elements, EqualityIsStructuralUnsetValuesStayUnsetAndOpacityMultiplies) {
  // A default is kept apart from any number, so trees can say which one they use; modifiers wrap in the order
  // they are called.
  const std::pair<Element, Element> different[] = {
      {Text::localized("TODAY"), Text::verbatim("TODAY")},
      {Spacer{}, Spacer{.minLength = 8}},
      {Text::verbatim("x").padding(), Text::verbatim("x").padding(16)},
      {Text::verbatim("x").padding(8).clipRoundedRect(8), Text::verbatim("x").clipRoundedRect(8).padding(8)}};
  for (const auto& [a, b] : different)
    EXPECT_TRUE(a == a && a != b) << describe(a);
  EXPECT_EQ(std::tuple(Color::red().withOpacity(0.5).withOpacity(0.5).opacity,
                       Color::red().withOpacity(3).opacity, Color::red().withOpacity(-1).opacity),
            std::tuple(0.25, 1.0, 0.0));
}

TEST(Layout, FramesOfStacksFramesAndPaddings) {
  const Element big = Text::verbatim("Big").withFont(Font::system(20));
  const Element three = VStack{.alignment = HorizontalAlignment::leading,
                               .spacing = 4,
                               .children = {text("abcd"), text("ab"), text("abc")}};
  const Element padded = text("ab").padding(EdgeInsets{.top = 2, .leading = 3, .bottom = 5, .trailing = 7});
  const Element filled = text("ab").containerBackground(Color::red());
  const auto flexible = [](FlexFrame frame) { return text("abcd").flexibleFrame(frame); };
  const struct {
    Element tree;
    Size canvas;
    const char* node;
    Rect frame;
  } cases[] = {
      // clang-format off
      {three, {100, 100}, "", {{40, 27.25}, {20, 45.5}}},  // centred on the canvas
      {three, {100, 100}, "ab", {{40, 43.75}, {10, 12.5}}},  // in order with spacing
      {HStack{.children = {text("a"), text("b"), text("c")}}, {100, 20}, "c", {{60.5, 3.75}, {5, 12.5}}},
      {HStack{.spacing = 10, .children = {text("a"), EmptyView{}, text("b")}}, {100, 20}, "b",
       {{55, 3.75}, {5, 12.5}}},
      {HStack{.children = {text("a"), big}}, {100, 100}, "a", {{28.5, 43.75}, {5, 12.5}}},
      {HStack{.alignment = VerticalAlignment::lastTextBaseline, .children = {big, text("s")}}, {200, 100},
       "s", {{116.5, 47.5}, {5, 12.5}}},
      {HStack{.alignment = VerticalAlignment::firstTextBaseline,
              .children = {text("a\nb"), Text::verbatim("X").withFont(Font::system(16))}}, {200, 100}, "a\nb",
       {{89.5, 40.5}, {5, 25}}},
      {VStack{.spacing = 0, .children = {text("abcd"), Divider{}, text("ab")}}.flexibleFrame({.minWidth = 0,
       .maxWidth = kInfinity}), {80, 100}, "#Divider", {{0, 49.5}, {80, kDividerThickness}}},
      {text("a\nb\nc").frame(std::nullopt, 30), {100, 100}, "a\nb\nc", {{47.5, 37.5}, {5, 25}}},
      {flexible({.minWidth = 0, .maxWidth = kInfinity, .minHeight = 0, .maxHeight = kInfinity}), {90, 60}, "",
       {{0, 0}, {90, 60}}},
      {flexible({.maxWidth = 50}), {90, 60}, "", {{20, 23.75}, {50, 12.5}}},
      {flexible({.maxWidth = 50}), {30, 60}, "", {{0, 23.75}, {30, 12.5}}},
      {flexible({.minWidth = 40}), {90, 60}, "", {{25, 23.75}, {40, 12.5}}},
      {flexible({.minWidth = 40}), {20, 60}, "", {{-10, 23.75}, {40, 12.5}}},
      {flexible({.minHeight = 10, .maxHeight = 20}), {90, 60}, "", {{35, 20}, {20, 20}}},
      {text("a").flexibleFrame({.minHeight = 50, .maxHeight = 10}), {100, 100}, "", {{47.5, 25}, {5, 50}}},
      {text("ab").flexibleFrame({.maxWidth = kInfinity, .alignment = Alignment::leading()}), {60, 20}, "ab",
       {{0, 3.75}, {10, 12.5}}},
      {text("abcdefghij").fixedSize(false, true).frame(20, 5), {100, 100}, "abcdefghij",
       {{40, 31.25}, {20, 37.5}}},
      {padded, {100, 100}, "", {{40, 40.25}, {20, 19.5}}},
      {padded, {100, 100}, "ab", {{43, 42.25}, {10, 12.5}}},
      {filled, {100, 60}, "", {{0, 0}, {100, 60}}},  // a container background fills the canvas
      {filled, {100, 60}, "ab", {{45, 23.75}, {10, 12.5}}},  // and insets its content by its margins
      // Symbols take the font size, unknown ones no room.
      {HStack{.spacing = 0, .children = {Image{.systemName = "flame.fill"}, Image{.systemName = "no.such"},
       text("a")}}.font(Font::system(14)), {100, 100}, "", {{44, 41.25}, {12, 17.5}}},
      // clang-format on
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(node(layOut(cases[i].tree, cases[i].canvas), cases[i].node).frame, cases[i].frame)
        << "case " << i;
}

TEST(Layout, StacksShareTheirLengthByPriorityAndFlexibility) {
  const Element label =
      HStack{.children = {text("OVERDUE"), Spacer{}, text("1234").layoutPriority(1)}}.lineLimit(1);
  const Element cut = text("abcdefghij").lineLimit(1);
  const struct {
    Element tree;
    Size canvas;
    std::vector<std::pair<const char*, double>> widths;
  } cases[] = {
      // clang-format off
      {HStack{.spacing = 0, .children = {Spacer{}, text("abcd"), Spacer{}, text("ab"), Spacer{}}}, {130, 20},
       {{"#Spacer", 100.0 / 3}, {"abcd", 20}, {"", 130}}},
      {HStack{.spacing = 0, .children = {text("abcdefgh"), Spacer{.minLength = 12}}}.lineLimit(1), {40, 20},
       {{"abcdefgh", 25}, {"#Spacer", 15}}},
      // 34 to share after two default spacings: the number (priority 1) first, then the label is offered
      // what is left less the spacer's minimum of 8 and keeps one character.
      {label, {50, 20}, {{"1234", 20}, {"OVERDUE", 5}, {"#Spacer", 9}, {"", 50}}},
      {label, {100, 20}, {{"OVERDUE", 35}, {"#Spacer", 100 - 16 - 35 - 20}}},
      {HStack{.spacing = 0, .children = {text("abcdefghij"), text("ab")}}.lineLimit(1), {40, 20},
       {{"ab", 10}, {"abcdefghij", 30}}},  // the least flexible child first
      {cut.frame(20, std::nullopt), {100, 100}, {{"abcdefghij", 20}}},
      {cut.fixedSize().frame(20, std::nullopt), {100, 100}, {{"abcdefghij", 50}}},
      // clang-format on
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const LayoutNode root = layOut(cases[i].tree, cases[i].canvas);
    for (const auto& [name, width] : cases[i].widths)
      EXPECT_DOUBLE_EQ(node(root, name).frame.width(), width) << "case " << i << ": " << name;
  }
}

TEST(Layout, BaselinesAndWhatTextsAreSetIn) {
  EXPECT_EQ(layOut(HStack{.alignment = VerticalAlignment::lastTextBaseline,
                          .children = {Text::verbatim("Big").withFont(Font::system(20)), text("s")}},
                   {200, 100})
                .lastBaseline,
            20);
  EXPECT_EQ(layOut(text("ab").padding(EdgeInsets{.top = 2}), {100, 100}).lastBaseline, 12);
  const LayoutNode limited = layOut(text("abcdefgh").lineLimit(1).frame(22, std::nullopt), {100, 100});
  EXPECT_EQ(node(limited, "abcdefgh").text()->maxLines, 1);
  EXPECT_EQ(node(limited, "abcdefgh").text()->wrapWidth, 22);
  const LayoutNode root =
      layOut(VStack{.children = {Text::verbatim("own").withFont(Font::system(20, FontWeight::medium)),
                                 Text::verbatim("sub").withColor(Color::red()),
                                 Text::verbatim("bold").bolded(), Image{.systemName = "flame.fill"}}}
                 .font(Font::system(14, FontWeight::heavy))
                 .foregroundColor(Color::green()),
             {200, 200});
  // Bold never lightens; impossible font sizes draw at the default size.
  EXPECT_EQ(
      std::tuple(node(root, "own").text()->font, node(root, "sub").text()->font,
                 node(root, "bold").text()->font.weight, node(root, "sub").text()->color,
                 node(root, "own").text()->color,
                 layOut(Text::verbatim("x").withFont(Font::system(1e12)), {1, 1}).text()->font.size),
      std::tuple(FontRequest{"Inter", 20, FontWeight::medium}, FontRequest{"Inter", 14, FontWeight::heavy},
                 FontWeight::heavy, Color::red(), Color::green(), kDefaultFont.size));
  // Without a catalog the key shows; without a calendar the time is UTC on a 24-hour clock.
  EXPECT_EQ(resolvedText(Text::localized("OVERDUE"), Environment{}), "OVERDUE");
  EXPECT_EQ(resolvedText(Text::time(Date::fromUnixSeconds(1781110800)), Environment{}), "17:00");
  EXPECT_EQ(resolvedText(Text::time(Date::fromUnixSeconds(-60)), Environment{}), "23:59");
}

Element row(const char* title, const char* url) {
  return Link{
      .destination = url,
      .label = Text::verbatim(title).withFont(Font::system(10)).flexibleFrame({.maxWidth = kInfinity})};
}

TEST(HitTesting, RowsOpenTheirOwnLinksInnerAndFrontLinksWinAndClipsHideWhatTheyCut) {
  // Two 12.5-point rows, 10 apart, at the top of a 100 × 100 widget with a widget URL.
  const Element rows =
      VStack{.spacing = 10, .children = {row("one", "app://1"), row("two", "app://2"), Spacer{}}};
  const LayoutNode root = layOut(rows.widgetURL("corvantis2://reminders"), {100, 100});
  // The top leading corner belongs to the row, its bottom edge does not: the gap is the widget's.
  const std::pair<Point, const char*> cases[] = {
      {{50, 5}, "app://1"},      {{0, 0}, "app://1"},
      {{99.9, 12.4}, "app://1"}, {{50, 12.5}, "corvantis2://reminders"},
      {{50, 22.5}, "app://2"},   {{50, 80}, "corvantis2://reminders"}};
  for (const auto& [at, url] : cases)
    EXPECT_EQ(linkAt(root, at), url) << at.x << "," << at.y;
  // Without a widget URL only links answer.
  EXPECT_EQ(linkAt(layOut(rows, {100, 100}), {5, 5}), "app://1");
  EXPECT_EQ(linkAt(layOut(rows, {100, 100}), {5, 50}), std::nullopt);
  // Inner and front links win.
  const Element inner =
      Link{.destination = "app://inner", .label = Text::verbatim("x").withFont(Font::system(10))};
  const LayoutNode nested =
      layOut(Link{.destination = "app://outer", .label = HStack{.spacing = 0, .children = {inner, Spacer{}}}},
             {40, 12.5});
  EXPECT_EQ(linkAt(nested, {2, 2}), "app://inner");
  EXPECT_EQ(linkAt(nested, {20, 2}), "app://outer");
  EXPECT_EQ(
      linkAt(layOut(ZStack{.children = {row("back", "app://back"), row("front", "app://front")}}, {40, 12.5}),
             {2, 2}),
      "app://front");
  // A link larger than the clip around it only counts inside the clip.
  const LayoutNode clipped = layOut(Link{.destination = "app://big", .label = Spacer{.minLength = 40}}
                                        .frame(40, 40)
                                        .frame(20, 20)
                                        .clipRoundedRect(0)
                                        .widgetURL("app://widget"),
                                    {20, 20});
  EXPECT_EQ(linkAt(clipped, {10, 10}), "app://big");
  EXPECT_EQ(linkAt(clipped, {-5, 10}), "app://widget");
}

}  // namespace
}  // namespace rw::ui

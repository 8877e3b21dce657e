// Layout arithmetic with fixed text metrics: a character is half the font size wide, a line 1.25 × the
// font size high with its baseline at 1 × the size.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/defaults.h"

namespace rw::ui {
namespace {

const FixedTextMeasurer kMetrics;

LayoutNode layOut(const Element& root, Size canvas) {
  return layout(root, canvas, Environment{}, kMetrics);
}

// A text of `chars` characters at size 10: 5 points a character, 12.5 points a line.
Element text(std::string string) {
  return Text::verbatim(std::move(string)).withFont(Font::system(10));
}

Rect rect(double x, double y, double width, double height) {
  return {{x, y}, {width, height}};
}

const LayoutNode& textNode(const LayoutNode& root, std::string_view string) {
  const LayoutNode* node = findText(root, string);
  if (!node) throw std::runtime_error("no text " + std::string(string));
  return *node;
}

TEST(StackLayout, PlacesChildrenInOrderWithSpacing) {
  const LayoutNode root = layOut(VStack{.alignment = HorizontalAlignment::leading,
                                        .spacing = 4,
                                        .children = {text("abcd"), text("ab"), text("abc")}},
                                 {100, 100});
  // 20 wide, 3 lines of 12.5 and 2 spacings of 4: centred on the canvas.
  EXPECT_EQ(root.frame, rect(40, 27.25, 20, 45.5));
  EXPECT_EQ(textNode(root, "abcd").frame, rect(40, 27.25, 20, 12.5));
  EXPECT_EQ(textNode(root, "ab").frame, rect(40, 43.75, 10, 12.5));
  EXPECT_EQ(textNode(root, "abc").frame, rect(40, 60.25, 15, 12.5));
}

TEST(StackLayout, DefaultSpacingSeparatesEveryPair) {
  const LayoutNode root = layOut(HStack{.children = {text("a"), text("b"), text("c")}}, {100, 20});
  EXPECT_EQ(root.frame.width(), 3 * 5 + 2 * kDefaultSpacing);
  EXPECT_EQ(textNode(root, "c").frame.minX() - textNode(root, "b").frame.maxX(), kDefaultSpacing);
}

TEST(StackLayout, EmptyChildrenTakeNoSpacing) {
  const LayoutNode root =
      layOut(HStack{.spacing = 10, .children = {text("a"), EmptyView{}, text("b")}}, {100, 20});
  EXPECT_EQ(root.frame.width(), 20);
}

TEST(StackLayout, SpacersShareTheFreeLengthEqually) {
  const LayoutNode root = layOut(
      HStack{.spacing = 0, .children = {Spacer{}, text("abcd"), Spacer{}, text("ab"), Spacer{}}}, {130, 20});
  const auto spacers =
      findAll(root, [](const LayoutNode& n) { return n.kind == std::string_view("Spacer"); });
  ASSERT_EQ(spacers.size(), 3u);
  for (const LayoutNode* spacer : spacers)
    EXPECT_DOUBLE_EQ(spacer->frame.width(), 100.0 / 3);
  EXPECT_EQ(root.frame.width(), 130);
  EXPECT_NEAR(textNode(root, "abcd").frame.minX(), 33.333, 1e-3);
}

TEST(StackLayout, SpacerKeepsItsMinimumWhenSpaceRunsOut) {
  const LayoutNode root = layOut(
      HStack{.spacing = 0, .children = {text("abcdefgh"), Spacer{.minLength = 12}}}.lineLimit(1), {40, 20});
  EXPECT_EQ(textNode(root, "abcdefgh").frame.width(), 25);  // 28 offered: five whole characters
  EXPECT_EQ(findKind(root, "Spacer")->frame.width(), 15);
}

TEST(StackLayout, HigherPriorityIsServedFirstAndTheLabelIsCut) {
  // 50 wide, two default spacings: 34 to share. The number (priority 1) is offered all but the minima of
  // the label (0) and the spacer (8) and takes its 20; the label is offered the 14 left less the spacer's
  // 8 and keeps one character; the spacer takes the rest.
  const Element row =
      HStack{.children = {text("OVERDUE"), Spacer{}, Element(text("1234")).layoutPriority(1)}};
  const LayoutNode root = layOut(Element(row).lineLimit(1), {50, 20});
  EXPECT_EQ(textNode(root, "1234").frame.width(), 20);
  EXPECT_EQ(textNode(root, "OVERDUE").frame.width(), 5);
  EXPECT_EQ(findKind(root, "Spacer")->frame.width(), 9);
  // With room to spare the label is whole and the spacer takes the slack.
  const LayoutNode wide = layOut(Element(row).lineLimit(1), {100, 20});
  EXPECT_EQ(textNode(wide, "OVERDUE").frame.width(), 35);
  EXPECT_EQ(findKind(wide, "Spacer")->frame.width(), 100 - 16 - 35 - 20);
  EXPECT_EQ(root.frame.width(), 50);
}

TEST(StackLayout, WithoutPriorityTheLeastFlexibleChildIsServedFirst) {
  // Equal shares of 40: "ab" (10 at most) takes 10 and leaves 30 for the longer text.
  const LayoutNode root =
      layOut(HStack{.spacing = 0, .children = {text("abcdefghij"), text("ab")}}.lineLimit(1), {40, 20});
  EXPECT_EQ(textNode(root, "ab").frame.width(), 10);
  EXPECT_EQ(textNode(root, "abcdefghij").frame.width(), 30);
}

TEST(StackLayout, LastTextBaselinesLineUp) {
  const Element big = Text::verbatim("Big").withFont(Font::system(20));
  const Element small = Text::verbatim("s").withFont(Font::system(10));
  const LayoutNode root =
      layOut(HStack{.alignment = VerticalAlignment::lastTextBaseline, .children = {big, small}}, {200, 100});
  const LayoutNode& b = textNode(root, "Big");
  const LayoutNode& s = textNode(root, "s");
  EXPECT_EQ(b.frame.minY() + b.lastBaseline, s.frame.minY() + s.lastBaseline);
  // 20 above the baseline (the big text), 5 below it (also the big text).
  EXPECT_EQ(root.frame.height(), 25);
  EXPECT_EQ(root.lastBaseline, 20);
}

TEST(StackLayout, FirstTextBaselinesLineUpWithMultilineText) {
  const Element twoLines = Text::verbatim("a\nb").withFont(Font::system(10));
  const Element big = Text::verbatim("X").withFont(Font::system(16));
  const LayoutNode root = layOut(
      HStack{.alignment = VerticalAlignment::firstTextBaseline, .children = {twoLines, big}}, {200, 100});
  const LayoutNode& a = textNode(root, "a\nb");
  const LayoutNode& x = textNode(root, "X");
  EXPECT_EQ(a.frame.minY() + a.firstBaseline, x.frame.minY() + x.firstBaseline);
  EXPECT_EQ(x.frame.minY(), root.frame.minY());
}

TEST(StackLayout, CentreAlignmentCentresAcross) {
  const LayoutNode root =
      layOut(HStack{.children = {text("a"), Text::verbatim("B").withFont(Font::system(20))}}, {100, 100});
  EXPECT_EQ(root.frame.height(), 25);
  EXPECT_EQ(textNode(root, "a").frame.minY() - root.frame.minY(), 6.25);
}

TEST(StackLayout, ZStackTakesTheLargestChildAndCentres) {
  const LayoutNode root = layOut(ZStack{.children = {text("abcd"), text("ab")}}, {100, 100});
  EXPECT_EQ(root.frame.size, (Size{20, 12.5}));
  EXPECT_EQ(textNode(root, "ab").frame.minX() - root.frame.minX(), 5);
}

TEST(StackLayout, DividerSpansTheVerticalStack) {
  const LayoutNode root =
      layOut(VStack{.spacing = 0, .children = {text("abcd"), Divider{}, text("ab")}}.flexibleFrame(
                 {.minWidth = 0, .maxWidth = kInfinity}),
             {80, 100});
  const LayoutNode* divider = findKind(root, "Divider");
  ASSERT_NE(divider, nullptr);
  EXPECT_EQ(divider->frame.size, (Size{80, kDividerThickness}));
}

TEST(FrameLayout, FixedFrameImposesItsSize) {
  // Three lines of text in a frame of height 30 keep to what fits (two lines), centred.
  const LayoutNode root = layOut(Element(text("a\nb\nc")).frame(std::nullopt, 30), {100, 100});
  EXPECT_EQ(root.frame.size, (Size{5, 30}));
  EXPECT_EQ(root.children[0].frame.height(), 25);
  EXPECT_EQ(root.children[0].frame.minY() - root.frame.minY(), 2.5);
}

TEST(FrameLayout, FlexibleFrameClampsTheOffer) {
  struct Case {
    FlexFrame limits;
    Size offer;
    Size expected;
  };
  const Case cases[] = {
      {{.minWidth = 0, .maxWidth = kInfinity, .minHeight = 0, .maxHeight = kInfinity}, {90, 60}, {90, 60}},
      {{.maxWidth = 50}, {90, 60}, {50, 12.5}},
      {{.maxWidth = 50}, {30, 60}, {30, 12.5}},  // the offer is below the maximum: the frame takes it
      {{.minWidth = 40}, {90, 60}, {40, 12.5}},  // content narrower than the minimum
      {{.minWidth = 40}, {20, 60}, {40, 12.5}},  // offer below the minimum
      {{.minHeight = 10, .maxHeight = 20}, {90, 60}, {20, 20}},
  };
  for (const Case& c : cases) {
    const LayoutNode root = layOut(Element(text("abcd")).flexibleFrame(c.limits), c.offer);
    EXPECT_EQ(root.frame.size, c.expected) << c.offer.width << "x" << c.offer.height;
  }
}

TEST(FrameLayout, FlexibleFrameAlignsItsContent) {
  const LayoutNode root =
      layOut(Element(text("ab")).flexibleFrame({.maxWidth = kInfinity, .alignment = Alignment::leading()}),
             {60, 20});
  EXPECT_EQ(root.children[0].frame.minX(), root.frame.minX());
}

TEST(FrameLayout, FixedSizeTakesTheIdealSize) {
  // Offered 20 points, the text would be cut to four characters; fixed size keeps all ten.
  const Element cut = Element(text("abcdefghij")).lineLimit(1);
  EXPECT_EQ(layOut(cut.frame(20, std::nullopt), {100, 100}).children[0].frame.width(), 20);
  EXPECT_EQ(layOut(cut.fixedSize().frame(20, std::nullopt), {100, 100}).children[0].frame.width(), 50);
  // Fixed vertically only, it keeps its full height in a short frame but is still cut in width.
  const LayoutNode root = layOut(Element(text("abcdefghij")).fixedSize(false, true).frame(20, 5), {100, 100});
  EXPECT_EQ(root.children[0].frame.size, (Size{20, 12.5 * 3}));
}

TEST(PaddingLayout, InsetsTheOfferAndAddsToTheResult) {
  const LayoutNode root =
      layOut(Element(text("ab")).padding(EdgeInsets{.top = 2, .leading = 3, .bottom = 5, .trailing = 7}),
             {100, 100});
  EXPECT_EQ(root.frame.size, (Size{20, 19.5}));
  EXPECT_EQ(root.children[0].frame.origin, (Point{root.frame.minX() + 3, root.frame.minY() + 2}));
  EXPECT_EQ(root.lastBaseline, 12);
}

TEST(PaddingLayout, DefaultPaddingOnEveryEdge) {
  const LayoutNode root = layOut(Element(text("ab")).padding(), {100, 100});
  EXPECT_EQ(root.frame.size, (Size{10 + 2 * kDefaultPadding, 12.5 + 2 * kDefaultPadding}));
}

TEST(PaddingLayout, PaddedTextWrapsWithinTheInset) {
  // 30 offered, 10 of padding: 20 left, four characters a line.
  const LayoutNode root = layOut(Element(text("abcdefgh")).padding(5).frame(30, std::nullopt), {100, 100});
  EXPECT_EQ(textNode(root, "abcdefgh").frame.size, (Size{20, 25}));
}

TEST(TextLayout, LineLimitCutsWithAnEllipsis) {
  const LayoutNode root = layOut(Element(text("abcdefgh")).lineLimit(1).frame(22, std::nullopt), {100, 100});
  const LayoutNode& node = textNode(root, "abcdefgh");
  EXPECT_EQ(node.frame.size, (Size{20, 12.5}));
  EXPECT_EQ(node.text()->maxLines, 1);
  EXPECT_EQ(node.text()->wrapWidth, 22);
}

TEST(TextLayout, FontsComeFromTheTextTheSubtreeOrTheDefault) {
  const Element tree =
      VStack{.children = {Text::verbatim("own").withFont(Font::system(20, FontWeight::medium)),
                          Text::verbatim("sub"), Text::verbatim("bold").bolded()}}
          .font(Font::system(14, FontWeight::heavy));
  const LayoutNode root = layOut(tree, {200, 200});
  EXPECT_EQ(textNode(root, "own").text()->font, (FontRequest{"Inter", 20, FontWeight::medium}));
  EXPECT_EQ(textNode(root, "sub").text()->font, (FontRequest{"Inter", 14, FontWeight::heavy}));
  EXPECT_EQ(textNode(root, "bold").text()->font.weight, FontWeight::heavy);  // bold never lightens
  const LayoutNode plain = layOut(Text::verbatim("x").bolded(), {100, 100});
  EXPECT_EQ(plain.text()->font, (FontRequest{"Inter", kDefaultFont.size, FontWeight::bold}));
}

TEST(TextLayout, ColoursComeFromTheTextOrTheForeground) {
  const Element tree =
      HStack{.children = {Text::verbatim("red").withColor(Color::red()), Text::verbatim("inherited")}}
          .foregroundColor(Color::green());
  const LayoutNode root = layOut(tree, {200, 100});
  EXPECT_EQ(textNode(root, "red").text()->color, Color::red());
  EXPECT_EQ(textNode(root, "inherited").text()->color, Color::green());
  EXPECT_EQ(layOut(Text::verbatim("x"), {50, 50}).text()->color, kDefaultForeground);
}

TEST(TextLayout, KeysAndTimesWithoutUserSettings) {
  // Without a catalog the key shows; without a calendar the time is UTC on a 24-hour clock.
  EXPECT_EQ(resolvedText(Text::localized("OVERDUE"), Environment{}), "OVERDUE");
  EXPECT_EQ(resolvedText(Text::time(Date::fromUnixSeconds(1781110800)), Environment{}), "17:00");
  EXPECT_EQ(resolvedText(Text::time(Date::fromUnixSeconds(-60)), Environment{}), "23:59");
}

TEST(TextLayout, SymbolsTakeTheFontSizeAndUnknownOnesNoRoom) {
  const LayoutNode root = layOut(HStack{.spacing = 0,
                                        .children = {Image{.systemName = "flame.fill"},
                                                     Image{.systemName = "no.such.symbol"}, text("a")}}
                                     .font(Font::system(14)),
                                 {100, 100});
  const LayoutNode* flame = findKind(root, "Image");
  ASSERT_NE(flame, nullptr);
  ASSERT_NE(flame->text(), nullptr);
  EXPECT_EQ(flame->text()->font.family, "FontAwesome");
  EXPECT_EQ(flame->frame.size, (Size{7, 17.5}));
  EXPECT_EQ(root.frame.width(), 12);
}

TEST(ContainerBackgroundLayout, FillsTheCanvasAndInsetsTheContent) {
  const LayoutNode root =
      layOut(Element(text("ab")).containerBackground(Color::named("WidgetBackgroundTop")), {100, 60});
  EXPECT_EQ(root.frame, rect(0, 0, 100, 60));
  ASSERT_TRUE(std::holds_alternative<FillPaint>(root.paint));
  // The content is laid out within 16-point margins and centred there.
  EXPECT_EQ(root.children[0].frame, rect(45, 23.75, 10, 12.5));
}

bool allFramesSound(const LayoutNode& node) {
  const Rect& f = node.frame;
  const bool sound = std::isfinite(f.minX()) && std::isfinite(f.minY()) && std::isfinite(f.width()) &&
                     std::isfinite(f.height()) && f.width() >= 0 && f.height() >= 0;
  if (!sound) return false;
  for (const LayoutNode& child : node.children)
    if (!allFramesSound(child)) return false;
  return true;
}

TEST(LayoutSafety, UnusableLengthsNeverMakeUnsoundFrames) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Element trees[] = {
      text("a").frame(-5, kInfinity),
      text("a").frame(nan, nan),
      text("a").flexibleFrame(
          {.minWidth = kInfinity, .idealWidth = nan, .maxWidth = -3, .minHeight = 50, .maxHeight = 10}),
      HStack{.spacing = kInfinity, .children = {text("a"), Spacer{.minLength = kInfinity}, text("b")}},
      VStack{.spacing = -30, .children = {text("a"), Spacer{.minLength = -4}, text("b")}},
      text("a").padding(EdgeInsets{kInfinity, -kInfinity, nan, -100}),
      Text::verbatim("huge").withFont(Font::system(1e12)),
      Image{.systemName = "bell.fill"}.font(Font::system(-3)),
      text("abc").lineLimit(0).lineLimit(-2),
      text("a").clipRoundedRect(kInfinity).containerBackground(Color::red()),
  };
  for (const Element& tree : trees) {
    const LayoutNode root = layOut(tree, {100, 100});
    EXPECT_TRUE(allFramesSound(root)) << describe(tree);
  }
  // A minimum above the maximum keeps the minimum.
  EXPECT_EQ(layOut(text("a").flexibleFrame({.minHeight = 50, .maxHeight = 10}), {100, 100}).frame.height(),
            50);
  // Impossible font sizes draw at the default size.
  EXPECT_EQ(layOut(Text::verbatim("x").withFont(Font::system(1e12)), {100, 100}).text()->font.size,
            kDefaultFont.size);
}

// A view whose body shows the platform version it was evaluated with.
struct VersionView {
  static constexpr const char* kViewName = "VersionView";
  int digits = 0;
  Element body(const Environment& environment) const {
    return Text::verbatim(std::to_string(environment.platformVersion.major)).withFont(Font::system(10));
  }
  friend bool operator==(const VersionView&, const VersionView&) = default;
};

TEST(ViewLayout, BodiesAreEvaluatedWithTheLayoutsEnvironment) {
  const Element tree = HStack{.children = {VersionView{}, VersionView{}}};
  const LayoutNode root = layout(tree, {100, 20}, Environment{.platformVersion = {13, 1, 0}}, kMetrics);
  const auto views =
      findAll(root, [](const LayoutNode& n) { return n.kind == std::string_view("VersionView"); });
  ASSERT_EQ(views.size(), 2u);
  for (const LayoutNode* view : views) {
    ASSERT_EQ(view->children.size(), 1u);
    EXPECT_EQ(view->children[0].text()->text, "13");
    EXPECT_EQ(view->frame.size, (Size{10, 12.5}));
  }
  EXPECT_EQ(sizeThatFits(tree, {}, Environment{}, kMetrics), (Size{10 + 8 + 10, 12.5}));
}

}  // namespace
}  // namespace rw::ui

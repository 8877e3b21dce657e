// The counter view: its trees, the arithmetic of its boxes, and its colours on a rendered image.
#include "views/counter_view.h"

#include <gtest/gtest.h>

#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "ui/renderer.h"

namespace rw {
namespace {

using namespace ui;

const Environment kEnvironment{};
const FixedTextMeasurer kMetrics;

Element bodyOf(CounterLayout layout, CounterStyle style, std::int64_t count) {
  return WidgetCounterView{layout, style, count}.body(kEnvironment);
}

// Unwraps one node of kind `M`, failing the test when the element is something else. The reference lives
// as long as `element`.
template <class M>
const M& expectKind(const Element& element) {
  const M* kind = element.as<M>();
  if (!kind) throw std::runtime_error(std::string("expected another kind than ") + element.kindName());
  return *kind;
}

const Text& expectText(const Element& element) {
  return expectKind<Text>(element);
}

void expectFramedSymbol(const Element& element, std::string_view symbol) {
  const auto& frame = expectKind<Frame>(element);
  EXPECT_EQ(frame.width, 16);
  EXPECT_EQ(frame.height, std::nullopt);
  EXPECT_EQ(expectKind<Image>(frame.content).systemName, symbol);
}

const Element& expectPriority1(const Element& element) {
  const auto& priority = expectKind<LayoutPriority>(element);
  EXPECT_EQ(priority.priority, 1);
  return priority.content;
}

// Clip(8) > Background(colour) > FlexFrame(0...inf both ways, centre) > Padding(8) > ForegroundColor(white).
const HStack& expectBox(const Element& element, CounterStyle style) {
  const auto& clip = expectKind<ClipRoundedRect>(element);
  EXPECT_EQ(clip.cornerRadius, 8);
  const auto& background = expectKind<Background>(clip.content);
  EXPECT_EQ(background.fill, Fill(counterColor(style)));
  EXPECT_TRUE(background.ignoresSafeArea);
  const auto& frame = expectKind<FlexFrame>(background.content);
  EXPECT_EQ(frame.minWidth, 0);
  EXPECT_EQ(frame.maxWidth, kInfinity);
  EXPECT_EQ(frame.minHeight, 0);
  EXPECT_EQ(frame.maxHeight, kInfinity);
  EXPECT_EQ(frame.idealWidth, std::nullopt);
  EXPECT_EQ(frame.idealHeight, std::nullopt);
  EXPECT_EQ(frame.alignment, Alignment::center());
  const auto& padding = expectKind<Padding>(frame.content);
  EXPECT_EQ(padding.insets, EdgeInsets::all(8));
  const auto& color = expectKind<ForegroundColor>(padding.content);
  EXPECT_EQ(color.color, Color::white());
  return expectKind<HStack>(color.content);
}

TEST(CounterViewTree, AccessoryCircularIsSymbolAndNumber) {
  for (CounterStyle style : {CounterStyle::overdue, CounterStyle::today}) {
    const Element body = bodyOf(CounterLayout::accessoryCircular, style, 7);
    const auto& stack = expectKind<HStack>(body);
    EXPECT_EQ(stack.alignment, VerticalAlignment::firstTextBaseline);
    EXPECT_EQ(stack.spacing, 1);
    ASSERT_EQ(stack.children.size(), 2u);
    expectFramedSymbol(stack.children[0], counterSymbolName(style));
    const Text& number = expectText(expectPriority1(stack.children[1]));
    EXPECT_EQ(number, Text::verbatim("7"));  // no font, colour or boldness of its own
  }
}

TEST(CounterViewTree, AccessoryRectangularIsOneLine) {
  const Element body = bodyOf(CounterLayout::accessoryRectangular, CounterStyle::today, 12);
  const auto& stack = expectKind<HStack>(body);
  EXPECT_EQ(stack.alignment, VerticalAlignment::center);
  EXPECT_EQ(stack.spacing, std::nullopt);
  ASSERT_EQ(stack.children.size(), 4u);
  expectFramedSymbol(stack.children[0], "bell.fill");
  EXPECT_EQ(expectText(stack.children[1]), Text::localized("TODAY"));
  EXPECT_EQ(expectKind<Spacer>(stack.children[2]).minLength, std::nullopt);
  EXPECT_EQ(expectText(expectPriority1(stack.children[3])), Text::verbatim("12").bolded());
}

TEST(CounterViewTree, VerticalIsALabelAndNumberBoxWithoutSymbol) {
  const Element body = bodyOf(CounterLayout::vertical, CounterStyle::overdue, 3);
  const HStack& stack = expectBox(body, CounterStyle::overdue);
  EXPECT_EQ(stack.alignment, VerticalAlignment::center);
  EXPECT_EQ(stack.spacing, std::nullopt);
  ASSERT_EQ(stack.children.size(), 3u);
  EXPECT_EQ(
      expectText(stack.children[0]),
      Text::localized("OVERDUE").withFont(Font::system(14, FontWeight::regular)).withColor(Color::white()));
  EXPECT_NE(stack.children[1].as<Spacer>(), nullptr);
  EXPECT_EQ(expectText(expectPriority1(stack.children[2])),
            Text::verbatim("3").withFont(Font::system(18, FontWeight::heavy)));
}

TEST(CounterViewTree, HorizontalIsAThirtyPointBoxWithSymbolLabelAndPaddedNumber) {
  const Element body = bodyOf(CounterLayout::horizontal, CounterStyle::today, 1234);
  const auto& frame = expectKind<Frame>(body);
  EXPECT_EQ(frame.width, std::nullopt);
  EXPECT_EQ(frame.height, 30);
  const HStack& stack = expectBox(frame.content, CounterStyle::today);
  EXPECT_EQ(stack.alignment, VerticalAlignment::center);
  EXPECT_EQ(stack.spacing, std::nullopt);
  ASSERT_EQ(stack.children.size(), 4u);
  const auto& symbolFont = expectKind<SubtreeFont>(stack.children[0]);
  EXPECT_EQ(symbolFont.font, Font::system(14, FontWeight::regular, FontDesign::standard));
  EXPECT_EQ(expectKind<Image>(symbolFont.content).systemName, "bell.fill");
  EXPECT_EQ(expectText(stack.children[1]), Text::localized("TODAY").withFont(Font::system(14)));
  EXPECT_NE(stack.children[2].as<Spacer>(), nullptr);
  // The padding lies inside the priority.
  const auto& padding = expectKind<Padding>(expectPriority1(stack.children[3]));
  EXPECT_EQ(padding.insets, EdgeInsets::all(4));
  EXPECT_EQ(expectText(padding.content),
            Text::verbatim("1234").withFont(Font::system(16, FontWeight::heavy)));
}

TEST(CounterViewTree, StylePairsNeverDependOnLayoutOrCount) {
  const CounterLayout layouts[] = {CounterLayout::accessoryCircular, CounterLayout::accessoryRectangular,
                                   CounterLayout::vertical, CounterLayout::horizontal};
  for (CounterLayout layout : layouts)
    for (std::int64_t count : {0, 1, 99}) {
      for (CounterStyle style : {CounterStyle::overdue, CounterStyle::today}) {
        const std::string tree = describe(bodyOf(layout, style, count));
        const bool overdue = style == CounterStyle::overdue;
        // The circular layout has no label, the vertical one no symbol.
        EXPECT_EQ(tree.find(overdue ? "\"OVERDUE\"" : "\"TODAY\"") != std::string::npos,
                  layout != CounterLayout::accessoryCircular);
        EXPECT_EQ(tree.find(overdue ? "\"flame.fill\"" : "\"bell.fill\"") != std::string::npos,
                  layout != CounterLayout::vertical);
        EXPECT_EQ(tree.find(overdue ? "TODAY" : "OVERDUE"), std::string::npos);
        EXPECT_EQ(tree.find(overdue ? "bell" : "flame"), std::string::npos);
        const bool boxed = layout == CounterLayout::vertical || layout == CounterLayout::horizontal;
        EXPECT_EQ(tree.find(overdue ? "Background(red)" : "Background(green)") != std::string::npos, boxed);
      }
    }
}

TEST(CounterViewTree, NumbersArePlainDecimal) {
  struct Case {
    std::int64_t count;
    const char* text;
  };
  for (const Case& c : {Case{0, "0"}, Case{7, "7"}, Case{1234, "1234"}, Case{-3, "-3"},
                        Case{9223372036854775807, "9223372036854775807"}}) {
    const Element body = bodyOf(CounterLayout::accessoryRectangular, CounterStyle::overdue, c.count);
    const auto& stack = expectKind<HStack>(body);
    EXPECT_EQ(expectText(expectPriority1(stack.children[3])).string, c.text);
  }
}

TEST(CounterViewTree, NestsAsAViewValue) {
  const WidgetCounterView counter{CounterLayout::horizontal, CounterStyle::today, 4};
  const Element row = HStack{.spacing = 12, .children = {counter}};
  const WidgetCounterView* nested = expectKind<HStack>(row).children[0].asView<WidgetCounterView>();
  ASSERT_NE(nested, nullptr);
  EXPECT_EQ(*nested, counter);
  EXPECT_EQ(describe(row),
            "HStack(alignment: center, spacing: 12)\n"
            "  WidgetCounterView(layout: horizontal, style: today, count: 4)\n");
  EXPECT_NE(row, Element(HStack{
                     .spacing = 12,
                     .children = {WidgetCounterView{CounterLayout::horizontal, CounterStyle::today, 5}}}));
}

// Layout arithmetic with fixed metrics: characters half the font size wide, lines 1.25 × the size.

LayoutNode layOut(const Element& element, Size canvas, const TextMeasurer& metrics = kMetrics) {
  return layout(element, canvas, kEnvironment, metrics);
}

TEST(CounterViewLayout, HorizontalBoxIsThirtyPointsHighWhateverItsContent) {
  for (std::int64_t count : {0, 7, 1234, 123456789})
    for (double offeredHeight : {10.0, 30.0, 200.0}) {
      const LayoutNode root = layOut(
          WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, count}, {150, offeredHeight});
      EXPECT_EQ(root.frame.height(), 30) << count << " in " << offeredHeight;
      EXPECT_EQ(root.frame.width(), 150);
      // The coloured box inside is the full 30 points too.
      EXPECT_EQ(findKind(root, "Background")->frame.height(), 30);
    }
  // With the real fonts as well.
  const LayoutNode real = layOut(WidgetCounterView{CounterLayout::horizontal, CounterStyle::today, 42},
                                 {150, 300}, pangoTextMeasurer());
  EXPECT_EQ(real.frame.height(), 30);
}

TEST(CounterViewLayout, TheNumberKeepsItsWidthAndTheLabelIsCutFirst) {
  // 120 wide: 104 inside the padding, 80 after three spacings. The number (16-point digits, 8 wide, padded
  // by 4) takes its full 40; the symbol its 7; the label (7 × 7 = 49 in full) is cut to 3 characters; the
  // spacer keeps more than its minimum.
  const LayoutNode root =
      layOut(WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, 1234}, {120, 30});
  EXPECT_EQ(findText(root, "1234")->frame.width(), 32);
  EXPECT_EQ(findText(root, "OVERDUE")->frame.width(), 21);
  EXPECT_GE(findKind(root, "Spacer")->frame.width(), 8);
  // Wide enough, nothing is cut.
  const LayoutNode wide =
      layOut(WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, 1234}, {200, 30});
  EXPECT_EQ(findText(wide, "OVERDUE")->frame.width(), 49);
}

TEST(CounterViewLayout, ALargeCountShowsAllItsDigitsWithRealFonts) {
  const TextMeasurer& fonts = pangoTextMeasurer();
  for (CounterLayout layout :
       {CounterLayout::horizontal, CounterLayout::vertical, CounterLayout::accessoryRectangular}) {
    const LayoutNode root =
        layOut(WidgetCounterView{layout, CounterStyle::overdue, 123456}, {130, 60}, fonts);
    const LayoutNode* number = findText(root, "123456");
    ASSERT_NE(number, nullptr);
    const TextMetrics full = fonts.measure("123456", number->text()->font, std::nullopt, std::nullopt);
    EXPECT_DOUBLE_EQ(number->frame.width(), full.size.width) << caseName(layout);
    const LayoutNode* label = findText(root, "OVERDUE");
    ASSERT_NE(label, nullptr);
    EXPECT_LT(label->frame.width(), fonts.measure("OVERDUE", label->text()->font, std::nullopt, 1).size.width)
        << caseName(layout) << ": the label should be the one cut";
  }
}

TEST(CounterViewLayout, VerticalBoxFillsWhatItsParentOffers) {
  const Element small =
      VStack{.spacing = 8,
             .children = {WidgetCounterView{CounterLayout::vertical, CounterStyle::overdue, 1},
                          WidgetCounterView{CounterLayout::vertical, CounterStyle::today, 2}}};
  const LayoutNode root = layOut(small, {140, 100});
  const auto boxes =
      findAll(root, [](const LayoutNode& n) { return n.kind == std::string_view("Background"); });
  ASSERT_EQ(boxes.size(), 2u);
  for (const LayoutNode* box : boxes)
    EXPECT_EQ(box->frame.size, (Size{140, 46}));
  EXPECT_EQ(boxes[1]->frame.minY() - boxes[0]->frame.maxY(), 8);
}

TEST(CounterViewLayout, AccessoryCircularAlignsSymbolAndNumberOnTheFirstBaseline) {
  const LayoutNode root = layOut(WidgetCounterView{CounterLayout::accessoryCircular, CounterStyle::today, 5}
                                     .body(kEnvironment)
                                     .font(Font::system(20)),
                                 {60, 60}, pangoTextMeasurer());
  const LayoutNode* symbol = findKind(root, "Image");
  const LayoutNode* number = findText(root, "5");
  ASSERT_NE(symbol, nullptr);
  ASSERT_NE(number, nullptr);
  EXPECT_NEAR(symbol->frame.minY() + symbol->firstBaseline, number->frame.minY() + number->firstBaseline,
              1e-9);
  EXPECT_EQ(number->frame.minX() - findKind(root, "Frame")->frame.maxX(), 1);
}

// A row of the two horizontal counters drawn to PNG at scale 2 and read back, probed beside the texts.
TEST(CounterViewRendering, BoxesAreRedAndGreenWithTransparentCorners) {
  const Element row =
      HStack{.spacing = 12,
             .children = {WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, 3},
                          WidgetCounterView{CounterLayout::horizontal, CounterStyle::today, 12}}};
  const Size canvas{312, 30};
  const auto png = encodePng(renderBitmap(layOut(row, canvas, pangoTextMeasurer()), canvas));
  ASSERT_TRUE(png);
  const auto decoded = decodePng(*png);
  ASSERT_TRUE(decoded);
  const Bitmap& image = *decoded;
  ASSERT_EQ(image.width, 624);
  ASSERT_EQ(image.height, 60);
  auto expectColour = [&](int x, int y, StandardColor tone) {
    const Rgba expected = standardTone(tone);
    const Rgba actual = image.at(x, y);
    EXPECT_NEAR(actual.red, expected.red, 0.01) << x << "," << y;
    EXPECT_NEAR(actual.green, expected.green, 0.01) << x << "," << y;
    EXPECT_NEAR(actual.blue, expected.blue, 0.01) << x << "," << y;
    EXPECT_EQ(actual.alpha, 1) << x << "," << y;
  };
  // Inside the padding at the leading edge and in the middle of the top padding of each box.
  expectColour(8, 30, StandardColor::red);
  expectColour(150, 4, StandardColor::red);
  expectColour(324 + 8, 30, StandardColor::green);
  expectColour(324 + 150, 4, StandardColor::green);
  // The rounded corners are transparent, and so is the gap between the boxes.
  for (auto [x, y] : {std::pair{0, 0}, {299, 0}, {0, 59}, {299, 59}, {324, 0}, {623, 59}})
    EXPECT_EQ(image.at(x, y).alpha, 0) << x << "," << y;
  EXPECT_EQ(image.at(312, 30).alpha, 0);
  // White text was drawn on each box.
  auto hasWhite = [&](int from, int to) {
    for (int y = 16; y < 44; ++y)
      for (int x = from; x < to; ++x)
        if (const Rgba c = image.at(x, y); c.red > 0.95 && c.green > 0.95 && c.blue > 0.95) return true;
    return false;
  };
  EXPECT_TRUE(hasWhite(0, 300));
  EXPECT_TRUE(hasWhite(324, 624));
}

}  // namespace
}  // namespace rw

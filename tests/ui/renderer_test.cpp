// Drawing with Cairo and Pango: pixels probed where the answer does not depend on glyph shapes.
#include "ui/renderer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"

namespace rw::ui {
namespace {

Bitmap draw(const Element& root, Size canvas, double scale = 2, const ColorTable* colors = nullptr) {
  const LayoutNode laid = layout(root, canvas, Environment{}, pangoTextMeasurer());
  return renderBitmap(laid, canvas, {.scale = scale, .colors = colors});
}

void expectTone(const Rgba& actual, const Rgba& expected, double tolerance = 0.02) {
  EXPECT_NEAR(actual.red, expected.red, tolerance);
  EXPECT_NEAR(actual.green, expected.green, tolerance);
  EXPECT_NEAR(actual.blue, expected.blue, tolerance);
  EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

Element box(Color color) {
  return Element(EmptyView{})
      .flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity})
      .background(color)
      .clipRoundedRect(8);
}

TEST(Renderer, FillsAndRoundedCornersAtScale) {
  const Bitmap bitmap =
      draw(HStack{.spacing = 0, .children = {box(Color::red()), box(Color::green())}}, {100, 30});
  ASSERT_EQ(bitmap.width, 200);
  ASSERT_EQ(bitmap.height, 60);
  expectTone(bitmap.at(50, 30), standardTone(StandardColor::red));
  expectTone(bitmap.at(150, 30), standardTone(StandardColor::green));
  // The corners are cut away, antialiased: transparent at the very corner, partly covered on the curve.
  EXPECT_EQ(bitmap.at(0, 0).alpha, 0);
  EXPECT_EQ(bitmap.at(99, 59).alpha, 0);
  EXPECT_EQ(bitmap.at(100, 0).alpha, 0);
  bool partial = false;
  for (int i = 0; i < 12; ++i)
    partial |= bitmap.at(i, i).alpha > 0.05 && bitmap.at(i, i).alpha < 0.95;
  EXPECT_TRUE(partial);
  // The edges between the corners are fully covered.
  EXPECT_EQ(bitmap.at(50, 0).alpha, 1);
  EXPECT_EQ(bitmap.at(0, 30).alpha, 1);
}

TEST(Renderer, ScaleSetsThePixelSize) {
  EXPECT_EQ(draw(box(Color::red()), {10, 5}, 1).width, 10);
  EXPECT_EQ(draw(box(Color::red()), {10, 5}, 3).height, 15);
  EXPECT_EQ(pixelSize({10.2, 0}, 2), (std::pair{21, 1}));
}

TEST(Renderer, NamedColoursOpacityAndGradients) {
  const auto colors = ColorTable::parse(R"({"Top": "#FF0000", "Bottom": "#0000FF80"})");
  ASSERT_TRUE(colors);
  const Element gradient =
      Element(EmptyView{})
          .flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity})
          .background(LinearGradient{.colors = {Color::named("Top"), Color::named("Bottom")}});
  const Bitmap g = draw(gradient, {10, 100}, 1, &*colors);
  expectTone(g.at(5, 0), {1, 0, 0, 1}, 0.03);
  expectTone(g.at(5, 99), {0, 0, 1, 0x80 / 255.0}, 0.03);

  const Element faded = Element(EmptyView{})
                            .flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity})
                            .background(Color::named("Top").withOpacity(0.2));
  EXPECT_NEAR(draw(faded, {4, 4}, 1, &*colors).at(2, 2).alpha, 0.2, 0.01);
  // A name the table lacks draws nothing.
  const Element missing = Element(EmptyView{})
                              .flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity})
                              .background(Color::named("Nowhere"));
  EXPECT_EQ(draw(missing, {4, 4}, 1, &*colors).at(2, 2).alpha, 0);
}

int inkedPixels(const Bitmap& bitmap) {
  int count = 0;
  for (std::uint32_t p : bitmap.pixels)
    count += (p >> 24) > 0;
  return count;
}

bool hasColourfulPixel(const Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x) {
      const Rgba c = bitmap.at(x, y);
      if (c.alpha > 0.5 && std::max({c.red, c.green, c.blue}) - std::min({c.red, c.green, c.blue}) > 0.3)
        return true;
    }
  return false;
}

TEST(Renderer, TextsSymbolsAndEmojiLeaveInk) {
  EXPECT_GT(inkedPixels(draw(Text::verbatim("OVERDUE"), {80, 20})), 20);
  EXPECT_GT(inkedPixels(draw(Image{.systemName = "flame.fill"}.font(Font::system(14)), {20, 20})), 20);
  EXPECT_GT(inkedPixels(draw(Text::verbatim("Ωμέγα 東京"), {120, 20})), 20);
  // White text everywhere but the emoji, which falls back to the colour emoji font.
  EXPECT_FALSE(hasColourfulPixel(draw(Text::verbatim("Swim"), {60, 20})));
  EXPECT_TRUE(hasColourfulPixel(draw(Text::verbatim("Swim 🏊"), {80, 20})));
}

TEST(Renderer, WritesEachFormatByExtension) {
  testing::TemporaryDirectory dir;
  const LayoutNode laid = layout(box(Color::red()), {40, 20}, Environment{}, pangoTextMeasurer());
  struct Case {
    const char* name;
    std::string_view magic;
  };
  for (const Case& c : {Case{"a.png", "\x89PNG"}, Case{"a.SVG", "<?xml"}, Case{"a.pdf", "%PDF"}}) {
    const auto path = dir.path() / c.name;
    EXPECT_TRUE(renderToFile(laid, {40, 20}, path)) << c.name;
    EXPECT_EQ(testing::readFile(path).substr(0, c.magic.size()), c.magic) << c.name;
  }
  EXPECT_FALSE(renderToFile(laid, {40, 20}, dir.path() / "a.gif"));
  EXPECT_FALSE(renderToFile(laid, {40, 20}, dir.path() / "missing" / "a.png"));
}

TEST(Renderer, PngRoundTripsThroughCairo) {
  const Bitmap drawn = draw(box(Color::green().withOpacity(0.5)), {20, 10});
  const auto encoded = encodePng(drawn);
  ASSERT_TRUE(encoded);
  const auto decoded = decodePng(*encoded);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, drawn.width);
  EXPECT_EQ(decoded->height, drawn.height);
  EXPECT_EQ(decoded->pixels, drawn.pixels);
  EXPECT_EQ(decodePng({0x89, 'P', 'N', 'G'}), std::nullopt);
  EXPECT_EQ(decodePng({}), std::nullopt);

  const Bitmap blank = blankBitmap({30, 10}, 2);
  EXPECT_EQ(blank.width, 60);
  const auto png = encodePng(blank);
  ASSERT_TRUE(png);
  EXPECT_GT(png->size(), 8u);
  EXPECT_EQ(encodePng(Bitmap{.width = 2, .height = 2, .pixels = {0}}), std::nullopt);
}

TEST(PangoMeasurer, MeasuresWrapsAndCuts) {
  const TextMeasurer& m = pangoTextMeasurer();
  const FontRequest regular{"Inter", 14, FontWeight::regular};
  const TextMetrics natural = m.measure("OVERDUE reminders", regular, std::nullopt, std::nullopt);
  EXPECT_GT(natural.size.width, 60);
  EXPECT_GT(natural.firstBaseline, 0);
  EXPECT_LT(natural.firstBaseline, natural.size.height);
  EXPECT_EQ(natural.firstBaseline, natural.lastBaseline);
  // Larger and heavier text is wider.
  EXPECT_GT(m.measure("OVERDUE reminders", {"Inter", 28, FontWeight::regular}, std::nullopt, 1).size.width,
            1.8 * natural.size.width);
  EXPECT_GT(m.measure("OVERDUE reminders", {"Inter", 14, FontWeight::heavy}, std::nullopt, 1).size.width,
            natural.size.width);
  // Cut to one line it keeps within the width; unlimited, it wraps onto more lines.
  const TextMetrics cut = m.measure("OVERDUE reminders", regular, 50, 1);
  EXPECT_LE(cut.size.width, 50);
  EXPECT_NEAR(cut.size.height, natural.size.height, 0.01);
  const TextMetrics wrapped = m.measure("OVERDUE reminders", regular, 70, std::nullopt);
  EXPECT_GT(wrapped.size.height, 1.5 * natural.size.height);
  EXPECT_GT(wrapped.lastBaseline, wrapped.firstBaseline);
  EXPECT_NEAR(m.lineHeight(regular), natural.size.height, 0.01);
}

TEST(ColorResources, ParsesHexAndRefusesTheRest) {
  EXPECT_EQ(parseHexColor("#FF8000"), (Rgba{1, 0x80 / 255.0, 0, 1}));
  EXPECT_EQ(parseHexColor("#ff800000"), (Rgba{1, 0x80 / 255.0, 0, 0}));
  for (const char* bad : {"", "FF8000", "#FF800", "#GG8000", "#FF8000F"})
    EXPECT_EQ(parseHexColor(bad), std::nullopt) << bad;
  EXPECT_EQ(ColorTable::parse("[]"), std::nullopt);
  EXPECT_EQ(ColorTable::parse(R"({"A": 3})"), std::nullopt);
  EXPECT_EQ(ColorTable::parse(R"({"A": "#12"})"), std::nullopt);
  EXPECT_EQ(ColorTable::parse("{"), std::nullopt);
}

// Relative luminance and contrast as WCAG defines them.
double luminance(const Rgba& c) {
  auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

TEST(ColorResources, TheResourcesFileHoldsDistinctColoursForWhiteText) {
  const auto table = ColorTable::load(testing::sourceDirectory() / "resources" / "colors.json");
  ASSERT_TRUE(table);
  const char* names[] = {"PersonProfile.PorcelainRose",
                         "PersonProfile.CreamyPeach",
                         "PersonProfile.YoungSalmon",
                         "PersonProfile.VibrantYellow",
                         "PersonProfile.Summertime",
                         "PersonProfile.MintyGreen",
                         "PersonProfile.GreenTeal",
                         "PersonProfile.BlueCuracao",
                         "PersonProfile.ClearChill",
                         "PersonProfile.SoftBlue",
                         "PersonProfile.PurpleMountainMajesty",
                         "PersonProfile.FlamingoPink",
                         "PersonProfile.LotusPink",
                         "PersonProfile.OldGeranium",
                         "PersonProfile.PineGlade",
                         "WidgetBackgroundTop",
                         "WidgetBackgroundBottom"};
  std::vector<Rgba> seen;
  for (const char* name : names) {
    const auto color = table->named(name);
    ASSERT_TRUE(color) << name;
    EXPECT_EQ(color->alpha, 1) << name;
    EXPECT_GE(1.05 / (luminance(*color) + 0.05), 3.0) << name << " is too light for white text";
    for (const Rgba& other : seen)
      EXPECT_NE(*color, other) << name;
    seen.push_back(*color);
  }
  EXPECT_EQ(table->entries().size(), std::size(names));
}

}  // namespace
}  // namespace rw::ui

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
  return renderBitmap(layout(root, canvas, Environment{}, pangoTextMeasurer()), canvas,
                      {.scale = scale, .colors = colors});
}

void expectTone(const Rgba& actual, const Rgba& expected, double tolerance = 0.02) {
  EXPECT_NEAR(actual.red, expected.red, tolerance);
  EXPECT_NEAR(actual.green, expected.green, tolerance);
  EXPECT_NEAR(actual.blue, expected.blue, tolerance);
  EXPECT_NEAR(actual.alpha, expected.alpha, tolerance);
}

Element filled(Fill fill) {
  return Element(EmptyView{}).flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity}).background(fill);
}

TEST(Renderer, FillsAndRoundedCornersAtScale) {
  const Bitmap bitmap = draw(HStack{.spacing = 0,
                                    .children = {filled(Color::red()).clipRoundedRect(8),
                                                 filled(Color::green()).clipRoundedRect(8)}},
                             {100, 30});
  ASSERT_EQ(bitmap.width, 200);
  ASSERT_EQ(bitmap.height, 60);
  expectTone(bitmap.at(50, 30), standardTone(StandardColor::red));
  expectTone(bitmap.at(150, 30), standardTone(StandardColor::green));
  // The corners are cut away, antialiased: transparent at the very corner, partly covered on the curve;
  // the edges between the corners are fully covered. Outside the bitmap is transparent.
  for (auto [x, y] : {std::pair{0, 0}, {99, 59}, {100, 0}, {-1, 30}, {50, -1}, {200, 30}, {50, 60}})
    EXPECT_EQ(bitmap.at(x, y).alpha, 0) << x << "," << y;
  bool partial = false;
  for (int i = 0; i < 12; ++i)
    partial |= bitmap.at(i, i).alpha > 0.05 && bitmap.at(i, i).alpha < 0.95;
  EXPECT_TRUE(partial);
  EXPECT_EQ(bitmap.at(50, 0).alpha, 1);
  EXPECT_EQ(bitmap.at(0, 30).alpha, 1);
  EXPECT_EQ(draw(filled(Color::red()), {10, 5}, 3).height, 15);
  EXPECT_EQ(pixelSize({10.2, 0}, 2), (std::pair{21, 1}));
}

TEST(Renderer, NamedColoursOpacityAndGradients) {
  const auto colors = ColorTable::parse(R"({"Top": "#FF0000", "Bottom": "#0000FF80"})");
  ASSERT_TRUE(colors);
  const Bitmap g = draw(filled(LinearGradient{.colors = {Color::named("Top"), Color::named("Bottom")}}),
                        {10, 100}, 1, &*colors);
  expectTone(g.at(5, 0), {1, 0, 0, 1}, 0.03);
  expectTone(g.at(5, 99), {0, 0, 1, 0x80 / 255.0}, 0.03);
  EXPECT_NEAR(draw(filled(Color::named("Top").withOpacity(0.2)), {4, 4}, 1, &*colors).at(2, 2).alpha, 0.2,
              0.01);
  // A name the table lacks draws nothing.
  EXPECT_EQ(draw(filled(Color::named("Nowhere")), {4, 4}, 1, &*colors).at(2, 2).alpha, 0);
}

TEST(Renderer, TextsSymbolsAndEmojiLeaveInk) {
  const auto inked = [](const Bitmap& bitmap) {
    int count = 0;
    for (std::uint32_t p : bitmap.pixels)
      count += (p >> 24) > 0;
    return count;
  };
  const auto colourful = [](const Bitmap& bitmap) {
    for (int y = 0; y < bitmap.height; ++y)
      for (int x = 0; x < bitmap.width; ++x)
        if (const Rgba c = bitmap.at(x, y);
            c.alpha > 0.5 && std::max({c.red, c.green, c.blue}) - std::min({c.red, c.green, c.blue}) > 0.3)
          return true;
    return false;
  };
  EXPECT_GT(inked(draw(Text::verbatim("OVERDUE"), {80, 20})), 20);
  EXPECT_GT(inked(draw(Image{.systemName = "flame.fill"}.font(Font::system(14)), {20, 20})), 20);
  EXPECT_GT(inked(draw(Text::verbatim("Ωμέγα 東京"), {120, 20})), 20);
  // White text everywhere but the emoji, which falls back to the colour emoji font.
  EXPECT_FALSE(colourful(draw(Text::verbatim("Swim"), {60, 20})));
  EXPECT_TRUE(colourful(draw(Text::verbatim("Swim 🏊"), {80, 20})));
}

TEST(Renderer, WritesEachFormatByExtensionAndPngRoundTrips) {
  testing::TemporaryDirectory dir;
  const LayoutNode laid = layout(filled(Color::red()), {40, 20}, Environment{}, pangoTextMeasurer());
  for (auto [name, magic] : {std::pair{"a.png", "\x89PNG"}, {"a.SVG", "<?xml"}, {"a.pdf", "%PDF"}}) {
    EXPECT_TRUE(renderToFile(laid, {40, 20}, dir.path() / name)) << name;
    EXPECT_TRUE(testing::readFile(dir.path() / name).starts_with(magic)) << name;
  }
  EXPECT_FALSE(renderToFile(laid, {40, 20}, dir.path() / "a.gif"));
  EXPECT_FALSE(renderToFile(laid, {40, 20}, dir.path() / "missing" / "a.png"));

  const Bitmap drawn = draw(filled(Color::green().withOpacity(0.5)), {20, 10});
  const auto decoded = decodePng(encodePng(drawn).value());
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->width, drawn.width);
  EXPECT_EQ(decoded->height, drawn.height);
  EXPECT_EQ(decoded->pixels, drawn.pixels);
  EXPECT_EQ(decodePng({0x89, 'P', 'N', 'G'}), std::nullopt);
  EXPECT_EQ(encodePng(Bitmap{.width = 2, .height = 2, .pixels = {0}}), std::nullopt);
}

TEST(PangoMeasurer, MeasuresWrapsAndCuts) {
  const TextMeasurer& m = pangoTextMeasurer();
  const FontRequest regular{"Inter", 14, FontWeight::regular};
  const TextMetrics natural = m.measure("OVERDUE reminders", regular, std::nullopt, std::nullopt);
  EXPECT_GT(natural.size.width, 60);
  EXPECT_LT(natural.firstBaseline, natural.size.height);
  EXPECT_EQ(natural.firstBaseline, natural.lastBaseline);
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
  for (const char* bad : {"[]", R"({"A": 3})", R"({"A": "#12"})", "{"})
    EXPECT_EQ(ColorTable::parse(bad), std::nullopt) << bad;
}

TEST(ColorResources, TheResourcesFileHoldsDistinctColoursForWhiteText) {
  const auto table = ColorTable::load(testing::sourceDirectory() / "resources" / "colors.json");
  ASSERT_TRUE(table);
  // The fifteen person colours and the two of the widget's background.
  EXPECT_EQ(table->entries().size(), 17u);
  EXPECT_TRUE(table->named("WidgetBackgroundBottom"));
  // Relative luminance as WCAG defines it: white text needs a contrast of at least 3.
  const auto luminance = [](const Rgba& c) {
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
  };
  std::vector<Rgba> seen;
  for (const auto& [name, color] : table->entries()) {
    EXPECT_EQ(color.alpha, 1) << name;
    EXPECT_GE(1.05 / (luminance(color) + 0.05), 3.0) << name << " is too light for white text";
    EXPECT_EQ(std::find(seen.begin(), seen.end(), color), seen.end()) << name;
    seen.push_back(color);
  }
}

}  // namespace
}  // namespace rw::ui

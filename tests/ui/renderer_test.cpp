// Drawing with Cairo and Pango, pixels probed where the answer does not depend on glyph shapes; measuring
// with Pango, and reporting a script no installed font has once; the colour tables it draws with.
#include "ui/renderer.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/test_support.h"
#include "ui/layout.h"
#include "ui/pango_setup.h"
#include "ui/pango_text_measurer.h"

namespace rw::ui {
namespace {

Bitmap draw(const Element& root, Size canvas, double scale = 2, const ColorTable* colors = nullptr) {
  return renderBitmap(layout(root, canvas, Environment{}, pangoTextMeasurer()), canvas,
                      {.scale = scale, .colors = colors});
}

void expectTone(const Rgba& actual, const Rgba& expected, double tolerance = 0.03) {
  for (auto channel : {&Rgba::red, &Rgba::green, &Rgba::blue, &Rgba::alpha})
    EXPECT_NEAR(actual.*channel, expected.*channel, tolerance);
}

Element filled(Fill fill) {
  return Element(EmptyView{}).flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity}).background(fill);
}

TEST(Renderer, FillsRoundedCornersNamedColoursAndGradientsAtScale) {
  const Bitmap bitmap = draw(HStack{.spacing = 0,
                                    .children = {filled(Color::red()).clipRoundedRect(8),
                                                 filled(Color::green()).clipRoundedRect(8)}},
                             {100, 30});
  ASSERT_EQ(std::pair(bitmap.width, bitmap.height), std::pair(200, 60));
  expectTone(bitmap.at(50, 30), standardTone(StandardColor::red));
  expectTone(bitmap.at(150, 30), standardTone(StandardColor::green));
  // Corners cut away, antialiased on the curve; the edges between them covered; outside is transparent.
  for (auto [x, y] : {std::pair{0, 0}, {99, 59}, {100, 0}, {-1, 30}, {50, -1}, {200, 30}, {50, 60}})
    EXPECT_EQ(bitmap.at(x, y).alpha, 0) << x << "," << y;
  bool partial = false;
  for (int i = 0; i < 12; ++i)
    partial |= bitmap.at(i, i).alpha > 0.05 && bitmap.at(i, i).alpha < 0.95;
  EXPECT_TRUE(partial);
  EXPECT_EQ(bitmap.at(50, 0).alpha + bitmap.at(0, 30).alpha, 2);
  EXPECT_EQ(draw(filled(Color::red()), {10, 5}, 3).height, 15);
  EXPECT_EQ(pixelSize({10.2, 0}, 2), (std::pair{21, 1}));

  const auto colors = ColorTable::parse(R"({"Top": "#FF0000", "Bottom": "#0000FF80"})");
  ASSERT_TRUE(colors);
  const Bitmap g = draw(filled(LinearGradient{.colors = {Color::named("Top"), Color::named("Bottom")}}),
                        {10, 100}, 1, &*colors);
  expectTone(g.at(5, 0), {1, 0, 0, 1});
  expectTone(g.at(5, 99), {0, 0, 1, 0x80 / 255.0});
  EXPECT_NEAR(draw(filled(Color::named("Top").withOpacity(0.2)), {4, 4}, 1, &*colors).at(2, 2).alpha, 0.2,
              0.01);
  EXPECT_EQ(draw(filled(Color::named("Nowhere")), {4, 4}, 1, &*colors).at(2, 2).alpha,
            0);  // not in the table

  // A focus ring: 2 points of the labels' white just inside its frame, over what the tree drew.
  const Bitmap ring = renderBitmap(layout(filled(Color::red()), {40, 20}, Environment{}, pangoTextMeasurer()),
                                   {40, 20}, {.scale = 1, .focusRing = FocusRing{{{10, 5}, {20, 10}}, 0}});
  for (auto [x, y, color] : {std::tuple{10, 10, StandardColor::white},
                             {29, 10, StandardColor::white},
                             {20, 6, StandardColor::white},
                             {9, 10, StandardColor::red},
                             {20, 10, StandardColor::red}})
    expectTone(ring.at(x, y), standardTone(color));
}

TEST(Renderer, TextsSymbolsAndEmojiLeaveInk) {
  const auto inked = [](const Bitmap& bitmap) {
    return std::count_if(bitmap.pixels.begin(), bitmap.pixels.end(), [](std::uint32_t p) { return p >> 24; });
  };
  const auto colourful = [](const Bitmap& b) {
    for (int y = 0; y < b.height; ++y)
      for (int x = 0; x < b.width; ++x)
        if (const Rgba c = b.at(x, y);
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

// A short line over a long one starts at the leading edge of the text's frame, whatever its own direction.
TEST(Renderer, LinesStartAtTheLeadingEdgeOfTheirFrame) {
  for (const char* text : {"l\nWWWWWW", "ש\nWWWWWW"}) {
    for (const auto direction : {LayoutDirection::leftToRight, LayoutDirection::rightToLeft}) {
      const LayoutNode root = layout(Text::verbatim(text).withFont(Font::system(20)), {160, 60},
                                     Environment{.layoutDirection = direction}, pangoTextMeasurer());
      const Bitmap bitmap = renderBitmap(root, {160, 60}, {.scale = 1});
      const Rect& f = root.frame;
      bool left = false, right = false;  // ink in the first line, in the frame's left and right quarters
      for (int y = static_cast<int>(f.minY()); y < f.minY() + 20; ++y)
        for (int dx = 0; dx < f.width() / 4; ++dx) {
          left |= bitmap.at(static_cast<int>(f.minX()) + dx, y).alpha > 0;
          right |= bitmap.at(static_cast<int>(f.maxX()) - 1 - dx, y).alpha > 0;
        }
      const bool rightToLeft = direction == LayoutDirection::rightToLeft;
      EXPECT_EQ(std::pair(left, right), std::pair(!rightToLeft, rightToLeft)) << text;
    }
  }
}

// One line means one unwrapped line ending in "…", as drawn: a single word wider than the line too, which a
// height limit cut between two letters with no ellipsis at a drawing scale of 2 ("Per" for "Person3").
TEST(PangoMeasurer, OneLineTextsEndInAnEllipsisWhereverTheyAreCut) {
  // Set up as the renderer draws at twice the size.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, 2, 2);
  PangoContext* context = pango_cairo_create_context(cr);
  detail::configureContext(context);
  PangoLayout* layout = pango_layout_new(context);
  const FontRequest chip{"Inter", 11, FontWeight::medium};
  for (const char* text : {"Person3", "Dentist appointment", "Line one\nLine two"}) {
    SCOPED_TRACE(text);
    detail::configureLayout(layout, text, chip, 22, 1);
    EXPECT_EQ(pango_layout_get_line_count(layout), 1);
    EXPECT_TRUE(pango_layout_is_ellipsized(layout));
    // The line stands for the whole text, whose end the ellipsis replaces.
    EXPECT_EQ(pango_layout_get_line_readonly(layout, 0)->length, static_cast<int>(std::strlen(text)));
    EXPECT_LE(detail::widestLine(layout), 22);
  }
  detail::configureLayout(layout, "Line one\nLine two", chip, 200, 1);
  EXPECT_EQ(pango_layout_get_line_count(layout), 1);
  EXPECT_FALSE(pango_layout_is_ellipsized(layout));
  g_object_unref(layout);
  g_object_unref(context);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

// Whether fontconfig knows a font with the character (hexadecimal code point).
bool someFontHas(const std::string& codePoint) {
  return std::system(("fc-list ':charset=" + codePoint + "' family 2>/dev/null | grep -q .").c_str()) == 0;
}

// A text in a script no installed font has is reported once on stderr, not once per text.
TEST(MissingFonts, AScriptWithoutAFontIsReportedOnce) {
  // Scripts no Debian 12 font package covers, then ones only large collections do: {code point, two words
  // of the script, its name}.
  const std::array<const char*, 3> candidates[] = {{"11f04", "\U00011F04\U00011F05 \U00011F06", "Kawi"},
                                                   {"1c5a", "\u1C5A\u1C5B \u1C5C", "Ol_Chiki"},
                                                   {"a500", "\uA500\uA501 \uA502", "Vai"}};
  const auto* chosen = std::find_if(std::begin(candidates), std::end(candidates),
                                    [](const auto& c) { return !someFontHas(c[0]); });
  const PangoTextMeasurer measurer;
  const FontRequest font{.family = "Inter", .size = 13};
  ::testing::internal::CaptureStderr();  // texts the installed fonts draw are not reported
  (void)measurer.measure("Overdue Überfällig Просрочено 期限切れ", font, std::nullopt, std::nullopt);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  if (chosen == std::end(candidates)) GTEST_SKIP() << "every candidate script has a font here";
  ::testing::internal::CaptureStderr();
  (void)measurer.measure((*chosen)[1], font, std::nullopt, std::nullopt);
  (void)measurer.measure(std::string("Title ") + (*chosen)[1], font, 100.0, 2);
  (void)measurer.measure("Latin only", font, std::nullopt, std::nullopt);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find((*chosen)[2]), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
}

TEST(ColorResources, ParsesHexAndFilesAndNamesTheFileInEveryFailure) {
  EXPECT_EQ(parseHexColor("#FF8000"), (Rgba{1, 0x80 / 255.0, 0, 1}));
  EXPECT_EQ(parseHexColor("#ff800000"), (Rgba{1, 0x80 / 255.0, 0, 0}));
  for (const char* bad : {"", "FF8000", "#FF800", "#GG8000", "#FF8000F"})
    EXPECT_EQ(parseHexColor(bad), std::nullopt) << bad;
  for (const char* bad : {"[]", R"({"A": 3})", R"({"A": "#12"})", "{"})
    EXPECT_EQ(ColorTable::parse(bad), std::nullopt) << bad;
  // Every refusal names the file; a missing one says so.
  testing::TemporaryDirectory dir;
  testing::writeFile(dir.path() / "broken.json", R"({"WidgetBackgroundTop": "blue"})");
  testing::writeFile(dir.path() / "empty.json", "{}");
  for (const auto& path :
       {dir.path() / "missing.json", dir.path() / "broken.json", dir.path() / "empty.json", dir.path()}) {
    const auto refused = loadColorsFile(path);
    ASSERT_FALSE(refused) << path;
    EXPECT_NE(refused.error().reason.find(path.string()), std::string::npos) << refused.error().reason;
    EXPECT_EQ(refused.error().reason.find("No such file") != std::string::npos,
              path.filename() == "missing.json");
  }
}

// The tests run from the build tree, which holds a copy of the colours the program draws with: distinct,
// opaque, and dark enough for white text (a WCAG contrast of at least 3).
TEST(ColorResources, TheShippedColoursAreTheDefaultAndSuitWhiteText) {
  EXPECT_EQ(defaultColorsFile(),
            (testing::binaryDirectory() / "share/reminders-widget/colors.json").lexically_normal());
  const auto& table = loadDefaultColorTable();
  ASSERT_TRUE(table) << table.error().reason;
  EXPECT_EQ(&defaultColorTable(), &*table);
  EXPECT_EQ(table->entries().size(), 17u);  // fifteen person colours and the background's two
  EXPECT_TRUE(table->named("WidgetBackgroundTop") && table->named("WidgetBackgroundBottom"));
  const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  std::vector<Rgba> seen;
  for (const auto& [name, c] : table->entries()) {
    EXPECT_EQ(c.alpha, 1) << name;
    EXPECT_GE(1.05 / (0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue) + 0.05),
              3.0)
        << name;
    EXPECT_EQ(std::find(seen.begin(), seen.end(), c), seen.end()) << name;
    seen.push_back(c);
  }
}

}  // namespace
}  // namespace rw::ui

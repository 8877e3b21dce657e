// reminders-widget draw as a user runs it: demos and JSON trees to each format, and the usage errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/test_support.h"

namespace rw {
namespace {

using rw::testing::Ran;
using rw::testing::readFile;
using rw::testing::TemporaryDirectory;

Ran draw(std::vector<std::string> args) {
  args.insert(args.begin(), "draw");
  return rw::testing::run(args);
}

// Width and height from a PNG's header chunk.
std::pair<int, int> pngSize(const std::string& png) {
  const auto word = [&](std::size_t at) {
    int value = 0;
    for (std::size_t i = at; i < at + 4; ++i)
      value = value << 8 | static_cast<unsigned char>(png[i]);
    return value;
  };
  return png.size() < 24 ? std::pair{0, 0} : std::pair{word(16), word(20)};
}

TEST(DrawCommand, DrawsDemosAndTreesAtTheAskedScaleAndPrintsTheOutline) {
  TemporaryDirectory dir;
  const auto list = (dir.path() / "list.png").string();
  const Ran ran = draw({"--demo", "list", "-o", list});
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "Drew demo list (338x354 points, 676x708 pixels) to " + list + "\n");
  EXPECT_EQ(pngSize(readFile(list)), (std::pair{676, 708}));
  const auto row = (dir.path() / "row.png").string();
  ASSERT_EQ(draw({"--demo", "counters-row", "--scale", "1", "-o", row}).status, 0);
  EXPECT_EQ(pngSize(readFile(row)), (std::pair{306, 37}));
  const auto pdf = (dir.path() / "layouts.pdf").string();
  ASSERT_EQ(draw({"--demo", "counter-layouts", "-o", pdf}).status, 0);
  EXPECT_EQ(readFile(pdf).substr(0, 4), "%PDF");

  const auto tree = dir.path() / "tree.json";
  rw::testing::writeFile(tree, R"({"HStack": {"spacing": 4, "children": [{"Localized": "TODAY"}, "Spacer",
      {"WidgetCounterView": {"layout": "vertical", "style": "today", "count": 2}}]},
      "modifiers": [{"padding": 8}, {"background": {"named": "WidgetBackgroundTop"}}]})");
  const auto svg = (dir.path() / "tree.svg").string();
  const Ran drawn = draw({"--tree", tree.string(), "--size", "200x60", "--print-tree", "-o", svg});
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_EQ(drawn.out,
            "Background(\"WidgetBackgroundTop\")\n"
            "  Padding(8,8,8,8)\n"
            "    HStack(alignment: center, spacing: 4)\n"
            "      Text(localized \"TODAY\")\n"
            "      Spacer(minLength: default)\n"
            "      WidgetCounterView(layout: vertical, style: today, count: 2)\n"
            "Drew " +
                tree.string() + " (200x60 points, 400x120 pixels) to " + svg + "\n");
  EXPECT_NE(readFile(svg).find("<svg"), std::string::npos);
}

TEST(DrawCommand, RefusesWhatItCannotDraw) {
  TemporaryDirectory dir;
  const auto bad = (dir.path() / "bad.json").string();
  rw::testing::writeFile(bad, R"({"Marquee": "hello"})");
  const auto png = (dir.path() / "a.png").string();
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"--demo", "list", "-o", (dir.path() / "a.gif").string()}, 2},
      {{"--demo", "nothing", "-o", png}, 2},
      {{"-o", png}, 2},
      {{"--demo", "list", "--tree", bad, "-o", png}, 2},
      {{"--tree", bad, "-o", png}, 2},
      {{"--tree", (dir.path() / "missing.json").string(), "-o", png}, 2},
      {{"--demo", "list", "--scale", "0", "-o", png}, 2},
      {{"--demo", "list", "--size", "0x10", "-o", png}, 2},
      {{"--demo", "list", "--size", "5000x100", "--scale", "2", "-o", png}, 2},
      {{"--demo", "list", "--os-version", "fourteen", "-o", png}, 2},
      {{"--demo", "list", "--mode", "sepia", "-o", png}, 2},
      {{"--demo", "list", "-o", (dir.path() / "no" / "such" / "dir.png").string()}, 1},
  };
  for (const auto& c : cases) {
    const Ran ran = draw(c.args);
    EXPECT_EQ(ran.status, c.status) << ran.err;
    EXPECT_EQ(ran.err.rfind("reminders-widget: ", 0), 0u) << ran.err;
  }
  EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace rw

// reminders-widget draw as a user runs it: demos and JSON trees to each format, and the usage errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace rw {
namespace {

using rw::testing::TemporaryDirectory;

struct Ran {
  int status = -1;
  std::string out;
};

Ran draw(const std::vector<std::string>& args) {
  std::string command = "env -u TZ -u LANG -u LC_ALL -u LC_MESSAGES '" RW_WIDGET_EXECUTABLE "' draw";
  for (const auto& arg : args)
    command += " '" + arg + "'";
  command += " 2>&1";
  Ran result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    result.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// Width and height from a PNG's header chunk.
std::pair<int, int> pngSize(const std::string& png) {
  auto word = [&](std::size_t at) {
    return static_cast<int>(
        (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
        (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]));
  };
  return png.size() < 24 ? std::pair{0, 0} : std::pair{word(16), word(20)};
}

TEST(DrawCommand, DrawsEveryDemoAtTheAskedScale) {
  TemporaryDirectory dir;
  const auto list = (dir.path() / "list.png").string();
  const Ran ran = draw({"--demo", "list", "-o", list});
  ASSERT_EQ(ran.status, 0) << ran.out;
  EXPECT_EQ(ran.out, "Drew demo list (338x354 points, 676x708 pixels) to " + list + "\n");
  EXPECT_EQ(pngSize(testing::readFile(list)), (std::pair{676, 708}));

  const auto row = (dir.path() / "row.png").string();
  ASSERT_EQ(draw({"--demo", "counters-row", "--scale", "1", "-o", row}).status, 0);
  EXPECT_EQ(pngSize(testing::readFile(row)), (std::pair{306, 37}));

  const auto pdf = (dir.path() / "layouts.pdf").string();
  ASSERT_EQ(draw({"--demo", "counter-layouts", "-o", pdf}).status, 0);
  EXPECT_EQ(testing::readFile(pdf).substr(0, 4), "%PDF");
}

TEST(DrawCommand, DrawsAJsonTreeAndPrintsItsOutline) {
  TemporaryDirectory dir;
  const auto tree = dir.path() / "tree.json";
  testing::writeFile(tree, R"({"HStack": {"spacing": 4, "children": [{"Localized": "TODAY"}, "Spacer",
      {"WidgetCounterView": {"layout": "vertical", "style": "today", "count": 2}}]},
      "modifiers": [{"padding": 8}, {"background": {"named": "WidgetBackgroundTop"}}]})");
  const auto svg = (dir.path() / "tree.svg").string();
  const Ran ran = draw({"--tree", tree.string(), "--size", "200x60", "--print-tree", "-o", svg});
  ASSERT_EQ(ran.status, 0) << ran.out;
  EXPECT_EQ(ran.out,
            "Background(\"WidgetBackgroundTop\")\n"
            "  Padding(8,8,8,8)\n"
            "    HStack(alignment: center, spacing: 4)\n"
            "      Text(localized \"TODAY\")\n"
            "      Spacer(minLength: default)\n"
            "      WidgetCounterView(layout: vertical, style: today, count: 2)\n"
            "Drew " +
                tree.string() + " (200x60 points, 400x120 pixels) to " + svg + "\n");
  EXPECT_NE(testing::readFile(svg).find("<svg"), std::string::npos);
}

TEST(DrawCommand, RefusesWhatItCannotDraw) {
  TemporaryDirectory dir;
  const auto bad = dir.path() / "bad.json";
  testing::writeFile(bad, R"({"Marquee": "hello"})");
  const auto png = (dir.path() / "a.png").string();
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{"--demo", "list", "-o", (dir.path() / "a.gif").string()}, 2},
      {{"--demo", "nothing", "-o", png}, 2},
      {{"-o", png}, 2},
      {{"--demo", "list", "--tree", bad.string(), "-o", png}, 2},
      {{"--tree", bad.string(), "-o", png}, 2},
      {{"--tree", (dir.path() / "missing.json").string(), "-o", png}, 2},
      {{"--demo", "list", "--scale", "0", "-o", png}, 2},
      {{"--demo", "list", "--size", "0x10", "-o", png}, 2},
      {{"--demo", "list", "--size", "5000x100", "--scale", "2", "-o", png}, 2},
      {{"--demo", "list", "--os-version", "fourteen", "-o", png}, 2},
      {{"--demo", "list", "--mode", "sepia", "-o", png}, 2},
      {{"--demo", "list", "-o", (dir.path() / "no" / "such" / "dir.png").string()}, 1},
  };
  for (const Case& c : cases) {
    const Ran ran = draw(c.args);
    EXPECT_EQ(ran.status, c.status) << ran.out;
    EXPECT_NE(ran.out.find("reminders-widget: "), std::string::npos) << ran.out;
  }
  EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace rw

// draw, render, gallery, tap, describe and host as a user runs them, with numbers, texts and links meant to
// mislead.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "support/child_process.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using Json = nlohmann::json;
using namespace rw::testing;

const std::string kNow = "2026-12-06T09:30:00Z";

// The areas of the large picture in a gallery page, in page order.
struct Area {
  std::string centre;  // where a tap lands in it
  int width;
  std::string href;  // empty: not linked
};
std::vector<Area> largeAreas(const std::string& html) {
  const auto start = html.find("src=\"systemLarge.png\"");
  const std::string map = html.substr(start, html.find("</map>", start) - start);
  const std::regex area(
      R"re(<area shape="rect" coords="(\d+),(\d+),(\d+),(\d+)"(?: href="([^"]*)"| nohref))re");
  std::vector<Area> areas;
  for (std::sregex_iterator it(map.begin(), map.end(), area), last; it != last; ++it) {
    const auto at = [&](int i) { return std::stoi((*it)[i]); };
    areas.push_back({std::to_string((at(1) + at(3)) / 2) + "," + std::to_string((at(2) + at(4)) / 2),
                     at(3) - at(1), (*it)[5]});
  }
  return areas;
}

// A gallery of a payload with hostile texts and links: the page escapes them, shows control and bidi
// characters as replacements and links only expected schemes; a tap prints whatever URL lies under it.
TEST(GalleryAndTapCommands, EscapeTextsLinkOnlyExpectedSchemesAndTapsPrintTheLinkUnderThem) {
  TemporaryDirectory container, gallery;
  RemindersWidgetPayload payload{.events = {}, .persons = fixtures::persons()};
  const char* const links[] = {"javascript:alert(1)", "https://example.org/?a=1&b=%3Cx%3E",
                               "mailto:ann@example.org?attach=/etc/passwd",
                               "http://bank.example@evil.example/"};
  for (int i = 0; i < 4; ++i) {
    payload.events.push_back(event("E" + std::to_string(i), at("2026-12-06T10:00:00Z").adding(i * 3600)));
    payload.events.back().actionURL = fixtures::kept(URL::make(links[i]));
  }
  payload.events[0].title = "<script>alert('x')</script> Fish & \"chips\"";
  // "Pay gnp.exe" read right to left hides ".exe"; a line break and a bell; isolates and marks.
  payload.events[2].title = "Pay \u202Egnp.exe\u202C now\x07\nplease";
  payload.events[3].title = "\u2066x\u2069\u200F\u061C\u2028y\u0085\x7F";
  // Binary: XML cannot hold the control characters.
  writeFile(container.path() / kPayloadFileName, writePayload(payload, plist::Format::binary).value());
  const auto with = [&](std::vector<std::string> args) {
    return requestAt(std::move(args), container.path().string(), kNow);
  };
  const Ran drawn = run(with({"gallery", "-o", gallery.path().string()}));
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_EQ(
      namesIn(gallery.path()),
      (std::set<std::string>{"index.html", "systemSmall.png", "systemMedium.png", "systemLarge.png",
                             "systemExtraLarge.png", "accessoryCircular.png", "accessoryRectangular.png"}));
  const std::string html = readFile(gallery.path() / "index.html");
  for (const std::string absent :
       {"<script", "href=\"javascript", "href=\"mailto:", "href=\"http://bank", "\u202E", "\u202C", "\u2066",
        "\u2069", "\u200F", "\u061C", "\u2028", "\u0085", "\x07", "\x7F"})
    EXPECT_EQ(html.find(absent), std::string::npos) << absent;
  for (const char* shown : {"&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; Fish &amp; &quot;chips&quot;",
                            "Pay &#xFFFD;gnp.exe&#xFFFD; now&#xFFFD;&#xFFFD;please",
                            "&#xFFFD;x&#xFFFD;&#xFFFD;&#xFFFD;&#xFFFD;y&#xFFFD;&#xFFFD;",
                            "<code>javascript:alert(1)</code> (not linked",
                            "<code>mailto:ann@example.org?attach=/etc/passwd</code>",
                            "<code>http://bank.example@evil.example/</code>"})
    EXPECT_NE(html.find(shown), std::string::npos) << shown;
  // Four rows, only the second linked, then the whole widget.
  const auto areas = largeAreas(html);
  ASSERT_EQ(areas.size(), 5u);
  EXPECT_EQ(
      std::tuple(areas[0].href + areas[2].href + areas[3].href, areas[1].href, areas[4].href, areas[4].width),
      std::tuple("", "https://example.org/?a=1&amp;b=%3Cx%3E", "corvantis2://reminders", 364));
  // A row whose link this program would not open answers no URL on stdout, one line on stderr.
  for (const int row : {0, 2, 3}) {
    const Ran refused = run(with({"tap", "--at", areas[row].centre}));
    EXPECT_EQ(std::pair(refused.status, refused.out), std::pair(1, std::string())) << row;
    EXPECT_NE(refused.err.find(std::string("'") + links[row] + "' is not a link this program opens"),
              std::string::npos)
        << refused.err;
  }
  const std::pair<std::string, std::string> taps[] = {{areas[1].centre, "https://example.org/?a=1&b=%3Cx%3E"},
                                                      {"10.5,5", "corvantis2://reminders"},
                                                      {"180,370", "corvantis2://reminders"}};
  for (const auto& [at, url] : taps) {
    const Ran ran = run(with({"tap", "--at", at}));
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out.substr(ran.out.rfind('\n', ran.out.size() - 2) + 1), url + "\n")
        << at;  // the last line
  }
}

TEST(DescribeCommand, FamiliesBeforeAndFromFourteen) {
  const Json before{"systemSmall", "systemLarge"}, from14{"systemSmall", "systemLarge", "systemExtraLarge"};
  for (const auto& [version, families] :
       {std::pair{"12.2.0", before}, {"13.6", before}, {"14.0.0", from14}, {"15", from14}}) {
    const Ran ran = run({"describe", "-o", "-", "--os-version", version, "--locale", "C"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(Json::parse(ran.out)["supportedFamilies"], families) << version;
  }
}

TEST(TimeZones, AnUnknownZoneFromTheEnvironmentOrTheOptionIsUtcSaidOnce) {
  const Ran utc = run({"timeline", "--now", kNow, "--time-zone", "UTC", "-o", "-"});
  ASSERT_EQ(utc.status, 0);
  for (const Ran& ran : {run({"timeline", "--now", kNow, "--time-zone", "Mars/Olympus", "-o", "-"}),
                         run({"timeline", "--now", kNow, "-o", "-"}, {"TZ=Mars/Olympus"})}) {
    EXPECT_EQ(std::pair(ran.status, ran.out), std::pair(0, utc.out));
    // The zone's line comes first; the request's own report lines follow on stderr as under UTC.
    EXPECT_EQ(ran.err, "reminders-widget: unknown time zone 'Mars/Olympus'; using UTC\n" + utc.err);
  }
}

// The number of lines of `file` that match `pattern`.
std::size_t linesMatching(const fs::path& file, const std::string& pattern) {
  const std::string text = readFile(file);
  const std::regex re(pattern, std::regex::multiline);
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), {}));
}

// The container and its parents are made after the start: the host waits for them level by level.
TEST(HostCommand, RedrawsOnSighupAndPayloadChangesReadsABurstOnceAndEndsOnSigterm) {
  TemporaryDirectory scratch, logs;
  const auto container = scratch.path() / "share" / "group" / "container",
             picture = scratch.path() / "widget.png";
  const auto log = logs.path() / "log";
  Child running(
      {RW_WIDGET_EXECUTABLE, "host", "-o", picture.string(), "--container", container.string(), "--time-zone",
       "UTC", "--family", "systemSmall", "--strings", (binaryDirectory() / "strings").string()},
      {}, log);
  const auto logged = [&](const std::string& pattern, std::size_t times = 1) {
    return eventually([&] { return linesMatching(log, pattern) >= times; });
  };
  const std::string empty = R"(request \(payloadChanged\) in UTC: 1 entry, reload never)";
  const std::string full = R"(request \(payloadChanged\) in UTC: 31 entries, reload atEnd)";
  ASSERT_TRUE(logged(
      R"(^\d{4}-\d\d-\d\dT[\d:.]+Z request \(start\) in UTC: 1 entry, reload never; showing entry 0$)"));
  EXPECT_TRUE(fs::exists(picture));
  running.signal(SIGHUP);
  ASSERT_TRUE(logged(R"(request \(reloadRequest\))"));
  // Written beside and renamed into place, as the application does.
  fs::create_directories(container);
  const RemindersWidgetPayload payload{.events = {event("E1", at("2026-12-06T10:00:00Z"))},
                                       .persons = fixtures::persons()};
  fixtures::store(scratch.path(), payload);
  fs::rename(scratch.path() / "reminders.plist", container / "reminders.plist");
  ASSERT_TRUE(logged(full));
  // The container removed and made again (an empty one is asked about at once): the host keeps watching.
  const std::size_t emptyBefore = linesMatching(log, empty);
  fs::remove_all(container);
  ASSERT_TRUE(logged(empty, emptyBefore + 1));
  fs::create_directory(container);
  ASSERT_TRUE(logged(empty, emptyBefore + 2));
  fixtures::store(container, payload);
  ASSERT_TRUE(logged(full, 2));
  // A thousand touches, one process each as a script makes them (a second or more): one read once they
  // stop, and one for each 2 s the burst lasted (a file written without a pause is still read now and then).
  const auto started = std::chrono::steady_clock::now();
  runProgram("/bin/sh", {"-c", "i=0; while [ $i -lt 1000 ]; do touch \"$0\"; i=$((i + 1)); done",
                         (container / "reminders.plist").string()});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(logged(full, 3));
  running.signal(SIGTERM);
  EXPECT_EQ(running.wait(), 0);
  EXPECT_LE(linesMatching(log, full), 4 + static_cast<std::size_t>(seconds / 2)) << readFile(log);
  EXPECT_EQ(linesMatching(log, "^Host ended$"), 1u);
  EXPECT_EQ(namesIn(scratch.path()), (std::set<std::string>{"share", "widget.png"}));
}

// Width and height from a PNG's header chunk.
std::pair<int, int> pngSize(const std::string& png) {
  std::uint32_t size[2] = {};
  if (png.size() >= 24) std::memcpy(size, png.data() + 16, sizeof size);
  return {static_cast<int>(ntohl(size[0])), static_cast<int>(ntohl(size[1]))};
}

TEST(DrawAndRenderCommands, DrawEveryFormatAtTheAskedScaleAndPrintTheOutline) {
  TemporaryDirectory dir;
  const Ran rendered =
      run({"render", "-o", (dir.path() / "w.png").string(), "--request", "placeholder", "--now", kNow,
           "--family", "systemSmall", "--mode", "vibrant", "--os-version", "13.0.0", "--scale", "1.5"});
  ASSERT_EQ(rendered.status, 0) << rendered.err;
  EXPECT_EQ(pngSize(readFile(dir.path() / "w.png")), (std::pair{255, 255}));
  const auto draw = [](std::vector<std::string> args) {
    return args.insert(args.begin(), "draw"), run(args);
  };
  const auto list = (dir.path() / "list.png").string();
  const Ran ran = draw({"--demo", "list", "-o", list});
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.out, "Drew demo list (338x354 points, 676x708 pixels) to " + list + "\n");
  EXPECT_EQ(pngSize(readFile(list)), (std::pair{676, 708}));
  const auto pdf = (dir.path() / "layouts.pdf").string();
  ASSERT_EQ(draw({"--demo", "counter-layouts", "-o", pdf}).status, 0);
  EXPECT_EQ(readFile(pdf).substr(0, 4), "%PDF");
  const auto tree = dir.path() / "tree.json";
  writeFile(tree, R"({"HStack": {"spacing": 4, "children": [{"Localized": "TODAY"}, "Spacer",
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

}  // namespace
}  // namespace rw

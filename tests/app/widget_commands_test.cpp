// render, gallery, tap, describe and host as a user runs them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::event;
using Json = nlohmann::json;
using rw::testing::TemporaryDirectory;

using rw::testing::Ran;
using rw::testing::run;

const std::string kNow = "2026-12-06T09:30:00Z";

// Two reminders today: the first without a link of its own, the second with one.
RemindersWidgetPayload twoReminders() {
  RemindersWidgetPayload payload{
      .events = {event("E1", at("2026-12-06T10:00:00Z")), event("E2", at("2026-12-06T11:00:00Z"))},
      .persons = fixtures::persons()};
  payload.events[1].actionURL = fixtures::kept(URL::make("https://example.org/e/2"));
  return payload;
}

struct Area {
  double x0, y0, x1, y1;
  std::string href;  // empty: not linked
};

// The areas of the image `file` in a gallery page, in page order.
std::vector<Area> areasOf(const std::string& html, const std::string& file) {
  const auto start = html.find("src=\"" + file + "\"");
  const auto end = html.find("</map>", start);
  std::vector<Area> areas;
  const std::regex area(
      R"re(<area shape="rect" coords="(\d+),(\d+),(\d+),(\d+)"(?: href="([^"]*)"| nohref))re");
  const std::string map = html.substr(start, end - start);
  for (std::sregex_iterator it(map.begin(), map.end(), area), last; it != last; ++it)
    areas.push_back(
        {std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4]), (*it)[5]});
  return areas;
}

std::string centre(const Area& a) {
  return std::to_string((a.x0 + a.x1) / 2) + "," + std::to_string((a.y0 + a.y1) / 2);
}

TEST(TapCommand, RowsOpenTheirOwnLinkOrTheWidgetsAndTheRestTheWidgets) {
  TemporaryDirectory container, gallery;
  fixtures::store(container.path(), twoReminders());
  const std::vector<std::string> common{
      "--container", container.path().string(), "--now", kNow, "--time-zone", "UTC"};
  auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), common.begin(), common.end());
    return args;
  };
  const Ran drawn = run(with({"gallery", "-o", gallery.path().string()}));
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  const auto areas = areasOf(rw::testing::readFile(gallery.path() / "index.html"), "systemLarge.png");
  // Two rows, then the whole widget.
  ASSERT_EQ(areas.size(), 3u);
  EXPECT_EQ(areas[0].href, "corvantis2://reminders");
  EXPECT_EQ(areas[1].href, "https://example.org/e/2");
  EXPECT_EQ(areas[2].href, "corvantis2://reminders");
  EXPECT_EQ(areas[2].x1 - areas[2].x0, 364);

  const struct {
    std::string at;
    std::string url;
  } taps[] = {{centre(areas[0]), "corvantis2://reminders"},
              {centre(areas[1]), "https://example.org/e/2"},
              {"2,2", "corvantis2://reminders"},
              {"180,370", "corvantis2://reminders"}};
  for (const auto& tap : taps) {
    const Ran ran = run(with({"tap", "--at", tap.at}));
    EXPECT_EQ(ran.status, 0) << ran.err;
    // The URL alone, as data.
    EXPECT_EQ(ran.out.substr(ran.out.rfind('\n', ran.out.size() - 2) + 1), tap.url + "\n") << tap.at;
  }
  for (const char* outside : {"-1,5", "364,5", "5,382", "nan,3", "3", "a,b"})
    EXPECT_EQ(run(with({"tap", "--at", outside})).status, 2) << outside;
}

TEST(DescribeCommand, FamiliesBeforeAndFromFourteen) {
  const struct {
    std::string version;
    std::vector<std::string> families;
  } cases[] = {
      {"12.2.0", {"systemSmall", "systemLarge"}},
      {"13.6", {"systemSmall", "systemLarge"}},
      {"14.0.0", {"systemSmall", "systemLarge", "systemExtraLarge"}},
      {"15", {"systemSmall", "systemLarge", "systemExtraLarge"}},
  };
  for (const auto& c : cases) {
    const Ran ran = run({"describe", "-o", "-", "--os-version", c.version, "--locale", "de_DE"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    const Json json = Json::parse(ran.out);
    EXPECT_EQ(json["kind"], "org.corvantis.reminders-widget");
    EXPECT_EQ(json["displayNameKey"], "PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME");
    EXPECT_EQ(json["descriptionKey"], "SHOWS A LIST OF PLANNED EVENTS / WIDGET DESCRIPTION");
    EXPECT_NE(json["displayName"], json["displayNameKey"]);  // translated
    EXPECT_NE(json["description"], json["descriptionKey"]);
    EXPECT_EQ(json["supportedFamilies"].get<std::vector<std::string>>(), c.families) << c.version;
  }
  // The C locale reads English; without any catalog the keys show.
  EXPECT_EQ(Json::parse(run({"describe", "-o", "-", "--locale", "C"}).out)["displayName"], "Planned Events");
  TemporaryDirectory noCatalogs;
  const Json keys = Json::parse(
      run({"describe", "-o", "-", "--locale", "de_DE", "--strings", noCatalogs.path().string()}).out);
  EXPECT_EQ(keys["displayName"], keys["displayNameKey"]);
  for (const char* bad : {"fourteen", "14.", "-14", "14.0.0.1", "1 4"})
    EXPECT_EQ(run({"describe", "-o", "-", "--os-version", bad}).status, 2) << bad;
}

TEST(RenderCommand, DrawsEachFormatAndRefusesAbsurdScales) {
  TemporaryDirectory out;
  for (const char* name : {"w.png", "w.svg", "w.pdf"}) {
    const auto file = out.path() / name;
    const Ran ran = run({"render", "-o", file.string(), "--request", "placeholder", "--now", kNow, "--family",
                         "systemSmall", "--mode", "vibrant", "--os-version", "13.0.0"});
    ASSERT_EQ(ran.status, 0) << ran.err;
    EXPECT_GT(std::filesystem::file_size(file), 100u) << name;
  }
  const std::string png = rw::testing::readFile(out.path() / "w.png");
  EXPECT_EQ(png.substr(1, 3), "PNG");
  for (const char* scale : {"nan", "-1", "0", "inf", "17", "1e9"})
    EXPECT_EQ(run({"render", "-o", (out.path() / "x.png").string(), "--scale", scale}).status, 2) << scale;
  // A legal scale on a huge widget would still make an absurd image.
  EXPECT_EQ(
      run({"render", "-o", (out.path() / "x.png").string(), "--size", "10000x10000", "--scale", "16"}).status,
      2);
  EXPECT_EQ(run({"render", "-o", (out.path() / "x.gif").string()}).status, 2);
  EXPECT_EQ(run({"render", "-o", (out.path() / "x.png").string(), "--entry", "31", "--container",
                 out.path().string()})
                .status,
            2);  // a timeline without a payload has one entry
  EXPECT_FALSE(std::filesystem::exists(out.path() / "x.png"));
}

TEST(GalleryCommand, EscapesPayloadTextsAndLinksOnlyExpectedSchemes) {
  TemporaryDirectory container, gallery;
  auto payload = twoReminders();
  payload.events[0].title = "<script>alert('x')</script> Fish & \"chips\"";
  payload.events[0].actionURL = fixtures::kept(URL::make("javascript:alert(1)"));
  payload.events[1].actionURL = fixtures::kept(URL::make("https://example.org/?a=1&b=%3Cx%3E"));
  fixtures::store(container.path(), payload);
  const Ran ran = run({"gallery", "-o", gallery.path().string(), "--container", container.path().string(),
                       "--now", kNow, "--time-zone", "UTC"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  for (const char* file : {"systemSmall.png", "systemLarge.png", "systemExtraLarge.png", "systemMedium.png",
                           "accessoryCircular.png", "accessoryRectangular.png"})
    EXPECT_TRUE(std::filesystem::exists(gallery.path() / file)) << file;
  const std::string html = rw::testing::readFile(gallery.path() / "index.html");
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; Fish &amp; &quot;chips&quot;"),
            std::string::npos);
  EXPECT_EQ(html.find("href=\"javascript"), std::string::npos);
  EXPECT_NE(html.find("<code>javascript:alert(1)</code> (not linked"), std::string::npos);
  EXPECT_NE(html.find("href=\"https://example.org/?a=1&amp;b=%3Cx%3E\""), std::string::npos);
  const auto areas = areasOf(html, "systemLarge.png");
  ASSERT_EQ(areas.size(), 3u);
  EXPECT_EQ(areas[0].href, "");  // nohref
}

// The number of lines of `file` that match `pattern`.
std::size_t linesMatching(const std::filesystem::path& file, const std::string& pattern) {
  const std::string text = rw::testing::readFile(file);
  const std::regex re(pattern, std::regex::multiline);
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), re), {}));
}

TEST(HostCommand, RedrawsOnSighupAndPayloadChangesAndEndsOnSigterm) {
  TemporaryDirectory scratch, logs;
  const auto container = scratch.path() / "container";
  std::filesystem::create_directory(container);
  const auto picture = scratch.path() / "widget.png";
  const auto log = logs.path() / "log";
  rw::testing::Child host(
      {RW_WIDGET_EXECUTABLE, "host", "-o", picture.string(), "--container", container.string(), "--time-zone",
       "UTC", "--family", "systemSmall", "--strings", (rw::testing::binaryDirectory() / "strings").string()},
      {}, log);
  const auto logged = [&](const std::string& pattern, std::size_t times = 1) {
    return rw::testing::eventually([&] { return linesMatching(log, pattern) >= times; });
  };
  const std::string empty = R"(request \(payloadChanged\) in UTC: 1 entry, reload never)";
  const std::string full = R"(request \(payloadChanged\) in UTC: 31 entries, reload atEnd)";
  ASSERT_TRUE(logged(
      R"(^\d{4}-\d\d-\d\dT[\d:.]+Z request \(start\) in UTC: 1 entry, reload never; showing entry 0$)"));
  EXPECT_TRUE(std::filesystem::exists(picture));
  host.signal(SIGHUP);
  ASSERT_TRUE(logged(R"(request \(reloadRequest\))"));
  // Written beside and renamed into place, as the application does.
  fixtures::store(scratch.path(), twoReminders());
  std::filesystem::rename(scratch.path() / "reminders.plist", container / "reminders.plist");
  ASSERT_TRUE(logged(full));
  // The container removed and made again (an empty one is asked about at once): the host keeps watching.
  std::filesystem::remove_all(container);
  ASSERT_TRUE(logged(empty));
  const std::size_t emptyBefore = linesMatching(log, empty);
  std::filesystem::create_directory(container);
  ASSERT_TRUE(logged(empty, emptyBefore + 1));
  fixtures::store(container, twoReminders());
  ASSERT_TRUE(logged(full, 2));

  host.signal(SIGTERM);
  EXPECT_EQ(host.wait(), 0);
  EXPECT_EQ(linesMatching(log, "^Host ended$"), 1u);
  // No temporary picture is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 2);  // container, picture
  EXPECT_EQ(run({"host", "-o", picture.string(), "--now", kNow}).status, 2);
}

}  // namespace
}  // namespace rw

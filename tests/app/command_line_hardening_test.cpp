// The command line against odd numbers, unknown zones, payload texts meant to mislead, and a writer that
// touches the payload a thousand times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using rw::testing::Ran;
using rw::testing::readFile;
using rw::testing::requestAt;
using rw::testing::run;
using rw::testing::TemporaryDirectory;

const std::string kNow = "2026-12-06T09:30:00Z";

TEST(NumberSyntax, OnlyPlainDecimalsEverywhere) {
  TemporaryDirectory out;
  const std::string png = (out.path() / "w.png").string();
  for (const std::string size : {"1e4x1e4", "0.0000001x382", "0x10x10", "0x1Ax382", "+364x382", "364.x382",
                                 ".5x382", "000010000x1", "inf x1", "364,5x382"}) {
    const Ran ran = run({"timeline", "--size", size, "-o", "-"});
    EXPECT_EQ(ran.status, 2) << size;
    EXPECT_NE(ran.err.find("plain decimal"), std::string::npos) << ran.err;
  }
  for (const std::string size : {"10000x0.125", "00364x382", "364.500x382"})
    EXPECT_EQ(run({"placeholder", "--size", size, "-o", "/dev/null"}).status, 0) << size;

  for (const std::string scale : {"0x10", "1e1", "16.0001", "0.0000001", "-1", "nan", "2 "})
    EXPECT_EQ(run({"render", "-o", png, "--scale", scale, "--now", kNow}).status, 2) << scale;
  EXPECT_FALSE(fs::exists(png));
  EXPECT_EQ(run({"render", "-o", png, "--scale", "1.5", "--now", kNow}).status, 0);
  EXPECT_EQ(run({"draw", "--demo", "list", "--scale", "0x2", "-o", png}).status, 2);
  EXPECT_EQ(run({"tap", "--at", "1e1,5", "--now", kNow}).status, 2);
  EXPECT_EQ(run({"tap", "--at", "10.5,5", "--now", kNow}).status, 0);

  const Ran help = run({"render", "--help"});
  EXPECT_NE(help.out.find("plain decimal"), std::string::npos) << help.out;
  // A gallery too large for one family draws none.
  const fs::path gallery = out.path() / "gallery";
  EXPECT_EQ(run({"gallery", "-o", gallery.string(), "--scale", "16", "--now", kNow}).status, 2);
  EXPECT_FALSE(fs::exists(gallery));
}

TEST(TimeZones, AnUnknownZoneFromTheEnvironmentOrTheOptionIsUtcSaidOnce) {
  const Ran utc = run({"timeline", "--now", kNow, "--time-zone", "UTC", "-o", "-"});
  ASSERT_EQ(utc.status, 0);
  for (const Ran& ran : {run({"timeline", "--now", kNow, "--time-zone", "Mars/Olympus", "-o", "-"}),
                         run({"timeline", "--now", kNow, "-o", "-"}, {"TZ=Mars/Olympus"})}) {
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.out, utc.out);
    // The zone's line comes first; the request's own report lines follow on stderr as under UTC.
    EXPECT_EQ(ran.err, "reminders-widget: unknown time zone 'Mars/Olympus'; using UTC\n" + utc.err);
  }
}

TEST(GalleryText, ControlAndBidiCharactersAreShownAsReplacements) {
  TemporaryDirectory container, gallery;
  RemindersWidgetPayload payload{.events = {fixtures::event("E1", fixtures::at("2026-12-06T10:00:00Z")),
                                            fixtures::event("E2", fixtures::at("2026-12-06T11:00:00Z"))},
                                 .persons = fixtures::persons()};
  // "Pay gnp.exe" read right to left hides ".exe"; a line break and a bell; isolates and marks.
  payload.events[0].title = "Pay \u202Egnp.exe\u202C now\x07\nplease";
  payload.events[1].title = "\u2066x\u2069\u200F\u061C\u2028y\u0085\x7F";
  payload.events[0].actionURL = fixtures::kept(URL::make("mailto:ann@example.org?attach=/etc/passwd"));
  payload.events[1].actionURL = fixtures::kept(URL::make("http://bank.example@evil.example/"));
  // Binary: XML cannot hold the control characters.
  const auto bytes = writePayload(payload, plist::Format::binary);
  ASSERT_TRUE(bytes);
  rw::testing::writeFile(container.path() / kPayloadFileName, *bytes);
  const Ran ran = run(requestAt({"gallery", "-o", gallery.path().string()}, container.path().string(), kNow));
  ASSERT_EQ(ran.status, 0) << ran.err;
  const std::string html = readFile(gallery.path() / "index.html");
  for (const std::string hidden :
       {"\u202E", "\u202C", "\u2066", "\u2069", "\u200F", "\u061C", "\u2028", "\u0085", "\x07", "\x7F"})
    EXPECT_EQ(html.find(hidden), std::string::npos);
  EXPECT_NE(html.find("Pay &#xFFFD;gnp.exe&#xFFFD; now&#xFFFD;&#xFFFD;please"), std::string::npos);
  // Neither link is linked, both are shown.
  EXPECT_EQ(html.find("href=\"mailto:"), std::string::npos);
  EXPECT_EQ(html.find("href=\"http://bank"), std::string::npos);
  EXPECT_NE(html.find("<code>mailto:ann@example.org?attach=/etc/passwd</code>"), std::string::npos);
  EXPECT_NE(html.find("<code>http://bank.example@evil.example/</code>"), std::string::npos);

  // A tap on either row opens nothing: no URL on stdout, one line on stderr.
  const std::string large = html.substr(html.find("src=\"systemLarge.png\""));
  const std::regex refused(R"re(coords="(\d+),(\d+),(\d+),(\d+)" nohref)re");
  int rows = 0;
  for (std::sregex_iterator it(large.begin(), large.end(), refused), end; it != end && rows < 2;
       ++it, ++rows) {
    const std::string at = std::to_string((std::stoi((*it)[1]) + std::stoi((*it)[3])) / 2) + "," +
                           std::to_string((std::stoi((*it)[2]) + std::stoi((*it)[4])) / 2);
    const Ran tap = run(requestAt({"tap", "--at", at}, container.path().string(), kNow));
    EXPECT_EQ(tap.status, 1) << at;
    EXPECT_EQ(tap.out, "") << at;
    EXPECT_NE(tap.err.find("is not a link this program opens"), std::string::npos) << tap.err;
  }
  EXPECT_EQ(rows, 2);
}

// The requests a host log shows for changes of the payload.
std::size_t payloadRequests(const fs::path& log) {
  const std::string text = readFile(log);
  const std::regex line(R"(request \(payloadChanged\))");
  return static_cast<std::size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), line), {}));
}

TEST(HostFileEvents, AThousandTouchesAreReadAsOneChange) {
  TemporaryDirectory scratch, logs;
  const auto container = scratch.path() / "container";
  fs::create_directory(container);
  fixtures::store(container, RemindersWidgetPayload{
                                 .events = {fixtures::event("E1", fixtures::at("2026-12-06T10:00:00Z"))},
                                 .persons = fixtures::persons()});
  const auto log = logs.path() / "log";
  rw::testing::Child host({RW_WIDGET_EXECUTABLE, "host", "-o", (scratch.path() / "w.png").string(),
                           "--container", container.string(), "--time-zone", "UTC", "--family", "systemSmall",
                           "--strings", (rw::testing::binaryDirectory() / "strings").string()},
                          {}, log);
  ASSERT_TRUE(
      rw::testing::eventually([&] { return readFile(log).find("request (start)") != std::string::npos; }));

  // A thousand separate touches, one process each, as a script would make them: a second or more.
  const auto payload = container / "reminders.plist";
  const auto started = std::chrono::steady_clock::now();
  rw::testing::runProgram(
      "/bin/sh", {"-c", "i=0; while [ $i -lt 1000 ]; do touch \"$0\"; i=$((i + 1)); done", payload.string()});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_TRUE(rw::testing::eventually([&] { return payloadRequests(log) >= 1; })) << readFile(log);
  host.signal(SIGTERM);
  EXPECT_EQ(host.wait(), 0);
  // One read once the touches stop, and one for each 2 s the burst lasted (a file written without a
  // pause is still read now and then); one read per touch before.
  EXPECT_LE(payloadRequests(log), 2 + static_cast<std::size_t>(seconds / 2)) << readFile(log);
}

}  // namespace
}  // namespace rw

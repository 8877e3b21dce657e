// placeholder, snapshot and timeline as a user runs them: options, exit statuses, the summary and the JSON;
// payload and payload encode: the JSON form's round trip, and what the output path names after the write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/host.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using Json = nlohmann::ordered_json;
using Keys = std::vector<std::string>;
using rw::testing::quoted;
using rw::testing::Ran;
using rw::testing::readFile;
using rw::testing::run;
using rw::testing::TemporaryDirectory;

Keys keysOf(const Json& object) {
  Keys keys;
  for (const auto& [key, value] : object.items())
    keys.push_back(key);
  return keys;
}

/// A payload with something of everything: overdue, today and future events, an action URL, a caregiver
/// who is not among the persons, two events at the same instant.
RemindersWidgetPayload richPayload() {
  const Date now = at("2026-12-06T15:00:00Z");
  auto payload = RemindersWidgetPayload{
      .events = {event("E-past", now.adding(-3 * 86'400), "C1", CustodyEventType::expense),
                 event("E-today", now.adding(3600), "C2", CustodyEventType::call),
                 event("E-orphan", now.adding(7200), "nobody"),
                 event("E-same-1", now.adding(86'400), "C1", CustodyEventType::memo),
                 event("E-same-2", now.adding(86'400), "C1"),
                 event("E-later", now.adding(40 * 86'400), "C2")},
      .persons = fixtures::persons()};
  payload.events[0].dueAmountText = "125";
  payload.events[1].actionURL = fixtures::kept(URL::make("https://example.org/reminders/1?x=1"));
  payload.events[1].notes = "Bring the forms – Zoë";
  return payload;
}

/// Checks the answer's members, in their order, down to the persons' labels; returns the entries.
Json checkAnswer(const Json& answer, const std::string& request) {
  const std::regex date(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)");
  EXPECT_EQ(keysOf(answer), (Keys{"request", "family", "displaySize", "policy", "entries"}));
  EXPECT_EQ(answer["request"], request);
  EXPECT_EQ(keysOf(answer["displaySize"]), (Keys{"width", "height"}));
  for (const auto& entry : answer["entries"]) {
    EXPECT_EQ(keysOf(entry), (Keys{"date", "layout", "overdueCount", "todayCount", "reminders"}));
    EXPECT_TRUE(std::regex_match(entry["date"].get<std::string>(), date)) << entry["date"];
    const bool list = entry["layout"]["case"] == "systemMediumLarge";
    EXPECT_EQ(keysOf(entry["layout"]), (list ? Keys{"case", "remindersCount", "rowSpacing"} : Keys{"case"}));
    EXPECT_LE(entry["reminders"].size(), list ? entry["layout"]["remindersCount"].get<std::size_t>() : 0u);
    for (const auto& reminder : entry["reminders"]) {
      EXPECT_EQ(keysOf(reminder), (Keys{"identifier", "type", "title", "personsLabels", "dueDate",
                                        "dueAmountText", "dueStyle", "dueText", "notes", "actionURL"}));
      EXPECT_TRUE(std::regex_match(reminder["dueDate"].get<std::string>(), date));
      for (const auto& label : reminder["personsLabels"])
        EXPECT_EQ(keysOf(label), (Keys{"identifier", "nick", "colorEncoded"}));
    }
  }
  return answer["entries"];
}

TEST(RequestCommands, TimelineForEveryFamily) {
  TemporaryDirectory container;
  fixtures::store(container.path(), richPayload());
  const std::tuple<WidgetFamily, const char*, Json, std::size_t> families[] = {
      {WidgetFamily::systemSmall, "systemSmall", {170.0, 170.0}, 0},
      {WidgetFamily::systemMedium, "systemMediumLarge", {364.0, 170.0}, 2},
      {WidgetFamily::systemLarge, "systemMediumLarge", {364.0, 382.0}, 5},  // 6 rows, the orphan skipped
      {WidgetFamily::systemExtraLarge, "systemMediumLarge", {768.0, 382.0}, 5},
      {WidgetFamily::accessoryCircular, "accessoryCircular", {72.0, 72.0}, 0},
      {WidgetFamily::accessoryRectangular, "accessoryRectangular", {172.0, 76.0}, 0},
      {WidgetFamily::accessoryInline, "accessoryRectangular", {257.0, 26.0}, 0}};
  for (const auto& [family, layout, size, listed] : families) {
    SCOPED_TRACE(familyName(family));
    const auto file = container.path() / "answer.json";
    const Ran result = run({"timeline", "--container", container.path().string(), "--family",
                            std::string(familyName(family)), "--now", "2026-12-06T15:00:00Z", "--time-zone",
                            "America/New_York", "-o", file.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const Json answer = Json::parse(rw::testing::readFile(file));
    const Json entries = checkAnswer(answer, "timeline");
    EXPECT_EQ(answer["family"], std::string(familyName(family)));
    EXPECT_EQ(answer["policy"], "atEnd");
    EXPECT_EQ(answer["displaySize"], (Json{{"width", size[0]}, {"height", size[1]}}));
    ASSERT_EQ(entries.size(), 31u);
    EXPECT_EQ(entries[0]["date"], "2026-12-06T05:00:00.000Z");
    EXPECT_EQ(entries[30]["date"], "2027-01-05T05:00:00.000Z");
    EXPECT_EQ(entries[0]["layout"]["case"], layout);
    EXPECT_EQ(std::pair(entries[0]["overdueCount"], entries[0]["todayCount"]), std::pair(Json(1), Json(2)));
    EXPECT_EQ(entries[0]["reminders"].size(), listed);
    // Only the extension's own lines reach standard output: here, one per skipped component.
    std::string skipped;
    for (int i = 0; listed > 2 && i < 31; ++i)
      skipped += "Error in WidgetTimelineReminderComponent.init(displayOn:event:persons:): No caregiver\n";
    EXPECT_EQ(result.out, skipped);
    if (listed < 2) continue;
    const Json &past = entries[0]["reminders"][0], &today = entries[0]["reminders"][1];
    EXPECT_EQ(Json::array({past["type"], past["dueAmountText"], past["dueStyle"], past["actionURL"]}),
              Json::array({"expense", "125", "overdue", nullptr}));
    EXPECT_EQ(
        Json::array({today["identifier"], today["dueStyle"], today["actionURL"], today["notes"]}),
        Json::array({"E-today", "today", "https://example.org/reminders/1?x=1", "Bring the forms – Zoë"}));
    EXPECT_EQ(today["personsLabels"][0],
              Json::parse(
                  R"({"identifier": "C2", "nick": "Bob", "colorEncoded": {"version": "183", "index": 9}})"));
  }
}

TEST(RequestCommands, NumbersDatesAndTheSummaryAreWrittenAsTheSchemaShowsThem) {
  TemporaryDirectory container;
  fixtures::store(container.path(), richPayload());
  const Ran result = run({"timeline", "--container", container.path().string(), "--size", "364x350", "--now",
                          "2026-12-06T15:00:00.123456Z", "--time-zone", "UTC", "-o", "-"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* text :
       {"\"displaySize\": {\n    \"width\": 364.0,\n    \"height\": 350.0\n  }", "\"rowSpacing\": 9.0",
        "\"remindersCount\": 5", "\"date\": \"2026-12-06T00:00:00.000Z\""})
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
  // Without -o, the summary; the container and the zone from the environment.
  const Ran summary =
      run({"timeline", "--now", "2026-12-06T15:00:00Z", "--family", "systemLarge", "--size", "364x320"},
          {"REMINDERS_WIDGET_CONTAINER=" + container.path().string(), "TZ=Europe/Berlin"});
  ASSERT_EQ(summary.status, 0) << summary.err;
  for (const char* line :
       {"timeline for systemLarge 364x320 in Europe/Berlin: 31 entries, reload atEnd\n",
        "2026-12-05T23:00:00.000Z  systemMediumLarge (5 rows, spacing 5.0)  overdue 1, today 2\n",
        "2027-01-04T23:00:00.000Z  systemMediumLarge", "[today] Today  Title E-today (call)  with Bob Kid"})
    EXPECT_NE(summary.out.find(line), std::string::npos) << line << " in\n" << summary.out;
}

TEST(RequestCommands, WithoutAPayloadTheSampleOrOneEmptyEntry) {
  TemporaryDirectory container;  // exists, but holds no payload: the sample is shown
  for (const std::string request : {"placeholder", "snapshot"}) {
    SCOPED_TRACE(request);
    const Ran result = run({request, "--container", container.path().string(), "--family", "systemMedium",
                            "--now", "2026-12-09T15:00:00Z", "--time-zone", "America/New_York", "-o", "-"});
    ASSERT_EQ(result.status, 0) << result.err;
    const Json answer = Json::parse(result.out);
    const Json entries = checkAnswer(answer, request);
    EXPECT_EQ(answer["family"], "systemMedium");
    EXPECT_TRUE(answer["policy"].is_null());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(std::pair(entries[0]["overdueCount"], entries[0]["todayCount"]), std::pair(Json(1), Json(1)));
    ASSERT_EQ(entries[0]["reminders"].size(), 2u);
    // No locale in the environment: the C locale, which reads English.
    EXPECT_EQ(entries[0]["reminders"][0]["title"], "Dentist appointment");
    EXPECT_EQ(entries[0]["reminders"][0]["dueText"], "Yesterday");
    EXPECT_EQ(entries[0]["reminders"][1]["dueText"], "Today");
  }
  // A timeline without a container: one empty entry, never reloaded, and the store's lines on stdout.
  const auto file = container.path() / "answer.json";
  const Ran result = run({"timeline", "--container", (container.path() / "missing").string(), "--now",
                          "2026-12-09T15:00:00Z", "-o", file.string()});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(
      result.out,
      "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
      "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n");
  const Json answer = Json::parse(rw::testing::readFile(file));
  checkAnswer(answer, "timeline");
  EXPECT_EQ(std::pair(answer["family"], answer["policy"]), std::pair(Json("systemLarge"), Json("never")));
  ASSERT_EQ(answer["entries"].size(), 1u);
  EXPECT_EQ(answer["entries"][0]["date"], "2026-12-09T00:00:00.000Z");  // no TZ in the environment: UTC
  EXPECT_TRUE(answer["entries"][0]["reminders"].empty());
}

// The texts follow LANG and the strings directory of the option before the environment's (--locale is
// checked by the install test).
TEST(RequestCommands, TextsFollowTheLocaleAndTheStringsDirectory) {
  TemporaryDirectory scratch;
  const auto noStrings = scratch.path() / "strings";
  std::filesystem::create_directories(noStrings);
  const auto firstTitle = [&](std::vector<std::string> args, const std::vector<std::string>& environment) {
    args.insert(args.begin(), {"placeholder", "--container", scratch.path().string(), "--now",
                               "2026-12-09T15:00:00Z", "-o", "-"});
    return Json::parse(run(args, environment).out)["entries"][0]["reminders"][0]["title"].get<std::string>();
  };
  EXPECT_EQ(firstTitle({}, {"LANG=de_DE.UTF-8"}), "Zahnarzttermin");
  EXPECT_EQ(firstTitle({}, {"LANG=de_DE.UTF-8", "REMINDERS_WIDGET_STRINGS=" + noStrings.string()}),
            "DENTAL APPOINTMENT / SAMPLE");
  EXPECT_EQ(firstTitle({"--strings", noStrings.string()}, {"LANG=de_DE.UTF-8"}),
            "DENTAL APPOINTMENT / SAMPLE");
}

TEST(RequestCommands, UnusableOptionsAreUsageErrorsOfOneLine) {
  const std::vector<std::vector<std::string>> cases{
      // clang-format off
      {"timeline", "--family", "systemHuge"}, {"timeline", "--family", "SystemSmall"},
      {"timeline", "--family", ""}, {"snapshot", "--size", "364"}, {"snapshot", "--size", "364x"},
      {"snapshot", "--size", "-1x300"}, {"snapshot", "--size", "364x-0.5"}, {"snapshot", "--size", "nanx300"},
      {"snapshot", "--size", "364xinf"}, {"snapshot", "--size", "1e309x300"},
      {"snapshot", "--size", "364x10001"}, {"snapshot", "--size", "364x382 "},
      {"placeholder", "--now", "2026-12-09"}, {"placeholder", "--now", "2026-13-09T00:00:00Z"},
      {"placeholder", "--strings", "/nonexistent/strings"},
      {"timeline", "--no-such-option"},
      // clang-format on
  };
  for (const auto& args : cases) {
    const Ran result = run(args);
    SCOPED_TRACE(args[1] + " " + (args.size() > 2 ? args[2] : ""));
    EXPECT_EQ(std::pair(result.status, result.out), std::pair(2, std::string()));
    ASSERT_FALSE(result.err.empty());
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
  }
  for (const std::string size : {"0x0", "364.5x382.25", "10000x10000"})
    EXPECT_EQ(run({"snapshot", "--size", size, "--container", "/nonexistent", "-o", "-"}).status, 0) << size;
  const Ran unwritable =
      run({"timeline", "--container", "/nonexistent", "-o", "/nonexistent/dir/answer.json"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

// The dynamic loader lists what the program would load instead of running it (a program linked statically
// has no loader and loads nothing: it answers the request). Drawing is handed over to its own executable,
// whose absence the install test checks.
TEST(RequestCommands, LoadNoDrawingLibrary) {
  const Ran loaded = run({"timeline"}, {"LD_TRACE_LOADED_OBJECTS=1"});
  ASSERT_EQ(loaded.status, 0);
  if (loaded.out.find("libc.so") == std::string::npos) {
    EXPECT_NE(loaded.out.find("timeline for systemLarge"), std::string::npos) << loaded.out;
    EXPECT_EQ(loaded.out.find(".so"), std::string::npos) << loaded.out;
  }
  for (const char* library : {"cairo", "pango", "fontconfig", "freetype", "harfbuzz", "glib", "X11"})
    EXPECT_EQ(loaded.out.find(library), std::string::npos) << library << " in\n" << loaded.out;
}

TEST(PayloadCommands, TheJsonFormComesBackThroughEncodeInEitherForm) {
  TemporaryDirectory stored, work;
  fixtures::store(stored.path(), richPayload());
  const fs::path json = work.path() / "payload.json";
  ASSERT_EQ(run({"payload", "--container", stored.path().string(), "-o", json.string()}).status, 0);
  const std::string written = readFile(json);
  ASSERT_NE(written.find("Bring the forms – Zoë"), std::string::npos) << written;

  for (const char* format : {"binary", "xml"}) {
    TemporaryDirectory encoded;
    const fs::path plist = encoded.path() / "reminders.plist";
    ASSERT_EQ(run({"payload", "encode", json.string(), plist.string(), "--format", format}).status, 0);
    const fs::path again = work.path() / (std::string(format) + ".json");
    ASSERT_EQ(run({"payload", "--container", encoded.path().string(), "-o", again.string()}).status, 0);
    EXPECT_EQ(readFile(again), written) << format;
  }
}

TEST(PayloadCommands, OutputsThroughALinkOrIntoAPipeKeepWhatThePathNames) {
  TemporaryDirectory stored, work;
  fixtures::store(stored.path(), richPayload());
  // Through a link: the file it names is replaced, the link stays, and nothing is left beside the file.
  const fs::path target = work.path() / "target.json";
  rw::testing::writeFile(target, "old");
  const fs::path link = work.path() / "link.json";
  fs::create_symlink(target, link);
  ASSERT_EQ(run({"payload", "--container", stored.path().string(), "-o", link.string()}).status, 0);
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_NE(readFile(target).find("\"events\""), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), fs::directory_iterator()), 2);

  // A pipe stands for /dev/null and the like: it is written into, never renamed over. The reader gives up
  // after a while, so a program that never opens the pipe fails the test, not hangs it.
  const fs::path pipe = work.path() / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const fs::path received = work.path() / "received";
  const std::string command = "timeout 30 cat " + quoted(pipe.string()) + " > " + quoted(received.string()) +
                              " & " + quoted(RW_WIDGET_EXECUTABLE) + " payload --container " +
                              quoted(stored.path().string()) + " -o " + quoted(pipe.string()) +
                              "; status=$?; wait; exit $status";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
  EXPECT_NE(readFile(received).find("\"events\""), std::string::npos);
}

}  // namespace
}  // namespace rw

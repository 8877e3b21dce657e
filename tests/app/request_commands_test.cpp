// placeholder, snapshot and timeline as a user runs them: options, exit statuses, the summary and the JSON.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

using fixtures::at;
using fixtures::event;
using Json = nlohmann::ordered_json;
using Keys = std::vector<std::string>;
using rw::testing::Ran;
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
  payload.events[1].notes = "Bring the forms";
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
      EXPECT_FALSE(reminder["personsLabels"].empty());
      for (const auto& label : reminder["personsLabels"])
        EXPECT_EQ(keysOf(label), (Keys{"identifier", "nick", "colorEncoded"}));
    }
  }
  return answer["entries"];
}

TEST(RequestCommands, TimelineForEveryFamily) {
  TemporaryDirectory container;
  fixtures::store(container.path(), richPayload());
  const struct {
    WidgetFamily family;
    const char* layout;
    double width, height;
    std::size_t listed;
  } families[] = {
      {WidgetFamily::systemSmall, "systemSmall", 170, 170, 0},
      {WidgetFamily::systemMedium, "systemMediumLarge", 364, 170, 2},
      {WidgetFamily::systemLarge, "systemMediumLarge", 364, 382, 5},  // 6 rows, the orphan skipped
      {WidgetFamily::systemExtraLarge, "systemMediumLarge", 768, 382, 5},
      {WidgetFamily::accessoryCircular, "accessoryCircular", 72, 72, 0},
      {WidgetFamily::accessoryRectangular, "accessoryRectangular", 172, 76, 0},
      {WidgetFamily::accessoryInline, "accessoryRectangular", 257, 26, 0},
  };
  for (const auto& f : families) {
    SCOPED_TRACE(familyName(f.family));
    const auto file = container.path() / "answer.json";
    const Ran result = run({"timeline", "--container", container.path().string(), "--family",
                            std::string(familyName(f.family)), "--now", "2026-12-06T15:00:00Z", "--time-zone",
                            "America/New_York", "--locale", "en_US", "-o", file.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const Json answer = Json::parse(rw::testing::readFile(file));
    const Json entries = checkAnswer(answer, "timeline");
    EXPECT_EQ(answer["family"], std::string(familyName(f.family)));
    EXPECT_EQ(answer["policy"], "atEnd");
    EXPECT_EQ(answer["displaySize"], (Json{{"width", f.width}, {"height", f.height}}));
    ASSERT_EQ(entries.size(), 31u);
    EXPECT_EQ(entries[0]["date"], "2026-12-06T05:00:00.000Z");
    EXPECT_EQ(entries[30]["date"], "2027-01-05T05:00:00.000Z");
    EXPECT_EQ(entries[0]["layout"]["case"], f.layout);
    EXPECT_EQ(entries[0]["overdueCount"], 1);
    EXPECT_EQ(entries[0]["todayCount"], 2);
    EXPECT_EQ(entries[0]["reminders"].size(), f.listed);
    if (f.listed >= 2) {
      const Json& past = entries[0]["reminders"][0];
      EXPECT_EQ(past["type"], "expense");
      EXPECT_EQ(past["dueAmountText"], "125");
      EXPECT_EQ(past["dueStyle"], "overdue");
      EXPECT_EQ(past["actionURL"], nullptr);
      const Json& today = entries[0]["reminders"][1];
      EXPECT_EQ(today["identifier"], "E-today");
      EXPECT_EQ(today["dueStyle"], "today");
      EXPECT_EQ(today["actionURL"], "https://example.org/reminders/1?x=1");
      EXPECT_EQ(today["notes"], "Bring the forms");
      EXPECT_EQ(today["personsLabels"][0], (Json{{"identifier", "C2"},
                                                 {"nick", "Bob"},
                                                 {"colorEncoded", {{"version", "183"}, {"index", 9}}}}));
    }
    // Only the extension's own lines reach standard output: here, one per skipped component.
    const std::string skipped =
        "Error in WidgetTimelineReminderComponent.init(displayOn:event:persons:): No caregiver\n";
    std::string expected;
    for (int i = 0; f.listed > 2 && i < 31; ++i)
      expected += skipped;
    EXPECT_EQ(result.out, expected);
  }
}

TEST(RequestCommands, NumbersAndDatesAreWrittenAsTheSchemaShowsThem) {
  TemporaryDirectory container;
  fixtures::store(container.path(), richPayload());
  const Ran result = run({"timeline", "--container", container.path().string(), "--size", "364x350", "--now",
                          "2026-12-06T15:00:00.123456Z", "--time-zone", "UTC", "-o", "-"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* text :
       {"\"displaySize\": {\n    \"width\": 364.0,\n    \"height\": 350.0\n  }", "\"rowSpacing\": 9.0",
        "\"remindersCount\": 5", "\"date\": \"2026-12-06T00:00:00.000Z\""})
    EXPECT_NE(result.out.find(text), std::string::npos) << text;
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
    EXPECT_EQ(entries[0]["overdueCount"], 1);
    EXPECT_EQ(entries[0]["todayCount"], 1);
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
  EXPECT_EQ(answer["family"], "systemLarge");
  EXPECT_EQ(answer["policy"], "never");
  ASSERT_EQ(answer["entries"].size(), 1u);
  EXPECT_EQ(answer["entries"][0]["date"], "2026-12-09T00:00:00.000Z");  // no TZ in the environment: UTC
  EXPECT_TRUE(answer["entries"][0]["reminders"].empty());
}

TEST(RequestCommands, SummaryShowsEveryEntry) {
  TemporaryDirectory container;
  fixtures::store(container.path(), richPayload());
  const Ran result =
      run({"timeline", "--now", "2026-12-06T15:00:00Z", "--family", "systemLarge", "--size", "364x320"},
          {"REMINDERS_WIDGET_CONTAINER=" + container.path().string(), "TZ=Europe/Berlin"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* line :
       {"timeline for systemLarge 364x320 in Europe/Berlin: 31 entries, reload atEnd\n",
        "2026-12-05T23:00:00.000Z  systemMediumLarge (5 rows, spacing 5.0)  overdue 1, today 2\n",
        "2027-01-04T23:00:00.000Z  systemMediumLarge", "[today] Today  Title E-today (call)  with Bob Kid"})
    EXPECT_NE(result.out.find(line), std::string::npos) << line << " in\n" << result.out;
}

TEST(RequestCommands, TextsFollowTheLocaleAndTheStringsDirectory) {
  TemporaryDirectory scratch;
  const auto noStrings = scratch.path() / "strings";
  std::filesystem::create_directories(noStrings);
  const auto firstTitle = [&](std::vector<std::string> extra, const std::vector<std::string>& environment) {
    std::vector<std::string> args{
        "placeholder", "--container", scratch.path().string(), "--now", "2026-12-09T15:00:00Z", "-o", "-"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Json::parse(run(args, environment).out)["entries"][0]["reminders"][0]["title"].get<std::string>();
  };
  EXPECT_EQ(firstTitle({"--locale", "de_DE"}, {}), "Zahnarzttermin");
  EXPECT_EQ(firstTitle({}, {"LANG=de_DE.UTF-8"}), "Zahnarzttermin");
  EXPECT_EQ(firstTitle({"--locale", "de_DE"}, {"REMINDERS_WIDGET_STRINGS=" + noStrings.string()}),
            "DENTAL APPOINTMENT / SAMPLE");
  EXPECT_EQ(firstTitle({"--locale", "de_DE", "--strings", noStrings.string()}, {}),
            "DENTAL APPOINTMENT / SAMPLE");
}

TEST(RequestCommands, UnusableOptionsAreUsageErrorsOfOneLine) {
  const std::vector<std::vector<std::string>> cases{
      {"timeline", "--family", "systemHuge"},
      {"timeline", "--family", "SystemSmall"},
      {"timeline", "--family", ""},
      {"snapshot", "--size", "364"},
      {"snapshot", "--size", "364x"},
      {"snapshot", "--size", "-1x300"},
      {"snapshot", "--size", "364x-0.5"},
      {"snapshot", "--size", "nanx300"},
      {"snapshot", "--size", "364xinf"},
      {"snapshot", "--size", "1e309x300"},
      {"snapshot", "--size", "364x10001"},
      {"snapshot", "--size", "364x382 "},
      {"placeholder", "--now", "2026-12-09"},
      {"placeholder", "--now", "2026-13-09T00:00:00Z"},
      {"placeholder", "--time-zone", "Mars/X"},
      {"placeholder", "--strings", "/nonexistent/strings"},
      {"timeline", "--no-such-option"},
  };
  for (const auto& args : cases) {
    const Ran result = run(args);
    SCOPED_TRACE(args[1] + " " + (args.size() > 2 ? args[2] : ""));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
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

TEST(RequestCommands, LoadNoDrawingLibraryAndHandDrawingOverToItsExecutable) {
  // The dynamic loader lists what the program would load instead of running it. A program linked
  // statically has no loader and loads nothing: it answers the request.
  const Ran loaded = run({"timeline"}, {"LD_TRACE_LOADED_OBJECTS=1"});
  ASSERT_EQ(loaded.status, 0);
  if (loaded.out.find("libc.so") == std::string::npos) {
    EXPECT_NE(loaded.out.find("timeline for systemLarge"), std::string::npos) << loaded.out;
    EXPECT_EQ(loaded.out.find(".so"), std::string::npos) << loaded.out;
  }
  for (const char* library : {"cairo", "pango", "fontconfig", "freetype", "harfbuzz", "glib", "X11"})
    EXPECT_EQ(loaded.out.find(library), std::string::npos) << library << " in\n" << loaded.out;

  // A copy of the program alone in a directory still answers requests; the drawing commands it hands over
  // say in one line what is missing.
  TemporaryDirectory alone;
  const auto program = alone.path() / "reminders-widget";
  std::filesystem::copy_file(RW_WIDGET_EXECUTABLE, program);
  EXPECT_EQ(rw::testing::runProgram(program, {"snapshot", "--container", "/nonexistent"}).status, 0);
  const Ran drawing = rw::testing::runProgram(program, {"render", "-o", "x.png"});
  EXPECT_EQ(drawing.status, 127);
  EXPECT_NE(drawing.err.find("cannot run " + (alone.path() / "reminders-widget-drawing").string()),
            std::string::npos)
      << drawing.err;
  EXPECT_EQ(std::count(drawing.err.begin(), drawing.err.end(), '\n'), 1) << drawing.err;
}

}  // namespace
}  // namespace rw

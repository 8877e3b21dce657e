// The request and payload commands as a user runs them: options, instants, exit statuses, the summary, the
// JSON and its streams; the payload's JSON form; files written on a full disk; what a long link costs.
#include <elf.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "payload/sample_event.h"
#include "support/child_process.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using Json = nlohmann::ordered_json;
using Keys = std::vector<std::string>;
using namespace rw::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

Keys keysOf(const Json& object) {
  Keys keys;
  for (const auto& [key, value] : object.items())
    keys.push_back(key);
  return keys;
}

/// Overdue, today and future events, an action URL, a caregiver not among the persons, two at one instant.
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
  EXPECT_EQ(keysOf(answer), (Keys{"request", "family", "displaySize", "policy", "entries"}));
  EXPECT_EQ(answer["request"], request);
  EXPECT_EQ(keysOf(answer["displaySize"]), (Keys{"width", "height"}));
  for (const auto& entry : answer["entries"]) {
    EXPECT_EQ(keysOf(entry), (Keys{"date", "layout", "overdueCount", "todayCount", "reminders"}));
    const bool list = entry["layout"]["case"] == "systemMediumLarge";
    EXPECT_EQ(keysOf(entry["layout"]), (list ? Keys{"case", "remindersCount", "rowSpacing"} : Keys{"case"}));
    for (const auto& reminder : entry["reminders"]) {
      EXPECT_EQ(keysOf(reminder), (Keys{"identifier", "type", "title", "personsLabels", "dueDate",
                                        "dueAmountText", "dueStyle", "dueText", "notes", "actionURL"}));
      for (const auto& label : reminder["personsLabels"])
        EXPECT_EQ(keysOf(label), (Keys{"identifier", "nick", "colorEncoded"}));
    }
  }
  return answer["entries"];
}

std::vector<std::uint8_t> fileOf(const plist::Value& payload, plist::Format format = plist::Format::binary) {
  return plist::write(payload, format).value();
}

void storePlist(const TemporaryDirectory& container, const plist::Value& payload) {
  writeFile(container.path() / "reminders.plist", fileOf(payload));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(RequestCommands, TimelineForEveryFamilyAndTheSummary) {
  TemporaryDirectory container;
  fixtures::store(container.path(), richPayload());
  const std::tuple<const char*, const char*, Json, std::size_t> families[] = {
      {"systemSmall", "systemSmall", {170.0, 170.0}, 0},
      {"systemMedium", "systemMediumLarge", {364.0, 170.0}, 2},
      {"systemLarge", "systemMediumLarge", {364.0, 382.0}, 5},  // 6 rows, the orphan skipped
      {"systemExtraLarge", "systemMediumLarge", {768.0, 382.0}, 5},
      {"accessoryCircular", "accessoryCircular", {72.0, 72.0}, 0},
      {"accessoryRectangular", "accessoryRectangular", {172.0, 76.0}, 0},
      {"accessoryInline", "accessoryRectangular", {257.0, 26.0}, 0}};
  const Json bob =
      Json::parse(R"({"identifier": "C2", "nick": "Bob", "colorEncoded": {"version": "183", "index": 9}})");
  for (const auto& [family, layout, size, listed] : families) {
    SCOPED_TRACE(family);
    const auto file = container.path() / "answer.json";
    const Ran result = run({"timeline", "--container", container.path().string(), "--family", family, "--now",
                            "2026-12-06T15:00:00Z", "--time-zone", "America/New_York", "-o", file.string()});
    ASSERT_EQ(std::pair(result.status, result.err), std::pair(0, std::string()));
    const Json answer = Json::parse(readFile(file)), entries = checkAnswer(answer, "timeline");
    ASSERT_EQ(entries.size(), 31u);
    const Json& first = entries[0];
    EXPECT_EQ(Json::array({answer["family"], answer["policy"], answer["displaySize"], first["date"],
                           entries[30]["date"], first["layout"]["case"], first["overdueCount"],
                           first["todayCount"], first["reminders"].size()}),
              Json::array({family, "atEnd", Json{{"width", size[0]}, {"height", size[1]}},
                           "2026-12-06T05:00:00.000Z", "2027-01-05T05:00:00.000Z", layout, 1, 2, listed}));
    // Only the extension's own lines reach standard output: here, one per skipped component.
    std::string skipped;
    for (int i = 0; listed > 2 && i < 31; ++i)
      skipped += "Error in WidgetTimelineReminderComponent.init(displayOn:event:persons:): No caregiver\n";
    EXPECT_EQ(result.out, skipped);
    if (listed < 2) continue;
    const Json &past = first["reminders"][0], &today = first["reminders"][1];
    EXPECT_EQ(Json::array({past["type"], past["dueAmountText"], past["dueStyle"], past["actionURL"],
                           today["identifier"], today["dueStyle"], today["actionURL"], today["notes"],
                           today["personsLabels"][0]}),
              Json::array({"expense", "125", "overdue", nullptr, "E-today", "today",
                           "https://example.org/reminders/1?x=1", "Bring the forms – Zoë", bob}));
  }
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

TEST(RequestCommands, WithoutAPayloadTheSampleInTheUsersLanguageOrOneEmptyEntry) {
  TemporaryDirectory container;  // exists, but holds no payload: the sample is shown
  const Ran result = run({"snapshot", "--container", container.path().string(), "--family", "systemMedium",
                          "--now", "2026-12-09T15:00:00Z", "--time-zone", "America/New_York", "-o", "-"});
  ASSERT_EQ(result.status, 0) << result.err;
  const Json answer = Json::parse(result.out), entries = checkAnswer(answer, "snapshot");
  ASSERT_EQ(entries.size(), 1u);
  ASSERT_EQ(entries[0]["reminders"].size(), 2u);
  // No locale in the environment: the C locale, which reads English.
  const Json& reminders = entries[0]["reminders"];
  EXPECT_EQ(
      Json::array({answer["family"], answer["policy"], entries[0]["overdueCount"], entries[0]["todayCount"],
                   reminders[0]["title"], reminders[0]["dueText"], reminders[1]["dueText"]}),
      Json::array({"systemMedium", nullptr, 1, 1, "Dentist appointment", "Yesterday", "Today"}));
  // The texts follow LANG, and the strings directory of the option before the environment's.
  const auto noStrings = container.path() / "strings";
  fs::create_directories(noStrings);
  const auto firstTitle = [&](std::vector<std::string> args, const std::vector<std::string>& environment) {
    args.insert(args.begin(), {"placeholder", "--container", container.path().string(), "--now",
                               "2026-12-09T15:00:00Z", "-o", "-"});
    return Json::parse(run(args, environment).out)["entries"][0]["reminders"][0]["title"].get<std::string>();
  };
  EXPECT_EQ(firstTitle({}, {"LANG=de_DE.UTF-8"}), "Zahnarzttermin");
  EXPECT_EQ(firstTitle({}, {"LANG=de_DE.UTF-8", "REMINDERS_WIDGET_STRINGS=" + noStrings.string()}),
            "DENTAL APPOINTMENT / SAMPLE");
  EXPECT_EQ(firstTitle({"--strings", noStrings.string()}, {"LANG=de_DE.UTF-8"}),
            "DENTAL APPOINTMENT / SAMPLE");
  // A timeline without a container: one empty entry, never reloaded.
  const auto file = container.path() / "answer.json";
  const Ran missing = run({"timeline", "--container", (container.path() / "missing").string(), "--now",
                           "2026-12-09T15:00:00Z", "-o", file.string()});
  ASSERT_EQ(missing.status, 0) << missing.err;
  const Json timeline = Json::parse(readFile(file));
  ASSERT_EQ(checkAnswer(timeline, "timeline").size(), 1u);
  // No TZ in the environment: UTC.
  const Json& empty = timeline["entries"][0];
  EXPECT_EQ(Json::array({timeline["family"], timeline["policy"], empty["date"], empty["reminders"]}),
            Json::array({"systemLarge", "never", "2026-12-09T00:00:00.000Z", Json::array()}));
}

// Every command's unusable options: status 2, one line on stderr, nothing on stdout and no file written.
TEST(Commands, UnusableOptionsAreUsageErrorsOfOneLine) {
  TemporaryDirectory container, work;
  fixtures::store(container.path(), richPayload());
  const auto timeline = [&](const std::string& now, const std::string& zone) {
    return std::vector<std::string>{
        "timeline", "--container", container.path().string(), "--now", now, "--time-zone", zone, "-o", "-"};
  };
  const std::string png = (work.path() / "x.png").string(), bad = (work.path() / "bad.json").string();
  writeFile(bad, R"({"Marquee": "hello"})");
  const auto size = [](std::string text) { return std::vector<std::string>{"snapshot", "--size", text}; };
  const auto scale = [&](std::string text) {
    return std::vector<std::string>{"render", "-o", png, "--scale", text, "--now", "2026-12-06T09:30:00Z"};
  };
  const auto drawList = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"draw", "--demo", "list", "-o", png});
    return args;
  };
  const auto tap = [](std::string at) { return std::vector<std::string>{"tap", "--at", at}; };
  const auto os = [](std::string v) { return std::vector<std::string>{"describe", "--os-version", v}; };
  const std::string decimal = "plain decimal";
  // Tokyo kept local mean time (+9:18:59) then: the day of 03:00 UTC on 1 January of year 1 starts in
  // year 0. The last day of a timeline from 2 December 9999 lies in year 10000.
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      // clang-format off
      {{"timeline", "--family", "systemHuge"}, ""}, {{"timeline", "--family", "SystemSmall"}, ""},
      {size("364"), ""}, {size("364x"), ""}, {size("-1x300"), ""}, {size("nanx300"), ""},
      {size("364xinf"), ""}, {size("1e309x300"), ""}, {size("364x10001"), ""}, {size("364x382 "), ""},
      {size("1e4x1e4"), decimal}, {size("0.0000001x382"), decimal}, {size("0x1Ax382"), decimal},
      {size("+364x382"), decimal}, {size("364.x382"), decimal}, {size(".5x382"), decimal},
      {size("000010000x1"), decimal}, {size("inf x1"), decimal}, {size("364,5x382"), decimal},
      {{"placeholder", "--now", "2026-12-09"}, ""}, {{"placeholder", "--now", "2026-13-09T00:00:00Z"}, ""},
      {{"placeholder", "--strings", "/nonexistent/strings"}, ""}, {{"timeline", "--no-such-option"}, ""},
      {timeline("0001-01-01T03:00:00Z", "Asia/Tokyo"), "invalid --now '0001-01-01T03:00:00Z'"},
      {timeline("9999-12-31T12:00:00Z", "UTC"), "invalid --now '9999-12-31T12:00:00Z'"},
      {timeline("9999-12-02T00:00:00Z", "UTC"), "invalid --now '9999-12-02T00:00:00Z'"},
      {os("fourteen"), ""}, {os("14."), ""}, {os("-14"), ""}, {os("14.0.0.1"), ""}, {os("1 4"), ""},
      // The scale and the tap's point are read as the size is; here their own bounds.
      {scale("0"), ""}, {scale("17"), ""}, {scale("16.0001"), ""}, {scale("1e1"), decimal},
      // A legal scale on a huge widget would still make an absurd image, for one family of a gallery too.
      {{"render", "-o", png, "--size", "10000x10000", "--scale", "16"}, ""},
      {{"gallery", "-o", (work.path() / "gallery").string(), "--scale", "16"}, ""},
      {{"render", "-o", (work.path() / "x.gif").string()}, ""},
      // A timeline without a payload has one entry.
      {{"render", "-o", png, "--entry", "31", "--container", work.path().string()}, ""},
      {tap("364,5"), ""}, {tap("5,382"), ""}, {tap("3"), ""}, {tap("1,a"), ""},
      {{"host", "-o", png, "--now", "2026-12-06T09:30:00Z"}, ""},
      {{"draw", "--demo", "list", "-o", (work.path() / "a.gif").string()}, ""},
      {{"draw", "--demo", "nothing", "-o", png}, ""}, {{"draw", "-o", png}, ""},
      {drawList({"--tree", bad}), ""}, {{"draw", "--tree", bad, "-o", png}, ""},
      {{"draw", "--tree", bad + "-missing", "-o", png}, ""}, {drawList({"--size", "0x10"}), ""},
      {drawList({"--size", "5000x100", "--scale", "2"}), ""}, {drawList({"--mode", "sepia"}), ""},
      // clang-format on
  };
  for (const auto& [args, error] : cases) {
    const Ran result = run(args);
    SCOPED_TRACE(args[0] + " " + args[1] + " " + (args.size() > 2 ? args[2] : ""));
    EXPECT_EQ(std::pair(result.status, result.out), std::pair(2, std::string()));
    EXPECT_EQ(result.err.rfind("reminders-widget: ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_NE(result.err.find(error), std::string::npos) << result.err;
  }
  EXPECT_EQ(namesIn(work.path()), std::set<std::string>{"bad.json"});
  for (const std::string good :
       {"0x0", "364.5x382.25", "10000x10000", "10000x0.125", "00364x382", "364.500x382"})
    EXPECT_EQ(run({"snapshot", "--size", good, "--container", "/nonexistent", "-o", "-"}).status, 0) << good;
  // Instants whose timeline fits answer 31 dated entries: in Tokyo, year 1 begins with its second day.
  for (const auto& [now, zone] : {std::pair{"0001-01-01T00:00:00Z", "UTC"},
                                  {"0001-01-01T20:00:00Z", "Asia/Tokyo"},
                                  {"9999-12-01T23:59:59Z", "UTC"}}) {
    const Ran answered = run(timeline(now, zone));
    ASSERT_EQ(answered.status, 0) << now << " " << answered.err;
    const Json entries = Json::parse(answered.out)["entries"];
    ASSERT_EQ(entries.size(), 31u) << now;
    for (const auto& entry : entries)
      EXPECT_TRUE(entry["date"].is_string()) << now << " " << entry["date"];
  }
  // An output in a missing directory is no usage error.
  for (const auto& [command, option] : {std::pair{"timeline", "--container"}, {"draw", "--demo"}}) {
    const Ran unwritable = run({command, option, "list", "-o", "/nonexistent/dir/out.png"});
    EXPECT_EQ(std::pair(unwritable.status, unwritable.err.rfind("reminders-widget: ", 0)), std::pair(1, 0ul));
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;
  }
}

// A link of megabytes costs a timeline memory in proportion to the link (the child process's peak).
TEST(RequestCommands, ATimelineWithALongLinkCostsMemoryInProportionToTheLink) {
  if (!kPeakMemoryIsTheCodes) GTEST_SKIP() << "peak memory includes the sanitizer's own";
  // Two million "a/../" segments, ten megabytes that resolve to almost nothing; then the same text as an
  // absolute link, which is kept as written. The texts are gone from the test before the program runs.
  constexpr std::int64_t kLinkBytes = 10'000'000;
  TemporaryDirectory relative, absolute;
  {
    std::string dots;
    for (int i = 0; i < 2'000'000; ++i)
      dots += "a/../";
    const plist::Dictionary base{{"relative", std::string("corvantis2://r/")}};
    const auto linked = [](const plist::Dictionary& link) {
      return samplePayload({sampleWith(sampleEvent(), "actionURL", link)});
    };
    storePlist(relative, linked({{"relative", dots + "end"}, {"base", base}}));
    storePlist(absolute, linked({{"relative", "corvantis2://r/" + dots + "end"}}));
  }
  for (const auto* container : {&relative, &absolute})
    for (const char* output : {" -o /dev/null", ""}) {
      // The program's peak (the shell gives way to it), its output discarded; the summary without -o.
      const std::string command =
          R"(exec "$0" timeline --container "$1" --now 2026-06-10T08:00:00Z --time-zone UTC)" +
          std::string(output) + " >/dev/null 2>&1";
      const ChildRun ran = inChild([&] {
        return ::execl("/bin/sh", "sh", "-c", command.c_str(), RW_WIDGET_EXECUTABLE,
                       container->path().c_str(), nullptr),
               false;
      });
      ASSERT_TRUE(ran.passed);
      // 31 entries show the reminder: a copy per entry would be over 300 megabytes.
      EXPECT_LT(ran.peakBytes, 12 * kLinkBytes) << output;
    }
}

TEST(PayloadCommands, TheJsonFormComesBackThroughEncodeIsWrittenIntoAPipeAndNoFullDiskHarmsAFile) {
  TemporaryDirectory stored, work;
  fixtures::store(stored.path(), richPayload());
  const auto payloadTo = [&](const fs::path& container, const fs::path& out) {
    return run({"payload", "--container", container.string(), "-o", out.string()}).status;
  };
  const fs::path json = work.path() / "payload.json", again = work.path() / "again.json";
  ASSERT_EQ(payloadTo(stored.path(), json), 0);
  const std::string written = readFile(json);
  ASSERT_NE(written.find("Bring the forms – Zoë"), std::string::npos) << written;
  for (const char* format : {"binary", "xml"}) {
    TemporaryDirectory encoded;
    const auto plist = (encoded.path() / "reminders.plist").string();
    ASSERT_EQ(run({"payload", "encode", json.string(), plist, "--format", format}).status, 0);
    ASSERT_EQ(payloadTo(encoded.path(), again), 0);
    EXPECT_EQ(readFile(again), written) << format;
  }
  // A pipe is written into, never renamed over; its reader gives up after a while rather than hang the test.
  const fs::path pipe = work.path() / "pipe", received = work.path() / "received";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string script =
      R"(timeout 30 cat "$1" >"$2" & "$0" payload --container "$3" -o "$1"; s=$?; wait; exit $s)";
  const Ran piped = runProgram("/bin/sh", {"-c", script, RW_WIDGET_EXECUTABLE, pipe.string(),
                                           received.string(), stored.path().string()});
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
  EXPECT_EQ(readFile(received), written);
  // Every command that writes a file, on a full disk (a 1 KiB file size limit, SIGXFSZ ignored, so a larger
  // write fails with EFBIG): one line on stderr, exit status 1, the old file as it was and nothing beside it.
  TemporaryDirectory out;
  const auto onAFullDisk = [&](std::vector<std::string> args) {
    if (args[0] != "payload") args = requestAt(args, stored.path().string(), "2026-12-06T09:30:00Z");
    args.insert(args.begin(), {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"", RW_WIDGET_EXECUTABLE});
    return runProgram("/bin/sh", args);
  };
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"w.png", {"render", "-o", (out.path() / "w.png").string()}},
      {"w.svg", {"render", "-o", (out.path() / "w.svg").string()}},
      {"t.json", {"timeline", "-o", (out.path() / "t.json").string()}},
      {"r.plist", {"payload", "encode", json.string(), (out.path() / "r.plist").string(), "--format", "xml"}},
  };
  for (const auto& [file, args] : cases) {
    SCOPED_TRACE(file);
    writeFile(out.path() / file, "old");
    const Ran ran = onAFullDisk(args);
    EXPECT_EQ(ran.status, 1) << ran.err;
    EXPECT_NE(ran.err.find("File too large"), std::string::npos) << ran.err;
    EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << ran.err;
    EXPECT_EQ(readFile(out.path() / file), "old");
    EXPECT_EQ(namesIn(out.path()), std::set<std::string>{file});
    fs::remove(out.path() / file);
  }
  // The gallery's first picture already fails: the directory holds nothing half-written.
  const fs::path gallery = out.path() / "gallery";
  EXPECT_EQ(onAFullDisk({"gallery", "-o", gallery.string()}).status, 1);
  EXPECT_TRUE(namesIn(gallery).empty());
}

// payload check, and the streams of the commands when a program reads their standard output.
TEST(PayloadCheck, NamesThePlaceOfEachRefusal) {
  TemporaryDirectory work;
  const plist::Dictionary event = sampleEvent();
  const auto withEvent = [&](const char* key, plist::Value value) {
    return fileOf(samplePayload({sampleWith(event, key, std::move(value))}));
  };
  auto damagedBinary = fileOf(samplePayload({event}));
  damagedBinary.at(9) = 0x7F;  // the first object's marker: no object has it
  const auto xml = fileOf(samplePayload({event}), plist::Format::xml);
  std::string damagedXml(xml.begin(), xml.end());
  damagedXml.replace(damagedXml.find("</dict>"), 7, "</dixt>");
  // The reasons are the decoder's (tests/payload); the command names the file, the place and the record.
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {withEvent("title", plist::Integer{5}),
       R"(events[0].title (identifier "E1"): expected a string, found an integer)"},
      {fileOf(samplePayload({event}, {sampleWithout(samplePerson(), "nick")})),
       R"(persons[0].nick (identifier "P1"): missing key, expected a string)"},
      {damagedBinary, "not a property list: object at byte offset "},
      {{damagedXml.begin(), damagedXml.end()}, "not a property list: line "},
  };
  const fs::path file = work.path() / "reminders.plist";
  for (const auto& [bytes, expected] : cases) {
    writeFile(file, bytes);
    const Ran ran = run({"payload", "check", file.string()});
    EXPECT_EQ(std::pair(ran.status, ran.out), std::pair(1, std::string())) << expected;
    EXPECT_EQ(ran.err.rfind("reminders-widget: " + file.string() + ": " + expected, 0), 0u) << ran.err;
    EXPECT_EQ(linesOf(ran.err).size(), 1u) << ran.err;
  }
  // Every refusal of one file, in file order, one line each; the widget's request still prints one line.
  const auto broken =
      sampleWith(sampleWith(event, "status", std::string("Planned")), "plannedDateFrom", 802785600.0);
  TemporaryDirectory container;
  storePlist(container, samplePayload({event, broken}, {samplePerson(), plist::Integer{1}}));
  const Ran all = run({"payload", "check", "--container", container.path().string()});
  EXPECT_EQ(all.status, 1);
  EXPECT_THAT(linesOf(all.err),
              ElementsAre(HasSubstr("events[1].status"),
                          HasSubstr(R"(events[1].plannedDateFrom (identifier "E1"): expected a date, found )"
                                    "a real number"),
                          HasSubstr("persons[1]: expected a dictionary, found an integer")));
  const Ran request = run({"timeline", "--container", container.path().string()});
  EXPECT_EQ(linesOf(request.out).at(0),
            "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data");
  EXPECT_EQ(request.out.find("Unable", 60), std::string::npos);
}

TEST(PayloadCheck, SummarisesAReadableFileAndSaysWhenThereIsNone) {
  TemporaryDirectory container;
  const plist::Dictionary linked =
      sampleWith(sampleEvent(), "actionURL", plist::Dictionary{{"relative", std::string("events/E1")}});
  storePlist(container, samplePayload({linked, sampleWith(sampleEvent(), "caregiver", std::string("P9"))}));
  const Ran ran = run({"payload", "check", "--container", container.path().string()});
  EXPECT_EQ(std::pair(ran.status, ran.err), std::pair(0, std::string()));
  EXPECT_EQ(ran.out,
            (container.path() / "reminders.plist").string() +
                ": readable: 2 events, 1 person, dates 2026-06-10T12:00:00.000Z to "
                "2026-06-10T13:00:00.000Z, 1 link (1 relative, not opened), 1 skipped (caregiver not "
                "among the persons)\n");
  const Ran missing = run({"payload", "check", "--container", (container.path() / "none").string()});
  EXPECT_EQ(std::pair(missing.status, missing.out), std::pair(1, std::string()));
  EXPECT_NE(missing.err.find("App group group.org.corvantis.widgetkit not found"), std::string::npos);
}

// The request program is built for its start-up: it loads no drawing library, and its file does not line up
// with 2 MiB pieces of the address space, or the kernel maps a whole 2 MiB of ICU's data per page touched.
TEST(RequestCommands, LoadNoDrawingLibraryAndNoSegmentLinesUpWithHugePages) {
  const Ran loaded = run({"timeline"}, {"LD_TRACE_LOADED_OBJECTS=1"});
  ASSERT_EQ(loaded.status, 0);
  for (const char* library : {"cairo", "pango", "fontconfig", "freetype", "harfbuzz", "glib", "X11"})
    EXPECT_EQ(loaded.out.find(library), std::string::npos) << library << " in\n" << loaded.out;
  const std::string bytes = readFile(RW_WIDGET_EXECUTABLE);
  Elf64_Ehdr header{};
  ASSERT_GE(bytes.size(), sizeof header);
  std::memcpy(&header, bytes.data(), sizeof header);
  // A position-independent build (sanitizers, fuzzing) is placed by the kernel at a random address.
  if (header.e_type != ET_EXEC) GTEST_SKIP() << "position-independent build";
  ASSERT_EQ(header.e_ident[EI_CLASS], ELFCLASS64);
  ASSERT_LE(header.e_phoff + header.e_phnum * sizeof(Elf64_Phdr), bytes.size());
  std::vector<Elf64_Phdr> segments(header.e_phnum);
  std::memcpy(segments.data(), bytes.data() + header.e_phoff, segments.size() * sizeof(Elf64_Phdr));
  std::erase_if(segments, [](const Elf64_Phdr& segment) { return segment.p_type != PT_LOAD; });
  EXPECT_GE(segments.size(), 2u);
  for (const Elf64_Phdr& segment : segments)
    EXPECT_NE((segment.p_vaddr - segment.p_offset) % (2 * 1024 * 1024), 0u) << std::hex << segment.p_vaddr;
}

TEST(CleanStreams, StandardOutputHoldsOnlyTheAnswerUnderDashO) {
  TemporaryDirectory container, work;
  // A colour of another palette version and an event whose caregiver is unknown: both print lines.
  const auto person =
      sampleWith(samplePerson(), "colorEncoded", std::string("pickerIndex=2&pickerVersion=1"));
  storePlist(container, samplePayload({sampleWith(sampleEvent(), "caregiver", std::string("P9"))}, {person}));
  const std::string dir = container.path().string();
  const auto at = [&](std::vector<std::string> args, const std::string& in) {
    return requestAt(std::move(args), in, "2026-06-10T08:00:00Z");
  };
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"payload", "--container", dir, "-o", "-"}, "Invalid colorEncoded version"},
      {at({"timeline", "-o", "-"}, dir), "No caregiver"},
      {at({"timeline", "-o", "-"}, dir + "/none"), "not found"},
  };
  for (const auto& [args, line] : cases) {
    const Ran ran = run(args);
    EXPECT_TRUE(nlohmann::json::accept(ran.out)) << args[0] << ": " << ran.out.substr(0, 200);
    EXPECT_NE(ran.err.find(line), std::string::npos) << args[0] << ": " << ran.err;
  }
  // To a file, the lines stay on standard output as they always were.
  const Ran toFile = run(at({"timeline", "-o", (work.path() / "a.json").string()}, dir));
  EXPECT_NE(toFile.out.find("No caregiver"), std::string::npos);
  EXPECT_EQ(toFile.err, "");
  // tap prints the URL alone.
  const Ran tap = run(at({"tap", "--at", "2,2"}, dir));
  EXPECT_EQ(std::pair(tap.status, tap.out), std::pair(0, std::string("corvantis2://reminders\n"))) << tap.err;
  EXPECT_NE(tap.err.find("Invalid colorEncoded version"), std::string::npos);
}

}  // namespace
}  // namespace rw

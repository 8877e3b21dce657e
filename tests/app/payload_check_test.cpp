// payload check as the host application's author runs it, and the streams of the other commands when a
// program reads their standard output: the answer alone there, the system's lines on standard error, and
// texts from the payload never forging a line or commanding the terminal.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "payload/payload_coding.h"
#include "payload/sample_event.h"
#include "support/run_program.h"
#include "support/test_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using rw::testing::Ran;
using rw::testing::run;
using rw::testing::sampleEvent;
using rw::testing::samplePayload;
using rw::testing::samplePerson;
using rw::testing::sampleWith;
constexpr auto without = rw::testing::sampleWithout;
using rw::testing::TemporaryDirectory;

std::vector<std::uint8_t> fileOf(const plist::Value& payload, plist::Format format = plist::Format::binary) {
  auto bytes = plist::write(payload, format);
  EXPECT_TRUE(bytes);
  return bytes.value_or(std::vector<std::uint8_t>{});
}

void store(const TemporaryDirectory& container, const plist::Value& payload) {
  rw::testing::writeFile(container.path() / "reminders.plist", fileOf(payload));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(PayloadCheck, NamesThePlaceOfEachRefusal) {
  TemporaryDirectory work;
  const plist::Dictionary event = sampleEvent();
  const auto good = fileOf(samplePayload({event}));
  auto damagedBinary = good;
  damagedBinary.at(9) = 0x7F;  // the first object's marker: no object has it
  auto xmlFile = fileOf(samplePayload({event}), plist::Format::xml);
  std::string damagedXml(xmlFile.begin(), xmlFile.end());
  damagedXml.replace(damagedXml.find("</dict>"), 7, "</dixt>");
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string expected;
  } cases[] = {
      {"wrong type", fileOf(samplePayload({sampleWith(event, "title", plist::Integer{5})})),
       R"(events[0].title (identifier "E1"): expected a string, found an integer)"},
      {"missing key", fileOf(samplePayload({without(event, "notes")})),
       R"(events[0].notes (identifier "E1"): missing key, expected a string)"},
      {"enumeration", fileOf(samplePayload({sampleWith(event, "status", std::string("Planned"))})),
       R"(events[0].status (identifier "E1"): no CustodyEventStatus has the raw value "Planned" (expected one of "PLA")"},
      {"date", fileOf(samplePayload({sampleWith(event, "dateTo", std::string("2026-06-10T12:00:00Z"))})),
       R"(events[0].dateTo (identifier "E1"): expected a date, found a string)"},
      {"URL",
       fileOf(samplePayload(
           {sampleWith(event, "actionURL", plist::Dictionary{{"relative", std::string("a b")}})})),
       R"(events[0].actionURL (identifier "E1"): not a URL: "a b")"},
      {"person", fileOf(samplePayload({event}, {without(samplePerson(), "nick")})),
       R"(persons[0].nick (identifier "P1"): missing key, expected a string)"},
      {"damaged binary", damagedBinary, "not a property list: object at byte offset "},
      {"damaged XML", std::vector<std::uint8_t>(damagedXml.begin(), damagedXml.end()),
       "not a property list: line "},
  };
  for (const auto& c : cases) {
    const fs::path file = work.path() / "reminders.plist";
    rw::testing::writeFile(file, c.bytes);
    const Ran ran = run({"payload", "check", file.string()});
    EXPECT_EQ(ran.status, 1) << c.name;
    EXPECT_EQ(ran.out, "") << c.name;
    EXPECT_EQ(ran.err.rfind("reminders-widget: " + file.string() + ": " + c.expected, 0), 0u)
        << c.name << ": " << ran.err;
    EXPECT_EQ(linesOf(ran.err).size(), 1u) << c.name << ": " << ran.err;
  }

  // Every refusal of one file, in file order, one line each; the widget's request still prints one line.
  plist::Dictionary broken = sampleWith(event, "status", std::string("Planned"));
  broken = sampleWith(std::move(broken), "plannedDateFrom", 802785600.0);
  TemporaryDirectory container;
  store(container, samplePayload({event, broken}, {samplePerson(), plist::Integer{1}}));
  const Ran all = run({"payload", "check", "--container", container.path().string()});
  EXPECT_EQ(all.status, 1);
  const auto lines = linesOf(all.err);
  ASSERT_EQ(lines.size(), 3u) << all.err;
  EXPECT_NE(lines[0].find("events[1].status"), std::string::npos);
  EXPECT_NE(
      lines[1].find("events[1].plannedDateFrom (identifier \"E1\"): expected a date, found a real number"),
      std::string::npos);
  EXPECT_NE(lines[2].find("persons[1]: expected a dictionary, found an integer"), std::string::npos);
  const Ran request = run({"timeline", "--container", container.path().string()});
  EXPECT_EQ(linesOf(request.out).at(0),
            "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data");
  EXPECT_EQ(request.out.find("Unable", 60), std::string::npos);
}

TEST(PayloadCheck, SummarisesAReadableFile) {
  TemporaryDirectory container;
  const plist::Dictionary linked =
      sampleWith(sampleEvent(), "actionURL", plist::Dictionary{{"relative", std::string("events/E1")}});
  const plist::Dictionary orphan = sampleWith(sampleEvent(), "caregiver", std::string("P9"));
  store(container, samplePayload({linked, orphan}));
  const Ran ran = run({"payload", "check", "--container", container.path().string()});
  EXPECT_EQ(ran.status, 0) << ran.err;
  EXPECT_EQ(ran.err, "");
  EXPECT_EQ(ran.out,
            (container.path() / "reminders.plist").string() +
                ": readable: 2 events, 1 person, dates 2026-06-10T12:00:00.000Z to "
                "2026-06-10T13:00:00.000Z, 1 link (1 relative, not opened), 1 skipped (caregiver not "
                "among the persons)\n");
  // No container, no file: said on standard error, exit status 1.
  const Ran missing = run({"payload", "check", "--container", (container.path() / "none").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("App group group.org.corvantis.widgetkit not found"), std::string::npos);
  EXPECT_EQ(run({"payload", "check", (container.path() / "none.plist").string()}).status, 1);
}

TEST(CleanStreams, StandardOutputHoldsOnlyTheAnswerUnderDashO) {
  TemporaryDirectory container;
  // A colour of another palette version and an event whose caregiver is unknown: both print lines.
  plist::Dictionary person =
      sampleWith(samplePerson(), "colorEncoded", std::string("pickerIndex=2&pickerVersion=1"));
  store(container, samplePayload({sampleWith(sampleEvent(), "caregiver", std::string("P9"))}, {person}));
  const std::string dir = container.path().string();
  const std::vector<std::string> now{"--now", "2026-06-10T08:00:00Z", "--time-zone", "UTC"};
  const auto with = [&](std::vector<std::string> args) {
    args.insert(args.end(), now.begin(), now.end());
    return args;
  };
  const struct {
    std::vector<std::string> args;
    const char* line;
  } cases[] = {
      {{"payload", "--container", dir, "-o", "-"}, "Invalid colorEncoded version"},
      {with({"timeline", "--container", dir, "-o", "-"}), "No caregiver"},
      {with({"placeholder", "--container", dir, "-o", "-"}), "Invalid colorEncoded version"},
      {with({"timeline", "--container", dir + "/none", "-o", "-"}), "not found"},
  };
  for (const auto& c : cases) {
    const Ran ran = run(c.args);
    EXPECT_TRUE(nlohmann::json::accept(ran.out)) << c.args[0] << ": " << ran.out.substr(0, 200);
    EXPECT_NE(ran.err.find(c.line), std::string::npos) << c.args[0] << ": " << ran.err;
  }
  // To a file, the lines stay on standard output as they always were.
  TemporaryDirectory work;
  const Ran toFile = run(with({"timeline", "--container", dir, "-o", (work.path() / "a.json").string()}));
  EXPECT_NE(toFile.out.find("No caregiver"), std::string::npos);
  EXPECT_EQ(toFile.err, "");
  // tap prints the URL alone.
  const Ran tap = run(with({"tap", "--container", dir, "--at", "2,2"}));
  EXPECT_EQ(tap.status, 0) << tap.err;
  EXPECT_EQ(tap.out, "corvantis2://reminders\n");
  EXPECT_NE(tap.err.find("Invalid colorEncoded version"), std::string::npos);
}

TEST(CleanStreams, PayloadTextsNeitherBreakLinesNorCommandTheTerminal) {
  TemporaryDirectory container;
  const plist::Dictionary event =
      sampleWith(sampleWith(sampleEvent(), "title", std::string("Dentist\x1b[2J\nUnable to decode data")),
                 "dueAmountText", std::string("\x1b]52;c;cGFzdGU=\x07"));
  const plist::Dictionary person =
      sampleWith(sampleWith(samplePerson(), "nick", std::string("Dad\r\xc2\x9b")), "colorEncoded",
                 std::string("forged\nUnable to decode data"));
  store(container, samplePayload({event}, {person}));
  const Ran ran = run({"timeline", "--container", container.path().string(), "--now", "2026-06-10T08:00:00Z",
                       "--time-zone", "UTC"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  for (const char control : {'\x1b', '\x07', '\r'})
    EXPECT_EQ(ran.out.find(control), std::string::npos) << int(control);
  // Only the system's own lines say what they say; the forged texts stay inside other lines.
  for (const std::string& line : linesOf(ran.out))
    EXPECT_NE(line, "Unable to decode data");
  EXPECT_NE(ran.out.find("Dentist\\x1b[2J\\nUnable to decode data"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("with Dad\\r\\u009B"), std::string::npos) << ran.out;
  EXPECT_NE(ran.out.find("in string: forged\\nUnable to decode data\n"), std::string::npos);
}

TEST(CleanStreams, JsonKeepsExactDatesAndRelativeURLsThroughEncode) {
  TemporaryDirectory container, work;
  const double far = parseDateText("+200000-06-01T00:00:00Z")->sinceReferenceDate;
  const struct {
    const char* key;
    double value;
    nlohmann::json text;
    Date WidgetEventPayload::*field;
  } dates[] = {{"plannedDateFrom", 802'785'600.123456, "2026-06-10T12:00:00.123456Z",
                &WidgetEventPayload::plannedDateFrom},
               {"plannedDateTo", far, "+200000-06-01T00:00:00.000Z", &WidgetEventPayload::plannedDateTo},
               {"dateFrom", -63'114'076'800.0, "0000-12-30T00:00:00.000Z", &WidgetEventPayload::dateFrom},
               {"dateTo", 1e300, 1e300, &WidgetEventPayload::dateTo}};
  plist::Dictionary event =
      sampleWith(sampleEvent(), "actionURL", plist::Dictionary{{"relative", std::string("events/E1")}});
  for (const auto& d : dates)
    event = sampleWith(std::move(event), d.key, Date{d.value});
  store(container, samplePayload({event}));
  const fs::path json = work.path() / "payload.json", back = work.path() / "back.plist";
  ASSERT_EQ(run({"payload", "--container", container.path().string(), "-o", json.string()}).status, 0);
  const auto e = nlohmann::json::parse(rw::testing::readFile(json))["events"][0];
  EXPECT_EQ(e["actionURL"], "events/E1");
  const Ran encoded = run({"payload", "encode", json.string(), back.string()});
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  const std::string bytes = rw::testing::readFile(back);
  const auto decoded = decodePayload(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  ASSERT_TRUE(decoded) << decoded.error().reason;
  const WidgetEventPayload& read = decoded->events.at(0);
  ASSERT_NE(read.actionURL, nullptr);
  EXPECT_EQ(read.actionURL->absoluteString(), "events/E1");
  // The same values, bit for bit: the text kept every digit the file had.
  for (const auto& d : dates) {
    EXPECT_EQ(e[d.key], d.text);
    EXPECT_EQ((read.*d.field).sinceReferenceDate, d.value) << d.key;
  }
}

}  // namespace
}  // namespace rw

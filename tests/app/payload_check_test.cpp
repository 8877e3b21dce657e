// payload check as the host application's author runs it, and the streams of the other commands when a
// program reads their standard output: the answer alone there, the system's lines on standard error, and
// texts from the payload never forging a line or commanding the terminal.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "payload/payload_coding.h"
#include "payload/sample_event.h"
#include "support/run_program.h"
#include "support/test_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using namespace rw::testing;

std::vector<std::uint8_t> fileOf(const plist::Value& payload, plist::Format format = plist::Format::binary) {
  return plist::write(payload, format).value();
}

void store(const TemporaryDirectory& container, const plist::Value& payload) {
  writeFile(container.path() / "reminders.plist", fileOf(payload));
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
  const auto withEvent = [&](const char* key, plist::Value value) {
    return fileOf(samplePayload({sampleWith(event, key, std::move(value))}));
  };
  auto damagedBinary = fileOf(samplePayload({event}));
  damagedBinary.at(9) = 0x7F;  // the first object's marker: no object has it
  const auto xml = fileOf(samplePayload({event}), plist::Format::xml);
  std::string damagedXml(xml.begin(), xml.end());
  damagedXml.replace(damagedXml.find("</dict>"), 7, "</dixt>");
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {withEvent("title", plist::Integer{5}),
       R"(events[0].title (identifier "E1"): expected a string, found an integer)"},
      {fileOf(samplePayload({sampleWithout(event, "notes")})),
       R"(events[0].notes (identifier "E1"): missing key, expected a string)"},
      {withEvent("status", std::string("Planned")),
       R"(events[0].status (identifier "E1"): no CustodyEventStatus has the raw value "Planned" (expected one of "PLA")"},
      {withEvent("dateTo", std::string("2026-06-10T12:00:00Z")),
       R"(events[0].dateTo (identifier "E1"): expected a date, found a string)"},
      {withEvent("actionURL", plist::Dictionary{{"relative", std::string("a b")}}),
       R"(events[0].actionURL (identifier "E1"): not a URL: "a b")"},
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
  const auto linked =
      sampleWith(sampleEvent(), "actionURL", plist::Dictionary{{"relative", std::string("events/E1")}});
  store(container, samplePayload({linked, sampleWith(sampleEvent(), "caregiver", std::string("P9"))}));
  const Ran ran = run({"payload", "check", "--container", container.path().string()});
  EXPECT_EQ(std::pair(ran.status, ran.err), std::pair(0, std::string()));
  EXPECT_EQ(ran.out,
            (container.path() / "reminders.plist").string() +
                ": readable: 2 events, 1 person, dates 2026-06-10T12:00:00.000Z to "
                "2026-06-10T13:00:00.000Z, 1 link (1 relative, not opened), 1 skipped (caregiver not "
                "among the persons)\n");
  // No container, no file: said on standard error, exit status 1.
  const Ran missing = run({"payload", "check", "--container", (container.path() / "none").string()});
  EXPECT_EQ(std::pair(missing.status, missing.out), std::pair(1, std::string()));
  EXPECT_NE(missing.err.find("App group group.org.corvantis.widgetkit not found"), std::string::npos);
  EXPECT_EQ(run({"payload", "check", (container.path() / "none.plist").string()}).status, 1);
}

TEST(CleanStreams, StandardOutputHoldsOnlyTheAnswerUnderDashO) {
  TemporaryDirectory container, work;
  // A colour of another palette version and an event whose caregiver is unknown: both print lines.
  const auto person =
      sampleWith(samplePerson(), "colorEncoded", std::string("pickerIndex=2&pickerVersion=1"));
  store(container, samplePayload({sampleWith(sampleEvent(), "caregiver", std::string("P9"))}, {person}));
  const std::string dir = container.path().string();
  const auto at = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--now", "2026-06-10T08:00:00Z", "--time-zone", "UTC"});
    return args;
  };
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"payload", "--container", dir, "-o", "-"}, "Invalid colorEncoded version"},
      {at({"timeline", "--container", dir, "-o", "-"}), "No caregiver"},
      {at({"placeholder", "--container", dir, "-o", "-"}), "Invalid colorEncoded version"},
      {at({"timeline", "--container", dir + "/none", "-o", "-"}), "not found"},
  };
  for (const auto& [args, line] : cases) {
    const Ran ran = run(args);
    EXPECT_TRUE(nlohmann::json::accept(ran.out)) << args[0] << ": " << ran.out.substr(0, 200);
    EXPECT_NE(ran.err.find(line), std::string::npos) << args[0] << ": " << ran.err;
  }
  // To a file, the lines stay on standard output as they always were.
  const Ran toFile = run(at({"timeline", "--container", dir, "-o", (work.path() / "a.json").string()}));
  EXPECT_NE(toFile.out.find("No caregiver"), std::string::npos);
  EXPECT_EQ(toFile.err, "");
  // tap prints the URL alone.
  const Ran tap = run(at({"tap", "--container", dir, "--at", "2,2"}));
  EXPECT_EQ(std::pair(tap.status, tap.out), std::pair(0, std::string("corvantis2://reminders\n"))) << tap.err;
  EXPECT_NE(tap.err.find("Invalid colorEncoded version"), std::string::npos);
}

TEST(CleanStreams, PayloadTextsNeitherBreakLinesNorCommandTheTerminal) {
  TemporaryDirectory container;
  const auto event =
      sampleWith(sampleWith(sampleEvent(), "title", std::string("Dentist\x1b[2J\nUnable to decode data")),
                 "dueAmountText", std::string("\x1b]52;c;cGFzdGU=\x07"));
  const auto person = sampleWith(sampleWith(samplePerson(), "nick", std::string("Dad\r\xc2\x9b")),
                                 "colorEncoded", std::string("forged\nUnable to decode data"));
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

// The JSON form keeps dates to the digit and relative links, and encode writes them back bit for bit.
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
  auto event =
      sampleWith(sampleEvent(), "actionURL", plist::Dictionary{{"relative", std::string("events/E1")}});
  for (const auto& d : dates)
    event = sampleWith(std::move(event), d.key, Date{d.value});
  store(container, samplePayload({event}));
  const fs::path json = work.path() / "payload.json", back = work.path() / "back.plist";
  ASSERT_EQ(run({"payload", "--container", container.path().string(), "-o", json.string()}).status, 0);
  const auto e = nlohmann::json::parse(readFile(json))["events"][0];
  EXPECT_EQ(e["actionURL"], "events/E1");
  const Ran encoded = run({"payload", "encode", json.string(), back.string()});
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  const std::string bytes = readFile(back);
  const auto decoded = decodePayload(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  ASSERT_TRUE(decoded) << decoded.error().reason;
  const WidgetEventPayload& read = decoded->events.at(0);
  ASSERT_NE(read.actionURL, nullptr);
  EXPECT_EQ(read.actionURL->absoluteString(), "events/E1");
  for (const auto& d : dates) {
    EXPECT_EQ(e[d.key], d.text);
    EXPECT_EQ((read.*d.field).sinceReferenceDate, d.value) << d.key;
  }
}

}  // namespace
}  // namespace rw

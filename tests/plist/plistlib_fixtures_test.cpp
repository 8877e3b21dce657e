// Files written by another implementation (Python's plistlib, see fixtures/make_fixtures.py) read as the
// values that script put in.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "payload/plist.h"
#include "support/test_support.h"

namespace rw::plist {
namespace {

ParseResult parseFixture(const std::string& name) {
  const std::string bytes =
      rw::testing::readFile(rw::testing::sourceDirectory() / "tests/plist/fixtures" / name);
  EXPECT_FALSE(bytes.empty()) << name;
  return parse(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Dictionary entries(std::initializer_list<std::pair<std::string, Value>> items) {
  return Dictionary(items);
}

Date at(const char* text, double fraction = 0) {
  return parseRfc3339(text)->adding(fraction);
}

/// The payload of make_fixtures.py; `fraction` is the quarter second only the binary form keeps.
Value expectedPayload(double fraction) {
  const std::string caregiver = "8E1C4F0A-0000-4000-8000-000000000001";
  const std::string child = "8E1C4F0A-0000-4000-8000-000000000002";
  const char* types[] = {"care", "call", "expense"};
  const char* titles[] = {"Zo\xC3\xAB's day", "Call \xF0\x9F\x93\x9E", "Expense"};
  const char* starts[] = {"2026-06-10T12:00:00Z", "2026-06-11T12:00:00Z", "2026-06-12T12:00:00Z"};
  const char* ends[] = {"2026-06-10T14:00:00Z", "2026-06-11T14:00:00Z", "2026-06-12T14:00:00Z"};
  Array events;
  for (int i = 0; i < 3; ++i) {
    Dictionary event = entries({
        {"identifier", "event-" + std::to_string(i)},
        {"type", std::string(types[i])},
        {"status", std::string("PLA")},
        {"title", std::string(titles[i])},
        {"caregiver", caregiver},
        {"beneficiaries", Array{child}},
        {"plannedDateFrom", at(starts[i], fraction)},
        {"plannedDateTo", at(ends[i], fraction)},
        {"dateFrom", at(starts[0], fraction)},
        {"dateTo", at(starts[0], fraction)},
        {"dueAmountText", std::string(i == 2 ? "12,50 \xE2\x82\xAC" : "")},
        {"notes", std::string("A note that is longer than fifteen characters")},
    });
    if (i == 0)
      event.emplace_back("actionURL", entries({{"relative", std::string("corvantis2://reminders/event-0")}}));
    events.push_back(std::move(event));
  }
  Array persons{
      entries({{"identifier", caregiver},
               {"type", std::string("caregiver")},
               {"nick", std::string("Ann")},
               {"colorEncoded", std::string("pickerIndex=3&pickerVersion=183")}}),
      entries({{"identifier", child},
               {"type", std::string("child")},
               {"nick", std::string("Zo\xC3\xAB")},
               {"colorEncoded", std::string("pickerIndex=7&pickerVersion=183")}}),
  };
  return entries({{"events", std::move(events)}, {"persons", std::move(persons)}});
}

TEST(PlistlibFixtures, PayloadReadsInEveryForm) {
  for (const char* name :
       {"plistlib_payload.binary.plist", "plistlib_payload.xml.plist", "plistlib_payload.xml-utf16.plist"}) {
    const ParseResult read = parseFixture(name);
    ASSERT_TRUE(read) << name << ": " << read.error.reason;
    const bool binary = std::string(name).find("binary") != std::string::npos;
    EXPECT_EQ(*read.value, expectedPayload(binary ? 0.25 : 0)) << name;
  }
}

TEST(PlistlibFixtures, EveryKindReadsInBothForms) {
  const ParseResult binary = parseFixture("plistlib_kinds.binary.plist");
  const ParseResult xml = parseFixture("plistlib_kinds.xml.plist");
  ASSERT_TRUE(binary) << binary.error.reason;
  ASSERT_TRUE(xml) << xml.error.reason;
  // The two forms hold the same values, but for the UID only the binary form has.
  Dictionary withoutUid = *binary.value->get<Dictionary>();
  ASSERT_EQ(withoutUid.back(), (std::pair<std::string, Value>("uid", Uid{70000})));
  withoutUid.pop_back();
  EXPECT_EQ(*xml.value, Value(withoutUid));
  const auto integer = [](std::int64_t v) { return Value(Integer{v}); };
  EXPECT_EQ(
      *binary.value->find("integers"),
      Value(Array{integer(0), integer(255), integer(256), integer(65535), integer(65536), integer(4294967295),
                  integer(4294967296), integer(-1), integer(std::numeric_limits<std::int64_t>::min()),
                  integer(std::numeric_limits<std::int64_t>::max()), Integer{-1, true}}));
  EXPECT_EQ(*binary.value->find("reals"), Value(Array{0.1, -0.0, 1e300, -2.5}));
  EXPECT_EQ(*binary.value->find("data"), Value(Data{{0, 1, 2, 0xFD, 0xFE, 0xFF}}));
  EXPECT_EQ(*binary.value->find("date"), Value(at("2026-01-02T03:04:05Z")));
  EXPECT_EQ(*binary.value->find("astral"), Value(std::string("\xF0\x9F\x98\x80 and \xF0\x9D\x84\x9E")));
  EXPECT_EQ(binary.value->find("twentyItems")->get<Array>()->size(), 20u);
  EXPECT_EQ(*binary.value->find("nested"),
            Value(entries({{"empty array", Array{}}, {"empty dict", Dictionary{}}})));
}

TEST(PlistlibFixtures, TwoByteReferencesAndSharedStrings) {
  Array items;
  for (int i = 0; i < 300; ++i)
    items.push_back("item-" + std::to_string(i));
  const Value expected = entries({{"items", items}, {"repeated", Array(300, Value(std::string("same")))}});
  for (const char* name : {"plistlib_many.binary.plist", "plistlib_many.xml.plist"}) {
    const ParseResult read = parseFixture(name);
    ASSERT_TRUE(read) << name << ": " << read.error.reason;
    EXPECT_EQ(*read.value, expected) << name;
  }
}

}  // namespace
}  // namespace rw::plist

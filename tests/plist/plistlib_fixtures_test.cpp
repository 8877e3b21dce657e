// Files written by another implementation (Python's plistlib, see fixtures/make_fixtures.py) read as the
// values that script put in.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "payload/plist.h"
#include "support/test_support.h"

namespace rw::plist {
namespace {

Result<Value> parseFixture(const std::string& name) {
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
    const Result<Value> read = parseFixture(name);
    ASSERT_TRUE(read) << name << ": " << read.error().reason;
    const bool binary = std::string(name).find("binary") != std::string::npos;
    EXPECT_EQ(*read, expectedPayload(binary ? 0.25 : 0)) << name;
  }
}

Value expectedKinds(bool binary) {
  const auto integer = [](std::int64_t v) { return Value(Integer{v}); };
  std::vector<std::uint8_t> longData(100);
  for (std::size_t i = 0; i < longData.size(); ++i)
    longData[i] = static_cast<std::uint8_t>(i);
  Array twenty;
  for (int i = 0; i < 20; ++i)
    twenty.push_back(integer(i));
  Dictionary kinds = entries({
      {"integers",
       Array{integer(0), integer(255), integer(256), integer(65535), integer(65536), integer(4294967295),
             integer(4294967296), integer(-1), integer(std::numeric_limits<std::int64_t>::min()),
             integer(std::numeric_limits<std::int64_t>::max()), Integer{-1, true}}},
      {"reals", Array{0.1, -0.0, 1e300, -2.5}},
      {"booleans", Array{true, false}},
      {"data", Data{{0, 1, 2, 0xFD, 0xFE, 0xFF}}},
      {"longData", Data{longData}},
      {"emptyData", Data{}},
      {"date", at("2026-01-02T03:04:05Z")},
      {"ascii", std::string("plain")},
      {"bmp", std::string("Zo\xC3\xAB \xE2\x82\xAC")},
      {"astral", std::string("\xF0\x9F\x98\x80 and \xF0\x9D\x84\x9E")},
      {"empty", std::string()},
      {"twentyChars", std::string("abcdefghijklmnopqrst")},
      {"twentyItems", twenty},
      {"nested", entries({{"empty array", Array{}}, {"empty dict", Dictionary{}}})},
  });
  if (binary) kinds.emplace_back("uid", Uid{70000});
  return kinds;
}

TEST(PlistlibFixtures, EveryKindReadsInBothForms) {
  for (const bool binary : {true, false}) {
    const Result<Value> read =
        parseFixture(binary ? "plistlib_kinds.binary.plist" : "plistlib_kinds.xml.plist");
    ASSERT_TRUE(read) << binary << ": " << read.error().reason;
    EXPECT_EQ(*read, expectedKinds(binary)) << binary;
  }
}

TEST(PlistlibFixtures, TwoByteReferencesAndSharedStrings) {
  Array items;
  for (int i = 0; i < 300; ++i)
    items.push_back("item-" + std::to_string(i));
  const Value expected = entries({{"items", items}, {"repeated", Array(300, Value(std::string("same")))}});
  for (const char* name : {"plistlib_many.binary.plist", "plistlib_many.xml.plist"}) {
    const Result<Value> read = parseFixture(name);
    ASSERT_TRUE(read) << name << ": " << read.error().reason;
    EXPECT_EQ(*read, expected) << name;
  }
}

}  // namespace
}  // namespace rw::plist

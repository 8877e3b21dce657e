// Files written by another implementation (Python's plistlib, see fixtures/make_fixtures.py) read as the
// values that script put in.
#include <gtest/gtest.h>

#include <cmath>
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

// `value` with every date rounded down to whole seconds.
Value wholeSeconds(Value value) {
  if (auto* date = std::get_if<Date>(&value.storage))
    date->sinceReferenceDate = std::floor(date->sinceReferenceDate);
  if (auto* array = std::get_if<Array>(&value.storage))
    for (auto& element : *array)
      element = wholeSeconds(element);
  if (auto* dictionary = std::get_if<Dictionary>(&value.storage))
    for (auto& entry : *dictionary)
      entry.second = wholeSeconds(entry.second);
  return value;
}

TEST(PlistlibFixtures, PayloadReadsAlikeInEveryForm) {
  const Result<Value> binary = parseFixture("plistlib_payload.binary.plist");
  const Result<Value> xml = parseFixture("plistlib_payload.xml.plist");
  const Result<Value> utf16 = parseFixture("plistlib_payload.xml-utf16.plist");
  ASSERT_TRUE(binary && xml && utf16) << binary.error().reason << xml.error().reason << utf16.error().reason;
  EXPECT_EQ(*utf16, *xml);
  // Only the binary form keeps the quarter second the script adds to every date.
  EXPECT_NE(*binary, *xml);
  EXPECT_EQ(wholeSeconds(*binary), *xml);
  const Value& event = xml->find("events")->get<Array>()->at(2);
  EXPECT_EQ(*event.find("title"), Value(std::string("Expense")));
  EXPECT_EQ(*event.find("dueAmountText"), Value(std::string("12,50 \xE2\x82\xAC")));
  EXPECT_EQ(*event.find("plannedDateFrom"), Value(at("2026-06-12T12:00:00Z")));
  EXPECT_EQ(*binary->find("events")->get<Array>()->at(2).find("plannedDateFrom"),
            Value(at("2026-06-12T12:00:00Z", 0.25)));
  const Value& child = xml->find("persons")->get<Array>()->at(1);
  EXPECT_EQ(*child.find("nick"), Value(std::string("Zo\xC3\xAB")));
}

TEST(PlistlibFixtures, EveryKindReadsInBothForms) {
  const Result<Value> binary = parseFixture("plistlib_kinds.binary.plist");
  const Result<Value> xml = parseFixture("plistlib_kinds.xml.plist");
  ASSERT_TRUE(binary) << binary.error().reason;
  ASSERT_TRUE(xml) << xml.error().reason;
  // The two forms hold the same values, but for the UID only the binary form has.
  Dictionary withoutUid = *binary->get<Dictionary>();
  ASSERT_EQ(withoutUid.back(), (std::pair<std::string, Value>("uid", Uid{70000})));
  withoutUid.pop_back();
  EXPECT_EQ(*xml, Value(withoutUid));
  const auto integer = [](std::int64_t v) { return Value(Integer{v}); };
  EXPECT_EQ(
      *binary->find("integers"),
      Value(Array{integer(0), integer(255), integer(256), integer(65535), integer(65536), integer(4294967295),
                  integer(4294967296), integer(-1), integer(std::numeric_limits<std::int64_t>::min()),
                  integer(std::numeric_limits<std::int64_t>::max()), Integer{-1, true}}));
  EXPECT_EQ(*binary->find("reals"), Value(Array{0.1, -0.0, 1e300, -2.5}));
  EXPECT_EQ(*binary->find("data"), Value(Data{{0, 1, 2, 0xFD, 0xFE, 0xFF}}));
  EXPECT_EQ(*binary->find("date"), Value(at("2026-01-02T03:04:05Z")));
  EXPECT_EQ(*binary->find("astral"), Value(std::string("\xF0\x9F\x98\x80 and \xF0\x9D\x84\x9E")));
  EXPECT_EQ(binary->find("twentyItems")->get<Array>()->size(), 20u);
  EXPECT_EQ(*binary->find("nested"),
            Value(entries({{"empty array", Array{}}, {"empty dict", Dictionary{}}})));
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

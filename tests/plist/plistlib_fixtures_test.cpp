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
  EXPECT_EQ(*binary->find("date"), Value(*parseRfc3339("2026-01-02T03:04:05Z")));
  EXPECT_EQ(*binary->find("astral"), Value(std::string("\xF0\x9F\x98\x80 and \xF0\x9D\x84\x9E")));
  EXPECT_EQ(binary->find("twentyItems")->get<Array>()->size(), 20u);
  EXPECT_EQ(*binary->find("nested"),
            Value(Dictionary{{"empty array", Array{}}, {"empty dict", Dictionary{}}}));
}

TEST(PlistlibFixtures, TwoByteReferencesAndSharedStrings) {
  Array items;
  for (int i = 0; i < 300; ++i)
    items.push_back("item-" + std::to_string(i));
  const Value expected = Dictionary{{"items", items}, {"repeated", Array(300, Value(std::string("same")))}};
  for (const char* name : {"plistlib_many.binary.plist", "plistlib_many.xml.plist"}) {
    const Result<Value> read = parseFixture(name);
    ASSERT_TRUE(read) << name << ": " << read.error().reason;
    EXPECT_EQ(*read, expected) << name;
  }
}

}  // namespace
}  // namespace rw::plist

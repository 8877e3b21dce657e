#include <gtest/gtest.h>

#include <limits>

#include "payload/plist.h"

namespace rw::plist {
namespace {

TEST(PlistValue, FindTakesTheLastOccurrenceOfAKeyExactly) {
  const Value value(
      Dictionary{{"status", std::string("first")}, {"other", Integer{1}}, {"status", std::string("last")}});
  ASSERT_NE(value.find("status"), nullptr);
  EXPECT_EQ(*value.find("status"), Value(std::string("last")));
  EXPECT_EQ(value.find("missing"), nullptr);
  EXPECT_EQ(value.find("Status"), nullptr);
  EXPECT_EQ(Value(Array{value}).find("status"), nullptr);
}

// NaN equals NaN, so that a value read back compares equal to what was written; kinds never mix.
TEST(PlistValue, EqualityComparesKindsAndContents) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Value(Array{kNaN}), Value(Array{kNaN}));
  EXPECT_EQ(Value(0.0), Value(-0.0));
  const std::pair<Value, Value> different[] = {
      {1.0, kNaN},
      {1.0, Integer{1}},
      {Date{1}, 1.0},
      {Integer{-1}, Integer{-1, true}},
      {Dictionary{{"a", true}, {"b", false}}, Dictionary{{"b", false}, {"a", true}}},  // order is kept
      {Data{{1}}, std::string("\x01")},
      {Uid{1}, Integer{1}},
  };
  for (const auto& [a, b] : different)
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace rw::plist

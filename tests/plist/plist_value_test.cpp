#include <gtest/gtest.h>

#include <limits>

#include "payload/plist.h"

namespace rw::plist {
namespace {

TEST(PlistValue, FindTakesTheLastOccurrenceOfAKey) {
  Dictionary dictionary;
  dictionary.emplace_back("status", std::string("first"));
  dictionary.emplace_back("other", Integer{1});
  dictionary.emplace_back("status", std::string("last"));
  const Value value(dictionary);
  ASSERT_NE(value.find("status"), nullptr);
  EXPECT_EQ(*value.find("status"), Value(std::string("last")));
  EXPECT_EQ(value.find("missing"), nullptr);
  EXPECT_EQ(value.find("Status"), nullptr);  // keys compare exactly
  EXPECT_EQ(Value(Array{dictionary}).find("status"), nullptr);
}

TEST(PlistValue, EqualityComparesKindsAndContents) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  Dictionary ab, ba;
  ab.emplace_back("a", true);
  ab.emplace_back("b", false);
  ba.emplace_back("b", false);
  ba.emplace_back("a", true);
  // NaN equals NaN, so that a value read back compares equal to what was written; also inside containers.
  EXPECT_EQ(Value(kNaN), Value(kNaN));
  EXPECT_EQ(Value(Array{kNaN}), Value(Array{kNaN}));
  EXPECT_EQ(Value(0.0), Value(-0.0));
  EXPECT_NE(Value(1.0), Value(kNaN));
  EXPECT_NE(Value(1.0), Value(Integer{1}));  // a real is no integer
  EXPECT_NE(Value(Date{1}), Value(1.0));
  EXPECT_NE(Value(Integer{-1}), Value(Integer{-1, true}));  // -1 is not 2^64 - 1
  EXPECT_NE(Value(ab), Value(ba));                          // dictionaries keep their order
  EXPECT_NE(Value(Data{{1}}), Value(std::string("\x01")));
  EXPECT_NE(Value(Uid{1}), Value(Integer{1}));
}

}  // namespace
}  // namespace rw::plist

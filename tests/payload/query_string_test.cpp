#include "payload/query_string.h"

#include <gtest/gtest.h>

#include "platform/messages.h"
#include "support/test_support.h"

namespace rw {
namespace {

using rw::testing::capturedStdout;

constexpr std::string_view kInvalidLine = "queryDictionary: Invalid key-value pair in string: ";

TEST(QueryDictionary, ParsesPiecesWithoutMessages) {
  struct Case {
    std::string_view text;
    QueryDictionary expected;
  };
  const Case cases[] = {
      {"", {}},
      {"&&&", {}},
      {"&a=1&&b=2&", {{"a", "1"}, {"b", "2"}}},
      {"a=1&a=2", {{"a", "2"}}},  // the last piece wins
      {"a=", {{"a", ""}}},
      {"a=b=c", {{"a", "b"}}},  // whatever follows a second "=" is dropped
      {"x=ab+cd", {{"x", "ab cd"}}},
      {"x=ab%2Bcd", {{"x", "ab+cd"}}},
      {"x=%2b%2B", {{"x", "++"}}},    // hex digits in either case
      {"a%20b=1", {{"a%20b", "1"}}},  // keys are neither "+"-replaced nor decoded
      {"x=%C3%A9t%C3%A9", {{"x", "été"}}},
      {"x=été", {{"x", "été"}}},  // unencoded UTF-8 is taken as it is
  };
  for (const auto& c : cases) {
    std::optional<QueryDictionary> result;
    const std::string printed = capturedStdout([&] { result = queryDictionary(c.text); });
    ASSERT_TRUE(result) << c.text;
    EXPECT_EQ(*result, c.expected) << c.text;
    EXPECT_EQ(printed, "") << c.text;
  }
}

TEST(QueryDictionary, InvalidPieceFailsWholeTextWithOneLine) {
  const std::string_view cases[] = {
      "a",            // no "="
      "=1",           // empty key
      "a=100%",       // "%" without two hex digits
      "a=%G1",        //
      "a=1&b",        // pieces stored before the bad one are discarded too
      "a=%FF",        // a byte that is no UTF-8
      "a=%ED%A0%80",  // an encoded surrogate
      "a=%C0%AF",     // an overlong form
      "\xFF=1",       // a key that is no UTF-8
  };
  for (const auto text : cases) {
    std::optional<QueryDictionary> result;
    const std::string printed = capturedStdout([&] { result = queryDictionary(text); });
    EXPECT_FALSE(result) << text;
    // The text as it is, but for the byte that is no UTF-8, which is escaped.
    EXPECT_EQ(printed, std::string(kInvalidLine) + printable(text) + "\n") << text;
  }
}

TEST(QueryString, SortsByNameAndEncodesValues) {
  EXPECT_EQ(queryString({{"pickerVersion", "183"}, {"pickerIndex", "7"}}), "pickerIndex=7&pickerVersion=183");
  EXPECT_EQ(queryString({}), "");
  EXPECT_EQ(queryString({{"v", "1.0"}}), "v=1%2E0");
  EXPECT_EQ(queryString({{"v", "a b+c&d=e%f"}}), "v=a%20b%2Bc%26d%3De%25f");
  // Names go out verbatim.
  EXPECT_EQ(queryString({{"a b", "1"}}), "a b=1");
  // Scalar-value order: "Z" < "a" < "é" (U+00E9) < "名" (U+540D).
  EXPECT_EQ(queryString({{"名", "1"}, {"é", "2"}, {"a", "3"}, {"Z", "4"}}), "Z=4&a=3&é=2&名=1");
}

TEST(QueryString, KeepsUnicodeLettersMarksAndNumbers) {
  struct Case {
    std::string_view value, encoded;
  };
  const Case cases[] = {
      {"Ärger", "Ärger"},          // Latin letter
      {"日本", "日本"},            // Han (Lo)
      {"e\xCC\x81", "e\xCC\x81"},  // e + combining acute (Mn)
      {"١٢٣", "١٢٣"},              // Arabic-Indic digits (Nd)
      {"²", "²"},                  // superscript two (No)
      {"Ⅻ", "Ⅻ"},                  // Roman numeral twelve (Nl)
      {"😀", "%F0%9F%98%80"},       // emoji (So)
      {"€", "%E2%82%AC"},          // currency sign (Sc)
      {"-_.~!*'();:@&=+$,/?#[]", "%2D%5F%2E%7E%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%23%5B%5D"},
      {std::string_view("a\0b", 3), "a%00b"},  // control characters too
  };
  for (const auto& c : cases)
    EXPECT_EQ(queryString({{"k", std::string(c.value)}}), "k=" + std::string(c.encoded));
}

TEST(QueryString, ReadsBackAsTheSameDictionary) {
  const QueryDictionary dictionaries[] = {
      {{"pickerVersion", "183"}, {"pickerIndex", "7"}},
      {{"k%", "100%"}, {"k+", "a+b"}},
      {{"émoji", "😀 & ümlaut = ²"}},
  };
  for (const auto& dictionary : dictionaries) {
    const auto text = queryString(dictionary);
    ASSERT_TRUE(text);
    EXPECT_EQ(queryDictionary(*text), dictionary) << *text;
  }
}

}  // namespace
}  // namespace rw

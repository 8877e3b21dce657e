#include "payload/query_string.h"

#include <gtest/gtest.h>

#include <limits>

#include "payload/color_encoded.h"
#include "platform/messages.h"
#include "support/test_support.h"

namespace rw {
namespace {

using rw::testing::capturedStdout;

// What `make` prints, and what it gives.
template <typename Make>
auto printedAnd(Make make) {
  std::optional<decltype(make())> result;
  const std::string printed = capturedStdout([&] { result = make(); });
  return std::pair(printed, *result);
}

TEST(QueryDictionary, ParsesPiecesOrFailsWithOneLineAndTextsReadBack) {
  const std::pair<std::string_view, QueryDictionary> cases[] = {
      {"", {}},
      {"&&&", {}},
      {"&a=1&&b=2&", {{"a", "1"}, {"b", "2"}}},
      {"a=1&a=2", {{"a", "2"}}},  // the last piece wins
      {"a=", {{"a", ""}}},
      {"a=b=c", {{"a", "b"}}},  // whatever follows a second "=" is dropped
      {"x=ab+cd", {{"x", "ab cd"}}},
      {"x=%2b%2B", {{"x", "++"}}},    // hex digits in either case
      {"a%20b=1", {{"a%20b", "1"}}},  // keys are neither "+"-replaced nor decoded
      {"x=%C3%A9t%C3%A9", {{"x", "été"}}},
      {"x=été", {{"x", "été"}}}};  // unencoded UTF-8 is taken as it is
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(printedAnd([&] { return queryDictionary(text); }),
              std::pair(std::string(), std::optional(expected)))
        << text;
  // One bad piece fails the text, pieces stored before it too; bytes that are no UTF-8 (or a surrogate or an
  // overlong form, encoded) are bad, and are escaped in the line.
  for (const std::string_view text :
       {"a", "=1", "a=100%", "a=%G1", "a=%1G", "a=1&b", "a=%FF", "a=%ED%A0%80", "a=%C0%AF", "\xFF=1"})
    EXPECT_EQ(printedAnd([&] { return queryDictionary(text); }),
              std::pair("queryDictionary: Invalid key-value pair in string: " + printable(text) + "\n",
                        std::optional<QueryDictionary>()));
  // Names go out verbatim and sorted by scalar value, values encoded but for Unicode letters, marks and
  // numbers; every text reads back as the dictionary it came from.
  const std::pair<QueryDictionary, std::string_view> encodings[] = {
      {{{"pickerVersion", "183"}, {"pickerIndex", "7"}}, "pickerIndex=7&pickerVersion=183"},
      {{}, ""},
      {{{"v", "1.0"}}, "v=1%2E0"},
      {{{"k%", "100%"}, {"k+", "a+b"}, {"a b", "1"}}, "a b=1&k%=100%25&k+=a%2Bb"},
      {{{"名", "1"}, {"é", "2"}, {"a", "3"}, {"Z", "4"}}, "Z=4&a=3&é=2&名=1"},
      {{{"k", "Ärger 日本 e\xCC\x81 ١٢٣ ² Ⅻ"}}, "k=Ärger%20日本%20e\xCC\x81%20١٢٣%20²%20Ⅻ"},  // L, M, N
      {{{"k", "😀€"}}, "k=%F0%9F%98%80%E2%82%AC"},
      {{{"k", "-_.~!*'();:@&=+$,/?#[]"}},
       "k=%2D%5F%2E%7E%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%23%5B%5D"},
      {{{"k", std::string("a\0b", 3)}}, "k=a%00b"},
  };
  for (const auto& [dictionary, encoded] : encodings) {
    EXPECT_EQ(queryString(dictionary), encoded);
    EXPECT_EQ(queryDictionary(encoded), dictionary) << encoded;
  }
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(ColorEncoded, FromRawValueFallsBackWithExactLines) {
  const std::string kVersion = "Invalid colorEncoded version\n", kIndex = "Invalid colorEncoded index\n";
  // Raw value, the index read, and the lines printed; the version is always the current one.
  const std::tuple<std::string_view, std::int64_t, std::string> cases[] = {
      {"pickerVersion=183&pickerIndex=12", 12, ""},
      {"pickerIndex=14&pickerVersion=183&other=x", 14, ""},  // other items are ignored
      {"pickerIndex=%2B5&pickerVersion=183", 5, ""},         // a decoded "+" sign is allowed
      {"pickerIndex=007&pickerVersion=183", 7, ""},
      {"pickerIndex=9223372036854775807&pickerVersion=183", kMax, ""},
      {"pickerIndex=-9223372036854775808&pickerVersion=183", kMin, ""},
      {"", 7, ""},
      {"word", 7,
       "queryDictionary: Invalid key-value pair in string: word\nError in ColorEncoded initializer: No "
       "dictionary\n"},
      {"pickerIndex=3&pickerVersion=182", 7, kVersion},
      {"pickerIndex=3&pickerVersion=183%20", 7, kVersion},
      {"pickerIndex=abc&pickerVersion=abc", 7, kVersion},  // the version is checked first
      {"pickerVersion=183", 7, kIndex},
      {"pickerIndex=abc&pickerVersion=183", 7, kIndex},
      {"pickerIndex=+5&pickerVersion=183", 7, kIndex},  // an unencoded "+" reads as a space
      {"pickerIndex=%2B%2D5&pickerVersion=183", 7, kIndex},
      {"pickerIndex=0x10&pickerVersion=183", 7, kIndex},
      {"pickerIndex=%D9%A1&pickerVersion=183", 7, kIndex},  // only the digits 0 to 9
      {"pickerIndex=9223372036854775808&pickerVersion=183", 7, kIndex},
      {"pickerIndex=-9223372036854775809&pickerVersion=183", 7, kIndex},
  };
  for (const auto& [raw, index, lines] : cases) {
    EXPECT_EQ(printedAnd([&] { return ColorEncoded::fromRawValue(raw); }),
              std::pair(lines, ColorEncoded{"183", index}))
        << raw;
  }
}

TEST(ColorEncoded, RawValueIsSortedQueryTextThatReadsBackAndAbsentIsTheDefault) {
  const auto raw = [](ColorEncoded color) { return printedAnd([&] { return color.rawValue(); }); };
  EXPECT_EQ(raw({"1.0", kMin}),
            std::pair(std::string(), std::string("pickerIndex=%2D9223372036854775808&pickerVersion=1%2E0")));
  for (const std::int64_t index : {std::int64_t{14}, kMax, kMin})
    EXPECT_EQ(ColorEncoded::fromRawValue(ColorEncoded{"183", index}.rawValue()),
              (ColorEncoded{"183", index}));
  // A version that is no UTF-8 cannot be put into a query text.
  EXPECT_EQ(
      raw({"\xFF", 7}),
      std::pair(std::string("Error in ColorEncoded.rawValue: Unable to build queryString\n"), std::string()));
  EXPECT_EQ(printedAnd([] { return ColorEncoded::fromRawValue(std::nullopt); }),
            std::pair(std::string(), ColorEncoded{"183", 7}));
  // Palette indices run from 0 to 14.
  EXPECT_EQ(paletteColorName(14), personPalette()[14]);
  for (const std::int64_t outside : {std::int64_t{15}, std::int64_t{-1}, kMin})
    EXPECT_FALSE(paletteColorName(outside)) << outside;
}

}  // namespace
}  // namespace rw

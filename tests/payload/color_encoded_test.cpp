#include "payload/color_encoded.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/test_support.h"

namespace rw {
namespace {

using rw::testing::capturedStdout;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(ColorEncoded, RawValueIsSortedQueryText) {
  struct Case {
    ColorEncoded color;
    std::string_view raw;
    std::string_view printed = "";
  };
  const Case cases[] = {
      {{"183", 7}, "pickerIndex=7&pickerVersion=183"},
      {{"183", kMin}, "pickerIndex=%2D9223372036854775808&pickerVersion=183"},
      {{"1.0", 2}, "pickerIndex=2&pickerVersion=1%2E0"},
      // A version that is no UTF-8 cannot be put into a query text.
      {{"\xFF", 7}, "", "Error in ColorEncoded.rawValue: Unable to build queryString\n"},
  };
  for (const auto& c : cases) {
    std::string raw = "unchanged";
    EXPECT_EQ(capturedStdout([&] { raw = c.color.rawValue(); }), c.printed);
    EXPECT_EQ(raw, c.raw);
  }
}

TEST(ColorEncoded, FromRawValueFallsBackWithExactLines) {
  const std::string kVersion = "Invalid colorEncoded version\n", kIndex = "Invalid colorEncoded index\n";
  struct Case {
    std::string_view raw;
    std::int64_t index;
    std::string printed;
  };
  const Case cases[] = {
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
  for (const auto& c : cases) {
    ColorEncoded color{"other", 99};
    const std::string printed = capturedStdout([&] { color = ColorEncoded::fromRawValue(c.raw); });
    EXPECT_EQ(color.version, "183") << c.raw;
    EXPECT_EQ(color.index, c.index) << c.raw;
    EXPECT_EQ(printed, c.printed) << c.raw;
  }
}

TEST(ColorEncoded, AbsentRawValueIsTheDefaultSilentlyAndRawValuesReadBack) {
  ColorEncoded color{"other", 99};
  EXPECT_EQ(capturedStdout([&] { color = ColorEncoded::fromRawValue(std::nullopt); }), "");
  EXPECT_EQ(color, (ColorEncoded{"183", 7}));
  EXPECT_EQ(paletteColorName(color.index), "PersonProfile.BlueCuracao");
  for (const std::int64_t index : {std::int64_t{14}, kMax, kMin})
    EXPECT_EQ(ColorEncoded::fromRawValue(ColorEncoded{"183", index}.rawValue()),
              (ColorEncoded{"183", index}));
}

TEST(Palette, NamesFifteenColoursByIndexFromZeroToFourteen) {
  ASSERT_EQ(personPalette().size(), 15u);
  EXPECT_EQ(paletteColorName(0), "PersonProfile.PorcelainRose");
  EXPECT_EQ(paletteColorName(14), "PersonProfile.PineGlade");
  for (const std::int64_t outside : {std::int64_t{-1}, std::int64_t{15}, kMin})
    EXPECT_FALSE(paletteColorName(outside)) << outside;
}

}  // namespace
}  // namespace rw

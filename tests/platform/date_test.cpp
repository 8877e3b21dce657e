#include "platform/date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace rw {
namespace {

TEST(Date, Rfc3339ReadsOffsetsAndFractionsAndRefusesMalformedText) {
  const auto date = parseRfc3339("2026-06-10T12:00:00.250Z");
  ASSERT_TRUE(date);
  EXPECT_EQ(formatRfc3339(*date), "2026-06-10T12:00:00.250Z");
  EXPECT_EQ(formatIso8601Seconds(*date), "2026-06-10T12:00:00Z");
  EXPECT_EQ(parseRfc3339("2001-01-01T00:00:00Z")->sinceReferenceDate, 0.0);  // the reference date
  EXPECT_EQ(parseRfc3339("2026-12-06T00:00:00-05:00"), parseRfc3339("2026-12-06T05:00:00Z"));
  EXPECT_EQ(parseRfc3339("2026-12-06T05:30:00+05:30"), parseRfc3339("2026-12-06T00:00:00Z"));
  EXPECT_EQ(formatRfc3339(Date::fromUnixSeconds(-0.0005)), "1969-12-31T23:59:59.999Z");  // rounds down
  EXPECT_TRUE(parseRfc3339("2024-02-29T00:00:00Z"));
  for (const char* text : {"", "2026-06-10", "2026-06-10T12:00:00", "2026-13-01T00:00:00Z",
                           "2026-02-29T00:00:00Z", "2026-06-10T24:00:00Z", "2026-06-10T12:00:00.Z",
                           "2026-06-10T12:00:00Zjunk", "0000-01-01T00:00:00Z", "2026-06-10T12:00:00+5:00"})
    EXPECT_FALSE(parseRfc3339(text)) << text;
}

TEST(Date, Rfc3339TextsOverTheWholeRangeReadBackToTheirInstant) {
  // Instants spread over the whole representable range: written with the fixed width of four-digit years,
  // read back to within the millisecond the text rounds down to, and written again the same.
  const double first = parseRfc3339("0001-01-01T00:00:00Z")->unixSeconds();
  const double end = parseRfc3339("9999-12-31T23:59:59.999Z")->unixSeconds();
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 20'000; ++i) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    const Date date =
        Date::fromUnixSeconds(first + (end - first) * static_cast<double>(state >> 11) / 0x1p53);
    const std::string text = formatRfc3339(date);
    ASSERT_EQ(text.size(), 24u) << text;
    const auto back = parseRfc3339(text);
    ASSERT_TRUE(back) << text;
    EXPECT_LT(std::abs(back->unixSeconds() - date.unixSeconds()), 0.002) << text;
    EXPECT_EQ(formatRfc3339(*back).substr(0, 19), text.substr(0, 19)) << text;
  }
}

TEST(Date, RepresentableRangeIsYearsOneToNineThousandNineHundredNinetyNine) {
  const Date first = *parseRfc3339("0001-01-01T00:00:00Z"), last = *parseRfc3339("9999-12-31T23:59:59Z");
  for (const Date date : {Date{0}, first, last})
    EXPECT_TRUE(isRepresentable(date)) << date.sinceReferenceDate;
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN(),
                   kInf = std::numeric_limits<double>::infinity();
  for (const Date date : {first.adding(-1), last.adding(1), Date{kNan}, Date{kInf}})
    EXPECT_FALSE(isRepresentable(date)) << date.sinceReferenceDate;
}

}  // namespace
}  // namespace rw

// Dates as the platform's date type holds them: any finite count of seconds since 2001-01-01, the
// "distant past" and "distant future" and years far beyond 9999 included, read from both file forms and
// written back; their texts read back to the very same value.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "payload/payload_coding.h"
#include "platform/date.h"
#include "platform/messages.h"
#include "sample_event.h"

namespace rw {
namespace {

constexpr double kDistantPast = -63'114'076'800.0;   // year 1 in the platform's calendar, 0000-12-30 here
constexpr double kDistantFuture = 63'113'904'000.0;  // 4001-01-01
const double kYear200000 = parseDateText("+200000-01-01T00:00:00Z")->sinceReferenceDate;

TEST(WideDates, TextsReadBackToTheSameValue) {
  EXPECT_EQ(formatDateText(Date{kDistantPast}), "0000-12-30T00:00:00.000Z");
  EXPECT_EQ(formatDateText(Date{kDistantFuture}), "4001-01-01T00:00:00.000Z");
  EXPECT_EQ(formatDateText(Date{kYear200000}), "+200000-01-01T00:00:00.000Z");
  EXPECT_EQ(formatDateText(*parseDateText("-000001-12-31T23:59:59Z")), "-000001-12-31T23:59:59.000Z");
  // Microseconds from a file come back as six decimals, not rounded to the millisecond.
  const Date micro = *parseDateText("2026-06-10T12:00:00.123456Z");
  EXPECT_EQ(formatDateText(micro), "2026-06-10T12:00:00.123456Z");
  EXPECT_EQ(formatRfc3339(micro), "2026-06-10T12:00:00.123Z");
  // Any finite value, however made, reads back bit for bit or is left to be written as a number.
  for (const double seconds : {0.1, -0.5, -31'536'000.123456, 802'785'600.000001, 1.5e-7, kDistantPast + 0.25,
                               3e16, -3e16, kYear200000 + 0.999999, 123456789.123456789}) {
    const auto text = formatDateText(Date{seconds});
    ASSERT_TRUE(text) << seconds;
    EXPECT_EQ(parseDateText(*text).value_or(Date{0}).sinceReferenceDate, seconds) << *text;
  }
  for (const double seconds :
       {1e300, -1e17, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(formatDateText(Date{seconds})) << seconds;
  for (const char* text : {"+123-06-10T00:00:00Z", "+1234567890-01-01T00:00:00Z", "2026-06-10T00:00:00",
                           "2026-02-30T00:00:00Z", "2026-06-10T00:00:00.Z"})
    EXPECT_FALSE(parseDateText(text)) << text;
}

TEST(WideDates, PayloadsCarryThemThroughBothFormsAndBack) {
  for (const double seconds : {kDistantPast, kDistantFuture, kYear200000, -kYear200000}) {
    const plist::Value payload = testing::samplePayload(
        {testing::sampleWith(testing::sampleEvent(), "plannedDateFrom", Date{seconds})});
    for (const auto format : {plist::Format::binary, plist::Format::xml}) {
      const auto file = plist::write(payload, format);
      ASSERT_TRUE(file) << seconds;
      const auto decoded = decodePayload(*file);
      ASSERT_TRUE(decoded) << seconds << " " << decoded.error().reason;
      EXPECT_EQ(decoded->events.at(0).plannedDateFrom.sinceReferenceDate, seconds);
      EXPECT_EQ(encodePayload(*decoded), payload) << seconds;
    }
  }
  // XML has whole seconds only, in the expanded form beyond 9999.
  const auto xml = plist::write(Date{kYear200000 + 0.5}, plist::Format::xml);
  ASSERT_TRUE(xml);
  EXPECT_NE(std::string(xml->begin(), xml->end()).find("<date>+200000-01-01T00:00:00Z</date>"),
            std::string::npos);
}

TEST(WideDates, NotANumberAndTheInfinitiesAreStillRefusedWithTheirPlace) {
  for (const double seconds :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()}) {
    const plist::Value payload =
        testing::samplePayload({testing::sampleWith(testing::sampleEvent(), "dateTo", Date{seconds})});
    const auto decoded = decodePayload(payload);
    ASSERT_FALSE(decoded) << seconds;
    EXPECT_EQ(decoded.error().where, "events[0].dateTo");
    EXPECT_FALSE(plist::write(payload, plist::Format::binary)) << seconds;
  }
}

TEST(CheckPayload, CollectsEveryFailureWithItsPathAndGoesOn) {
  plist::Dictionary broken = testing::sampleWith(testing::sampleEvent(), "status", std::string("Planned"));
  broken = testing::sampleWith(std::move(broken), "title", plist::Integer{5});
  std::erase_if(broken, [](const auto& entry) { return entry.first == "notes"; });
  const plist::Value payload = testing::samplePayload(
      {testing::sampleEvent(), broken,
       testing::sampleWith(testing::sampleEvent(), "actionURL",
                           plist::Dictionary{{"relative", std::string("b")},
                                             {"base", plist::Dictionary{{"relative", std::string("a b")}}}})},
      {testing::sampleWith(testing::samplePerson(), "type", std::string("Caregiver")), std::string("P2")});
  const auto failures = checkPayload(payload);
  const std::pair<std::string, std::string> expected[] = {
      {"events[1].status", R"("PLA" "CAN" "ACT" "UNS" "VIS" "RES" "")"},
      {"events[1].title", "expected a string, found an integer"},
      {"events[1].notes", "missing key, expected a string"},
      {"events[2].actionURL.base", ""},
      {"persons[0].type", ""},
      {"persons[1]", "expected a dictionary, found a string"}};
  ASSERT_EQ(failures.size(), std::size(expected));
  for (std::size_t i = 0; i < failures.size(); ++i) {
    EXPECT_EQ(failures[i].where, expected[i].first);
    EXPECT_NE(failures[i].reason.find(expected[i].second), std::string::npos) << failures[i].reason;
  }
  // The first of them is the one decoding stops at; a good payload has none.
  EXPECT_EQ(decodePayload(payload).error(), failures[0]);
  EXPECT_TRUE(checkPayload(testing::samplePayload({testing::sampleEvent()})).empty());
  EXPECT_EQ(checkPayload(plist::Value(plist::Array{})).at(0).reason, "expected a dictionary, found an array");
}

TEST(PrintableText, EscapesControlsAndBrokenBytesOnly) {
  EXPECT_EQ(printable("Zoë\\n €"), "Zoë\\n €");  // a backslash and non-ASCII text stay
  EXPECT_EQ(printable("a\nb\tc\r"), "a\\nb\\tc\\r");
  EXPECT_EQ(printable("\x1b]0;title\x07\x7f"), "\\x1b]0;title\\x07\\x7f");
  EXPECT_EQ(printable("\xc2\x9b"
                      "2J\xc2\xa0"),
            "\\u009B2J\xc2\xa0");  // C1 CSI escaped, no-break space kept
  EXPECT_EQ(printable("\xff\xc3"), "\\xff\\xc3");
  EXPECT_EQ(printable(std::string_view("a\0b", 3)), "a\\x00b");
}

}  // namespace
}  // namespace rw

// Dates as the platform's date type holds them (any finite count of seconds since 2001-01-01, years far
// beyond 9999 included) and relative URLs, read from both file forms and written back.
#include <gtest/gtest.h>

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

// The payloads read back from both forms of the sample payload whose event has `key` set to `value`;
// encoded again, each is the dictionary written.
std::vector<RemindersWidgetPayload> throughBothForms(std::string_view key, plist::Value value) {
  const plist::Value payload =
      testing::samplePayload({testing::sampleWith(testing::sampleEvent(), key, std::move(value))});
  std::vector<RemindersWidgetPayload> read;
  for (const auto format : {plist::Format::binary, plist::Format::xml}) {
    const auto file = plist::write(payload, format);
    auto decoded = decodePayload(file.value_or(std::vector<std::uint8_t>{}));
    EXPECT_TRUE(decoded) << key << " "
                         << (decoded ? "" : decoded.error().where + ": " + decoded.error().reason);
    if (!decoded) continue;
    EXPECT_EQ(encodePayload(*decoded), payload) << key;
    read.push_back(std::move(*decoded));
  }
  return read;
}

TEST(WideDates, PayloadsCarryThemThroughBothFormsAndBack) {
  for (const double seconds : {kDistantPast, kDistantFuture, kYear200000, -kYear200000})
    for (const auto& payload : throughBothForms("plannedDateFrom", Date{seconds}))
      EXPECT_EQ(payload.events.at(0).plannedDateFrom.sinceReferenceDate, seconds);
  // XML has whole seconds only, in the expanded form beyond 9999.
  const auto xml = plist::write(Date{kYear200000 + 0.5}, plist::Format::xml);
  ASSERT_TRUE(xml);
  EXPECT_NE(std::string(xml->begin(), xml->end()).find("<date>+200000-01-01T00:00:00Z</date>"),
            std::string::npos);
}

// Relative URLs as the host application's platform writes them, with and without a base.
TEST(RelativeURL, PayloadsCarryThemThroughBothFormsAndBack) {
  const plist::Dictionary withoutBase{{"relative", std::string("events/E1")}};
  const plist::Dictionary withRelativeBase{
      {"relative", std::string("E2?tab=receipt")},
      {"base", plist::Dictionary{{"relative", std::string("/expenses/")}}}};
  for (const auto& [url, resolved] :
       {std::pair{withoutBase, "events/E1"}, std::pair{withRelativeBase, "/expenses/E2?tab=receipt"}}) {
    const auto read = throughBothForms("actionURL", url);
    ASSERT_EQ(read.size(), 2u);
    for (const auto& payload : read) {
      ASSERT_NE(payload.events.at(0).actionURL, nullptr);
      EXPECT_EQ(payload.events.at(0).actionURL->absoluteString(), resolved);
    }
  }
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

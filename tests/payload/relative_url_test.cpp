// Relative URLs as the host application's platform writes them: with and without a base, through the
// property-list coding and back. (What a long one costs in memory: tests/app/long_link_test.cpp.)
#include <gtest/gtest.h>

#include <string>

#include "payload/payload_coding.h"
#include "platform/url.h"
#include "sample_event.h"

namespace rw {
namespace {

TEST(RelativeURL, StandsWithoutABaseAndHasNoScheme) {
  for (const std::string_view text : {"events/E1", "/path", "?q", "#top", "//host/path", "a/../b", "."}) {
    const auto url = URL::make(text);
    ASSERT_TRUE(url) << text;
    EXPECT_EQ(url->absoluteString(), text);
    EXPECT_EQ(url->scheme(), "") << text;
    EXPECT_FALSE(isOpenableLink(text)) << text;  // nothing to open without a scheme
  }
  // Still refused: what is no URI reference at all.
  for (const std::string_view text : {"", "a b", "%zz", "ev\nents", "x:y z", "1a:b"})
    EXPECT_FALSE(URL::make(text)) << text;
  // A ":" in a first segment makes it a scheme, which then counts.
  EXPECT_EQ(URL::make("mailto:x@example.org")->scheme(), "mailto");
  EXPECT_EQ(URL::make("/a:b")->scheme(), "");
}

TEST(RelativeURL, ResolvesAgainstABaseWithOrWithoutAScheme) {
  const auto absolute = URL::make("corvantis2://reminders/list/");
  EXPECT_EQ(URL::make("events/E1", absolute)->absoluteString(), "corvantis2://reminders/list/events/E1");
  EXPECT_EQ(URL::make("/path", absolute)->absoluteString(), "corvantis2://reminders/path");
  EXPECT_EQ(URL::make("?q", absolute)->absoluteString(), "corvantis2://reminders/list/?q");
  // A relative base gives a relative result, resolved by the same rules.
  const auto relative = URL::make("reminders/list/");
  EXPECT_EQ(URL::make("../events/E1?tab=2", relative)->absoluteString(), "reminders/events/E1?tab=2");
  EXPECT_EQ(URL::make("/top", relative)->absoluteString(), "/top");
  EXPECT_EQ(URL::make("https://example.org/x", relative)->absoluteString(), "https://example.org/x");
  EXPECT_EQ(URL::make("?q", URL::make("a/b?old"))->absoluteString(), "a/b?q");
  // A first segment with ":" coming out of the dots is kept a path, so the result reads back the same.
  const auto odd = URL::make("./b:c", URL::make("x"));
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->absoluteString(), "./b:c");
  EXPECT_EQ(URL::make(odd->absoluteString())->scheme(), "");
  // Nothing left of the path: the base's directory, never the empty text, which is no URL.
  EXPECT_EQ(URL::make(".", URL::make("page"))->absoluteString(), "./");
}

TEST(RelativeURL, PayloadsCarryThemThroughBothFormsAndBack) {
  const plist::Dictionary withoutBase{{"relative", std::string("events/E1")}};
  const plist::Dictionary withRelativeBase{
      {"relative", std::string("E2?tab=receipt")},
      {"base", plist::Dictionary{{"relative", std::string("/expenses/")}}}};
  for (const auto& [url, resolved] :
       {std::pair{withoutBase, "events/E1"}, std::pair{withRelativeBase, "/expenses/E2?tab=receipt"}}) {
    const plist::Value payload =
        testing::samplePayload({testing::sampleWith(testing::sampleEvent(), "actionURL", url)});
    for (const auto format : {plist::Format::binary, plist::Format::xml}) {
      const auto file = plist::write(payload, format);
      ASSERT_TRUE(file);
      const auto decoded = decodePayload(*file);
      ASSERT_TRUE(decoded) << decoded.error().where << ": " << decoded.error().reason;
      const URL* read = decoded->events.at(0).actionURL;
      ASSERT_NE(read, nullptr);
      EXPECT_EQ(read->absoluteString(), resolved);
      // Written again, the nested form is the one that was read.
      EXPECT_EQ(encodePayload(*decoded), payload) << resolved;
    }
  }
}

}  // namespace
}  // namespace rw

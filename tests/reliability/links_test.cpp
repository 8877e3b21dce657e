// Which links may be opened: a URL from the payload becomes something a person can follow only when it is
// an absolute URL whose scheme is one the program expects, in any case.
#include <gtest/gtest.h>

#include <string_view>

#include "platform/url.h"

namespace rw {
namespace {

TEST(OpenableLinks, OnlyAbsoluteURLsOfTheExpectedSchemes) {
  for (const std::string_view text :
       {"corvantis2://reminders", "corvantis2://reminders/expenses/E2?tab=receipt", "CORVANTIS2://reminders",
        "https://example.org/a?b=c#d", "HTTPS://EXAMPLE.ORG/", "http://example.org", "mailto:ann@example.org",
        "MailTo:ann@example.org?subject=Care%20plan", "tel:+48123456789", "corvantis2:"})
    EXPECT_TRUE(isOpenableLink(text)) << text;
  for (const std::string_view text :
       {"javascript:alert(1)", "JavaScript:alert(document.cookie)", "data:text/html;base64,PHNjcmlwdD4=",
        "file:///etc/passwd", "vbscript:msgbox", "ftp://example.org/x", "sms:+48123", "corvantis:reminders",
        "corvantis22://reminders", "xhttps://example.org", "http+unix://x", "https", "tel", "about:blank"})
    EXPECT_FALSE(isOpenableLink(text)) << text;
  // Relative references would resolve against whatever page shows them; spaces, control characters,
  // quotes or angle brackets could hide the real scheme or break out of an attribute.
  for (const std::string_view text :
       {"", "reminders/E1", "/etc/passwd", "//evil.example/x", " https://example.org", "https://example.org ",
        "https://example.org/\n", "java\tscript:alert(1)", "https://example.org/\"><script>",
        "https://a.org/<b>", "https:\\\\example.org", "https://exämple.org", "\xEF\xBB\xBFhttps://x.org"})
    EXPECT_FALSE(isOpenableLink(text)) << text;
  EXPECT_FALSE(isOpenableLink(std::string_view("https://example.org/\0javascript:x", 33)));
}

}  // namespace
}  // namespace rw

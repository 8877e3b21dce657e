#include "platform/url.h"

#include <gtest/gtest.h>
#include <uriparser/Uri.h>

#include <random>
#include <string>

namespace rw {
namespace {

TEST(URL, AbsoluteTextsAreKeptAsWritten) {
  for (const std::string_view text :
       {"corvantis2://reminders", "https://example.org/a/b?c=d&e=%20#frag", "mailto:someone@example.org",
        "HTTPS://Example.org/", "urn:isbn:0451450523", "http://[::1]:8080/x", "corvantis2:"}) {
    const auto url = URL::make(text);
    ASSERT_TRUE(url) << text;
    EXPECT_EQ(url->relativeString(), text);
    EXPECT_EQ(url->absoluteString(), text);
    EXPECT_EQ(url->baseURL(), nullptr);
  }
  EXPECT_EQ(URL::make("HTTPS://Example.org/")->scheme(), "https");
  EXPECT_EQ(URL::make("corvantis2://reminders")->scheme(), "corvantis2");
}

TEST(URL, RefusesTextsThatAreNoURL) {
  for (const std::string_view text :
       {"", "no scheme", "https://example.org/a b", "https://exa mple.org", "https://example.org/\n",
        "https://example.org/\x01", "https://example.org/%zz", "https://example.org/é", "https://[::1/",
        "1http://x", ":nothing", "http://example.org/<>"})
    EXPECT_FALSE(URL::make(text)) << text;
  EXPECT_FALSE(URL::make(std::string_view("https://example.org/\0x", 21)));
}

// Texts built from the pieces links are made of, and from the characters that make a text no URI or a URI
// of an unusual shape (ports, users, IP literals, stray brackets and percent signs, spaces, bytes outside
// ASCII), are URLs exactly when the RFC 3986 parser takes them as a URI with a scheme.
TEST(URL, TakesExactlyTheAbsoluteURIsOfRFC3986) {
  const std::vector<std::string> pieces{
      "corvantis2", "https", "a",        "A1+-.", "1x",          "",          ":",    ":",
      "//",         "/",     "/",        "?",     "#",           "@",         "[",    "]",
      "::1",        "%",     "%4",       "%41",   "%zz",         "%e2%82%ac", "host", "example.org",
      ":8080",      ":x",    "user:pw@", "-._~",  "!$&'()*+,;=", " ",         "\t",   "\x7f",
      "\xc3\xa9",   "<",     ">",        "\"",    "{",           "|",         "^",    "`",
      "reminders",  "event", "0123"};
  std::mt19937 random(3986);
  int accepted = 0;
  for (int round = 0; round < 40'000; ++round) {
    std::string text;
    // Mostly a scheme and a colon first, as links have; sometimes anything.
    if (random() % 4 != 0) text = pieces[random() % 5] + ":";
    const int count = static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i)
      text += pieces[random() % pieces.size()];
    UriUriA uri{};
    const char* errorPos = nullptr;
    const bool parsed =
        uriParseSingleUriExA(&uri, text.data(), text.data() + text.size(), &errorPos) == URI_SUCCESS;
    const bool expected = !text.empty() && parsed && uri.scheme.first != nullptr;
    if (parsed) uriFreeUriMembersA(&uri);
    const auto url = URL::make(text);
    ASSERT_EQ(url.has_value(), expected) << text;
    if (url) {
      EXPECT_EQ(url->absoluteString(), text);
      ++accepted;
    }
  }
  EXPECT_GT(accepted, 5'000);  // the shapes of real links were among them
}

TEST(URL, RelativeTextNeedsABase) {
  EXPECT_FALSE(URL::make("reminders/42"));
  EXPECT_FALSE(URL::make("//host/path"));
  EXPECT_FALSE(URL::make("?q=1"));
}

TEST(URL, ResolvesAgainstItsBase) {
  const auto base = URL::make("https://example.org/a/b/c?q=1");
  ASSERT_TRUE(base);
  struct Case {
    std::string_view relative, absolute;
  };
  const Case cases[] = {
      {"d", "https://example.org/a/b/d"},
      {"../d", "https://example.org/a/d"},
      {"/d", "https://example.org/d"},
      {"?x=2", "https://example.org/a/b/c?x=2"},
      {"#top", "https://example.org/a/b/c?q=1#top"},
      {"//other.org/p", "https://other.org/p"},
      {"corvantis2://reminders/7", "corvantis2://reminders/7"},
  };
  for (const auto& c : cases) {
    const auto url = URL::make(c.relative, base);
    ASSERT_TRUE(url) << c.relative;
    EXPECT_EQ(url->absoluteString(), c.absolute) << c.relative;
    EXPECT_EQ(url->relativeString(), c.relative);
    ASSERT_NE(url->baseURL(), nullptr);
    EXPECT_EQ(*url->baseURL(), *base);
  }
  EXPECT_FALSE(URL::make("a b", base));
  EXPECT_FALSE(URL::make("", base));
}

TEST(URL, BaseChainsResolveInTurn) {
  const auto root = URL::make("https://example.org/x/");
  const auto middle = URL::make("y/", root);
  ASSERT_TRUE(middle);
  EXPECT_EQ(middle->absoluteString(), "https://example.org/x/y/");
  const auto leaf = URL::make("z?k=v", middle);
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->absoluteString(), "https://example.org/x/y/z?k=v");
  EXPECT_EQ(leaf->baseURL()->baseURL()->relativeString(), "https://example.org/x/");
}

TEST(URL, EqualityComparesTextAndBase) {
  const auto base = URL::make("https://example.org/a/");
  const auto otherBase = URL::make("https://example.org/a/?");
  EXPECT_EQ(URL::make("b", base), URL::make("b", URL::make("https://example.org/a/")));
  // Same place, different forms: not equal.
  EXPECT_NE(URL::make("b", base), URL::make("https://example.org/a/b"));
  EXPECT_NE(URL::make("b", base), URL::make("b", otherBase));
  EXPECT_NE(URL::make("HTTPS://example.org/a/b"), URL::make("https://example.org/a/b"));
  // Copies are equal and independent values.
  const auto url = URL::make("b", base);
  const URL copy = *url;
  EXPECT_EQ(copy, *url);
}

}  // namespace
}  // namespace rw

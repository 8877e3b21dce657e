#include "platform/url.h"

#include <gtest/gtest.h>
#include <uriparser/Uri.h>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace rw {
namespace {

TEST(URL, KeepsTheTextAsWrittenWithItsBase) {
  for (const std::string_view text : {"corvantis2://reminders", "https://example.org/a/b?c=d&e=%20#frag",
                                      "HTTPS://Example.org/", "http://[::1]:8080/x", "corvantis2:"}) {
    const auto url = URL::make(text);
    ASSERT_TRUE(url) << text;
    EXPECT_EQ(url->relativeString(), text);
    EXPECT_EQ(url->absoluteString(), text);
    EXPECT_EQ(url->baseURL(), nullptr);
  }
  EXPECT_EQ(URL::make("HTTPS://Example.org/")->scheme(), "https");
  EXPECT_FALSE(URL::make(std::string_view("https://example.org/\0x", 21)));
  // A relative text keeps its base: chains of bases resolve in turn.
  const auto root = URL::make("https://example.org/x/");
  const auto leaf = URL::make("z?k=v", URL::make("y/", root));
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->absoluteString(), "https://example.org/x/y/z?k=v");
  EXPECT_EQ(leaf->relativeString(), "z?k=v");
  EXPECT_EQ(leaf->baseURL()->relativeString(), "y/");
  EXPECT_EQ(*leaf->baseURL()->baseURL(), *root);
  EXPECT_FALSE(URL::make("a b", root));
  EXPECT_FALSE(URL::make("", root));
  // Equal: the same text on an equal base; the same place written differently is another URL.
  EXPECT_EQ(URL::make("b", root), URL::make("b", URL::make("https://example.org/x/")));
  EXPECT_NE(URL::make("b", root), URL::make("https://example.org/x/b"));
  EXPECT_NE(URL::make("b", root), URL::make("b", URL::make("https://example.org/x/?")));
  EXPECT_NE(URL::make("HTTPS://example.org/a/b"), URL::make("https://example.org/a/b"));
}

// Texts built from the pieces links are made of, and from the characters that make a text no URI or a URI
// of an unusual shape (ports, users, IP literals, stray brackets and percent signs, spaces, bytes outside
// ASCII), are URLs exactly when the RFC 3986 parser takes them as a URI reference.
TEST(URL, TakesExactlyTheURIReferencesOfRFC3986) {
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
    const bool expected = !text.empty() && parsed;
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

// What uriparser makes of `text` against `base`: the absolute form, or nothing when either does not parse
// or `base` has no scheme.
std::optional<std::string> resolvedByUriparser(const std::string& text, const std::string& base) {
  UriUriA reference{}, baseUri{}, resolved{};
  const char* errorPos = nullptr;
  std::optional<std::string> out;
  const bool referenceParsed =
      uriParseSingleUriExA(&reference, text.data(), text.data() + text.size(), &errorPos) == URI_SUCCESS;
  const bool baseParsed =
      uriParseSingleUriExA(&baseUri, base.data(), base.data() + base.size(), &errorPos) == URI_SUCCESS;
  if (referenceParsed && baseParsed && baseUri.scheme.first != nullptr &&
      uriAddBaseUriExA(&resolved, &reference, &baseUri, URI_RESOLVE_STRICTLY) == URI_SUCCESS) {
    int required = 0;
    if (uriToStringCharsRequiredA(&resolved, &required) == URI_SUCCESS) {
      std::string buffer(static_cast<std::size_t>(required) + 1, '\0');
      if (uriToStringA(buffer.data(), &resolved, required + 1, nullptr) == URI_SUCCESS) {
        buffer.resize(static_cast<std::size_t>(required));
        out = std::move(buffer);
      }
    }
    uriFreeUriMembersA(&resolved);
  }
  if (referenceParsed) uriFreeUriMembersA(&reference);
  if (baseParsed) uriFreeUriMembersA(&baseUri);
  return out;
}

// References and bases of every shape (authorities with users, ports, empty hosts and IP literals; paths
// absolute, rootless and empty, dot segments anywhere; queries and fragments; colons in first segments;
// stray characters) resolve to what uriparser makes of them, and are refused exactly where it refuses
// them. Paths have no empty segments here: for those the two differ (below).
TEST(URL, ResolvesAsTheRFC3986ParserDoes) {
  const std::vector<std::string> schemes{"https:", "corvantis2:", "urn:", "a:", ""};
  const std::vector<std::string> authorities{
      "//", "//host", "//user:pw@host:80", "//h:", "//[v1.x:y]", "//127.0.0.1:8080", "//%41b", ""};
  const std::vector<std::string> segments{"a",    "b:c", ".", "..", ".", "..", "g.", ".g", "%2F",
                                          ";x=1", "~",   "@", ":",  "%", " ",  "[",  "é"};
  const std::vector<std::string> ends{"", "", "?q", "?", "#f", "#", "?q#f", "?a/../b:c"};
  std::mt19937 random(5224);
  const auto some = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  const auto path = [&] {
    std::string text = random() % 2 == 0 ? "/" : "";
    for (int i = static_cast<int>(random() % 5); i > 0; --i)
      text += some(segments) + (i > 1 || random() % 3 == 0 ? "/" : "");
    return text + some(ends);
  };
  int resolved = 0;
  const auto compare = [&](const std::string& text, const std::string& baseText) {
    const auto base = URL::make(baseText);
    if (!base || text.empty() || base->scheme().empty()) return;  // uriparser resolves against URIs only
    const auto expected = resolvedByUriparser(text, baseText);
    const auto url = URL::make(text, base);
    ASSERT_EQ(url.has_value(), expected.has_value()) << text << " against " << baseText;
    if (!url) return;
    ASSERT_EQ(url->relativeString(), text);
    // For a path of only "/" and no authority, uriparser writes "/./" (below).
    const std::string& absolute = url->absoluteString();
    const auto colon = absolute.find(':');
    if (absolute.compare(colon, 2, ":/") == 0 &&
        *expected == absolute.substr(0, colon + 1) + "/." + absolute.substr(colon + 1))
      return;
    EXPECT_EQ(absolute, *expected) << text << " against " << baseText;
    ++resolved;
  };
  // Every example of RFC 3986 5.4, and links against a web base.
  for (const char* text :
       {"g:h",    "g",         "./g",      "//g",           "?y",    "g?y#s", ";x", ".",   "./",
        "..",     "../g",      "../..",    "../../../../g", "/./g",  "/../g", "g.", "..g", "./g/.",
        "g/../h", "g;x=1/./y", "g?y/../x", "g#s/../x",      "http:g"}) {
    compare(text, "http://a/b/c/d;p?q");
    compare(text, "https://example.org/a/b/c?q=1");
  }
  for (int round = 0; round < 40'000; ++round) {
    const std::string baseText = some(schemes) + some(authorities) + path();
    std::string text =
        (random() % 4 == 0 ? some(schemes) : "") + (random() % 4 == 0 ? some(authorities) : "");
    compare(text + path(), baseText);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(resolved, 8'000);
}

// The host uriparser reads in `text`, or nothing when the text has no authority or does not parse.
std::optional<std::string> hostReadIn(const std::string& text) {
  UriUriA uri{};
  const char* errorPos = nullptr;
  if (uriParseSingleUriExA(&uri, text.data(), text.data() + text.size(), &errorPos) != URI_SUCCESS)
    return std::nullopt;
  std::optional<std::string> host;
  if (uri.hostText.first != nullptr) host = std::string(uri.hostText.first, uri.hostText.afterLast);
  uriFreeUriMembersA(&uri);
  return host;
}

// Where a resolved path starts with an empty segment, uriparser writes "/." before it even after an
// authority, and sometimes writes "//" without one, which reads back as an authority. Here "/." comes
// only where it is needed: a resolved URL reads back with the authority it was resolved to.
TEST(URL, AResolvedPathNeverReadsAsAnAuthority) {
  const auto noAuthority = URL::make("a:/b/c");
  ASSERT_TRUE(noAuthority);
  EXPECT_EQ(URL::make("..//x?q", noAuthority)->absoluteString(), "a:/.//x?q");
  EXPECT_EQ(URL::make("/..//", noAuthority)->absoluteString(), "a:/.//");
  const auto withAuthority = URL::make("https://host/b/c");
  ASSERT_TRUE(withAuthority);
  EXPECT_EQ(URL::make("..//x", withAuthority)->absoluteString(), "https://host//x");
  for (const std::string_view text : {"..//x", "/..//", ".///", "..///y/..", "a:..//b", "a:/..//b"}) {
    const auto withNone = URL::make(text, noAuthority);
    ASSERT_TRUE(withNone) << text;
    EXPECT_EQ(hostReadIn(withNone->absoluteString()), std::nullopt) << withNone->absoluteString();
    if (text.substr(0, 2) == "a:") continue;
    const auto withHost = URL::make(text, withAuthority);
    ASSERT_TRUE(withHost) << text;
    EXPECT_EQ(hostReadIn(withHost->absoluteString()), "host") << withHost->absoluteString();
  }
}

// uriparser writes an IPv6 host back in full ("[0000:...:0001]"); a resolved URL keeps it as written.
TEST(URL, KeepsAnIPv6HostAsWritten) {
  const auto base = URL::make("http://[::1]:8080/a/b");
  ASSERT_TRUE(base);
  EXPECT_EQ(URL::make("../c?d", base)->absoluteString(), "http://[::1]:8080/c?d");
  for (const std::string_view host : {"[::]", "[1:2:3:4:5:6:7:8]", "[::ffff:10.0.0.1]"})
    EXPECT_TRUE(URL::make("http://" + std::string(host) + "/")) << host;
  for (const std::string_view host : {"[1:2:3:4:5:6:7]", "[1:2:3:4:5:6:7:8:9]", "[1::2::3]", "[:1]",
                                      "[12345::]", "[::1.2.3.256]", "[::01.2.3.4]", "[g::]", "[v1.]"})
    EXPECT_FALSE(URL::make("http://" + std::string(host) + "/")) << host;
}

}  // namespace
}  // namespace rw

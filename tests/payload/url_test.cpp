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

// RFC 3986 5.4: every example of resolving against "http://a/b/c/d;p?q".
TEST(URL, ResolvesTheExamplesOfRFC3986) {
  const auto base = URL::make("http://a/b/c/d;p?q");
  ASSERT_TRUE(base);
  const std::pair<std::string_view, std::string_view> examples[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g#s", "http://a/b/c/g#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"g;x?y#s", "http://a/b/c/g;x?y#s"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
      {"http:g", "http:g"},
  };
  for (const auto& [relative, absolute] : examples) {
    const auto url = URL::make(relative, base);
    ASSERT_TRUE(url) << relative;
    EXPECT_EQ(url->absoluteString(), absolute) << relative;
  }
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
  for (int round = 0; round < 40'000; ++round) {
    const std::string baseText = some(schemes) + some(authorities) + path();
    std::string text =
        (random() % 4 == 0 ? some(schemes) : "") + (random() % 4 == 0 ? some(authorities) : "");
    text += path();
    const auto base = URL::make(baseText);
    if (!base || text.empty()) continue;
    const auto expected = resolvedByUriparser(text, baseText);
    const auto url = URL::make(text, base);
    ASSERT_EQ(url.has_value(), expected.has_value()) << text << " against " << baseText;
    if (!url) continue;
    // For a path of only "/" and no authority, uriparser writes "/./" (below).
    const std::string& absolute = url->absoluteString();
    const auto colon = absolute.find(':');
    if (absolute.compare(colon, 2, ":/") == 0 &&
        *expected == absolute.substr(0, colon + 1) + "/." + absolute.substr(colon + 1))
      continue;
    EXPECT_EQ(absolute, *expected) << text << " against " << baseText;
    ++resolved;
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
  for (const std::string_view host : {"[::]", "[1:2:3:4:5:6:7:8]", "[::ffff:10.0.0.1]", "[1::]", "[a::b:c]"})
    EXPECT_TRUE(URL::make("http://" + std::string(host) + "/")) << host;
  for (const std::string_view host :
       {"[1:2:3:4:5:6:7]", "[1:2:3:4:5:6:7:8:9]", "[1::2::3]", "[:1]", "[1:]", "[12345::]", "[::1.2.3.256]",
        "[::01.2.3.4]", "[g::]", "[v.x]", "[v1.]"})
    EXPECT_FALSE(URL::make("http://" + std::string(host) + "/")) << host;
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

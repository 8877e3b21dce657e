#include "platform/url.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "platform/link_parts.h"

namespace rw {
namespace {

// Character classes of RFC 3986, one bit each, looked up by byte.
enum CharClass : std::uint8_t {
  kAlpha = 1,
  kDigit = 2,
  kHexDigit = 4,
  kHostChar = 8,     // unreserved or sub-delims: what a host name (reg-name) is made of
  kPathChar = 16,    // pchar and "/": a host character, ":", "@" or "/"
  kQueryChar = 32,   // a path character or "?"
  kSchemeChar = 64,  // after a scheme's first letter: a letter, a digit, "+", "-" or "."
  kUserChar = 128,   // a host character or ":", what the user information before "@" is made of
};
constexpr std::array<std::uint8_t, 256> kCharClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  const auto add = [&](std::string_view chars, std::uint8_t bits) {
    for (const char c : chars)
      classes[static_cast<unsigned char>(c)] |= bits;
  };
  const std::string_view alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz",
                         digits = "0123456789";
  constexpr std::uint8_t kAllPlain = kHostChar | kUserChar | kPathChar | kQueryChar;
  add(alpha, kAlpha | kSchemeChar | kAllPlain);
  add(digits, kDigit | kHexDigit | kSchemeChar | kAllPlain);
  add("+-.", kSchemeChar);
  add("ABCDEFabcdef", kHexDigit);
  add("-._~!$&'()*+,;=", kAllPlain);
  add(":@/", kPathChar | kQueryChar);
  add(":", kUserChar);
  add("?", kQueryChar);
  return classes;
}();
constexpr bool is(char c, std::uint8_t charClass) {
  return (kCharClasses[static_cast<unsigned char>(c)] & charClass) != 0;
}

// Where the run of characters of `charClass` and percent escapes ("%" and two hex digits) that starts at
// `i` in `text` ends: the first other character, or the end; npos for a malformed escape. None of the
// classes holds "%".
std::size_t endOfRun(std::string_view text, std::size_t i, std::uint8_t charClass) {
  const std::size_t n = text.size();
  for (;;) {
    while (i < n && is(text[i], charClass))
      ++i;
    if (i == n || text[i] != '%') return i;
    if (n - i < 3 || !is(text[i + 1], kHexDigit) || !is(text[i + 2], kHexDigit))
      return std::string_view::npos;
    i += 3;
  }
}

// Whether every character of `text` is of `charClass` or part of a percent escape.
bool isMadeOf(std::string_view text, std::uint8_t charClass) {
  return endOfRun(text, 0, charClass) == text.size();
}

// The length of the scheme `text` starts with (a letter, then letters, digits, "+", "-" or "."), when a
// ":" follows it; otherwise 0.
std::size_t schemeLength(std::string_view text) {
  if (text.empty() || !is(text[0], kAlpha)) return 0;
  std::size_t i = 1;
  while (i < text.size() && is(text[i], kSchemeChar))
    ++i;
  return i < text.size() && text[i] == ':' ? i : 0;
}

// Whether every character of `text` is of `charClass` (no escapes).
bool isAll(std::string_view text, std::uint8_t charClass) {
  return std::all_of(text.begin(), text.end(), [=](char c) { return is(c, charClass); });
}

// RFC 3986 "IPv4address": four decimal octets, none above 255 and none with a leading zero.
bool isIPv4Address(std::string_view text) {
  for (int octet = 0; octet < 4; ++octet) {
    if (octet > 0) {
      if (text.empty() || text[0] != '.') return false;
      text.remove_prefix(1);
    }
    std::size_t digits = 0;
    while (digits < text.size() && is(text[digits], kDigit))
      ++digits;
    if (digits == 0 || digits > 3 || (digits > 1 && text[0] == '0')) return false;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i)
      value = value * 10 + (text[i] - '0');
    if (value > 255) return false;
    text.remove_prefix(digits);
  }
  return text.empty();
}

// RFC 3986 "IPv6address": eight groups of one to four hex digits separated by ":", the last two of which
// may be an IPv4 address, and at most one "::" standing for one or more groups of zeros.
bool isIPv6Address(std::string_view text) {
  int groups = 0;
  bool compressed = false;
  if (text.substr(0, 2) == "::") {
    compressed = true;
    text.remove_prefix(2);
  }
  while (!text.empty()) {
    std::size_t digits = 0;
    while (digits < text.size() && is(text[digits], kHexDigit))
      ++digits;
    if (digits < text.size() && text[digits] == '.') {
      // An IPv4 address ends the text and counts as two groups.
      if (!isIPv4Address(text)) return false;
      groups += 2;
      break;
    }
    if (digits == 0 || digits > 4) return false;
    ++groups;
    text.remove_prefix(digits);
    if (text.empty()) break;
    if (text[0] != ':') return false;
    if (text.substr(0, 2) == "::") {
      if (compressed) return false;
      compressed = true;
      text.remove_prefix(2);
    } else {
      text.remove_prefix(1);
      if (text.empty()) return false;  // a single ":" at the end
    }
  }
  return compressed ? groups <= 7 : groups == 8;
}

// RFC 3986 "authority": [ userinfo "@" ] host [ ":" port ], where the host is an IP literal in brackets
// (an IPv6 address, or "v", a version in hex, "." and a text), or a registered name (which an IPv4 address
// is too).
bool isAuthority(std::string_view text) {
  if (const auto at = text.find('@'); at != std::string_view::npos) {
    if (!isMadeOf(text.substr(0, at), kUserChar)) return false;
    text.remove_prefix(at + 1);
  }
  std::string_view port;
  if (!text.empty() && text[0] == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos) return false;
    const std::string_view literal = text.substr(1, close - 1);
    if (!literal.empty() && (literal[0] == 'v' || literal[0] == 'V')) {
      const auto dot = literal.find('.');
      if (dot == std::string_view::npos || dot == 1 || dot + 1 == literal.size()) return false;
      const std::string_view version = literal.substr(1, dot - 1), rest = literal.substr(dot + 1);
      if (!isAll(version, kHexDigit) || !isAll(rest, kUserChar)) return false;
    } else if (!isIPv6Address(literal)) {
      return false;
    }
    text.remove_prefix(close + 1);
    if (!text.empty()) {
      if (text[0] != ':') return false;
      port = text.substr(1);
    }
  } else {
    const auto colon = text.find(':');
    if (!isMadeOf(text.substr(0, colon), kHostChar)) return false;
    if (colon != std::string_view::npos) port = text.substr(colon + 1);
  }
  return isAll(port, kDigit);
}

// The five components of an RFC 3986 URI reference, as views into its text. The path is always there,
// perhaps empty; any other component may be absent, or present and empty ("https://example.org/?" has an
// empty query).
struct UriParts {
  std::optional<std::string_view> scheme, authority;
  std::string_view path;
  std::optional<std::string_view> query, fragment;
};

// The parts of `text` when the whole of it is an RFC 3986 "URI-reference", otherwise nothing.
std::optional<UriParts> parseReference(std::string_view text) {
  UriParts parts;
  std::string_view rest = text;
  // A relative reference can never start like a scheme, as its first segment holds no ":".
  if (const std::size_t length = schemeLength(rest); length > 0) {
    parts.scheme = rest.substr(0, length);
    rest.remove_prefix(length + 1);
  }
  if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
    parts.fragment = rest.substr(hash + 1);
    rest = rest.substr(0, hash);
  }
  if (const auto question = rest.find('?'); question != std::string_view::npos) {
    parts.query = rest.substr(question + 1);
    rest = rest.substr(0, question);
  }
  if (rest.substr(0, 2) == "//") {
    const auto slash = rest.find('/', 2);
    parts.authority = rest.substr(2, slash == std::string_view::npos ? std::string_view::npos : slash - 2);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  parts.path = rest;

  if (parts.authority && !isAuthority(*parts.authority)) return std::nullopt;
  if (!isMadeOf(parts.path, kPathChar)) return std::nullopt;
  // A relative path without a scheme before it may not hold a ":" in its first segment.
  if (!parts.scheme && !parts.authority &&
      parts.path.substr(0, parts.path.find('/')).find(':') != std::string_view::npos)
    return std::nullopt;
  if (parts.query && !isMadeOf(*parts.query, kQueryChar)) return std::nullopt;
  if (parts.fragment && !isMadeOf(*parts.fragment, kQueryChar)) return std::nullopt;
  return parts;
}

// RFC 3986 5.2.4: the path with its "." and ".." segments applied. A path without a leading "/" stays
// without one, as with uriparser ("a/../b" is "b"; the RFC's steps would make it "/b").
std::string removeDotSegments(std::string_view path) {
  const bool rootless = !path.empty() && path[0] != '/';
  std::string rooted;
  if (rootless) rooted = "/" + std::string(path);
  std::string_view input = rootless ? std::string_view(rooted) : path;
  std::string output;
  output.reserve(input.size());
  const auto dropLastSegment = [&] {
    const auto slash = output.rfind('/');
    output.erase(slash == std::string::npos ? 0 : slash);
  };
  // Rooted, the input always starts with "/" (or is empty), so the RFC's steps for a leading "../", "./",
  // "." or ".." never apply.
  while (!input.empty()) {
    if (input.substr(0, 3) == "/./") {
      input.remove_prefix(2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.substr(0, 4) == "/../") {
      input.remove_prefix(3);
      dropLastSegment();
    } else if (input == "/..") {
      input = "/";
      dropLastSegment();
    } else {
      const auto end = input.find('/', 1);
      output += input.substr(0, end);
      input = end == std::string_view::npos ? std::string_view() : input.substr(end);
    }
  }
  if (rootless && !output.empty()) output.erase(0, 1);
  return output;
}

// RFC 3986 5.2.2, strictly (a reference with a scheme stands on its own, even the base's scheme), and
// 5.3: `reference` resolved against `base`. A base without a scheme gives a result without one, itself a
// relative reference.
std::string resolve(const UriParts& reference, const UriParts& base) {
  std::optional<std::string_view> scheme = base.scheme;
  std::optional<std::string_view> authority = base.authority, query = reference.query;
  std::string path;
  if (reference.scheme) {
    scheme = *reference.scheme;
    authority = reference.authority;
    path = removeDotSegments(reference.path);
  } else if (reference.authority) {
    authority = reference.authority;
    path = removeDotSegments(reference.path);
  } else if (reference.path.empty()) {
    path = base.path;
    if (!query) query = base.query;
  } else if (reference.path[0] == '/') {
    path = removeDotSegments(reference.path);
  } else {
    // Merged with the base's path: after its last "/", or after a "/" the base's authority implies.
    std::string merged;
    if (base.authority && base.path.empty()) {
      merged = "/";
    } else if (const auto slash = base.path.rfind('/'); slash != std::string_view::npos) {
      merged = base.path.substr(0, slash + 1);
    }
    merged += reference.path;
    path = removeDotSegments(merged);
  }

  std::string out;
  if (scheme) {
    out = *scheme;
    out += ':';
  } else if (!authority && path.substr(0, path.find('/')).find(':') != std::string::npos) {
    // Without a scheme, a ":" in the first segment would be read back as one: "./" keeps it a path.
    out = "./";
  }
  if (authority) {
    out += "//";
    out += *authority;
  } else if (path.substr(0, 2) == "//") {
    // Without an authority, a path starting with "//" would be read back as one: "/." keeps it a path.
    out += "/.";
  }
  out += path;
  if (query) {
    out += '?';
    out += *query;
  }
  if (reference.fragment) {
    out += '#';
    out += *reference.fragment;
  }
  // A relative result that came out empty ("." against "a") is the base's directory; the empty text would
  // be no URL, so it is written "./".
  if (out.empty()) out = "./";
  return out;
}

// Whether `text` is an absolute URI of the plain shape links have in practice: a scheme, optionally "//"
// and a host name (no user, port or IP literal), then path, query and fragment characters, percent escapes
// well formed. Every text it accepts is an RFC 3986 URI; it may say no to URIs that are valid, which then
// go to the full parser. This spares the parser's cost for the many links of a large payload.
bool isPlainAbsoluteURI(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = schemeLength(text);
  if (i == 0) return false;
  ++i;
  // Moves past a run of `charClass` (see `endOfRun`); false for a malformed escape. None of the classes
  // holds "#" or, but for queries, "?".
  const auto run = [&](std::uint8_t charClass) {
    i = endOfRun(text, i, charClass);
    return i != std::string_view::npos;
  };
  const auto at = [&](char c) { return i < n && text[i] == c; };
  if (text.substr(i, 2) == "//") {
    i += 2;
    if (!run(kHostChar) || !(i == n || at('/') || at('?') || at('#'))) return false;
  }
  if (!run(kPathChar) || !(i == n || at('?') || at('#'))) return false;
  if (at('?')) {
    ++i;
    if (!run(kQueryChar) || !(i == n || at('#'))) return false;
  }
  if (at('#')) {
    ++i;
    if (!run(kQueryChar)) return false;
  }
  return i == n;
}

}  // namespace

std::optional<URL> URL::make(std::string_view text, std::optional<URL> base) {
  // An empty text would "resolve" to its base; like the platform, it is not taken as a URL.
  if (text.empty()) return std::nullopt;
  URL url;
  if (!base && isPlainAbsoluteURI(text)) {
    url.parts_ = std::make_shared<const Parts>(Parts{std::string(text), {}, nullptr});
    return url;
  }
  const auto reference = parseReference(text);
  if (!reference) return std::nullopt;
  if (!base) {
    url.parts_ = std::make_shared<const Parts>(Parts{std::string(text), {}, nullptr});
    return url;
  }
  const auto baseParts = parseReference(base->absoluteString());
  if (!baseParts) return std::nullopt;
  url.parts_ = std::make_shared<const Parts>(Parts{std::string(text), resolve(*reference, *baseParts),
                                                   std::make_shared<const URL>(std::move(*base))});
  return url;
}

std::string URL::scheme() const {
  // A resolved form with a scheme starts with it; a relative reference's first segment holds no ":".
  const std::string& absolute = absoluteString();
  std::string scheme = absolute.substr(0, schemeLength(absolute));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme;
}

bool operator==(const URL& a, const URL& b) {
  if (a.parts_ == b.parts_) return true;
  if (a.parts_->relative != b.parts_->relative) return false;
  const URL *x = a.baseURL(), *y = b.baseURL();
  return x == nullptr || y == nullptr ? x == y : x == y || *x == *y;
}

bool isOpenableLink(std::string_view text) {
  const auto url = URL::make(text);
  if (!url) return false;
  const std::string scheme = url->scheme();
  return std::find(kOpenableLinkSchemes.begin(), kOpenableLinkSchemes.end(), scheme) !=
             kOpenableLinkSchemes.end() &&
         hasOpenableParts(scheme, text);
}

}  // namespace rw

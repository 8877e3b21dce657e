#include "platform/url.h"

#include <uriparser/Uri.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

namespace rw {
namespace {

// Owns one parsed uriparser URI and frees it once.
class ParsedUri {
 public:
  ParsedUri() = default;
  ~ParsedUri() {
    if (owned_) uriFreeUriMembersA(&uri_);
  }
  ParsedUri(const ParsedUri&) = delete;
  ParsedUri& operator=(const ParsedUri&) = delete;

  // RFC 3986 "URI-reference": the whole text must parse, so spaces, control characters, bytes outside
  // ASCII and malformed percent escapes all fail.
  bool parse(std::string_view text) {
    const char* errorPos = nullptr;
    if (uriParseSingleUriExA(&uri_, text.data(), text.data() + text.size(), &errorPos) != URI_SUCCESS)
      return false;
    owned_ = true;
    return true;
  }

  UriUriA* get() { return &uri_; }
  bool hasScheme() const { return uri_.scheme.first != nullptr; }
  void markOwned() { owned_ = true; }

  std::optional<std::string> toString() const {
    int required = 0;
    if (uriToStringCharsRequiredA(&uri_, &required) != URI_SUCCESS) return std::nullopt;
    std::string out(static_cast<size_t>(required) + 1, '\0');
    int written = 0;
    if (uriToStringA(out.data(), &uri_, required + 1, &written) != URI_SUCCESS) return std::nullopt;
    out.resize(static_cast<size_t>(required));
    return out;
  }

 private:
  UriUriA uri_{};
  bool owned_ = false;
};

// Character classes of RFC 3986, one bit each, looked up by byte.
enum CharClass : std::uint8_t {
  kAlpha = 1,
  kDigit = 2,
  kHexDigit = 4,
  kHostChar = 8,     // unreserved or sub-delims: what a host name (reg-name) is made of
  kPathChar = 16,    // pchar and "/": a host character, ":", "@" or "/"
  kQueryChar = 32,   // a path character or "?"
  kSchemeChar = 64,  // after a scheme's first letter: a letter, a digit, "+", "-" or "."
};
constexpr std::array<std::uint8_t, 256> kCharClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  const auto add = [&](std::string_view chars, std::uint8_t bits) {
    for (const char c : chars)
      classes[static_cast<unsigned char>(c)] |= bits;
  };
  const std::string_view alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz",
                         digits = "0123456789";
  constexpr std::uint8_t kAllPlain = kHostChar | kPathChar | kQueryChar;
  add(alpha, kAlpha | kSchemeChar | kAllPlain);
  add(digits, kDigit | kHexDigit | kSchemeChar | kAllPlain);
  add("+-.", kSchemeChar);
  add("ABCDEFabcdef", kHexDigit);
  add("-._~!$&'()*+,;=", kAllPlain);
  add(":@/", kPathChar | kQueryChar);
  add("?", kQueryChar);
  return classes;
}();
constexpr bool is(char c, std::uint8_t charClass) {
  return (kCharClasses[static_cast<unsigned char>(c)] & charClass) != 0;
}

// Whether `text` is an absolute URI of the plain shape links have in practice: a scheme, optionally "//"
// and a host name (no user, port or IP literal), then path, query and fragment characters, percent escapes
// well formed. Every text it accepts is an RFC 3986 URI; it may say no to URIs that are valid, which then
// go to the full parser. This spares the parser's cost for the many links of a large payload.
bool isPlainAbsoluteURI(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0 || !is(text[0], kAlpha)) return false;
  std::size_t i = 1;
  while (i < n && is(text[i], kSchemeChar))
    ++i;
  if (i == n || text[i] != ':') return false;
  ++i;
  // Moves past characters of `charClass` and percent escapes, up to the first other character (or the
  // end); false for a malformed escape. None of the classes holds "%", "#" or, but for queries, "?".
  const auto run = [&](std::uint8_t charClass) {
    for (;;) {
      while (i < n && is(text[i], charClass))
        ++i;
      if (i == n || text[i] != '%') return true;
      if (n - i < 3 || !is(text[i + 1], kHexDigit) || !is(text[i + 2], kHexDigit)) return false;
      i += 3;
    }
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
    url.relative_ = std::string(text);
    return url;
  }
  ParsedUri reference;
  if (!reference.parse(text)) return std::nullopt;

  url.relative_ = std::string(text);
  if (!base) return reference.hasScheme() ? std::optional<URL>(std::move(url)) : std::nullopt;

  ParsedUri baseUri;
  if (!baseUri.parse(base->absoluteString()) || !baseUri.hasScheme()) return std::nullopt;
  ParsedUri resolved;
  if (uriAddBaseUriExA(resolved.get(), reference.get(), baseUri.get(), URI_RESOLVE_STRICTLY) != URI_SUCCESS)
    return std::nullopt;
  resolved.markOwned();
  auto absolute = resolved.toString();
  if (!absolute) return std::nullopt;
  url.absolute_ = std::move(*absolute);
  url.base_ = std::make_shared<const URL>(std::move(*base));
  return url;
}

std::string URL::scheme() const {
  // The absolute form always starts with a valid scheme, which ends at the first ":".
  const std::string& absolute = absoluteString();
  const size_t colon = absolute.find(':');
  std::string scheme = colon == std::string::npos ? std::string() : absolute.substr(0, colon);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return scheme;
}

bool operator==(const URL& a, const URL& b) {
  if (a.relative_ != b.relative_) return false;
  if (!a.base_ || !b.base_) return !a.base_ && !b.base_;
  return a.base_ == b.base_ || *a.base_ == *b.base_;
}

bool isOpenableLink(std::string_view text) {
  const auto url = URL::make(text);
  if (!url) return false;
  const std::string scheme = url->scheme();
  return std::find(kOpenableLinkSchemes.begin(), kOpenableLinkSchemes.end(), scheme) !=
         kOpenableLinkSchemes.end();
}

}  // namespace rw

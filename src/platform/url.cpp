#include "platform/url.h"

#include <uriparser/Uri.h>

#include <algorithm>
#include <cctype>

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

}  // namespace

std::optional<URL> URL::make(std::string_view text, std::optional<URL> base) {
  // An empty text would "resolve" to its base; like the platform, it is not taken as a URL.
  if (text.empty()) return std::nullopt;
  ParsedUri reference;
  if (!reference.parse(text)) return std::nullopt;

  URL url;
  url.relative_ = std::string(text);
  if (!base) {
    if (!reference.hasScheme()) return std::nullopt;
    url.absolute_ = url.relative_;
    return url;
  }

  ParsedUri baseUri;
  if (!baseUri.parse(base->absolute_) || !baseUri.hasScheme()) return std::nullopt;
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
  // `absolute_` always starts with a valid scheme, which ends at the first ":".
  const size_t colon = absolute_.find(':');
  std::string scheme = colon == std::string::npos ? std::string() : absolute_.substr(0, colon);
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

// URL::make on arbitrary bytes, held to uriparser: the input's first line is a base, the rest a reference.
//
// - The reference alone is a URL exactly when uriparser reads it as a URI reference (relative ones too).
// - Against a base that is a URL, it resolves exactly when uriparser reads it as a URI reference, to a text
//   that is a URL again. Against a base with a scheme, that text has the host uriparser's resolution has (or
//   none where it has none); against a relative base (which uriparser does not resolve against), it has no
//   scheme unless the reference has one.
#include <uriparser/Uri.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/url.h"

namespace {

// Owns what uriparser parsed or resolved into it.
struct Uri {
  UriUriA uri{};
  bool owned = false;
  Uri() = default;
  Uri(const Uri&) = delete;
  Uri& operator=(const Uri&) = delete;
  ~Uri() {
    if (owned) uriFreeUriMembersA(&uri);
  }
  bool parse(std::string_view text) {
    const char* errorPos = nullptr;
    owned = uriParseSingleUriExA(&uri, text.data(), text.data() + text.size(), &errorPos) == URI_SUCCESS;
    return owned;
  }
  std::optional<std::string> host() const {
    if (uri.hostText.first == nullptr) return std::nullopt;
    return std::string(uri.hostText.first, uri.hostText.afterLast);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto newline = input.find('\n');
  const std::string_view baseText = input.substr(0, newline);
  const std::string_view text =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  Uri alone;
  const bool parsed = alone.parse(text);
  if (rw::URL::make(text).has_value() != (parsed && !text.empty())) __builtin_trap();

  auto base = rw::URL::make(baseText);
  if (!base || text.empty()) return 0;
  Uri baseUri;
  if (!baseUri.parse(base->absoluteString())) __builtin_trap();
  const auto url = rw::URL::make(text, base);
  if (url.has_value() != parsed) __builtin_trap();
  if (!url) return 0;
  if (!rw::URL::make(url->absoluteString())) __builtin_trap();
  if (base->scheme().empty()) {
    if (url->scheme().empty() != (alone.uri.scheme.first == nullptr)) __builtin_trap();
    return 0;
  }

  Uri resolved;
  if (uriAddBaseUriExA(&resolved.uri, &alone.uri, &baseUri.uri, URI_RESOLVE_STRICTLY) != URI_SUCCESS)
    __builtin_trap();
  resolved.owned = true;
  Uri reread;
  if (!reread.parse(url->absoluteString()) || reread.host() != resolved.host()) __builtin_trap();
  return 0;
}

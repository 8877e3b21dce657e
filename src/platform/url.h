// URLs as the payload carries them: a text, possibly relative to a base URL.
//
// Parsing and resolution follow RFC 3986. The reader is our own, held to uriparser's answers by the tests
// and a fuzz target: the request executable is linked statically, and Debian ships uriparser only as a
// shared library. A URL keeps the text it was made from and its base, so writing it back gives the same
// nested form that was read.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rw {

class URL {
 public:
  /// A URL from `text`, resolved against `base` when one is given. Nothing when `text` is no URL
  /// reference. A relative reference without a base ("events/E1", "/path", "?q") is a URL too, as on the
  /// platform: it has no scheme, and resolved against nothing it stays as written. Against a base that has
  /// no scheme either, the result is again relative.
  /// The whole text must be an RFC 3986 URI reference: the empty text, spaces, control characters,
  /// characters outside ASCII and "%" without two hex digits make no URL (they must come percent-encoded).
  static std::optional<URL> make(std::string_view text, std::optional<URL> base = std::nullopt);

  /// The text the URL was made from.
  const std::string& relativeString() const { return parts_->relative; }
  /// The base the text was made relative to, if any.
  const URL* baseURL() const { return parts_->base.get(); }
  /// The resolved form: absolute when the text or a base has a scheme, otherwise a relative reference.
  const std::string& absoluteString() const { return parts_->base ? parts_->absolute : parts_->relative; }
  /// The scheme in lower case ("https", "corvantis2"), empty when there is none (a relative reference).
  std::string scheme() const;

  friend bool operator==(const URL& a, const URL& b);

 private:
  struct Parts {
    std::string relative;
    std::string absolute;  // set only with a base: without one, the text is the absolute form
    std::shared_ptr<const URL> base;
  };
  // Immutable, so sharing keeps value semantics: a copy of a URL (every reminder of every entry of a
  // timeline holds one) costs a reference count, not the text, which may be megabytes long.
  std::shared_ptr<const Parts> parts_;
};

/// The schemes of the links this program lets anything open on the user's behalf: its own app
/// ("corvantis2"), web pages, mail and phone calls. Links come from the payload, which another program
/// writes; "file:", "javascript:", "data:" and every other scheme are shown as text, never opened.
inline constexpr std::array<std::string_view, 5> kOpenableLinkSchemes = {"corvantis2", "https", "http",
                                                                         "mailto", "tel"};

/// True when `text` is an absolute URL (as `URL::make` takes it, so without spaces, control characters or
/// bytes outside ASCII) whose scheme, in any case, is one of `kOpenableLinkSchemes`, and whose other parts
/// are what that scheme's links may hold (`hasOpenableParts`, platform/link_parts.h). The one check for
/// every place that turns a URL into something a person can follow.
[[nodiscard]] bool isOpenableLink(std::string_view text);

}  // namespace rw

// What a link of an openable scheme may hold beyond its scheme (`isOpenableLink`, platform/url.h).
//
// Links come from the payload, which another program writes, and are handed to whatever the desktop
// opens for their scheme. A mail link that attaches a file, a web link whose visible start is a user name
// ("https://bank.example@evil.example/"), a web link without a host ("http:javascript:...") or a phone
// link that carries parameters for the dialler would do more than the person following it expects, so:
//  - http, https: "//", a host (letters, digits, dots and hyphens, or an IP literal in brackets), an
//    optional port of digits, then any path, query and fragment; no user information ("@") in the
//    authority;
//  - mailto: one address (a local part and a domain, nothing percent-encoded) and optionally the fields
//    "subject" and "body", in any case, each at most once; no other field (attach, cc, bcc, to...), no
//    second address, no fragment;
//  - tel: a number: an optional "+", then digits and the visual separators "-", ".", "(" and ")", with
//    at least one digit; no parameters (";phone-context=...", ";ext="), query or fragment;
//  - corvantis2 (the app's own links): anything a URL may hold.
#pragma once

#include <string_view>

namespace rw {

/// Whether `url`, an absolute URL of the openable scheme `scheme` (lower case), holds only what that
/// scheme's links may hold, as above. False for any other scheme.
[[nodiscard]] bool hasOpenableParts(std::string_view scheme, std::string_view url);

}  // namespace rw

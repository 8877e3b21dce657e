#include "platform/link_parts.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace rw {

namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isLetterOrDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename Predicate>
bool all(std::string_view text, Predicate allowed) {
  return std::all_of(text.begin(), text.end(), allowed);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Letters, digits, hyphens and dots, without an empty label ("a..b", ".a", "a.").
bool isDomainName(std::string_view host) {
  if (host.empty() || host.front() == '.' || host.back() == '.' || host.find("..") != std::string_view::npos)
    return false;
  return all(host, [](char c) { return isLetterOrDigit(c) || c == '-' || c == '.'; });
}

// A registered name or "[" IPv6 "]" (hex digits, colons and dots), then ":" and digits, possibly none.
bool isHostAndPort(std::string_view authority) {
  std::string_view host = authority;
  std::string_view port;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return false;
    const std::string_view literal = authority.substr(1, close - 1);
    if (literal.empty() || !all(literal, [](char c) { return isHexDigit(c) || c == ':' || c == '.'; }))
      return false;
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return false;
    port = rest.empty() ? rest : rest.substr(1);
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
    if (!isDomainName(host)) return false;
  }
  return port.size() <= 5 && all(port, isDigit);
}

bool isWebLink(std::string_view rest) {
  if (!rest.starts_with("//")) return false;  // "http:javascript:...", "https:/path": no authority
  rest.remove_prefix(2);
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  // User information would show a name where a reader looks for the host.
  if (authority.find('@') != std::string_view::npos) return false;
  return isHostAndPort(authority);
}

bool isMailLink(std::string_view rest) {
  if (rest.find('#') != std::string_view::npos) return false;
  const auto question = rest.find('?');
  const std::string_view address = rest.substr(0, question);
  const auto at = address.find('@');
  if (at == std::string_view::npos || at == 0) return false;
  const std::string_view local = address.substr(0, at);
  if (!all(local, [](char c) {
        return isLetterOrDigit(c) || std::string_view(".!$&'*+-=_~").find(c) != std::string_view::npos;
      }))
    return false;
  if (!isDomainName(address.substr(at + 1))) return false;

  if (question == std::string_view::npos) return true;
  std::string_view query = rest.substr(question + 1);
  bool subject = false;
  bool body = false;
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view field = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (amp != std::string_view::npos && query.empty()) return false;  // a trailing "&"
    const auto equals = field.find('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view name = field.substr(0, equals);
    bool& seen = equalsIgnoringCase(name, "subject") ? subject : body;
    if ((!equalsIgnoringCase(name, "subject") && !equalsIgnoringCase(name, "body")) || seen) return false;
    seen = true;
  }
  return true;
}

bool isPhoneLink(std::string_view rest) {
  if (rest.starts_with('+')) rest.remove_prefix(1);
  return std::any_of(rest.begin(), rest.end(), isDigit) &&
         all(rest, [](char c) { return isDigit(c) || c == '-' || c == '.' || c == '(' || c == ')'; });
}

}  // namespace

bool hasOpenableParts(std::string_view scheme, std::string_view url) {
  const auto colon = url.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view rest = url.substr(colon + 1);
  if (scheme == "http" || scheme == "https") return isWebLink(rest);
  if (scheme == "mailto") return isMailLink(rest);
  if (scheme == "tel") return isPhoneLink(rest);
  return scheme == "corvantis2";
}

}  // namespace rw

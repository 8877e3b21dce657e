#include "payload/query_string.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "platform/messages.h"

namespace rw {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Letters, marks and numbers: the platform's "alphanumerics" set. Numbers include every N* category (Nd,
// Nl, No), so "²" or "Ⅻ" stay as they are, like the decimal digits of any script.
bool isAlphanumeric(UChar32 c) {
  return (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

// Stores one piece "key=value[=ignored...]" in `into`; false when the piece is invalid.
bool readPiece(std::string_view piece, QueryDictionary& into) {
  const size_t equals = piece.find('=');
  if (equals == std::string_view::npos || equals == 0) return false;
  const std::string_view key = piece.substr(0, equals);
  // The key is kept as written, but a dictionary of texts cannot hold bytes that are no UTF-8.
  if (!isValidUtf8(key)) return false;
  std::string_view value = piece.substr(equals + 1);
  if (const size_t second = value.find('='); second != std::string_view::npos)
    value = value.substr(0, second);

  std::string spaced(value);
  for (char& c : spaced)
    if (c == '+') c = ' ';
  auto decoded = removingPercentEncoding(spaced);
  if (!decoded) return false;
  into.insert_or_assign(std::string(key), std::move(*decoded));
  return true;
}

}  // namespace

bool isValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const size_t length = text.size();
  size_t i = 0;
  while (i < length) {
    if (bytes[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::optional<std::string> removingPercentEncoding(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;  // fewer than two characters follow
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  if (!isValidUtf8(out)) return std::nullopt;
  return out;
}

std::optional<std::string> percentEncodeAlphanumerics(std::string_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const size_t length = text.size();
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < length) {
    const size_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return std::nullopt;
    if (isAlphanumeric(c)) {
      out.append(text.substr(start, i - start));
      continue;
    }
    for (size_t b = start; b < i; ++b) {
      out.push_back('%');
      out.push_back(kHexDigits[bytes[b] >> 4]);
      out.push_back(kHexDigits[bytes[b] & 0xF]);
    }
  }
  return out;
}

std::optional<QueryDictionary> queryDictionary(std::string_view text) {
  QueryDictionary result;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view piece = text.substr(start, end - start);
    if (!piece.empty() && !readPiece(piece, result)) {
      std::string line = "queryDictionary: Invalid key-value pair in string: ";
      line.append(text);
      printLine(line);
      return std::nullopt;
    }
    start = end + 1;
  }
  return result;
}

std::optional<std::string> queryString(const QueryDictionary& pairs) {
  std::string out;
  bool first = true;
  for (const auto& [key, value] : pairs) {
    if (!isValidUtf8(key)) return std::nullopt;
    auto encoded = percentEncodeAlphanumerics(value);
    if (!encoded) return std::nullopt;
    if (!first) out.push_back('&');
    first = false;
    out.append(key).append("=").append(*encoded);
  }
  return out;
}

}  // namespace rw

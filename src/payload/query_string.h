// Query texts: "name=value" pieces joined by "&", the form a person's colour travels in.
//
// Names are taken verbatim in both directions. Values are percent-encoded on writing (everything except
// Unicode letters, marks and numbers becomes "%XX" per UTF-8 byte, upper-case hex) and, on reading, "+"
// stands for a space before percent decoding. Both directions treat texts as UTF-8.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace rw {

/// A query dictionary: at most one value per name. `std::map` keeps the names in byte order, which for
/// UTF-8 is the order of their Unicode scalar values.
using QueryDictionary = std::map<std::string, std::string>;

/// Parses a query text. Empty pieces (from "", "&", "a=1&&b=2") are skipped, so the empty text gives the
/// empty dictionary. A piece needs a non-empty name and an "=", and a value that decodes ("%" followed by two
/// hex digits, bytes that form UTF-8); anything after a second "=" in a piece is dropped, and a name that
/// repeats keeps its last value. A name that is not UTF-8 makes its piece invalid as well. On the first
/// invalid piece, prints "queryDictionary: Invalid key-value pair in string: " + `text` and returns nothing.
[[nodiscard]] std::optional<QueryDictionary> queryDictionary(std::string_view text);

/// Writes `pairs` sorted by name as "name=encodedValue" joined by "&" (the empty text for no pairs). Nothing
/// when a name or a value is not UTF-8. Names are not encoded, so a name holding "&" or "=", or an empty
/// name, gives a text that does not read back as the same dictionary; names from `queryDictionary` never do.
[[nodiscard]] std::optional<std::string> queryString(const QueryDictionary& pairs);

/// Percent-encodes `text`, keeping only Unicode letters, marks and numbers (general categories L*, M*, N*);
/// nothing when `text` is not UTF-8.
[[nodiscard]] std::optional<std::string> percentEncodeAlphanumerics(std::string_view text);

/// Replaces each "%" and two hex digits by its byte; nothing for a malformed escape or when the result is
/// not UTF-8. ("+" is not touched here; `queryDictionary` replaces it first.)
[[nodiscard]] std::optional<std::string> removingPercentEncoding(std::string_view text);

/// True when `text` is well-formed UTF-8 (no surrogates, no overlong forms, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

}  // namespace rw

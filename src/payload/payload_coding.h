// Property-list coding of the payload records.
//
// Decoding reads one dictionary per record, the keys in field order; the first failure stops everything and
// there is no partial result. Keys a record does not know are passed over at every level. Enumerations are
// read and written as their raw-value texts (records.h), `colorEncoded` as its raw value (which never fails
// to decode, see ColorEncoded), dates as property-list dates, and `actionURL` as the nested dictionary
// {"relative": text, "base": the same form}, "base" only for a URL that has one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "payload/plist.h"
#include "payload/records.h"

namespace rw {

/// Either the payload or the first failure met while decoding it; the failure's `where` is the coding
/// path, the keys and array positions from the root ("events[3].status"), empty for the root itself.
using PayloadDecoding = Result<RemindersWidgetPayload>;

/// Decodes a payload from its property-list value. Fails on a missing required key, a value of the wrong
/// type (a number or a string where a date belongs included), an enumeration text that is no raw value, a
/// date outside the representable range, or an `actionURL` that does not form a URL. Prints nothing itself;
/// only `ColorEncoded` prints, for an unusable colour text.
[[nodiscard]] PayloadDecoding decodePayload(const plist::Value& root);

/// Every failure `decodePayload(root)` could meet, in file order, not only the first: decoding goes on past a
/// value it cannot use, each such value's failure with its coding path. Empty when the payload decodes. A
/// missing key says what it must hold, an enumeration text which raw values there are. Like decoding, it
/// prints only what `ColorEncoded` prints for an unusable colour text.
[[nodiscard]] std::vector<Failure> checkPayload(const plist::Value& root);

/// Decodes the payload from the bytes of a property-list file of either form. The payload keeps the bytes
/// (its storage adopts them) and its events' texts may be views into them.
[[nodiscard]] PayloadDecoding decodePayload(ByteBuffer&& bytes);

/// `decodePayload` of a copy of `bytes`.
[[nodiscard]] PayloadDecoding decodePayload(std::span<const std::uint8_t> bytes);

/// The property-list value of `payload`: keys in field order, `actionURL` only when present, the empty text
/// as the status of a permanently deleted event.
[[nodiscard]] plist::Value encodePayload(const RemindersWidgetPayload& payload);

/// `encodePayload` written in `format`; nothing when the writer cannot hold a value (a date outside the
/// representable range).
[[nodiscard]] std::optional<std::vector<std::uint8_t>> writePayload(const RemindersWidgetPayload& payload,
                                                                    plist::Format format);

}  // namespace rw

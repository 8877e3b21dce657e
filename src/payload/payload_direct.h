// Decoding the payload straight from the file's bytes into the records, without a property-list tree.
//
// These readers cover the files the host application writes: the known keys, each once, with values of
// the expected types. Whatever else they meet (an unknown or repeated key, a URL with a base, a wrong type,
// an XML construct beyond plain elements and text, any malformation) makes them give up, and the caller
// decodes through the property-list tree, which is the authority on every error. So they never accept a
// file the tree path refuses, and what they accept decodes to the same records (a differential test and a
// fuzz target hold them to that).
#pragma once

#include <cstdint>
#include <span>

#include "payload/records.h"

namespace rw::detail {

/// Decodes a binary property list ("bplist00"). ASCII texts are views into `bytes`, which must live as long
/// as `payload.storage`; other texts, lists and URLs go into that storage. False when the file needs the
/// tree path; `payload` is then unusable.
[[nodiscard]] bool decodeBinaryPayloadDirectly(std::span<const std::uint8_t> bytes,
                                               RemindersWidgetPayload& payload);

/// Decodes an XML property list in UTF-8. Texts without character references are views into `bytes`, with
/// the same lifetime rule. False when the file needs the tree path.
[[nodiscard]] bool decodeXmlPayloadDirectly(std::span<const std::uint8_t> bytes,
                                            RemindersWidgetPayload& payload);

}  // namespace rw::detail

// Decoding the payload straight from the file's bytes into the records, without a property-list tree.
//
// These readers cover the files the host application writes: the known keys, each once, with values of
// the expected types. Whatever else they meet (an unknown or repeated key, a URL with a base, a wrong type,
// an XML construct beyond plain elements and text, any malformation) makes them give up, and the caller
// decodes through the property-list tree, which is the authority on every error. So they never accept a
// file the tree path refuses, and what they accept decodes to the same records (a differential test and a
// fuzz target hold them to that).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "payload/fields.h"
#include "payload/records.h"

namespace rw::detail {

/// The keys of the payload root; the records' keys are their fields' (fields.h).
constexpr std::array<std::string_view, 2> kPayloadKeys{"events", "persons"};

/// Gives each of the payload's persons its colour from `colours`, the colour texts in person order. The
/// direct readers call it only once a whole file is taken: reading a colour may print a line about it, which
/// must not happen twice when the tree path decodes a file a direct reader gave up on.
inline void setColours(RemindersWidgetPayload& payload, std::span<const std::string_view> colours) {
  for (std::size_t i = 0; i < colours.size(); ++i)
    payload.persons[i].colorEncoded = ColorEncoded::fromRawValue(colours[i]);
}

/// How many threads may share the events of a binary file: one for every `minimumEvents` events, at most
/// `count` (the calling thread included). They take pieces of a quarter of `minimumEvents` events in turn.
/// The default is one thread.
struct DecodingThreads {
  unsigned count = 1;
  std::uint64_t minimumEvents = 4096;
};

/// The threads `decodePayload` uses: as many as the machine has cores, at most four.
DecodingThreads decodingThreadsOfThisMachine();

/// Decodes a binary property list ("bplist00"). ASCII texts are views into `bytes`, which must live as long
/// as `payload.storage`; other texts, lists and URLs go into that storage. False when the file needs the
/// tree path; `payload` is then unusable. On success `viewed`, when given, is set to the length of the
/// start of `bytes` that texts may point into (everything before the offset table). The answer does not
/// depend on `threads`.
[[nodiscard]] bool decodeBinaryPayloadDirectly(std::span<const std::uint8_t> bytes,
                                               RemindersWidgetPayload& payload, std::size_t* viewed = nullptr,
                                               DecodingThreads threads = {});

/// Decodes an XML property list in UTF-8. Texts without character references are views into `bytes`, with
/// the same lifetime rule. False when the file needs the tree path.
[[nodiscard]] bool decodeXmlPayloadDirectly(std::span<const std::uint8_t> bytes,
                                            RemindersWidgetPayload& payload);

}  // namespace rw::detail

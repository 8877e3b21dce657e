// The direct payload readers against the property-list tree: whatever a direct reader accepts, the tree
// must accept too and decode to the same records. Inputs of either form (the binary magic decides).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "payload/payload_coding.h"
#include "payload/payload_direct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  rw::RemindersWidgetPayload direct;
  direct.storage = std::make_shared<rw::PayloadStorage>();
  const bool binary = size >= 8 && std::equal(data, data + 8, "bplist00");
  // Threads share the events of every file with a few: what they make together must be the tree's answer too.
  const bool accepted = binary ? rw::detail::decodeBinaryPayloadDirectly(bytes, direct, nullptr, {3, 2})
                               : rw::detail::decodeXmlPayloadDirectly(bytes, direct);
  if (!accepted) return 0;
  const auto parsed = rw::plist::parse(bytes);
  if (!parsed) __builtin_trap();
  const auto tree = rw::decodePayload(*parsed);
  if (!tree || tree->events != direct.events || tree->persons != direct.persons) __builtin_trap();
  return 0;
}

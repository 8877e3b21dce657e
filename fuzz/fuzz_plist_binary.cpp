// Binary property lists: any input either fails cleanly or reads as a value that writes and reads back
// equal. The XML form of that value, when it can be written, must read back too.
#include <cstddef>
#include <cstdint>
#include <span>

#include "payload/plist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rw::plist;
  const auto read = parseBinary(std::span(data, size));
  if (!read) return 0;

  const auto binary = write(*read, Format::binary);
  if (!binary) __builtin_trap();  // everything the reader accepts must be writable
  const auto again = parseBinary(*binary);
  if (!again || !(*again == *read)) __builtin_trap();

  // XML drops fractions of dates and cannot hold UIDs or control characters, so only check that what it
  // writes is readable.
  if (const auto xml = write(*read, Format::xml); xml && !parseXml(*xml)) __builtin_trap();
  return 0;
}

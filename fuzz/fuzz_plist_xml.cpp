// XML property lists: any input either fails cleanly or reads as a value that writes and reads back equal,
// in the XML form and in the binary form.
#include <cstddef>
#include <cstdint>
#include <span>

#include "payload/plist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rw::plist;
  const auto read = parseXml(std::span(data, size));
  if (!read) return 0;

  for (const Format format : {Format::xml, Format::binary}) {
    const auto written = write(*read, format);
    if (!written) __builtin_trap();  // everything read from XML can be written in both forms
    const auto again = parse(*written);
    if (!again || !(*again == *read)) __builtin_trap();
  }
  return 0;
}

// Whether a text is plain ASCII, checked eight bytes at a time: asked of every text a large payload holds.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rw {

/// Whether every byte of `text` is below 0x80.
inline bool isAscii(std::string_view text) {
  std::uint64_t high = 0;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, text.data() + i, 8);
    high |= word;
  }
  for (; i < text.size(); ++i)
    high |= static_cast<unsigned char>(text[i]);
  return (high & 0x8080'8080'8080'8080u) == 0;
}

}  // namespace rw

// Whether a text is plain ASCII, checked eight bytes at a time: asked of every text a large payload holds.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rw {

/// Whether every byte of `text` is below 0x80.
inline bool isAscii(std::string_view text) {
  const char* p = text.data();
  const std::size_t n = text.size();
  const auto load = [p]<class Word>(Word, std::size_t at) {
    Word word;
    std::memcpy(&word, p + at, sizeof word);
    return word;
  };
  if (n >= 8) {
    // Whole words, then the last eight bytes, which may overlap the last word read.
    std::uint64_t high = load(std::uint64_t{}, n - 8);
    for (std::size_t i = 0; i + 8 < n; i += 8)
      high |= load(std::uint64_t{}, i);
    return (high & 0x8080'8080'8080'8080u) == 0;
  }
  if (n >= 4) return ((load(std::uint32_t{}, 0) | load(std::uint32_t{}, n - 4)) & 0x8080'8080u) == 0;
  unsigned high = 0;
  for (std::size_t i = 0; i < n; ++i)
    high |= static_cast<unsigned char>(p[i]);
  return (high & 0x80) == 0;
}

}  // namespace rw

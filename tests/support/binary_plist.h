// Binary property-list files made by hand, byte by byte: objects are raw bytes, `fileOf` adds the offset
// table and the trailer. For the readers' tests of damaged, unusual and hostile files.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace rw::testing {

using Bytes = std::vector<std::uint8_t>;

inline void appendBigEndian(Bytes& out, std::uint64_t value, unsigned width) {
  for (unsigned i = width; i-- > 0;)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A marker byte with its count, in the low nibble or extended with a 1/2/4/8-byte integer after it.
inline Bytes marker(std::uint8_t kind, std::uint64_t count, bool extended = false) {
  if (count < 15 && !extended) return {static_cast<std::uint8_t>(kind << 4 | count)};
  unsigned power = 0;
  while (power < 3 && (count >> (8u << power)) != 0)
    ++power;
  Bytes out{static_cast<std::uint8_t>(kind << 4 | 0xF), static_cast<std::uint8_t>(0x10 | power)};
  appendBigEndian(out, count, 1u << power);
  return out;
}

// A string: ASCII (kind 5) of a byte per unit, or UTF-16 (kind 6) of two.
inline Bytes text(std::u16string_view units, bool utf16 = false, bool extended = false) {
  Bytes out = marker(utf16 ? 0x6 : 0x5, units.size(), extended);
  for (char16_t unit : units)
    appendBigEndian(out, unit, utf16 ? 2 : 1);
  return out;
}

// An integer (kind 1), real (2) or date (3) of `width` bytes holding `bits`; 16 bytes put `high` first.
inline Bytes number(std::uint8_t kind, std::uint64_t bits, unsigned width, std::uint64_t high = 0) {
  Bytes out{static_cast<std::uint8_t>(kind << 4 | std::countr_zero(width))};
  if (width == 16) appendBigEndian(out, high, 8);
  appendBigEndian(out, bits, std::min(width, 8u));
  return out;
}

inline Bytes date(double seconds) {
  return number(3, std::bit_cast<std::uint64_t>(seconds), 8);
}

// An array (kind 0xA) or dictionary (0xD, keys then values) referring to objects with `refSize` bytes.
inline Bytes container(std::uint8_t kind, const std::vector<std::uint64_t>& refs, unsigned refSize) {
  Bytes out = marker(kind, kind == 0xD ? refs.size() / 2 : refs.size());
  for (std::uint64_t ref : refs)
    appendBigEndian(out, ref, refSize);
  return out;
}

struct Trailer {
  unsigned offsetSize, refSize;
  std::uint64_t numObjects, topObject, tableOffset;
};

inline Trailer trailerOf(const Bytes& file) {
  const auto field = [&](std::size_t at) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i)
      value = value << 8 | file[file.size() - 24 + at + i];
    return value;
  };
  return {file[file.size() - 26], file[file.size() - 25], field(0), field(8), field(16)};
}

// `objects` in order, the first on top; `tamper` may change the trailer after it is computed.
inline Bytes fileOf(const std::vector<Bytes>& objects, unsigned refSize = 1, unsigned offsetSize = 0,
                    const std::function<void(Trailer&)>& tamper = {}) {
  Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<std::uint64_t> offsets;
  for (const Bytes& object : objects) {
    offsets.push_back(out.size());
    out.insert(out.end(), object.begin(), object.end());
  }
  if (offsetSize == 0) offsetSize = refSize == 1 ? 1 : 4;
  Trailer trailer{offsetSize, refSize, offsets.size(), 0, out.size()};
  for (std::uint64_t offset : offsets)
    appendBigEndian(out, offset, trailer.offsetSize);
  if (tamper) tamper(trailer);
  out.insert(out.end(), 6, 0);
  out.push_back(static_cast<std::uint8_t>(trailer.offsetSize));
  out.push_back(static_cast<std::uint8_t>(trailer.refSize));
  for (const std::uint64_t field : {trailer.numObjects, trailer.topObject, trailer.tableOffset})
    appendBigEndian(out, field, 8);
  return out;
}

}  // namespace rw::testing

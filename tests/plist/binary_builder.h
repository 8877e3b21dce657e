// Hand-made binary property lists for the tests: objects are added as raw bytes, and `build` lays out the
// offset table and trailer with whatever widths (or nonsense) a test asks for.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/plist.h"

namespace rw::plist::testing {

using Bytes = std::vector<std::uint8_t>;

inline void appendBigEndian(Bytes& out, std::uint64_t value, unsigned width) {
  for (unsigned i = width; i-- > 0;)
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

/// A marker byte with its count, in the low nibble or extended with a 1/2/4/8-byte integer after it.
inline Bytes marker(std::uint8_t kind, std::uint64_t count, bool forceExtended = false) {
  if (count < 15 && !forceExtended) return {static_cast<std::uint8_t>(kind << 4 | count)};
  unsigned power = 0;
  while (power < 3 && (count >> (8u << power)) != 0)
    ++power;
  Bytes out{static_cast<std::uint8_t>(kind << 4 | 0xF), static_cast<std::uint8_t>(0x10 | power)};
  appendBigEndian(out, count, 1u << power);
  return out;
}

inline Bytes ascii(std::string_view text, bool forceExtended = false) {
  Bytes out = marker(0x5, text.size(), forceExtended);
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

inline Bytes utf16(std::u16string_view text) {
  Bytes out = marker(0x6, text.size());
  for (char16_t unit : text)
    appendBigEndian(out, unit, 2);
  return out;
}

/// An integer object of 1, 2, 4, 8 or 16 bytes holding `bits` (16 bytes: `high` then `bits`).
inline Bytes integer(std::uint64_t bits, unsigned width, std::uint64_t high = 0) {
  unsigned power = 0;
  while ((1u << power) < width)
    ++power;
  Bytes out{static_cast<std::uint8_t>(0x10 | power)};
  if (width == 16) appendBigEndian(out, high, 8);
  appendBigEndian(out, bits, width == 16 ? 8 : width);
  return out;
}

inline Bytes date(std::uint64_t bits) {
  Bytes out{0x33};
  appendBigEndian(out, bits, 8);
  return out;
}

/// An array (kind 0xA) or dictionary (kind 0xD, keys then values) referring to objects with `refSize`.
inline Bytes container(std::uint8_t kind, const std::vector<std::uint64_t>& refs, unsigned refSize) {
  Bytes out = marker(kind, kind == 0xD ? refs.size() / 2 : refs.size());
  for (std::uint64_t ref : refs)
    appendBigEndian(out, ref, refSize);
  return out;
}

struct Trailer {
  unsigned offsetSize;
  unsigned refSize;
  std::uint64_t numObjects;
  std::uint64_t topObject;
  std::uint64_t tableOffset;
};

class BinaryBuilder {
 public:
  void add(const Bytes& object) {
    offsets_.push_back(body_.size());
    body_.insert(body_.end(), object.begin(), object.end());
  }
  /// Unreferenced filler, to push later objects to large offsets.
  void pad(std::size_t count) { body_.insert(body_.end(), count, 0); }

  /// The whole file; `tamper` may change the trailer after it is computed.
  Bytes build(unsigned offsetSize, unsigned refSize, std::uint64_t top = 0,
              const std::function<void(Trailer&)>& tamper = {}) const {
    Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    out.insert(out.end(), body_.begin(), body_.end());
    Trailer trailer{offsetSize, refSize, offsets_.size(), top, out.size()};
    for (std::uint64_t offset : offsets_)
      appendBigEndian(out, 8 + offset, offsetSize);
    if (tamper) tamper(trailer);
    out.insert(out.end(), 6, 0);
    out.push_back(static_cast<std::uint8_t>(trailer.offsetSize));
    out.push_back(static_cast<std::uint8_t>(trailer.refSize));
    for (const std::uint64_t field : {trailer.numObjects, trailer.topObject, trailer.tableOffset})
      appendBigEndian(out, field, 8);
    return out;
  }

 private:
  Bytes body_;
  std::vector<std::uint64_t> offsets_;
};

inline Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

/// The trailer of a binary file.
inline Trailer trailerOf(const Bytes& file) {
  const std::size_t t = file.size() - 32;
  const auto read = [&](std::size_t at) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i)
      value = value << 8 | file[t + at + i];
    return value;
  };
  return {file[t + 6], file[t + 7], read(8), read(16), read(24)};
}

}  // namespace rw::plist::testing

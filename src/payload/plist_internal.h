// Pieces the binary and XML codecs share: the nesting limit, the writers behind `plist::write`, and the
// Unicode conversions both forms need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/plist.h"

namespace rw::plist::detail {

/// Arrays and dictionaries may nest this deep (a top-level container counts as 1); one level more fails
/// reading and writing alike, so everything written can be read back.
inline constexpr int kMaxDepth = 512;

/// Where the parts of a binary property list are, as its trailer says.
struct BinaryLayout {
  unsigned offsetSize = 0;  // bytes per entry of the offset table
  unsigned refSize = 0;     // bytes per object reference
  std::uint64_t numObjects = 0;
  std::uint64_t topObject = 0;
  std::uint64_t tableOffset = 0;  // where the offset table starts, which is where the objects end
};

/// Reads and checks the trailer of `bytes` (magic already checked): widths of 1 to 8, at least one object,
/// the top object among them, and the offset table between the header and the trailer; or why it is
/// unusable.
[[nodiscard]] Result<BinaryLayout> readBinaryLayout(std::span<const std::uint8_t> bytes);

/// How much memory, in the reader's own accounting, a binary file of `size` bytes may make the reader
/// spend. A value tree costs far more memory than the bytes that describe it, and shared references let a
/// small file describe an enormous tree (an array holding the same array twice, nested 60 deep). Genuine
/// files stay well below this; anything beyond it is refused instead of exhausting memory.
constexpr std::uint64_t binaryReadingBudget(std::uint64_t size) {
  return 64 * size + (std::uint64_t{8} << 20);
}

/// A big-endian unsigned number of `width` (at most 8) bytes.
inline std::uint64_t readBigEndian(const std::uint8_t* p, unsigned width) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < width; ++i)
    value = value << 8 | p[i];
  return value;
}

[[nodiscard]] std::optional<std::vector<std::uint8_t>> writeBinary(const Value& value);
[[nodiscard]] std::optional<std::vector<std::uint8_t>> writeXml(const Value& value);

/// The date of an XML <date> text: exactly "YYYY-MM-DDTHH:MM:SSZ", no fraction, offset or surrounding space.
[[nodiscard]] std::optional<Date> parseXmlDate(std::string_view text);

/// `parseXml`, building nothing of the values of the keys `keep` refuses (see `plist::parse`).
[[nodiscard]] Result<Value> parseXmlKeeping(std::span<const std::uint8_t> bytes, KeyFilter keep);

/// Appends `units` big-endian UTF-16 code units from `bytes` to `out` as UTF-8. False for a lone
/// surrogate (then `out` holds a partial result).
[[nodiscard]] bool appendUtf16BeAsUtf8(const std::uint8_t* bytes, std::size_t units, std::string& out);

/// Appends `text` to `out` as big-endian UTF-16 and returns the number of code units written, or nothing
/// when `text` is not valid UTF-8 (overlong forms and encoded surrogates included).
[[nodiscard]] std::optional<std::size_t> appendUtf8AsUtf16Be(std::string_view text,
                                                             std::vector<std::uint8_t>& out);

/// Decodes the code point at `text[pos]` and advances `pos`, or returns a negative value for invalid
/// UTF-8 (overlong forms, surrogates, values above U+10FFFF, truncated sequences).
[[nodiscard]] std::int32_t nextCodePoint(std::string_view text, std::size_t& pos);

}  // namespace rw::plist::detail

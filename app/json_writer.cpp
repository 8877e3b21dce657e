#include "json_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

namespace rw::app {

namespace {

// How the UTF-8 sequence at the start of `text` reads: `length` bytes, a whole character when `whole`.
// An ill-formed sequence (a stray continuation byte, a truncated sequence, an overlong form, a surrogate,
// a code point above U+10FFFF) is its maximal subpart, the longest prefix that could have begun a
// character, or its first byte alone; each is written as one U+FFFD, as Unicode recommends.
struct Utf8Sequence {
  std::size_t length = 1;
  bool whole = false;
};

Utf8Sequence utf8Sequence(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t size = 0;
  unsigned char low = 0x80;  // the range of the second byte; later ones are 0x80-0xBF
  unsigned char high = 0xBF;
  if (lead < 0x80) return {1, true};
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false};
  }
  std::size_t length = 1;
  for (; length < size && length < text.size(); ++length) {
    const auto c = static_cast<unsigned char>(text[length]);
    if (c < (length == 1 ? low : 0x80) || c > (length == 1 ? high : 0xBF)) break;
  }
  return {length, length == size};
}

// Eight bytes at a time: whether none of them needs a look (a control character, the quote, the
// backslash, or a byte of a multi-byte sequence). The classic tests for a zero byte and for a byte below a
// bound, on all eight at once.
bool allPlain(std::uint64_t bytes) {
  constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101u;
  constexpr std::uint64_t kHighs = 0x8080'8080'8080'8080u;
  const auto hasZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  const std::uint64_t below = (bytes - kOnes * 0x20) & ~bytes & kHighs;
  return (below | hasZero(bytes ^ (kOnes * '"')) | hasZero(bytes ^ (kOnes * '\\')) | (bytes & kHighs)) == 0;
}

std::uint64_t load8(const char* bytes) {
  std::uint64_t word = 0;
  std::memcpy(&word, bytes, 8);
  return word;
}

// How many of the sixteen bytes at `bytes` are plain before the first that needs a look (16 when none
// does). The same test, sixteen at once: as signed bytes, both the control characters and the bytes of
// multi-byte sequences (0x80 and up) are below 0x20.
std::size_t plainBytes16(const char* bytes) {
  using Bytes = signed char __attribute__((vector_size(16)));
  Bytes v;
  std::memcpy(&v, bytes, 16);
  const Bytes look = (v < 0x20) | (v == '"') | (v == '\\');
  std::uint64_t halves[2];
  std::memcpy(halves, &look, 16);
  const auto first = [](std::uint64_t marks) -> std::size_t {
    if constexpr (std::endian::native == std::endian::little)
      return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
    else
      return static_cast<std::size_t>(std::countl_zero(marks)) / 8;
  };
  if (halves[0] != 0) return first(halves[0]);
  if (halves[1] != 0) return 8 + first(halves[1]);
  return 16;
}

// Bytes a string holds as they are: printable ASCII other than the quote and the backslash.
constexpr std::array<bool, 256> kPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c)
    plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

}  // namespace

JsonWriter::JsonWriter(Sink sink, std::size_t chunk)
    : sink_(std::move(sink)), flushAt_(sink_ ? chunk : SIZE_MAX) {
  // Room for a chunk and the value that passes it, so the buffer is made once and never moved.
  out_.resize(chunk + 1024);
}

std::string JsonWriter::take() {
  out_.resize(used_);
  used_ = 0;
  return std::move(out_);
}

void JsonWriter::grow(std::size_t size) {
  out_.resize(std::max(used_ + size, 2 * out_.size() + 256));
}

void JsonWriter::flush() {
  if (!sink_ || used_ == 0) return;
  sink_(text());
  used_ = 0;
}

void JsonWriter::deepNewlineAndIndent() {
  const std::size_t indent = counts_.size() * kIndent;
  char* at = room(1 + indent);
  *at++ = '\n';
  std::memset(at, ' ', indent);
  used_ += 1 + indent;
}

void JsonWriter::integer(std::int64_t value) {
  startValue();
  constexpr std::size_t kLongest = 20;  // "-9223372036854775808"
  char* at = room(kLongest);
  used_ += static_cast<std::size_t>(std::to_chars(at, at + kLongest, value).ptr - at);
}

void JsonWriter::number(double value) {
  startValue();
  // Whole numbers of fewer than sixteen digits (sizes and spacings in points, mostly) read as the integer
  // and ".0", as the JSON library writes them; -0.0 keeps its sign there. Other floating-point text is left
  // to that library, which the program's other output uses: its shortest form is not always the shortest
  // there is, and the answers must not change by a digit.
  constexpr double kWholeBelow = 1e15;
  if (value > -kWholeBelow && value < kWholeBelow && value == std::trunc(value) &&
      !(value == 0 && std::signbit(value))) {
    constexpr std::size_t kLongest = 18;  // "-999999999999999.0"
    char* at = room(kLongest);
    char* end = std::to_chars(at, at + kLongest, static_cast<std::int64_t>(value)).ptr;
    *end++ = '.';
    *end++ = '0';
    used_ += static_cast<std::size_t>(end - at);
    return;
  }
  put(nlohmann::json(value).dump());
}

void JsonWriter::null() {
  startValue();
  put("null");
}

void JsonWriter::quoted(std::string_view text) {
  // Room for the text as it is and its quotes; each escape makes room for the rest again. Plain bytes are
  // copied as they are checked, sixteen at a time where they can be. The last bytes of a plain run too
  // short for that are checked with the text's last sixteen (or eight) bytes, and copied with them: the
  // bytes copied twice are the same bytes at the same places.
  const std::size_t size = text.size();
  const char* from = text.data();
  char* at = room(size + 2);
  *at++ = '"';
  std::size_t i = 0;
  for (;;) {
    std::size_t plain = 16;
    while (i + 16 <= size) {
      plain = plainBytes16(from + i);
      std::memcpy(at, from + i, 16);  // within the room made: the text goes on for sixteen bytes
      i += plain, at += plain;
      if (plain < 16) break;
    }
    if (plain == 16) {
      const std::size_t left = size - i;
      if (left > 0 && left < 16) {
        // Where these sixteen bytes reach back before the run, they hold the byte escaped last, and fail.
        if (size >= 16) {
          if (plainBytes16(from + size - 16) == 16) {
            std::memcpy(at + left - 16, from + size - 16, 16);
            at += left, i = size;
          }
        } else if (left >= 8 && allPlain(load8(from + i)) && allPlain(load8(from + size - 8))) {
          std::memcpy(at, from + i, 8);
          std::memcpy(at + left - 8, from + size - 8, 8);
          at += left, i = size;
        }
      }
      while (i < size && kPlain[static_cast<unsigned char>(from[i])])
        *at++ = from[i++];
    }
    if (i == size) break;
    used_ = static_cast<std::size_t>(at - out_.data());
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t consumed = 1;
    switch (c) {
      case '"':
        put("\\\"");
        break;
      case '\\':
        put("\\\\");
        break;
      case '\b':
        put("\\b");
        break;
      case '\f':
        put("\\f");
        break;
      case '\n':
        put("\\n");
        break;
      case '\r':
        put("\\r");
        break;
      case '\t':
        put("\\t");
        break;
      default:
        if (c < 0x20) {
          constexpr char kHex[] = "0123456789abcdef";
          put("\\u00");
          put(kHex[c >> 4]);
          put(kHex[c & 0xF]);
        } else {
          const Utf8Sequence sequence = utf8Sequence(text.substr(i));
          if (sequence.whole)
            put(text.substr(i, sequence.length));
          else
            put("\xEF\xBF\xBD");  // U+FFFD
          consumed = sequence.length;
        }
    }
    i += consumed;
    at = room(text.size() - i + 1);
  }
  *at++ = '"';
  used_ = static_cast<std::size_t>(at - out_.data());
}

}  // namespace rw::app

#include "json_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <nlohmann/json.hpp>

namespace rw::app {

namespace {

constexpr int kIndent = 2;

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

// Bytes a string holds as they are: printable ASCII other than the quote and the backslash.
constexpr std::array<bool, 256> kPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x80; ++c)
    plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
  return plain;
}();

}  // namespace

JsonWriter::JsonWriter(Sink sink, std::size_t chunk) : sink_(std::move(sink)), chunk_(chunk) {
  // Room for a chunk and the value that passes it, so the buffer is made once and never moved.
  out_.resize(chunk_ + 1024);
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

void JsonWriter::newlineAndIndent() {
  const std::size_t indent = counts_.size() * kIndent;
  char* at = room(1 + indent);
  *at++ = '\n';
  for (std::size_t i = 0; i < indent; ++i)
    *at++ = ' ';
  used_ += 1 + indent;
}

void JsonWriter::startValue() {
  maybeFlush();
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (counts_.empty()) return;
  if (counts_.back()++ > 0) put(',');
  newlineAndIndent();
}

void JsonWriter::open(char bracket) {
  startValue();
  put(bracket);
  counts_.push_back(0);
}

void JsonWriter::close(char bracket) {
  const bool empty = counts_.back() == 0;
  counts_.pop_back();
  if (!empty) newlineAndIndent();
  put(bracket);
}

void JsonWriter::beginObject() {
  open('{');
}
void JsonWriter::endObject() {
  close('}');
}
void JsonWriter::beginArray() {
  open('[');
}
void JsonWriter::endArray() {
  close(']');
}

void JsonWriter::key(std::string_view name) {
  startValue();
  quoted(name);
  put(": ");
  afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
  startValue();
  quoted(text);
}

void JsonWriter::integer(std::int64_t value) {
  startValue();
  constexpr std::size_t kLongest = 20;  // "-9223372036854775808"
  char* at = room(kLongest);
  used_ += static_cast<std::size_t>(std::to_chars(at, at + kLongest, value).ptr - at);
}

void JsonWriter::number(double value) {
  startValue();
  // Floating-point text is left to the JSON library the program's other output uses: its shortest form
  // is not always the shortest there is, and the answers must not change by a digit. A handful of
  // numbers per answer.
  put(nlohmann::json(value).dump());
}

void JsonWriter::null() {
  startValue();
  put("null");
}

void JsonWriter::quoted(std::string_view text) {
  // Room for the text as it is and its quotes; each escape makes room for the rest again. Plain bytes are
  // copied as they are checked, eight at a time where they can be.
  char* at = room(text.size() + 2);
  *at++ = '"';
  std::size_t i = 0;
  for (;;) {
    for (; i + 8 <= text.size(); i += 8, at += 8) {
      std::uint64_t bytes = 0;
      std::memcpy(&bytes, text.data() + i, 8);
      if (!allPlain(bytes)) break;
      std::memcpy(at, &bytes, 8);
    }
    while (i < text.size() && kPlain[static_cast<unsigned char>(text[i])])
      *at++ = text[i++];
    if (i == text.size()) break;
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

#include "json_writer.h"

#include <array>
#include <charconv>
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

}  // namespace

JsonWriter::JsonWriter(Sink sink, std::size_t chunk) : sink_(std::move(sink)), chunk_(chunk) {
  // Room for a chunk and the value that passes it, so the buffer is touched once and never moved.
  out_.reserve(chunk_ + 1024);
}

void JsonWriter::flush() {
  if (!sink_ || out_.empty()) return;
  sink_(out_);
  out_.clear();
}

void JsonWriter::newlineAndIndent() {
  out_ += '\n';
  out_.append(counts_.size() * kIndent, ' ');
}

void JsonWriter::startValue() {
  maybeFlush();
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (counts_.empty()) return;
  if (counts_.back()++ > 0) out_ += ',';
  newlineAndIndent();
}

void JsonWriter::open(char bracket) {
  startValue();
  out_ += bracket;
  counts_.push_back(0);
}

void JsonWriter::close(char bracket) {
  const bool empty = counts_.back() == 0;
  counts_.pop_back();
  if (!empty) newlineAndIndent();
  out_ += bracket;
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
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
  startValue();
  quoted(text);
}

void JsonWriter::integer(std::int64_t value) {
  startValue();
  std::array<char, 24> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
  out_.append(buffer.data(), end);
}

void JsonWriter::number(double value) {
  startValue();
  // Floating-point text is left to the JSON library the program's other output uses: its shortest form
  // is not always the shortest there is, and the answers must not change by a digit. A handful of
  // numbers per answer.
  out_ += nlohmann::json(value).dump();
}

void JsonWriter::null() {
  startValue();
  out_ += "null";
}

void JsonWriter::quoted(std::string_view text) {
  out_ += '"';
  // Runs of printable ASCII go out whole; only what needs a look is handled byte by byte.
  const auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x80 && c != '"' && c != '\\'; };
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t run = i;
    while (run < text.size() && plain(static_cast<unsigned char>(text[run])))
      ++run;
    out_.append(text, i, run - i);
    if (run == text.size()) break;
    i = run;
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t consumed = 1;
    switch (c) {
      case '"':
        out_ += "\\\"";
        break;
      case '\\':
        out_ += "\\\\";
        break;
      case '\b':
        out_ += "\\b";
        break;
      case '\f':
        out_ += "\\f";
        break;
      case '\n':
        out_ += "\\n";
        break;
      case '\r':
        out_ += "\\r";
        break;
      case '\t':
        out_ += "\\t";
        break;
      default:
        if (c < 0x20) {
          constexpr char kHex[] = "0123456789abcdef";
          out_ += "\\u00";
          out_ += kHex[c >> 4];
          out_ += kHex[c & 0xF];
        } else {
          const Utf8Sequence sequence = utf8Sequence(text.substr(i));
          if (sequence.whole)
            out_.append(text, i, sequence.length);
          else
            out_ += "\xEF\xBF\xBD";  // U+FFFD
          consumed = sequence.length;
        }
    }
    i += consumed;
  }
  out_ += '"';
}

}  // namespace rw::app

#include "platform/messages.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

namespace rw {

namespace {

std::atomic<bool> toStandardError{false};

// The length of the UTF-8 sequence at `i` when it is a valid one of two to four bytes, else 0.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t c = 0, min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1Fu, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0Fu, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07u, min = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = c << 6 | (byte(i + k) & 0x3Fu);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char escape[8];
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
      ++i;
    } else if (c == '\n' || c == '\t' || c == '\r') {
      out.append(c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\r");
      ++i;
    } else if (const std::size_t length = c >= 0x80 ? sequenceLength(text, i) : 0; length > 0) {
      if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {  // U+0080 to U+009F
        std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
        out.append(escape);
      } else {
        out.append(text.substr(i, length));
      }
      i += length;
    } else {
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
      out.append(escape);
      ++i;
    }
  }
  return out;
}

void printLine(std::string_view line) {
  std::string text = printable(line);
  text.push_back('\n');
  std::FILE* stream = toStandardError.load(std::memory_order_relaxed) ? stderr : stdout;
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

void sendLinesToStandardError() {
  toStandardError.store(true, std::memory_order_relaxed);
}

std::string errorLine(std::string_view type, std::string_view operation, std::string_view reason) {
  std::string line = "Error in ";
  line.append(type).append(".").append(operation).append(": ").append(reason);
  return line;
}

void reportError(std::string_view type, std::string_view operation, std::string_view reason) {
  printLine(errorLine(type, operation, reason));
}

}  // namespace rw

#include "ui/text_measurer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace rw::ui {

namespace {

// Code points per line, split at explicit line breaks.
std::vector<std::size_t> lineLengths(std::string_view text) {
  std::vector<std::size_t> lengths{0};
  for (unsigned char c : text) {
    if (c == '\n')
      lengths.push_back(0);
    else if ((c & 0xC0) != 0x80)  // not a UTF-8 continuation byte
      ++lengths.back();
  }
  return lengths;
}

}  // namespace

std::string breaksAsSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // CR LF: one break
    if (c == '\n' || c == '\r' || c == '\v' || c == '\f') {
      out += ' ';
    } else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\x85') {
      out += ' ';
      ++i;
    } else if (c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80' &&
               (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
      out += ' ';
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

TextMetrics FixedTextMeasurer::measure(std::string_view text, const FontRequest& font,
                                       std::optional<double> wrapWidth, std::optional<int> maxLines) const {
  const double charWidth = advance * font.size;
  const bool wraps = wrapWidth && std::isfinite(*wrapWidth);
  // Characters that fit on one line; a small tolerance keeps exact fits from breaking. Characters of no
  // width (a font of size 0) all fit, and so does any count too large to hold.
  const double fitting = wraps ? std::floor(std::max(0.0, *wrapWidth) / charWidth + 1e-9) : 0;
  const std::size_t perLine = wraps && fitting < 0x1p63 ? static_cast<std::size_t>(fitting) : SIZE_MAX;

  std::size_t lines = 0;
  std::size_t widest = 0;
  for (std::size_t length : lineLengths(text)) {
    if (perLine == 0) {
      ++lines;
      continue;
    }
    const std::size_t pieces = std::max<std::size_t>(1, (length + perLine - 1) / perLine);
    lines += pieces;
    widest = std::max(widest, std::min(length, perLine));
  }
  if (maxLines && *maxLines > 0) lines = std::min(lines, static_cast<std::size_t>(*maxLines));

  const double width = static_cast<double>(widest) * charWidth;
  const double height = static_cast<double>(lines) * line * font.size;
  return {.size = {wraps ? std::min(width, *wrapWidth) : width, height},
          .firstBaseline = ascent * font.size,
          .lastBaseline = (static_cast<double>(lines) - 1) * line * font.size + ascent * font.size};
}

}  // namespace rw::ui

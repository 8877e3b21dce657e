// Texts and symbols: what they say, in which font, and how much room they take for an offer.
#include <cmath>
#include <cstdio>
#include <limits>

#include "ui/layout_engine.h"
#include "ui/symbols.h"

namespace rw::ui {

namespace {

std::string utcTime(Date date) {
  const auto seconds = static_cast<long long>(std::floor(date.unixSeconds()));
  const long long ofDay = ((seconds % 86400) + 86400) % 86400;
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02lld:%02lld", ofDay / 3600, ofDay / 60 % 60);
  return buffer;
}

std::string_view familyFor(FontDesign design) {
  switch (design) {
    case FontDesign::monospaced:
      return "DejaVu Sans Mono";
    case FontDesign::serif:
      return "DejaVu Serif";
    case FontDesign::standard:
    case FontDesign::rounded:
      break;
  }
  return "Inter";  // the system font's stand-in
}

}  // namespace

std::string resolvedText(const Text& text, const Environment& environment) {
  switch (text.kind) {
    case Text::Kind::verbatim:
      return text.string;
    case Text::Kind::localized:
      return environment.settings ? environment.settings->strings.text(text.string) : text.string;
    case Text::Kind::time:
      return environment.settings ? environment.settings->calendar.formatTime(text.date) : utcTime(text.date);
  }
  return text.string;
}

namespace {

// Font sizes from 0 to the largest drawn; anything else is the default size.
double sanitizedFontSize(double size) {
  return std::isfinite(size) && size >= 0 && size <= kMaxFontSize ? size : kDefaultFont.size;
}

}  // namespace

FontRequest resolvedFont(const Text& text, const std::optional<Font>& inherited) {
  Font font = text.font.value_or(inherited.value_or(kDefaultFont));
  font.size = sanitizedFontSize(font.size);
  FontWeight weight = font.weight;
  if (text.bold && weight < FontWeight::bold) weight = FontWeight::bold;
  return {std::string(familyFor(font.design)), font.size, weight};
}

namespace detail {

namespace {

// Lines of text at most that fit `height`, never fewer than one; no limit where more fit than an int holds.
std::optional<int> linesThatFit(std::optional<double> height, double lineHeight) {
  if (!height || !std::isfinite(*height) || lineHeight <= 0) return std::nullopt;
  const double lines = std::floor(*height / lineHeight + 1e-9);
  if (!(lines < std::numeric_limits<int>::max())) return std::nullopt;
  return std::max(1, static_cast<int>(lines));
}

std::optional<int> tighter(std::optional<int> a, std::optional<int> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

LayoutNode textNode(std::string string, FontRequest font, Color color, std::optional<double> wrapWidth,
                    std::optional<int> maxLines, Engine& engine) {
  const TextMetrics metrics = engine.measurer().measure(string, font, wrapWidth, maxLines);
  LayoutNode node = makeNode("", metrics.size);
  node.firstBaseline = metrics.firstBaseline;
  node.lastBaseline = metrics.lastBaseline;
  node.paint = TextPaint{std::move(string), std::move(font), std::move(color),
                         wrapWidth,         maxLines,        engine.environment().layoutDirection};
  return node;
}

}  // namespace

// A text wraps at the offered width, keeps to its line limit and to the lines that fit the offered height
// (at least one), and ends in an ellipsis where it is cut. Offered no width or an infinite one, it keeps
// to its explicit line breaks. Where it may take only one line (a line limit of 1, or a height that holds
// one line), its line breaks read as spaces, so it is one line whatever it holds.
LayoutNode layoutText(const Text& text, ProposedSize proposal, const Inherited& inherited, Engine& engine) {
  FontRequest font = resolvedFont(text, inherited.font);
  std::optional<double> wrapWidth;
  if (proposal.width && std::isfinite(*proposal.width)) wrapWidth = std::max(0.0, *proposal.width);
  const std::optional<int> maxLines =
      tighter(inherited.lineLimit, linesThatFit(proposal.height, engine.measurer().lineHeight(font)));
  std::string string = resolvedText(text, engine.environment());
  if (maxLines == 1) string = breaksAsSpaces(string);
  return textNode(std::move(string), std::move(font), text.color.value_or(inherited.foreground), wrapWidth,
                  maxLines, engine);
}

// A symbol is a glyph in the current font's size and the foreground colour; it never wraps or shrinks.
LayoutNode layoutText(const Image& image, ProposedSize, const Inherited& inherited, Engine& engine) {
  const std::optional<std::string_view> glyph = symbolGlyph(image.systemName);
  if (!glyph) return makeNode("", {});
  const Font font = inherited.font.value_or(kDefaultFont);
  return textNode(
      std::string(*glyph),
      FontRequest{std::string(kSymbolFontFamily), sanitizedFontSize(font.size), FontWeight::regular},
      inherited.foreground, std::nullopt, 1, engine);
}

}  // namespace detail

}  // namespace rw::ui

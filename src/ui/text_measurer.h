// The seam through which the layout engine measures text. The renderer's measurer sets text with Pango
// (pango_text_measurer.h); layout tests plug in `FixedTextMeasurer`, whose metrics are simple arithmetic, so
// that they can assert exact frames.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/elements.h"
#include "ui/geometry.h"

namespace rw::ui {

/// A concrete font: family name, size in points and weight.
struct FontRequest {
  std::string family;
  double size = 13;
  FontWeight weight = FontWeight::regular;
  friend bool operator==(const FontRequest&, const FontRequest&) = default;
};

/// The box of a set text and where its first and last baselines lie, from the box's top.
struct TextMetrics {
  Size size;
  double firstBaseline = 0;
  double lastBaseline = 0;
  friend bool operator==(const TextMetrics&, const TextMetrics&) = default;
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;

  /// `text` set in `font`: wrapped at `wrapWidth` (unset: only at explicit line breaks), at most `maxLines`
  /// lines (unset: as many as it needs), the last line shortened with "…" when the text does not fit. The
  /// width returned is at most `wrapWidth`.
  virtual TextMetrics measure(std::string_view text, const FontRequest& font, std::optional<double> wrapWidth,
                              std::optional<int> maxLines) const = 0;

  /// The height of one line of `font`.
  virtual double lineHeight(const FontRequest& font) const = 0;
};

/// `text` with every hard line break (LF, CR, CR LF, VT, FF, NEL, U+2028, U+2029) made one space. A text that
/// may take one line is set this way: its breaks never start a second line, and what no longer fits the
/// width is cut with "…" like any long line. The last line a text is limited to reads the same way.
std::string breaksAsSpaces(std::string_view text);

/// Metrics for tests: every character (code point) is `advance` × size wide, a line is `line` × size high
/// with its baseline at `ascent` × size. Lines break after as many characters as fit; a text cut short
/// keeps as many characters as fit, the last of them standing for the ellipsis.
class FixedTextMeasurer final : public TextMeasurer {
 public:
  double advance = 0.5;
  double line = 1.25;
  double ascent = 1.0;

  TextMetrics measure(std::string_view text, const FontRequest& font, std::optional<double> wrapWidth,
                      std::optional<int> maxLines) const override;
  double lineHeight(const FontRequest& font) const override { return line * font.size; }
};

}  // namespace rw::ui

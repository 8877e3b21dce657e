// Text measured with Pango, as the renderer will draw it. Fonts come from fontconfig: the system font's
// stand-in is Inter, and characters it lacks (other scripts, emoji) fall back to other installed fonts.
#pragma once

#include <memory>

#include "ui/text_measurer.h"

namespace rw::ui {

class PangoTextMeasurer final : public TextMeasurer {
 public:
  PangoTextMeasurer();
  ~PangoTextMeasurer() override;
  PangoTextMeasurer(const PangoTextMeasurer&) = delete;
  PangoTextMeasurer& operator=(const PangoTextMeasurer&) = delete;

  /// Safe to call from several threads; results are cached by text, font and limits.
  TextMetrics measure(std::string_view text, const FontRequest& font, std::optional<double> wrapWidth,
                      std::optional<int> maxLines) const override;
  double lineHeight(const FontRequest& font) const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// One measurer for the whole program, made on first use.
const TextMeasurer& pangoTextMeasurer();

}  // namespace rw::ui

// Private to the canvas module (pango_text_measurer.cpp, renderer.cpp): how a text is handed to Pango, so
// that measuring and drawing set it identically.
#pragma once

#include <pango/pango.h>

#include <optional>
#include <string_view>

#include "ui/text_measurer.h"

namespace rw::ui::detail {

/// Turns off hinting and glyph-position rounding, so metrics do not depend on the drawing scale.
void configureContext(PangoContext* context);

/// Sets `text` in `font` on `layout`: font sizes are absolute (1 point = 1 user unit), lines wrap at
/// word or character boundaries at `wrapWidth`, and a text longer than `maxLines` ends in "…".
void configureLayout(PangoLayout* layout, std::string_view text, const FontRequest& font,
                     std::optional<double> wrapWidth, std::optional<int> maxLines);

/// Says on stderr, once per script and process, that a text of `layout` uses a script no installed font
/// has (Pango draws such characters as boxes).
void reportMissingFonts(PangoLayout* layout);

}  // namespace rw::ui::detail

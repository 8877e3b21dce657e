// Private to the canvas module (pango_text_measurer.cpp, renderer.cpp): how a text is handed to Pango, so
// that measuring and drawing set it identically.
#pragma once

#include <cairo.h>
#include <pango/pango.h>

#include <optional>
#include <string_view>

#include "ui/geometry.h"
#include "ui/text_measurer.h"

namespace rw::ui::detail {

/// Turns off hinting and glyph-position rounding, so metrics do not depend on the drawing scale.
void configureContext(PangoContext* context);

/// Sets `text` in `font` on `layout`: font sizes are absolute (1 point = 1 user unit), lines wrap at
/// word or character boundaries at `wrapWidth`, and a text of more than `maxLines` lines ends in "…" on the
/// last of them.
void configureLayout(PangoLayout* layout, std::string_view text, const FontRequest& font,
                     std::optional<double> wrapWidth, std::optional<int> maxLines);

/// The width of the widest line of `layout`: the text's own width, wherever Pango aligns its lines within
/// the wrap width (a right-to-left paragraph sits at the right end of it).
double widestLine(PangoLayout* layout);

/// Draws the lines of `layout` in `frame`, each from its left edge or, right to left, from its right edge.
void showLines(cairo_t* cr, PangoLayout* layout, const Rect& frame, LayoutDirection direction);

/// Says on stderr, once per script and process, that a text of `layout` uses a script no installed font
/// has (Pango draws such characters as boxes).
void reportMissingFonts(PangoLayout* layout);

}  // namespace rw::ui::detail

// System symbols by name, drawn as glyphs of an icon font from Debian's packages (fonts-font-awesome,
// FontAwesome 4.7).
#pragma once

#include <optional>
#include <string_view>

namespace rw::ui {

/// The font family the glyphs of `symbolGlyph` belong to.
inline constexpr std::string_view kSymbolFontFamily = "FontAwesome";

/// The glyph (UTF-8) standing for the system symbol `name` ("flame.fill", "bell.fill"), or nothing for a
/// name the table does not hold.
[[nodiscard]] std::optional<std::string_view> symbolGlyph(std::string_view name);

}  // namespace rw::ui

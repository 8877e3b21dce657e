// Colour values: the tones of the standard colours and the named colours of the resources file
// (resources/colors.json: an object from colour name to "#RRGGBB" or "#RRGGBBAA").
//
// Standard tones (sRGB): white #FFFFFF, black #000000, red #F0453B, green #30B354, gray #8E8E93, clear
// (fully transparent). Red and green are a little deeper than the brightest system tones so that white
// text on them stays legible.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "ui/elements.h"

namespace rw::ui {

/// The value of a standard colour.
Rgba standardTone(StandardColor color);

class ColorTable {
 public:
  /// A table without named colours.
  ColorTable() = default;

  /// Parses the JSON text of a resources file; nothing when it is not an object of valid colour texts.
  [[nodiscard]] static std::optional<ColorTable> parse(std::string_view json);
  /// Reads and parses `path`; nothing when it cannot be read or parsed.
  [[nodiscard]] static std::optional<ColorTable> load(const std::filesystem::path& path);

  /// The named colour, or nothing.
  [[nodiscard]] std::optional<Rgba> named(std::string_view name) const;
  /// The value `color` draws with: its tone (a name the table lacks draws clear, as a missing asset does)
  /// with the colour's opacity multiplied into the alpha.
  Rgba resolve(const Color& color) const;

  const std::map<std::string, Rgba, std::less<>>& entries() const { return colors_; }

 private:
  std::map<std::string, Rgba, std::less<>> colors_;
};

/// "#RRGGBB" or "#RRGGBBAA" (either case); nothing for anything else.
[[nodiscard]] std::optional<Rgba> parseHexColor(std::string_view text);

/// The resources directory: $REMINDERS_WIDGET_RESOURCES when set, else the one of the source tree the
/// program was built from.
std::filesystem::path defaultResourcesDirectory();

/// The colours of `defaultResourcesDirectory()/colors.json`, read once. When the file is missing or broken
/// the table is empty (named colours draw clear) and one error line says so.
const ColorTable& defaultColorTable();

}  // namespace rw::ui

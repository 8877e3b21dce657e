// Colour values: the tones of the standard colours and the named colours of the resources file
// (colors.json: an object from colour name to "#RRGGBB" or "#RRGGBBAA").
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

#include "platform/result.h"
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

/// colors.json in the resources directory ($REMINDERS_WIDGET_RESOURCES, else the one installed with the
/// executable or built beside it: platform/data_files.h); nothing when no such directory exists.
std::optional<std::filesystem::path> defaultColorsFile();

/// The table of the colours file at `path`, or why it cannot be used, naming the file: it cannot be read,
/// is not an object of valid colour texts, or names no colour.
Result<ColorTable> loadColorsFile(const std::filesystem::path& path);

/// The colours of `defaultColorsFile()`, read once, or why there are none. The widget's background and
/// avatars are named colours: the drawing commands refuse to draw without them.
const Result<ColorTable>& loadDefaultColorTable();

/// The table of `loadDefaultColorTable()`. When it failed the table is empty (named colours draw clear)
/// and one error line says why.
const ColorTable& defaultColorTable();

}  // namespace rw::ui

// Person colours: a palette version and an index, carried as one query text
// ("pickerIndex=7&pickerVersion=183"), and the palette of 15 named colours.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rw {

struct ColorEncoded {
  /// The only palette version this widget accepts.
  static constexpr std::string_view currentVersion = "183";
  static constexpr std::int64_t defaultIndex = 7;

  std::string version{currentVersion};
  std::int64_t index = defaultIndex;

  /// The query text of `pickerIndex` then `pickerVersion`; the empty text (and a printed line) when the
  /// query text cannot be built.
  std::string rawValue() const;

  /// Never fails: an absent or empty text gives the default silently; an unusable one gives the default
  /// and prints why. Any integer index is accepted.
  static ColorEncoded fromRawValue(std::optional<std::string_view> rawValue);

  friend bool operator==(const ColorEncoded&, const ColorEncoded&) = default;
};

/// The person palette, index 0 to 14: names of colours in the widget's colour resources.
const std::array<std::string_view, 15>& personPalette();

/// The palette colour name at `index`, or nothing outside 0...14.
std::optional<std::string_view> paletteColorName(std::int64_t index);

}  // namespace rw

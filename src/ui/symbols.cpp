#include "ui/symbols.h"

#include <array>
#include <utility>

namespace rw::ui {

namespace {

// Symbol names and the FontAwesome 4.7 code points that look most like them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kSymbols{{
    {"flame.fill", "\uF06D"},                     // fa-fire
    {"bell.fill", "\uF0F3"},                      // fa-bell
    {"bell", "\uF0A2"},                           // fa-bell-o
    {"calendar", "\uF073"},                       // fa-calendar
    {"clock", "\uF017"},                          // fa-clock-o
    {"person.fill", "\uF007"},                    // fa-user
    {"checkmark.circle.fill", "\uF058"},          // fa-check-circle
    {"exclamationmark.triangle.fill", "\uF071"},  // fa-exclamation-triangle
}};

}  // namespace

std::optional<std::string_view> symbolGlyph(std::string_view name) {
  for (const auto& [symbol, glyph] : kSymbols)
    if (symbol == name) return glyph;
  return std::nullopt;
}

}  // namespace rw::ui

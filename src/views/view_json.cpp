#include "views/view_json.h"

#include <array>
#include <limits>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "views/counter_view.h"

namespace rw {

namespace {

/// The case of `Enum` whose `caseName` is the text of `value`, for the cases up to `last`.
template <class Enum>
Enum caseNamed(const nlohmann::json& value, Enum last, const char* what) {
  const std::string name = value.get<std::string>();
  for (int i = 0; i <= static_cast<int>(last); ++i)
    if (caseName(static_cast<Enum>(i)) == name) return static_cast<Enum>(i);
  throw std::invalid_argument(std::string("unknown ") + what + " \"" + name + "\"");
}

// A fraction, or a number no 64-bit integer holds, is refused rather than converted.
std::int64_t count(const nlohmann::json& value) {
  if (!value.is_number_integer() ||
      (value.is_number_unsigned() &&
       value.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))
    throw std::invalid_argument("expected a whole count, got " + value.dump());
  return value.get<std::int64_t>();
}

ui::Element counterView(const nlohmann::json& value) {
  return WidgetCounterView{caseNamed(value.at("layout"), CounterLayout::horizontal, "counter layout"),
                           caseNamed(value.at("style"), CounterStyle::today, "counter style"),
                           count(value.at("count"))};
}

}  // namespace

std::span<const ui::ElementJsonKind> viewJsonKinds() {
  static const std::array<ui::ElementJsonKind, 1> kinds{{{"WidgetCounterView", counterView}}};
  return kinds;
}

}  // namespace rw

// One count of reminders (overdue, or due today) with its symbol, label and colour, in one of four
// arrangements. The root view places two of them, overdue first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/elements.h"
#include "ui/environment.h"

namespace rw {

/// How a counter is arranged; cases in declaration order.
enum class CounterLayout : std::uint8_t {
  accessoryCircular,     // symbol and number, nothing else
  accessoryRectangular,  // symbol, label, spacer, bold number: one line in the host's font and colour
  vertical,              // a rounded box of the style's colour with label and number that fills its offer
  horizontal,            // a rounded box, exactly 30 points high, with symbol, label and number
};

/// Which count a counter shows; cases in declaration order.
enum class CounterStyle : std::uint8_t { overdue, today };

/// The system symbol of a style: "flame.fill" for overdue, "bell.fill" for today.
std::string_view counterSymbolName(CounterStyle style);
/// The label's localisation key: "OVERDUE" or "TODAY".
std::string_view counterLabelKey(CounterStyle style);
/// The box colour: the standard red for overdue, green for today.
ui::Color counterColor(CounterStyle style);

/// What assistive technologies read for a count: the style's label and the number ("Overdue, 3").
std::vector<ui::Text> counterAccessibilityLabel(CounterStyle style, std::int64_t count);

std::string_view caseName(CounterLayout layout);
std::string_view caseName(CounterStyle style);

struct WidgetCounterView {
  static constexpr const char* kViewName = "WidgetCounterView";

  CounterLayout layout = CounterLayout::horizontal;
  CounterStyle style = CounterStyle::overdue;
  std::int64_t count = 0;  // shown in plain decimal digits, with a minus sign when negative, never grouped

  /// The tree of `layout`. The number always has layout priority 1, so where a row runs short of room the
  /// label is cut before any digit is. The whole is one element for assistive technologies
  /// (`counterAccessibilityLabel`). Nothing here depends on the environment.
  ui::Element body(const ui::Environment& environment) const;
  /// "layout: horizontal, style: overdue, count: 3"
  std::string description() const;

  friend bool operator==(const WidgetCounterView&, const WidgetCounterView&) = default;
};

}  // namespace rw

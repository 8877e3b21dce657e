// One reminder as a tappable row of two lines:
//
//   title ..................................... 17:00      (or the amount, for an expense)
//   [Anna] [Leo] ............................. [TOMORROW]
//
// The person chips take the persons' palette colours, the due chip the colour of the due style. The whole
// row is a link to the reminder's own URL, or to the widget's link when it has none.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reminders/reminder_component.h"
#include "ui/elements.h"
#include "ui/environment.h"

namespace rw {

/// The link of the whole widget, which a row without a URL of its own opens too.
inline constexpr std::string_view kWidgetLinkURL = "corvantis2://reminders";

struct WidgetReminderView {
  static constexpr const char* kViewName = "WidgetReminderView";

  /// A small rounded chip: `text` in 11-point medium type, inset by 1 point above and below and 3 on the
  /// sides, on a background of `color`, clipped to continuous corners of 5 points. The text takes its
  /// colour from around the chip.
  struct Boilerplate {
    static constexpr const char* kViewName = "WidgetReminderView.Boilerplate";

    ui::Text text;
    ui::Color color;

    ui::Element body(const ui::Environment& environment) const;
    std::string description() const;
    friend bool operator==(const Boilerplate&, const Boilerplate&) = default;
  };

  WidgetTimelineReminderComponent reminderComponent;

  /// The row: a `Link` to `linkTarget()` around the title line and the chips line (a spacing of 4 between
  /// them). Titles are cut to one line before the due time or amount gives up any width (a title's line
  /// breaks read as spaces); person chips are squeezed before the due chip. Assistive technologies read the
  /// row as one element: title, due time or amount, every person's nick and the due text.
  ui::Element body(const ui::Environment& environment) const;

  /// The chips lines the row chooses from, the first that fits its width (`ViewThatFits`): every person
  /// chip, then one fewer with a "+1" chip, and so on to none and "+N". Each line ends in a spacer and the
  /// due chip; the due chip and the "+N" chip keep their full width (fixed, layout priority 1), person chips
  /// are cut with "…" down to `kMinimumPersonChipWidth`, and a line whose chips cannot shrink that far does
  /// not fit. Texts are kept to one line by the row.
  static std::vector<ui::Element> chipsLines(const WidgetTimelineReminderComponent& reminder);
  std::string description() const;

  /// The reminder's action URL (its absolute form) when it has one, else `kWidgetLinkURL`.
  std::string linkTarget() const;

  friend bool operator==(const WidgetReminderView&, const WidgetReminderView&) = default;
};

/// The narrowest a person chip is cut to (a letter and "…" in the chip's font and padding).
inline constexpr double kMinimumPersonChipWidth = 28;
/// The colour of the "+N" chip that stands for the person chips left out.
inline const ui::Color kMorePersonsColor = ui::Color::gray().withOpacity(0.8);

/// A person chip's colour: the palette colour of `colorEncoded.index` (0 to 14) or, for any other index, the
/// standard red, at opacity 0.8. The palette version is not looked at.
ui::Color personColor(const ColorEncoded& colorEncoded);

/// The due chip's colour at full opacity: red when overdue, green when due today, gray in the future.
ui::Color dueColor(WidgetTimelineReminderComponent::DueStyle style);

}  // namespace rw

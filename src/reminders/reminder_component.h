// The display model of one reminder: an event resolved against the payload's persons and against the day
// on which the widget shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "payload/records.h"
#include "platform/date.h"
#include "platform/url.h"
#include "platform/user_settings.h"
#include "reminders/due_text.h"

namespace rw {

/// The most characters (code points) of a title, nick, amount or notes a reminder keeps: more than one line of the
/// widest display (10 000 points) can show in the row's 15-point font, whose narrowest characters are
/// about 3 points wide. Longer texts are cut before anything measures or copies them again.
inline constexpr std::size_t kMaxShownCodePoints = 4096;
/// The most persons a reminder labels: each chip is at least 6 points wide (its padding), so no display
/// shows more.
inline constexpr std::size_t kMaxPersonLabels = 2048;

/// `text` cut to its first `kMaxShownCodePoints` code points, then back to the start of the grapheme cluster
/// the cut falls in; shorter texts whole. Reads at most a few hundred bytes past the cut.
std::string_view shownOnOneLine(std::string_view text);

struct WidgetTimelineReminderComponent {
  struct PersonLabelComponent {
    std::string identifier;  // also the chip's identity in the row
    std::string nick;
    ColorEncoded colorEncoded;

    friend bool operator==(const PersonLabelComponent&, const PersonLabelComponent&) = default;
  };

  enum class DueStyle : std::uint8_t { overdue, today, future };

  std::string identifier;
  CustodyEventType type = CustodyEventType::care;
  std::string title;
  std::vector<PersonLabelComponent> personsLabels;  // the caregiver first, never empty
  Date dueDate;
  std::string dueAmountText;
  DueStyle dueStyle = DueStyle::future;
  std::string dueText;
  std::string notes;
  std::optional<URL> actionURL;

  friend bool operator==(const WidgetTimelineReminderComponent&,
                         const WidgetTimelineReminderComponent&) = default;

  /// The reminder of `event` shown on the day of `displayOn`, or nothing (and the line "Error in
  /// WidgetTimelineReminderComponent.init(displayOn:event:persons:): No caregiver") when the event's
  /// caregiver is not among `persons`.
  static std::optional<WidgetTimelineReminderComponent> make(Date displayOn, const WidgetEventPayload& event,
                                                             const std::vector<WidgetPersonPayload>& persons,
                                                             const UserSettings& settings);
};

/// The part of an event's reminder that does not depend on the display day: the persons resolved and the
/// texts copied, made once for an event that a timeline shows on many days.
class ReminderTemplate {
 public:
  ReminderTemplate(const WidgetEventPayload& event, const std::vector<WidgetPersonPayload>& persons);

  /// Whether the event's caregiver is among the persons.
  bool hasCaregiver() const { return parts_.has_value(); }

  /// What `WidgetTimelineReminderComponent::make(displayOn, event, persons, settings)` answers for the
  /// event and persons this was made from, the line about a missing caregiver included (printed at each
  /// call, as `make` prints it).
  std::optional<WidgetTimelineReminderComponent> shownOn(Date displayOn, const UserSettings& settings) const;
  /// The same, with the due text from `dueTexts`, whose catalog must be `settings.strings`.
  std::optional<WidgetTimelineReminderComponent> shownOn(Date displayOn, const UserSettings& settings,
                                                         DueTexts& dueTexts) const;

 private:
  std::optional<WidgetTimelineReminderComponent> parts_;  // without due style and text
};

/// Whole-day comparison of the due day with the display day.
WidgetTimelineReminderComponent::DueStyle makeDueStyle(Date displayOn, Date dueDate,
                                                       const Calendar& calendar);

/// "overdue", "today" or "future".
std::string_view dueStyleName(WidgetTimelineReminderComponent::DueStyle style);

}  // namespace rw

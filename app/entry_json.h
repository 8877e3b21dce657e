// The JSON form of the provider's answers, as `placeholder`, `snapshot` and `timeline -o FILE` write them.
// Keys keep the order of the fields; dates are RFC 3339 in UTC with three decimals.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <vector>

#include "payload_json.h"
#include "reminders/reminder_component.h"
#include "widget/host.h"
#include "widget/timeline_entry.h"

namespace rw::app {

// Person colours are written as the payload's JSON writes them (`toJson(const ColorEncoded&)`).

/// {"case": "systemMediumLarge", "remindersCount": 5, "rowSpacing": 9.0}, or {"case": "systemSmall"} etc.
Json layoutJson(const ContentLayout& layout);
/// identifier, type, title, personsLabels, dueDate, dueAmountText, dueStyle, dueText, notes, actionURL
/// (the absolute URL text, or null).
Json reminderJson(const WidgetTimelineReminderComponent& reminder);
/// date, layout, overdueCount, todayCount, reminders.
Json entryJson(const RemindersWidgetTimelineEntry& entry);

/// The whole answer: {"request", "family", "displaySize", "policy" (null without a timeline), "entries"}.
Json requestJson(std::string_view request, const TimelineProviderContext& context,
                 std::optional<TimelineReloadPolicy> policy,
                 const std::vector<RemindersWidgetTimelineEntry>& entries);

}  // namespace rw::app

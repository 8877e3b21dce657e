// The JSON form of the provider's answers, as `placeholder`, `snapshot` and `timeline -o FILE` write them.
// Keys keep the order of the fields; dates are RFC 3339 in UTC with three decimals.
//
//   {"request", "family", "displaySize": {"width", "height"}, "policy" (null without a timeline),
//    "entries": [{"date", "layout", "overdueCount", "todayCount", "reminders": [...]}]}
//
// A layout is {"case": "systemMediumLarge", "remindersCount": 5, "rowSpacing": 9.0}, or {"case":
// "systemSmall"} etc. A reminder has identifier, type, title, personsLabels ({"identifier", "nick",
// "colorEncoded": {"version", "index"}}, as the payload's JSON writes colours), dueDate, dueAmountText,
// dueStyle, dueText, notes and actionURL (the resolved URL text, or null). A due date outside the years 1
// to 9999 is an expanded ISO 8601 text, or past nine-digit years a number of seconds since 2001-01-01.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json_writer.h"
#include "reminders/reminder_component.h"
#include "widget/host.h"
#include "widget/timeline_entry.h"

namespace rw::app {

void writeLayout(JsonWriter& out, const ContentLayout& layout);
void writeReminder(JsonWriter& out, const WidgetTimelineReminderComponent& reminder);
void writeEntry(JsonWriter& out, const RemindersWidgetTimelineEntry& entry);

/// The whole answer, as indented JSON (two spaces) without a final newline, written to `out`.
void writeRequest(JsonWriter& out, std::string_view request, const TimelineProviderContext& context,
                  std::optional<TimelineReloadPolicy> policy,
                  const std::vector<RemindersWidgetTimelineEntry>& entries);
/// The same as one text.
std::string requestJson(std::string_view request, const TimelineProviderContext& context,
                        std::optional<TimelineReloadPolicy> policy,
                        const std::vector<RemindersWidgetTimelineEntry>& entries);

}  // namespace rw::app

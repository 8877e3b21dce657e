// Structural equality of the model values the views hold, which the model itself does not declare. Views
// nested in element trees compare by value (elements.h), so each view's `operator==` compares its fields
// with these.
#pragma once

#include "reminders/reminder_component.h"
#include "widget/timeline_entry.h"

namespace rw {

/// Every field equal, person labels included (in order).
bool sameComponent(const WidgetTimelineReminderComponent& a, const WidgetTimelineReminderComponent& b);

/// Every field equal, reminders included (in order).
bool sameEntry(const RemindersWidgetTimelineEntry& a, const RemindersWidgetTimelineEntry& b);

}  // namespace rw

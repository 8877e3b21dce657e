#include "views/value_equality.h"

#include <algorithm>

namespace rw {

namespace {

bool sameLabel(const WidgetTimelineReminderComponent::PersonLabelComponent& a,
               const WidgetTimelineReminderComponent::PersonLabelComponent& b) {
  return a.identifier == b.identifier && a.nick == b.nick && a.colorEncoded == b.colorEncoded;
}

}  // namespace

bool sameComponent(const WidgetTimelineReminderComponent& a, const WidgetTimelineReminderComponent& b) {
  return a.identifier == b.identifier && a.type == b.type && a.title == b.title &&
         std::ranges::equal(a.personsLabels, b.personsLabels, sameLabel) && a.dueDate == b.dueDate &&
         a.dueAmountText == b.dueAmountText && a.dueStyle == b.dueStyle && a.dueText == b.dueText &&
         a.notes == b.notes && a.actionURL == b.actionURL;
}

bool sameEntry(const RemindersWidgetTimelineEntry& a, const RemindersWidgetTimelineEntry& b) {
  return a.date == b.date && a.layout == b.layout && a.overdueCount == b.overdueCount &&
         a.todayCount == b.todayCount && std::ranges::equal(a.reminders, b.reminders, sameComponent);
}

}  // namespace rw

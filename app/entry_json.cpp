#include "entry_json.h"

#include <type_traits>

#include "platform/date.h"

namespace rw::app {

namespace {

// Every date the provider makes is representable; one that is not (an event built outside the decoder)
// is written as null rather than as a malformed text.
Json dateJson(Date date) {
  return isRepresentable(date) ? Json(formatRfc3339(date)) : Json(nullptr);
}

}  // namespace

Json layoutJson(const ContentLayout& layout) {
  Json json{{"case", caseName(layout)}};
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout)) {
    json["remindersCount"] = list->size.remindersCount;
    json["rowSpacing"] = list->size.rowSpacing;
  }
  return json;
}

Json reminderJson(const WidgetTimelineReminderComponent& reminder) {
  Json labels = Json::array();
  for (const auto& label : reminder.personsLabels)
    labels.push_back(Json{{"identifier", label.identifier},
                          {"nick", label.nick},
                          {"colorEncoded", toJson(label.colorEncoded)}});
  return Json{
      {"identifier", reminder.identifier},
      {"type", rawValue(reminder.type)},
      {"title", reminder.title},
      {"personsLabels", std::move(labels)},
      {"dueDate", dateJson(reminder.dueDate)},
      {"dueAmountText", reminder.dueAmountText},
      {"dueStyle", dueStyleName(reminder.dueStyle)},
      {"dueText", reminder.dueText},
      {"notes", reminder.notes},
      {"actionURL", reminder.actionURL ? Json(reminder.actionURL->absoluteString()) : Json(nullptr)},
  };
}

Json entryJson(const RemindersWidgetTimelineEntry& entry) {
  Json reminders = Json::array();
  for (const auto& reminder : entry.reminders)
    reminders.push_back(reminderJson(reminder));
  return Json{
      {"date", dateJson(entry.date)},       {"layout", layoutJson(entry.layout)},
      {"overdueCount", entry.overdueCount}, {"todayCount", entry.todayCount},
      {"reminders", std::move(reminders)},
  };
}

Json requestJson(std::string_view request, const TimelineProviderContext& context,
                 std::optional<TimelineReloadPolicy> policy,
                 const std::vector<RemindersWidgetTimelineEntry>& entries) {
  Json list = Json::array();
  for (const auto& entry : entries)
    list.push_back(entryJson(entry));
  return Json{
      {"request", request},
      {"family", familyName(context.family)},
      {"displaySize", Json{{"width", context.displaySize.width}, {"height", context.displaySize.height}}},
      {"policy", policy ? Json(policyName(*policy)) : Json(nullptr)},
      {"entries", std::move(list)},
  };
}

}  // namespace rw::app

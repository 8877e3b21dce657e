#include "entry_json.h"

#include "platform/date.h"

namespace rw::app {

namespace {

// Every date the provider makes is representable; one that is not (an event built outside the decoder)
// is written as null rather than as a malformed text.
void writeDate(JsonWriter& out, std::string_view name, Date date) {
  out.key(name);
  if (isRepresentable(date))
    out.string(formatRfc3339(date));
  else
    out.null();
}

void writeColor(JsonWriter& out, const ColorEncoded& color) {
  out.beginObject();
  out.member("version", std::string_view(color.version));
  out.member("index", color.index);
  out.endObject();
}

}  // namespace

void writeLayout(JsonWriter& out, const ContentLayout& layout) {
  out.beginObject();
  out.member("case", caseName(layout));
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout)) {
    out.member("remindersCount", list->size.remindersCount);
    out.key("rowSpacing");
    out.number(list->size.rowSpacing);
  }
  out.endObject();
}

void writeReminder(JsonWriter& out, const WidgetTimelineReminderComponent& reminder) {
  out.beginObject();
  out.member("identifier", std::string_view(reminder.identifier));
  out.member("type", rawValue(reminder.type));
  out.member("title", std::string_view(reminder.title));
  out.key("personsLabels");
  out.beginArray();
  for (const auto& label : reminder.personsLabels) {
    out.beginObject();
    out.member("identifier", std::string_view(label.identifier));
    out.member("nick", std::string_view(label.nick));
    out.key("colorEncoded");
    writeColor(out, label.colorEncoded);
    out.endObject();
  }
  out.endArray();
  writeDate(out, "dueDate", reminder.dueDate);
  out.member("dueAmountText", std::string_view(reminder.dueAmountText));
  out.member("dueStyle", dueStyleName(reminder.dueStyle));
  out.member("dueText", std::string_view(reminder.dueText));
  out.member("notes", std::string_view(reminder.notes));
  out.key("actionURL");
  if (reminder.actionURL)
    out.string(reminder.actionURL->absoluteString());
  else
    out.null();
  out.endObject();
}

void writeEntry(JsonWriter& out, const RemindersWidgetTimelineEntry& entry) {
  out.beginObject();
  writeDate(out, "date", entry.date);
  out.key("layout");
  writeLayout(out, entry.layout);
  out.member("overdueCount", entry.overdueCount);
  out.member("todayCount", entry.todayCount);
  out.key("reminders");
  out.beginArray();
  for (const auto& reminder : entry.reminders)
    writeReminder(out, reminder);
  out.endArray();
  out.endObject();
}

void writeRequest(JsonWriter& out, std::string_view request, const TimelineProviderContext& context,
                  std::optional<TimelineReloadPolicy> policy,
                  const std::vector<RemindersWidgetTimelineEntry>& entries) {
  out.beginObject();
  out.member("request", request);
  out.member("family", familyName(context.family));
  out.key("displaySize");
  out.beginObject();
  out.key("width");
  out.number(context.displaySize.width);
  out.key("height");
  out.number(context.displaySize.height);
  out.endObject();
  out.key("policy");
  if (policy)
    out.string(policyName(*policy));
  else
    out.null();
  out.key("entries");
  out.beginArray();
  for (const auto& entry : entries)
    writeEntry(out, entry);
  out.endArray();
  out.endObject();
}

std::string requestJson(std::string_view request, const TimelineProviderContext& context,
                        std::optional<TimelineReloadPolicy> policy,
                        const std::vector<RemindersWidgetTimelineEntry>& entries) {
  JsonWriter out;
  writeRequest(out, request, context, policy, entries);
  return out.take();
}

}  // namespace rw::app

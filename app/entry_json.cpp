#include "entry_json.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/date.h"
#include "platform/made_texts.h"

namespace rw::app {

namespace {

// The texts of the dates one answer writes. The entries of a timeline show the same earliest events day
// after day, so an answer holds few distinct dates many times over; each is formatted once.
class DateTexts {
 public:
  std::string_view text(Date date) {
    return texts_.text(std::bit_cast<std::uint64_t>(date.sinceReferenceDate),
                       [date] { return formatRfc3339(date); });
  }

 private:
  MadeTexts<std::uint64_t, 64> texts_;  // a few entries' worth; more dates are formatted each time
};

// Dates of the years 1 to 9999 have three decimals. A due date from the payload may lie beyond them: it is
// written expanded ("+200000-01-01T00:00:00.000Z"), or past nine-digit years as its number of seconds
// since 2001-01-01; only a date that is not finite (never one from the decoder) is null.
void writeDate(JsonWriter& out, const JsonWriter::Name& name, Date date, DateTexts& dates) {
  out.key(name);
  if (isRepresentable(date)) {
    out.string(dates.text(date));
  } else if (const auto wide = isFinite(date) ? formatDateText(date) : std::nullopt) {
    out.string(*wide);  // years beyond 9999 (or before 1), expanded
  } else if (isFinite(date)) {
    out.number(date.sinceReferenceDate);
  } else {
    out.null();
  }
}

void writeColor(JsonWriter& out, const ColorEncoded& color) {
  out.beginObject();
  out.member("version", std::string_view(color.version));
  out.member("index", color.index);
  out.endObject();
}

void writeReminder(JsonWriter& out, const WidgetTimelineReminderComponent& reminder, DateTexts& dates) {
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
  writeDate(out, "dueDate", reminder.dueDate, dates);
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

// The texts of the reminders one answer has written. A timeline shows the same earliest reminders day after
// day, mostly with the same due text: each is written once and its text copied after. Lookups compare
// whole reminders, so two that differ in anything written are never confused.
class ReminderTexts {
 public:
  void write(JsonWriter& out, const WidgetTimelineReminderComponent& reminder, DateTexts& dates) {
    // A reminder with long texts (a link of megabytes) is written each time: keeping a copy of its text for
    // each of a timeline's days would cost that many copies at once.
    constexpr std::size_t kLongestKept = 64 * 1024;
    if (reminder.title.size() + reminder.notes.size() + reminder.dueAmountText.size() +
            (reminder.actionURL ? reminder.actionURL->absoluteString().size() : 0) >
        kLongestKept)
      return writeReminder(out, reminder, dates);
    bool written = false;
    const std::string& text = texts_.text(reminder, [&] {
      written = true;
      return std::string(out.recorded([&](JsonWriter& writer) { writeReminder(writer, reminder, dates); }));
    });
    if (!written) out.copy(text);
  }

 private:
  MadeTexts<WidgetTimelineReminderComponent, 64> texts_;  // a timeline's rows; past them, written each time
};

void writeEntry(JsonWriter& out, const RemindersWidgetTimelineEntry& entry, DateTexts& dates,
                ReminderTexts& reminders) {
  out.beginObject();
  writeDate(out, "date", entry.date, dates);
  out.key("layout");
  writeLayout(out, entry.layout);
  out.member("overdueCount", entry.overdueCount);
  out.member("todayCount", entry.todayCount);
  out.key("reminders");
  out.beginArray();
  for (const auto& reminder : entry.reminders)
    reminders.write(out, reminder, dates);
  out.endArray();
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
  DateTexts dates;
  writeReminder(out, reminder, dates);
}

void writeEntry(JsonWriter& out, const RemindersWidgetTimelineEntry& entry) {
  DateTexts dates;
  ReminderTexts reminders;
  writeEntry(out, entry, dates, reminders);
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
  DateTexts dates;
  ReminderTexts reminders;
  for (const auto& entry : entries)
    writeEntry(out, entry, dates, reminders);
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

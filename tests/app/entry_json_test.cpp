// The JSON form of the provider's answers, whose writer keeps what it wrote last: dates and reminders that
// an answer repeats entry after entry must read as if each were written afresh.
#include "entry_json.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace rw::app {
namespace {

using Json = nlohmann::ordered_json;

WidgetTimelineReminderComponent reminderDueAt(Date due) {
  WidgetTimelineReminderComponent reminder;
  reminder.identifier = "E";
  reminder.title = "Dentist";
  reminder.personsLabels.push_back({.identifier = "C1", .nick = "Mum", .colorEncoded = {}});
  reminder.dueDate = due;
  reminder.actionURL = URL::make("corvantis2://reminders/event/E");
  return reminder;
}

// Each variant differs from the first reminder in one field.
std::vector<WidgetTimelineReminderComponent> variants(Date due) {
  std::vector<WidgetTimelineReminderComponent> all;
  const auto add = [&](auto change) { change(all.emplace_back(reminderDueAt(due))); };
  add([](auto&) {});
  add([](auto& r) { r.identifier = "F"; });
  add([](auto& r) { r.type = CustodyEventType::expense; });
  add([](auto& r) { r.title = "Dentist\n\"at 9\""; });
  add([](auto& r) { r.personsLabels[0].nick = "Dad"; });
  add([](auto& r) { r.personsLabels[0].colorEncoded.index = 3; });
  add([](auto& r) { r.personsLabels.push_back(r.personsLabels[0]); });
  add([&](auto& r) { r.dueDate = due.adding(0.001); });
  add([&](auto& r) { r.dueDate = due.adding(0.5); });
  add([](auto& r) { r.dueAmountText = "€12.50"; });
  add([](auto& r) { r.dueStyle = WidgetTimelineReminderComponent::DueStyle::today; });
  add([](auto& r) { r.dueText = "Tomorrow"; });
  add([](auto& r) { r.notes = "Bring the card"; });
  add([](auto& r) { r.actionURL.reset(); });
  add([](auto& r) { r.dueDate = Date{std::numeric_limits<double>::quiet_NaN()}; });
  return all;
}

TEST(EntryJson, EveryReminderAndDateReadsAsWrittenAfresh) {
  // 40 entries of the same variants, plus reminders due at a new instant in every entry (more dates than
  // are kept formatted) and, on one day, more distinct reminders than are remembered.
  const Date due = *parseRfc3339("2026-12-07T09:30:00.125Z");
  std::vector<RemindersWidgetTimelineEntry> entries;
  for (int day = 0; day < 40; ++day) {
    RemindersWidgetTimelineEntry entry;
    entry.date = due.adding(day * 86'400.0);
    entry.layout = content_layout::SystemMediumLarge{RemindersListSize{5, 9.0}};
    entry.reminders = variants(due);
    for (int i = 0; i < 3; ++i)
      entry.reminders.push_back(reminderDueAt(due.adding(day * 7'919.0 + i * 61.0 + 0.001)));
    for (int i = 0; day == 4 && i < 60; ++i) {
      entry.reminders.push_back(reminderDueAt(due));
      entry.reminders.back().identifier = "once " + std::to_string(i);
    }
    entries.push_back(std::move(entry));
  }
  const TimelineProviderContext context{.family = WidgetFamily::systemLarge, .displaySize = {364, 382}};
  const std::string answer = requestJson("timeline", context, TimelineReloadPolicy::atEnd, entries);
  const auto json = Json::parse(answer);
  // Copied texts keep the indentation of their place.
  EXPECT_EQ(answer, json.dump(2));
  ASSERT_EQ(json["entries"].size(), entries.size());
  for (std::size_t e = 0; e < entries.size(); ++e) {
    EXPECT_EQ(json["entries"][e]["date"], formatRfc3339(entries[e].date)) << e;
    ASSERT_EQ(json["entries"][e]["reminders"].size(), entries[e].reminders.size()) << e;
    for (std::size_t r = 0; r < entries[e].reminders.size(); ++r) {
      const auto& reminder = entries[e].reminders[r];
      JsonWriter alone;
      writeReminder(alone, reminder);
      const auto written = json["entries"][e]["reminders"][r];
      EXPECT_EQ(written, Json::parse(alone.take())) << e << " " << r;
      EXPECT_EQ(written["dueDate"],
                isRepresentable(reminder.dueDate) ? Json(formatRfc3339(reminder.dueDate)) : Json())
          << e << " " << r;
    }
  }
  // An entry written alone has the same dates.
  JsonWriter one;
  writeEntry(one, entries[5]);
  EXPECT_EQ(Json::parse(one.take())["reminders"][16]["dueDate"],
            formatRfc3339(entries[5].reminders[16].dueDate));
}

}  // namespace
}  // namespace rw::app

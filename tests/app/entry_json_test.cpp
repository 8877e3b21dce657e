// The JSON form of the provider's answers: dates, which an answer repeats entry after entry.
#include "entry_json.h"

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

namespace rw::app {
namespace {

WidgetTimelineReminderComponent reminderDueAt(Date due) {
  WidgetTimelineReminderComponent reminder;
  reminder.identifier = "E";
  reminder.title = "Dentist";
  reminder.personsLabels.push_back({.identifier = "C1", .nick = "Mum", .colorEncoded = {}});
  reminder.dueDate = due;
  return reminder;
}

TEST(EntryJson, WritesEveryDateOfAnAnswerWithManyRepeatedAndDistinctDates) {
  // 40 entries of 5 reminders: the first two due at the same instants in every entry, the others at a new
  // instant each time (200 dates in all, more than are kept formatted), and one date without a text.
  const Date base = *parseRfc3339("2026-12-07T09:30:00.125Z");
  std::vector<RemindersWidgetTimelineEntry> entries;
  for (int day = 0; day < 40; ++day) {
    RemindersWidgetTimelineEntry entry;
    entry.date = base.adding(day * 86'400.0);
    entry.layout = content_layout::SystemMediumLarge{RemindersListSize{5, 9.0}};
    entry.reminders.push_back(reminderDueAt(base.adding(-3600)));
    entry.reminders.push_back(reminderDueAt(base.adding(0.5)));
    for (int i = 0; i < 3; ++i)
      entry.reminders.push_back(reminderDueAt(base.adding(day * 7'919.0 + i * 61.0 + 0.001)));
    entries.push_back(std::move(entry));
  }
  entries[3].reminders[4].dueDate = Date{std::numeric_limits<double>::quiet_NaN()};

  const TimelineProviderContext context{.family = WidgetFamily::systemLarge, .displaySize = {364, 382}};
  const auto json =
      nlohmann::json::parse(requestJson("timeline", context, TimelineReloadPolicy::atEnd, entries));
  ASSERT_EQ(json["entries"].size(), entries.size());
  for (std::size_t e = 0; e < entries.size(); ++e) {
    const auto& entry = json["entries"][e];
    EXPECT_EQ(entry["date"], formatRfc3339(entries[e].date)) << e;
    ASSERT_EQ(entry["reminders"].size(), 5u);
    for (std::size_t r = 0; r < 5; ++r) {
      const Date due = entries[e].reminders[r].dueDate;
      if (isRepresentable(due))
        EXPECT_EQ(entry["reminders"][r]["dueDate"], formatRfc3339(due)) << e << " " << r;
      else
        EXPECT_TRUE(entry["reminders"][r]["dueDate"].is_null()) << e << " " << r;
    }
  }
  // A reminder or an entry written alone has the same dates.
  JsonWriter one;
  writeEntry(one, entries[5]);
  EXPECT_EQ(nlohmann::json::parse(one.take())["reminders"][2]["dueDate"],
            formatRfc3339(entries[5].reminders[2].dueDate));
}

}  // namespace
}  // namespace rw::app

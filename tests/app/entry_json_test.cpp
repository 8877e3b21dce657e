// The JSON form of the provider's answers: dates, which an answer repeats entry after entry.
#include "entry_json.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

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

TEST(EntryJson, RemindersRepeatedAcrossEntriesAreWrittenAsTheyAre) {
  // Entries show the same reminders day after day; an answer must read as every reminder written afresh,
  // whether a reminder equals one written before, differs from it in a single field, or comes after
  // more distinct reminders than are remembered.
  const Date due = *parseRfc3339("2026-12-01T08:00:00Z");
  const auto variants = [&] {
    std::vector<WidgetTimelineReminderComponent> all;
    const auto add = [&](auto change) {
      auto reminder = reminderDueAt(due);
      reminder.actionURL = URL::make("corvantis2://reminders/event/E");
      change(reminder);
      all.push_back(std::move(reminder));
    };
    add([](auto&) {});
    add([](auto& r) { r.identifier = "F"; });
    add([](auto& r) { r.type = CustodyEventType::expense; });
    add([](auto& r) { r.title = "Dentist\n\"at 9\""; });
    add([](auto& r) { r.personsLabels[0].nick = "Dad"; });
    add([](auto& r) { r.personsLabels[0].colorEncoded.index = 3; });
    add([](auto& r) { r.personsLabels.push_back(r.personsLabels[0]); });
    add([&](auto& r) { r.dueDate = due.adding(0.001); });
    add([](auto& r) { r.dueAmountText = "€12.50"; });
    add([](auto& r) { r.dueStyle = WidgetTimelineReminderComponent::DueStyle::today; });
    add([](auto& r) { r.dueText = "Tomorrow"; });
    add([](auto& r) { r.notes = "Bring the card"; });
    add([](auto& r) { r.actionURL.reset(); });
    return all;
  }();
  std::vector<RemindersWidgetTimelineEntry> entries;
  for (int day = 0; day < 12; ++day) {
    RemindersWidgetTimelineEntry entry;
    entry.date = due.adding(day * 86'400.0);
    entry.layout = content_layout::SystemMediumLarge{RemindersListSize{5, 9.0}};
    entry.reminders = variants;
    // 60 reminders seen once each fill what is remembered: the rest are written afresh each time.
    for (int i = 0; day == 4 && i < 60; ++i) {
      entry.reminders.push_back(reminderDueAt(due));
      entry.reminders.back().identifier = "once " + std::to_string(i);
    }
    entries.push_back(std::move(entry));
  }

  const TimelineProviderContext context{.family = WidgetFamily::systemLarge, .displaySize = {364, 382}};
  const std::string answer = requestJson("timeline", context, TimelineReloadPolicy::atEnd, entries);
  const auto json = nlohmann::json::parse(answer);
  ASSERT_EQ(json["entries"].size(), entries.size());
  for (std::size_t e = 0; e < entries.size(); ++e) {
    ASSERT_EQ(json["entries"][e]["reminders"].size(), entries[e].reminders.size()) << e;
    for (std::size_t r = 0; r < entries[e].reminders.size(); ++r) {
      JsonWriter alone;
      writeReminder(alone, entries[e].reminders[r]);
      EXPECT_EQ(json["entries"][e]["reminders"][r], nlohmann::json::parse(alone.take())) << e << " " << r;
    }
  }
  // Copied texts keep the indentation of their place: every line is indented by its depth.
  int depth = 0, line = 0;
  for (std::size_t at = 0; at < answer.size();) {
    const std::size_t end = std::min(answer.find('\n', at), answer.size());
    const std::string_view text(answer.data() + at, end - at);
    const std::size_t indent = text.find_first_not_of(' ');
    ASSERT_NE(indent, std::string_view::npos) << "line " << line;
    const bool closing = text[indent] == '}' || text[indent] == ']';
    ASSERT_EQ(indent, static_cast<std::size_t>(2 * (depth - (closing ? 1 : 0))))
        << "line " << line << ": " << text;
    bool inString = false;
    for (std::size_t i = indent; i < text.size(); ++i) {
      if (inString) {
        if (text[i] == '\\')
          ++i;
        else if (text[i] == '"')
          inString = false;
      } else if (text[i] == '"') {
        inString = true;
      } else if (text[i] == '{' || text[i] == '[') {
        ++depth;
      } else if (text[i] == '}' || text[i] == ']') {
        --depth;
      }
    }
    at = end + 1;
    ++line;
  }
  EXPECT_EQ(depth, 0);
}

}  // namespace
}  // namespace rw::app

// The JSON writer of the request answers and the entries' JSON form: the bytes of nlohmann's dump(2).
#include "json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "entry_json.h"

namespace rw::app {
namespace {

using Json = nlohmann::ordered_json;

std::string dumped(const Json& value, int indent = -1) {
  return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

// Texts with every kind of byte: plain, escaped, multi-byte characters and ill-formed UTF-8.
// clang-format off
const std::string kPieces[] = {"a", "Übergabe am Bahnhof – Zoë ", "Wycieczka 🎒", "\"", "\\", "/", "\n\t",
                               std::string(1, '\0'), "\x1f", "\x7f", "\xff", "a\xc3", "\xe2\x82", "\xc0\xaf",
                               "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80\x80", "\xf0\x9f\x8e",
                               "0123456789abcdef"};
constexpr std::int64_t kIntegers[] = {0, -1, 7, std::numeric_limits<std::int64_t>::min(),
                                      std::numeric_limits<std::int64_t>::max()};
const double kNumbers[] = {9.0, 364.5, -0.0, 1e16, 0.00001, 0.0001, 7.0, 999'999'999'999'999.0,
                           9'007'199'254'740'993.0, std::nan(""), std::numeric_limits<double>::infinity()};
// clang-format on
const JsonWriter::Name kNames[] = {"request", "empty", "entries", "rowSpacing"};
const char* const kNameTexts[] = {"request", "empty", "entries", "rowSpacing"};

// Writes a random value of at most `depth` levels to `out` and returns it as the library's value.
Json generate(std::mt19937& random, JsonWriter& out, int depth) {
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  Json value = Json::array();
  std::string text;
  switch (depth > 0 ? pick(6) : 2 + pick(4)) {
    case 0:
      value = Json::object(), out.beginObject();
      for (std::size_t i = 0, n = pick(5); i < n; ++i)
        out.key(kNames[i]), value[kNameTexts[i]] = generate(random, out, depth - 1);
      return out.endObject(), value;
    case 1:
      out.beginArray();
      for (std::size_t i = 0, n = pick(4); i < n; ++i)
        value.push_back(generate(random, out, depth - 1));
      return out.endArray(), value;
    case 2:
      return out.integer((value = kIntegers[pick(std::size(kIntegers))]).get<std::int64_t>()), value;
    case 3:
      return out.number((value = kNumbers[pick(std::size(kNumbers))]).get<double>()), value;
    case 4:
      for (std::size_t i = 0, n = pick(8); i < n; ++i)
        text += kPieces[pick(std::size(kPieces))];
      return out.string(text), text;
    default:
      return out.null(), nullptr;
  }
}

TEST(JsonWriter, WritesGeneratedDocumentsAndNumbersOfEverySizeAsTheLibraryDumpsThem) {
  std::mt19937 random(2026);
  for (int document = 0; document < 400; ++document) {
    JsonWriter out;
    const Json expected = generate(random, out, 4);
    ASSERT_EQ(out.take(), dumped(expected, 2)) << "document " << document;
  }
  // Whole numbers of every size, around where the library's form turns to an exponent, and neighbours.
  std::vector<double> values(std::begin(kNumbers), std::end(kNumbers));
  for (double whole = 1; whole < 1e18; whole *= 10)
    for (const double near : {whole - 1, whole, whole + 1, whole + 0.5, whole * 7 / 3})
      values.insert(values.end(), {near, -near});
  for (const double value : values) {
    JsonWriter out;
    out.number(value);
    EXPECT_EQ(out.take(), Json(value).dump()) << value;  // 9.0 as "9.0", 1e16 as "1e+16"
  }
}

WidgetTimelineReminderComponent reminderDueAt(Date due) {
  WidgetTimelineReminderComponent reminder;
  reminder.identifier = "E";
  reminder.title = "Dentist";
  reminder.personsLabels.push_back({.identifier = "C1", .nick = "Mum", .colorEncoded = {}});
  reminder.dueDate = due;
  reminder.actionURL = URL::make("corvantis2://reminders/event/E");
  return reminder;
}

// The entries' writer keeps what it wrote last: repeated dates and reminders read as if written afresh.
TEST(EntryJson, EveryReminderAndDateReadsAsWrittenAfresh) {
  const Date due = *parseRfc3339("2026-12-07T09:30:00.125Z");
  // Each variant differs from the first reminder in one field.
  std::vector<WidgetTimelineReminderComponent> variants;
  const auto add = [&](auto change) { change(variants.emplace_back(reminderDueAt(due))); };
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
  // 40 entries of them, new due instants in each (more than are kept) and once more reminders than kept.
  std::vector<RemindersWidgetTimelineEntry> entries;
  for (int day = 0; day < 40; ++day) {
    RemindersWidgetTimelineEntry& entry = entries.emplace_back();
    entry.date = due.adding(day * 86'400.0);
    entry.layout = content_layout::SystemMediumLarge{RemindersListSize{5, 9.0}};
    entry.reminders = variants;
    for (int i = 0; i < 3; ++i)
      entry.reminders.push_back(reminderDueAt(due.adding(day * 7'919.0 + i * 61.0 + 0.001)));
    for (int i = 0; day == 4 && i < 60; ++i)
      entry.reminders.push_back(reminderDueAt(due)),
          entry.reminders.back().identifier = "once " + std::to_string(i);
  }
  const TimelineProviderContext context{.family = WidgetFamily::systemLarge, .displaySize = {364, 382}};
  const std::string answer = requestJson("timeline", context, TimelineReloadPolicy::atEnd, entries);
  const auto json = Json::parse(answer);
  EXPECT_EQ(answer, json.dump(2));  // copied texts keep the indentation of their place
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
  JsonWriter one;  // an entry written alone has the same dates
  writeEntry(one, entries[5]);
  EXPECT_EQ(Json::parse(one.take())["reminders"][16]["dueDate"],
            formatRfc3339(entries[5].reminders[16].dueDate));
}

}  // namespace
}  // namespace rw::app

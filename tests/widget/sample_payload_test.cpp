// The sample payload the gallery shows: its events placed on days around now, one overdue and one for
// today whatever the zone or the first day of the week, with new identifiers each time.
#include "widget/sample_payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/provider.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::settingsFor;

RemindersWidgetPayload sampleAt(const UserSettings& settings, Date now) {
  return samplePayload(settings.calendar, settings.strings, fixedClock(now));
}

// Yesterday at 14:00:30, today at 17:00, 15:00 on the first day of next week, and 01:00 on the first day of
// the week after the first of next month: one overdue and one for today, listed by planned start.
TEST(SamplePayload, EventsStartAroundNowWithOneOverdueAndOneTodayInEveryZone) {
  const struct {
    const char* zone;
    const char* locale;
    const char* now;
    bool travelBeforeCall;
    const char* starts;  // the four planned starts, when given
  } cases[] = {
      {"America/New_York", "en_US", "2026-12-09T10:00:00-05:00", false,
       "2026-12-08T14:00:30-05:00 2026-12-09T17:00:00-05:00 2026-12-13T15:00:00-05:00 "
       "2027-01-03T01:00:00-05:00"},
      // 2018-11-04 has no midnight in Sao Paulo: that day and its week begin at 01:00.
      {"America/Sao_Paulo", "pt_BR", "2018-11-04T01:00:00-02:00", false,
       "2018-11-03T14:00:30-03:00 2018-11-04T17:00:00-02:00 2018-11-11T15:00:00-02:00 "
       "2018-12-02T01:00:00-02:00"},
      // The last second of a year far east, weeks from Monday.
      {"Pacific/Kiritimati", "en_GB", "2026-12-31T23:59:59+14:00", true,
       "2026-12-30T14:00:30+14:00 2026-12-31T17:00:00+14:00 2027-01-04T15:00:00+14:00 "
       "2027-01-04T01:00:00+14:00"},
      {"Asia/Tokyo", "ja_JP", "2026-06-17T23:59:00+09:00", false, ""},
      {"Australia/Lord_Howe", "en_AU", "2026-10-07T09:00:00+11:00", false, ""},
      // On the last day of a week (Saturday, Friday) the call is tomorrow, not today.
      {"America/New_York", "en_US", "2026-12-12T09:00:00-05:00", false, ""},
      {"Africa/Cairo", "ar_EG", "2026-12-11T09:00:00+02:00", false, ""},
      // 2027-01-01 falls in this week whether weeks begin on Sunday, Monday or Saturday: travel (01:00) is
      // next week before the call (15:00).
      {"America/New_York", "en_US", "2026-12-30T10:00:00-05:00", true, ""},
      {"Africa/Cairo", "ar_EG", "2026-12-30T10:00:00+02:00", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.now);
    const UserSettings settings = settingsFor(c.zone, c.locale);
    const auto sample = sampleAt(settings, at(c.now));
    ASSERT_EQ(sample.events.size(), 4u);
    std::istringstream starts(c.starts);
    std::size_t n = 0;
    for (std::string start; starts >> start; ++n)
      EXPECT_EQ(formatRfc3339(sample.events[n].plannedDateFrom), formatRfc3339(at(start))) << n;
    const auto entry = makeTimelineEntry(at(c.now), sample.events, sample.persons,
                                         {WidgetFamily::systemLarge, {364, 382}}, settings);
    EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
    // Every event's caregiver is among the sample's persons, so every one is listed.
    ASSERT_EQ(entry.reminders.size(), 4u);
    const std::size_t order[] = {0, 1, c.travelBeforeCall ? 3u : 2u, c.travelBeforeCall ? 2u : 3u};
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_EQ(entry.reminders[i].identifier, sample.events[order[i]].identifier) << i;
  }
}

TEST(SamplePayload, TwoSamplesDifferOnlyInTheirRandomVersionFourUUIDs) {
  const UserSettings settings = settingsFor("Europe/Warsaw", "pl_PL", /*translated=*/true);
  const Date now = at("2026-12-09T10:00:00+01:00");
  const auto first = sampleAt(settings, now);
  auto second = sampleAt(settings, now);
  const std::regex uuid("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
  std::set<std::string> seen;
  for (std::size_t i = 0; i < 4; ++i) {
    for (const WidgetEventPayload* e : {&first.events[i], &std::as_const(second).events[i]}) {
      EXPECT_TRUE(std::regex_match(std::string(e->identifier), uuid)) << e->identifier;
      seen.emplace(e->identifier);
    }
    second.events[i].identifier = first.events[i].identifier;
  }
  EXPECT_EQ(seen.size(), 8u);
  EXPECT_EQ(writePayload(first, plist::Format::xml), writePayload(second, plist::Format::xml));
  EXPECT_EQ(first.persons[3].nick, settings.strings.text("CHILD 2 / SAMPLE"));  // texts are the catalog's

  std::set<char> digits;
  for (int i = 0; i < 300; ++i) {
    const std::string text = makeUUIDString();
    ASSERT_TRUE(std::regex_match(text, uuid)) << text;
    seen.insert(text);
    digits.insert(text.begin(), text.end());
  }
  EXPECT_EQ(seen.size(), 308u);
  EXPECT_EQ(digits.size(), 17u);  // every hexadecimal digit and the dash
}

}  // namespace
}  // namespace rw

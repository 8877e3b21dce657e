// The content layout a family and size get, and the sample payload shown without events. Timelines are
// checked in timeline_reference_test.cpp, the answers without a readable payload in tests/reliability.
#include "widget/provider.h"

#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <set>
#include <sstream>

#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/sample_payload.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::event;
using fixtures::settingsFor;
using Entry = RemindersWidgetTimelineEntry;

ContentLayout list(std::int64_t count, double spacing) {
  return content_layout::SystemMediumLarge{RemindersListSize{count, spacing}};
}

TEST(ContentLayout, LargeFamiliesFollowTheHeightTableOthersIgnoreTheSize) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, ContentLayout> heights[] = {
      {0, list(2, 4.0)},     {-0.0, list(2, 4.0)}, {310.9, list(2, 4.0)}, {311, list(5, 5.0)},
      {323.9, list(5, 5.0)}, {324, list(5, 6.0)},  {344.9, list(5, 6.0)}, {345, list(5, 9.0)},
      {378.9, list(5, 9.0)}, {379, list(6, 7.0)},  {-0.5, list(6, 7.0)},  {nan, list(6, 7.0)},
  };
  for (const auto family : {WidgetFamily::systemLarge, WidgetFamily::systemExtraLarge})
    for (const auto& [height, expected] : heights)
      for (const double width : {0.0, 364.0, nan})  // the width never matters, however odd
        EXPECT_EQ(contentLayout({family, {width, height}}), expected) << familyName(family) << " " << height;
  // The layout case of every family is the request commands' test's (tests/app).
  EXPECT_EQ(contentLayout({WidgetFamily::systemMedium, {300, 1000}}), list(2, 6.0));
  // A family this build does not name: the tallest list.
  EXPECT_EQ(RemindersWidgetTimelineProvider::contentLayout({static_cast<WidgetFamily>(99), {300, 0}}),
            list(6, 7.0));
}

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};  // 6 rows

// Yesterday at 14:00:30, today at 17:00, 15:00 on the first day of next week, and 01:00 on the first day of
// the week after the first of next month: one overdue and one for today, listed by planned start. Each event
// has a new random version-4 UUID.
TEST(SamplePayload, EventsOfNewUUIDsStartAroundNowWithOneOverdueAndOneTodayInEveryZone) {
  const struct {
    const char *zone, *locale, *now;
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
      // On the last day of a week (a Saturday here) the call is tomorrow, not today.
      {"America/New_York", "en_US", "2026-12-12T09:00:00-05:00", false, ""},
      // 2027-01-01 falls in this week whether weeks begin on Sunday, Monday or Saturday: travel (01:00) is
      // next week before the call (15:00).
      {"America/New_York", "en_US", "2026-12-30T10:00:00-05:00", true, ""},
  };
  const std::regex uuid("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
  std::set<std::string> identifiers;
  std::set<char> digits;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.now);
    const UserSettings settings = settingsFor(c.zone, c.locale);
    const auto sample = samplePayload(settings.calendar, settings.strings, fixedClock(at(c.now)));
    ASSERT_EQ(sample.events.size(), 4u);
    std::istringstream starts(c.starts);
    std::size_t n = 0;
    for (std::string start; starts >> start; ++n)
      EXPECT_EQ(formatRfc3339(sample.events[n].plannedDateFrom), formatRfc3339(at(start))) << n;
    const auto entry = makeTimelineEntry(at(c.now), sample.events, sample.persons, kLarge, settings);
    EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
    ASSERT_EQ(entry.reminders.size(), 4u);  // every caregiver is among the sample's persons
    const std::size_t order[] = {0, 1, c.travelBeforeCall ? 3u : 2u, c.travelBeforeCall ? 2u : 3u};
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_EQ(entry.reminders[i].identifier, sample.events[order[i]].identifier) << i;
    for (const auto& event : sample.events) {
      const std::string identifier(event.identifier);
      EXPECT_TRUE(std::regex_match(identifier, uuid)) << identifier;
      identifiers.insert(identifier);
      digits.insert(identifier.begin(), identifier.end());
    }
  }
  // All different, and every hexadecimal digit and the dash among them.
  EXPECT_EQ(std::pair(identifiers.size(), digits.size()), std::pair(std::size_t{20}, std::size_t{17}));
}

}  // namespace
}  // namespace rw

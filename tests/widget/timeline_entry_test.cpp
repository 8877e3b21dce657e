// makeTimelineEntry: the counts of one day, the list of the earliest events, across time zones.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/provider.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::event;
using fixtures::identifiers;
using fixtures::settingsFor;
using Strings = std::vector<std::string>;
using Style = WidgetTimelineReminderComponent::DueStyle;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 350}};  // 5 rows

RemindersWidgetTimelineEntry entryOn(Date date, const std::vector<WidgetEventPayload>& events,
                                     const UserSettings& settings,
                                     const TimelineProviderContext& context = kLarge) {
  RemindersWidgetTimelineEntry entry;
  // Components whose caregiver is missing print a line; keep the test output quiet.
  rw::testing::capturedStdout(
      [&] { entry = makeTimelineEntry(date, events, fixtures::persons(), context, settings); });
  return entry;
}

// Each case names one day by its first instant and the first instant of the next day, as written out by
// hand from the zone's rules: days of 23 and 25 hours, a day without midnight and one with two.
TEST(TimelineEntry, CountsAtExactDayBoundaries) {
  const struct {
    const char* zone;
    const char* noon;
    const char* dayStart;
    const char* nextDayStart;
  } days[] = {
      {"UTC", "2026-12-06T12:00:00Z", "2026-12-06T00:00:00Z", "2026-12-07T00:00:00Z"},
      {"Asia/Tokyo", "2026-12-06T12:00:00+09:00", "2026-12-06T00:00:00+09:00", "2026-12-07T00:00:00+09:00"},
      // New York springs forward (23 hours) and falls back (25 hours).
      {"America/New_York", "2026-03-08T12:00:00-04:00", "2026-03-08T00:00:00-05:00",
       "2026-03-09T00:00:00-04:00"},
      {"America/New_York", "2026-11-01T12:00:00-05:00", "2026-11-01T00:00:00-04:00",
       "2026-11-02T00:00:00-05:00"},
      // No midnight on 2018-11-04 in Sao Paulo: that day begins at 01:00 and ends at the next midnight.
      {"America/Sao_Paulo", "2018-11-04T12:00:00-02:00", "2018-11-04T01:00:00-02:00",
       "2018-11-05T00:00:00-02:00"},
      {"America/Sao_Paulo", "2018-11-03T12:00:00-03:00", "2018-11-03T00:00:00-03:00",
       "2018-11-04T01:00:00-02:00"},
      // Two midnights on 2023-11-05 in Havana: the day begins at the first one.
      {"America/Havana", "2023-11-05T12:00:00-05:00", "2023-11-05T00:00:00-04:00",
       "2023-11-06T00:00:00-05:00"},
      // Lord Howe moves by half an hour at 02:00.
      {"Australia/Lord_Howe", "2026-10-04T12:00:00+11:00", "2026-10-04T00:00:00+10:30",
       "2026-10-05T00:00:00+11:00"},
  };
  for (const auto& day : days) {
    SCOPED_TRACE(std::string(day.zone) + " " + day.noon);
    const UserSettings settings = settingsFor(day.zone);
    const Date start = at(day.dayStart);
    const Date next = at(day.nextDayStart);
    const std::vector<WidgetEventPayload> events{
        event("after-next", next.adding(1)),   event("next", next),
        event("last", next.adding(-0.001)),    event("start", start),
        event("before", start.adding(-0.001)), event("long-ago", start.adding(-86'400 * 40)),
    };
    for (const Date date : {at(day.noon), start, next.adding(-1)}) {
      const auto entry = entryOn(date, events, settings);
      EXPECT_EQ(entry.date, start);
      EXPECT_EQ(entry.overdueCount, 2);  // before, long-ago
      EXPECT_EQ(entry.todayCount, 2);    // start, last; "next" counts in neither
      // Listed by planned start, overdue first; "next" in its sorted place.
      EXPECT_EQ(identifiers(entry), (Strings{"long-ago", "before", "start", "last", "next"}));
      const Style styles[] = {Style::overdue, Style::overdue, Style::today, Style::today, Style::future};
      for (std::size_t i = 0; i < entry.reminders.size(); ++i)
        EXPECT_EQ(entry.reminders[i].dueStyle, styles[i]) << i;
    }
    // The next day's entry sees the same events one day on.
    const auto tomorrow = entryOn(next, events, settings);
    EXPECT_EQ(tomorrow.date, next);
    EXPECT_EQ(tomorrow.overdueCount, 4);
    EXPECT_EQ(tomorrow.todayCount, 2);
  }
}

TEST(TimelineEntry, EqualInstantsKeepPayloadOrderAndSkippedEventsAreNotReplaced) {
  const UserSettings settings = settingsFor("UTC");
  const Date t = at("2026-12-06T15:00:00Z");
  const std::vector<WidgetEventPayload> events{event("late", t.adding(60)), event("x", t),
                                               event("early", t.adding(-60)), event("y", t), event("z", t)};
  EXPECT_EQ(identifiers(entryOn(t, events, settings)), (Strings{"early", "x", "y", "z", "late"}));
  EXPECT_EQ(events[0].identifier, "late");  // the payload is not reordered

  std::vector<WidgetEventPayload> seven;
  for (int i = 1; i <= 7; ++i)
    seven.push_back(event("e" + std::to_string(i), t.adding(i * 60.0)));
  seven[1].caregiver = "nobody";  // the second by planned start
  RemindersWidgetTimelineEntry entry;
  const std::string printed = rw::testing::capturedStdout(
      [&] { entry = makeTimelineEntry(t, seven, fixtures::persons(), kLarge, settings); });
  EXPECT_EQ(identifiers(entry), (Strings{"e1", "e3", "e4", "e5"}));
  EXPECT_EQ(entry.todayCount, 7);  // the counts still see every event
  EXPECT_NE(printed.find("No caregiver"), std::string::npos);
}

TEST(TimelineEntry, ListLengthFollowsTheLayout) {
  const UserSettings settings = settingsFor("UTC");
  const Date t = at("2026-12-06T12:00:00Z");
  std::vector<WidgetEventPayload> events;
  for (int i = 0; i < 8; ++i)
    events.push_back(event("e" + std::to_string(i), t.adding(i * 3600.0 - 15 * 3600.0), "C1",
                           static_cast<CustodyEventType>(i % 4)));  // 21:00 yesterday to 04:00 today
  events[2].status = CustodyEventStatus::canceled;                  // nothing is filtered by type or status
  events[3].status = CustodyEventStatus::permanentlyDeleted;
  const struct {
    TimelineProviderContext context;
    std::size_t listed;
  } cases[] = {
      {{WidgetFamily::systemMedium, {364, 170}}, 2},     {{WidgetFamily::systemLarge, {364, 320}}, 5},
      {{WidgetFamily::systemExtraLarge, {768, 382}}, 6}, {{WidgetFamily::systemSmall, {170, 170}}, 0},
      {{WidgetFamily::accessoryCircular, {72, 72}}, 0},  {{WidgetFamily::accessoryInline, {257, 26}}, 0},
  };
  for (const auto& c : cases) {
    const auto entry = entryOn(t, events, settings, c.context);
    EXPECT_EQ(entry.reminders.size(), c.listed) << familyName(c.context.family);
    EXPECT_EQ(entry.overdueCount, 3) << familyName(c.context.family);
    EXPECT_EQ(entry.todayCount, 5) << familyName(c.context.family);
  }
  // Fewer events than rows: all of them.
  EXPECT_EQ(entryOn(t, {event("only", t)}, settings, cases[2].context).reminders.size(), 1u);
  EXPECT_TRUE(entryOn(t, {}, settings).reminders.empty());
}

TEST(TimelineEntry, RemindersAreWordedForTheDateGiven) {
  const UserSettings settings = settingsFor("Europe/Warsaw", "pl_PL");
  const Date t = at("2026-12-06T18:00:00+01:00");
  const std::vector<WidgetEventPayload> events{event("today", t), event("tomorrow", t.adding(86'400))};
  const auto first = entryOn(at("2026-12-06T08:00:00+01:00"), events, settings);
  const auto second = entryOn(at("2026-12-07T00:00:00+01:00"), events, settings);
  ASSERT_EQ(first.reminders.size(), 2u);
  ASSERT_EQ(second.reminders.size(), 2u);
  EXPECT_EQ(first.reminders[1].dueStyle, Style::future);
  EXPECT_EQ(second.reminders[0].dueStyle, Style::overdue);
  EXPECT_EQ(second.reminders[1].dueStyle, Style::today);
  EXPECT_NE(first.reminders[1].dueText, second.reminders[1].dueText);
}

TEST(TimelineEntry, NotANumberInstantsSortLastAndCountNowhere) {
  const Date t = at("2026-12-06T12:00:00Z");
  const std::vector<WidgetEventPayload> events{event("nan", Date{std::numeric_limits<double>::quiet_NaN()}),
                                               event("today", t), event("past", t.adding(-86'400))};
  const EventSchedule schedule(events);
  EXPECT_EQ(schedule.countBefore(t.adding(1)), 2);
  EXPECT_EQ(schedule.countBefore(Date{std::numeric_limits<double>::infinity()}), 2);
  const auto earliest = schedule.earliest(10);
  ASSERT_EQ(earliest.size(), 3u);
  EXPECT_EQ(earliest[2]->identifier, "nan");
  EXPECT_TRUE(schedule.earliest(-1).empty());
}

}  // namespace
}  // namespace rw

// The sample payload and the calendar functions that place its dates.
#include "widget/sample_payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
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

/// The sample's event numbers (1 to 4) in list order.
std::vector<int> sortedOrder(const RemindersWidgetPayload& sample) {
  std::vector<int> order{1, 2, 3, 4};
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return sample.events[a - 1].plannedDateFrom < sample.events[b - 1].plannedDateFrom;
  });
  return order;
}

TEST(CalendarFunctions, LandOnTheStartsOfCalendarDaysWeeksAndMonths) {
  const struct {
    const char* zone;
    const char* locale;
    const char* date;
    const char* nextDay;
    const char* previousDay;
    const char* noon;
    const char* month;
    const char* nextMonth;
    const char* nextWeek;
  } cases[] = {
      // clang-format off
      // An ordinary Wednesday; weeks from Sunday and from Saturday.
      {"America/New_York", "en_US", "2026-12-09T10:00:00-05:00", "2026-12-10T00:00:00-05:00",
       "2026-12-08T00:00:00-05:00", "2026-12-09T12:00:00-05:00", "2026-12-01T00:00:00-05:00",
       "2027-01-01T00:00:00-05:00", "2026-12-13T00:00:00-05:00"},
      {"Africa/Cairo", "ar_EG", "2026-12-09T10:00:00+02:00", "2026-12-10T00:00:00+02:00",
       "2026-12-08T00:00:00+02:00", "2026-12-09T12:00:00+02:00", "2026-12-01T00:00:00+02:00",
       "2027-01-01T00:00:00+02:00", "2026-12-12T00:00:00+02:00"},
      // Across the change to summer time in New York (a 23-hour day) and from March into April.
      {"America/New_York", "en_US", "2026-03-07T23:30:00-05:00", "2026-03-08T00:00:00-05:00",
       "2026-03-06T00:00:00-05:00", "2026-03-07T12:00:00-05:00", "2026-03-01T00:00:00-05:00",
       "2026-04-01T00:00:00-04:00", "2026-03-08T00:00:00-05:00"},
      // Sao Paulo 2018-11-04 has no midnight: that day and that week begin at 01:00.
      {"America/Sao_Paulo", "pt_BR", "2018-11-04T01:00:00-02:00", "2018-11-05T00:00:00-02:00",
       "2018-11-03T00:00:00-03:00", "2018-11-04T12:00:00-02:00", "2018-11-01T00:00:00-03:00",
       "2018-12-01T00:00:00-02:00", "2018-11-11T00:00:00-02:00"},
      {"America/Sao_Paulo", "pt_BR", "2018-11-03T22:00:00-03:00", "2018-11-04T01:00:00-02:00",
       "2018-11-02T00:00:00-03:00", "2018-11-03T12:00:00-03:00", "2018-11-01T00:00:00-03:00",
       "2018-12-01T00:00:00-02:00", "2018-11-04T01:00:00-02:00"},
      // The last day of a year, in a zone far east; weeks from Monday.
      {"Pacific/Kiritimati", "en_GB", "2026-12-31T23:59:59+14:00", "2027-01-01T00:00:00+14:00",
       "2026-12-30T00:00:00+14:00", "2026-12-31T12:00:00+14:00", "2026-12-01T00:00:00+14:00",
       "2027-01-01T00:00:00+14:00", "2027-01-04T00:00:00+14:00"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.locale + " " + c.date);
    const Calendar calendar = settingsFor(c.zone, c.locale).calendar;
    const Date date = at(c.date);
    const std::pair<Date, const char*> results[] = {{startOfNextDay(date, calendar), c.nextDay},
                                                    {startOfPreviousDay(date, calendar), c.previousDay},
                                                    {noonOfDay(date, calendar), c.noon},
                                                    {startOfMonth(date, calendar), c.month},
                                                    {startOfNextMonth(date, calendar), c.nextMonth},
                                                    {startOfNextWeek(date, calendar), c.nextWeek}};
    for (const auto& [result, expected] : results)
      EXPECT_EQ(formatRfc3339(result), formatRfc3339(at(expected)));
  }
}

TEST(SamplePayload, HoldsTheFourPersonsAndEventsAroundNow) {
  const auto sample =
      sampleAt(settingsFor("America/New_York"), at("2026-12-09T10:00:00-05:00"));  // Wednesday
  std::vector<std::string> persons;
  for (const auto& p : sample.persons)
    persons.push_back(p.identifier + " " + std::to_string(static_cast<int>(p.type)) + " " + p.nick + " " +
                      p.colorEncoded.version + "/" + std::to_string(p.colorEncoded.index));
  const auto caregiver = std::to_string(static_cast<int>(CustodyPersonType::caregiver));
  const auto child = std::to_string(static_cast<int>(CustodyPersonType::child));
  EXPECT_EQ(persons, (std::vector<std::string>{"C1 " + caregiver + " CAREGIVER 1 / SAMPLE 183/6",
                                               "C2 " + caregiver + " CAREGIVER 2 / SAMPLE 183/8",
                                               "B1 " + child + " CHILD 1 / SAMPLE 183/4",
                                               "B2 " + child + " CHILD 2 / SAMPLE 183/2"}));
  const struct {
    const char* title;
    CustodyEventType type;
    const char* caregiver;
    std::vector<std::string> beneficiaries;
    const char* amount;
    const char* from;
    const char* to;
  } events[] = {
      // clang-format off
      {"DENTAL APPOINTMENT / SAMPLE", CustodyEventType::expense, "C1", {"B1"}, "125",
       "2026-12-08T14:00:30-05:00",
       "2026-12-08T15:00:30-05:00"},
      {"PARENTING TIME / SAMPLE", CustodyEventType::care, "C1", {"B2"}, "", "2026-12-09T17:00:00-05:00",
       "2026-12-13T17:00:00-05:00"},
      {"CALL / SAMPLE", CustodyEventType::call, "C2", {"B1"}, "", "2026-12-13T15:00:00-05:00",
       "2026-12-13T15:20:00-05:00"},
      // The first day of next month is a Friday; the week after it begins on Sunday 2027-01-03.
      {"TRAVEL / SAMPLE", CustodyEventType::expense, "C2", {"B1", "B2"}, "245", "2027-01-03T01:00:00-05:00",
       "2027-01-03T01:00:00-05:00"},
      // clang-format on
  };
  ASSERT_EQ(sample.events.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i + 1);
    const auto& e = sample.events[i];
    EXPECT_EQ(e.title, events[i].title);
    EXPECT_EQ(e.type, events[i].type);
    EXPECT_EQ(e.status, CustodyEventStatus::planned);
    EXPECT_EQ(e.caregiver, events[i].caregiver);
    EXPECT_EQ(testing::textsOf(e.beneficiaries), events[i].beneficiaries);
    EXPECT_EQ(e.dueAmountText, events[i].amount);
    EXPECT_EQ(e.notes, "");
    EXPECT_EQ(e.actionURL, nullptr);
    EXPECT_EQ(formatRfc3339(e.plannedDateFrom), formatRfc3339(at(events[i].from)));
    EXPECT_EQ(formatRfc3339(e.plannedDateTo), formatRfc3339(at(events[i].to)));
    EXPECT_EQ(e.dateFrom, e.plannedDateFrom);
    EXPECT_EQ(e.dateTo, e.plannedDateTo);
  }
}

TEST(SamplePayload, PreviewHasOneOverdueAndOneTodayReminderInEveryZone) {
  const struct {
    const char* zone;
    const char* locale;
    const char* now;
    std::vector<int> order;
  } cases[] = {
      {"America/New_York", "en_US", "2026-12-09T10:00:00-05:00", {1, 2, 3, 4}},
      {"Europe/Berlin", "de_DE", "2026-12-09T00:00:00+01:00", {1, 2, 3, 4}},
      {"Asia/Tokyo", "ja_JP", "2026-06-17T23:59:00+09:00", {1, 2, 3, 4}},
      {"America/Sao_Paulo",
       "pt_BR",
       "2018-11-05T08:00:00-02:00",
       {1, 2, 3, 4}},  // after the missing midnight
      {"Australia/Lord_Howe", "en_AU", "2026-10-07T09:00:00+11:00", {1, 2, 3, 4}},
      // 2027-01-01 falls in this week whether weeks begin on Sunday, Monday or Saturday: travel (01:00) is
      // next week before the call (15:00).
      {"America/New_York", "en_US", "2026-12-30T10:00:00-05:00", {1, 2, 4, 3}},
      {"Europe/Berlin", "de_DE", "2026-12-30T10:00:00+01:00", {1, 2, 4, 3}},
      {"Africa/Cairo", "ar_EG", "2026-12-30T10:00:00+02:00", {1, 2, 4, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.now);
    const UserSettings settings = settingsFor(c.zone, c.locale);
    const auto sample = sampleAt(settings, at(c.now));
    EXPECT_EQ(sortedOrder(sample), c.order);
    const auto entry = makeTimelineEntry(at(c.now), sample.events, sample.persons,
                                         {WidgetFamily::systemLarge, {364, 382}}, settings);
    EXPECT_EQ(entry.overdueCount, 1);
    EXPECT_EQ(entry.todayCount, 1);
    ASSERT_EQ(entry.reminders.size(), 4u);
    EXPECT_EQ(entry.reminders[0].identifier, sample.events[0].identifier);
    EXPECT_EQ(entry.reminders[1].identifier, sample.events[1].identifier);
  }
}

TEST(SamplePayload, OnTheLastDayOfTheWeekTheCallIsTomorrow) {
  const struct {
    const char* zone;
    const char* locale;
    const char* now;
    const char* tomorrow;
  } cases[] = {
      {"America/New_York", "en_US", "2026-12-12T09:00:00-05:00", "2026-12-13T00:00:00-05:00"},  // Saturday
      {"Europe/Berlin", "de_DE", "2026-12-13T09:00:00+01:00", "2026-12-14T00:00:00+01:00"},     // Sunday
      {"Africa/Cairo", "ar_EG", "2026-12-11T09:00:00+02:00", "2026-12-12T00:00:00+02:00"},      // Friday
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.locale);
    const UserSettings settings = settingsFor(c.zone, c.locale);
    const auto sample = sampleAt(settings, at(c.now));
    EXPECT_EQ(sample.events[2].plannedDateFrom, at(c.tomorrow).adding(15 * 3600));
    const auto entry = makeTimelineEntry(at(c.now), sample.events, sample.persons,
                                         {WidgetFamily::systemSmall, {170, 170}}, settings);
    EXPECT_EQ(entry.overdueCount, 1);
    EXPECT_EQ(entry.todayCount, 1);  // the call is neither overdue nor today
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
  // Texts are the catalog's.
  EXPECT_EQ(first.events[0].title, settings.strings.text("DENTAL APPOINTMENT / SAMPLE"));
  EXPECT_EQ(first.persons[3].nick, settings.strings.text("CHILD 2 / SAMPLE"));

  std::set<char> digits;
  for (int i = 0; i < 500; ++i) {
    const std::string text = makeUUIDString();
    ASSERT_TRUE(std::regex_match(text, uuid)) << text;
    seen.insert(text);
    digits.insert(text.begin(), text.end());
  }
  EXPECT_EQ(seen.size(), 508u);
  EXPECT_EQ(digits.size(), 17u);  // every hexadecimal digit and the dash
}

}  // namespace
}  // namespace rw

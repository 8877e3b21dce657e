#include "platform/calendar.h"

#include <gtest/gtest.h>
#include <unicode/basictz.h>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace rw {
namespace {

// Instants are written with their local offset, so each case reads as the wall clock of its zone.
Date at(const char* rfc3339) {
  const auto date = parseRfc3339(rfc3339);
  EXPECT_TRUE(date) << rfc3339;
  return date.value_or(Date{});
}

Calendar calendar(const char* zone, const char* locale = "en_US") {
  auto made = Calendar::make(zone, locale);
  EXPECT_TRUE(made) << zone << " " << locale;
  return made ? *made : *Calendar::make("UTC", "en_US");
}

// Locales whose weeks start on Sunday, Monday and Saturday. Day and month arithmetic must not depend on
// the week, so the tables below run in each of them.
constexpr const char* kWeekLocales[] = {"en_US", "de_DE", "ar_EG"};

// Sets an environment variable for the lifetime of the guard (unset when `value` is null).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(Calendar, RefusesUnknownTimeZones) {
  for (const char* zone : {"Nowhere/Land", "", "Etc/Unknown", "america/new york", "CET-1CEST"})
    EXPECT_FALSE(Calendar::make(zone, "en_US")) << zone;
  for (const char* zone : {"America/New_York", "UTC", "Australia/Lord_Howe", "GMT+05:30", "US/Eastern"})
    EXPECT_TRUE(Calendar::make(zone, "en_US")) << zone;
  EXPECT_EQ(calendar("America/Sao_Paulo").timeZoneId(), "America/Sao_Paulo");
}

TEST(Calendar, MapsPosixLocaleNamesToIcu) {
  const std::pair<const char*, const char*> cases[] = {
      {"de_DE.UTF-8", "de_DE"},
      {"pl_PL.utf8@euro", "pl_PL"},
      {"de_DE@euro", "de_DE"},
      {"sr_RS@latin", "sr_Latn_RS"},
      {"sr_RS.UTF-8@cyrillic", "sr_Cyrl_RS"},
      {"de-AT", "de_AT"},
      {"th_TH@calendar=buddhist", "th_TH@calendar=buddhist"},
      {"he_IL.UTF-8@calendar=hebrew", "he_IL@calendar=hebrew"},
      {"en_us", "en_US"},
      {"th-TH-u-ca-buddhist", "th_TH@calendar=buddhist"},
      // The C locale and its spellings: ICU's POSIX locale.
      {"C", "en_US_POSIX"},
      {"C.UTF-8", "en_US_POSIX"},
      {"C.utf8", "en_US_POSIX"},
      {"POSIX", "en_US_POSIX"},
      {"", "en_US_POSIX"},
      {"  ", "en_US_POSIX"},
      // Ids that are no locale: never a part that could reach a file name.
      {"../../etc", "en_US_POSIX"},
      {"de/../../x", "en_US_POSIX"},
      {"de_DE/../..", "en_US_POSIX"},
      {"a b", "en_US_POSIX"},
      {"1234", "en_US_POSIX"},
  };
  for (const auto& [posix, icu] : cases) {
    EXPECT_EQ(canonicalLocaleId(posix), icu) << posix;
    EXPECT_EQ(calendar("UTC", posix).localeId(), icu) << posix;
  }
}

TEST(Calendar, DayStartsAtItsFirstInstant) {
  struct Case {
    const char* zone;
    const char* instant;
    const char* start;
  };
  const Case cases[] = {
      // Ordinary days, and the last instant of a day.
      {"America/New_York", "2024-06-10T14:00:00-04:00", "2024-06-10T00:00:00-04:00"},
      {"America/New_York", "2024-06-10T23:59:59.999-04:00", "2024-06-10T00:00:00-04:00"},
      {"America/New_York", "2024-06-11T00:00:00-04:00", "2024-06-11T00:00:00-04:00"},
      // Days of 23 and 25 hours whose midnight exists.
      {"America/New_York", "2024-03-10T12:00:00-04:00", "2024-03-10T00:00:00-05:00"},
      {"America/New_York", "2024-11-03T23:00:00-05:00", "2024-11-03T00:00:00-04:00"},
      {"Australia/Lord_Howe", "2024-10-06T12:00:00+11:00", "2024-10-06T00:00:00+10:30"},
      // No midnight: the day begins at 01:00.
      {"America/Sao_Paulo", "2018-11-04T12:00:00-02:00", "2018-11-04T01:00:00-02:00"},
      {"America/Sao_Paulo", "2018-11-04T01:00:00-02:00", "2018-11-04T01:00:00-02:00"},
      {"America/Sao_Paulo", "2018-11-03T23:59:59-03:00", "2018-11-03T00:00:00-03:00"},
      // Midnight twice: the day begins at the first one, and the hour after the second still belongs to it.
      {"America/Havana", "2023-11-05T12:00:00-05:00", "2023-11-05T00:00:00-04:00"},
      {"America/Havana", "2023-11-05T00:30:00-05:00", "2023-11-05T00:00:00-04:00"},
      {"America/Havana", "2023-11-05T00:30:00-04:00", "2023-11-05T00:00:00-04:00"},
      {"America/Havana", "2023-11-04T23:59:00-04:00", "2023-11-04T00:00:00-04:00"},
  };
  for (const auto& c : cases)
    for (const char* locale : kWeekLocales)
      EXPECT_EQ(formatRfc3339(calendar(c.zone, locale).startOfDay(at(c.instant))), formatRfc3339(at(c.start)))
          << c.zone << " " << c.instant << " " << locale;
}

TEST(Calendar, DaysOnStartAtTheirOwnFirstInstant) {
  struct Case {
    const char* zone;
    const char* instant;
    std::int64_t days;
    const char* start;
  };
  const Case cases[] = {
      {"America/New_York", "2024-06-10T14:00:00-04:00", 1, "2024-06-11T00:00:00-04:00"},
      {"America/New_York", "2024-06-10T14:00:00-04:00", -1, "2024-06-09T00:00:00-04:00"},
      {"America/New_York", "2024-03-09T23:30:00-05:00", 2, "2024-03-11T00:00:00-04:00"},
      {"America/New_York", "2024-12-31T23:00:00-05:00", 1, "2025-01-01T00:00:00-05:00"},
      {"America/Sao_Paulo", "2018-11-03T12:00:00-03:00", 1, "2018-11-04T01:00:00-02:00"},
      // The day that began at 01:00 is followed by a day that begins at 00:00, not at 01:00.
      {"America/Sao_Paulo", "2018-11-04T01:00:00-02:00", 1, "2018-11-05T00:00:00-02:00"},
      {"America/Sao_Paulo", "2018-11-05T00:00:00-02:00", -1, "2018-11-04T01:00:00-02:00"},
      {"America/Sao_Paulo", "2018-11-04T10:00:00-02:00", -1, "2018-11-03T00:00:00-03:00"},
      {"America/Havana", "2023-11-04T12:00:00-04:00", 1, "2023-11-05T00:00:00-04:00"},
      {"America/Havana", "2023-11-05T00:30:00-05:00", 1, "2023-11-06T00:00:00-05:00"},
      {"Australia/Lord_Howe", "2024-10-05T23:00:00+10:30", 1, "2024-10-06T00:00:00+10:30"},
  };
  for (const auto& c : cases)
    for (const char* locale : kWeekLocales)
      EXPECT_EQ(formatRfc3339(calendar(c.zone, locale).startOfDay(at(c.instant), c.days)),
                formatRfc3339(at(c.start)))
          << c.zone << " " << c.instant << " " << c.days << " " << locale;
}

TEST(Calendar, StepsDayByDayThroughAWholeYear) {
  // Every step lands on a day start, 23 to 25 hours on, and agrees with one jump of the same length.
  for (const char* zone :
       {"America/New_York", "America/Sao_Paulo", "America/Havana", "Australia/Lord_Howe"}) {
    const Calendar cal = calendar(zone);
    const Date first = cal.startOfDay(at("2018-01-01T12:00:00Z"));
    Date day = first;
    for (int i = 1; i <= 366 * 6; ++i) {
      const Date next = cal.startOfDay(day, 1);
      const double hours = (next.sinceReferenceDate - day.sinceReferenceDate) / 3600;
      ASSERT_GE(hours, 23) << zone << " " << formatRfc3339(day);
      ASSERT_LE(hours, 25) << zone << " " << formatRfc3339(day);
      ASSERT_EQ(cal.startOfDay(next), next) << zone << " " << formatRfc3339(next);
      ASSERT_EQ(cal.startOfDay(next, -1), day) << zone << " " << formatRfc3339(next);
      if (i % 97 == 0) {
        ASSERT_EQ(cal.startOfDay(first, i), next) << zone << " " << i;
      }
      day = next;
    }
  }
}

TEST(Calendar, AddsUnitsWithoutWrapping) {
  struct Case {
    const char* zone;
    CalendarUnit unit;
    std::int64_t value;
    const char* from;
    const char* to;
  };
  const Case cases[] = {
      // Months end on the last day of a shorter month and carry into the next year.
      {"America/New_York", CalendarUnit::month, 1, "2024-01-31T10:00:00-05:00", "2024-02-29T10:00:00-05:00"},
      {"America/New_York", CalendarUnit::month, 1, "2023-01-31T10:00:00-05:00", "2023-02-28T10:00:00-05:00"},
      {"America/New_York", CalendarUnit::month, 1, "2024-12-15T00:00:00-05:00", "2025-01-15T00:00:00-05:00"},
      {"America/New_York", CalendarUnit::month, -2, "2024-01-15T00:00:00-05:00", "2023-11-15T00:00:00-05:00"},
      // Weeks and days keep the wall-clock time across a change of offset.
      {"America/New_York", CalendarUnit::weekOfYear, 1, "2024-03-08T12:00:00-05:00",
       "2024-03-15T12:00:00-04:00"},
      {"America/New_York", CalendarUnit::weekOfYear, 1, "2024-12-28T12:00:00-05:00",
       "2025-01-04T12:00:00-05:00"},
      {"America/New_York", CalendarUnit::day, 1, "2024-11-02T09:00:00-04:00", "2024-11-03T09:00:00-05:00"},
      {"America/Sao_Paulo", CalendarUnit::day, 1, "2018-11-03T09:00:00-03:00", "2018-11-04T09:00:00-02:00"},
      {"America/Sao_Paulo", CalendarUnit::month, 1, "2018-10-04T12:00:00-03:00", "2018-11-04T12:00:00-02:00"},
      {"Australia/Lord_Howe", CalendarUnit::weekOfYear, 1, "2024-10-01T12:00:00+10:30",
       "2024-10-08T12:00:00+11:00"},
  };
  for (const auto& c : cases) {
    for (const char* locale : kWeekLocales) {
      const auto result = calendar(c.zone, locale).adding(c.unit, c.value, at(c.from));
      ASSERT_TRUE(result) << c.from;
      EXPECT_EQ(formatRfc3339(*result), formatRfc3339(at(c.to)))
          << c.zone << " " << c.from << " " << c.value << " " << locale;
    }
  }
  const Calendar cal = calendar("America/New_York");
  EXPECT_FALSE(
      cal.adding(CalendarUnit::day, std::numeric_limits<std::int64_t>::max(), at("2024-01-01T00:00:00Z")));
  EXPECT_FALSE(cal.adding(CalendarUnit::month, std::int64_t{1} << 40, at("2024-01-01T00:00:00Z")));
}

TEST(Calendar, SetsTheHourOfTheSameDay) {
  struct Case {
    const char* zone;
    int hour;
    const char* date;
    const char* result;  // null: the day has no such hour
  };
  const Case cases[] = {
      {"America/New_York", 12, "2024-06-10T00:00:00-04:00", "2024-06-10T12:00:00-04:00"},
      {"America/New_York", 12, "2024-03-10T00:00:00-05:00", "2024-03-10T12:00:00-04:00"},
      {"America/New_York", 2, "2024-03-10T00:00:00-05:00", nullptr},
      {"America/New_York", 1, "2024-11-03T00:00:00-04:00", "2024-11-03T01:00:00-04:00"},
      {"America/New_York", 23, "2024-06-10T23:30:00-04:00", "2024-06-10T23:00:00-04:00"},
      {"America/Sao_Paulo", 12, "2018-11-04T01:00:00-02:00", "2018-11-04T12:00:00-02:00"},
      {"America/Sao_Paulo", 0, "2018-11-04T01:00:00-02:00", nullptr},
      {"America/Havana", 0, "2023-11-05T12:00:00-05:00", "2023-11-05T00:00:00-04:00"},
      {"America/New_York", 24, "2024-06-10T00:00:00-04:00", nullptr},
      {"America/New_York", -1, "2024-06-10T00:00:00-04:00", nullptr},
  };
  for (const auto& c : cases) {
    const auto result = calendar(c.zone, "de_DE").settingHour(c.hour, at(c.date));
    if (c.result == nullptr) {
      EXPECT_FALSE(result) << c.zone << " " << c.hour << " " << c.date;
    } else {
      ASSERT_TRUE(result) << c.zone << " " << c.hour << " " << c.date;
      EXPECT_EQ(formatRfc3339(*result), formatRfc3339(at(c.result))) << c.zone << " " << c.date;
    }
  }
}

TEST(Calendar, MonthStartsAtItsFirstInstant) {
  struct Case {
    const char* zone;
    const char* date;
    const char* start;
  };
  const Case cases[] = {
      {"America/New_York", "2024-03-15T12:00:00-04:00", "2024-03-01T00:00:00-05:00"},
      {"America/New_York", "2024-03-01T00:00:00-05:00", "2024-03-01T00:00:00-05:00"},
      {"America/New_York", "2024-02-29T23:59:59-05:00", "2024-02-01T00:00:00-05:00"},
      {"America/Sao_Paulo", "2018-11-20T12:00:00-02:00", "2018-11-01T00:00:00-03:00"},
      // Paraguay moved its clocks forward at midnight on 1 October 2017.
      {"America/Asuncion", "2017-10-15T12:00:00-03:00", "2017-10-01T01:00:00-03:00"},
      {"Australia/Lord_Howe", "2024-10-31T23:00:00+11:00", "2024-10-01T00:00:00+10:30"},
  };
  for (const auto& c : cases) {
    for (const char* locale : kWeekLocales) {
      const auto start = calendar(c.zone, locale).startOfMonth(at(c.date));
      ASSERT_TRUE(start) << c.date;
      EXPECT_EQ(formatRfc3339(*start), formatRfc3339(at(c.start)))
          << c.zone << " " << c.date << " " << locale;
    }
  }
}

TEST(Calendar, WeekStartsOnTheLocalesFirstWeekday) {
  struct Locale {
    const char* id;
    int firstWeekday;
  };
  // Sunday, Monday and Saturday weeks.
  const Locale locales[] = {{"en_US", 1}, {"de_DE.UTF-8", 2}, {"ar_EG", 7}};
  for (const auto& [id, first] : locales)
    EXPECT_EQ(calendar("UTC", id).firstWeekday(), first) << id;

  struct Case {
    const char* zone;
    const char* date;
    const char* sunday;
    const char* monday;
    const char* saturday;
  };
  const Case cases[] = {
      // Wednesday after the spring change: the Sunday week begins on the 23-hour day.
      {"America/New_York", "2024-03-13T08:00:00-04:00", "2024-03-10T00:00:00-05:00",
       "2024-03-11T00:00:00-04:00", "2024-03-09T00:00:00-05:00"},
      // A date on a week's first day, at its first instant.
      {"America/New_York", "2024-03-11T00:00:00-04:00", "2024-03-10T00:00:00-05:00",
       "2024-03-11T00:00:00-04:00", "2024-03-09T00:00:00-05:00"},
      // A week across the new year.
      {"America/New_York", "2025-01-01T12:00:00-05:00", "2024-12-29T00:00:00-05:00",
       "2024-12-30T00:00:00-05:00", "2024-12-28T00:00:00-05:00"},
      // The Sunday week begins at 01:00 on the day without midnight.
      {"America/Sao_Paulo", "2018-11-07T12:00:00-02:00", "2018-11-04T01:00:00-02:00",
       "2018-11-05T00:00:00-02:00", "2018-11-03T00:00:00-03:00"},
      // Saturday, the last day of a Sunday week and the first of a Saturday week.
      {"America/Sao_Paulo", "2018-11-10T23:59:00-02:00", "2018-11-04T01:00:00-02:00",
       "2018-11-05T00:00:00-02:00", "2018-11-10T00:00:00-02:00"},
      {"America/Havana", "2023-11-07T12:00:00-05:00", "2023-11-05T00:00:00-04:00",
       "2023-11-06T00:00:00-05:00", "2023-11-04T00:00:00-04:00"},
  };
  for (const auto& c : cases) {
    const char* expected[] = {c.sunday, c.monday, c.saturday};
    for (size_t i = 0; i < 3; ++i) {
      const auto start = calendar(c.zone, locales[i].id).startOfWeek(at(c.date));
      ASSERT_TRUE(start) << c.date;
      EXPECT_EQ(formatRfc3339(*start), formatRfc3339(at(expected[i])))
          << c.zone << " " << c.date << " " << locales[i].id;
    }
  }
}

TEST(Calendar, CountsMonthsThenDaysBetweenCalendarDays) {
  struct Case {
    const char* zone;
    const char* from;
    const char* to;
    MonthsAndDays expected;
  };
  const Case cases[] = {
      {"America/New_York", "2024-06-10T14:00:00-04:00", "2024-06-10T09:00:00-04:00", {0, 0}},
      {"America/New_York", "2024-06-10T23:59:00-04:00", "2024-06-11T00:00:00-04:00", {0, 1}},
      {"America/New_York", "2024-06-10T00:00:00-04:00", "2024-06-09T23:59:00-04:00", {0, -1}},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-07-25T08:00:00-04:00", {1, 15}},
      {"America/New_York", "2024-07-25T08:00:00-04:00", "2024-06-10T12:00:00-04:00", {-1, -15}},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-07-09T12:00:00-04:00", {0, 29}},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-07-10T00:00:00-04:00", {1, 0}},
      // Month ends: a month from 31 January ends on the last day of February.
      {"America/New_York", "2024-01-31T12:00:00-05:00", "2024-02-29T12:00:00-05:00", {1, 0}},
      {"America/New_York", "2024-01-31T12:00:00-05:00", "2024-03-01T12:00:00-05:00", {1, 1}},
      {"America/New_York", "2023-01-31T12:00:00-05:00", "2023-02-28T12:00:00-05:00", {1, 0}},
      // Clamping makes the split depend on the direction: back from 31 March a month ends on 29 February.
      {"America/New_York", "2024-03-31T12:00:00-04:00", "2024-02-29T12:00:00-05:00", {-1, 0}},
      {"America/New_York", "2024-02-29T12:00:00-05:00", "2024-03-31T12:00:00-04:00", {1, 2}},
      {"America/New_York", "2024-01-15T12:00:00-05:00", "2025-03-20T12:00:00-04:00", {14, 5}},
      // Short and long days count as one day each.
      {"America/New_York", "2024-03-10T00:00:00-05:00", "2024-03-11T00:00:00-04:00", {0, 1}},
      {"America/New_York", "2024-11-03T00:00:00-04:00", "2024-11-04T00:00:00-05:00", {0, 1}},
      {"America/Sao_Paulo", "2018-11-04T01:00:00-02:00", "2018-11-05T00:00:00-02:00", {0, 1}},
      {"America/Sao_Paulo", "2018-11-05T00:00:00-02:00", "2018-11-04T01:00:00-02:00", {0, -1}},
      {"America/Sao_Paulo", "2018-10-04T00:00:00-03:00", "2018-11-04T01:00:00-02:00", {1, 0}},
      {"America/Havana", "2023-11-04T23:59:00-04:00", "2023-11-05T00:30:00-05:00", {0, 1}},
      {"America/Havana", "2023-11-05T00:00:00-04:00", "2023-11-06T00:00:00-05:00", {0, 1}},
      {"Australia/Lord_Howe", "2024-10-05T00:00:00+10:30", "2024-10-06T00:00:00+10:30", {0, 1}},
  };
  for (const auto& c : cases) {
    for (const char* locale : kWeekLocales) {
      const auto result = calendar(c.zone, locale).monthsAndDays(at(c.from), at(c.to));
      EXPECT_EQ(result, c.expected) << c.zone << " " << c.from << " -> " << c.to << " " << locale << ": "
                                    << result.months << " " << result.days;
    }
  }
}

// ICU's own answer for the distance between the days of `from` and `to`: both days at noon, whole months
// by the calendar's field difference, then the days left. The reference the calendar must agree with.
MonthsAndDays icuMonthsAndDays(const char* zone, const char* locale, Date from, Date to) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> cal(
      icu::Calendar::createInstance(icu::TimeZone::createTimeZone(zone), icu::Locale(locale), status));
  EXPECT_TRUE(U_SUCCESS(status)) << zone << " " << locale;
  cal->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
  cal->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
  const auto noonOf = [&](Date date) {
    cal->setTime(date.unixSeconds() * 1000.0, status);
    cal->set(UCAL_HOUR_OF_DAY, 12);
    cal->set(UCAL_MINUTE, 0);
    cal->set(UCAL_SECOND, 0);
    cal->set(UCAL_MILLISECOND, 0);
    return cal->getTime(status);
  };
  const UDate end = noonOf(to);
  noonOf(from);
  MonthsAndDays result;
  result.months = cal->fieldDifference(end, UCAL_MONTH, status);
  result.days = cal->fieldDifference(end, UCAL_DATE, status);
  EXPECT_TRUE(U_SUCCESS(status));
  return result;
}

// The zone's offset changes between 1900 and 2040: the instants where days are short, long or missing.
std::vector<Date> transitionsOf(const char* zone) {
  std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(zone));
  auto* basic = dynamic_cast<icu::BasicTimeZone*>(tz.get());
  std::vector<Date> result;
  if (!basic) return result;
  icu::TimeZoneTransition transition;
  UDate from = -2'208'988'800'000.0;  // 1900
  while (basic->getNextTransition(from, false, transition) && transition.getTime() < 2'208'988'800'000.0) {
    from = transition.getTime();
    result.push_back(Date::fromUnixSeconds(from / 1000.0));
  }
  return result;
}

constexpr double kDaySeconds = 86'400;
constexpr double kYearSeconds = 365.2425 * kDaySeconds;

// Random instants for the checks against ICU.
class RandomInstants {
 public:
  explicit RandomInstants(std::uint64_t seed) : random_(seed) {}

  double uniform(double low, double high) { return std::uniform_real_distribution(low, high)(random_); }
  /// An instant `years` years (Gregorian, on average) after the start of 2000.
  Date yearsAfter2000(double years) {
    return Date::fromUnixSeconds(at("2000-01-01T00:00:00Z").unixSeconds() + years * kYearSeconds);
  }
  /// An instant within a day and a half of one of `changes` (not empty): where a day is short, long or
  /// missing, and its start and the days counted across it are hardest to get right.
  Date nearOneOf(const std::vector<Date>& changes) {
    const Date change = changes[random_() % changes.size()];
    return change.adding(uniform(-1.5 * kDaySeconds, 1.5 * kDaySeconds));
  }

 private:
  std::mt19937_64 random_;
};

TEST(Calendar, CountsAndOrdersDaysAsIcuDoesForRandomDays) {
  // Zones with daylight saving at midnight (Havana, Sao Paulo), half-hour steps (Lord Howe), whole days
  // skipped or repeated across the date line (Apia on 30 December 2011, Kiritimati on 31 December 1994, Sitka
  // in 1867, Manila in 1844), and plain ones.
  const char* zones[] = {"UTC",
                         "Europe/Berlin",
                         "America/Sao_Paulo",
                         "America/Havana",
                         "Pacific/Apia",
                         "Pacific/Kiritimati",
                         "Australia/Lord_Howe",
                         "America/St_Johns",
                         "Asia/Tehran",
                         "Africa/Casablanca",
                         "America/Los_Angeles",
                         "Pacific/Kwajalein",
                         "Pacific/Fakaofo",
                         "America/Sitka",
                         "Asia/Manila"};
  // Gregorian locales take the fast path; the others (and days before 1600) stay with ICU, and must too.
  const char* locales[] = {"en_US", "de_DE", "th_TH@calendar=buddhist", "he_IL@calendar=hebrew"};
  RandomInstants random(20260301);

  for (const char* zone : zones) {
    const std::vector<Date> transitions = transitionsOf(zone);
    for (const char* locale : locales) {
      const bool gregorian = std::string_view(locale).find('@') == std::string_view::npos;
      const Calendar cal = calendar(zone, locale);
      for (int i = 0; i < (gregorian ? 160 : 30); ++i) {
        // Mostly near today, some across centuries; one end often within a day of an offset change.
        Date from = random.yearsAfter2000(i % 8 == 0 ? random.uniform(-420, 200) : random.uniform(20, 35));
        if (!transitions.empty() && i % 2 == 1) from = random.nearOneOf(transitions);
        const double span = i % 3 == 0 ? 45 * kDaySeconds : i % 3 == 1 ? 3 * kYearSeconds : 40 * kYearSeconds;
        Date to = from.adding(random.uniform(-span, span));
        if (!transitions.empty() && i % 4 == 2) to = random.nearOneOf(transitions);
        if (!isRepresentable(from) || !isRepresentable(to)) continue;
        const MonthsAndDays expected = icuMonthsAndDays(zone, locale, from, to);
        const MonthsAndDays result = cal.monthsAndDays(from, to);
        ASSERT_EQ(result, expected) << zone << " " << locale << " " << formatRfc3339(from) << " -> "
                                    << formatRfc3339(to) << ": " << result.months << " " << result.days
                                    << " instead of " << expected.months << " " << expected.days;
        // The same two days, ordered.
        ASSERT_EQ(cal.compareDays(from, to), cal.startOfDay(from) <=> cal.startOfDay(to))
            << zone << " " << locale << " " << formatRfc3339(from) << " -> " << formatRfc3339(to);
        const Date sameDay = cal.startOfDay(to).adding(1);
        ASSERT_EQ(cal.compareDays(to, sameDay), std::partial_ordering::equivalent)
            << zone << " " << formatRfc3339(to);
      }
    }
  }
}

// ICU's own answers for the first instant of the day of `date` and of the day `days` on, found with its
// field machinery only (midnight set on the day, the first of two, the first valid instant after a skipped
// one).
struct IcuDayStarts {
  Date start;
  Date later;
};
IcuDayStarts icuDayStarts(const char* zone, const char* locale, Date date, std::int32_t days) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> cal(
      icu::Calendar::createInstance(icu::TimeZone::createTimeZone(zone), icu::Locale(locale), status));
  EXPECT_TRUE(U_SUCCESS(status)) << zone << " " << locale;
  cal->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
  cal->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
  const auto setHour = [&](int hour) {
    cal->set(UCAL_HOUR_OF_DAY, hour);
    cal->set(UCAL_MINUTE, 0);
    cal->set(UCAL_SECOND, 0);
    cal->set(UCAL_MILLISECOND, 0);
  };
  IcuDayStarts result;
  cal->setTime(date.unixSeconds() * 1000.0, status);
  setHour(0);
  result.start = Date::fromUnixSeconds(cal->getTime(status) / 1000.0);
  cal->setTime(date.unixSeconds() * 1000.0, status);
  setHour(12);
  cal->add(UCAL_DATE, days, status);
  setHour(0);
  result.later = Date::fromUnixSeconds(cal->getTime(status) / 1000.0);
  EXPECT_TRUE(U_SUCCESS(status));
  return result;
}

TEST(Calendar, StartsDaysAsIcuDoesForRandomDays) {
  // Midnights skipped (Sao Paulo) and repeated (Havana, Santiago, whose clocks go back from 24:00 to
  // 23:00), changes of half an hour (Lord Howe) and across the date line (Apia, Kiritimati), and plain zones.
  const char* zones[] = {"UTC",
                         "Europe/Berlin",
                         "America/Sao_Paulo",
                         "America/Havana",
                         "America/Santiago",
                         "Pacific/Apia",
                         "Pacific/Kiritimati",
                         "Australia/Lord_Howe",
                         "Asia/Tehran",
                         "Africa/Casablanca",
                         "America/St_Johns",
                         "Asia/Beirut"};
  RandomInstants random(20261207);
  for (const char* zone : zones) {
    const std::vector<Date> transitions = transitionsOf(zone);
    for (const char* locale : {"en_US", "th_TH@calendar=buddhist"}) {
      const Calendar cal = calendar(zone, locale);
      for (int i = 0; i < 300; ++i) {
        // Mostly within a day and a half of an offset change, where a day's start is hardest to find.
        Date date = random.yearsAfter2000(random.uniform(-100, 60));
        if (!transitions.empty() && i % 4 != 0) date = random.nearOneOf(transitions);
        const auto days =
            static_cast<std::int32_t>(i % 3 == 0 ? random.uniform(-40, 40) : random.uniform(-3, 3));
        const IcuDayStarts expected = icuDayStarts(zone, locale, date, days);
        ASSERT_EQ(formatRfc3339(cal.startOfDay(date)), formatRfc3339(expected.start))
            << zone << " " << locale << " " << formatRfc3339(date);
        ASSERT_EQ(formatRfc3339(cal.startOfDay(date, days)), formatRfc3339(expected.later))
            << zone << " " << locale << " " << formatRfc3339(date) << " + " << days;
        // Both ways of asking about two days answer alike.
        const Date other = date.adding(random.uniform(-90 * kDaySeconds, 90 * kDaySeconds));
        const DayDistance distance = cal.dayDistance(date, other);
        ASSERT_EQ(distance.order, cal.compareDays(other, date)) << zone << " " << formatRfc3339(date);
        ASSERT_EQ(distance.distance, cal.monthsAndDays(date, other)) << zone << " " << formatRfc3339(date);
      }
    }
  }
}

TEST(Calendar, AgreesWithIcusOwnCalendarOfEveryLocale) {
  // Gregorian calendars are made directly, others by ICU's factory: for every locale ICU has (and a few
  // with a calendar keyword), the first weekday and the calendar system (seen in the day of the month)
  // must be the ones ICU's own calendar of that locale has.
  std::vector<std::string> ids = {"en_US@calendar=gregorian", "th_TH@calendar=gregorian",
                                  "de_DE@calendar=japanese",  "en_US@calendar=islamic-civil",
                                  "fa_IR@calendar=gregorian", "en_US@calendar=nonsense"};
  std::int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (std::int32_t i = 0; i < count; ++i)
    ids.emplace_back(available[i].getName());
  ASSERT_GT(ids.size(), 500u);
  const Date noon = at("2024-03-20T12:00:00Z");
  for (const std::string& id : ids) {
    const Calendar ours = calendar("Asia/Tehran", id.c_str());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> icu(icu::Calendar::createInstance(
        icu::TimeZone::createTimeZone("Asia/Tehran"), icu::Locale(ours.localeId().c_str()), status));
    ASSERT_TRUE(U_SUCCESS(status)) << id;
    EXPECT_EQ(ours.firstWeekday(), icu->getFirstDayOfWeek()) << id;
    icu->setTime(noon.unixSeconds() * 1000, status);
    EXPECT_EQ(ours.dayOfMonth(noon), icu->get(UCAL_DATE, status)) << id;
  }
}

TEST(Calendar, FollowsTheLocalesCalendarSystem) {
  // 16 September 2023 is 1 Tishri 5784; 20 March 2024 is 1 Farvardin 1403.
  EXPECT_EQ(calendar("Asia/Jerusalem", "he_IL@calendar=hebrew").dayOfMonth(at("2023-09-16T12:00:00+03:00")),
            1);
  EXPECT_EQ(calendar("Asia/Jerusalem", "he_IL").dayOfMonth(at("2023-09-16T12:00:00+03:00")), 16);
  EXPECT_EQ(calendar("Asia/Tehran", "fa_IR").dayOfMonth(at("2024-03-20T12:00:00+03:30")), 1);
  const auto hebrewMonth =
      calendar("Asia/Jerusalem", "he_IL@calendar=hebrew").startOfMonth(at("2023-09-30T12:00:00+03:00"));
  ASSERT_TRUE(hebrewMonth);
  EXPECT_EQ(formatRfc3339(*hebrewMonth), formatRfc3339(at("2023-09-16T00:00:00+03:00")));
  // A month of the Hebrew calendar is not a Gregorian one: 1 Tishri to 1 Heshvan is one month.
  EXPECT_EQ(calendar("Asia/Jerusalem", "he_IL@calendar=hebrew")
                .monthsAndDays(at("2023-09-16T12:00:00+03:00"), at("2023-10-16T12:00:00+03:00")),
            (MonthsAndDays{1, 0}));
  // The Buddhist calendar counts years differently but shares the Gregorian months and days.
  const Calendar buddhist = calendar("Asia/Bangkok", "th_TH@calendar=buddhist");
  EXPECT_EQ(buddhist.localeId(), "th_TH@calendar=buddhist");
  EXPECT_EQ(buddhist.dayOfMonth(at("2024-02-29T12:00:00+07:00")), 29);
  EXPECT_EQ(buddhist.monthsAndDays(at("2024-01-31T12:00:00+07:00"), at("2024-03-01T12:00:00+07:00")),
            (MonthsAndDays{1, 1}));
}

TEST(Calendar, ReadsWeekdayAndDayInItsOwnZone) {
  // 2024-06-13T02:30Z is Wednesday the 12th in New York and Sao Paulo, Thursday the 13th in Berlin.
  const Date instant = at("2024-06-13T02:30:00Z");
  EXPECT_EQ(calendar("America/New_York").weekday(instant), 4);
  EXPECT_EQ(calendar("America/New_York").dayOfMonth(instant), 12);
  EXPECT_EQ(calendar("America/Sao_Paulo").weekday(instant), 4);
  EXPECT_EQ(calendar("America/Sao_Paulo").dayOfMonth(instant), 12);
  EXPECT_EQ(calendar("Europe/Berlin", "de_DE").weekday(instant), 5);
  EXPECT_EQ(calendar("Europe/Berlin", "de_DE").dayOfMonth(instant), 13);
  // Weekday numbers do not follow the locale's first weekday: 1 is Sunday in every Gregorian locale.
  for (const char* locale : {"en_US", "de_DE", "ar_EG"})
    EXPECT_EQ(calendar("America/New_York", locale).weekday(at("2024-03-10T12:00:00-04:00")), 1) << locale;
}

TEST(Calendar, NamesWeekdaysFromSunday) {
  struct Case {
    const char* locale;
    const char* sunday;
    const char* wednesday;
  };
  const Case cases[] = {
      {"en_US", "Sunday", "Wednesday"},       {"C", "Sunday", "Wednesday"},
      {"de_DE.UTF-8", "Sonntag", "Mittwoch"}, {"pl_PL", "niedziela", "środa"},
      {"ar_EG", "الأحد", "الأربعاء"},
  };
  for (const auto& c : cases) {
    const auto names = calendar("America/Sao_Paulo", c.locale).standaloneWeekdaySymbols();
    ASSERT_EQ(names.size(), 7u) << c.locale;
    EXPECT_EQ(names[0], c.sunday) << c.locale;
    EXPECT_EQ(names[3], c.wednesday) << c.locale;
  }
}

TEST(Calendar, FormatsTimesInTheShortStyleOfItsZone) {
  const Date instant = at("2024-06-10T21:05:00Z");
  EXPECT_EQ(calendar("America/New_York", "en_US").formatTime(instant), "5:05\u202FPM");
  EXPECT_EQ(calendar("America/New_York", "C.UTF-8").formatTime(instant), "5:05\u202FPM");
  EXPECT_EQ(calendar("America/New_York", "de_DE").formatTime(instant), "17:05");
  EXPECT_EQ(calendar("America/Sao_Paulo", "pl_PL").formatTime(instant), "18:05");
  EXPECT_EQ(calendar("Australia/Lord_Howe", "de_DE").formatTime(instant), "07:35");
  // The repeated hour in Havana shows the wall clock of either pass.
  EXPECT_EQ(calendar("America/Havana", "de_DE").formatTime(at("2023-11-05T00:30:00-04:00")), "00:30");
  EXPECT_EQ(calendar("America/Havana", "de_DE").formatTime(at("2023-11-05T00:30:00-05:00")), "00:30");
}

TEST(Calendar, UppercasesWithoutLocaleRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"sunday", "SUNDAY"},
      {"straße", "STRASSE"},     // German sharp s widens
      {"istanbul", "ISTANBUL"},  // no Turkish dotted capital I
      {"środa", "ŚRODA"},
      {"الأحد", "الأحد"},  // caseless
      {"ǆ", "Ǆ"},
      {"already UPPER 12", "ALREADY UPPER 12"},
  };
  for (const auto& [text, upper] : cases)
    EXPECT_EQ(uppercased(text), upper) << text;
}

TEST(Calendar, ReadsTheZoneAndLocaleFromTheEnvironment) {
  {
    ScopedEnv tz("TZ", "America/Sao_Paulo");
    EXPECT_EQ(timeZoneFromEnvironment(), "America/Sao_Paulo");
  }
  {
    ScopedEnv tz("TZ", ":Europe/Berlin");
    EXPECT_EQ(timeZoneFromEnvironment(), "Europe/Berlin");
  }
  {
    ScopedEnv tz("TZ", ":/usr/share/zoneinfo/Asia/Tokyo");
    EXPECT_EQ(timeZoneFromEnvironment(), "Asia/Tokyo");
  }
  {
    ScopedEnv tz("TZ", "");
    EXPECT_EQ(timeZoneFromEnvironment(), "UTC");
  }
  {
    // Without TZ the system's zone, which this machine may or may not name: always a usable zone.
    ScopedEnv tz("TZ", nullptr);
    EXPECT_TRUE(Calendar::make(timeZoneFromEnvironment(), "C")) << timeZoneFromEnvironment();
  }

  ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
  EXPECT_EQ(localeFromEnvironment(), "C");
  ::setenv("LANG", "pl_PL.UTF-8", 1);
  EXPECT_EQ(localeFromEnvironment(), "pl_PL.UTF-8");
  ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
  EXPECT_EQ(localeFromEnvironment(), "de_DE.UTF-8");
  ::setenv("LC_ALL", "", 1);  // empty variables are skipped
  EXPECT_EQ(localeFromEnvironment(), "de_DE.UTF-8");
  ::setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(localeFromEnvironment(), "C.UTF-8");
}

TEST(Calendar, LeavesUnrepresentableDatesAlone) {
  const Calendar cal = calendar("America/New_York");
  const Date ordinary = at("2024-06-10T12:00:00-04:00");
  for (const double seconds :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 1e300, -1e15}) {
    const Date date{seconds};
    EXPECT_TRUE(std::isnan(seconds) ? std::isnan(cal.startOfDay(date).sinceReferenceDate)
                                    : cal.startOfDay(date) == date)
        << seconds;
    EXPECT_TRUE(std::isnan(seconds) || cal.startOfDay(date, 3) == date) << seconds;
    EXPECT_FALSE(cal.adding(CalendarUnit::day, 1, date)) << seconds;
    EXPECT_FALSE(cal.settingHour(12, date)) << seconds;
    EXPECT_FALSE(cal.startOfMonth(date)) << seconds;
    EXPECT_FALSE(cal.startOfWeek(date)) << seconds;
    EXPECT_EQ(cal.monthsAndDays(ordinary, date), (MonthsAndDays{0, 0})) << seconds;
    EXPECT_EQ(cal.monthsAndDays(date, ordinary), (MonthsAndDays{0, 0})) << seconds;
    EXPECT_EQ(cal.weekday(date), 1) << seconds;
    EXPECT_EQ(cal.dayOfMonth(date), 1) << seconds;
    EXPECT_EQ(cal.formatTime(date), "") << seconds;
    // Ordered as the instants themselves; not-a-number with nothing.
    const auto expected = std::isnan(seconds) ? std::partial_ordering::unordered
                          : seconds > 0       ? std::partial_ordering::greater
                                              : std::partial_ordering::less;
    EXPECT_EQ(cal.compareDays(date, ordinary), expected) << seconds;
    EXPECT_EQ(cal.dayDistance(ordinary, date).order, expected) << seconds;
    EXPECT_EQ(cal.dayDistance(ordinary, date).distance, (MonthsAndDays{0, 0})) << seconds;
  }
  // The ends of the range still have days.
  EXPECT_EQ(formatRfc3339(calendar("UTC").startOfDay(at("9999-12-31T23:59:59Z"))),
            "9999-12-31T00:00:00.000Z");
  EXPECT_EQ(formatRfc3339(calendar("UTC").startOfDay(at("0001-01-01T10:00:00Z"))),
            "0001-01-01T00:00:00.000Z");
}

TEST(Calendar, IsSharedSafelyBetweenThreads) {
  const Calendar cal = calendar("America/Sao_Paulo", "de_DE");
  const Date start = at("2018-10-01T12:00:00-03:00");
  std::vector<Date> expected;
  for (int i = 0; i < 60; ++i)
    expected.push_back(cal.startOfDay(start, i));

  std::vector<std::vector<Date>> seen(4);
  std::vector<std::thread> threads;
  for (auto& out : seen)
    threads.emplace_back([&cal, &out, start] {
      for (int i = 0; i < 60; ++i)
        out.push_back(cal.startOfDay(start, i));
    });
  for (auto& thread : threads)
    thread.join();
  for (const auto& out : seen)
    EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace rw

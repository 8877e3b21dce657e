// Instants as RFC 3339 texts, and the calendar's days, weeks and months, checked against ICU's own calendar.
#include "platform/calendar.h"

#include <gtest/gtest.h>
#include <unicode/basictz.h>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/date.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

namespace rw {
namespace {

using testing::at;
using testing::ScopedEnv;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN(),
                 kInf = std::numeric_limits<double>::infinity();

// Instants are written with their local offset, so each case reads as the wall clock of its zone.
Calendar calendar(const char* zone, const char* locale = "en_US") {
  auto made = Calendar::make(zone, locale);
  EXPECT_TRUE(made) << zone << " " << locale;
  return made ? *made : *Calendar::make("UTC", "en_US");
}

// Space-separated names as a list.
std::vector<std::string> words(const char* text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

std::string text(std::optional<Date> date) {
  return date ? formatRfc3339(*date) : "(none)";
}

TEST(Date, Rfc3339ReadsOffsetsAndFractionsRefusesMalformedTextAndRoundTripsTheWholeRange) {
  const Date date = at("2026-06-10T12:00:00.250Z");
  EXPECT_EQ(std::tuple(formatRfc3339(date), formatIso8601Seconds(date)),
            std::tuple("2026-06-10T12:00:00.250Z", "2026-06-10T12:00:00Z"));
  EXPECT_EQ(parseRfc3339("2001-01-01T00:00:00Z")->sinceReferenceDate, 0.0);  // the reference date
  EXPECT_EQ(parseRfc3339("2026-12-06T00:00:00-05:00"), parseRfc3339("2026-12-06T05:00:00Z"));
  EXPECT_EQ(parseRfc3339("2026-12-06T05:30:00+05:30"), parseRfc3339("2026-12-06T00:00:00Z"));
  EXPECT_EQ(formatRfc3339(Date::fromUnixSeconds(-0.0005)), "1969-12-31T23:59:59.999Z");  // rounds down
  for (const char* text : {"", "2026-06-10", "2026-06-10T12:00:00", "2026-13-01T00:00:00Z",
                           "2026-02-29T00:00:00Z", "2026-06-10T24:00:00Z", "2026-06-10T12:00:00.Z",
                           "2026-06-10T12:00:00Zjunk", "0000-01-01T00:00:00Z", "2026-06-10T12:00:00+5:00"})
    EXPECT_FALSE(parseRfc3339(text)) << text;
  // Representable: years 1 to 9999 (of which 2024 had a 29 February).
  const Date first = at("0001-01-01T00:00:00Z"), last = at("9999-12-31T23:59:59Z");
  for (const Date inside : {Date{0}, first, last, at("2024-02-29T00:00:00Z")})
    EXPECT_TRUE(isRepresentable(inside)) << inside.sinceReferenceDate;
  for (const Date outside : {first.adding(-1), last.adding(1), Date{kNan}, Date{kInf}})
    EXPECT_FALSE(isRepresentable(outside)) << outside.sinceReferenceDate;
  // Over the whole range, texts have the fixed width of four-digit years and read back to within the
  // millisecond they round down to.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> seconds(first.unixSeconds(), last.adding(0.999).unixSeconds());
  for (int i = 0; i < 20'000; ++i) {
    const Date instant = Date::fromUnixSeconds(seconds(random));
    const std::string text = formatRfc3339(instant);
    ASSERT_EQ(text.size(), 24u) << text;
    const auto back = parseRfc3339(text);
    ASSERT_TRUE(back) << text;
    EXPECT_LT(std::abs(back->unixSeconds() - instant.unixSeconds()), 0.002) << text;
    EXPECT_EQ(formatRfc3339(*back).substr(0, 19), text.substr(0, 19)) << text;
  }
}

TEST(Calendar, RefusesUnknownZonesAndMapsPosixLocaleNames) {
  for (const char* zone : {"Nowhere/Land", "", "Etc/Unknown", "america/new york", "CET-1CEST"})
    EXPECT_FALSE(Calendar::make(zone, "en_US")) << zone;
  for (const char* zone : {"America/New_York", "UTC", "Australia/Lord_Howe", "GMT+05:30", "US/Eastern"})
    EXPECT_TRUE(Calendar::make(zone, "en_US")) << zone;
  EXPECT_EQ(calendar("America/Sao_Paulo").timeZoneId(), "America/Sao_Paulo");
  // Pairs of a POSIX or BCP 47 name and ICU's.
  const auto pairs = words(
      "pl_PL.utf8@euro pl_PL sr_RS@latin sr_Latn_RS sr_RS.UTF-8@cyrillic sr_Cyrl_RS de-AT de_AT en_us en_US "
      "he_IL.UTF-8@calendar=hebrew he_IL@calendar=hebrew th-TH-u-ca-buddhist th_TH@calendar=buddhist");
  for (std::size_t i = 0; i < pairs.size(); i += 2) {
    EXPECT_EQ(canonicalLocaleId(pairs[i]), pairs[i + 1]) << pairs[i];
    EXPECT_EQ(calendar("UTC", pairs[i].c_str()).localeId(), pairs[i + 1]) << pairs[i];
  }
  // The C locale, and ids that are no locale (never a part that could reach a file name): ICU's POSIX.
  for (const char* posix :
       {"C", "C.UTF-8", "POSIX", "", "  ", "../../etc", "de/../../x", "de_DE/../..", "a b", "1234"})
    EXPECT_EQ(calendar("UTC", posix).localeId(), "en_US_POSIX") << posix;
}

// ICU's own calendar of `zone` and `locale`, settling skipped and repeated wall times as days do.
std::unique_ptr<icu::Calendar> icuCalendar(const char* zone, const char* locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> cal(
      icu::Calendar::createInstance(icu::TimeZone::createTimeZone(zone), icu::Locale(locale), status));
  EXPECT_TRUE(U_SUCCESS(status)) << zone << " " << locale;
  cal->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
  cal->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
  return cal;
}

Date fromIcu(UDate time) {
  return Date::fromUnixSeconds(time / 1000.0);
}

// `date`'s day at `hour` o'clock, `days` days on, found with ICU's field machinery only.
UDate icuHour(icu::Calendar& cal, Date date, int hour, std::int32_t days = 0) {
  UErrorCode status = U_ZERO_ERROR;
  cal.setTime(date.unixSeconds() * 1000.0, status);
  cal.set(UCAL_HOUR_OF_DAY, 12);
  cal.add(UCAL_DATE, days, status);
  cal.set(UCAL_HOUR_OF_DAY, hour);
  for (const auto field : {UCAL_MINUTE, UCAL_SECOND, UCAL_MILLISECOND})
    cal.set(field, 0);
  const UDate result = cal.getTime(status);
  EXPECT_TRUE(U_SUCCESS(status));
  return result;
}

// The zone's offset changes between 1900 and 2040: the instants where days are short, long or missing.
std::vector<Date> transitionsOf(const char* zone) {
  std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(zone));
  auto* basic = dynamic_cast<icu::BasicTimeZone*>(tz.get());
  std::vector<Date> result;
  icu::TimeZoneTransition transition;
  for (UDate from = -2'208'988'800'000.0;  // 1900
       basic && basic->getNextTransition(from, false, transition) &&
       transition.getTime() < 2'208'988'800'000.0;)
    result.push_back(fromIcu(from = transition.getTime()));
  return result;
}

TEST(Calendar, AgreesWithIcuOnRandomDaysAndOnEveryLocalesWeekAndCalendarSystem) {
  // Midnights skipped (Sao Paulo) and repeated (Havana, Santiago, whose clocks go back from 24:00 to
  // 23:00), half-hour steps (Lord Howe), whole days skipped or repeated across the date line (Apia on 30
  // December 2011, Kiritimati on 31 December 1994, Sitka in 1867, Manila in 1844), and plain zones.
  const std::vector<std::string> zones = words(
      "UTC Europe/Berlin America/Sao_Paulo America/Havana America/Santiago Pacific/Apia Pacific/Kiritimati "
      "Australia/Lord_Howe America/St_Johns Asia/Tehran Africa/Casablanca Pacific/Kwajalein America/Sitka "
      "Asia/Manila Asia/Beirut");
  // Gregorian locales take the fast path; the others (and days before 1600) stay with ICU, and must too.
  // Weeks that start on Sunday, Monday and Saturday.
  const char* locales[] = {"en_US", "de_DE", "ar_EG", "th_TH@calendar=buddhist", "he_IL@calendar=hebrew"};
  constexpr double kDay = 86'400, kYear = 365.2425 * kDay;
  std::mt19937_64 random(20260301);
  const auto uniform = [&](double low, double high) {
    return std::uniform_real_distribution(low, high)(random);
  };
  UErrorCode status = U_ZERO_ERROR;
  for (const std::string& zoneId : zones) {
    const char* zone = zoneId.c_str();
    const std::vector<Date> transitions = transitionsOf(zone);
    // Within a day and a half of an offset change, where days are hardest to get right.
    const auto nearChange = [&] {
      return transitions[random() % transitions.size()].adding(uniform(-1.5 * kDay, 1.5 * kDay));
    };
    for (const char* locale : locales) {
      const Calendar cal = calendar(zone, locale);
      const auto icu = icuCalendar(zone, locale);
      // ICU's instant of `date`'s day at `hour` o'clock, `days` days on, as text.
      const auto icuAt = [&](Date date, int hour, std::int32_t days = 0) {
        return text(fromIcu(icuHour(*icu, date, hour, days)));
      };
      const auto set = [&](Date date) { icu->setTime(date.unixSeconds() * 1000.0, status); };
      for (int i = 0; i < (std::strchr(locale, '@') ? 50 : 200); ++i) {
        // Mostly near today, some across centuries; one end often near an offset change.
        Date from =
            at("2000-01-01T00:00:00Z").adding(kYear * (i % 8 ? uniform(-20, 35) : uniform(-420, 200)));
        if (!transitions.empty() && i % 2 == 1) from = nearChange();
        const double span = i % 3 == 0 ? 45 * kDay : i % 3 == 1 ? 3 * kYear : 40 * kYear;
        Date to = from.adding(uniform(-span, span));
        if (!transitions.empty() && i % 4 == 2) to = nearChange();
        if (!isRepresentable(from) || !isRepresentable(to)) continue;
        const auto days = static_cast<std::int32_t>(i % 3 == 0 ? uniform(-40, 40) : uniform(-3, 3));
        SCOPED_TRACE(std::string(zone) + " " + locale + " " + text(from) + " -> " + text(to) + " " +
                     std::to_string(days));
        ASSERT_EQ(text(cal.startOfDay(from)), icuAt(from, 0));
        ASSERT_EQ(text(cal.startOfDay(from, days)), icuAt(from, 0, days));
        // Days apart: both days at noon, whole months by ICU's field difference, then the days left.
        const UDate toNoon = icuHour(*icu, to, 12);
        icuHour(*icu, from, 12);
        const MonthsAndDays distance = cal.monthsAndDays(from, to);
        const int months = icu->fieldDifference(toNoon, UCAL_MONTH, status);
        ASSERT_EQ(distance, (MonthsAndDays{months, icu->fieldDifference(toNoon, UCAL_DATE, status)}));
        // The same two days, ordered, and both ways of asking about them answer alike.
        ASSERT_EQ(cal.compareDays(from, to), cal.startOfDay(from) <=> cal.startOfDay(to));
        ASSERT_EQ(cal.compareDays(to, cal.startOfDay(to).adding(1)), std::partial_ordering::equivalent);
        const DayDistance apart = cal.dayDistance(from, to);
        ASSERT_EQ(std::pair(apart.order, apart.distance), std::pair(cal.compareDays(to, from), distance));
        set(from);
        const int weekday = icu->get(UCAL_DAY_OF_WEEK, status), dayOfMonth = icu->get(UCAL_DATE, status);
        ASSERT_EQ(std::pair(cal.weekday(from), cal.dayOfMonth(from)), std::pair(weekday, dayOfMonth));
        // Weeks start on the locale's first weekday, months on their first day, at the day's first instant.
        ASSERT_EQ(text(cal.startOfWeek(from)),
                  icuAt(from, 0, -((weekday - icu->getFirstDayOfWeek() + 7) % 7)));
        set(from);
        icu->set(UCAL_DATE, 1);
        ASSERT_EQ(text(cal.startOfMonth(from)), icuAt(fromIcu(icu->getTime(status)), 0));
        // A day has an hour only where its clock shows it (never a skipped one, nor -1 or 24).
        const int hour = i % 26 - 1;
        const std::string atHour = icuAt(from, hour);
        const bool hasHour =
            icu->get(UCAL_HOUR_OF_DAY, status) == hour && icu->get(UCAL_DATE, status) == dayOfMonth;
        ASSERT_EQ(text(cal.settingHour(hour, from)), hasHour ? atHour : "(none)") << hour;
        // Adding keeps the wall clock; a month ends on the last day of a shorter one.
        const std::pair<CalendarUnit, UCalendarDateFields> units[] = {
            {CalendarUnit::day, UCAL_DATE},
            {CalendarUnit::weekOfYear, UCAL_WEEK_OF_YEAR},
            {CalendarUnit::month, UCAL_MONTH}};
        const auto [unit, field] = units[i % 3];
        set(from);
        icu->add(field, days, status);
        const Date added = fromIcu(icu->getTime(status));
        ASSERT_EQ(text(cal.adding(unit, days, from)), isRepresentable(added) ? text(added) : "(none)")
            << i % 3;
      }
    }
  }
  // For every locale ICU has (and a few with a calendar keyword), the first weekday and the calendar system
  // (seen in the day of the month) are those of ICU's own calendar of that locale.
  std::vector<std::string> ids = words(
      "en_US@calendar=gregorian th_TH@calendar=gregorian de_DE@calendar=japanese "
      "en_US@calendar=islamic-civil "
      "fa_IR@calendar=gregorian en_US@calendar=nonsense");
  std::int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (std::int32_t i = 0; i < count; ++i)
    ids.emplace_back(available[i].getName());
  ASSERT_GT(ids.size(), 500u);
  const Date noon = at("2024-03-20T12:00:00Z");
  for (const std::string& id : ids) {
    const Calendar ours = calendar("Asia/Tehran", id.c_str());
    const auto icu = icuCalendar("Asia/Tehran", ours.localeId().c_str());
    icu->setTime(noon.unixSeconds() * 1000, status);
    EXPECT_EQ(std::pair(ours.firstWeekday(), ours.dayOfMonth(noon)),
              std::pair(int{icu->getFirstDayOfWeek()}, icu->get(UCAL_DATE, status)))
        << id;
  }
}

TEST(Calendar, ReadsNamesAndFormatsInItsZoneAndLocale) {
  // Triples of a locale, its Sunday and its Wednesday.
  const auto names =
      words("en_US Sunday Wednesday C Sunday Wednesday pl_PL niedziela środa ar_EG الأحد الأربعاء");
  for (std::size_t i = 0; i < names.size(); i += 3) {
    const auto symbols = calendar("America/Sao_Paulo", names[i].c_str()).standaloneWeekdaySymbols();
    ASSERT_EQ(symbols.size(), 7u) << names[i];
    EXPECT_EQ(symbols[0] + " " + symbols[3], names[i + 1] + " " + names[i + 2]) << names[i];
  }
  // Short times in the zone's wall clock; the repeated hour in Havana shows the wall clock of either pass.
  const auto times = words(
      "America/New_York en_US 2024-06-10T21:05:00Z 5:05\u202FPM America/Sao_Paulo pl_PL 2024-06-10T21:05:00Z "
      "18:05 Australia/Lord_Howe de_DE 2024-06-10T21:05:00Z 07:35 America/Havana de_DE "
      "2023-11-05T00:30:00-05:00 00:30");
  for (std::size_t i = 0; i < times.size(); i += 4)
    EXPECT_EQ(calendar(times[i].c_str(), times[i + 1].c_str()).formatTime(at(times[i + 2])), times[i + 3]);
  // Uppercasing follows no locale's rules: German sharp s widens, no Turkish dotted capital I.
  EXPECT_EQ(uppercased("straße istanbul środa ǆ"), "STRASSE ISTANBUL ŚRODA Ǆ");
}

TEST(Calendar, ReadsTheZoneAndLocaleFromTheEnvironment) {
  // Pairs of TZ and the zone it names; without TZ the system's zone, which this machine may or may not
  // name: always a usable zone.
  const char* zones[] = {
      ":Europe/Berlin", "Europe/Berlin", ":/usr/share/zoneinfo/Asia/Tokyo", "Asia/Tokyo", "", "UTC"};
  for (std::size_t i = 0; i < std::size(zones); i += 2) {
    ScopedEnv tz("TZ", zones[i]);
    EXPECT_EQ(timeZoneFromEnvironment(), zones[i + 1]) << zones[i];
    tz.set(nullptr);
    EXPECT_TRUE(Calendar::make(timeZoneFromEnvironment(), "C")) << timeZoneFromEnvironment();
  }
  ScopedEnv all("LC_ALL", nullptr), messages("LC_MESSAGES", nullptr), lang("LANG", nullptr);
  EXPECT_EQ(localeFromEnvironment(), "C");
  // Each step sets one variable; LC_ALL, then LC_MESSAGES, then LANG, an empty one skipped.
  const std::pair<const ScopedEnv*, const char*> steps[] = {
      {&lang, "pl_PL.UTF-8"}, {&messages, "de_DE.UTF-8"}, {&all, ""}, {&all, "C.UTF-8"}};
  for (const auto& [variable, value] : steps) {
    variable->set(value);
    EXPECT_EQ(localeFromEnvironment(), *value ? value : "de_DE.UTF-8") << value;
  }
}

TEST(Calendar, LeavesUnrepresentableDatesAlone) {
  const Calendar cal = calendar("America/New_York");
  const Date ordinary = at("2024-06-10T12:00:00-04:00");
  EXPECT_FALSE(cal.adding(CalendarUnit::day, std::numeric_limits<std::int64_t>::max(), ordinary));
  EXPECT_FALSE(cal.adding(CalendarUnit::month, std::int64_t{1} << 40, ordinary));
  for (const double seconds : {kNan, kInf, -kInf, 1e300, -1e15}) {
    SCOPED_TRACE(seconds);
    const Date date{seconds};
    const bool nan = std::isnan(seconds);
    EXPECT_TRUE(nan ? std::isnan(cal.startOfDay(date).sinceReferenceDate) : cal.startOfDay(date) == date);
    EXPECT_TRUE(nan || cal.startOfDay(date, 3) == date);
    EXPECT_FALSE(cal.adding(CalendarUnit::day, 1, date) || cal.settingHour(12, date) ||
                 cal.startOfMonth(date) || cal.startOfWeek(date));
    // No distance, no weekday or day of month but the first, no time; ordered as the instants themselves,
    // not-a-number with nothing.
    const auto order = nan           ? std::partial_ordering::unordered
                       : seconds > 0 ? std::partial_ordering::greater
                                     : std::partial_ordering::less;
    EXPECT_EQ(std::tuple(cal.monthsAndDays(ordinary, date), cal.monthsAndDays(date, ordinary),
                         cal.dayDistance(ordinary, date).distance, cal.weekday(date), cal.dayOfMonth(date),
                         cal.formatTime(date), cal.compareDays(date, ordinary),
                         cal.dayDistance(ordinary, date).order),
              std::tuple(MonthsAndDays{}, MonthsAndDays{}, MonthsAndDays{}, 1, 1, "", order, order));
  }
  // The ends of the range still have days.
  EXPECT_EQ(text(calendar("UTC").startOfDay(at("9999-12-31T23:59:59Z"))), "9999-12-31T00:00:00.000Z");
  EXPECT_EQ(text(calendar("UTC").startOfDay(at("0001-01-01T10:00:00Z"))), "0001-01-01T00:00:00.000Z");
}

}  // namespace
}  // namespace rw

#include "platform/calendar.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/basictz.h>
#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <limits>

namespace rw {
namespace {

using CalendarPtr = std::unique_ptr<icu::Calendar>;

constexpr std::string_view kPosixLocale = "en_US_POSIX";

// ICU counts milliseconds since 1970 in a double; `Date` counts seconds since 2001.
UDate toUDate(Date date) {
  return date.unixSeconds() * 1000.0;
}
Date fromUDate(UDate millis) {
  return Date::fromUnixSeconds(millis / 1000.0);
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::string lowercase(std::string_view text) {
  std::string out(text);
  std::ranges::transform(out, out.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// Moves `calendar` to 00:00 of its current day. Where midnight is skipped the calendar's skipped-wall-time
// option lands on the first valid instant after it; where it repeats, the repeated-wall-time option picks
// the first of the two.
void setMidnight(icu::Calendar& calendar) {
  calendar.set(UCAL_HOUR_OF_DAY, 0);
  calendar.set(UCAL_MINUTE, 0);
  calendar.set(UCAL_SECOND, 0);
  calendar.set(UCAL_MILLISECOND, 0);
}

// Moves `calendar` to 12:00 of its current day. Day and month arithmetic runs at noon: noon exists on
// every day, and stepping from it by whole days can never cross into a neighbouring day the way stepping
// from a midnight that was moved to 01:00 (or from 00:30 into a skipped hour) can.
void setNoon(icu::Calendar& calendar) {
  calendar.set(UCAL_HOUR_OF_DAY, 12);
  calendar.set(UCAL_MINUTE, 0);
  calendar.set(UCAL_SECOND, 0);
  calendar.set(UCAL_MILLISECOND, 0);
}

std::optional<Date> timeOf(icu::Calendar& calendar) {
  UErrorCode status = U_ZERO_ERROR;
  const UDate millis = calendar.getTime(status);
  if (U_FAILURE(status) || !std::isfinite(millis)) return std::nullopt;
  return fromUDate(millis);
}

std::optional<std::int32_t> narrow(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

UCalendarDateFields fieldOf(CalendarUnit unit) {
  switch (unit) {
    case CalendarUnit::day:
      return UCAL_DATE;
    case CalendarUnit::weekOfYear:
      return UCAL_WEEK_OF_YEAR;
    case CalendarUnit::month:
      return UCAL_MONTH;
  }
  return UCAL_DATE;
}

// The zone name in a path such as "/usr/share/zoneinfo/Europe/Berlin", or nothing.
std::optional<std::string> zoneFromPath(std::string_view path) {
  constexpr std::string_view marker = "zoneinfo/";
  const auto at = path.rfind(marker);
  if (at == std::string_view::npos || at + marker.size() >= path.size()) return std::nullopt;
  std::string zone(path.substr(at + marker.size()));
  // Debian also ships the zones under zoneinfo/posix/ and zoneinfo/right/.
  for (std::string_view prefix : {"posix/", "right/"})
    if (zone.starts_with(prefix)) zone.erase(0, prefix.size());
  return zone;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

// A locale whose parts are what their names say: a language of 2 to 8 letters, and subtags of letters and
// digits. Anything else (a path, a stray space) is no locale; its parts must never reach a file name.
bool isWellFormed(const icu::Locale& locale) {
  if (locale.isBogus()) return false;
  const std::string_view language = locale.getLanguage();
  if (language.size() < 2 || language.size() > 8 ||
      !std::ranges::all_of(language, [](unsigned char c) { return std::isalpha(c); }))
    return false;
  const std::string_view name = locale.getName();
  const std::string_view base = name.substr(0, name.find('@'));
  return std::ranges::all_of(base, [](unsigned char c) { return std::isalnum(c) || c == '_'; });
}

// A day of the proleptic Gregorian calendar.
struct CivilDay {
  std::int64_t year = 0;
  int month = 1;  // 1-12
  int day = 1;    // 1-31
};

constexpr double kMillisPerDay = 86'400'000.0;

// Days since 1970-01-01 of a Gregorian day, and back (H. Hinnant's civil-date algorithms: eras of 400
// years, years that start on 1 March so that the leap day comes last).
std::int64_t daysFromCivil(const CivilDay& day) {
  const std::int64_t y = day.year - (day.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (day.month + (day.month > 2 ? -3 : 9)) + 2) / 5 + day.day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

CivilDay civilFromDays(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return {.year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0), .month = month, .day = day};
}

bool isLeapYear(std::int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int daysInMonth(std::int64_t year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// `day` moved by `months` months, the day of the month clamped to the end of a shorter month (31 January
// plus one month is the last day of February), as the calendar's month arithmetic does.
CivilDay addingMonths(const CivilDay& day, std::int64_t months) {
  const std::int64_t index = day.year * 12 + (day.month - 1) + months;
  const std::int64_t year = (index >= 0 ? index : index - 11) / 12;
  const int month = static_cast<int>(index - year * 12) + 1;
  return {.year = year, .month = month, .day = std::min(day.day, daysInMonth(year, month))};
}

// The distance between two Gregorian days the way the calendar's field difference counts it: the most
// whole months that, added to `from`, do not pass `to` in the distance's direction, then the days left.
MonthsAndDays gregorianDistance(const CivilDay& from, const CivilDay& to) {
  const std::int64_t fromDays = daysFromCivil(from);
  const std::int64_t toDays = daysFromCivil(to);
  // Adding months never overshoots by more than one month: the candidate lands in `to`'s month, at most a
  // few days past it.
  std::int64_t months = (to.year - from.year) * 12 + (to.month - from.month);
  const std::int64_t landing = daysFromCivil(addingMonths(from, months));
  if (toDays >= fromDays && landing > toDays) --months;
  if (toDays < fromDays && landing < toDays) ++months;
  return {.months = months, .days = toDays - daysFromCivil(addingMonths(from, months))};
}

// Whether the wall clock's jump from `from` to `to` (milliseconds since 1970, local) skips or repeats a noon.
bool crossesNoon(UDate from, UDate to) {
  constexpr UDate kNoon = kMillisPerDay / 2;
  const UDate low = std::min(from, to);
  const UDate high = std::max(from, to);
  const UDate firstNoon = std::ceil((low - kNoon) / kMillisPerDay) * kMillisPerDay + kNoon;
  return firstNoon <= high;
}

// Whether the change from `before` to `after` at `at` is irregular: a jump of 12 hours or more, or one
// that skips or repeats a noon.
bool isIrregularChange(UDate at, const icu::TimeZoneRule& before, const icu::TimeZoneRule& after) {
  constexpr std::int32_t kDateLineJump = 12 * 60 * 60 * 1000;
  const std::int32_t offsetBefore = before.getRawOffset() + before.getDSTSavings();
  const std::int32_t jump = after.getRawOffset() + after.getDSTSavings() - offsetBefore;
  if (jump == 0) return false;  // a change of name only
  const UDate wallBefore = at + offsetBefore;
  return jump >= kDateLineJump || jump <= -kDateLineJump || crossesNoon(wallBefore, wallBefore + jump);
}

// The changes of `zone` listed in its rules with times in UTC, in order, each with the rule it starts;
// nothing when the zone's rules cannot be read that way. A zone's rules hand out their times without the
// copy of a whole rule that each step of `getNextTransition` makes.
std::optional<std::vector<std::pair<UDate, const icu::TimeZoneRule*>>> listedChanges(
    const icu::BasicTimeZone& zone) {
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t count = zone.countTransitionRules(status);
  if (U_FAILURE(status) || count < 0) return std::nullopt;
  std::vector<const icu::TimeZoneRule*> rules(static_cast<std::size_t>(count));
  const icu::InitialTimeZoneRule* initial = nullptr;
  std::int32_t listed = count;
  zone.getTimeZoneRules(initial, rules.data(), listed, status);
  if (U_FAILURE(status) || listed > count) return std::nullopt;
  std::vector<std::pair<UDate, const icu::TimeZoneRule*>> changes;
  for (std::int32_t i = 0; i < listed; ++i) {
    const auto* times = dynamic_cast<const icu::TimeArrayTimeZoneRule*>(rules[static_cast<std::size_t>(i)]);
    if (!times) continue;  // a yearly rule: the final rules, walked step by step
    if (times->getTimeType() != icu::DateTimeRule::UTC_TIME) return std::nullopt;
    for (std::int32_t j = 0; j < times->countStartTimes(); ++j) {
      UDate at = 0;
      if (times->getStartTimeAt(j, at)) changes.emplace_back(at, times);
    }
  }
  std::ranges::sort(changes, {}, &std::pair<UDate, const icu::TimeZoneRule*>::first);
  if (!changes.empty() && initial)
    changes.insert(changes.begin(), {-std::numeric_limits<UDate>::infinity(), initial});
  return changes;
}

// The last instant at which `zone` moved its clocks by 12 hours or more, or across a noon, from 1970 on;
// 1970 itself for a zone that has not since. Earlier days are rare in reminders and left to ICU, which keeps
// this walk (once per calendar) short. The zone's final rules are yearly daylight-saving steps at night,
// so the walk stops there.
UDate lastIrregularChangeIn(const icu::TimeZone& zone) {
  const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone);
  if (!basic) return std::numeric_limits<UDate>::infinity();  // unknown history: never settled
  UDate settled = 0;
  UDate from = 0;
  // The changes listed in the zone's rules, up to the final rules.
  if (const auto changes = listedChanges(*basic); changes && !changes->empty()) {
    const icu::TimeZoneRule* current = changes->front().second;
    for (const auto& [at, rule] : *changes) {
      if (at > 0 && isIrregularChange(at, *current, *rule)) settled = at;
      current = rule;
    }
    from = std::max(from, changes->back().first);
  }
  // Then, step by step, into the final rules.
  icu::TimeZoneTransition transition;
  for (int steps = 0; steps < 10'000 && basic->getNextTransition(from, false, transition); ++steps) {
    const icu::TimeZoneRule* before = transition.getFrom();
    const icu::TimeZoneRule* after = transition.getTo();
    if (!before || !after) break;
    const UDate at = transition.getTime();
    if (isIrregularChange(at, *before, *after)) settled = at;
    if (dynamic_cast<const icu::AnnualTimeZoneRule*>(before) &&
        dynamic_cast<const icu::AnnualTimeZoneRule*>(after))
      break;
    from = at;
  }
  return settled;
}

// A zone's offsets over a span of years, as its changes in time order: from each change's instant on,
// until the next, the zone is `offset` milliseconds ahead of UTC. The instants before the first change and
// from the last one on are not covered.
struct OffsetChange {
  UDate at = 0;
  std::int32_t offset = 0;
};

// The changes that the zone's final rules (two yearly rules, daylight-saving time and standard time, in
// force for good) make in the years `firstYear` to `lastYear`; nothing for a zone without such rules. ICU
// answers an instant under those rules by computing its date fields and checking them against the rules,
// about a thousand instructions a time; a lookup in these changes gives the same offset.
std::vector<OffsetChange> yearlyChanges(const icu::TimeZone& zone, std::int32_t firstYear,
                                        std::int32_t lastYear) {
  const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone);
  if (!basic) return {};
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t count = basic->countTransitionRules(status);
  if (U_FAILURE(status) || count < 2) return {};
  std::vector<const icu::TimeZoneRule*> rules(static_cast<std::size_t>(count));
  const icu::InitialTimeZoneRule* initial = nullptr;
  std::int32_t listed = count;
  basic->getTimeZoneRules(initial, rules.data(), listed, status);
  if (U_FAILURE(status) || listed > count) return {};
  std::vector<const icu::AnnualTimeZoneRule*> yearly;
  for (std::int32_t i = 0; i < listed; ++i)
    if (const auto* rule = dynamic_cast<const icu::AnnualTimeZoneRule*>(rules[static_cast<std::size_t>(i)]))
      yearly.push_back(rule);
  if (yearly.size() != 2) return {};
  for (const auto* rule : yearly) {
    if (rule->getEndYear() != icu::AnnualTimeZoneRule::MAX_YEAR) return {};
    firstYear = std::max(firstYear, rule->getStartYear());
  }
  std::vector<OffsetChange> changes;
  for (std::int32_t year = firstYear; year <= lastYear; ++year) {
    for (std::size_t i = 0; i < 2; ++i) {
      // Each rule takes over from the other; its start may be given in the other's wall or standard time.
      const icu::AnnualTimeZoneRule& rule = *yearly[i];
      const icu::AnnualTimeZoneRule& before = *yearly[1 - i];
      UDate at = 0;
      if (!rule.getStartInYear(year, before.getRawOffset(), before.getDSTSavings(), at)) return {};
      changes.push_back({.at = at, .offset = rule.getRawOffset() + rule.getDSTSavings()});
    }
  }
  std::ranges::sort(changes, {}, &OffsetChange::at);
  return changes;
}

// Whether `locale` asks for the Gregorian calendar system: by its "calendar" keyword, or else (with no
// keyword) by its region's first preference.
bool prefersGregorian(const icu::Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  char type[32];
  const std::int32_t length = locale.getKeywordValue("calendar", type, sizeof type, status);
  if (U_FAILURE(status) || length >= static_cast<std::int32_t>(sizeof type)) return false;
  if (length > 0) return std::string_view(type, static_cast<std::size_t>(length)) == "gregorian";
  std::unique_ptr<icu::StringEnumeration> preferred(
      icu::Calendar::getKeywordValuesForLocale("calendar", locale, true, status));
  const char* first = U_SUCCESS(status) && preferred ? preferred->next(nullptr, status) : nullptr;
  return U_SUCCESS(status) && first != nullptr && std::string_view(first) == "gregorian";
}

// The calendar of `locale` in `zone` (adopted). Calendar::createInstance first makes a calendar of the
// locale in the host's zone (reading /etc/localtime to find it) and then copies it; a Gregorian one is made
// directly, with the same first weekday and minimal days. Any other system, and any keyword naming one, is
// left to createInstance.
CalendarPtr makeCalendar(icu::TimeZone* zone, const icu::Locale& locale, UErrorCode& status) {
  if (prefersGregorian(locale)) return std::make_unique<icu::GregorianCalendar>(zone, locale, status);
  return CalendarPtr(icu::Calendar::createInstance(zone, locale, status));
}

}  // namespace

struct Calendar::State {
  CalendarPtr prototype;
  std::string timeZoneId;
  std::string localeId;
  icu::Locale locale;

  // Whether the calendar system is the Gregorian one, whose days `gregorianDay` can name without ICU's
  // field machinery.
  bool gregorian = false;
  // The instant of the zone's last irregular change, in ICU milliseconds: a jump across the date line
  // (12 hours or more, such as Samoa's skipped 30 December 2011), which ICU steps over by the clock rather
  // than by the date, or a change that skips or repeats noon, where "noon" is not 12:00. Day counts that
  // reach back before it are left to ICU.
  UDate lastIrregularChange = -std::numeric_limits<UDate>::infinity();
  // The changes of the zone's final yearly rules around today (`yearlyChanges`), which answer `offsetAt`
  // between the first and the last of them.
  std::vector<OffsetChange> yearly;

  // A private copy of the prototype, set to `date`. Each operation works on its own copy, so one `Calendar`
  // can serve many threads; `clone()` only reads the prototype, whose fields were all computed in `make`.
  CalendarPtr at(Date date) const {
    CalendarPtr calendar(prototype->clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(date), status);
    return calendar;
  }

  // The Gregorian day that holds `date` on the wall clock of the time zone, computed from the zone's offset
  // alone, as ICU computes its fields. Nothing for other calendar systems and for days before 1600: ICU's
  // Gregorian calendar is the Julian one before October 1582, and those days are left to it.
  std::optional<CivilDay> gregorianDay(Date date) const {
    if (!isRepresentable(date)) return std::nullopt;
    const UDate millis = toUDate(date);
    // Two days of margin: the day that holds the change, whose noon may be the one skipped, stays with ICU.
    if (!gregorian || millis < lastIrregularChange + 2 * kMillisPerDay) return std::nullopt;
    const auto offset = offsetAt(millis);
    if (!offset) return std::nullopt;
    const double localDays = std::floor((millis + *offset) / kMillisPerDay);
    const CivilDay day = civilFromDays(static_cast<std::int64_t>(localDays));
    if (day.year < 1600) return std::nullopt;
    return day;
  }

  // The zone's whole offset from UTC at `millis`, or nothing.
  std::optional<std::int32_t> offsetAt(UDate millis) const {
    if (!yearly.empty() && millis >= yearly.front().at && millis < yearly.back().at) {
      const auto next = std::ranges::upper_bound(yearly, millis, {}, &OffsetChange::at);
      return std::prev(next)->offset;
    }
    // A const query of the shared zone: like `clone()`, safe from many threads at once.
    std::int32_t rawOffset = 0;
    std::int32_t dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    prototype->getTimeZone().getOffset(millis, false, rawOffset, dstOffset, status);
    if (U_FAILURE(status)) return std::nullopt;
    return rawOffset + dstOffset;
  }

  // The first instant of the Gregorian day `day`, where the zone's offsets alone can tell it: where 00:00
  // of that day exists once, with no change of offset in the 12 hours before it. Nothing elsewhere (a
  // skipped or repeated midnight, other calendar systems, days outside the Gregorian fast path), which is
  // left to ICU's field machinery.
  std::optional<Date> gregorianDayStart(const CivilDay& day) const {
    if (!gregorian || day.year < 1600) return std::nullopt;
    const double midnight = static_cast<double>(daysFromCivil(day)) * kMillisPerDay;
    // Local midnight read as UTC is within a day of the answer, so its offset is the zone's offset at the
    // answer or, across a change, the one next to it: a second step settles it.
    UDate candidate = midnight;
    std::optional<std::int32_t> offset;
    bool settled = false;  // whether `offset` is the offset at `candidate`, which shows 00:00 of `day`
    for (int step = 0; step < 3 && !settled; ++step) {
      offset = offsetAt(candidate);
      if (!offset) return std::nullopt;
      const UDate next = midnight - *offset;
      settled = next == candidate;
      candidate = next;
    }
    if (!settled) return std::nullopt;  // a skipped midnight: the offsets before and after disagree
    // `candidate` shows 00:00 of `day` on the wall clock. With the same offset through the 12 hours before
    // it, those hours show the day before, and no earlier instant shows `day`: going back to it would take a
    // jump of 12 hours or more, which `lastIrregularChange` keeps out of the fast path.
    constexpr double kHalfDay = kMillisPerDay / 2;
    const Date start = fromUDate(candidate);
    if (!isRepresentable(start) || candidate - kHalfDay < lastIrregularChange + 2 * kMillisPerDay)
      return std::nullopt;
    if (offsetAt(candidate - kHalfDay) != offset) return std::nullopt;
    return start;
  }
};

std::string canonicalLocaleId(std::string_view localeId) {
  std::string text = trimmed(localeId);
  // "C", "POSIX" and their codeset forms name the C library's neutral locale; ICU's equivalent keeps its
  // conventions: English texts, 12-hour times, weeks from Sunday.
  if (text.empty() || text == "C" || text == "POSIX" || text.starts_with("C.") || text.starts_with("C@"))
    return std::string(kPosixLocale);

  // POSIX form: language[_territory][.codeset][@modifier]. ICU keywords ("@calendar=hebrew") are kept; the
  // script modifiers become scripts; other modifiers ("@euro") say nothing ICU uses and are dropped.
  std::string keywords;
  std::string script;
  if (const auto at = text.find('@'); at != std::string::npos) {
    const std::string modifier = text.substr(at + 1);
    text.erase(at);
    if (modifier.find('=') != std::string::npos)
      keywords = modifier;
    else if (lowercase(modifier) == "latin")
      script = "Latn";
    else if (lowercase(modifier) == "cyrillic")
      script = "Cyrl";
  }
  if (const auto dot = text.find('.'); dot != std::string::npos) text.erase(dot);

  icu::Locale locale;
  if (text.find('-') != std::string::npos && text.find('_') == std::string::npos) {
    // A BCP 47 tag ("de-DE", "sr-Latn-RS").
    UErrorCode status = U_ZERO_ERROR;
    locale = icu::Locale::forLanguageTag(text, status);
    if (U_FAILURE(status)) return std::string(kPosixLocale);
    if (!keywords.empty()) locale = icu::Locale((std::string(locale.getName()) + "@" + keywords).c_str());
  } else {
    if (!script.empty()) {
      const auto underscore = text.find('_');
      text = underscore == std::string::npos
                 ? text + "_" + script
                 : text.substr(0, underscore) + "_" + script + text.substr(underscore);
    }
    if (!keywords.empty()) text += "@" + keywords;
    locale = icu::Locale(text.c_str());
  }
  if (!isWellFormed(locale)) return std::string(kPosixLocale);
  return locale.getName();
}

std::optional<Calendar> Calendar::make(std::string_view timeZoneId, std::string_view localeId) {
  const std::string zoneName(timeZoneId);
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(
      icu::StringPiece(zoneName.data(), static_cast<int32_t>(zoneName.size())))));
  if (!zone) return std::nullopt;
  // ICU answers an unknown id with the "Etc/Unknown" zone (GMT) instead of failing.
  icu::UnicodeString resolvedId;
  zone->getID(resolvedId);
  if (resolvedId == UNICODE_STRING_SIMPLE("Etc/Unknown")) return std::nullopt;

  auto state = std::make_shared<State>();
  state->localeId = canonicalLocaleId(localeId);
  state->locale = icu::Locale(state->localeId.c_str());
  state->timeZoneId = toUtf8(resolvedId);

  UErrorCode status = U_ZERO_ERROR;
  // The locale's calendar system (Gregorian unless it asks for another), first weekday and minimal days.
  state->prototype = makeCalendar(zone.release(), state->locale, status);
  if (U_FAILURE(status) || !state->prototype) return std::nullopt;
  state->prototype->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
  state->prototype->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
  state->prototype->setLenient(true);
  state->gregorian = std::string_view(state->prototype->getType()) == "gregorian";
  if (state->gregorian) {
    state->lastIrregularChange = lastIrregularChangeIn(state->prototype->getTimeZone());
    // Reminders lie mostly within a few decades of today; other instants ask ICU.
    state->yearly = yearlyChanges(state->prototype->getTimeZone(), 1990, 2070);
  }
  // Leave every field computed, so clones made concurrently only read the prototype.
  state->prototype->setTime(0, status);
  state->prototype->get(UCAL_DATE, status);
  if (U_FAILURE(status)) return std::nullopt;

  Calendar calendar;
  calendar.state_ = std::move(state);
  return calendar;
}

const std::string& Calendar::timeZoneId() const {
  return state_->timeZoneId;
}

const std::string& Calendar::localeId() const {
  return state_->localeId;
}

Date Calendar::startOfDay(Date date) const {
  if (!isRepresentable(date)) return date;
  // Asked for every entry of a timeline: the day's first instant from the zone's offsets where they tell it.
  if (const auto day = state_->gregorianDay(date)) {
    if (const auto start = state_->gregorianDayStart(*day)) return *start;
  }
  auto calendar = state_->at(date);
  setMidnight(*calendar);
  return timeOf(*calendar).value_or(date);
}

Date Calendar::startOfDay(Date date, std::int64_t days) const {
  if (!isRepresentable(date)) return date;
  // Step from noon to noon, then take that day's first instant: the result is always the start of the
  // calendar day `days` days on, whatever the lengths of the days in between.
  const auto step = narrow(days);
  // Calendar days are civil days on the fast path, so stepping is adding to the day number.
  if (const auto day = state_->gregorianDay(date); day && step) {
    if (const auto start = state_->gregorianDayStart(civilFromDays(daysFromCivil(*day) + *step)))
      return *start;
  }
  auto calendar = state_->at(date);
  setNoon(*calendar);
  UErrorCode status = U_ZERO_ERROR;
  if (step) calendar->add(UCAL_DATE, *step, status);
  if (!step || U_FAILURE(status)) return startOfDay(date);
  setMidnight(*calendar);
  return timeOf(*calendar).value_or(date);
}

std::optional<Date> Calendar::adding(CalendarUnit unit, std::int64_t value, Date date) const {
  if (!isRepresentable(date)) return std::nullopt;
  const auto amount = narrow(value);
  if (!amount) return std::nullopt;
  auto calendar = state_->at(date);
  UErrorCode status = U_ZERO_ERROR;
  calendar->add(fieldOf(unit), *amount, status);
  if (U_FAILURE(status)) return std::nullopt;
  return timeOf(*calendar);
}

std::optional<Date> Calendar::settingHour(int hour, Date date) const {
  if (!isRepresentable(date)) return std::nullopt;
  if (hour < 0 || hour > 23) return std::nullopt;
  auto calendar = state_->at(date);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t day = calendar->get(UCAL_DATE, status);
  calendar->set(UCAL_HOUR_OF_DAY, hour);
  calendar->set(UCAL_MINUTE, 0);
  calendar->set(UCAL_SECOND, 0);
  calendar->set(UCAL_MILLISECOND, 0);
  const auto result = timeOf(*calendar);
  // A skipped hour resolves to a later wall time (or even the next day): the day has no such hour.
  if (!result || calendar->get(UCAL_HOUR_OF_DAY, status) != hour || calendar->get(UCAL_DATE, status) != day ||
      U_FAILURE(status))
    return std::nullopt;
  return result;
}

std::optional<Date> Calendar::startOfMonth(Date date) const {
  if (!isRepresentable(date)) return std::nullopt;
  auto calendar = state_->at(date);
  UErrorCode status = U_ZERO_ERROR;
  calendar->set(UCAL_DATE, calendar->getActualMinimum(UCAL_DATE, status));
  setMidnight(*calendar);
  if (U_FAILURE(status)) return std::nullopt;
  return timeOf(*calendar);
}

std::optional<Date> Calendar::startOfWeek(Date date) const {
  if (!isRepresentable(date)) return std::nullopt;
  auto calendar = state_->at(date);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
  const int32_t first = calendar->getFirstDayOfWeek(status);
  if (U_FAILURE(status)) return std::nullopt;
  setNoon(*calendar);
  calendar->add(UCAL_DATE, -((weekday - first + 7) % 7), status);
  if (U_FAILURE(status)) return std::nullopt;
  setMidnight(*calendar);
  return timeOf(*calendar);
}

MonthsAndDays Calendar::monthsAndDays(Date from, Date to) const {
  if (!isRepresentable(from) || !isRepresentable(to)) return {};
  // The request path asks this for every reminder of every entry; for the Gregorian calendar the two days'
  // dates and plain month arithmetic give ICU's answer without cloning and stepping a calendar.
  if (const auto fromDay = state_->gregorianDay(from)) {
    if (const auto toDay = state_->gregorianDay(to)) return gregorianDistance(*fromDay, *toDay);
  }
  // Both days are compared at noon, so a day that begins at 01:00 or lasts 23 or 25 hours still counts as
  // one whole day. `fieldDifference` splits the distance the way adding does: whole months first (a month
  // added to 31 January ends on the last day of February), then the remaining days, all with the sign of
  // the distance.
  auto target = state_->at(to);
  setNoon(*target);
  const auto end = timeOf(*target);
  auto calendar = state_->at(from);
  setNoon(*calendar);
  if (!end) return {};
  UErrorCode status = U_ZERO_ERROR;
  const UDate when = toUDate(*end);
  MonthsAndDays result;
  result.months = calendar->fieldDifference(when, UCAL_MONTH, status);
  result.days = calendar->fieldDifference(when, UCAL_DATE, status);
  if (U_FAILURE(status)) return {};
  return result;
}

std::partial_ordering Calendar::compareDays(Date a, Date b) const {
  // Asked twice for every reminder of every entry: day numbers where the fast path knows them.
  if (const auto dayA = state_->gregorianDay(a)) {
    if (const auto dayB = state_->gregorianDay(b)) return daysFromCivil(*dayA) <=> daysFromCivil(*dayB);
  }
  return startOfDay(a) <=> startOfDay(b);
}

DayDistance Calendar::dayDistance(Date from, Date to) const {
  // Each reminder of each entry needs both; the fast path finds the two days once.
  if (const auto fromDay = state_->gregorianDay(from)) {
    if (const auto toDay = state_->gregorianDay(to))
      return {.order = daysFromCivil(*toDay) <=> daysFromCivil(*fromDay),
              .distance = gregorianDistance(*fromDay, *toDay)};
  }
  return {.order = compareDays(to, from), .distance = monthsAndDays(from, to)};
}

int Calendar::weekday(Date date) const {
  if (!isRepresentable(date)) return 1;
  UErrorCode status = U_ZERO_ERROR;
  const int32_t value = state_->at(date)->get(UCAL_DAY_OF_WEEK, status);
  return U_SUCCESS(status) ? value : 1;
}

int Calendar::dayOfMonth(Date date) const {
  if (!isRepresentable(date)) return 1;
  UErrorCode status = U_ZERO_ERROR;
  const int32_t value = state_->at(date)->get(UCAL_DATE, status);
  return U_SUCCESS(status) ? value : 1;
}

int Calendar::firstWeekday() const {
  UErrorCode status = U_ZERO_ERROR;
  const auto value = state_->prototype->getFirstDayOfWeek(status);
  return U_SUCCESS(status) ? static_cast<int>(value) : 1;
}

std::vector<std::string> Calendar::standaloneWeekdaySymbols() const {
  UErrorCode status = U_ZERO_ERROR;
  const icu::DateFormatSymbols symbols(state_->locale, state_->prototype->getType(), status);
  if (U_FAILURE(status)) return {};
  int32_t count = 0;
  const icu::UnicodeString* names =
      symbols.getWeekdays(count, icu::DateFormatSymbols::STANDALONE, icu::DateFormatSymbols::WIDE);
  // ICU's list is indexed by UCAL_SUNDAY (1) ... UCAL_SATURDAY (7) with an unused entry 0.
  std::vector<std::string> result;
  for (int32_t i = UCAL_SUNDAY; i < count && names; ++i)
    result.push_back(toUtf8(names[i]));
  return result;
}

std::string Calendar::formatTime(Date date) const {
  if (!isRepresentable(date)) return {};
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, state_->locale));
  if (!format) return {};
  format->adoptCalendar(state_->at(date).release());
  icu::UnicodeString text;
  format->format(toUDate(date), text);
  return toUtf8(text);
}

std::string uppercased(std::string_view text) {
  auto unicode =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  // The root locale's mapping is Unicode's default one: no Turkish dotted capital I, "ß" becomes "SS".
  unicode.toUpper(icu::Locale::getRoot());
  return toUtf8(unicode);
}

namespace {

// What a zone name may hold: IANA names are letters, digits and "/_+-." ("America/Port-au-Prince",
// "Etc/GMT+5"), never a path out of the zone directory.
bool isZoneName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name.starts_with('/') || name.find("..") != std::string_view::npos)
    return false;
  return std::ranges::all_of(name, [](unsigned char c) {
    return std::isalnum(c) || c == '/' || c == '_' || c == '+' || c == '-' || c == '.';
  });
}

// The first name of the zone directory `zoneinfo` whose file holds exactly `content`, looking at no more than
// a few thousand entries three levels deep. Links are not followed (aliases are links to the zone's own
// file), and posix/ and right/ hold the same zones again.
std::optional<std::string> zoneWithContent(const std::filesystem::path& zoneinfo, std::string_view content) {
  namespace fs = std::filesystem;
  constexpr int kMaxEntries = 8192;
  std::error_code error;
  fs::recursive_directory_iterator it(zoneinfo, fs::directory_options::skip_permission_denied, error);
  std::vector<std::string> matches;
  int seen = 0;
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (++seen > kMaxEntries) break;
    const fs::path& path = it->path();
    const auto name = path.filename().string();
    const auto status = it->symlink_status(error);
    if (error) break;
    if (fs::is_directory(status)) {
      if (it.depth() >= 2 || (it.depth() == 0 && (name == "posix" || name == "right")))
        it.disable_recursion_pending();
      continue;
    }
    if (!fs::is_regular_file(status) || it->file_size(error) != content.size() || error) {
      error.clear();
      continue;
    }
    const auto zone = path.lexically_relative(zoneinfo).string();
    if (!isZoneName(zone) || zone == "posixrules" || zone == "localtime") continue;
    if (readSmallFile(path, content.size()) == content) matches.push_back(zone);
  }
  if (matches.empty()) return std::nullopt;
  // Several names may share one file; a region's name ("Asia/Tokyo") before the old country names and
  // "Etc/UTC" before "UTC", each group in order.
  std::ranges::sort(matches, [](const std::string& a, const std::string& b) {
    const bool aRegion = a.find('/') != std::string::npos, bRegion = b.find('/') != std::string::npos;
    return aRegion != bRegion ? aRegion : a < b;
  });
  return matches.front();
}

// The zone the zone file `path` holds: the name it links to inside a zone directory, else the zone whose
// file in `zoneinfo` has the same content (a copy, as containers and some systems make).
std::optional<std::string> zoneOfFile(const std::filesystem::path& path,
                                      const std::filesystem::path& zoneinfo) {
  std::error_code error;
  const auto target = std::filesystem::read_symlink(path, error);
  if (!error) {
    if (auto zone = zoneFromPath(target.string()); zone && isZoneName(*zone)) return zone;
  }
  // Zone files are a few kilobytes; the largest of the database is under 4.
  constexpr std::size_t kMaxZoneFile = 64 << 10;
  const auto content = readSmallFile(path, kMaxZoneFile);
  if (!content || !content->starts_with("TZif")) return std::nullopt;
  return zoneWithContent(zoneinfo, *content);
}

}  // namespace

std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit) {
  // Not blocking: opening a FIFO for reading would wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> result;
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<std::uint64_t>(status.st_size) <= limit) {
    std::string bytes(limit + 1, '\0');
    std::size_t got = 0;
    // One byte more than the limit is asked for, so a file that grew since fstat is noticed.
    while (got < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got <= limit) {
      bytes.resize(got);
      result = std::move(bytes);
    }
  }
  ::close(fd);
  return result;
}

std::optional<std::string> systemTimeZone(const std::filesystem::path& root) {
  const auto zoneinfo = root / "usr/share/zoneinfo";
  const auto localtime = root / "etc/localtime";
  // A link names its zone; read before /etc/timezone, which a change of zone may leave behind.
  std::error_code error;
  if (const auto target = std::filesystem::read_symlink(localtime, error); !error)
    if (auto zone = zoneFromPath(target.string()); zone && isZoneName(*zone)) return zone;
  if (const auto text = readSmallFile(root / "etc/timezone", 256)) {
    const auto zone = trimmed(std::string_view(*text).substr(0, text->find('\n')));
    if (isZoneName(zone)) return zone;
  }
  return zoneOfFile(localtime, zoneinfo);
}

std::string timeZoneFromEnvironment() {
  if (const char* tz = std::getenv("TZ")) {
    std::string_view value = tz;
    if (value.starts_with(':')) value.remove_prefix(1);
    // An empty TZ means UTC to the C library.
    if (value.empty()) return "UTC";
    if (value.starts_with('/')) {
      if (auto zone = zoneFromPath(value); zone && isZoneName(*zone)) return *zone;
      if (auto zone = zoneOfFile(std::string(value), "/usr/share/zoneinfo")) return *zone;
    } else {
      return std::string(value);
    }
  }
  return systemTimeZone("/").value_or("UTC");
}

std::string localeFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(name); value && *value) return value;
  return "C";
}

}  // namespace rw

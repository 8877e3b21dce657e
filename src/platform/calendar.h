// The user's calendar: days, weeks and months in a time zone and locale (ICU).
//
// A `Calendar` stands for the platform's "current calendar": the calendar system the locale asks for
// (Gregorian unless the locale says e.g. "@calendar=buddhist"), its first weekday, and the user's time
// zone. It is an immutable value and safe to share between threads; every operation works on its own copy
// of the ICU calendar.
//
// Days are calendar days, not 24-hour steps: a day may last 23 or 25 hours. A day starts at its first
// instant: 01:00 where midnight does not exist, the first of two midnights where one is repeated.
//
// Dates outside `isRepresentable` (not finite, before year 1, after 9999) have no calendar day: the day
// operations return them unchanged, the optional ones nothing, `monthsAndDays` zero, `weekday` and
// `dayOfMonth` 1 and `formatTime` the empty text.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date.h"

namespace rw {

/// Units for `Calendar::adding`.
enum class CalendarUnit : std::uint8_t { day, weekOfYear, month };

/// A distance between two days in whole months and remaining days, both zero or of the distance's sign.
struct MonthsAndDays {
  std::int64_t months = 0;
  std::int64_t days = 0;
  friend bool operator==(const MonthsAndDays&, const MonthsAndDays&) = default;
};

/// Where one day lies from another: `order` is the order of the later-named day against the first, and
/// `distance` the months and days between them (see `Calendar::dayDistance`).
struct DayDistance {
  std::partial_ordering order = std::partial_ordering::equivalent;
  MonthsAndDays distance;
};

class Calendar {
 public:
  /// The calendar for `localeId` (POSIX or ICU form: "de_DE.UTF-8", "pl_PL", "th_TH@calendar=buddhist",
  /// "C") in the IANA time zone `timeZoneId`. Nothing when the time zone is unknown.
  static std::optional<Calendar> make(std::string_view timeZoneId, std::string_view localeId);

  const std::string& timeZoneId() const;
  /// The canonical ICU locale name, e.g. "de_DE" or "th_TH@calendar=buddhist".
  const std::string& localeId() const;

  /// The first instant of the calendar day that contains `date`.
  Date startOfDay(Date date) const;
  /// The first instant of the calendar day `days` days after (or before, when negative) the day that
  /// contains `date`.
  Date startOfDay(Date date, std::int64_t days) const;
  /// `date` moved by `value` units without wrapping, keeping the wall-clock time where it exists.
  std::optional<Date> adding(CalendarUnit unit, std::int64_t value, Date date) const;
  /// The instant at `hour`:00 on the day of `date`; nothing where that day has no such hour.
  std::optional<Date> settingHour(int hour, Date date) const;
  /// The first instant of the month that contains `date`.
  std::optional<Date> startOfMonth(Date date) const;
  /// The first instant of the week (the locale's first weekday) that contains `date`.
  std::optional<Date> startOfWeek(Date date) const;
  /// The distance from the day of `from` to the day of `to`, counted in calendar days: months first,
  /// then the remaining days.
  MonthsAndDays monthsAndDays(Date from, Date to) const;
  /// The order of the calendar days that hold `a` and `b`: the order of their `startOfDay`s (so dates
  /// outside `isRepresentable` compare as themselves, and not-a-number is unordered).
  std::partial_ordering compareDays(Date a, Date b) const;
  /// `compareDays(to, from)` and `monthsAndDays(from, to)` at once, for about the price of one of them.
  DayDistance dayDistance(Date from, Date to) const;

  /// The weekday of `date`, 1 = the calendar's first weekday symbol (Sunday in the Gregorian calendar).
  int weekday(Date date) const;
  /// The day of the month of `date` (1-31 in the Gregorian calendar).
  int dayOfMonth(Date date) const;
  /// The locale's first day of the week, as a weekday number (1 = Sunday, 2 = Monday, 7 = Saturday).
  int firstWeekday() const;
  /// The full standalone weekday names in the locale, index 0 = weekday 1.
  std::vector<std::string> standaloneWeekdaySymbols() const;
  /// The time of day of `date` in the locale's short time style ("17:00"; "5:00\u202FPM" in English, with
  /// the narrow no-break space that current locale data puts before the day period).
  std::string formatTime(Date date) const;

 private:
  struct State;
  std::shared_ptr<const State> state_;
};

/// The ICU name of a POSIX, ICU or BCP 47 locale id: "de_DE.UTF-8" → "de_DE", "sr_RS@latin" →
/// "sr_Latn_RS", "de-AT" → "de_AT", "th_TH@calendar=buddhist" unchanged. Codesets and the modifiers other
/// than @latin / @cyrillic are dropped. "C", "POSIX", "C.UTF-8", an empty or unreadable id give
/// "en_US_POSIX": the C library's neutral conventions (12-hour times, weeks from Sunday), untranslated texts.
std::string canonicalLocaleId(std::string_view localeId);

/// Locale-independent (Unicode default) upper-casing of UTF-8 text.
std::string uppercased(std::string_view text);

/// The time zone the environment asks for: $TZ (an IANA name, with or without a leading ':', or the path of a
/// zone file; set but empty means "UTC" as for the C library), else `systemTimeZone("/")`, else "UTC".
std::string timeZoneFromEnvironment();

/// The system's zone under `root`: the zone etc/localtime links to, else the name in etc/timezone, else the
/// zone of usr/share/zoneinfo whose file etc/localtime is a copy of. Nothing when none names a zone. Reads
/// only regular files, each at most a few kilobytes, and never waits (a FIFO or a device is passed over).
std::optional<std::string> systemTimeZone(const std::filesystem::path& root);

/// The content of the regular file at `path` when it holds at most `limit` bytes; nothing for a larger
/// file, anything but a regular file (opened without waiting, never read) or a file that cannot be read.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit);

/// The locale the environment asks for messages, as Linux programs read it: LC_ALL, else LC_MESSAGES,
/// else LANG, else "C".
std::string localeFromEnvironment();

}  // namespace rw

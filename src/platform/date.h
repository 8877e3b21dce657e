// Instants and their text forms.
//
// A `Date` is an absolute instant, counted as a 64-bit float of seconds since the reference date
// 2001-01-01T00:00:00Z (the count that property lists store). The value is kept exactly: decoding and
// encoding a date never rounds it. Calendar questions (days, weeks, months) belong to `Calendar`.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace rw {

struct Date {
  /// Seconds between 1970-01-01T00:00:00Z and the reference date.
  static constexpr double kUnixOffset = 978307200.0;

  double sinceReferenceDate = 0;

  static constexpr Date fromUnixSeconds(double seconds) { return Date{seconds - kUnixOffset}; }
  constexpr double unixSeconds() const { return sinceReferenceDate + kUnixOffset; }
  constexpr Date adding(double seconds) const { return Date{sinceReferenceDate + seconds}; }

  friend constexpr auto operator<=>(const Date&, const Date&) = default;
};

/// True for a finite instant from 0001-01-01T00:00:00Z up to the end of 9999 (UTC), the range every
/// text form and calendar here can represent. Decoders refuse anything else.
inline bool isRepresentable(Date date) {
  // 0001-01-01T00:00:00Z and 10000-01-01T00:00:00Z in seconds since 1970 (checked in date.cpp). NaN and
  // the infinities fail one of the comparisons.
  const double unix = date.unixSeconds();
  return unix >= -62'135'596'800.0 && unix < 253'402'300'800.0;
}

/// True for every instant a payload may carry: any finite count of seconds, however far from the years 1
/// to 9999 (the platform's "distant past" lies in year 0 of the proleptic Gregorian calendar). Only NaN and
/// the infinities are no instant.
inline bool isFinite(Date date) {
  return date.sinceReferenceDate - date.sinceReferenceDate == 0;  // NaN and the infinities give NaN
}

/// An instant as ISO 8601 text in UTC that reads back (`parseDateText`) to the very same value:
/// "2026-06-10T12:00:00.000Z", with more decimals than three only where the value needs them
/// ("2026-06-10T12:00:00.123456Z"). Years 0 to 9999 have four digits; other years are written expanded,
/// with a sign and at least six digits ("+200000-01-01T00:00:00.000Z", "-000001-12-31T00:00:00.000Z").
/// Nothing for a date that is not finite or whose year has more than nine digits, or in the rare case no
/// text of up to 17 decimals reads back exactly: such a date is best written as its number of seconds.
std::optional<std::string> formatDateText(Date date);

/// Reads what `formatDateText` writes, and RFC 3339 texts generally: a four-digit year or an expanded one
/// (a sign and four to nine digits), any number of decimals, and "Z" or an offset "+HH:MM"/"-HH:MM". The
/// value is worked out exactly: whole seconds as an integer, the fraction added last.
std::optional<Date> parseDateText(std::string_view text);

/// RFC 3339 in UTC with exactly three decimals: "2026-06-10T12:00:00.000Z". Sub-millisecond parts are
/// rounded down. Requires a representable date.
std::string formatRfc3339(Date date);

/// Whole-second UTC form without decimals: "2026-01-02T03:04:05Z" (the XML property-list form).
/// Sub-second parts are rounded down. Years outside 0 to 9999 are expanded as in `formatDateText`; nothing
/// for a date that is not finite or whose year has more than nine digits.
std::optional<std::string> formatIso8601SecondsWide(Date date);

/// `formatIso8601SecondsWide` for a representable date.
std::string formatIso8601Seconds(Date date);

/// Parses RFC 3339: "YYYY-MM-DDTHH:MM:SS", optional fraction, then "Z" or "+HH:MM" / "-HH:MM"
/// ('t' and 'z' accepted as well). Returns nothing for anything else or an out-of-range field.
std::optional<Date> parseRfc3339(std::string_view text);

}  // namespace rw

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

/// RFC 3339 in UTC with exactly three decimals: "2026-06-10T12:00:00.000Z". Sub-millisecond parts are
/// rounded down. Requires a representable date.
std::string formatRfc3339(Date date);

/// Whole-second UTC form without decimals: "2026-01-02T03:04:05Z" (the XML property-list form).
/// Sub-second parts are rounded down. Requires a representable date.
std::string formatIso8601Seconds(Date date);

/// Parses RFC 3339: "YYYY-MM-DDTHH:MM:SS", optional fraction, then "Z" or "+HH:MM" / "-HH:MM"
/// ('t' and 'z' accepted as well). Returns nothing for anything else or an out-of-range field.
std::optional<Date> parseRfc3339(std::string_view text);

}  // namespace rw

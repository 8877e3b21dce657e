#include "platform/date.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rw {
namespace {

// Days from 1970-01-01 to the given proleptic Gregorian civil date (Howard Hinnant's algorithm).
constexpr long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Civil {
  long long year;
  unsigned month, day;
};

constexpr Civil civilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

constexpr double kFirstUnixSecond = static_cast<double>(daysFromCivil(1, 1, 1)) * 86400.0;
constexpr double kEndUnixSecond = static_cast<double>(daysFromCivil(10000, 1, 1)) * 86400.0;

struct Parts {
  Civil civil;
  int hour, minute, second;
  long long millis;
};

Parts split(Date date) {
  const double unix = date.unixSeconds();
  const double wholeMillis = std::floor(unix * 1000.0);
  auto totalMillis = static_cast<long long>(wholeMillis);
  long long days = totalMillis / 86400000;
  long long rest = totalMillis % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  return {civilFromDays(days), static_cast<int>(rest / 3600000), static_cast<int>(rest / 60000 % 60),
          static_cast<int>(rest / 1000 % 60), rest % 1000};
}

bool readDigits(std::string_view text, size_t& pos, size_t count, int& out) {
  if (pos + count > text.size()) return false;
  int value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  out = value;
  pos += count;
  return true;
}

bool expect(std::string_view text, size_t& pos, char a, char b = '\0') {
  if (pos >= text.size() || (text[pos] != a && (b == '\0' || text[pos] != b))) return false;
  ++pos;
  return true;
}

}  // namespace

static_assert(kFirstUnixSecond == -62'135'596'800.0 && kEndUnixSecond == 253'402'300'800.0,
              "isRepresentable's bounds (date.h)");

// `count` decimal digits of `value` (0 <= value < 10^count) at `at`, leading zeros included.
void putDigits(char* at, long long value, int count) {
  for (int i = count - 1; i >= 0; --i, value /= 10)
    at[i] = static_cast<char>('0' + value % 10);
}

std::string formatRfc3339(Date date) {
  const Parts p = split(date);
  if (p.civil.year >= 0 && p.civil.year <= 9999) {
    // Every representable date: the digits put in place, as a timeline's answer writes many dates.
    std::string text = "0000-00-00T00:00:00.000Z";
    putDigits(&text[0], p.civil.year, 4);
    putDigits(&text[5], p.civil.month, 2);
    putDigits(&text[8], p.civil.day, 2);
    putDigits(&text[11], p.hour, 2);
    putDigits(&text[14], p.minute, 2);
    putDigits(&text[17], p.second, 2);
    putDigits(&text[20], p.millis, 3);
    return text;
  }
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02d.%03lldZ", p.civil.year, p.civil.month,
                p.civil.day, p.hour, p.minute, p.second, p.millis);
  return buffer;
}

namespace {

// The calendar parts of a finite date whose year has at most nine digits, down to the whole second, and
// the fraction of a second left over: exactly, as the integer and the fraction of the count are split
// without rounding.
struct WideParts {
  Civil civil;
  int hour, minute, second;
  double fraction;  // 0 <= fraction < 1
};

constexpr long long kMaxWideYear = 999'999'999;

std::optional<WideParts> splitWide(Date date) {
  // 4e16 seconds are about 1.27 billion years: the days below stay far inside a long long.
  if (!isFinite(date) || std::abs(date.sinceReferenceDate) >= 4e16) return std::nullopt;
  const double whole = std::floor(date.sinceReferenceDate);
  const long long unix = static_cast<long long>(whole) + static_cast<long long>(Date::kUnixOffset);
  long long days = unix / 86400, rest = unix % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const Civil civil = civilFromDays(days);
  if (civil.year > kMaxWideYear || civil.year < -kMaxWideYear) return std::nullopt;
  return WideParts{civil, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                   static_cast<int>(rest % 60), date.sinceReferenceDate - whole};
}

// "YYYY-MM-DDTHH:MM:SS": four-digit years from 0 to 9999, others with a sign and at least six digits.
std::string wideSecondsText(const WideParts& p) {
  char buffer[48];
  const long long year = p.civil.year;
  if (year >= 0 && year <= 9999)
    std::snprintf(buffer, sizeof buffer, "%04lld", year);
  else
    std::snprintf(buffer, sizeof buffer, "%c%06lld", year < 0 ? '-' : '+', std::llabs(year));
  std::string text = buffer;
  std::snprintf(buffer, sizeof buffer, "-%02u-%02uT%02d:%02d:%02d", p.civil.month, p.civil.day, p.hour,
                p.minute, p.second);
  return text + buffer;
}

// "-MM-DDTHH:MM:SS" at `pos`, what follows the year in both forms.
bool readMonthToSecond(std::string_view text, size_t& pos, int& month, int& day, int& hour, int& minute,
                       int& second) {
  return expect(text, pos, '-') && readDigits(text, pos, 2, month) && expect(text, pos, '-') &&
         readDigits(text, pos, 2, day) && expect(text, pos, 'T', 't') && readDigits(text, pos, 2, hour) &&
         expect(text, pos, ':') && readDigits(text, pos, 2, minute) && expect(text, pos, ':') &&
         readDigits(text, pos, 2, second);
}

// "Z" or "+HH:MM" / "-HH:MM" at `pos`, ending the text: the offset from UTC in seconds.
std::optional<int> readZoneOffset(std::string_view text, size_t& pos) {
  int offsetSeconds = 0;
  if (expect(text, pos, 'Z', 'z')) {
  } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    const int sign = text[pos] == '-' ? -1 : 1;
    ++pos;
    int oh = 0, om = 0;
    if (!readDigits(text, pos, 2, oh) || !expect(text, pos, ':') || !readDigits(text, pos, 2, om) ||
        oh > 23 || om > 59)
      return std::nullopt;
    offsetSeconds = sign * (oh * 3600 + om * 60);
  } else {
    return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return offsetSeconds;
}

// Whether the fields name a day of the proleptic Gregorian calendar and a time of it (a leap second too).
bool validCivilTime(long long year, int month, int day, int hour, int minute, int second) {
  static constexpr int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month >= 1 && month <= 12 && day >= 1 && day <= kMonthDays[month - 1] &&
         !(month == 2 && day == 29 && !leap) && hour <= 23 && minute <= 59 && second <= 60;
}

}  // namespace

std::optional<std::string> formatIso8601SecondsWide(Date date) {
  const auto parts = splitWide(date);
  if (!parts) return std::nullopt;
  return wideSecondsText(*parts) + "Z";
}

std::optional<std::string> formatDateText(Date date) {
  const auto parts = splitWide(date);
  if (!parts) return std::nullopt;
  const std::string seconds = wideSecondsText(*parts);
  // The fewest decimals, three at least, that read back to the same count. A value read from a file
  // written to the microsecond needs six; one made by arithmetic may need more.
  for (int decimals = 3; decimals <= 17; ++decimals) {
    char fraction[32];
    std::snprintf(fraction, sizeof fraction, "%.*f", decimals, parts->fraction);
    if (fraction[0] != '0') continue;  // rounded up to a whole second
    std::string text = seconds + (fraction + 1) + "Z";
    const auto back = parseDateText(text);
    if (back && back->sinceReferenceDate == date.sinceReferenceDate) return text;
  }
  return std::nullopt;
}

std::optional<Date> parseDateText(std::string_view text) {
  size_t pos = 0;
  long long year = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    const bool negative = text[0] == '-';
    size_t end = ++pos;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9')
      ++end;
    if (end - pos < 4 || end - pos > 9) return std::nullopt;
    for (; pos < end; ++pos)
      year = year * 10 + (text[pos] - '0');
    if (negative) year = -year;
  } else {
    int fourDigits = 0;
    if (!readDigits(text, pos, 4, fourDigits)) return std::nullopt;
    year = fourDigits;
  }
  int month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!readMonthToSecond(text, pos, month, day, hour, minute, second)) return std::nullopt;
  double fraction = 0;
  if (pos < text.size() && text[pos] == '.') {
    const size_t start = pos;  // the fraction is read with its point, from "0" put before it
    ++pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
      ++pos;
    if (pos == start + 1) return std::nullopt;
    const std::string digits = "0" + std::string(text.substr(start, pos - start));
    std::from_chars(digits.data(), digits.data() + digits.size(), fraction);
  }
  const auto offset = readZoneOffset(text, pos);
  if (!offset || !validCivilTime(year, month, day, hour, minute, second)) return std::nullopt;
  const long long offsetSeconds = *offset;
  const long long seconds =
      daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hour * 3600LL +
      minute * 60LL + second - offsetSeconds - static_cast<long long>(Date::kUnixOffset);
  return Date{static_cast<double>(seconds) + fraction};
}

std::optional<Date> parseRfc3339(std::string_view text) {
  size_t pos = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!readDigits(text, pos, 4, year) || !readMonthToSecond(text, pos, month, day, hour, minute, second))
    return std::nullopt;
  double fraction = 0;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    double scale = 0.1;
    const size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      fraction += (text[pos] - '0') * scale;
      scale /= 10;
      ++pos;
    }
    if (pos == start) return std::nullopt;
  }
  const auto offset = readZoneOffset(text, pos);
  if (!offset || year < 1 || !validCivilTime(year, month, day, hour, minute, second)) return std::nullopt;
  const int offsetSeconds = *offset;
  const double unix = static_cast<double>(daysFromCivil(year, month, day)) * 86400.0 + hour * 3600.0 +
                      minute * 60.0 + second + fraction - offsetSeconds;
  const Date date = Date::fromUnixSeconds(unix);
  if (!isRepresentable(date)) return std::nullopt;
  return date;
}

std::string formatIso8601Seconds(Date date) {
  return formatIso8601SecondsWide(date).value_or(std::string());
}

}  // namespace rw

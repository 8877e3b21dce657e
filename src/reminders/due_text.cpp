#include "reminders/due_text.h"

#include <limits>
#include <string_view>

namespace rw {
namespace {

constexpr std::string_view kPlaceholder = "[INTERVAL]";

enum class Direction : std::uint8_t { future, past };

// The looked-up template with every "[INTERVAL]" replaced by the filled count format. A template whose
// translation has no placeholder is returned as it is.
std::string countedWording(Direction direction, std::string_view countKey, std::int64_t count,
                           const Catalog& strings) {
  const std::string pattern =
      strings.text(direction == Direction::future ? "IN [INTERVAL]" : "[INTERVAL] AGO");
  const std::string interval = strings.countText(countKey, count);
  std::string result;
  size_t from = 0;
  for (size_t at = pattern.find(kPlaceholder); at != std::string::npos;
       at = pattern.find(kPlaceholder, from)) {
    result.append(pattern, from, at - from).append(interval);
    from = at + kPlaceholder.size();
  }
  result.append(pattern, from);
  return result;
}

// -value, saturated: the most negative count has no positive counterpart.
std::int64_t negated(std::int64_t value) {
  return value == std::numeric_limits<std::int64_t>::min() ? std::numeric_limits<std::int64_t>::max()
                                                           : -value;
}

}  // namespace

std::string makeDueText(const DueInterval& interval, const Catalog& strings) {
  const std::int64_t months = interval.months.value_or(0);
  // Months win: a distance of a month or more is worded in months whatever the remaining days.
  if (months >= 1) return countedWording(Direction::future, "%d MONTH(S)", months, strings);
  if (months <= -1) return countedWording(Direction::past, "%d MONTH(S)", negated(months), strings);
  if (!interval.days) return strings.text("TODAY");

  const std::int64_t days = *interval.days;
  if (days >= 2) return countedWording(Direction::future, "%d DAY(S)", days, strings);
  if (days == 1) return strings.text("TOMORROW");
  if (days == 0) return strings.text("TODAY");
  if (days == -1) return strings.text("YESTERDAY");
  return countedWording(Direction::past, "%d DAY(S)", negated(days), strings);
}

const std::string& DueTexts::text(const DueInterval& interval) {
  const Key key{
      .months = interval.months.value_or(0),
      .days = interval.days.value_or(0),
      .present = static_cast<std::uint8_t>(interval.months.has_value() | interval.days.has_value() << 1)};
  return texts_.text(key, [&] { return makeDueText(interval, *strings_); });
}

}  // namespace rw

// The localised wording of the distance from the display day to the due day: "TODAY", "TOMORROW",
// "YESTERDAY", "IN [INTERVAL]" and "[INTERVAL] AGO" with a day or month count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/catalog.h"
#include "platform/made_texts.h"

namespace rw {

/// Whole months and remaining days from the display day to the due day; negative when the due day lies
/// before. An absent month count reads as 0.
struct DueInterval {
  std::optional<std::int64_t> months;
  std::optional<std::int64_t> days;
};

/// The due text for `interval`, with texts from `strings`. Months win over days.
std::string makeDueText(const DueInterval& interval, const Catalog& strings);

/// The due texts of one timeline, each worded once: its reminders fall due the same number of days or
/// months away on many of its days. One per request; not shared between threads.
class DueTexts {
 public:
  explicit DueTexts(const Catalog& strings) : strings_(&strings) {}

  /// `makeDueText(interval, strings)`, worded before or now. Valid until the next call.
  const std::string& text(const DueInterval& interval);

 private:
  // An interval as one comparable value: both counts, and which of them are present.
  struct Key {
    std::int64_t months = 0;
    std::int64_t days = 0;
    std::uint8_t present = 0;
    bool operator==(const Key&) const = default;
  };

  const Catalog* strings_;
  MadeTexts<Key, 64> texts_;  // a timeline's worth; past this, the rest is worded each time
};

}  // namespace rw

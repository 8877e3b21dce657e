// The localised wording of the distance from the display day to the due day: "TODAY", "TOMORROW",
// "YESTERDAY", "IN [INTERVAL]" and "[INTERVAL] AGO" with a day or month count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/catalog.h"

namespace rw {

/// Whole months and remaining days from the display day to the due day; negative when the due day lies
/// before. An absent month count reads as 0.
struct DueInterval {
  std::optional<std::int64_t> months;
  std::optional<std::int64_t> days;
};

/// The due text for `interval`, with texts from `strings`. Months win over days.
std::string makeDueText(const DueInterval& interval, const Catalog& strings);

}  // namespace rw

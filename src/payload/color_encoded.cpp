#include "payload/color_encoded.h"

#include <charconv>

#include "payload/query_string.h"
#include "platform/messages.h"

namespace rw {
namespace {

constexpr std::string_view kIndexItem = "pickerIndex";
constexpr std::string_view kVersionItem = "pickerVersion";

// An optional "+" or "-", then one or more of the digits 0 to 9 and nothing else; the value must fit.
std::optional<std::int64_t> parseIndex(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  // Parse the magnitude with its sign attached so that the most negative value fits as well.
  std::string signedText = negative ? "-" : "";
  signedText.append(text);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(signedText.data(), signedText.data() + signedText.size(), value);
  if (error != std::errc{} || end != signedText.data() + signedText.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string ColorEncoded::rawValue() const {
  const QueryDictionary items{
      {std::string(kVersionItem), version},
      {std::string(kIndexItem), std::to_string(index)},
  };
  auto text = queryString(items);
  if (!text) {
    printLine("Error in ColorEncoded.rawValue: Unable to build queryString");
    return {};
  }
  return std::move(*text);
}

ColorEncoded ColorEncoded::fromRawValue(std::optional<std::string_view> rawValue) {
  ColorEncoded result;
  if (!rawValue || rawValue->empty()) return result;

  const auto items = queryDictionary(*rawValue);
  if (!items) {
    printLine("Error in ColorEncoded initializer: No dictionary");
    return result;
  }
  const auto version = items->find(std::string(kVersionItem));
  if (version == items->end() || version->second != currentVersion) {
    printLine("Invalid colorEncoded version");
    return result;
  }
  const auto indexItem = items->find(std::string(kIndexItem));
  const auto index = indexItem == items->end() ? std::nullopt : parseIndex(indexItem->second);
  if (!index) {
    printLine("Invalid colorEncoded index");
    return result;
  }
  result.index = *index;
  return result;
}

const std::array<std::string_view, 15>& personPalette() {
  static constexpr std::array<std::string_view, 15> palette{
      "PersonProfile.PorcelainRose",
      "PersonProfile.CreamyPeach",
      "PersonProfile.YoungSalmon",
      "PersonProfile.VibrantYellow",
      "PersonProfile.Summertime",
      "PersonProfile.MintyGreen",
      "PersonProfile.GreenTeal",
      "PersonProfile.BlueCuracao",
      "PersonProfile.ClearChill",
      "PersonProfile.SoftBlue",
      "PersonProfile.PurpleMountainMajesty",
      "PersonProfile.FlamingoPink",
      "PersonProfile.LotusPink",
      "PersonProfile.OldGeranium",
      "PersonProfile.PineGlade",
  };
  return palette;
}

std::optional<std::string_view> paletteColorName(std::int64_t index) {
  const auto& palette = personPalette();
  if (index < 0 || index >= static_cast<std::int64_t>(palette.size())) return std::nullopt;
  return palette[static_cast<size_t>(index)];
}

}  // namespace rw

// The records of the payload file "reminders.plist" and their closed enumerations.
//
// Fields are listed in declaration order, which is also their coding order. Each enumeration has one table
// of cases and text raw values (`RawValues<E>::table`), read by both decoding and encoding; the raw values
// are part of the file format shared with the host application, letter case included.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "payload/color_encoded.h"
#include "platform/date.h"
#include "platform/url.h"

namespace rw {

/// The kind of an event.
enum class CustodyEventType : std::uint8_t { care, call, expense, memo };

/// The planning state of an event.
enum class CustodyEventStatus : std::uint8_t {
  planned,
  canceled,
  actual,
  unscheduled,
  virtualSpot,
  removedSpot,
  permanentlyDeleted,
};

/// The role of a person.
enum class CustodyPersonType : std::uint8_t { caregiver, child };

template <class E>
struct RawValues;

template <>
struct RawValues<CustodyEventType> {
  static constexpr std::string_view typeName = "CustodyEventType";
  static constexpr std::array<std::pair<CustodyEventType, std::string_view>, 4> table{{
      {CustodyEventType::care, "care"},
      {CustodyEventType::call, "call"},
      {CustodyEventType::expense, "expense"},
      {CustodyEventType::memo, "memo"},
  }};
};

template <>
struct RawValues<CustodyEventStatus> {
  static constexpr std::string_view typeName = "CustodyEventStatus";
  // An empty status text means a permanently deleted event, not a missing value.
  static constexpr std::array<std::pair<CustodyEventStatus, std::string_view>, 7> table{{
      {CustodyEventStatus::planned, "PLA"},
      {CustodyEventStatus::canceled, "CAN"},
      {CustodyEventStatus::actual, "ACT"},
      {CustodyEventStatus::unscheduled, "UNS"},
      {CustodyEventStatus::virtualSpot, "VIS"},
      {CustodyEventStatus::removedSpot, "RES"},
      {CustodyEventStatus::permanentlyDeleted, ""},
  }};
};

template <>
struct RawValues<CustodyPersonType> {
  static constexpr std::string_view typeName = "CustodyPersonType";
  static constexpr std::array<std::pair<CustodyPersonType, std::string_view>, 2> table{{
      {CustodyPersonType::caregiver, "caregiver"},
      {CustodyPersonType::child, "child"},
  }};
};

/// The text a case is written as.
template <class E>
constexpr std::string_view rawValue(E value) {
  for (const auto& [c, text] : RawValues<E>::table)
    if (c == value) return text;
  return {};
}

/// The case whose raw value equals `text` exactly (same letters, same case, nothing added), or nothing.
template <class E>
constexpr std::optional<E> fromRawValue(std::string_view text) {
  for (const auto& [c, raw] : RawValues<E>::table)
    if (raw == text) return c;
  return std::nullopt;
}

/// Every event type, in declaration order.
std::span<const CustodyEventType> allCustodyEventTypes();
/// Every person type, in declaration order.
std::span<const CustodyPersonType> allCustodyPersonTypes();

/// One planned or past event.
struct WidgetEventPayload {
  std::string identifier;
  CustodyEventType type = CustodyEventType::care;
  CustodyEventStatus status = CustodyEventStatus::planned;
  std::string title;
  std::string caregiver;                   // identifier of a person
  std::vector<std::string> beneficiaries;  // identifiers of persons
  Date plannedDateFrom;
  Date plannedDateTo;
  Date dateFrom;
  Date dateTo;
  std::string dueAmountText;  // preformatted, may be empty
  std::string notes;
  std::optional<URL> actionURL;
};

/// One caregiver or child.
struct WidgetPersonPayload {
  std::string identifier;
  CustodyPersonType type = CustodyPersonType::caregiver;
  std::string nick;
  ColorEncoded colorEncoded;
};

/// The root of the payload file.
struct RemindersWidgetPayload {
  static constexpr std::string_view typeName = "RemindersWidgetPayload";

  std::vector<WidgetEventPayload> events;
  std::vector<WidgetPersonPayload> persons;
};

}  // namespace rw

// Enumeration values hash their raw value text.
template <class E>
  requires requires { rw::RawValues<E>::table; }
struct std::hash<E> {
  std::size_t operator()(E value) const noexcept { return std::hash<std::string_view>{}(rw::rawValue(value)); }
};

// The records of the payload file "reminders.plist" and their closed enumerations.
//
// The fields of the events and the persons are declared once, in the lists RW_EVENT_FIELDS and
// RW_PERSON_FIELDS below, in coding order; the records' members are made from them, and the tree coding,
// both direct readers, the app's JSON form and equality walk them (fields.h). Each enumeration has one table
// of cases and text raw values (`RawValues<E>::table`), read by both decoding and encoding; the raw values
// are part of the file format shared with the host application, letter case included.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <list>
#include <memory>
#include <memory_resource>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "payload/color_encoded.h"
#include "payload/compact_view.h"
#include "platform/byte_buffer.h"
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

/// Owns what the events of a payload point at: texts, lists of identifiers, URLs and the file bytes that
/// texts may be views into. Nothing is ever removed or moved, so a view stays valid as long as the storage
/// lives. Filling it is not thread-safe (each thread that fills one takes a `part` of its own); once a
/// payload is built, any number of threads may read it.
class PayloadStorage {
 public:
  PayloadStorage() = default;
  PayloadStorage(const PayloadStorage&) = delete;
  PayloadStorage& operator=(const PayloadStorage&) = delete;

  /// A copy of `text` that lives as long as the storage.
  std::string_view keep(std::string_view text);
  /// A copy of `texts` (the views themselves, not the texts they show), or a list kept before that shows the
  /// same texts.
  std::span<const std::string_view> keepList(std::span<const std::string_view> texts);
  /// `url`, kept.
  const URL* keep(URL url);
  /// Takes `bytes` over so that texts may be views into them; returns them where they now live.
  std::span<std::uint8_t> adopt(ByteBuffer bytes);
  /// Shortens the bytes adopted last to their first `size`, giving the memory of the rest back. No text may
  /// point past them.
  void shortenLastAdopted(std::size_t size) noexcept;
  /// A storage of its own for another thread to fill, living as long as this one. Making parts is not
  /// thread-safe either: make them before the threads start.
  PayloadStorage& part() { return parts_.emplace_back(); }

 private:
  std::pmr::monotonic_buffer_resource arena_;
  std::array<std::span<const std::string_view>, 64> recentLists_{};  // lists kept lately, by their hash
  std::deque<URL> urls_;
  std::deque<ByteBuffer> buffers_;
  std::list<PayloadStorage> parts_;
};

// The fields of a record, in coding order: FIELD(type, member, initial value, presence). The member's name
// is its key in the file and in the JSON form; `presence` is `required` or `optional` (absent when it holds
// its type's empty value, which must be its initial value). A new field is one line here plus a case in the
// tests that code every field; a field of a new type also needs that type's overloads of `read`/`encode`
// (payload_coding.cpp), `value` (both direct readers) and `Reader::read`/`valueJson` (app/payload_json.cpp).
#define RW_EVENT_FIELDS(FIELD)                                                                   \
  FIELD(CompactText, identifier, {}, required)                                                   \
  FIELD(CustodyEventType, type, CustodyEventType::care, required)                                \
  FIELD(CustodyEventStatus, status, CustodyEventStatus::planned, required)                       \
  FIELD(CompactText, title, {}, required)                                                        \
  FIELD(CompactText, caregiver, {}, required)                       /* identifier of a person */ \
  FIELD(CompactList<std::string_view>, beneficiaries, {}, required) /* identifiers of persons */ \
  FIELD(Date, plannedDateFrom, {}, required)                                                     \
  FIELD(Date, plannedDateTo, {}, required)                                                       \
  FIELD(Date, dateFrom, {}, required)                                                            \
  FIELD(Date, dateTo, {}, required)                                                              \
  FIELD(CompactText, dueAmountText, {}, required) /* preformatted, may be empty */               \
  FIELD(CompactText, notes, {}, required)                                                        \
  FIELD(const URL*, actionURL, nullptr, optional) /* none when null */

#define RW_PERSON_FIELDS(FIELD)                                          \
  FIELD(std::string, identifier, {}, required)                           \
  FIELD(CustodyPersonType, type, CustodyPersonType::caregiver, required) \
  FIELD(std::string, nick, {}, required)                                 \
  FIELD(ColorEncoded, colorEncoded, {}, required)

#define RW_DECLARE_FIELD(Type, member, initial, presence) Type member = initial;

/// One planned or past event. Its texts, its beneficiaries and its URL point into the storage of the
/// payload it belongs to (`RemindersWidgetPayload::storage`) or at text that lives for the whole program,
/// such as a literal; the event is valid as long as that storage is.
///
/// Texts and the list are compact views (12 bytes, not 16), which read as `std::string_view` and `std::span`:
/// an event takes 120 bytes instead of 144.
struct WidgetEventPayload {
  RW_EVENT_FIELDS(RW_DECLARE_FIELD)

  /// Equal when every field shows the same: texts and identifier lists by content, URLs by value.
  friend bool operator==(const WidgetEventPayload& a, const WidgetEventPayload& b);
};
static_assert(sizeof(WidgetEventPayload) <= 120 || sizeof(const char*) != 8);

/// A payload's events. There may be a million of them, made at once: their block has huge pages.
using EventRecords = std::vector<WidgetEventPayload, LargeBlockAllocator<WidgetEventPayload>>;

/// One caregiver or child.
struct WidgetPersonPayload {
  RW_PERSON_FIELDS(RW_DECLARE_FIELD)
  friend bool operator==(const WidgetPersonPayload&, const WidgetPersonPayload&) = default;
};
#undef RW_DECLARE_FIELD

/// The root of the payload file.
struct RemindersWidgetPayload {
  static constexpr std::string_view typeName = "RemindersWidgetPayload";

  EventRecords events;
  std::vector<WidgetPersonPayload> persons;
  /// What the events point into. Copies of a payload share it, so their events stay valid too.
  std::shared_ptr<PayloadStorage> storage = nullptr;

  /// Stores `text`, `texts` or `url` with the payload (creating its storage when there is none) so that an
  /// event may point at it.
  std::string_view keep(std::string_view text) { return ensureStorage().keep(text); }
  std::span<const std::string_view> keepList(std::initializer_list<std::string_view> texts) {
    return ensureStorage().keepList(std::span<const std::string_view>(texts.begin(), texts.size()));
  }
  std::span<const std::string_view> keepList(std::span<const std::string_view> texts) {
    return ensureStorage().keepList(texts);
  }
  const URL* keep(URL url) { return ensureStorage().keep(std::move(url)); }

 private:
  PayloadStorage& ensureStorage() {
    if (!storage) storage = std::make_shared<PayloadStorage>();
    return *storage;
  }
};

}  // namespace rw

// Enumeration values hash their raw value text.
template <class E>
requires requires {
  rw::RawValues<E>::table;
}
struct std::hash<E> {
  std::size_t operator()(E value) const noexcept {
    return std::hash<std::string_view>{}(rw::rawValue(value));
  }
};

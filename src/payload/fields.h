// The fields of the records (RW_EVENT_FIELDS and RW_PERSON_FIELDS in records.h), walked at compile time:
// `FieldsOf<Record>::list` holds a `Field` per field, whose type gives its member, place and presence, so
// code that walks it (`everyField`, `visitField`) reaches each member as directly as if it named it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <tuple>
#include <utility>

#include "payload/records.h"

namespace rw {

enum class Presence : bool { optional, required };

/// One field of a record: its member, its place in coding order, whether a record must have it, its key.
template <auto Member, std::size_t Index, Presence P>
struct Field {
  static constexpr auto member = Member;
  static constexpr std::size_t index = Index;
  static constexpr bool required = P == Presence::required;
  std::string_view key;
};

template <class Record>
struct FieldsOf;

#define RW_FIELD_PLACE(Type, member, initial, presence) member,
#define RW_FIELD(Type, member, initial, presence) Field<&Record::member, member, Presence::presence>{#member},
#define RW_FIELDS_OF(Type, FIELDS)                        \
  template <>                                             \
  struct FieldsOf<Type> {                                 \
    using Record = Type;                                  \
    enum : std::uint8_t { FIELDS(RW_FIELD_PLACE) count }; \
    static constexpr std::tuple list{FIELDS(RW_FIELD)};   \
  };
RW_FIELDS_OF(WidgetEventPayload, RW_EVENT_FIELDS)
RW_FIELDS_OF(WidgetPersonPayload, RW_PERSON_FIELDS)
#undef RW_FIELDS_OF
#undef RW_FIELD
#undef RW_FIELD_PLACE

/// The places of the fields: `EventField::title`, `PersonField::count`.
using EventField = FieldsOf<WidgetEventPayload>;
using PersonField = FieldsOf<WidgetPersonPayload>;

/// The keys of `Record`'s fields, in coding order.
template <class Record>
inline constexpr auto keysOf = std::apply([](auto... field) { return std::array{field.key...}; },
                                          FieldsOf<Record>::list);

/// A bit per required field of `Record`, at its place.
template <class Record>
inline constexpr std::uint32_t requiredFieldsOf =
    std::apply([](auto... field) { return ((field.required ? std::uint32_t{1} << field.index : 0u) | ...); },
               FieldsOf<Record>::list);

/// Whether `F` is the field of `member`.
template <class F, auto member>
inline constexpr bool isField = false;
template <auto Member, std::size_t Index, Presence P>
inline constexpr bool isField<Field<Member, Index, P>, Member> = true;

/// Whether an optional field's value is there: a value other than its type's empty one (`{}`, the initial
/// value of every optional field).
template <class T>
bool present(const T& value) {
  return !(value == T{});
}

/// Calls `visit(field)` for each field of `Record` in coding order, as long as it gives true; true when every
/// call did.
template <class Record, class Visit>
[[gnu::always_inline]] inline bool everyField(Visit&& visit) {
  return std::apply(
      [&](auto... field) __attribute__((always_inline)) { return (visit(field) && ...); },
      FieldsOf<Record>::list);
}

/// `visit(field)` for the field at place `index` of `Record`; false when there is none.
template <class Record, class Visit>
[[gnu::always_inline]] inline bool visitField(std::size_t index, Visit&& visit) {
  return [&]<std::size_t... I>(std::index_sequence<I...>) __attribute__((always_inline)) {
    bool result = false;
    (void)((index == I && ((result = visit(std::get<I>(FieldsOf<Record>::list))), true)) || ...);
    return result;
  }
  (std::make_index_sequence<std::tuple_size_v<decltype(FieldsOf<Record>::list)>>{});
}

}  // namespace rw

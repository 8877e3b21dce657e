// Property lists: a value tree, and readers and writers for the binary ("bplist00") and XML forms.
//
// `parse` tells the form from the content, never from a file name. Readers never crash, hang or read
// anything outside the bytes they are given; every problem is a `Failure` with a reason. Both forms refuse
// dates that are not `isRepresentable` and arrays or dictionaries nested deeper than 512. XML dates are whole
// seconds ("2026-01-02T03:04:05Z"); binary dates keep their exact 64-bit value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "platform/date.h"
#include "platform/result.h"

namespace rw::plist {

struct Value;

/// An integer as property lists store it: any signed 64-bit value, or an unsigned one above INT64_MAX.
struct Integer {
  std::int64_t value = 0;
  bool isUnsignedAboveInt64 = false;  // then `value` holds the bits of the unsigned number
  friend bool operator==(const Integer&, const Integer&) = default;
};

struct Data {
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const Data&, const Data&) = default;
};

/// A keyed-archiver object reference; only the binary form has it.
struct Uid {
  std::uint64_t value = 0;
  friend bool operator==(const Uid&, const Uid&) = default;
};

using Array = std::vector<Value>;

/// Keys in file order. A key that occurs twice keeps its last value for `Value::find`.
using Dictionary = std::vector<std::pair<std::string, Value>>;

struct Value {
  std::variant<bool, Integer, double, std::string, Data, Date, Array, Dictionary, Uid> storage;

  Value() : storage(false) {}
  template <class T>
  requires std::is_constructible_v<decltype(storage), T&&> Value(T&& v)
      : storage(std::forward<T>(v)) {}  // NOLINT(google-explicit-constructor)

  template <class T>
  const T* get() const {
    return std::get_if<T>(&storage);
  }
  /// The value of `key` in a dictionary, or null for other values and missing keys.
  const Value* find(std::string_view key) const;

  friend bool operator==(const Value&, const Value&);
};

enum class Format : std::uint8_t { binary, xml };

/// Reads either form, chosen by the content ("bplist00" magic, else XML): the value, or the first
/// problem met.
[[nodiscard]] Result<Value> parse(std::span<const std::uint8_t> bytes);
[[nodiscard]] Result<Value> parseBinary(std::span<const std::uint8_t> bytes);
[[nodiscard]] Result<Value> parseXml(std::span<const std::uint8_t> bytes);

/// Whether a reader keeps the value of the dictionary key at the end of `keys`, the keys that lead to it
/// from the top (through dictionaries; arrays on the way are not named).
using KeyFilter = bool (*)(std::span<const std::string_view> keys);

/// `parse`, leaving out of the tree the values of the keys `keep` refuses. The XML reader still reads and
/// checks them as it would, but builds nothing of them, so a large value under a key nobody reads costs
/// no memory; the binary reader reads them into the tree.
[[nodiscard]] Result<Value> parse(std::span<const std::uint8_t> bytes, KeyFilter keep);

/// Writes a value in the given form. Fails only for values the form cannot hold (a Uid in XML, a date
/// that is not representable, text that is not UTF-8, nesting deeper than 512, and in XML the control
/// characters, U+FFFE and U+FFFF that XML 1.0 cannot carry). XML drops fractions of a second from dates.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> write(const Value& value, Format format);

}  // namespace rw::plist

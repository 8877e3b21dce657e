// The one shape of an operation that can fail with a reason: `Result<T>` holds either the value or a
// `Failure`. It reads like C++23's std::expected<T, Failure> (has_value, value, error, operator*), which
// the compilers this project builds with do not all ship yet.
//
//   Result<Config> readConfig(std::string_view text) {
//     if (text.empty()) return Failure{"empty file"};
//     return Config{...};
//   }
//   if (auto config = readConfig(text)) use(*config); else report(config.error().reason);
//
// A `Failure` says what went wrong in words and, where the input has places (keys, offsets, lines), where.
// Callers that only need to know whether it worked test the result; nothing here prints or throws.
#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace rw {

struct Failure {
  explicit Failure(std::string reason_, std::string where_ = {})
      : reason(std::move(reason_)), where(std::move(where_)) {}

  std::string reason;
  /// Where in the input, in the input's own terms ("events[3].status", "offset 120"); empty when the
  /// input has no places or the place is not known.
  std::string where;
  friend bool operator==(const Failure&, const Failure&) = default;
};

template <class T>
class [[nodiscard]] Result {
 public:
  using value_type = T;

  /// Holds a value-initialised `T`, as std::expected does.
  Result() requires std::is_default_constructible_v<T> : state_(std::in_place_index<0>) {}
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool has_value() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return has_value(); }

  /// The value; only when `has_value()`.
  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  /// The failure; only when `!has_value()`.
  const Failure& error() const& { return std::get<1>(state_); }
  Failure&& error() && { return std::get<1>(std::move(state_)); }

  template <class U>
  T value_or(U&& fallback) const& {
    return has_value() ? value() : static_cast<T>(std::forward<U>(fallback));
  }

 private:
  std::variant<T, Failure> state_;
};

/// The result of an operation that gives nothing back when it works.
template <>
class [[nodiscard]] Result<void> {
 public:
  using value_type = void;

  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)), failed_(true) {}  // NOLINT: implicit by design

  bool has_value() const noexcept { return !failed_; }
  explicit operator bool() const noexcept { return has_value(); }
  const Failure& error() const& { return failure_; }

 private:
  Failure failure_{""};
  bool failed_ = false;
};

}  // namespace rw

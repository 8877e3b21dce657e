// Views that take 12 bytes instead of 16: an address and a 32-bit length, aligned to 4 bytes.
//
// An event holds five texts and one list; a payload may hold a million events, so the records are about a
// sixth smaller with these than with `std::string_view` and `std::span` (whose 8-byte alignment and length
// pad every field to 16 bytes). They convert to and from the standard views and are read through them.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string_view>
#include <type_traits>

namespace rw {

namespace detail {

// The address and length of a view, stored as bytes so that the pair needs no 8-byte alignment.
template <class T>
class PackedView {
 public:
  constexpr PackedView() = default;
  PackedView(const T* data, std::size_t size) : size_(checkedSize(size)) {
    std::memcpy(address_, &data, sizeof data);
  }

  const T* data() const noexcept {
    const T* data;
    std::memcpy(&data, address_, sizeof data);
    return data;
  }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }

 private:
  static std::uint32_t checkedSize(std::size_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) [[unlikely]]
      tooLong();
    return static_cast<std::uint32_t>(size);
  }
  // Out of line, so that making a view stays small enough to be inlined.
  [[noreturn, gnu::cold, gnu::noinline]] static void tooLong() {
    throw std::length_error("a compact view holds at most 4 GiB - 1 elements");
  }

  unsigned char address_[sizeof(const T*)] = {};  // all zero: a null address
  std::uint32_t size_ = 0;
};

}  // namespace detail

/// A view of text, as `std::string_view` (which it converts to and from) but in 12 bytes. At most
/// 4 GiB - 1 bytes; making a longer one throws `std::length_error`.
class CompactText {
 public:
  constexpr CompactText() = default;
  CompactText(std::string_view text) : view_(text.data(), text.size()) {}  // NOLINT: converts implicitly
  CompactText(const char* text) : CompactText(std::string_view(text)) {}   // NOLINT

  std::string_view view() const noexcept { return {view_.data(), view_.size()}; }
  operator std::string_view() const noexcept { return view(); }  // NOLINT
  const char* data() const noexcept { return view_.data(); }
  std::size_t size() const noexcept { return view_.size(); }
  bool empty() const noexcept { return view_.empty(); }
  auto begin() const noexcept { return view().begin(); }
  auto end() const noexcept { return view().end(); }

  friend bool operator==(CompactText a, CompactText b) noexcept { return a.view() == b.view(); }
  friend bool operator==(CompactText a, std::string_view b) noexcept { return a.view() == b; }
  friend bool operator==(CompactText a, const char* b) noexcept { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& out, CompactText text) { return out << text.view(); }

 private:
  detail::PackedView<char> view_;
};

/// A view of a list of `T`, as `std::span<const T>` (which it converts to and from) but in 12 bytes.
template <class T>
class CompactList {
 public:
  constexpr CompactList() = default;
  CompactList(std::span<const T> list) : view_(list.data(), list.size()) {}  // NOLINT: converts implicitly
  template <class Range>
  requires std::is_convertible_v<const Range&, std::span<const T>> CompactList(const Range& list)
      : CompactList(std::span<const T>(list)) {}  // NOLINT

  std::span<const T> view() const noexcept { return {view_.data(), view_.size()}; }
  operator std::span<const T>() const noexcept { return view(); }  // NOLINT
  std::size_t size() const noexcept { return view_.size(); }
  bool empty() const noexcept { return view_.empty(); }
  const T& operator[](std::size_t i) const noexcept { return view_.data()[i]; }
  const T* begin() const noexcept { return view_.data(); }
  const T* end() const noexcept { return view_.data() + view_.size(); }

 private:
  detail::PackedView<T> view_;
};

static_assert(sizeof(CompactText) == sizeof(const char*) + 4 && alignof(CompactText) == 4);

}  // namespace rw

// A growable buffer of bytes whose new bytes are left uninitialised.
//
// std::vector value-initialises what it grows by, so a buffer about to be filled by read(2) would be
// written twice: once with zeros, then with the file. For a file of a hundred megabytes that first pass
// is most of the cost of reading it, since it is also what makes the kernel supply the pages.
#pragma once
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace rw {

/// std::allocator, except that elements made without a value are default-initialised (for bytes: left as
/// they are) instead of value-initialised.
template <class T>
class DefaultInitAllocator : public std::allocator<T> {
 public:
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  using std::allocator<T>::allocator;

  template <class U>
  void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    std::allocator_traits<std::allocator<T>>::construct(static_cast<std::allocator<T>&>(*this), place,
                                                        std::forward<Args>(args)...);
  }
};

/// Bytes read from a file or about to be: `resize` leaves the new bytes unset.
using ByteBuffer = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

}  // namespace rw

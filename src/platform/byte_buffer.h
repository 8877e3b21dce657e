// A growable buffer of bytes whose new bytes are left uninitialised.
//
// std::vector value-initialises what it grows by, so a buffer about to be filled by read(2) would be
// written twice: once with zeros, then with the file. For a file of a hundred megabytes that first pass
// is most of the cost of reading it, since it is also what makes the kernel supply the pages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace rw {

/// Asks the kernel to back the 2 MiB-aligned part of a block of `size` bytes (when it is large and not yet
/// touched) with huge pages. Reading a payload jumps between an object table and objects all over a file
/// of up to a gigabyte; with 4 KiB pages nearly every such jump also misses the address-translation cache,
/// which made up about a third of the time of a million-event request. Does nothing for small blocks, and
/// nothing when the kernel has huge pages turned off.
void adviseLargeBlock(void* block, std::size_t size) noexcept;

/// std::allocator, except that elements made without a value are default-initialised (for bytes: left as
/// they are) instead of value-initialised, and large blocks are advised to use huge pages.
template <class T>
class DefaultInitAllocator : public std::allocator<T> {
 public:
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  using std::allocator<T>::allocator;

  T* allocate(std::size_t n) {
    T* block = std::allocator<T>::allocate(n);
    adviseLargeBlock(block, n * sizeof(T));
    return block;
  }

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

/// Shortens `bytes` to its first `size` bytes (nothing when it is not longer) and gives the whole pages of
/// memory after them back to the system. The block stays where it is; growing into it again reads zeros.
void shortenReleasing(ByteBuffer& bytes, std::size_t size) noexcept;

}  // namespace rw

// Blocks of memory made for how a payload's memory is used: large ones in huge pages, ones about to be
// filled with their pages supplied at once, and a growable buffer of bytes whose new bytes are left
// uninitialised.
//
// std::vector value-initialises what it grows by, so a buffer about to be filled by read(2) would be
// written twice: once with zeros, then with the file. For a large file that first pass is a large part of
// the cost of reading it, since it is also what makes the kernel supply the pages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace rw {

/// Blocks of at least this many bytes are made of whole huge pages (see `allocateBlock`).
inline constexpr std::size_t kLargeBlockBytes = std::size_t{1} << 20;
/// The size of a huge page, and the alignment of a large block.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

/// Memory for a block of `size` bytes, aligned as `operator new` aligns. A large block (`kLargeBlockBytes`
/// or more) is rounded up to whole huge pages, aligned to one, and the kernel is asked to back it with them
/// (`madvise(MADV_HUGEPAGE)`). Where huge pages are turned on, a large block then costs one fault per 2 MiB
/// instead of one per 4 KiB, and a huge page costs far less than the 512 small pages it replaces. A
/// payload's file, its records and their order are such blocks, and reading them also jumps all over them,
/// where huge pages spare most misses of the address-translation cache. The rounding costs at most one huge
/// page more per block, and only where the kernel gives huge pages: elsewhere the untouched rest is never
/// backed at all.
void* allocateBlock(std::size_t size);
/// Frees a block from `allocateBlock(size)`.
void freeBlock(void* block, std::size_t size) noexcept;

/// Has the kernel supply, in one call, the pages of the whole-page part of a block of `size` bytes that is
/// about to be written all over, instead of one fault at a time: that spares the fault's part of what a
/// fresh small page costs (under a hypervisor, the first write still costs its own part).
/// Does nothing for a block of a few pages, and nothing where the kernel cannot (before Linux 5.14): the
/// pages then come as they are touched.
void supplyPages(void* block, std::size_t size) noexcept;

/// An allocator of `allocateBlock` blocks, for containers that may grow large.
template <class T>
class LargeBlockAllocator {
 public:
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
  using value_type = T;

  LargeBlockAllocator() = default;
  template <class U>
  LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)

  T* allocate(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(allocateBlock(n * sizeof(T)));
  }
  void deallocate(T* block, std::size_t n) noexcept { freeBlock(block, n * sizeof(T)); }

  friend bool operator==(const LargeBlockAllocator&, const LargeBlockAllocator&) = default;
};

/// `LargeBlockAllocator`, except that elements made without a value are default-initialised (for bytes:
/// left as they are) instead of value-initialised, and the pages of a new block are supplied at once
/// (`supplyPages`): it is meant for blocks that are filled as soon as they are made (a file read into,
/// keys about to be sorted).
template <class T>
class DefaultInitAllocator : public LargeBlockAllocator<T> {
 public:
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  DefaultInitAllocator() = default;
  template <class U>
  DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)

  T* allocate(std::size_t n) {
    T* block = LargeBlockAllocator<T>::allocate(n);
    supplyPages(block, n * sizeof(T));
    return block;
  }

  template <class U>
  void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    std::construct_at(place, std::forward<Args>(args)...);
  }

  friend bool operator==(const DefaultInitAllocator&, const DefaultInitAllocator&) = default;
};

/// Bytes read from a file or about to be: `resize` leaves the new bytes unset.
using ByteBuffer = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

/// Shortens `bytes` to its first `size` bytes (nothing when it is not longer) and gives the whole pages of
/// memory after them back to the system. The block stays where it is; growing into it again reads zeros.
void shortenReleasing(ByteBuffer& bytes, std::size_t size) noexcept;

}  // namespace rw

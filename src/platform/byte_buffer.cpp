#include "platform/byte_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <new>

namespace rw {

namespace {

constexpr std::size_t roundedToHugePages(std::size_t size) {
  return (size + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
}

std::uintptr_t pageBytes() {
  static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  return page;
}

// The whole pages from address `from` to address `to`.
struct WholePages {
  std::uintptr_t first, end;

  WholePages(std::uintptr_t from, std::uintptr_t to)
      : first((from + pageBytes() - 1) & ~(pageBytes() - 1)), end(to & ~(pageBytes() - 1)) {}
  std::uintptr_t bytes() const { return end > first ? end - first : 0; }
  void advise(int advice) const {
    // Only advice: where it is refused, the pages are as they were.
    static_cast<void>(::madvise(reinterpret_cast<void*>(first), bytes(), advice));
  }
};

}  // namespace

void* allocateBlock(std::size_t size) {
  if (size < kLargeBlockBytes) return ::operator new(size);
  if (size > std::numeric_limits<std::size_t>::max() - kHugePageBytes) throw std::bad_array_new_length();
  const std::size_t rounded = roundedToHugePages(size);
  void* block = ::operator new (rounded, std::align_val_t{kHugePageBytes});
  // Where it is refused, the block simply has small pages.
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  WholePages(start, start + rounded).advise(MADV_HUGEPAGE);
  return block;
}

void freeBlock(void* block, std::size_t size) noexcept {
  // Unsized: clang declares sized deletes only with -fsized-deallocation.
  if (size < kLargeBlockBytes)
    ::operator delete(block);
  else
    ::operator delete (block, std::align_val_t{kHugePageBytes});
}

void supplyPages(void* block, std::size_t size) noexcept {
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const WholePages pages(start, start + size);
  // A fault or two cost less than the call. Kernels before 5.14 refuse it: the pages then come as they are
  // touched.
  if (pages.bytes() >= 4 * pageBytes()) pages.advise(MADV_POPULATE_WRITE);
}

void shortenReleasing(ByteBuffer& bytes, std::size_t size) noexcept {
  if (size >= bytes.size()) return;
  const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
  // Only pages wholly past the kept bytes and inside the block: the allocator's own bookkeeping lies outside.
  const WholePages released(start + size, start + bytes.capacity());
  bytes.resize(size);
  if (released.bytes() > 0) released.advise(MADV_DONTNEED);
}

}  // namespace rw

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

}  // namespace

void* allocateBlock(std::size_t size) {
  if (size < kLargeBlockBytes) return ::operator new(size);
  if (size > std::numeric_limits<std::size_t>::max() - kHugePageBytes) throw std::bad_array_new_length();
  const std::size_t rounded = roundedToHugePages(size);
  void* block = ::operator new (rounded, std::align_val_t{kHugePageBytes});
  // Only advice: where it is refused, the block simply has small pages.
  static_cast<void>(::madvise(block, rounded, MADV_HUGEPAGE));
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
  static const auto kPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t end = (start + size) & ~(kPage - 1);
  // A fault or two cost less than the call.
  if (end <= first || end - first < 4 * kPage) return;
  // Only advice too: kernels before 5.14 refuse it, and the pages then come as they are touched.
  static_cast<void>(::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE));
}

void shortenReleasing(ByteBuffer& bytes, std::size_t size) noexcept {
  if (size >= bytes.size()) return;
  static const auto kPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
  const std::uintptr_t first = (start + size + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t end = (start + bytes.capacity()) & ~(kPage - 1);
  bytes.resize(size);
  // Only pages wholly past the kept bytes and inside the block: the allocator's own bookkeeping lies outside.
  if (end > first) static_cast<void>(::madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED));
}

}  // namespace rw

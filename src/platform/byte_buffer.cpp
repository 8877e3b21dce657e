#include "platform/byte_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

namespace rw {

void adviseLargeBlock(void* block, std::size_t size) noexcept {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  // Below a few huge pages the translations fit the cache anyway, and a half-used huge page is waste.
  if (size < 4 * kHugePage) return;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
  // Only advice: when it is refused, the block simply keeps small pages.
  if (end > first) static_cast<void>(::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE));
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

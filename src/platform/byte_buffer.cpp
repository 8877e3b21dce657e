#include "platform/byte_buffer.h"

#include <sys/mman.h>

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

}  // namespace rw

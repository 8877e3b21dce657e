#include "platform/byte_buffer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

namespace rw {
namespace {

bool alignedTo(const void* block, std::size_t alignment) {
  return reinterpret_cast<std::uintptr_t>(block) % alignment == 0;
}

// Under AddressSanitizer these also check that `freeBlock` frees with the alignment `allocateBlock` used.
TEST(LargeBlocks, AreWholeHugePagesAlignedToOneFromTheBoundOn) {
  for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, kLargeBlockBytes - 1, kLargeBlockBytes,
                                 kHugePageBytes + 1, 5 * kHugePageBytes - 3}) {
    auto* block = static_cast<std::uint8_t*>(allocateBlock(size));
    EXPECT_TRUE(
        alignedTo(block, size >= kLargeBlockBytes ? kHugePageBytes : __STDCPP_DEFAULT_NEW_ALIGNMENT__))
        << size;
    std::memset(block, 0xA5, size);
    EXPECT_EQ(block[size - 1], 0xA5);
    freeBlock(block, size);
  }
}

TEST(LargeBlocks, AVectorKeepsItsElementsAcrossTheBound) {
  // Growing one element at a time moves the elements from small blocks into large ones; shrinking moves
  // them back.
  std::vector<std::uint64_t, LargeBlockAllocator<std::uint64_t>> values;
  const auto expectKept = [&values] {
    for (std::uint64_t i = 0; i < values.size(); ++i)
      ASSERT_EQ(values[i], i * 2654435761u) << i;
  };
  const std::size_t n = 3 * kHugePageBytes / sizeof(std::uint64_t) + 7;
  for (std::uint64_t i = 0; i < n; ++i)
    values.push_back(i * 2654435761u);
  ASSERT_EQ(values.size(), n);
  expectKept();
  EXPECT_TRUE(alignedTo(values.data(), kHugePageBytes));
  values.resize(1000);
  values.shrink_to_fit();
  expectKept();
  // Sizes that cannot be rounded up to whole pages are refused.
  EXPECT_THROW(static_cast<void>(values.get_allocator().allocate(SIZE_MAX / 4)), std::bad_array_new_length);
  EXPECT_THROW(allocateBlock(SIZE_MAX - kHugePageBytes / 2), std::bad_array_new_length);
}

TEST(SupplyPages, KeepsWhatTheBlockHolds) {
  // Supplying pages must never take back pages already written (as MADV_DONTNEED or MADV_FREE would).
  for (const std::size_t size : {std::size_t{100}, 3 * kHugePageBytes + 12345}) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    const std::vector<std::uint8_t> before = bytes;
    supplyPages(bytes.data() + 1, size - 2);
    EXPECT_EQ(bytes, before) << size;
  }
}

TEST(ShortenReleasing, KeepsTheFirstBytesOfALargeBuffer) {
  ByteBuffer bytes(3 * kHugePageBytes + 100);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  const std::size_t kept = kHugePageBytes + 4097;
  shortenReleasing(bytes, kept);
  ASSERT_EQ(bytes.size(), kept);
  for (std::size_t i = 0; i < kept; ++i)
    ASSERT_EQ(bytes[i], static_cast<std::uint8_t>(i)) << i;
  // The whole pages given back read as zeros when the buffer grows into them again.
  bytes.resize(2 * kHugePageBytes);
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  for (std::size_t i = (kept + page - 1) / page * page; i < bytes.size(); ++i)
    ASSERT_EQ(bytes[i], 0) << i;
}

}  // namespace
}  // namespace rw

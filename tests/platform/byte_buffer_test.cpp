// Byte buffers in whole huge pages, and the scan for bytes beyond ASCII.
#include "platform/byte_buffer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "platform/ascii.h"

namespace rw {
namespace {

bool alignedTo(const void* block, std::size_t alignment) {
  return reinterpret_cast<std::uintptr_t>(block) % alignment == 0;
}

// Under AddressSanitizer these also check that `freeBlock` frees with the alignment `allocateBlock` used.
TEST(LargeBlocks, AreWholeHugePagesAlignedToOneFromTheBoundOnAndKeepAVectorsElementsAcrossIt) {
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
  // Sizes that cannot be rounded up to whole pages are refused.
  EXPECT_THROW(allocateBlock(SIZE_MAX - kHugePageBytes / 2), std::bad_array_new_length);
  EXPECT_THROW(static_cast<void>(LargeBlockAllocator<std::uint64_t>().allocate(SIZE_MAX / 4)),
               std::bad_array_new_length);
  // A vector growing one element at a time moves them from small blocks into large ones, and shrinking back.
  std::vector<std::uint64_t> plain(3 * kHugePageBytes / sizeof(std::uint64_t) + 7);
  std::iota(plain.begin(), plain.end(), std::uint64_t{1});
  std::vector<std::uint64_t, LargeBlockAllocator<std::uint64_t>> values;
  for (const std::uint64_t value : plain)
    values.push_back(value);
  EXPECT_TRUE(std::equal(values.begin(), values.end(), plain.begin(), plain.end()));
  EXPECT_TRUE(alignedTo(values.data(), kHugePageBytes));
  values.resize(1000);
  values.shrink_to_fit();
  EXPECT_TRUE(std::equal(values.begin(), values.end(), plain.begin(), plain.begin() + 1000));
}

TEST(Pages, SupplyingKeepsWhatTheBlockHoldsAndShorteningKeepsTheFirstBytes) {
  // Supplying pages must never take back pages already written (as MADV_DONTNEED or MADV_FREE would).
  for (const std::size_t size : {std::size_t{100}, 3 * kHugePageBytes + 12345}) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    const std::vector<std::uint8_t> before = bytes;
    supplyPages(bytes.data() + 1, size - 2);
    EXPECT_EQ(bytes, before) << size;
  }
  ByteBuffer bytes(3 * kHugePageBytes + 100);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  const std::vector<std::uint8_t> first(bytes.begin(), bytes.begin() + kHugePageBytes + 4097);
  shortenReleasing(bytes, first.size());
  ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), first.begin(), first.end()));
  // The whole pages given back read as zeros when the buffer grows into them again.
  bytes.resize(2 * kHugePageBytes);
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  EXPECT_TRUE(std::all_of(bytes.begin() + (first.size() + page - 1) / page * page, bytes.end(),
                          [](std::uint8_t byte) { return byte == 0; }));
}

TEST(Ascii, FindsAHighByteAtEveryPlaceOfEveryLengthAndReadsOnlyTheTextsBytes) {
  // The text is read in words of eight and four bytes, the last one overlapping the ones before; a high
  // byte may fall anywhere in those. The text lies between high bytes that are not its own.
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string buffer = "\xC3" + std::string(length, '\x7F') + "\xBC";
    EXPECT_TRUE(isAscii(std::string_view(buffer).substr(1, length))) << length;
    for (std::size_t at = 1; at <= length; ++at) {
      for (const char high : {'\x80', '\xFF'}) {
        std::string text = buffer;
        text[at] = high;
        EXPECT_FALSE(isAscii(std::string_view(text).substr(1, length)))
            << "length " << length << ", at " << at;
      }
    }
  }
}

}  // namespace
}  // namespace rw

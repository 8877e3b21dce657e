// How the request executable lies in memory: its file must not line up with 2 MiB pieces of the address
// space, or the kernel maps a whole 2 MiB of ICU's data for every page a request touches.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(ExecutableLayout, NoLoadedSegmentLinesUpWithHugePages) {
  std::ifstream file(RW_WIDGET_EXECUTABLE, std::ios::binary);
  const std::string bytes(std::istreambuf_iterator<char>(file), {});
  Elf64_Ehdr header{};
  ASSERT_GE(bytes.size(), sizeof header);
  std::memcpy(&header, bytes.data(), sizeof header);
  ASSERT_EQ(header.e_ident[EI_CLASS], ELFCLASS64);
  ASSERT_LE(header.e_phoff + header.e_phnum * sizeof(Elf64_Phdr), bytes.size());
  std::vector<Elf64_Phdr> segments(header.e_phnum);
  std::memcpy(segments.data(), bytes.data() + header.e_phoff, segments.size() * sizeof(Elf64_Phdr));
  // A position-independent build (sanitizers, fuzzing) is placed by the kernel at a random address.
  if (header.e_type != ET_EXEC) GTEST_SKIP() << "position-independent build";
  int loaded = 0;
  for (const Elf64_Phdr& segment : segments) {
    if (segment.p_type != PT_LOAD) continue;
    ++loaded;
    // A 2 MiB piece of the file can be mapped whole only where address and offset agree modulo 2 MiB.
    EXPECT_NE((segment.p_vaddr - segment.p_offset) % (2 * 1024 * 1024), 0u)
        << "segment at 0x" << std::hex << segment.p_vaddr << ", offset 0x" << segment.p_offset;
  }
  EXPECT_GE(loaded, 2);
}

}  // namespace

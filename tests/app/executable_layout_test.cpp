// How the request executable lies in memory: its file must not line up with 2 MiB pieces of the address
// space, or the kernel maps a whole 2 MiB of ICU's data for every page a request touches.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <vector>

namespace {

constexpr std::uint64_t kHugePage = 2 * 1024 * 1024;

struct Image {
  Elf64_Ehdr header{};
  std::vector<Elf64_Phdr> segments;
};

bool readImage(const char* path, Image& image) {
  std::ifstream file(path, std::ios::binary);
  if (!file.read(reinterpret_cast<char*>(&image.header), sizeof image.header)) return false;
  if (image.header.e_ident[EI_CLASS] != ELFCLASS64 || image.header.e_phentsize != sizeof(Elf64_Phdr))
    return false;
  image.segments.resize(image.header.e_phnum);
  file.seekg(static_cast<std::streamoff>(image.header.e_phoff));
  return static_cast<bool>(
      file.read(reinterpret_cast<char*>(image.segments.data()),
                static_cast<std::streamsize>(image.segments.size() * sizeof(Elf64_Phdr))));
}

TEST(ExecutableLayout, NoLoadedSegmentLinesUpWithHugePages) {
  Image image;
  ASSERT_TRUE(readImage(RW_WIDGET_EXECUTABLE, image));
  // A position-independent build (sanitizers, fuzzing) is placed by the kernel at a random address.
  if (image.header.e_type != ET_EXEC) GTEST_SKIP() << "position-independent build";
  int loaded = 0;
  for (const Elf64_Phdr& segment : image.segments) {
    if (segment.p_type != PT_LOAD) continue;
    ++loaded;
    // A 2 MiB piece of the file can be mapped whole only where address and offset agree modulo 2 MiB.
    EXPECT_NE((segment.p_vaddr - segment.p_offset) % kHugePage, 0u)
        << "segment at 0x" << std::hex << segment.p_vaddr << ", offset 0x" << segment.p_offset;
  }
  EXPECT_GE(loaded, 2);
}

}  // namespace

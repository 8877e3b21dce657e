// How the request executable lies in memory: its file must not line up with 2 MiB pieces of the address
// space, or the kernel maps a whole 2 MiB of ICU's data for every page a request touches.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Image {
  std::string bytes;
  Elf64_Ehdr header{};
  std::vector<Elf64_Phdr> segments;
  std::vector<Elf64_Shdr> sections;

  // Copies `count` records of type T at `offset`, false when the file is too short.
  template <typename T>
  bool read(std::uint64_t offset, std::size_t count, T* into) const {
    if (offset > bytes.size() || count * sizeof(T) > bytes.size() - offset) return false;
    std::memcpy(into, bytes.data() + offset, count * sizeof(T));
    return true;
  }
  std::string section(const Elf64_Shdr& s) const {
    return s.sh_offset <= bytes.size() ? bytes.substr(s.sh_offset, s.sh_size) : std::string();
  }
};

bool readImage(const char* path, Image& image) {
  std::ifstream file(path, std::ios::binary);
  image.bytes.assign(std::istreambuf_iterator<char>(file), {});
  if (!image.read(0, 1, &image.header) || image.header.e_ident[EI_CLASS] != ELFCLASS64) return false;
  image.segments.resize(image.header.e_phnum);
  image.sections.resize(image.header.e_shnum);
  return image.read(image.header.e_phoff, image.segments.size(), image.segments.data()) &&
         image.read(image.header.e_shoff, image.sections.size(), image.sections.data());
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
    EXPECT_NE((segment.p_vaddr - segment.p_offset) % (2 * 1024 * 1024), 0u)
        << "segment at 0x" << std::hex << segment.p_vaddr << ", offset 0x" << segment.p_offset;
  }
  EXPECT_GE(loaded, 2);
}

}  // namespace

// How the request executable lies in memory: its file must not line up with 2 MiB pieces of the address
// space, or the kernel maps a whole 2 MiB of ICU's data for every page a request touches; and the functions
// a request runs lie together.
#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kHugePage = 2 * 1024 * 1024;

struct Image {
  Elf64_Ehdr header{};
  std::vector<Elf64_Phdr> segments;
  std::vector<Elf64_Shdr> sections;
};

bool readImage(const char* path, Image& image) {
  std::ifstream file(path, std::ios::binary);
  if (!file.read(reinterpret_cast<char*>(&image.header), sizeof image.header)) return false;
  if (image.header.e_ident[EI_CLASS] != ELFCLASS64 || image.header.e_phentsize != sizeof(Elf64_Phdr))
    return false;
  image.segments.resize(image.header.e_phnum);
  file.seekg(static_cast<std::streamoff>(image.header.e_phoff));
  if (!file.read(reinterpret_cast<char*>(image.segments.data()),
                 static_cast<std::streamsize>(image.segments.size() * sizeof(Elf64_Phdr))))
    return false;
  image.sections.resize(image.header.e_shnum);
  file.seekg(static_cast<std::streamoff>(image.header.e_shoff));
  return static_cast<bool>(
      file.read(reinterpret_cast<char*>(image.sections.data()),
                static_cast<std::streamsize>(image.sections.size() * sizeof(Elf64_Shdr))));
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

#ifdef RW_REQUEST_CODE_ORDER
// The bytes of `section` of the file at `path`.
std::string sectionBytes(const char* path, const Elf64_Shdr& section) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes(section.sh_size, '\0');
  file.seekg(static_cast<std::streamoff>(section.sh_offset));
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file ? bytes : std::string();
}

// Every function symbol of the executable: name, then address and size.
std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> functions(const char* path,
                                                                         const Image& image) {
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> found;
  for (const Elf64_Shdr& section : image.sections) {
    if (section.sh_type != SHT_SYMTAB || section.sh_link >= image.sections.size()) continue;
    const std::string symbols = sectionBytes(path, section);
    const std::string names = sectionBytes(path, image.sections[section.sh_link]);
    for (std::size_t at = 0; at + sizeof(Elf64_Sym) <= symbols.size(); at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, symbols.data() + at, sizeof symbol);
      if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_name >= names.size()) continue;
      found.emplace(names.c_str() + symbol.st_name, std::pair{symbol.st_value, symbol.st_size});
    }
  }
  return found;
}

#endif

TEST(ExecutableLayout, TheFunctionsARequestRunsLieTogether) {
#ifndef RW_REQUEST_CODE_ORDER
  GTEST_SKIP() << "linked without an order of the functions";
#else
  Image image;
  ASSERT_TRUE(readImage(RW_WIDGET_EXECUTABLE, image));
  const auto symbols = functions(RW_WIDGET_EXECUTABLE, image);
  ASSERT_GT(symbols.size(), 10'000u) << "no symbol table";
  std::ifstream order(RW_REQUEST_CODE_ORDER);
  std::uint64_t low = UINT64_MAX, high = 0;
  std::size_t listed = 0, placed = 0;
  for (std::string name; std::getline(order, name);) {
    if (name.empty() || name[0] == '#') continue;
    ++listed;
    const auto symbol = symbols.find(name);
    if (symbol == symbols.end()) continue;
    ++placed;
    low = std::min(low, symbol->second.first);
    high = std::max(high, symbol->second.first + symbol->second.second);
  }
  // Most listed functions exist (another compiler or optimisation level inlines differently; a list gone
  // stale says so here), and they lie within 1 MiB of the 4 MB of code; unordered, they spread over nearly
  // all of it.
  ASSERT_GT(listed, 500u);
  EXPECT_GT(placed, listed / 2);
  EXPECT_LT(high - low, 1u << 20) << placed << " functions";
#endif
}

}  // namespace

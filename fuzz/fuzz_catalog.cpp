// Message catalogs from arbitrary bytes: loading and looking up must never read outside the file, crash or
// hang; a file that is not a sound catalog gives the keys.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/catalog.h"

namespace {

const std::filesystem::path& stringsDirectory() {
  static const std::filesystem::path directory = [] {
    auto path = std::filesystem::temp_directory_path() / ("rw-fuzz-catalog-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path / "pl" / "LC_MESSAGES");
    return path;
  }();
  return directory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto file = stringsDirectory() / "pl" / "LC_MESSAGES" / "reminders-widget.mo";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const rw::Catalog catalog = rw::Catalog::load(stringsDirectory(), "pl_PL.UTF-8");
  for (const char* key : {"TODAY", "TOMORROW", "IN [INTERVAL]", ""}) {
    const std::string text = catalog.text(key);
    if (text.empty() && *key != '\0') __builtin_trap();  // a key never reads as nothing
  }
  for (const std::int64_t count : {0, 1, 2, 5, 22, 112})
    (void)catalog.countText("%d DAY(S)", count);
  return 0;
}

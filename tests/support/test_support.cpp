#include "support/test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace rw::testing {

std::string capturedStdout(const std::function<void()>& body) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  body();
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

TemporaryDirectory::TemporaryDirectory() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  path_ =
      std::filesystem::temp_directory_path() / ("rw-test-" + std::to_string(::getpid()) + "-" +
                                                std::to_string(counter++) + "-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ignored);
  std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::filesystem::path& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& contents) {
  writeFile(path, std::string_view(reinterpret_cast<const char*>(contents.data()), contents.size()));
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::set<std::string> namesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.insert(entry.path().filename().string());
  return names;
}

std::filesystem::path sourceDirectory() {
  return RW_SOURCE_DIR;
}
std::filesystem::path binaryDirectory() {
  return RW_BINARY_DIR;
}

}  // namespace rw::testing

// Small helpers shared by the tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date.h"

namespace rw::testing {

/// The instant an RFC 3339 text names; for a text that names none, a failed check and the reference date.
inline Date at(std::string_view rfc3339) {
  const auto date = parseRfc3339(rfc3339);
  EXPECT_TRUE(date.has_value()) << rfc3339;
  return date.value_or(Date{});
}

/// Runs `body` and returns what it wrote to standard output (file descriptor 1).
inline std::string capturedStdout(const std::function<void()>& body) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  body();
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

/// A fresh directory under the system's temporary directory, removed with everything in it at destruction.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string name = (std::filesystem::temp_directory_path() / "rw-test-XXXXXX").string();
    EXPECT_NE(::mkdtemp(name.data()), nullptr) << name;
    path_ = name;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;  // a test may have taken its permissions away
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, std::string_view contents) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(contents.data(), std::ssize(contents));
}
inline void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& contents) {
  writeFile(path, std::string_view(reinterpret_cast<const char*>(contents.data()), contents.size()));
}
inline std::string readFile(const std::filesystem::path& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

/// The names of the entries of `directory`.
inline std::set<std::string> namesIn(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.insert(entry.path().filename().string());
  return names;
}

/// The project's source directory (for checked-in fixtures) and the build directory.
std::filesystem::path sourceDirectory();
std::filesystem::path binaryDirectory();

}  // namespace rw::testing

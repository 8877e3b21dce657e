// Small helpers shared by the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace rw::testing {

/// Runs `body` and returns what it wrote to standard output (file descriptor 1).
std::string capturedStdout(const std::function<void()>& body);

/// A fresh directory under the system's temporary directory, removed with everything in it at destruction.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, std::string_view contents);
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& contents);
std::string readFile(const std::filesystem::path& path);
/// The names of the entries of `directory`.
std::set<std::string> namesIn(const std::filesystem::path& directory);

/// The project's source directory (for checked-in fixtures) and the build directory.
std::filesystem::path sourceDirectory();
std::filesystem::path binaryDirectory();

}  // namespace rw::testing

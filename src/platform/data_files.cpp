#include "platform/data_files.h"

#include <cstdlib>

namespace rw {

std::filesystem::path executableDirectory() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return executable.parent_path();
}

const DataLocation& resourcesLocation() {
  static const DataLocation location{
      .environmentVariable = "REMINDERS_WIDGET_RESOURCES",
      .relativeToExecutable = {"../share/reminders-widget", "../../share/reminders-widget",
                               "share/reminders-widget"},
  };
  return location;
}

const DataLocation& catalogsLocation() {
  static const DataLocation location{
      .environmentVariable = "REMINDERS_WIDGET_STRINGS",
      .relativeToExecutable = {"../share/locale", "../../share/locale", "strings", "../strings"},
  };
  return location;
}

std::optional<std::filesystem::path> findDataDirectory(const DataLocation& location,
                                                       const std::filesystem::path& executableDir,
                                                       const char* environmentValue) {
  if (environmentValue != nullptr && *environmentValue != '\0')
    return std::filesystem::path(environmentValue);
  if (executableDir.empty()) return std::nullopt;
  for (const auto& relative : location.relativeToExecutable) {
    const auto candidate = (executableDir / relative).lexically_normal();
    std::error_code error;
    if (std::filesystem::is_directory(candidate, error)) return candidate;
  }
  return std::nullopt;
}

std::optional<std::filesystem::path> findDataDirectory(const DataLocation& location) {
  return findDataDirectory(location, executableDirectory(), std::getenv(location.environmentVariable));
}

std::string describeSearch(const DataLocation& location, const std::filesystem::path& executableDir) {
  std::string text = "$" + std::string(location.environmentVariable);
  for (const auto& relative : location.relativeToExecutable)
    text += ", " + (executableDir / relative).lexically_normal().string();
  return text;
}

}  // namespace rw

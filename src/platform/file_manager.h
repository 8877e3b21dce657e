// The shared container of an app group, and scoped access to files in it.
//
// The container stand-in is a directory: the one the host names (--container), else
// $REMINDERS_WIDGET_CONTAINER, else ${XDG_DATA_HOME:-$HOME/.local/share}/<app group>. A container "is not
// found" when that directory does not exist.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace rw {

class FileManager {
 public:
  /// Looks containers up under ${XDG_DATA_HOME:-$HOME/.local/share}.
  FileManager() = default;
  /// Every app group's container is `directory`.
  explicit FileManager(std::filesystem::path directory) : directory_(std::move(directory)) {}

  /// `directory` when given, else $REMINDERS_WIDGET_CONTAINER when set and not empty, else the default.
  static FileManager fromEnvironment(std::optional<std::filesystem::path> directory);

  /// The container directory of `appGroup`, or nothing when that directory does not exist.
  std::optional<std::filesystem::path> containerURL(std::string_view appGroup) const;

 private:
  std::optional<std::filesystem::path> directory_;
};

/// Access to a file location held for the lifetime of the object; released exactly once, and only when it
/// was granted. Directories need no grant here, so access is always granted; the object keeps the
/// start/stop pairing visible and testable.
class SecurityScopedAccess {
 public:
  explicit SecurityScopedAccess(const std::filesystem::path& location);
  ~SecurityScopedAccess();
  SecurityScopedAccess(const SecurityScopedAccess&) = delete;
  SecurityScopedAccess& operator=(const SecurityScopedAccess&) = delete;

  bool granted() const { return granted_; }

 private:
  bool granted_ = false;
};

}  // namespace rw

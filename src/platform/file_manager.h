// The shared container of an app group, and scoped access to files in it.
//
// The container stand-in is a directory: the one the host names (--container), else
// $REMINDERS_WIDGET_CONTAINER, else ${XDG_DATA_HOME:-$HOME/.local/share}/<app group>. A container "is not
// found" when that directory does not exist.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/byte_buffer.h"

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

  /// What starting and stopping access does. Without hooks every start is granted and stop does nothing;
  /// tests install hooks to count the pairing or to refuse access.
  struct Hooks {
    virtual ~Hooks() = default;
    virtual bool start(const std::filesystem::path& location) = 0;
    virtual void stop(const std::filesystem::path& location) = 0;
  };
  /// Installs `hooks` (or none) for the accesses made on the calling thread; returns the previous ones.
  static Hooks* setHooksForThisThread(Hooks* hooks);

 private:
  std::filesystem::path location_;
  bool granted_ = false;
};

/// The whole content of the file at `location`, read in one piece. Nothing when it cannot be opened or
/// read, when it is not a regular file (a directory, FIFO or device is refused without blocking), or when it
/// holds more than `maxBytes`.
[[nodiscard]] std::optional<ByteBuffer> readWholeFile(const std::filesystem::path& location,
                                                      std::uintmax_t maxBytes);

}  // namespace rw

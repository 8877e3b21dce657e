#include "platform/file_manager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace rw {
namespace {

thread_local SecurityScopedAccess::Hooks* currentHooks = nullptr;

// A non-empty environment variable, or nothing.
std::optional<std::filesystem::path> environmentPath(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::filesystem::path(value);
}

// ${XDG_DATA_HOME:-$HOME/.local/share}. XDG_DATA_HOME counts only when it is an absolute path, as the XDG
// base directory rules ask; without a usable HOME there is no default location.
std::optional<std::filesystem::path> dataHome() {
  if (auto xdg = environmentPath("XDG_DATA_HOME"); xdg && xdg->is_absolute()) return xdg;
  if (auto home = environmentPath("HOME")) return *home / ".local" / "share";
  return std::nullopt;
}

bool isDirectory(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

// Closes a descriptor once.
struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

FileManager FileManager::fromEnvironment(std::optional<std::filesystem::path> directory) {
  if (directory) return FileManager(std::move(*directory));
  if (auto configured = environmentPath("REMINDERS_WIDGET_CONTAINER"))
    return FileManager(std::move(*configured));
  return FileManager();
}

std::optional<std::filesystem::path> FileManager::containerURL(std::string_view appGroup) const {
  std::optional<std::filesystem::path> container;
  if (directory_) {
    container = directory_;
  } else if (auto base = dataHome()) {
    container = *base / std::filesystem::path(appGroup);
  }
  // A file or a dangling link in the container's place is no container.
  if (!container || !isDirectory(*container)) return std::nullopt;
  return container;
}

SecurityScopedAccess::SecurityScopedAccess(const std::filesystem::path& location) : location_(location) {
  granted_ = currentHooks == nullptr || currentHooks->start(location_);
}

SecurityScopedAccess::~SecurityScopedAccess() {
  if (granted_ && currentHooks != nullptr) currentHooks->stop(location_);
}

SecurityScopedAccess::Hooks* SecurityScopedAccess::setHooksForThisThread(Hooks* hooks) {
  Hooks* previous = currentHooks;
  currentHooks = hooks;
  return previous;
}

std::optional<ByteBuffer> readWholeFile(const std::filesystem::path& location, std::uintmax_t maxBytes) {
  // O_NONBLOCK so that opening a FIFO returns at once instead of waiting for a writer; the descriptor is
  // then refused because it is no regular file. (On regular files the flag changes nothing.)
  FileDescriptor file;
  do {
    file.fd = ::open(location.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (file.fd < 0 && errno == EINTR);
  if (file.fd < 0) return std::nullopt;

  struct stat info {};
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) return std::nullopt;

  // Read to the end rather than trusting the size: the file may change while it is read. One byte more
  // than the limit is enough to tell that it grew past it.
  const std::uintmax_t cap = maxBytes == std::numeric_limits<std::uintmax_t>::max() ? maxBytes : maxBytes + 1;
  ByteBuffer data(static_cast<size_t>(info.st_size) + 1);
  size_t used = 0;
  while (true) {
    if (used == data.size()) {
      if (data.size() >= cap) return std::nullopt;
      data.resize(static_cast<size_t>(
          std::min<std::uintmax_t>(cap, std::max<std::uintmax_t>(data.size() * 2, 4096))));
    }
    const ssize_t count = ::read(file.fd, data.data() + used, data.size() - used);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (count == 0) break;
    used += static_cast<size_t>(count);
  }
  if (used > maxBytes) return std::nullopt;
  data.resize(used);
  return data;
}

}  // namespace rw

#include "platform/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

namespace rw {

namespace fs = std::filesystem;

namespace {

std::string describe(const fs::path& path, const char* what, int error) {
  return "cannot " + std::string(what) + " '" + path.string() + "': " + std::strerror(error);
}

// ".NAME." and 16 random hex digits, in the directory of `target`.
fs::path temporaryName(const fs::path& target) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device random;
  std::string suffix;
  for (int i = 0; i < 4; ++i) {
    std::uint32_t bits = random();
    for (int digit = 0; digit < 4; ++digit, bits >>= 4)
      suffix += kHex[bits & 0xF];
  }
  return target.parent_path() / ("." + target.filename().string() + "." + suffix);
}

}  // namespace

Result<FileReplacement> FileReplacement::begin(const fs::path& path) {
  if (path.empty() || !path.has_filename())
    return Failure{"cannot write '" + path.string() + "': no file name"};

  fs::path target = path;
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return Failure{describe(path, "write", EISDIR)};
  if (exists && !S_ISREG(existing.st_mode)) {
    // A device, FIFO or socket: the bytes go to it as they come.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Failure{describe(path, "write", errno)};
    return FileReplacement(path, path, fd, true);
  }
  if (exists) {
    // Through a symbolic link the file it points to is replaced, and the link stays.
    std::error_code error;
    if (auto resolved = fs::canonical(path, error); !error) target = std::move(resolved);
  }

  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path temporary = temporaryName(target);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return Failure{describe(path, "write", errno)};
    }
    if (exists) (void)::fchmod(fd, existing.st_mode & 07777);
    return FileReplacement(std::move(target), temporary, fd, false);
  }
  return Failure{describe(path, "write", EEXIST)};
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      fd_(other.fd_),
      inPlace_(other.inPlace_),
      error_(other.error_) {
  other.fd_ = -1;
  other.temporary_.clear();
}

FileReplacement::~FileReplacement() {
  discard();
}

void FileReplacement::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!inPlace_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool FileReplacement::write(std::string_view bytes) {
  if (fd_ < 0 || error_ != 0) return false;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

Result<void> FileReplacement::commit() {
  if (fd_ < 0) return Failure{"cannot write '" + target_.string() + "': already written"};
  if (error_ != 0) {
    const Failure failure{describe(target_, "write", error_)};
    discard();
    return failure;
  }
  const int closed = ::close(fd_);
  const int closeError = errno;
  fd_ = -1;
  if (closed != 0 && closeError != EINTR) {
    discard();
    return Failure{describe(target_, "write", closeError)};
  }
  if (inPlace_) {
    temporary_.clear();
    return {};
  }
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    discard();
    return Failure{describe(target_, "replace", error)};
  }
  temporary_.clear();
  return {};
}

Result<void> replaceFile(const fs::path& path, std::string_view bytes) {
  auto file = FileReplacement::begin(path);
  if (!file) return std::move(file).error();
  file->write(bytes);
  return file->commit();
}

}  // namespace rw

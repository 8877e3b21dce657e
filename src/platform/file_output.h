// Writing a file the user named (an image, an answer, a payload) so that a reader sees the old file or the
// whole new one, and nothing else in the directory is touched.
//
// The bytes go to a temporary file beside the target, created exclusively (O_CREAT | O_EXCL, which follows
// no symbolic link) under a random name, and renamed over the target when all of them are written. A
// symbolic link planted where a temporary might be is never written through, and a failed write (a full
// disk, a file size limit) removes the temporary instead of leaving it behind.
//
// What the target is decides how it is replaced:
//  - missing, a regular file, or a dangling symbolic link: replaced by the rename (a new file gets mode
//    0666 less the umask, an existing one keeps its mode);
//  - a symbolic link to a regular file: the file it points to is replaced, and the link stays;
//  - a device, FIFO or socket (/dev/null, a pipe): written in place, as renaming over it would put a
//    plain file where it was;
//  - a directory: refused.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace rw {

class FileReplacement {
 public:
  /// Opens the temporary file (or the device) for `path`.
  static Result<FileReplacement> begin(const std::filesystem::path& path);

  FileReplacement(FileReplacement&& other) noexcept;
  FileReplacement& operator=(FileReplacement&&) = delete;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  /// Removes the temporary file unless `commit` put it in place.
  ~FileReplacement();

  /// Appends `bytes`; false once any write has failed (later writes do nothing).
  bool write(std::string_view bytes);

  /// Closes the file and renames it over the target. After a failed write, or when closing or renaming
  /// fails, removes the temporary file and answers why.
  Result<void> commit();

  /// Where the bytes go until `commit` (the target itself when written in place).
  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  FileReplacement(std::filesystem::path target, std::filesystem::path temporary, int fd, bool inPlace)
      : target_(std::move(target)), temporary_(std::move(temporary)), fd_(fd), inPlace_(inPlace) {}
  void discard();

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  bool inPlace_ = false;
  int error_ = 0;  // errno of the first failed write
};

/// `bytes` as the whole content of `path`, through a `FileReplacement`.
Result<void> replaceFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace rw

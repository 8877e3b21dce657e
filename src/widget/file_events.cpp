#include "widget/file_events.h"

#include <algorithm>

#include "payload/store.h"

namespace rw {

void FileEventCoalescer::touched(double now) {
  if (!first_) first_ = now;
  last_ = std::max(last_, now);
}

std::optional<double> FileEventCoalescer::dueAt() const {
  if (!first_) return std::nullopt;
  return std::min(last_ + quiet_, *first_ + longest_);
}

bool FileEventCoalescer::takeIfDue(double now) {
  const auto due = dueAt();
  if (!due || now < *due) return false;
  first_.reset();
  last_ = 0;
  return true;
}

ContainerWatchPlan planContainerWatch(const std::filesystem::path& container,
                                      const std::function<bool(const std::filesystem::path&)>& isDirectory) {
  std::filesystem::path path = container.lexically_normal();
  if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();  // "a/b/": "a/b"
  if (isDirectory(path))
    return {.containerExists = true,
            .ancestor = path.has_relative_path() ? path.parent_path() : std::filesystem::path(),
            .awaited = path.filename().string()};
  for (std::filesystem::path level = path; level.has_relative_path(); level = level.parent_path())
    if (isDirectory(level.parent_path()))
      return {
          .containerExists = false, .ancestor = level.parent_path(), .awaited = level.filename().string()};
  return {};
}

FileEventEffect effectOf(WatchRole role, WatchedChange change, std::string_view awaited) {
  switch (role) {
    case WatchRole::container:
      if (change.gone) return {.payload = true, .replan = true};
      return {.payload = change.name == kPayloadFileName};
    case WatchRole::ancestor:
      return {.replan = change.gone || change.name == awaited};
    case WatchRole::zone:
      return {.zone = !change.gone && (change.name == "localtime" || change.name == "timezone")};
  }
  return {};
}

}  // namespace rw

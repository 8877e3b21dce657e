#include "widget/file_events.h"

#include <algorithm>

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

}  // namespace rw

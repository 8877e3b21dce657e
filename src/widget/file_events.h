// Coalescing the file events a long-running host sees into reloads.
//
// A writer that creates, writes and renames the payload, or touches it a thousand times in a row, makes a
// burst of events; reading the file for each one costs a full decode and shows nothing new. The host reads
// once the files have been quiet for `quiet` seconds after the last event, and no later than `longest`
// seconds after the first event of a burst, so a file written without a pause is still read now and then.
//
// Pure: the caller passes the readings of a monotonic clock, so tests play any burst without waiting.
#pragma once

#include <optional>

namespace rw {

class FileEventCoalescer {
 public:
  static constexpr double kQuietSeconds = 0.1;
  static constexpr double kLongestSeconds = 2.0;

  explicit FileEventCoalescer(double quiet = kQuietSeconds, double longest = kLongestSeconds)
      : quiet_(quiet), longest_(longest) {}

  /// A file event at `now` (seconds of a monotonic clock).
  void touched(double now);

  /// When the pending burst is due to be read; none when nothing is pending.
  [[nodiscard]] std::optional<double> dueAt() const;

  /// True, once per burst, when a burst is pending and `now` has reached its due time; the next event
  /// then starts a new burst.
  [[nodiscard]] bool takeIfDue(double now);

 private:
  double quiet_;
  double longest_;
  std::optional<double> first_;  // the first event of the pending burst
  double last_ = 0;              // its latest event
};

}  // namespace rw

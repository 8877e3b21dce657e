// Coalescing the file events a long-running host sees into reloads.
//
// A writer that creates, writes and renames the payload, or touches it a thousand times in a row, makes a
// burst of events; reading the file for each one costs a full decode and shows nothing new. The host reads
// once the files have been quiet for `quiet` seconds after the last event, and no later than `longest`
// seconds after the first event of a burst, so a file written without a pause is still read now and then.
//
// Which directories a host watches, and which of their events concern the widget, are decided here too,
// from what the caller found on the file system: the host only carries the decisions out.
//
// Pure: the caller passes the readings of a monotonic clock, so tests play any burst without waiting.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

/// The directories that tell a host of the container's changes, whether or not the container exists:
/// the container itself when it is a directory, and the directory above it where the next change on the
/// way to it shows - its parent when it exists, else the nearest existing directory above it. A container
/// made later, with any number of missing levels above it, is so noticed level by level.
struct ContainerWatchPlan {
  bool containerExists = false;
  std::filesystem::path ancestor;  // empty when no directory above the container exists
  std::string awaited;             // the entry of `ancestor` on the way to the container
  friend bool operator==(const ContainerWatchPlan&, const ContainerWatchPlan&) = default;
};

/// The plan for the absolute path `container`, `isDirectory` answering which directories exist now.
[[nodiscard]] ContainerWatchPlan planContainerWatch(
    const std::filesystem::path& container,
    const std::function<bool(const std::filesystem::path&)>& isDirectory);

/// The directory whose entries "localtime" and "timezone" name the system's time zone.
inline constexpr std::string_view kZoneDirectory = "/etc";

/// What a watched directory is watched for.
enum class WatchRole : std::uint8_t {
  container,  // the container: its payload file, and the container going away
  ancestor,   // `ContainerWatchPlan::ancestor`: its entry `awaited`, and the directory going away
  zone,       // kZoneDirectory: the zone's entries
};

/// One event of a watched directory: its entry `name` was made, written, touched, renamed or removed, or
/// (`gone`) the directory itself was removed, moved or unmounted.
struct WatchedChange {
  std::string_view name;
  bool gone = false;
};

/// What an event means to the host.
struct FileEventEffect {
  bool payload = false;  // the payload may have changed: read it again
  bool zone = false;     // the system's time zone may have changed
  bool replan = false;   // the watches may no longer fit the tree: plan them again (`planContainerWatch`)
  friend bool operator==(const FileEventEffect&, const FileEventEffect&) = default;
};

/// The effect of `change` in a directory watched as `role` (`awaited`: the plan's, for the ancestor). The
/// container coming or going shows as the plans before and after differing in `containerExists`.
[[nodiscard]] FileEventEffect effectOf(WatchRole role, WatchedChange change, std::string_view awaited);

}  // namespace rw

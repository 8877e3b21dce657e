// The system's events for a long-running host, one implementation for `host` (which blocks in `wait`) and
// the desktop window (which adds `descriptor()` to GLib's main loop and calls `take` when it is readable):
//  - a real-time timer at the host's deadline that also reports the wall clock being set (a timerfd with
//    TFD_TIMER_CANCEL_ON_SET), which also covers a resume from suspend;
//  - SIGHUP (a reload request), SIGTERM and SIGINT (end), caught by a handler that hands them to a pipe, so
//    any thread may take them and a program the host starts inherits no blocked signals;
//  - inotify on the container (reminders.plist written, renamed, removed, touched), on the directory above
//    it where its next change shows (its parent, or the nearest existing directory above a container not
//    made yet: `planContainerWatch`) and, when the zone comes from the system, on /etc (localtime,
//    timezone). A burst of file events makes one event once the files have been quiet for a moment
//    (`FileEventCoalescer`), timed by a monotonic timerfd.
// All of them sit behind one epoll descriptor. One instance at a time: the signal handler is the process's.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host_options.h"
#include "platform/date.h"
#include "widget/file_events.h"
#include "widget/host_schedule.h"

namespace rw::app {

class SystemEvents final : public HostEventSource {
 public:
  /// Watches the container the options name (`containerLocation`) and, when neither --time-zone nor $TZ
  /// gives the zone, the system's zone: a zone given does not change under the host. Throws
  /// std::system_error when the descriptors cannot be made.
  explicit SystemEvents(const HostOptions& options);
  ~SystemEvents() override;
  SystemEvents(const SystemEvents&) = delete;
  SystemEvents& operator=(const SystemEvents&) = delete;

  /// Readable whenever `take` may have an event.
  int descriptor() const { return epoll_; }

  /// The timer fires at `deadline` (by the wall clock); without one an hour from now, so that the wall
  /// clock being set is still noticed and the container's watches are looked over now and then.
  void setDeadline(std::optional<Date> deadline);
  /// The timer is off: no deadlines (a host on a frozen clock).
  void stopTimer();

  /// The next event that has happened, without blocking; none when nothing has yet.
  std::optional<HostEvent> take();

  /// `setDeadline(deadline)`, then blocks until `take` has an event.
  HostEvent wait(std::optional<Date> deadline) override;

 private:
  struct Watch {
    int descriptor;
    WatchRole role;
  };

  void close();
  std::optional<HostEvent> takeSignals();
  void readWatches();
  void replan();
  void watchContainer();
  void touched(bool payload, bool zone);
  void armBurst();

  std::optional<std::filesystem::path> container_;
  int epoll_ = -1;
  int signalsRead_ = -1;
  int signalsWrite_ = -1;
  int timer_ = -1;
  int burstTimer_ = -1;
  int inotify_ = -1;
  std::optional<Date> armedAt_;
  std::vector<Watch> watches_;
  ContainerWatchPlan plan_;
  FileEventCoalescer coalescer_;
  bool payloadTouched_ = false;
  bool zoneTouched_ = false;
};

}  // namespace rw::app

// host: a long-running widget host. It keeps a timeline, draws the entry of the moment to a PNG file
// (written to a new file of a random name beside it and renamed into place, so a reader never sees half
// an image) and asks the provider again when the timeline's policy or the outside world says so. Scheduling
// is `runTimelineHost` (widget/host_schedule.h); this file supplies the system's clock and events:
//  - a real-time timer that also reports the wall clock being set (timerfd with TFD_TIMER_CANCEL_ON_SET),
//  - SIGHUP (a reload request), SIGTERM and SIGINT (end) through a signalfd,
//  - inotify on the container directory (reminders.plist written, renamed, removed), on its parent (the
//    container removed or made again) and, when the zone comes from the system, on /etc (localtime,
//    timezone); a burst of them makes one request once the files have been quiet for a moment
//    (widget/file_events.h).
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "commands.h"
#include "payload/store.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "ui/renderer.h"
#include "widget/file_events.h"
#include "widget/host_schedule.h"
#include "widget_host.h"

namespace rw::app {

namespace {

namespace fs = std::filesystem;

struct HostCommandOptions {
  WidgetOptions widget;
  std::string output;
};

class SystemClock final : public HostClock {
 public:
  explicit SystemClock(std::string fixedZone) : fixedZone_(std::move(fixedZone)) {}
  Date now() const override { return systemNow(); }
  std::string timeZone() const override {
    return fixedZone_.empty() ? timeZoneFromEnvironment() : fixedZone_;
  }

 private:
  std::string fixedZone_;  // --time-zone; empty: whatever the environment says at each reading
};

struct Descriptor {
  int fd = -1;
  Descriptor() = default;
  explicit Descriptor(int value) : fd(value) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

class SystemEventSource final : public HostEventSource {
 public:
  SystemEventSource(std::optional<fs::path> container, bool watchZone) : container_(std::move(container)) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    // Blocked so that they queue on the signalfd instead of ending the process mid-write.
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    signals_.fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    timer_.fd = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    inotify_.fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (signals_.fd < 0 || timer_.fd < 0 || inotify_.fd < 0)
      throw std::runtime_error(std::string("cannot set up the host's events: ") + std::strerror(errno));
    armContainerWatches();
    if (watchZone)
      zoneWatch_ =
          ::inotify_add_watch(inotify_.fd, "/etc", IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE);
  }

  HostEvent wait(std::optional<Date> deadline) override {
    // Without a deadline the timer still runs, an hour ahead, so that a wall clock being set is noticed
    // and watches on a container that did not exist are tried again.
    const Date when = deadline.value_or(systemNow().adding(3600));
    armTimer(when);
    for (;;) {
      // While file events are pending, poll only until they are due (FileEventCoalescer).
      int timeout = -1;
      if (const auto due = coalescer_.dueAt())
        timeout = static_cast<int>(std::clamp(std::ceil((*due - monotonicSeconds()) * 1000), 0.0, 60'000.0));
      std::array<pollfd, 3> fds{{{signals_.fd, POLLIN, 0}, {timer_.fd, POLLIN, 0}, {inotify_.fd, POLLIN, 0}}};
      if (::poll(fds.data(), fds.size(), timeout) < 0) {
        if (errno == EINTR) continue;
        return HostEvent::terminate;
      }
      if (fds[0].revents & POLLIN) {
        signalfd_siginfo info{};
        while (::read(signals_.fd, &info, sizeof info) == sizeof info)
          if (info.ssi_signo != SIGHUP) return HostEvent::terminate;
        return HostEvent::reloadRequest;
      }
      if (fds[2].revents & POLLIN) readWatches();
      if (fds[1].revents & POLLIN) {
        std::uint64_t expirations = 0;
        const ssize_t n = ::read(timer_.fd, &expirations, sizeof expirations);
        if (n < 0 && errno == ECANCELED) {
          armTimer(when);
          return HostEvent::clockSet;
        }
        if (n == sizeof expirations) {
          if (!watching()) armContainerWatches();
          return HostEvent::deadline;
        }
      }
      if (coalescer_.takeIfDue(monotonicSeconds())) {
        const bool payload = payloadTouched_;
        payloadTouched_ = zoneTouched_ = false;
        return payload ? HostEvent::payloadChanged : HostEvent::zoneChanged;
      }
    }
  }

 private:
  bool watching() const { return containerWatch_ >= 0; }

  void armTimer(Date when) {
    itimerspec spec{};
    const double seconds = std::max(when.unixSeconds(), 1.0);
    spec.it_value.tv_sec = static_cast<time_t>(std::floor(seconds));
    spec.it_value.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    ::timerfd_settime(timer_.fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
  }

  void armContainerWatches() {
    if (!container_) return;
    if (containerWatch_ < 0)
      containerWatch_ = ::inotify_add_watch(inotify_.fd, container_->c_str(),
                                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                                                IN_DELETE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF);
    if (parentWatch_ < 0 && container_->has_parent_path())
      parentWatch_ = ::inotify_add_watch(inotify_.fd, container_->parent_path().c_str(),
                                         IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM);
  }

  static double monotonicSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
  }

  // Reads every queued inotify event; those that concern the widget join the pending burst.
  void readWatches() {
    bool payload = false;
    bool zone = false;
    alignas(inotify_event) std::array<char, 8192> buffer{};
    ssize_t n = 0;
    while ((n = ::read(inotify_.fd, buffer.data(), buffer.size())) > 0) {
      for (ssize_t offset = 0; offset < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
        offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        const std::string name = event->len > 0 ? std::string(event->name) : std::string();
        if (event->wd == containerWatch_) {
          if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
            ::inotify_rm_watch(inotify_.fd, containerWatch_);
            containerWatch_ = -1;
            payload = true;
          } else if (name == kPayloadFileName) {
            payload = true;
          }
        } else if (event->wd == parentWatch_ && container_ && name == container_->filename().string()) {
          payload = true;
        } else if (event->wd == zoneWatch_ && (name == "localtime" || name == "timezone")) {
          zone = true;
        }
      }
    }
    if (!watching()) armContainerWatches();
    if (!payload && !zone) return;
    payloadTouched_ |= payload;
    zoneTouched_ |= zone;
    coalescer_.touched(monotonicSeconds());
  }

  std::optional<fs::path> container_;
  Descriptor signals_;
  Descriptor timer_;
  Descriptor inotify_;
  int containerWatch_ = -1;
  int parentWatch_ = -1;
  int zoneWatch_ = -1;
  FileEventCoalescer coalescer_;
  bool payloadTouched_ = false;
  bool zoneTouched_ = false;
};

void runHost(const HostCommandOptions& options) {
  if (!options.widget.host.now.empty())
    throw UsageError("host runs on the system clock: --now does not apply");
  const fs::path output = options.output;
  if (ui::imageFormatFor(output) != ui::ImageFormat::png) throw UsageError("--output must end in .png");
  // Checked once up front, so that a bad option fails at once rather than at the first request.
  WidgetRun current = prepareRun(options.widget);
  checkScale(options.widget.scale, current.request.context.displaySize);

  const SystemClock clock(options.widget.host.timeZone);
  const bool zoneFromSystem = options.widget.host.timeZone.empty() && std::getenv("TZ") == nullptr;
  SystemEventSource events(containerLocation(options.widget.host.container), zoneFromSystem);

  HostDriver driver{
      .requestTimeline =
          [&](ReloadReason) {
            // Each request runs in the zone of the moment and reads the payload afresh.
            current = prepareRunInZone(options.widget, clock.timeZone(), std::move(current));
            Timeline<RemindersWidgetTimelineEntry> timeline;
            current.configuration.provider.getTimeline(
                current.request.context,
                [&](Timeline<RemindersWidgetTimelineEntry> answer) { timeline = std::move(answer); });
            return timeline;
          },
      .show =
          [&](const RemindersWidgetTimelineEntry& entry, std::size_t) {
            const auto& context = current.request.context;
            const ui::LayoutNode root = layoutWidget(current.configuration, entry, context.family,
                                                     context.displaySize, current.environment());
            // Drawn to a new file beside the picture and renamed into place (ui::renderToFile).
            if (const auto drawn =
                    ui::renderToFile(root, context.displaySize, output, {.scale = options.widget.scale});
                !drawn)
              printProblem(drawn.error().reason);
          },
      .report =
          [](const HostRequestRecord& record) {
            std::printf("%s\n", requestLine(record).c_str());
            std::fflush(stdout);
          },
  };
  runTimelineHost(clock, events, driver);
  std::printf("Host ended\n");
  std::fflush(stdout);
}

}  // namespace

void addHostCommand(CLI::App& app) {
  auto options = std::make_shared<HostCommandOptions>();
  CLI::App* command = app.add_subcommand(
      "host",
      "Keep a timeline and draw the current entry to a PNG file whenever it changes, until SIGTERM "
      "(SIGHUP asks for a new timeline)");
  options->widget.host.addTo(*command);
  options->widget.addTo(*command, false, true);
  command->add_option("-o,--output", options->output, "The PNG file to keep up to date")->required();
  command->callback([options] { runHost(*options); });
}

}  // namespace rw::app

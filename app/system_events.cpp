#include "system_events.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <system_error>
#include <utility>

#include "platform/clock.h"

namespace rw::app {

namespace {

namespace fs = std::filesystem;

constexpr std::array kSignals{SIGHUP, SIGTERM, SIGINT};

// The pipe the signal handler writes each signal's number to, and the actions it replaced.
std::atomic<int> signalPipe{-1};
std::array<struct sigaction, kSignals.size()> previousActions{};

extern "C" void onSignal(int number) {
  const int saved = errno;
  const auto byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe.load(std::memory_order_relaxed), &byte, 1);
  errno = saved;
}

// Every directory is watched for the same events, so that two roles on one directory never narrow each
// other's mask.
constexpr std::uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                                     IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t kGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

double monotonicSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// An absolute timer value at `seconds`, rounded up to the next nanosecond so that the timer never fires
// before the instant it stands for; never zero, which would stop the timer.
itimerspec timerAt(double seconds) {
  seconds = std::max(seconds, 1.0);
  itimerspec spec{};
  spec.it_value.tv_sec = static_cast<time_t>(std::floor(seconds));
  spec.it_value.tv_nsec = static_cast<long>(std::ceil((seconds - std::floor(seconds)) * 1e9));
  if (spec.it_value.tv_nsec >= 1'000'000'000) {
    ++spec.it_value.tv_sec;
    spec.it_value.tv_nsec = 0;
  }
  return spec;
}

bool isDirectory(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

}  // namespace

SystemEvents::SystemEvents(const HostOptions& options) {
  if (const auto container = containerLocation(options.container)) {
    std::error_code error;
    const fs::path absolute = fs::absolute(*container, error);
    container_ = error ? *container : absolute;
  }
  int pipe[2] = {-1, -1};
  if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    signalsRead_ = pipe[0];
    signalsWrite_ = pipe[1];
  }
  epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
  timer_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
  burstTimer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  inotify_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  bool ready = signalsRead_ >= 0 && epoll_ >= 0 && timer_ >= 0 && burstTimer_ >= 0 && inotify_ >= 0;
  for (const int fd : {signalsRead_, timer_, burstTimer_, inotify_}) {
    epoll_event interest{.events = EPOLLIN, .data = {.fd = fd}};
    ready = ready && ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &interest) == 0;
  }
  if (!ready) {
    const int error = errno;
    close();
    throw std::system_error(error, std::generic_category(), "cannot set up the host's events");
  }
  signalPipe.store(signalsWrite_);
  struct sigaction action {};
  action.sa_handler = &onSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < kSignals.size(); ++i)
    ::sigaction(kSignals[i], &action, &previousActions[i]);

  if (options.timeZone.empty() && std::getenv("TZ") == nullptr)
    if (const int watch = ::inotify_add_watch(inotify_, std::string(kZoneDirectory).c_str(), kWatchMask);
        watch >= 0)
      watches_.push_back({watch, WatchRole::zone});
  watchContainer();
}

SystemEvents::~SystemEvents() {
  for (std::size_t i = 0; i < kSignals.size(); ++i)
    ::sigaction(kSignals[i], &previousActions[i], nullptr);
  signalPipe.store(-1);
  close();
}

void SystemEvents::close() {
  for (int* fd : {&epoll_, &signalsRead_, &signalsWrite_, &timer_, &burstTimer_, &inotify_})
    if (*fd >= 0) ::close(std::exchange(*fd, -1));
}

void SystemEvents::setDeadline(std::optional<Date> deadline) {
  armedAt_ = deadline.value_or(systemNow().adding(3600));
  const itimerspec spec = timerAt(armedAt_->unixSeconds());
  ::timerfd_settime(timer_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
}

void SystemEvents::stopTimer() {
  armedAt_.reset();
  const itimerspec off{};
  ::timerfd_settime(timer_, 0, &off, nullptr);
}

std::optional<HostEvent> SystemEvents::take() {
  if (const auto signal = takeSignals()) return signal;
  readWatches();
  std::uint64_t expirations = 0;
  const ssize_t n = ::read(timer_, &expirations, sizeof expirations);
  if (n < 0 && errno == ECANCELED) {
    // The wall clock was set; the timer keeps its instant.
    if (armedAt_) setDeadline(armedAt_);
    return HostEvent::clockSet;
  }
  if (n == sizeof expirations) {
    armedAt_.reset();
    // Now and then the watches are made again from the tree as it is, should a watch have failed.
    replan();
    return HostEvent::deadline;
  }
  if (::read(burstTimer_, &expirations, sizeof expirations) != sizeof expirations) return std::nullopt;
  if (!coalescer_.takeIfDue(monotonicSeconds())) {
    armBurst();  // the burst went on after the timer was set
    return std::nullopt;
  }
  // A request reads the zone of the moment too, so a changed payload covers a changed zone.
  const HostEvent event = payloadTouched_ ? HostEvent::payloadChanged : HostEvent::zoneChanged;
  payloadTouched_ = zoneTouched_ = false;
  return event;
}

HostEvent SystemEvents::wait(std::optional<Date> deadline) {
  setDeadline(deadline);
  for (;;) {
    if (const auto event = take()) return *event;
    pollfd ready{.fd = epoll_, .events = POLLIN, .revents = 0};
    if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return HostEvent::terminate;
  }
}

std::optional<HostEvent> SystemEvents::takeSignals() {
  std::optional<HostEvent> event;
  unsigned char number = 0;
  while (::read(signalsRead_, &number, 1) == 1)
    if (number != SIGHUP)
      event = HostEvent::terminate;
    else if (!event)
      event = HostEvent::reloadRequest;
  return event;
}

// Reads every queued inotify event; those that concern the widget join the pending burst.
void SystemEvents::readWatches() {
  FileEventEffect effect;
  alignas(inotify_event) std::array<char, 8192> buffer{};
  ssize_t n = 0;
  while ((n = ::read(inotify_, buffer.data(), buffer.size())) > 0) {
    for (ssize_t offset = 0; offset < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {  // events were lost: anything may have changed
        effect = {.payload = true, .zone = true, .replan = true};
        continue;
      }
      const WatchedChange change{.name = event->len > 0 ? std::string_view(event->name) : std::string_view(),
                                 .gone = (event->mask & kGone) != 0};
      for (const Watch& watch : watches_) {
        if (watch.descriptor != event->wd) continue;
        const FileEventEffect one = effectOf(watch.role, change, plan_.awaited);
        effect.payload |= one.payload;
        effect.zone |= one.zone;
        effect.replan |= one.replan;
      }
    }
  }
  if (effect.replan) replan();
  if (effect.payload || effect.zone) touched(effect.payload, effect.zone);
}

// The container's watches made again; the container coming or going is a change of the payload.
void SystemEvents::replan() {
  const bool existed = plan_.containerExists;
  watchContainer();
  if (plan_.containerExists != existed) touched(true, false);
}

void SystemEvents::watchContainer() {
  if (!container_) return;
  // Planned again once the watches are in place: a level made or removed before then shows as another
  // plan, and any change after it makes an event. A tree that keeps changing is left to those events.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const ContainerWatchPlan plan = planContainerWatch(*container_, isDirectory);
    std::vector<Watch> next;
    std::copy_if(watches_.begin(), watches_.end(), std::back_inserter(next),
                 [](const Watch& watch) { return watch.role == WatchRole::zone; });
    bool complete = true;
    const auto add = [&](const fs::path& directory, WatchRole role) {
      const int watch = ::inotify_add_watch(inotify_, directory.c_str(), kWatchMask);
      if (watch >= 0) next.push_back({watch, role});
      complete = complete && watch >= 0;
    };
    if (plan.containerExists)
      add(plan.ancestor.empty() ? container_->root_path() : plan.ancestor / plan.awaited,
          WatchRole::container);
    if (!plan.ancestor.empty()) add(plan.ancestor, WatchRole::ancestor);
    for (const Watch& old : watches_)
      if (std::none_of(next.begin(), next.end(),
                       [&](const Watch& kept) { return kept.descriptor == old.descriptor; }))
        ::inotify_rm_watch(inotify_, old.descriptor);
    watches_ = std::move(next);
    plan_ = plan;
    if (complete && planContainerWatch(*container_, isDirectory) == plan) return;
  }
}

// A file event joins the pending burst.
void SystemEvents::touched(bool payload, bool zone) {
  coalescer_.touched(monotonicSeconds());
  payloadTouched_ |= payload;
  zoneTouched_ |= zone;
  armBurst();
}

// The burst timer fires when the pending burst is due.
void SystemEvents::armBurst() {
  const auto due = coalescer_.dueAt();
  const itimerspec spec = due ? timerAt(*due) : itimerspec{};
  ::timerfd_settime(burstTimer_, TFD_TIMER_ABSTIME, &spec, nullptr);
}

}  // namespace rw::app

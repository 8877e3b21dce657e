// The scheduling of a long-running widget host: when it asks the provider for a timeline, and which entry
// it shows when.
//
// `TimelineSchedule` is a pure state machine: each call takes what happened and the clock's reading (the
// instant and the time zone) and answers what to do - ask for a timeline, show an entry, and when to look
// again. It reads no clock and waits for nothing itself, so tests drive it through months in microseconds.
// `runTimelineHost` is the loop around it, over a clock and an event source that the caller supplies: the
// system's in the program, fakes in tests.
//
// The rules:
//  - On starting, the host asks for a timeline.
//  - It shows the last entry whose date has begun (entry 0 when none has), at once when a timeline
//    arrives and again whenever that changes: at each entry's date, and at once after the wall clock is
//    set forward or back.
//  - With `atEnd`, it asks again when the last entry's date begins; also when the clock has gone back
//    before the first entry or the time zone has changed, since the entries' days are then not the user's
//    days. A timeline whose last date has already begun when it arrives is asked for again no sooner than
//    `kMinimumReloadInterval` later, so a provider answering such timelines cannot make the host spin.
//  - With `never`, it asks again only on a reload request from outside (SIGHUP) or a change of the payload
//    file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date.h"
#include "widget/host.h"
#include "widget/timeline_entry.h"

namespace rw {

/// The shortest time between a timeline that was already over when it arrived and the next request.
inline constexpr double kMinimumReloadInterval = 60;  // seconds

/// Why the host asks for a timeline.
enum class ReloadReason : std::uint8_t {
  start,           // the host started
  atEnd,           // the last entry's date began
  reloadRequest,   // a reload from outside (SIGHUP)
  payloadChanged,  // the payload file in the container changed
  clockChanged,    // the wall clock went back before the first entry
  zoneChanged,     // the time zone is not the one the timeline was made in
};

/// "start", "atEnd", "reloadRequest", "payloadChanged", "clockChanged" or "zoneChanged".
std::string_view reasonName(ReloadReason reason);

/// What wakes a waiting host.
enum class HostEvent : std::uint8_t {
  deadline,        // the instant it asked to be woken at has come
  clockSet,        // the wall clock was set (or the machine resumed from suspend)
  zoneChanged,     // the time zone may have changed
  reloadRequest,   // SIGHUP
  payloadChanged,  // the payload file (or its container) changed
  terminate,       // SIGTERM or SIGINT: end cleanly
};

/// What the host does after a step, in this order: ask for a timeline, show an entry, wait.
struct HostActions {
  std::optional<ReloadReason> request;  // ask for a timeline now (then call `timelineArrived`)
  std::optional<std::size_t> show;      // show this entry of the current timeline now
  std::optional<Date> wakeAt;           // be woken at this instant at the latest; none: only by events
  friend bool operator==(const HostActions&, const HostActions&) = default;
};

class TimelineSchedule {
 public:
  /// Ask for the first timeline.
  [[nodiscard]] HostActions start() const;

  /// A timeline with entries at `dates` (ascending) and `policy` arrived at `now`, made in `zone`.
  [[nodiscard]] HostActions timelineArrived(std::vector<Date> dates, TimelineReloadPolicy policy, Date now,
                                            std::string zone);

  /// `event` happened; the clock now reads `now` in `zone`. `terminate` needs no answer and gets none.
  [[nodiscard]] HostActions handle(HostEvent event, Date now, std::string_view zone);

  /// The entry shown last, if any.
  std::optional<std::size_t> shownEntry() const { return shown_; }

 private:
  HostActions evaluate(Date now, std::string_view zone, bool arrived);

  std::vector<Date> dates_;
  TimelineReloadPolicy policy_ = TimelineReloadPolicy::never;
  std::string zone_;
  Date arrivedAt_;
  std::optional<std::size_t> shown_;
};

/// The wall clock and time zone a host runs by.
class HostClock {
 public:
  virtual ~HostClock() = default;
  virtual Date now() const = 0;
  /// The IANA name of the zone the host's calendar uses now.
  virtual std::string timeZone() const = 0;
};

/// Where a waiting host learns what happened.
class HostEventSource {
 public:
  virtual ~HostEventSource() = default;
  /// Blocks until something happens, or until `deadline` (by the wall clock) when one is given.
  virtual HostEvent wait(std::optional<Date> deadline) = 0;
};

/// One request the host made, as it reports it.
struct HostRequestRecord {
  ReloadReason reason = ReloadReason::start;
  Date requestedAt;
  std::string timeZone;
  std::size_t entryCount = 0;
  TimelineReloadPolicy policy = TimelineReloadPolicy::never;
  std::optional<std::size_t> shownEntry;
  std::optional<Date> nextWake;
};

/// What the loop does with the outside world.
struct HostDriver {
  /// Asks the provider for a timeline (once per request).
  std::function<Timeline<RemindersWidgetTimelineEntry>(ReloadReason)> requestTimeline;
  /// Shows entry `index` of the current timeline.
  std::function<void(const RemindersWidgetTimelineEntry& entry, std::size_t index)> show;
  /// Told of each request once it is answered and its entry is shown.
  std::function<void(const HostRequestRecord&)> report;
};

/// Runs the host until `events` says `terminate`; returns the number of requests made.
std::size_t runTimelineHost(const HostClock& clock, HostEventSource& events, const HostDriver& driver);

}  // namespace rw

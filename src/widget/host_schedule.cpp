#include "widget/host_schedule.h"

#include <algorithm>

namespace rw {

std::string_view reasonName(ReloadReason reason) {
  switch (reason) {
    case ReloadReason::start:
      return "start";
    case ReloadReason::atEnd:
      return "atEnd";
    case ReloadReason::reloadRequest:
      return "reloadRequest";
    case ReloadReason::payloadChanged:
      return "payloadChanged";
    case ReloadReason::clockChanged:
      return "clockChanged";
    case ReloadReason::zoneChanged:
      return "zoneChanged";
  }
  return "?";
}

namespace {

HostActions asking(ReloadReason reason) {
  HostActions actions;
  actions.request = reason;
  return actions;
}

}  // namespace

HostActions TimelineSchedule::start() const {
  return asking(ReloadReason::start);
}

HostActions TimelineSchedule::timelineArrived(std::vector<Date> dates, TimelineReloadPolicy policy, Date now,
                                              std::string zone) {
  dates_ = std::move(dates);
  policy_ = policy;
  zone_ = std::move(zone);
  arrivedAt_ = now;
  shown_.reset();
  return evaluate(now, zone_, true);
}

HostActions TimelineSchedule::handle(HostEvent event, Date now, std::string_view zone) {
  switch (event) {
    case HostEvent::reloadRequest:
      return asking(ReloadReason::reloadRequest);
    case HostEvent::payloadChanged:
      return asking(ReloadReason::payloadChanged);
    case HostEvent::terminate:
      return {};
    case HostEvent::deadline:
    case HostEvent::clockSet:
    case HostEvent::zoneChanged:
      return evaluate(now, zone, false);
  }
  return {};
}

HostActions TimelineSchedule::evaluate(Date now, std::string_view zone, bool arrived) {
  const bool atEnd = policy_ == TimelineReloadPolicy::atEnd;
  if (atEnd && !arrived) {
    // The entries start at the user's midnights as they were when the timeline was made; in another zone,
    // or with the clock set back before the first of them, they are the wrong days.
    if (zone != zone_) return asking(ReloadReason::zoneChanged);
    if (!dates_.empty() && now < dates_.front()) return asking(ReloadReason::clockChanged);
  }

  HostActions actions;
  if (!dates_.empty()) {
    // The last entry whose date has begun; before the first date, the first entry.
    const auto begun = std::upper_bound(dates_.begin(), dates_.end(), now);
    const std::size_t index =
        begun == dates_.begin() ? 0 : static_cast<std::size_t>(begun - dates_.begin()) - 1;
    if (!shown_ || *shown_ != index) {
      shown_ = index;
      actions.show = index;
    }
    if (begun != dates_.end()) actions.wakeAt = *begun;
  }

  if (atEnd) {
    // Ask again when the last date begins, but never sooner than the minimum interval after a timeline
    // that was already over when it came.
    const Date last = dates_.empty() ? arrivedAt_ : dates_.back();
    const Date reloadAt = last > arrivedAt_ ? last : arrivedAt_.adding(kMinimumReloadInterval);
    if (!arrived && now >= reloadAt) return asking(ReloadReason::atEnd);
    if (!actions.wakeAt || reloadAt < *actions.wakeAt) actions.wakeAt = reloadAt;
  }
  return actions;
}

std::size_t runTimelineHost(const HostClock& clock, HostEventSource& events, const HostDriver& driver) {
  TimelineSchedule schedule;
  Timeline<RemindersWidgetTimelineEntry> timeline;
  std::size_t requests = 0;
  HostActions actions = schedule.start();
  for (;;) {
    // `timelineArrived` never asks for another request, so one request per step at most.
    if (actions.request) {
      const ReloadReason reason = *actions.request;
      const Date requestedAt = clock.now();
      std::string zone = clock.timeZone();
      timeline = driver.requestTimeline(reason);
      ++requests;
      std::vector<Date> dates;
      dates.reserve(timeline.entries.size());
      for (const auto& entry : timeline.entries)
        dates.push_back(entry.date);
      actions = schedule.timelineArrived(std::move(dates), timeline.policy, clock.now(), zone);
      // Drawn before the report, so that whoever reads the line finds the picture in place.
      const std::optional<std::size_t> shown = actions.show;
      if (shown && *shown < timeline.entries.size()) driver.show(timeline.entries[*shown], *shown);
      actions.show.reset();
      if (driver.report)
        driver.report({.reason = reason,
                       .requestedAt = requestedAt,
                       .timeZone = std::move(zone),
                       .entryCount = timeline.entries.size(),
                       .policy = timeline.policy,
                       .shownEntry = shown,
                       .nextWake = actions.wakeAt});
    }
    if (actions.show && *actions.show < timeline.entries.size())
      driver.show(timeline.entries[*actions.show], *actions.show);

    const HostEvent event = events.wait(actions.wakeAt);
    if (event == HostEvent::terminate) return requests;
    actions = schedule.handle(event, clock.now(), clock.timeZone());
  }
}

}  // namespace rw

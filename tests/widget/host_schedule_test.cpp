// The long-running host's scheduling on a fake clock: which entry it shows when, when it asks for timelines,
// and what it reports. Its weeks with the real provider, clock jumps and zone changes are in
// tests/reliability/host_faults_test.cpp.
#include "widget/host_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>

#include "support/widget_fixtures.h"

namespace rw {
namespace {

using fixtures::at;
constexpr double kDay = 86'400;

std::vector<Date> days(Date first, int count) {
  std::vector<Date> dates;
  for (int i = 0; i < count; ++i)
    dates.push_back(first.adding(i * kDay));
  return dates;
}

TEST(TimelineSchedule, ClockJumpsAndAnOverTimelineAskOnlyWhenTheTimelineCannotServe) {
  TimelineSchedule schedule;
  const Date midnight = at("2026-12-06T00:00:00Z");
  (void)schedule.timelineArrived(days(midnight, 31), TimelineReloadPolicy::atEnd, midnight.adding(3600),
                                 "UTC");
  const struct {
    double offset;  // from the first midnight
    std::optional<std::size_t> show;
    std::optional<ReloadReason> request;
  } steps[] = {
      {3 * kDay + 6 * 3600, 3, std::nullopt},
      {3 * kDay + 7 * 3600, std::nullopt, std::nullopt},  // same day: nothing to redraw
      {0, 0, std::nullopt},                               // exactly the first midnight
      {-1, std::nullopt, ReloadReason::clockChanged},     // before the timeline: its days are not today
      {45 * kDay, std::nullopt, ReloadReason::atEnd},     // past the last entry
  };
  for (const auto& step : steps) {
    const HostActions actions = schedule.handle(HostEvent::clockSet, midnight.adding(step.offset), "UTC");
    EXPECT_EQ(actions.show, step.show) << step.offset;
    EXPECT_EQ(actions.request, step.request) << step.offset;
  }
  // A timeline already over is not asked for in a loop, only after the minimum interval.
  const Date now = at("2026-12-06T09:00:00Z");
  EXPECT_EQ(schedule.timelineArrived({now.adding(-2 * kDay), now.adding(-kDay)}, TimelineReloadPolicy::atEnd,
                                     now, "UTC"),
            (HostActions{.request = std::nullopt, .show = 1, .wakeAt = now.adding(kMinimumReloadInterval)}));
  EXPECT_EQ(schedule.handle(HostEvent::deadline, now.adding(1), "UTC").request, std::nullopt);
  EXPECT_EQ(schedule.handle(HostEvent::deadline, now.adding(kMinimumReloadInterval), "UTC").request,
            ReloadReason::atEnd);
}

// The loop, over a fake clock and a scripted event source.
struct FakeClock final : HostClock {
  Date instant = at("2026-12-06T09:30:00Z");
  std::string zone = "UTC";
  Date now() const override { return instant; }
  std::string timeZone() const override { return zone; }
};

// Each step sees the deadline the host asked for and returns the event, moving the clock as it likes.
// When the script runs out the host is told to end.
struct ScriptedEvents final : HostEventSource {
  std::deque<std::function<HostEvent(std::optional<Date>)>> script;
  std::vector<std::optional<Date>> deadlines;
  HostEvent wait(std::optional<Date> deadline) override {
    deadlines.push_back(deadline);
    if (script.empty()) return HostEvent::terminate;
    auto step = std::move(script.front());
    script.pop_front();
    return step(deadline);
  }
};

struct Recorder {
  std::vector<HostRequestRecord> requests;
  std::vector<std::pair<Date, std::size_t>> shown;  // (entry date, index)
};

// Timelines as the provider makes them: 31 UTC midnights from the clock's day, or one entry with never.
HostDriver driverFor(const FakeClock& clock, Recorder& recorder, const bool& payloadReadable) {
  return {
      .requestTimeline =
          [&clock, &payloadReadable](ReloadReason) {
            Timeline<RemindersWidgetTimelineEntry> timeline;
            const double today = std::floor(clock.instant.unixSeconds() / kDay) * kDay;
            timeline.policy = payloadReadable ? TimelineReloadPolicy::atEnd : TimelineReloadPolicy::never;
            for (int i = 0; i < (payloadReadable ? 31 : 1); ++i)
              timeline.entries.emplace_back().date = Date::fromUnixSeconds(today + i * kDay);
            return timeline;
          },
      .show = [&recorder](const RemindersWidgetTimelineEntry& entry,
                          std::size_t index) { recorder.shown.emplace_back(entry.date, index); },
      .report = [&recorder](const HostRequestRecord& record) { recorder.requests.push_back(record); },
  };
}

TEST(TimelineHost, OutsideReloadsClockSetsAndZoneChangesRedrawAtOnce) {
  FakeClock clock;
  bool readable = false;
  ScriptedEvents events;
  const auto step = [&](std::function<void()> change, HostEvent event) {
    events.script.push_back([change, event](std::optional<Date>) {
      change();
      return event;
    });
  };
  // Ten days without a word under `never`, a SIGHUP, the payload appears, then the clock and zone move.
  step([&] { clock.instant = clock.instant.adding(10 * kDay); }, HostEvent::reloadRequest);
  step([&] { readable = true; }, HostEvent::payloadChanged);
  step([&] { clock.instant = at("2026-12-20T08:00:00Z"); }, HostEvent::clockSet);  // resumed from suspend
  step([&] { clock.instant = at("2026-12-18T08:00:00Z"); }, HostEvent::clockSet);  // set back
  step([] {}, HostEvent::zoneChanged);  // the zone is the same: nothing to ask
  step([&] { clock.zone = "Pacific/Auckland"; }, HostEvent::deadline);
  Recorder recorder;
  runTimelineHost(clock, events, driverFor(clock, recorder, readable));

  ASSERT_EQ(recorder.requests.size(), 4u);
  EXPECT_EQ(recorder.requests[0].policy, TimelineReloadPolicy::never);
  EXPECT_EQ(events.deadlines[0], std::nullopt);  // `never` sets no deadline
  EXPECT_EQ(recorder.requests[1].reason, ReloadReason::reloadRequest);
  EXPECT_EQ(recorder.requests[2].reason, ReloadReason::payloadChanged);
  EXPECT_EQ(recorder.requests[2].entryCount, 31u);
  EXPECT_EQ(events.deadlines[2], at("2026-12-17T00:00:00Z"));
  EXPECT_EQ(recorder.requests[3].reason, ReloadReason::zoneChanged);
  EXPECT_EQ(recorder.requests[3].timeZone, "Pacific/Auckland");
  EXPECT_EQ(recorder.requests[3].requestedAt, at("2026-12-18T08:00:00Z"));
  // Day 4 of the timeline from 16 December at once, then day 2, then the new zone's timeline from its start.
  std::vector<std::size_t> indices;
  for (const auto& [date, index] : recorder.shown)
    indices.push_back(index);
  EXPECT_EQ(indices, (std::vector<std::size_t>{0, 0, 0, 4, 2, 0}));
}

}  // namespace
}  // namespace rw

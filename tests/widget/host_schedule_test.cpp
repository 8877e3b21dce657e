// The long-running host's schedule: which entry it shows when, and when it asks for timelines. The loop
// itself, with the real provider through weeks of clock jumps, zone changes and file faults, is run in
// tests/reliability/host_faults_test.cpp.
#include "widget/host_schedule.h"

#include <gtest/gtest.h>

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

TEST(TimelineSchedule, OutsideReloadsAskAtOnceAndZoneChangesOnlyWhenTheZoneDiffers) {
  TimelineSchedule schedule;
  const Date midnight = at("2026-12-16T00:00:00Z");
  EXPECT_EQ(schedule.start(), (HostActions{.request = ReloadReason::start, .show = {}, .wakeAt = {}}));
  // One entry under `never`: shown, with no deadline; nothing but an outside reload asks again.
  EXPECT_EQ(
      schedule.timelineArrived({midnight}, TimelineReloadPolicy::never, midnight.adding(5 * kDay), "UTC"),
      (HostActions{.request = {}, .show = 0, .wakeAt = {}}));
  for (const auto event :
       {HostEvent::zoneChanged, HostEvent::clockSet, HostEvent::deadline, HostEvent::terminate})
    EXPECT_EQ(schedule.handle(event, midnight.adding(9 * kDay), "Pacific/Auckland"), HostActions{});
  EXPECT_EQ(schedule.handle(HostEvent::reloadRequest, midnight, "UTC").request, ReloadReason::reloadRequest);
  EXPECT_EQ(schedule.handle(HostEvent::payloadChanged, midnight, "UTC").request,
            ReloadReason::payloadChanged);
  // Under `atEnd` the same zone asks for nothing and sleeps until the next midnight; another zone asks.
  const Date now = midnight.adding(8 * 3600);
  EXPECT_EQ(schedule.timelineArrived(days(midnight, 31), TimelineReloadPolicy::atEnd, now, "UTC"),
            (HostActions{.request = {}, .show = 0, .wakeAt = midnight.adding(kDay)}));
  EXPECT_EQ(schedule.handle(HostEvent::zoneChanged, now, "UTC"),
            (HostActions{.request = {}, .show = {}, .wakeAt = midnight.adding(kDay)}));
  EXPECT_EQ(schedule.handle(HostEvent::zoneChanged, now, "Pacific/Auckland").request,
            ReloadReason::zoneChanged);
}

}  // namespace
}  // namespace rw

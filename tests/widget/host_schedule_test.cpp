// The host's decisions: file events coalesced into reloads, what it watches on a made-up tree, which entry it
// shows when and when it asks for timelines. The loop itself runs in tests/reliability (HostFaults).
#include "widget/host_schedule.h"

#include <gtest/gtest.h>

#include <set>

#include "support/widget_fixtures.h"
#include "widget/file_events.h"

namespace rw {
namespace {

using fixtures::at;
constexpr double kDay = 86'400;

TEST(FileEventCoalescer, BurstsAreReadOnceWhenQuietAndAtLeastEveryFewSeconds) {
  FileEventCoalescer coalescer;  // quiet 0.1 s, at most 2 s after the first event
  EXPECT_FALSE(coalescer.dueAt() || coalescer.takeIfDue(0));
  int reads = 0;
  for (int i = 0; i < 1000; ++i) {  // one touch a millisecond for a second, the host looking after each
    coalescer.touched(10 + i * 0.001);
    reads += coalescer.takeIfDue(10 + i * 0.001);
  }
  EXPECT_EQ(reads, 0);
  EXPECT_DOUBLE_EQ(coalescer.dueAt().value_or(0), 10 + 0.999 + 0.1);
  const auto take = [&](double at) { return coalescer.takeIfDue(at); };
  EXPECT_EQ((std::vector{take(11.05), take(11.1), take(11.2)}), (std::vector{false, true, false}));
  EXPECT_FALSE(coalescer.dueAt());
  // A touch every 62.5 ms for ten seconds, never quiet for 100 ms: read 2 s after each burst's first touch.
  FileEventCoalescer busy(0.1, 2.0);
  std::vector<double> times;
  for (int i = 0; i <= 160; ++i) {
    busy.touched(i * 0.0625);
    if (busy.takeIfDue(i * 0.0625)) times.push_back(i * 0.0625);
  }
  EXPECT_EQ(times, (std::vector<double>{2.0, 4.0625, 6.125, 8.1875}));
}

TEST(ContainerWatchPlan, WatchesTheNearestExistingLevelOnTheWayToTheContainer) {
  const std::string c = "/home/u/.local/share/group";
  const std::set<std::string> above{"/", "/home", "/home/u", "/home/u/.local", "/home/u/.local/share"};
  std::set<std::string> all = above;
  all.insert(c);
  // The container, the directories that exist, the plan.
  const std::tuple<std::string, std::set<std::string>, ContainerWatchPlan> cases[] = {
      {c, all, {true, "/home/u/.local/share", "group"}},
      {c + "/", all, {true, "/home/u/.local/share", "group"}},
      {c, above, {false, "/home/u/.local/share", "group"}},
      {c, {"/", "/home", "/home/u"}, {false, "/home/u", ".local"}},
      {"/home/u/../v/group", {"/", "/home"}, {false, "/home", "v"}},
      {"/group", {"/", "/group"}, {true, "/", "group"}},
      {"/", {"/"}, {true, "", ""}},
      {c, {}, {}},
  };
  for (const auto& [container, directories, plan] : cases) {
    const auto exists = [&](const std::filesystem::path& p) { return directories.contains(p.string()); };
    EXPECT_EQ(planContainerWatch(container, exists), plan)
        << container << " with " << directories.size() << " directories";
  }
}

TEST(FileEventEffect, OnlyThePayloadTheWayToTheContainerAndTheZoneConcernTheWidget) {
  const FileEventEffect none, read{.payload = true}, tz{.zone = true}, replan{.replan = true},
      gone{.payload = true, .replan = true};
  using enum WatchRole;
  const std::tuple<WatchRole, WatchedChange, FileEventEffect> cases[] = {
      // clang-format off
      {container, {"reminders.plist"}, read}, {container, {"reminders.plist.tmp"}, none},
      {container, {"group"}, none}, {container, {"", true}, gone},
      {ancestor, {"group"}, replan}, {ancestor, {"reminders.plist"}, none}, {ancestor, {"other"}, none},
      {ancestor, {"", true}, replan}, {zone, {"localtime"}, tz}, {zone, {"timezone"}, tz},
      {zone, {"passwd"}, none}, {zone, {"group"}, none}, {zone, {"", true}, none},
      // clang-format on
  };
  for (const auto& [role, change, effect] : cases)
    EXPECT_EQ(effectOf(role, change, "group"), effect) << static_cast<int>(role) << " " << change.name;
}

std::vector<Date> days(Date first, int count) {
  std::vector<Date> dates;
  for (int i = 0; i < count; ++i)
    dates.push_back(first.adding(i * kDay));
  return dates;
}

// Jumps before the first entry and past the last one are the host run's (tests/reliability, HostFaults).
TEST(TimelineSchedule, ClockJumpsAndAnOverTimelineAskOnlyWhenTheTimelineCannotServe) {
  TimelineSchedule schedule;
  const Date midnight = at("2026-12-06T00:00:00Z");
  (void)schedule.timelineArrived(days(midnight, 31), TimelineReloadPolicy::atEnd, midnight.adding(3600),
                                 "UTC");
  const auto jump = [&](double offset) {
    return schedule.handle(HostEvent::clockSet, midnight.adding(offset), "UTC");
  };
  // Another day is shown, the same day is not redrawn, and the first midnight itself is the first entry.
  EXPECT_EQ(jump(3 * kDay + 6 * 3600),
            (HostActions{.request = {}, .show = 3, .wakeAt = midnight.adding(4 * kDay)}));
  EXPECT_EQ((std::vector{jump(3 * kDay + 7 * 3600).show, jump(0).show}),
            (std::vector<std::optional<std::size_t>>{std::nullopt, 0}));
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

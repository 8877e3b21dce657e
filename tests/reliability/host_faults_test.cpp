// The long-running host with the real provider over a real container, on a fake clock and zone: it keeps
// running through every fault of the payload file and picks up the next good file, and whatever the wall
// clock or the time zone does, the entry it shows is the one of the user's current day.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <optional>

#include "payload/store.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/host_schedule.h"
#include "widget/provider.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::describe;
using fixtures::event;
using fixtures::settingsFor;
using rw::testing::capturedStdout;
using rw::testing::writeFile;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};
constexpr double kDay = 86400;

struct FakeClock final : HostClock {
  Date instant;
  std::string zone;
  Date now() const override { return instant; }
  std::string timeZone() const override { return zone; }
};

// Events every few days around late October 2026, when Europe/Warsaw leaves summer time.
RemindersWidgetPayload autumnPayload() {
  RemindersWidgetPayload payload{.events = {}, .persons = fixtures::persons()};
  for (int i = 0; i < 12; ++i)
    payload.events.push_back(
        event("E" + std::to_string(i), at("2026-10-20T09:00:00Z").adding(i * 3 * kDay + i * 3600.0)));
  return payload;
}

// Runs the host as the program does, with the provider made afresh for each request in the zone of the
// moment, until `script` runs out; each step runs when the host waits, after checking that what it shows
// is the entry of the day the clock is in, in the clock's zone, made from the payload in the container
// now (or the empty entry when none can be read).
struct HostRun {
  struct Request {
    ReloadReason reason;
    std::size_t entries;
    TimelineReloadPolicy policy;
  };
  using Step = std::function<HostEvent(std::optional<Date> deadline)>;

  HostRun(const fs::path& container, const FakeClock& clock, std::vector<Step> script) {
    struct Events final : HostEventSource {
      Step next;
      HostEvent wait(std::optional<Date> deadline) override { return next(deadline); }
    } events;
    std::size_t step = 0;
    std::optional<RemindersWidgetTimelineEntry> shown;
    events.next = [&](std::optional<Date> deadline) {
      SCOPED_TRACE(formatRfc3339(clock.instant) + " in " + clock.zone);
      const UserSettings settings = settingsFor(clock.zone);
      std::optional<RemindersWidgetPayload> payload;
      capturedStdout([&] { payload = payloadReadingAppGroup(FileManager(container)); });
      const Date today = settings.calendar.startOfDay(clock.instant);
      const auto expected =
          payload ? makeTimelineEntry(today, payload->events, payload->persons, kLarge, settings)
                  : makeTimelineEntry(today, {}, {}, kLarge, settings);
      EXPECT_EQ(shown ? describe(*shown) : "nothing", describe(expected));
      return step == script.size() ? HostEvent::terminate : script[step++](deadline);
    };
    const HostDriver driver{
        .requestTimeline =
            [&](ReloadReason reason) {
              const RemindersWidgetTimelineProvider provider(WidgetEnvironment{
                  .settings = settingsFor(clock.zone), .files = FileManager(container), .clock = [&] {
                    return clock.instant;
                  }});
              Timeline<RemindersWidgetTimelineEntry> timeline;
              printed += capturedStdout([&] {
                provider.getTimeline(kLarge, [&](Timeline<RemindersWidgetTimelineEntry> t) { timeline = t; });
              });
              requests.push_back({reason, timeline.entries.size(), timeline.policy});
              return timeline;
            },
        .show = [&](const RemindersWidgetTimelineEntry& entry, std::size_t) { shown = entry; },
        .report = nullptr,
    };
    runTimelineHost(clock, events, driver);
  }

  std::vector<Request> requests;
  std::string printed;
};

TEST(HostFaults, ShowsTheUsersDayThroughClockJumpsZoneChangesAndFileFaults) {
  rw::testing::TemporaryDirectory directory;
  const fs::path container = directory.path() / "container", file = container / kPayloadFileName;
  const auto good = writePayload(autumnPayload(), plist::Format::binary).value();
  fs::create_directory(container);
  writeFile(file, good);
  FakeClock clock;
  clock.instant = at("2026-10-23T21:30:00Z"), clock.zone = "Europe/Warsaw";  // 23:30 in Warsaw, summer time
  // A step that changes the world and then reports `event`.
  const auto after = [](std::function<void()> change, HostEvent event) -> HostRun::Step {
    return [change = std::move(change), event](std::optional<Date>) { return change(), event; };
  };
  const auto jumpTo = [&](const char* instant) {
    return after([&, instant] { clock.instant = at(instant); }, HostEvent::clockSet);
  };
  const auto moveTo = [&](const char* zone) {
    return after([&, zone] { clock.zone = zone; }, HostEvent::zoneChanged);
  };
  // The clock reaches the deadline the host asked for.
  const HostRun::Step reachDeadline = [&](std::optional<Date> deadline) {
    EXPECT_TRUE(deadline.has_value());
    if (deadline) clock.instant = *deadline;
    return HostEvent::deadline;
  };
  std::vector<HostRun::Step> script = {
      reachDeadline,                   // Warsaw's midnight of the 24th
      reachDeadline,                   // the 25th, a day of 25 hours
      jumpTo("2026-10-29T06:10:00Z"),  // resumed after four days asleep
      jumpTo("2026-10-26T22:59:59Z"),  // set back: the last second of the 26th in Warsaw
      jumpTo("2026-10-26T23:00:00Z"),  // and on to the 27th
      moveTo("America/Sao_Paulo"),     // the user flies: the new zone's days
      jumpTo("2026-11-02T02:59:59Z"),  // 23:59:59 in Sao Paulo
      reachDeadline,                   // its midnight
      moveTo("Asia/Kathmandu"),        // a zone with a 45-minute offset
      jumpTo("2026-10-01T12:00:00Z"),  // set back before the timeline's first day
      jumpTo("2027-01-15T12:00:00Z"),  // forward past its last day
      moveTo("UTC"),
  };
  for (int day = 0; day < 35; ++day)  // through the next automatic request at the 31st entry
    script.push_back(reachDeadline);
  // Then faults of the payload file, each followed by a good file. Nothing can be read: the empty entry
  // with `never`, which sets no deadline; an hour passes quietly.
  const std::function<void()> faults[] = {
      [&] { fs::remove(file); },
      [&] { fs::resize_file(file, 0); },
      [&] { fs::remove(file), ::mkfifo(file.c_str(), 0600); },
      [&] { fs::remove_all(container); },
  };
  for (const auto& fault : faults) {
    script.push_back(after(fault, HostEvent::payloadChanged));
    script.push_back([&](std::optional<Date> deadline) {
      EXPECT_EQ(deadline, std::nullopt);
      clock.instant = clock.instant.adding(3600);
      return HostEvent::clockSet;
    });
    script.push_back(
        after([&] { fs::create_directories(container), fs::remove_all(file), writeFile(file, good); },
              HostEvent::payloadChanged));
  }
  const HostRun host(container, clock, script);

  using enum ReloadReason;
  std::vector<ReloadReason> reasons,
      expected{start, zoneChanged, zoneChanged, clockChanged, atEnd, zoneChanged, atEnd};
  const std::size_t faultsFrom = expected.size();
  expected.resize(faultsFrom + 2 * std::size(faults), payloadChanged);
  for (const auto& request : host.requests)
    reasons.push_back(request.reason);
  ASSERT_EQ(reasons, expected);
  for (std::size_t i = faultsFrom; i < reasons.size(); i += 2) {
    EXPECT_EQ(host.requests[i].entries, 1u);
    EXPECT_EQ(host.requests[i].policy, TimelineReloadPolicy::never);
    EXPECT_EQ(host.requests[i + 1].entries, static_cast<std::size_t>(kTimelineDays));
    EXPECT_EQ(host.requests[i + 1].policy, TimelineReloadPolicy::atEnd);
  }
  EXPECT_EQ(
      host.printed,
      "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n"
      "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
      "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n");
}

}  // namespace
}  // namespace rw

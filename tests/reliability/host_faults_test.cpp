// The long-running host with the real provider over a real container, on a fake clock and zone: it keeps
// running through every fault of the payload file and picks up the next good file, and whatever the wall
// clock or the time zone does, the entry it shows is the one of the user's current day.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
using rw::testing::TemporaryDirectory;
using rw::testing::writeFile;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};
constexpr double kDay = 86400;

class FakeClock final : public HostClock {
 public:
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

// The host as the program runs it, with the provider made afresh for each request in the zone of the
// moment; every step of `script` runs when the host waits, after checking what it shows.
class HostRun {
 public:
  HostRun(fs::path container, FakeClock& clock) : container_(std::move(container)), clock_(clock) {}

  struct Request {
    ReloadReason reason;
    std::size_t entries;
    TimelineReloadPolicy policy;
  };
  using Step = std::function<HostEvent(std::optional<Date> deadline)>;

  std::vector<Request> requests;
  std::vector<RemindersWidgetTimelineEntry> shown;
  std::string printed;

  std::size_t run(std::vector<Step> script) {
    struct Events final : HostEventSource {
      HostRun& run;
      std::vector<Step> steps;
      std::size_t next = 0;
      Events(HostRun& r, std::vector<Step> s) : run(r), steps(std::move(s)) {}
      HostEvent wait(std::optional<Date> deadline) override {
        run.expectTodaysEntryShown();
        if (next == steps.size()) return HostEvent::terminate;
        return steps[next++](deadline);
      }
    } events(*this, std::move(script));

    const HostDriver driver{
        .requestTimeline =
            [this](ReloadReason reason) {
              const RemindersWidgetTimelineProvider provider(WidgetEnvironment{
                  .settings = settingsFor(clock_.zone),
                  .files = FileManager(container_),
                  .clock = [this] { return clock_.instant; },
              });
              Timeline<RemindersWidgetTimelineEntry> timeline;
              printed += capturedStdout([&] {
                provider.getTimeline(kLarge, [&](Timeline<RemindersWidgetTimelineEntry> t) { timeline = t; });
              });
              requests.push_back({reason, timeline.entries.size(), timeline.policy});
              return timeline;
            },
        .show = [this](const RemindersWidgetTimelineEntry& entry, std::size_t) { shown.push_back(entry); },
        .report = nullptr,
    };
    return runTimelineHost(clock_, events, driver);
  }

  // What the host shows while it waits is the entry of the day the clock is in, in the clock's zone, made
  // from the payload in the container now - or the empty entry when no payload can be read.
  void expectTodaysEntryShown() const {
    SCOPED_TRACE(formatRfc3339(clock_.instant) + " in " + clock_.zone);
    ASSERT_FALSE(shown.empty());
    const UserSettings settings = settingsFor(clock_.zone);
    std::optional<RemindersWidgetPayload> payload;
    capturedStdout([&] { payload = payloadReadingAppGroup(FileManager(container_)); });
    const Date today = settings.calendar.startOfDay(clock_.instant);
    const auto expected = payload
                              ? makeTimelineEntry(today, payload->events, payload->persons, kLarge, settings)
                              : makeTimelineEntry(today, {}, {}, kLarge, settings);
    EXPECT_EQ(describe(shown.back()), describe(expected));
  }

 private:
  fs::path container_;
  FakeClock& clock_;
};

// A step that changes the world (files, clock, zone) and then reports `event`.
HostRun::Step after(std::function<void()> change, HostEvent event) {
  return [change = std::move(change), event](std::optional<Date>) {
    change();
    return event;
  };
}

TEST(HostFaults, ShowsTheUsersDayThroughClockJumpsZoneChangesAndFileFaults) {
  TemporaryDirectory directory;
  const fs::path container = directory.path() / "container", file = container / kPayloadFileName;
  const auto good =
      writePayload(autumnPayload(), plist::Format::binary).value_or(std::vector<std::uint8_t>{});
  ASSERT_FALSE(good.empty());
  fs::create_directory(container);
  writeFile(file, good);
  FakeClock clock;
  clock.instant = at("2026-10-23T21:30:00Z");  // 23:30 in Warsaw, summer time
  clock.zone = "Europe/Warsaw";

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

  // Then faults of the payload file, each followed by a good file.
  const std::pair<const char*, std::function<void()>> faults[] = {
      {"removed", [&] { fs::remove(file); }},
      {"truncated to zero", [&] { fs::resize_file(file, 0); }},
      {"replaced by a directory", [&] { fs::remove(file), fs::create_directory(file); }},
      {"replaced by a FIFO", [&] { fs::remove(file), ::mkfifo(file.c_str(), 0600); }},
      {"replaced by a looping symlink", [&] { fs::remove(file), fs::create_symlink(file, file); }},
      {"container removed", [&] { fs::remove_all(container); }},
  };
  std::vector<std::optional<Date>> deadlinesWhileFaulty;
  for (const auto& [name, apply] : faults) {
    script.push_back(after(apply, HostEvent::payloadChanged));
    // Nothing can be read: the empty entry with `never`, which sets no deadline; an hour passes quietly.
    script.push_back([&](std::optional<Date> deadline) {
      deadlinesWhileFaulty.push_back(deadline);
      clock.instant = clock.instant.adding(3600);
      return HostEvent::clockSet;
    });
    script.push_back(after(
        [&] {
          fs::create_directories(container);
          fs::remove_all(file);
          writeFile(file, good);
        },
        HostEvent::payloadChanged));
  }
  HostRun host(container, clock);
  host.run(script);

  // Each step was checked as the host waited; these are the requests the steps had to cause.
  std::vector<ReloadReason> reasons;
  for (const auto& request : host.requests)
    reasons.push_back(request.reason);
  std::vector<ReloadReason> expected{
      ReloadReason::start, ReloadReason::zoneChanged, ReloadReason::zoneChanged, ReloadReason::clockChanged,
      ReloadReason::atEnd, ReloadReason::zoneChanged, ReloadReason::atEnd};
  const std::size_t faultsFrom = expected.size();
  expected.resize(faultsFrom + 2 * std::size(faults), ReloadReason::payloadChanged);
  ASSERT_EQ(reasons, expected);
  for (std::size_t i = 0; i < std::size(faults); ++i) {
    SCOPED_TRACE(faults[i].first);
    const auto& fault = host.requests[faultsFrom + 2 * i];
    const auto& recovered = host.requests[faultsFrom + 2 * i + 1];
    EXPECT_EQ(fault.entries, 1u);
    EXPECT_EQ(fault.policy, TimelineReloadPolicy::never);
    EXPECT_EQ(deadlinesWhileFaulty.at(i), std::nullopt);
    EXPECT_EQ(recovered.entries, static_cast<std::size_t>(kTimelineDays));
    EXPECT_EQ(recovered.policy, TimelineReloadPolicy::atEnd);
  }
  EXPECT_EQ(
      host.printed,
      "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n"
      "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
      "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n");
}

}  // namespace
}  // namespace rw

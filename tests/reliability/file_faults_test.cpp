// Faults around the payload file and its container, seen through the provider's requests and the host: every
// request answers and prints exactly the store's lines, and the next good file is picked up again.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "payload/payload_coding.h"
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
const Date kNow = at("2026-06-13T09:30:00Z");
constexpr std::string_view kNoContainerLines =
    "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n";
constexpr std::string_view kUndecodableLine =
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n";

// What a request reads from the store, and so how all three must answer.
enum class Read { payload, nothing, undecodable, noContainer };

RemindersWidgetPayload goodPayload() {
  return RemindersWidgetPayload{
      .events = {event("E1", at("2026-06-12T08:00:00Z")), event("E2", at("2026-06-13T15:00:00Z"), "C2"),
                 event("E3", at("2026-06-20T10:00:00Z"))},
      .persons = fixtures::persons()};
}

std::vector<std::uint8_t> bytesOf(const RemindersWidgetPayload& payload,
                                  plist::Format format = plist::Format::binary) {
  return writePayload(payload, format).value();
}

// Payloads have no equality of their own: two are the same when they encode to the same bytes.
bool same(const RemindersWidgetPayload& a, const RemindersWidgetPayload& b) {
  return bytesOf(a) == bytesOf(b);
}

class FileFaults : public ::testing::Test {
 protected:
  fs::path container() const { return directory_.path() / "container"; }
  fs::path file() const { return container() / kPayloadFileName; }
  void SetUp() override { fs::create_directory(container()), writeGood(); }
  void writeGood() const { writeFile(file(), bytesOf(goodPayload())); }

  // Every request answered once, as the store's outcome `read` asks.
  void expectAnswers(Read read, const std::string& fault) const {
    SCOPED_TRACE(fault);
    const RemindersWidgetTimelineProvider requests(WidgetEnvironment{
        .settings = settings_, .files = FileManager(container()), .clock = fixedClock(kNow)});
    std::vector<RemindersWidgetTimelineEntry> shown;  // the placeholder, then the snapshots
    std::vector<Timeline<RemindersWidgetTimelineEntry>> timelines;
    const std::string printed = capturedStdout([&] {
      shown.push_back(requests.placeholder(kLarge));
      requests.getSnapshot(kLarge, [&](RemindersWidgetTimelineEntry e) { shown.push_back(e); });
      requests.getTimeline(kLarge, [&](Timeline<RemindersWidgetTimelineEntry> t) { timelines.push_back(t); });
    });
    ASSERT_EQ(std::pair(shown.size(), timelines.size()), std::pair(std::size_t{2}, std::size_t{1}));
    const std::string lines(read == Read::undecodable   ? kUndecodableLine
                            : read == Read::noContainer ? kNoContainerLines
                                                        : "");
    EXPECT_EQ(printed, lines + lines + lines);  // placeholder, snapshot, timeline each read once
    // The payload's entries, or the sample (of new identifiers each time: its size) and an empty entry.
    const auto entries =
        read == Read::payload
            ? makeTimelineEntries(kNow, goodPayload(), kLarge, settings_)
            : std::vector{makeTimelineEntry(settings_.calendar.startOfDay(kNow), {}, {}, kLarge, settings_)};
    EXPECT_EQ(describe(timelines.front().entries), describe(entries));
    EXPECT_EQ(timelines.front().policy,
              read == Read::payload ? TimelineReloadPolicy::atEnd : TimelineReloadPolicy::never);
    for (const auto& entry : shown) {
      EXPECT_EQ(describe(entry) == describe(entries.front()), read == Read::payload);
      EXPECT_EQ(entry.reminders.size(), read == Read::payload ? entries.front().reminders.size() : 4u);
    }
  }

  rw::testing::TemporaryDirectory directory_;
  UserSettings settings_ = settingsFor("Europe/Warsaw");
};

TEST_F(FileFaults, EveryRequestAnswersAndTheNextGoodFileIsPickedUp) {
  const fs::path outside = directory_.path() / "outside";
  fs::create_directory(outside);
  writeFile(outside / "real.plist", bytesOf(goodPayload(), plist::Format::xml));
  const auto linkTo = [&](fs::path target) {
    return [&, target] { fs::remove(file()), fs::create_symlink(target, file()); };
  };
  const struct {
    const char* name;
    std::function<void()> apply;
    Read read;
  } faults[] = {
      {"removed", [&] { fs::remove(file()); }, Read::nothing},
      {"truncated to half", [&] { fs::resize_file(file(), fs::file_size(file()) / 2); }, Read::undecodable},
      {"replaced by a symlink to an endless device", linkTo("/dev/zero"), Read::nothing},
      {"replaced by a symlink to a good file elsewhere", linkTo(outside / "real.plist"), Read::payload},
      {"container removed", [&] { fs::remove_all(container()); }, Read::noContainer},
  };
  expectAnswers(Read::payload, "good file");
  for (const auto& fault : faults) {
    fault.apply();
    expectAnswers(fault.read, fault.name);
    // Recovery: the container comes back, whatever is in the file's place goes, and a good file is written.
    fs::create_directories(container());
    fs::remove_all(file());
    writeGood();
    expectAnswers(Read::payload, std::string("good file after: ") + fault.name);
  }
}

// A temporary file renamed over the old one, as the host writes, alternating between two payloads: every read
// sees one of them whole.
TEST_F(FileFaults, RewrittenByRenameIsReadWhole) {
  RemindersWidgetPayload other = goodPayload();
  other.events.pop_back();
  other.persons.at(0).nick = "Anna";
  const auto bytes = std::vector{bytesOf(goodPayload()), bytesOf(other, plist::Format::xml)};
  std::atomic<bool> done = false;
  std::thread writer([&] {
    for (int i = 0; i < 400; ++i) {
      writeFile(container() / ".reminders.plist.tmp", bytes[i % 2]);
      fs::rename(container() / ".reminders.plist.tmp", file());
    }
    done = true;
  });
  int torn = 0;
  while (!done) {
    std::optional<RemindersWidgetPayload> read;
    const std::string printed =
        capturedStdout([&] { read = payloadReadingAppGroup(FileManager(container())); });
    torn += !(read && printed.empty() && (same(*read, goodPayload()) || same(*read, other)));
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  const auto last = payloadReadingAppGroup(FileManager(container()));
  ASSERT_TRUE(last.has_value());
  EXPECT_TRUE(same(*last, other));
}

// The host with the real provider over a real container, on a fake clock and zone: through clock jumps and
// zone changes, the entry it shows is the one of the user's current day. (The host command's test takes it
// through file faults.)
struct FakeClock final : HostClock {
  Date instant;
  std::string zone;
  Date now() const override { return instant; }
  std::string timeZone() const override { return zone; }
};

using Step = std::function<HostEvent(std::optional<Date> deadline)>;

// Runs the host as the program does until `script` runs out, checking each time it waits that it shows the
// entry of the clock's day in the clock's zone from the payload in the container; the reasons it reloaded.
std::vector<ReloadReason> runHost(const fs::path& container, const FakeClock& clock,
                                  const std::vector<Step>& script) {
  struct Events final : HostEventSource {
    Step next;
    HostEvent wait(std::optional<Date> deadline) override { return next(deadline); }
  } events;
  std::size_t step = 0;
  std::optional<RemindersWidgetTimelineEntry> shown;
  std::vector<ReloadReason> reasons;
  events.next = [&](std::optional<Date> deadline) {
    SCOPED_TRACE(formatRfc3339(clock.instant) + " in " + clock.zone);
    const UserSettings settings = settingsFor(clock.zone);
    const auto payload = payloadReadingAppGroup(FileManager(container)).value();
    const Date today = settings.calendar.startOfDay(clock.instant);
    EXPECT_EQ(shown ? describe(*shown) : "nothing",
              describe(makeTimelineEntry(today, payload.events, payload.persons, kLarge, settings)));
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
            provider.getTimeline(kLarge, [&](Timeline<RemindersWidgetTimelineEntry> t) { timeline = t; });
            reasons.push_back(reason);
            return timeline;
          },
      .show = [&](const RemindersWidgetTimelineEntry& entry, std::size_t) { shown = entry; },
      .report = nullptr,
  };
  runTimelineHost(clock, events, driver);
  return reasons;
}

TEST(HostFaults, ShowsTheUsersDayThroughClockJumpsAndZoneChanges) {
  rw::testing::TemporaryDirectory directory;
  const fs::path container = directory.path() / "container";
  fs::create_directory(container);
  // Events every few days around late October 2026, when Europe/Warsaw leaves summer time.
  RemindersWidgetPayload payload{.events = {}, .persons = fixtures::persons()};
  for (int i = 0; i < 12; ++i)
    payload.events.push_back(
        event("E" + std::to_string(i), at("2026-10-20T09:00:00Z").adding(i * 262'800.0)));
  fixtures::store(container, payload);
  FakeClock clock;
  clock.instant = at("2026-10-23T21:30:00Z"), clock.zone = "Europe/Warsaw";  // 23:30 in Warsaw, summer time
  const auto jumpTo = [&](const char* instant) -> Step {
    return [&, instant](std::optional<Date>) { return clock.instant = at(instant), HostEvent::clockSet; };
  };
  const auto moveTo = [&](const char* zone) -> Step {
    return [&, zone](std::optional<Date>) { return clock.zone = zone, HostEvent::zoneChanged; };
  };
  // The clock reaches the deadline the host asked for.
  const Step reachDeadline = [&](std::optional<Date> deadline) {
    EXPECT_TRUE(deadline.has_value());
    if (deadline) clock.instant = *deadline;
    return HostEvent::deadline;
  };
  std::vector<Step> script = {
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
  script.insert(script.end(), 35, reachDeadline);  // through the next automatic request at the 31st entry
  using enum ReloadReason;
  EXPECT_EQ(runHost(container, clock, script),
            (std::vector{start, zoneChanged, zoneChanged, clockChanged, atEnd, zoneChanged, atEnd}));
}

}  // namespace
}  // namespace rw

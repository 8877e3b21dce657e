// Faults around the payload file and its container, seen through the provider's requests and the host: every
// request answers and prints exactly the store's lines, and the next good file is picked up again. And what
// reading costs when a file or the environment is hostile.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <tuple>

#include "payload/payload_coding.h"
#include "payload/store.h"
#include "platform/calendar.h"
#include "reminders/reminder_component.h"
#include "support/binary_plist.h"
#include "support/child_process.h"
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
using rw::testing::ChildRun;
using rw::testing::measuredInChild;
using rw::testing::writeFile;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};
const Date kNow = at("2026-06-13T09:30:00Z");
constexpr std::string_view kNoContainerLines =
    "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n";

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

class FileFaults : public ::testing::Test {
 protected:
  fs::path container() const { return directory_.path() / "container"; }
  fs::path file() const { return container() / kPayloadFileName; }
  void SetUp() override { fs::create_directory(container()), writeGood(); }
  void writeGood() const { writeFile(file(), bytesOf(goodPayload())); }

  // Every request answered once, each printing the store's `lines`, with the payload if the store read it.
  void expectAnswers(std::string_view lines, bool payload, const std::string& fault) const {
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
    EXPECT_EQ(printed, std::string(lines).append(lines).append(lines));  // each request reads once
    // The payload's entries, or the sample (of new identifiers each time: its size) and an empty entry.
    const auto entries =
        payload
            ? makeTimelineEntries(kNow, goodPayload(), kLarge, settings_)
            : std::vector{makeTimelineEntry(settings_.calendar.startOfDay(kNow), {}, {}, kLarge, settings_)};
    EXPECT_EQ(describe(timelines.front().entries), describe(entries));
    EXPECT_EQ(timelines.front().policy, payload ? TimelineReloadPolicy::atEnd : TimelineReloadPolicy::never);
    for (const auto& entry : shown)
      EXPECT_EQ(describe(entry) == describe(entries.front()), payload);
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
    std::string_view lines;  // what reading the store prints
    bool payload;
  } faults[] = {
      {"removed", [&] { fs::remove(file()); }, "", false},
      {"replaced by a symlink to an endless device", linkTo("/dev/zero"), "", false},
      {"replaced by a symlink to a good file elsewhere", linkTo(outside / "real.plist"), "", true},
      {"container removed", [&] { fs::remove_all(container()); }, kNoContainerLines, false},
  };
  expectAnswers("", true, "good file");
  for (const auto& fault : faults) {
    fault.apply();
    expectAnswers(fault.lines, fault.payload, fault.name);
    // Recovery: the container comes back, whatever is in the file's place goes, and a good file is written.
    fs::create_directories(container());
    fs::remove_all(file());
    writeGood();
    expectAnswers("", true, std::string("good file after: ") + fault.name);
  }
}

// A temporary file renamed over the old one, as the host writes, alternating between two payloads: every read
// sees one of them whole.
TEST_F(FileFaults, RewrittenByRenameIsReadWhole) {
  RemindersWidgetPayload other = goodPayload();
  other.events.pop_back();
  other.persons.at(0).nick = "Anna";
  // Payloads have no equality of their own: two are the same when they encode to the same bytes.
  const auto good = bytesOf(goodPayload()), otherBytes = bytesOf(other);
  const auto bytes = std::vector{good, bytesOf(other, plist::Format::xml)};
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
    torn += !(read && printed.empty() && (bytesOf(*read) == good || bytesOf(*read) == otherBytes));
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(bytesOf(payloadReadingAppGroup(FileManager(container())).value()), otherBytes);
}

// The host with the real provider over a real container, on a fake clock and zone: through clock jumps and
// zone changes, the entry it shows is the one of the user's current day. (The host command's test takes it
// through file faults.)
using HostFaults = FileFaults;

TEST_F(HostFaults, ShowsTheUsersDayThroughClockJumpsAndZoneChanges) {
  // Events every few days around late October 2026, when Europe/Warsaw leaves summer time.
  RemindersWidgetPayload payload{.events = {}, .persons = fixtures::persons()};
  for (int i = 0; i < 12; ++i)
    payload.events.push_back(
        event("E" + std::to_string(i), at("2026-10-20T09:00:00Z").adding(i * 262'800.0)));
  fixtures::store(container(), payload);
  struct FakeClock final : HostClock {
    Date instant = at("2026-10-23T21:30:00Z");  // 23:30 in Warsaw, summer time
    std::string zone = "Europe/Warsaw";
    Date now() const override { return instant; }
    std::string timeZone() const override { return zone; }
  } clock;
  // Each step: the clock reaches the deadline the host asked for, is set to an instant, or the user moves.
  using enum HostEvent;
  std::vector<std::pair<HostEvent, const char*>> script = {
      {deadline, nullptr},                 // Warsaw's midnight of the 24th
      {deadline, nullptr},                 // the 25th, a day of 25 hours
      {clockSet, "2026-10-29T06:10:00Z"},  // resumed after four days asleep
      {clockSet, "2026-10-26T22:59:59Z"},  // set back: the last second of the 26th in Warsaw
      {clockSet, "2026-10-26T23:00:00Z"},  // and on to the 27th
      {zoneChanged, "America/Sao_Paulo"},  // the user flies: the new zone's days
      {clockSet, "2026-11-02T02:59:59Z"},  // 23:59:59 in Sao Paulo
      {deadline, nullptr},                 // its midnight
      {zoneChanged, "Asia/Kathmandu"},     // a zone with a 45-minute offset
      {clockSet, "2026-10-01T12:00:00Z"},  // set back before the timeline's first day
      {clockSet, "2027-01-15T12:00:00Z"},  // forward past its last day
      {zoneChanged, "UTC"},
  };
  script.insert(script.end(), 35,
                {deadline, nullptr});  // through the next automatic request at the 31st entry
  // The host runs as the program does until the script runs out; each time it waits, it must show the entry
  // of the clock's day in the clock's zone.
  struct Events final : HostEventSource {
    std::function<HostEvent(std::optional<Date>)> next;
    HostEvent wait(std::optional<Date> until) override { return next(until); }
  } events;
  std::size_t step = 0;
  std::optional<RemindersWidgetTimelineEntry> shown;
  std::vector<ReloadReason> reasons;
  events.next = [&](std::optional<Date> until) {
    SCOPED_TRACE(formatRfc3339(clock.instant) + " in " + clock.zone);
    const UserSettings settings = settingsFor(clock.zone);
    const Date today = settings.calendar.startOfDay(clock.instant);
    EXPECT_EQ(shown ? describe(*shown) : "nothing",
              describe(makeTimelineEntry(today, payload.events, payload.persons, kLarge, settings)));
    if (step == script.size()) return terminate;
    const auto [event, value] = script[step++];
    EXPECT_TRUE(event != deadline || until.has_value());
    if (event == deadline && until) clock.instant = *until;
    if (event == clockSet) clock.instant = at(value);
    if (event == zoneChanged) clock.zone = value;
    return event;
  };
  const HostDriver driver{
      .requestTimeline =
          [&](ReloadReason reason) {
            const RemindersWidgetTimelineProvider provider(WidgetEnvironment{
                .settings = settingsFor(clock.zone), .files = FileManager(container()), .clock = [&] {
                  return clock.instant;
                }});
            Timeline<RemindersWidgetTimelineEntry> timeline;
            provider.getTimeline(kLarge, [&](auto t) { timeline = t; });
            reasons.push_back(reason);
            return timeline;
          },
      .show = [&](const RemindersWidgetTimelineEntry& entry, std::size_t) { shown = entry; },
      .report = nullptr,
  };
  runTimelineHost(clock, events, driver);
  using R = ReloadReason;
  EXPECT_EQ(reasons, (std::vector{R::start, R::zoneChanged, R::zoneChanged, R::clockChanged, R::atEnd,
                                  R::zoneChanged, R::atEnd}));
}

// What reading costs: `check` runs in a forked child, which must answer true within a deadline and whose
// peak memory (getrusage) must stay below `bound`.
constexpr std::int64_t kMiB = 1 << 20;
void expectInChild(const std::function<bool()>& check, std::int64_t bound) {
  const ChildRun run = measuredInChild(check);
  EXPECT_TRUE(run.finished && run.passed);
  EXPECT_LT(run.peakBytes, bound);
}

// The system's zone under a root holding three zones of the database, and an alias as a link.
TEST(SystemZone, FoundByLinkByNameOrByTheContentOfACopyNeverWaitingOrReadingMuch) {
  if (!fs::exists("/usr/share/zoneinfo/Asia/Tokyo")) GTEST_SKIP() << "no zone database installed";
  rw::testing::TemporaryDirectory dir;
  const fs::path root = dir.path(), zoneinfo = root / "usr/share/zoneinfo";
  fs::create_directories(root / "etc");
  for (const char* zone : {"Asia/Tokyo", "Europe/Warsaw", "America/Sao_Paulo"}) {
    fs::create_directories((zoneinfo / zone).parent_path());
    fs::copy_file(fs::path("/usr/share/zoneinfo") / zone, zoneinfo / zone);
  }
  fs::create_symlink("Asia/Tokyo", zoneinfo / "Japan");
  EXPECT_EQ(systemTimeZone(root), std::nullopt);
  // A copied /etc/localtime: the zone whose file it equals, by its region name even where an old name is too.
  fs::copy_file(zoneinfo / "Asia/Tokyo", root / "etc/localtime");
  EXPECT_EQ(systemTimeZone(root), "Asia/Tokyo");
  fs::copy_file(zoneinfo / "Asia/Tokyo", zoneinfo / "ACST");
  EXPECT_EQ(systemTimeZone(root), "Asia/Tokyo");
  // /etc/timezone is read before a copy is looked for; a name that leaves the zone directory is none.
  writeFile(root / "etc/timezone", "  Europe/Warsaw \nignored\n");
  EXPECT_EQ(systemTimeZone(root), "Europe/Warsaw");
  writeFile(root / "etc/timezone", "../../../etc/passwd\n");
  EXPECT_EQ(systemTimeZone(root), "Asia/Tokyo");
  // A link names its zone, before a stale /etc/timezone.
  writeFile(root / "etc/timezone", "Europe/Warsaw\n");
  fs::remove(root / "etc/localtime");
  fs::create_symlink("../usr/share/zoneinfo/America/Sao_Paulo", root / "etc/localtime");
  EXPECT_EQ(systemTimeZone(root), "America/Sao_Paulo");
  // A copy of no zone of the database, or no zone file at all.
  fs::remove(root / "etc/localtime");
  fs::remove(root / "etc/timezone");
  auto changed = rw::testing::readFile(zoneinfo / "Europe/Warsaw");
  changed.back() ^= 1;
  writeFile(root / "etc/localtime", changed);
  EXPECT_EQ(systemTimeZone(root), std::nullopt);
  writeFile(root / "etc/localtime", "Asia/Tokyo\n");
  EXPECT_EQ(systemTimeZone(root), std::nullopt);
  // Both names as a fifo, as an endless file behind a link, and as a file far larger than any name or zone.
  for (const std::string kind : {"fifo", "/dev/zero", "large"}) {
    SCOPED_TRACE(kind);
    for (const fs::path& name : {root / "etc/timezone", root / "etc/localtime"}) {
      fs::remove(name);
      EXPECT_TRUE(kind != "fifo" || ::mkfifo(name.c_str(), 0644) == 0);
      if (kind == "large") writeFile(name, std::string(64 * kMiB, 'A'));
      if (kind == "/dev/zero") fs::create_symlink(kind, name);
    }
    expectInChild([&] { return !systemTimeZone(root).has_value(); }, 4 * kMiB);
  }
}

TEST(BinaryPayloadBounds, ACountTheFileCannotBackCommitsNothingForIt) {
  if (!rw::testing::kPeakMemoryIsTheCodes) GTEST_SKIP() << "peak memory includes the sanitizer's own";
  // A binary payload {events: [n one-byte references to object `target`], persons: []}. References past the
  // objects are refused at the first; references to the last object, one `true`, cost 64 bytes a byte.
  for (const auto& [n, target, budget] :
       {std::tuple<std::uint32_t, std::uint8_t, std::int64_t>{4'000'000, 200, 2}, {2'000'000, 5, 64}}) {
    using namespace rw::testing;
    const auto file =
        fileOf({container(0xD, {1, 2, 3, 4}, 1), text(u"events"), text(u"persons"),
                container(0xA, std::vector<std::uint64_t>(n, target), 1), container(0xA, {}, 1), Bytes{0x09}},
               1, 4);
    SCOPED_TRACE(int(target));
    expectInChild([&] { return !decodePayload(std::span(file)).has_value(); }, budget * n + 16 * kMiB);
  }
}

TEST(XmlPayloadBounds, ValuesOfUnknownKeysAreCheckedButNotKept) {
  const auto xml =
      bytesOf({.events = {event("E1", at("2026-12-06T10:00:00Z"))}, .persons = fixtures::persons()},
              plist::Format::xml);
  // `extra` under an unknown key of the payload, of an event and of a person.
  const auto with = [&](const std::string& extra) {
    std::string text(xml.begin(), xml.end());
    text.insert(text.find("<dict>") + 6, "<key>later</key>" + extra);
    text.insert(text.find("<key>identifier</key>"), "<key>x</key>" + extra);
    text.insert(text.rfind("<key>nick</key>"), "<key>y</key>" + extra);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  // Values under unknown keys are not kept, but still read: a bad value anywhere refuses the file.
  for (const char* bad :
       {"<integer>x</integer>", "<array><dict><key>a</key></dict></array>", "<date>soon</date>"})
    EXPECT_FALSE(decodePayload(std::span<const std::uint8_t>(with(bad))).has_value()) << bad;
  // A million values under each unknown key cost what reading them once does.
  std::string many = "<array>";
  for (int i = 0; i < (1 << 20); ++i)
    many += "<true/>";
  const auto large = with(many + "</array>");
  many = std::string();
  expectInChild(
      [&] {
        const auto read = decodePayload(std::span(large));
        return read.has_value() && read->events.size() == 1;
      },
      2 * std::int64_t(large.size()) + 16 * kMiB);
}

TEST(ShownTexts, CutOnACharacterBoundaryAfterTheLimitAtTheCostOfOneCut) {
  const std::string fits(kMaxShownCodePoints, 'a'), before(kMaxShownCodePoints - 1, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {fits, fits},
      {fits + "é", fits},  // counted in code points, not bytes
      {"é" + fits, "é" + fits.substr(1)},
      {before + "e\u0301\u0301xyz", before},         // a letter keeps its marks: the cut moves before it
      {before + "\U0001F1F5\U0001F1F1xyz", before},  // a flag is one cluster of two code points
      // Ill-formed bytes count one each and are never split from the text around them.
      {std::string(kMaxShownCodePoints + 10, '\xff'), std::string(kMaxShownCodePoints, '\xff')},
  };
  for (const auto& [text, shown] : cases)
    EXPECT_EQ(shownOnOneLine(text), shown) << text.size();
  // A 48 MB title, amount and notes: each of the 31 entries shows the cut, and no copy of the whole.
  const std::string huge(48 * kMiB, 'x');
  WidgetEventPayload e = event("E1", at("2026-12-06T10:00:00Z"));
  e.title = e.dueAmountText = e.notes = CompactText(std::string_view(huge));
  const RemindersWidgetPayload payload{.events = {e}, .persons = fixtures::persons()};
  const auto settings = settingsFor("Europe/Warsaw");
  expectInChild(
      [&] {
        const auto entries =
            makeTimelineEntries(at("2026-12-06T08:00:00Z"), payload, TimelineProviderContext{}, settings);
        bool cut = entries.size() == kTimelineDays;
        for (const auto& entry : entries)
          for (const auto& r : entry.reminders)
            for (const std::size_t size : {r.title.size(), r.dueAmountText.size(), r.notes.size()})
              cut = cut && size == kMaxShownCodePoints;
        return cut;
      },
      8 * kMiB);
}

TEST(ShownTexts, AnEventNamingThousandsOfPersonsLabelsAsManyAsARowShows) {
  std::vector<std::string> names(40'000);
  std::vector<WidgetPersonPayload> persons;
  for (std::size_t i = 0; i < names.size(); ++i) {
    names[i] = "P" + std::to_string(i);
    persons.push_back({.identifier = names[i], .type = CustodyPersonType::child, .nick = names[i]});
  }
  WidgetEventPayload e = event("E1", at("2026-12-06T10:00:00Z"), "P39999");
  e.beneficiaries = rw::testing::keptList(std::vector<std::string_view>(names.rbegin(), names.rend()));
  // As many labels as a row shows: the caregiver first, then the persons in the persons list's order.
  const auto labels = ReminderTemplate(e, persons)
                          .shownOn(at("2026-12-06T08:00:00Z"), settingsFor("UTC"))
                          .value()
                          .personsLabels;
  ASSERT_EQ(labels.size(), kMaxPersonLabels);
  EXPECT_EQ(std::tuple(labels[0].identifier, labels[1].identifier, labels.back().identifier),
            std::tuple("P39999", "P0", "P" + std::to_string(kMaxPersonLabels - 2)));
}

}  // namespace
}  // namespace rw

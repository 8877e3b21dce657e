// What reading costs when a file or the environment is hostile: each case runs in a forked child, which must
// finish within a deadline and whose peak memory (getrusage) must stay within the bound the reader keeps.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "payload/payload_coding.h"
#include "platform/calendar.h"
#include "reminders/reminder_component.h"
#include "support/child_process.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/provider.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using fixtures::settingsFor;
using rw::testing::ChildRun;
using rw::testing::TemporaryDirectory;
using rw::testing::writeFile;

constexpr std::int64_t kMiB = 1 << 20;

// What `body` adds to a child's peak, recorded with the test's results.
ChildRun measured(const std::function<bool()>& body) {
  const ChildRun run = rw::testing::measuredInChild(body);
  ::testing::Test::RecordProperty("added_peak_kib", std::to_string(run.peakBytes / 1024));
  return run;
}

struct ZoneRoot {
  TemporaryDirectory dir;
  fs::path root = dir.path();
  fs::path zoneinfo = root / "usr/share/zoneinfo";

  ZoneRoot() {
    fs::create_directories(root / "etc");
    for (const char* zone : {"Asia/Tokyo", "Europe/Warsaw", "America/Sao_Paulo"}) {
      fs::create_directories((zoneinfo / zone).parent_path());
      fs::copy_file(fs::path("/usr/share/zoneinfo") / zone, zoneinfo / zone);
    }
    fs::create_symlink("Asia/Tokyo", zoneinfo / "Japan");  // aliases are links
  }
};

#define SKIP_WITHOUT_ZONES() \
  if (!fs::exists("/usr/share/zoneinfo/Asia/Tokyo")) GTEST_SKIP() << "no zone database installed"

TEST(SystemZone, FoundByLinkByNameOrByTheContentOfACopy) {
  SKIP_WITHOUT_ZONES();
  ZoneRoot z;
  // Nothing at all: no zone.
  EXPECT_EQ(systemTimeZone(z.root), std::nullopt);

  // A copied /etc/localtime, as containers make: the zone whose file it equals, by its region name even
  // where an old name is a copy too.
  fs::copy_file(z.zoneinfo / "Asia/Tokyo", z.root / "etc/localtime");
  EXPECT_EQ(systemTimeZone(z.root), "Asia/Tokyo");
  fs::copy_file(z.zoneinfo / "Asia/Tokyo", z.zoneinfo / "ACST");
  EXPECT_EQ(systemTimeZone(z.root), "Asia/Tokyo");

  // /etc/timezone is read before a copy is looked for; a name that leaves the zone directory is none.
  writeFile(z.root / "etc/timezone", "  Europe/Warsaw \nignored\n");
  EXPECT_EQ(systemTimeZone(z.root), "Europe/Warsaw");
  writeFile(z.root / "etc/timezone", "../../../etc/passwd\n");
  EXPECT_EQ(systemTimeZone(z.root), "Asia/Tokyo");

  // A link names its zone, before a stale /etc/timezone.
  writeFile(z.root / "etc/timezone", "Europe/Warsaw\n");
  fs::remove(z.root / "etc/localtime");
  fs::create_symlink("../usr/share/zoneinfo/America/Sao_Paulo", z.root / "etc/localtime");
  EXPECT_EQ(systemTimeZone(z.root), "America/Sao_Paulo");

  // A copy of no zone of the database, or no zone file at all.
  fs::remove(z.root / "etc/localtime");
  fs::remove(z.root / "etc/timezone");
  auto changed = rw::testing::readFile(z.zoneinfo / "Europe/Warsaw");
  changed.back() ^= 1;
  writeFile(z.root / "etc/localtime", changed);
  EXPECT_EQ(systemTimeZone(z.root), std::nullopt);
  writeFile(z.root / "etc/localtime", "Asia/Tokyo\n");
  EXPECT_EQ(systemTimeZone(z.root), std::nullopt);
}

TEST(SystemZone, NeverWaitsOnAFifoAndReadsAtMostAFewKilobytes) {
  SKIP_WITHOUT_ZONES();
  ZoneRoot z;
  const auto noZone = [&] { return !systemTimeZone(z.root).has_value(); };
  // Both names as a fifo, as an endless file behind a link, and as a file far larger than any name or zone.
  for (const char* kind : {"fifo", "/dev/zero", "large"}) {
    SCOPED_TRACE(kind);
    for (const char* name : {"etc/timezone", "etc/localtime"}) {
      fs::remove(z.root / name);
      if (kind == std::string("fifo")) {
        ASSERT_EQ(::mkfifo((z.root / name).c_str(), 0644), 0);
      } else if (kind == std::string("large")) {
        writeFile(z.root / name, std::string(64 * kMiB, 'A'));
      } else {
        fs::create_symlink(kind, z.root / name);
      }
    }
    const ChildRun run = measured(noZone);
    EXPECT_TRUE(run.finished && run.passed);
    EXPECT_LT(run.peakBytes, 4 * kMiB);
  }
}

// A binary payload {events: [n references to object `target`], persons: []}, each reference one byte.
std::vector<std::uint8_t> declaringEvents(std::uint32_t n, std::uint8_t target) {
  std::vector<std::uint8_t> b{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<std::uint32_t> offsets;
  const auto object = [&](std::initializer_list<std::uint8_t> bytes) {
    offsets.push_back(static_cast<std::uint32_t>(b.size()));
    b.insert(b.end(), bytes);
  };
  object({0xD2, 1, 2, 3, 4});                         // 0: the top dictionary
  object({0x56, 'e', 'v', 'e', 'n', 't', 's'});       // 1
  object({0x57, 'p', 'e', 'r', 's', 'o', 'n', 's'});  // 2
  object({0xAF, 0x12, static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
          static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});  // 3: the events array
  b.insert(b.end(), n, target);
  object({0xA0});  // 4: no persons
  object({0x09});  // 5: true
  const auto table = static_cast<std::uint64_t>(b.size());
  for (const std::uint32_t offset : offsets)
    for (int shift = 24; shift >= 0; shift -= 8)
      b.push_back(static_cast<std::uint8_t>(offset >> shift));
  const auto big = [&](std::uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8)
      b.push_back(static_cast<std::uint8_t>(value >> shift));
  };
  b.insert(b.end(), {0, 0, 0, 0, 0, 0, 4, 1});  // offsets of 4 bytes, references of 1
  big(offsets.size());
  big(0);
  big(table);
  return b;
}

TEST(BinaryPayloadBounds, ACountTheFileCannotBackCommitsNothingForIt) {
  if (!rw::testing::kPeakMemoryIsTheCodes) GTEST_SKIP() << "peak memory includes the sanitizer's own";
  // References past the objects are refused at the first: the file's copy and a few MiB of the reader's own.
  // References all naming one `true` build a tree within the budget of 64 bytes a byte of file, but no
  // events that cannot be.
  for (const auto& [n, target, budget] :
       {std::tuple<std::uint32_t, std::uint8_t, std::int64_t>{4'000'000, 200, 2}, {2'000'000, 5, 64}}) {
    const auto file = declaringEvents(n, target);
    const ChildRun refused = measured([&] { return !decodePayload(std::span(file)).has_value(); });
    EXPECT_TRUE(refused.passed) << int(target);
    EXPECT_LT(refused.peakBytes, budget * n + 16 * kMiB) << int(target);
  }
}

TEST(XmlPayloadBounds, ValuesOfUnknownKeysAreCheckedButNotKept) {
  RemindersWidgetPayload payload;
  payload.persons = fixtures::persons();
  payload.events = {event("E1", at("2026-12-06T10:00:00Z"))};
  const auto written = writePayload(payload, plist::Format::xml);
  ASSERT_TRUE(written.has_value());
  const std::string xml(written->begin(), written->end());
  // `extra` under an unknown key of the payload, of an event, of a person and of an event's URL.
  const auto with = [&](const std::string& extra) {
    std::string text = xml;
    const auto top = text.find("<dict>") + 6;
    text.insert(top, "<key>later</key>" + extra);
    const auto eventAt = text.find("<key>identifier</key>");
    text.insert(eventAt, "<key>x</key>" + extra);
    const auto personAt = text.rfind("<key>nick</key>");
    text.insert(personAt, "<key>y</key>" + extra);
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  const auto same = decodePayload(std::span<const std::uint8_t>(
      with("<array><dict><key>a</key><true/></dict><string>s</string></array>")));
  ASSERT_TRUE(same.has_value()) << same.error().reason;
  EXPECT_EQ(same->events, payload.events);
  EXPECT_EQ(same->persons, payload.persons);
  // What is not kept is still read as a property list: a bad value anywhere refuses the file.
  for (const char* bad :
       {"<integer>x</integer>", "<array><dict><key>a</key></dict></array>", "<date>soon</date>"})
    EXPECT_FALSE(decodePayload(std::span<const std::uint8_t>(with(bad))).has_value()) << bad;

  // Three million values under unknown keys cost what reading them once does.
  std::string many = "<array>";
  for (int i = 0; i < (1 << 20); ++i)
    many += "<true/>";
  many += "</array>";
  const auto large = with(many);
  many.clear();
  many.shrink_to_fit();
  const ChildRun run = measured([&] {
    const auto read = decodePayload(std::span(large));
    return read.has_value() && read->events.size() == 1;
  });
  EXPECT_TRUE(run.passed);
  EXPECT_LT(run.peakBytes, 2 * std::int64_t(large.size()) + 16 * kMiB);
}

TEST(ShownTexts, CutOnACharacterBoundaryAfterTheLimit) {
  EXPECT_EQ(shownOnOneLine(""), "");
  const std::string fits(kMaxShownCodePoints, 'a');
  EXPECT_EQ(shownOnOneLine(fits), fits);
  EXPECT_EQ(shownOnOneLine(fits + "b"), fits);

  // Counted in code points, not bytes.
  EXPECT_EQ(shownOnOneLine(fits + "\u00e9").size(), kMaxShownCodePoints);
  EXPECT_EQ(shownOnOneLine("\u00e9" + fits).size(), kMaxShownCodePoints + 1);

  // A letter keeps its marks: a cut between them moves before the letter.
  const std::string before(kMaxShownCodePoints - 1, 'a');
  EXPECT_EQ(shownOnOneLine(before + "e\u0301\u0301xyz"), before);
  // A flag is one cluster of two code points.
  EXPECT_EQ(shownOnOneLine(before + "\U0001F1F5\U0001F1F1xyz"), before);

  // Ill-formed bytes count one each and are never split from the text around them.
  const std::string bad(kMaxShownCodePoints + 10, '\xff');
  EXPECT_EQ(shownOnOneLine(bad).size(), kMaxShownCodePoints);
}

TEST(ShownTexts, AHugeTitleCostsTheTimelineOneCut) {
  // A 48 MB title, amount and notes: each of the 31 entries shows the cut, and the timeline holds no
  // copy of the whole.
  const std::string title(48 * kMiB, 'x');
  RemindersWidgetPayload payload;
  payload.persons = fixtures::persons();
  WidgetEventPayload e = event("E1", at("2026-12-06T10:00:00Z"));
  e.title = CompactText(std::string_view(title));
  e.dueAmountText = CompactText(std::string_view(title));
  e.notes = CompactText(std::string_view(title));
  payload.events = {e};
  const auto settings = settingsFor("Europe/Warsaw");
  const ChildRun run = measured([&] {
    const auto entries =
        makeTimelineEntries(at("2026-12-06T08:00:00Z"), payload, TimelineProviderContext{}, settings);
    bool cut = entries.size() == kTimelineDays;
    for (const auto& entry : entries)
      for (const auto& reminder : entry.reminders)
        cut = cut && reminder.title.size() == kMaxShownCodePoints &&
              reminder.dueAmountText.size() == kMaxShownCodePoints &&
              reminder.notes.size() == kMaxShownCodePoints;
    return cut;
  });
  EXPECT_TRUE(run.passed);
  EXPECT_LT(run.peakBytes, 8 * kMiB);
}

TEST(ShownTexts, AnEventNamingThousandsOfPersonsLabelsAsManyAsARowShows) {
  std::vector<std::string> names;
  for (int i = 0; i < 40'000; ++i)
    names.push_back("P" + std::to_string(i));
  std::vector<WidgetPersonPayload> persons;
  for (const auto& name : names)
    persons.push_back({.identifier = name, .type = CustodyPersonType::child, .nick = name});
  WidgetEventPayload e = event("E1", at("2026-12-06T10:00:00Z"), "P39999");
  std::vector<std::string_view> named(names.rbegin(), names.rend());  // in the opposite order
  e.beneficiaries = rw::testing::keptList(named);
  const auto reminder = ReminderTemplate(e, persons).shownOn(at("2026-12-06T08:00:00Z"), settingsFor("UTC"));
  ASSERT_TRUE(reminder.has_value());
  ASSERT_EQ(reminder->personsLabels.size(), kMaxPersonLabels);
  // The caregiver first, then the persons in the persons list's order.
  EXPECT_EQ(reminder->personsLabels[0].identifier, "P39999");
  EXPECT_EQ(reminder->personsLabels[1].identifier, "P0");
  EXPECT_EQ(reminder->personsLabels.back().identifier, "P" + std::to_string(kMaxPersonLabels - 2));
}

}  // namespace
}  // namespace rw

// What reading costs when a file or the environment is hostile: each case runs in a forked child, which must
// finish within a deadline and whose peak memory (getrusage) must stay within the bound the reader keeps.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "payload/payload_coding.h"
#include "platform/calendar.h"
#include "reminders/reminder_component.h"
#include "support/binary_plist.h"
#include "support/child_process.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/provider.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using rw::testing::ChildRun;
using rw::testing::measuredInChild;
using rw::testing::writeFile;

constexpr std::int64_t kMiB = 1 << 20;

// A root holding three zones of the system's database, and an alias as a link.
struct ZoneRoot {
  rw::testing::TemporaryDirectory dir;
  fs::path root = dir.path(), zoneinfo = root / "usr/share/zoneinfo";
  ZoneRoot() {
    fs::create_directories(root / "etc");
    for (const char* zone : {"Asia/Tokyo", "Europe/Warsaw", "America/Sao_Paulo"}) {
      fs::create_directories((zoneinfo / zone).parent_path());
      fs::copy_file(fs::path("/usr/share/zoneinfo") / zone, zoneinfo / zone);
    }
    fs::create_symlink("Asia/Tokyo", zoneinfo / "Japan");
  }
};

#define SKIP_WITHOUT_ZONES() \
  if (!fs::exists("/usr/share/zoneinfo/Asia/Tokyo")) GTEST_SKIP() << "no zone database installed"

TEST(SystemZone, FoundByLinkByNameOrByTheContentOfACopy) {
  SKIP_WITHOUT_ZONES();
  ZoneRoot z;
  EXPECT_EQ(systemTimeZone(z.root), std::nullopt);
  // A copied /etc/localtime: the zone whose file it equals, by its region name even where an old name is too.
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
  // Both names as a fifo, as an endless file behind a link, and as a file far larger than any name or zone.
  for (const std::string kind : {"fifo", "/dev/zero", "large"}) {
    SCOPED_TRACE(kind);
    for (const char* name : {"etc/timezone", "etc/localtime"}) {
      fs::remove(z.root / name);
      if (kind == "fifo") {
        ASSERT_EQ(::mkfifo((z.root / name).c_str(), 0644), 0);
      } else if (kind == "large") {
        writeFile(z.root / name, std::string(64 * kMiB, 'A'));
      } else {
        fs::create_symlink(kind, z.root / name);
      }
    }
    const ChildRun run = measuredInChild([&] { return !systemTimeZone(z.root).has_value(); });
    EXPECT_TRUE(run.finished && run.passed);
    EXPECT_LT(run.peakBytes, 4 * kMiB);
  }
}

// A binary payload {events: [n references to object `target`], persons: []}, each reference one byte.
std::vector<std::uint8_t> declaringEvents(std::uint32_t n, std::uint8_t target) {
  using namespace rw::testing;
  return fileOf({container(0xD, {1, 2, 3, 4}, 1), text(u"events"), text(u"persons"),
                 container(0xA, std::vector<std::uint64_t>(n, target), 1), container(0xA, {}, 1),
                 Bytes{0x09}},  // the last one `true`
                1, 4);
}

TEST(BinaryPayloadBounds, ACountTheFileCannotBackCommitsNothingForIt) {
  if (!rw::testing::kPeakMemoryIsTheCodes) GTEST_SKIP() << "peak memory includes the sanitizer's own";
  // References past the objects are refused at the first; references to one `true` cost 64 bytes a byte.
  for (const auto& [n, target, budget] :
       {std::tuple<std::uint32_t, std::uint8_t, std::int64_t>{4'000'000, 200, 2}, {2'000'000, 5, 64}}) {
    const auto file = declaringEvents(n, target);
    const ChildRun refused = measuredInChild([&] { return !decodePayload(std::span(file)).has_value(); });
    EXPECT_TRUE(refused.passed) << int(target);
    EXPECT_LT(refused.peakBytes, budget * n + 16 * kMiB) << int(target);
  }
}

TEST(XmlPayloadBounds, ValuesOfUnknownKeysAreCheckedButNotKept) {
  const RemindersWidgetPayload payload{.events = {event("E1", at("2026-12-06T10:00:00Z"))},
                                       .persons = fixtures::persons()};
  const auto written = writePayload(payload, plist::Format::xml);
  ASSERT_TRUE(written.has_value());
  // `extra` under an unknown key of the payload, of an event and of a person.
  const auto with = [xml = std::string(written->begin(), written->end())](const std::string& extra) {
    std::string text = xml;
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
  const ChildRun run = measuredInChild([&] {
    const auto read = decodePayload(std::span(large));
    return read.has_value() && read->events.size() == 1;
  });
  EXPECT_TRUE(run.passed);
  EXPECT_LT(run.peakBytes, 2 * std::int64_t(large.size()) + 16 * kMiB);
}

TEST(ShownTexts, CutOnACharacterBoundaryAfterTheLimit) {
  const std::string fits(kMaxShownCodePoints, 'a'), before(kMaxShownCodePoints - 1, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {fits, fits},
      {fits + "b", fits},
      {fits + "é", fits},  // counted in code points, not bytes
      {"é" + fits, "é" + fits.substr(1)},
      {before + "e\u0301\u0301xyz", before},         // a letter keeps its marks: the cut moves before it
      {before + "\U0001F1F5\U0001F1F1xyz", before},  // a flag is one cluster of two code points
      // Ill-formed bytes count one each and are never split from the text around them.
      {std::string(kMaxShownCodePoints + 10, '\xff'), std::string(kMaxShownCodePoints, '\xff')},
  };
  for (const auto& [text, shown] : cases)
    EXPECT_EQ(shownOnOneLine(text), shown) << text.size();
}

TEST(ShownTexts, AHugeTextCostsTheTimelineOneCut) {
  // A 48 MB title, amount and notes: each of the 31 entries shows the cut, and no copy of the whole.
  const std::string huge(48 * kMiB, 'x');
  WidgetEventPayload e = event("E1", at("2026-12-06T10:00:00Z"));
  e.title = e.dueAmountText = e.notes = CompactText(std::string_view(huge));
  const RemindersWidgetPayload payload{.events = {e}, .persons = fixtures::persons()};
  const auto settings = fixtures::settingsFor("Europe/Warsaw");
  const ChildRun run = measuredInChild([&] {
    const auto entries =
        makeTimelineEntries(at("2026-12-06T08:00:00Z"), payload, TimelineProviderContext{}, settings);
    bool cut = entries.size() == kTimelineDays;
    for (const auto& entry : entries)
      for (const auto& r : entry.reminders)
        cut = cut && r.title.size() == kMaxShownCodePoints && r.dueAmountText.size() == kMaxShownCodePoints &&
              r.notes.size() == kMaxShownCodePoints;
    return cut;
  });
  EXPECT_TRUE(run.passed);
  EXPECT_LT(run.peakBytes, 8 * kMiB);
}

TEST(ShownTexts, AnEventNamingThousandsOfPersonsLabelsAsManyAsARowShows) {
  std::vector<std::string> names;
  std::vector<WidgetPersonPayload> persons;
  for (int i = 0; i < 40'000; ++i)
    names.push_back("P" + std::to_string(i));
  for (const auto& name : names)
    persons.push_back({.identifier = name, .type = CustodyPersonType::child, .nick = name});
  WidgetEventPayload e = event("E1", at("2026-12-06T10:00:00Z"), "P39999");
  e.beneficiaries = rw::testing::keptList(std::vector<std::string_view>(names.rbegin(), names.rend()));
  const auto reminder =
      ReminderTemplate(e, persons).shownOn(at("2026-12-06T08:00:00Z"), fixtures::settingsFor("UTC"));
  ASSERT_TRUE(reminder.has_value());
  ASSERT_EQ(reminder->personsLabels.size(), kMaxPersonLabels);
  // The caregiver first, then the persons in the persons list's order, not the event's.
  EXPECT_EQ(reminder->personsLabels[0].identifier, "P39999");
  EXPECT_EQ(reminder->personsLabels[1].identifier, "P0");
  EXPECT_EQ(reminder->personsLabels.back().identifier, "P" + std::to_string(kMaxPersonLabels - 2));
}

}  // namespace
}  // namespace rw

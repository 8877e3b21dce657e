// The three requests: which payload they use, how many entries they answer, and their fallbacks.
#include "widget/provider.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/sample_payload.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::event;
using fixtures::identifiers;
using fixtures::persons;
using fixtures::settingsFor;
using rw::testing::capturedStdout;
using rw::testing::TemporaryDirectory;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};  // 6 rows

constexpr const char* kNoContainer =
    "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n";
constexpr const char* kUndecodable =
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n";

struct Requests {
  RemindersWidgetTimelineProvider provider;
  RemindersWidgetTimelineEntry placeholder() const { return provider.placeholder(kLarge); }
  RemindersWidgetTimelineEntry snapshot() const {
    std::vector<RemindersWidgetTimelineEntry> answers;
    provider.getSnapshot(kLarge,
                         [&](RemindersWidgetTimelineEntry entry) { answers.push_back(std::move(entry)); });
    EXPECT_EQ(answers.size(), 1u);  // exactly once, before returning
    return answers.empty() ? RemindersWidgetTimelineEntry{} : answers.front();
  }
  Timeline<RemindersWidgetTimelineEntry> timeline() const {
    std::vector<Timeline<RemindersWidgetTimelineEntry>> answers;
    provider.getTimeline(kLarge,
                         [&](Timeline<RemindersWidgetTimelineEntry> t) { answers.push_back(std::move(t)); });
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? Timeline<RemindersWidgetTimelineEntry>{} : answers.front();
  }
};

Requests requestsIn(const std::filesystem::path& container, Date now, std::string_view zone = "UTC",
                    std::string_view locale = "en_US") {
  return Requests{RemindersWidgetTimelineProvider(WidgetEnvironment{
      .settings = settingsFor(zone, locale), .files = FileManager(container), .clock = fixedClock(now)})};
}

RemindersWidgetPayload payloadWith(EventRecords events) {
  return RemindersWidgetPayload{.events = std::move(events), .persons = persons()};
}

TEST(Timeline, ThirtyOneEntriesAtTheStartsOfConsecutiveCalendarDays) {
  const struct {
    const char* zone;
    const char* now;
    const char* firstDay;
    int index;             // an entry whose date is checked by hand
    const char* dayStart;  // its date
    const char* lastDay;
  } cases[] = {
      {"UTC", "2026-12-06T18:30:00Z", "2026-12-06T00:00:00Z", 26, "2027-01-01T00:00:00Z",
       "2027-01-05T00:00:00Z"},
      {"America/Sao_Paulo", "2018-10-20T23:59:59-03:00", "2018-10-20T00:00:00-03:00", 15,
       "2018-11-04T01:00:00-02:00", "2018-11-19T00:00:00-02:00"},
      {"America/New_York", "2026-10-25T00:00:00-04:00", "2026-10-25T00:00:00-04:00", 8,
       "2026-11-02T00:00:00-05:00", "2026-11-24T00:00:00-05:00"},
      {"Australia/Lord_Howe", "2026-09-30T07:00:00+10:30", "2026-09-30T00:00:00+10:30", 5,
       "2026-10-05T00:00:00+11:00", "2026-10-30T00:00:00+11:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zone);
    TemporaryDirectory container;
    fixtures::store(container.path(), payloadWith({event("e", at(c.now))}));
    const auto timeline = requestsIn(container.path(), at(c.now), c.zone).timeline();
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::atEnd);
    ASSERT_EQ(timeline.entries.size(), 31u);
    EXPECT_EQ(timeline.entries.front().date, at(c.firstDay));
    EXPECT_EQ(timeline.entries[c.index].date, at(c.dayStart));
    EXPECT_EQ(timeline.entries.back().date, at(c.lastDay));
    const UserSettings settings = settingsFor(c.zone);
    for (std::size_t i = 1; i < timeline.entries.size(); ++i) {
      const Date date = timeline.entries[i].date;
      EXPECT_EQ(settings.calendar.startOfDay(date), date);
      EXPECT_EQ(settings.calendar.startOfDay(timeline.entries[i - 1].date, 1), date) << i;
    }
  }
}

TEST(Timeline, EachEntryCountsAgainstItsOwnDay) {
  const Date now = at("2026-12-06T10:00:00+01:00");
  TemporaryDirectory container;
  fixtures::store(container.path(), payloadWith({event("today", at("2026-12-06T20:00:00+01:00")),
                                                 event("in-two-days", at("2026-12-08T08:00:00+01:00")),
                                                 event("later", at("2027-02-01T08:00:00+01:00"))}));
  const auto timeline = requestsIn(container.path(), now, "Europe/Berlin", "de_DE").timeline();
  ASSERT_EQ(timeline.entries.size(), 31u);
  const auto counts = [&](std::size_t i) {
    return std::pair{timeline.entries[i].overdueCount, timeline.entries[i].todayCount};
  };
  EXPECT_EQ(counts(0), std::pair(std::int64_t{0}, std::int64_t{1}));
  EXPECT_EQ(counts(1), std::pair(std::int64_t{1}, std::int64_t{0}));
  EXPECT_EQ(counts(2), std::pair(std::int64_t{1}, std::int64_t{1}));
  EXPECT_EQ(counts(30), std::pair(std::int64_t{2}, std::int64_t{0}));
  using Style = WidgetTimelineReminderComponent::DueStyle;
  EXPECT_EQ(timeline.entries[0].reminders[0].dueStyle, Style::today);
  EXPECT_EQ(timeline.entries[1].reminders[0].dueStyle, Style::overdue);
  for (const auto& entry : timeline.entries)
    EXPECT_EQ(identifiers(entry), (std::vector<std::string>{"today", "in-two-days", "later"}));
}

TEST(Timeline, AStoredPayloadWithoutEventsGivesThirtyOneEmptyEntries) {
  TemporaryDirectory container;
  fixtures::store(container.path(), payloadWith({}));
  const auto timeline = requestsIn(container.path(), at("2026-12-06T10:00:00Z")).timeline();
  EXPECT_EQ(timeline.policy, TimelineReloadPolicy::atEnd);
  ASSERT_EQ(timeline.entries.size(), 31u);
  for (const auto& entry : timeline.entries) {
    EXPECT_EQ(entry.overdueCount, 0);
    EXPECT_EQ(entry.todayCount, 0);
    EXPECT_TRUE(entry.reminders.empty());
  }
}

TEST(Timeline, NoReadablePayloadGivesOneEmptyEntryThatIsNeverReloaded) {
  const Date now = at("2026-12-06T10:00:00-05:00");
  TemporaryDirectory root;
  const auto emptyContainer = root.path() / "empty";
  const auto garbled = root.path() / "garbled";
  std::filesystem::create_directories(emptyContainer);
  std::filesystem::create_directories(garbled);
  rw::testing::writeFile(garbled / "reminders.plist", std::string_view("this is not a property list"));
  const struct {
    std::filesystem::path container;
    std::string printed;
  } cases[] = {
      {root.path() / "missing", kNoContainer},
      {emptyContainer, ""},
      {garbled, kUndecodable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.container.filename().string());
    Timeline<RemindersWidgetTimelineEntry> timeline;
    const auto printed =
        capturedStdout([&] { timeline = requestsIn(c.container, now, "America/New_York").timeline(); });
    EXPECT_EQ(printed, c.printed);
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::never);
    ASSERT_EQ(timeline.entries.size(), 1u);
    EXPECT_EQ(timeline.entries[0].date, at("2026-12-06T00:00:00-05:00"));
    EXPECT_EQ(timeline.entries[0].overdueCount, 0);
    EXPECT_EQ(timeline.entries[0].todayCount, 0);
    EXPECT_TRUE(timeline.entries[0].reminders.empty());
    EXPECT_EQ(caseName(timeline.entries[0].layout), "systemMediumLarge");
  }
}

TEST(Timeline, APayloadRewrittenBetweenRequestsIsSeenAtTheNextOne) {
  const Date now = at("2026-12-06T10:00:00Z");
  TemporaryDirectory container;
  const auto requests = requestsIn(container.path(), now);
  fixtures::store(container.path(), payloadWith({event("old", now)}));
  EXPECT_EQ(identifiers(requests.timeline().entries[0]), std::vector<std::string>{"old"});
  EXPECT_EQ(identifiers(requests.placeholder()), std::vector<std::string>{"old"});
  fixtures::store(container.path(), payloadWith({event("new", now), event("newer", now)}));
  EXPECT_EQ(identifiers(requests.timeline().entries[0]), (std::vector<std::string>{"new", "newer"}));
  EXPECT_EQ(identifiers(requests.placeholder()), (std::vector<std::string>{"new", "newer"}));
}

TEST(Placeholder, UsesAStoredPayloadThatHasEvents) {
  const Date now = at("2026-12-06T10:00:00+09:00");
  TemporaryDirectory container;
  fixtures::store(container.path(), payloadWith({event("past", now.adding(-86'400)), event("now", now)}));
  const auto requests = requestsIn(container.path(), now, "Asia/Tokyo", "ja_JP");
  for (const auto& entry : {requests.placeholder(), requests.snapshot()}) {
    EXPECT_EQ(entry.date, at("2026-12-06T00:00:00+09:00"));
    EXPECT_EQ(entry.overdueCount, 1);
    EXPECT_EQ(entry.todayCount, 1);
    EXPECT_EQ(identifiers(entry), (std::vector<std::string>{"past", "now"}));
    ASSERT_FALSE(entry.reminders.empty());
    EXPECT_EQ(entry.reminders[0].personsLabels.front().nick, "Ann");
  }
}

TEST(Placeholder, FallsBackToTheSampleWithoutStoredEvents) {
  const Date now = at("2026-12-09T10:00:00-05:00");  // a Wednesday
  TemporaryDirectory root;
  const auto withPersonsOnly = root.path() / "persons-only";
  std::filesystem::create_directories(withPersonsOnly);
  // Persons without events are dropped with their events: the sample's events need the sample's persons,
  // even where a stored person shares an identifier with one of them.
  fixtures::store(withPersonsOnly, payloadWith({}));
  for (const auto& container : {root.path() / "missing", withPersonsOnly}) {
    SCOPED_TRACE(container.filename().string());
    const auto requests = requestsIn(container, now, "America/New_York");
    RemindersWidgetTimelineEntry placeholder, snapshot;
    capturedStdout([&] {
      placeholder = requests.placeholder();
      snapshot = requests.snapshot();
    });
    for (const auto& entry : {placeholder, snapshot}) {
      EXPECT_EQ(entry.date, at("2026-12-09T00:00:00-05:00"));
      EXPECT_EQ(entry.overdueCount, 1);
      EXPECT_EQ(entry.todayCount, 1);
      ASSERT_EQ(entry.reminders.size(), 4u);
      EXPECT_EQ(entry.reminders[0].title, "DENTAL APPOINTMENT / SAMPLE");
      EXPECT_EQ(entry.reminders[0].personsLabels.front().nick, "CAREGIVER 1 / SAMPLE");
      EXPECT_EQ(entry.reminders[3].title, "TRAVEL / SAMPLE");
    }
    // Built afresh for every request: new identifiers each time.
    EXPECT_NE(placeholder.reminders[0].identifier, snapshot.reminders[0].identifier);
  }
}

TEST(Placeholder, SampleTextsFollowTheLocale) {
  TemporaryDirectory root;
  RemindersWidgetTimelineProvider provider(
      WidgetEnvironment{.settings = settingsFor("Europe/Berlin", "de_DE", /*translated=*/true),
                        .files = FileManager(root.path() / "missing"),
                        .clock = fixedClock(at("2026-12-09T10:00:00+01:00"))});
  RemindersWidgetTimelineEntry entry;
  capturedStdout([&] { entry = provider.placeholder(kLarge); });
  ASSERT_EQ(entry.reminders.size(), 4u);
  const Catalog german = Catalog::load(defaultStringsDirectory(), "de_DE");
  EXPECT_EQ(entry.reminders[0].title, german.text("DENTAL APPOINTMENT / SAMPLE"));
  EXPECT_NE(entry.reminders[0].title, "DENTAL APPOINTMENT / SAMPLE");
  EXPECT_NE(entry.reminders[0].personsLabels.front().nick, "CAREGIVER 1 / SAMPLE");
}

}  // namespace
}  // namespace rw

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
using fixtures::settingsFor;
using rw::testing::capturedStdout;
using rw::testing::TemporaryDirectory;
using Strings = std::vector<std::string>;
using Entry = RemindersWidgetTimelineEntry;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};  // 6 rows

struct Requests {
  RemindersWidgetTimelineProvider provider;
  Entry placeholder() const { return provider.placeholder(kLarge); }
  Entry snapshot() const {
    std::vector<Entry> answers;
    provider.getSnapshot(kLarge, [&](Entry entry) { answers.push_back(std::move(entry)); });
    EXPECT_EQ(answers.size(), 1u);  // exactly once, before returning
    return answers.empty() ? Entry{} : answers.front();
  }
  Timeline<Entry> timeline() const {
    std::vector<Timeline<Entry>> answers;
    provider.getTimeline(kLarge, [&](Timeline<Entry> t) { answers.push_back(std::move(t)); });
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? Timeline<Entry>{} : answers.front();
  }
};

Requests requestsIn(const std::filesystem::path& container, Date now, std::string_view zone = "UTC",
                    std::string_view locale = "en_US", bool translated = false) {
  return Requests{
      RemindersWidgetTimelineProvider(WidgetEnvironment{.settings = settingsFor(zone, locale, translated),
                                                        .files = FileManager(container),
                                                        .clock = fixedClock(now)})};
}

void store(const std::filesystem::path& container, EventRecords events) {
  std::filesystem::create_directories(container);
  fixtures::store(container,
                  RemindersWidgetPayload{.events = std::move(events), .persons = fixtures::persons()});
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
    store(container.path(), {event("e", at(c.now))});
    const auto timeline = requestsIn(container.path(), at(c.now), c.zone).timeline();
    EXPECT_EQ(timeline.policy, TimelineReloadPolicy::atEnd);
    ASSERT_EQ(timeline.entries.size(), 31u);
    EXPECT_EQ(timeline.entries.front().date, at(c.firstDay));
    EXPECT_EQ(timeline.entries[c.index].date, at(c.dayStart));
    EXPECT_EQ(timeline.entries.back().date, at(c.lastDay));
    const Calendar calendar = settingsFor(c.zone).calendar;
    for (std::size_t i = 1; i < timeline.entries.size(); ++i)
      EXPECT_EQ(calendar.startOfDay(timeline.entries[i - 1].date, 1), timeline.entries[i].date) << i;
  }
}

TEST(Timeline, EachEntryCountsAgainstItsOwnDay) {
  TemporaryDirectory container;
  store(container.path(), {event("today", at("2026-12-06T20:00:00+01:00")),
                           event("in-two-days", at("2026-12-08T08:00:00+01:00")),
                           event("later", at("2027-02-01T08:00:00+01:00"))});
  const auto timeline =
      requestsIn(container.path(), at("2026-12-06T10:00:00+01:00"), "Europe/Berlin", "de_DE").timeline();
  ASSERT_EQ(timeline.entries.size(), 31u);
  const std::pair<std::size_t, std::pair<std::int64_t, std::int64_t>> counts[] = {
      {0, {0, 1}}, {1, {1, 0}}, {2, {1, 1}}, {30, {2, 0}}};  // entry: overdue, today
  for (const auto& [i, expected] : counts)
    EXPECT_EQ(std::pair(timeline.entries[i].overdueCount, timeline.entries[i].todayCount), expected) << i;
  EXPECT_EQ(timeline.entries[0].reminders[0].dueStyle, WidgetTimelineReminderComponent::DueStyle::today);
  EXPECT_EQ(timeline.entries[1].reminders[0].dueStyle, WidgetTimelineReminderComponent::DueStyle::overdue);
  for (const auto& entry : timeline.entries)
    EXPECT_EQ(identifiers(entry), (Strings{"today", "in-two-days", "later"}));
}

TEST(Timeline, WithoutAReadablePayloadOneEmptyEntryThatIsNeverReloaded) {
  const Date now = at("2026-12-06T10:00:00-05:00");
  TemporaryDirectory root;
  std::filesystem::create_directories(root.path() / "empty");
  std::filesystem::create_directories(root.path() / "garbled");
  rw::testing::writeFile(root.path() / "garbled" / "reminders.plist",
                         std::string_view("not a property list"));
  store(root.path() / "no-events", {});
  const struct {
    const char* container;
    const char* printed;
    std::size_t entries;
  } cases[] = {
      {"missing",
       "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
       "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n",
       1},
      {"empty", "", 1},
      {"garbled", "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n", 1},
      {"no-events", "", 31},  // a stored payload without events is a full timeline of empty entries
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.container);
    Timeline<Entry> timeline;
    const auto printed = capturedStdout(
        [&] { timeline = requestsIn(root.path() / c.container, now, "America/New_York").timeline(); });
    EXPECT_EQ(printed, c.printed);
    EXPECT_EQ(timeline.policy, c.entries == 1 ? TimelineReloadPolicy::never : TimelineReloadPolicy::atEnd);
    ASSERT_EQ(timeline.entries.size(), c.entries);
    EXPECT_EQ(timeline.entries[0].date, at("2026-12-06T00:00:00-05:00"));
    EXPECT_EQ(caseName(timeline.entries[0].layout), "systemMediumLarge");
    for (const auto& entry : timeline.entries) {
      EXPECT_EQ(entry.overdueCount + entry.todayCount, 0);
      EXPECT_TRUE(entry.reminders.empty());
    }
  }
}

TEST(Timeline, APayloadRewrittenBetweenRequestsIsSeenAtTheNextOne) {
  const Date now = at("2026-12-06T10:00:00Z");
  TemporaryDirectory container;
  const auto requests = requestsIn(container.path(), now);
  store(container.path(), {event("old", now)});
  EXPECT_EQ(identifiers(requests.timeline().entries[0]), Strings{"old"});
  EXPECT_EQ(identifiers(requests.placeholder()), Strings{"old"});
  store(container.path(), {event("new", now), event("newer", now)});
  EXPECT_EQ(identifiers(requests.timeline().entries[0]), (Strings{"new", "newer"}));
  EXPECT_EQ(identifiers(requests.placeholder()), (Strings{"new", "newer"}));
}

TEST(Placeholder, UsesAStoredPayloadThatHasEvents) {
  const Date now = at("2026-12-06T10:00:00+09:00");
  TemporaryDirectory container;
  store(container.path(), {event("past", now.adding(-86'400)), event("now", now)});
  const auto requests = requestsIn(container.path(), now, "Asia/Tokyo", "ja_JP");
  for (const auto& entry : {requests.placeholder(), requests.snapshot()}) {
    EXPECT_EQ(entry.date, at("2026-12-06T00:00:00+09:00"));
    EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
    EXPECT_EQ(identifiers(entry), (Strings{"past", "now"}));
    ASSERT_FALSE(entry.reminders.empty());
    EXPECT_EQ(entry.reminders[0].personsLabels.front().nick, "Ann");
  }
}

TEST(Placeholder, FallsBackToTheSampleWithoutStoredEvents) {
  const Date now = at("2026-12-09T10:00:00-05:00");  // a Wednesday
  TemporaryDirectory root;
  // Persons without events are dropped with their events: the sample's events need the sample's persons,
  // even where a stored person shares an identifier with one of them.
  store(root.path() / "persons-only", {});
  for (const char* container : {"missing", "persons-only"}) {
    SCOPED_TRACE(container);
    const auto requests = requestsIn(root.path() / container, now, "America/New_York");
    Entry placeholder, snapshot;
    capturedStdout([&] {
      placeholder = requests.placeholder();
      snapshot = requests.snapshot();
    });
    for (const auto& entry : {placeholder, snapshot}) {
      EXPECT_EQ(entry.date, at("2026-12-09T00:00:00-05:00"));
      EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
      ASSERT_EQ(entry.reminders.size(), 4u);
      EXPECT_EQ(entry.reminders[0].title, "DENTAL APPOINTMENT / SAMPLE");
      EXPECT_EQ(entry.reminders[0].personsLabels.front().nick, "CAREGIVER 1 / SAMPLE");
      EXPECT_EQ(entry.reminders[3].title, "TRAVEL / SAMPLE");
    }
    // Built afresh for every request: new identifiers each time.
    EXPECT_NE(placeholder.reminders[0].identifier, snapshot.reminders[0].identifier);
  }
  // The sample's texts follow the locale.
  Entry german;
  capturedStdout([&] {
    german =
        requestsIn(root.path() / "missing", now, "Europe/Berlin", "de_DE", /*translated=*/true).placeholder();
  });
  ASSERT_EQ(german.reminders.size(), 4u);
  EXPECT_EQ(german.reminders[0].title,
            Catalog::load(defaultStringsDirectory(), "de_DE").text("DENTAL APPOINTMENT / SAMPLE"));
  EXPECT_NE(german.reminders[0].title, "DENTAL APPOINTMENT / SAMPLE");
  EXPECT_NE(german.reminders[0].personsLabels.front().nick, "CAREGIVER 1 / SAMPLE");
}

}  // namespace
}  // namespace rw

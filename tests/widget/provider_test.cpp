// The three requests: which payload they read, and their fallbacks without a readable one. What a
// timeline holds for a payload is checked against a reference in timeline_reference_test.cpp.
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
                    std::string_view locale = "en_US") {
  return Requests{RemindersWidgetTimelineProvider(WidgetEnvironment{
      .settings = settingsFor(zone, locale), .files = FileManager(container), .clock = fixedClock(now)})};
}

void store(const std::filesystem::path& container, EventRecords events) {
  std::filesystem::create_directories(container);
  fixtures::store(container,
                  RemindersWidgetPayload{.events = std::move(events), .persons = fixtures::persons()});
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

// Every request reads the file afresh; the timeline is the one makeTimelineEntries builds for the payload.
TEST(Requests, UseTheStoredPayloadAsItIsAtEachRequest) {
  const Date now = at("2026-12-06T10:00:00+09:00");
  TemporaryDirectory container;
  const auto requests = requestsIn(container.path(), now, "Asia/Tokyo", "ja_JP");
  store(container.path(), {event("old", now)});
  EXPECT_EQ(identifiers(requests.timeline().entries[0]), Strings{"old"});
  const RemindersWidgetPayload payload{.events = {event("past", now.adding(-86'400)), event("now", now)},
                                       .persons = fixtures::persons()};
  fixtures::store(container.path(), payload);
  const auto timeline = requests.timeline();
  EXPECT_EQ(timeline.policy, TimelineReloadPolicy::atEnd);
  EXPECT_EQ(
      fixtures::describe(timeline.entries),
      fixtures::describe(makeTimelineEntries(now, payload, kLarge, settingsFor("Asia/Tokyo", "ja_JP"))));
  for (const auto& entry : {requests.placeholder(), requests.snapshot()}) {
    EXPECT_EQ(entry.date, at("2026-12-06T00:00:00+09:00"));
    EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
    EXPECT_EQ(identifiers(entry), (Strings{"past", "now"}));
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
    }
    // Built afresh for every request: new identifiers each time.
    EXPECT_NE(placeholder.reminders[0].identifier, snapshot.reminders[0].identifier);
  }
}

}  // namespace
}  // namespace rw

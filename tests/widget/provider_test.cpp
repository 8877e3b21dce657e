// The three requests: which payload they read, and what they answer for a payload without events. What a
// timeline holds is checked against a reference in timeline_reference_test.cpp, the answers without a
// readable payload in tests/reliability.
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
using Strings = std::vector<std::string>;
using Entry = RemindersWidgetTimelineEntry;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};  // 6 rows

// Placeholder, snapshot and timeline, each answered exactly once before returning.
struct Answers {
  Entry placeholder, snapshot;
  Timeline<Entry> timeline;
};

RemindersWidgetTimelineProvider provider(const std::filesystem::path& container, Date now,
                                         const UserSettings& settings) {
  return RemindersWidgetTimelineProvider(
      WidgetEnvironment{.settings = settings, .files = FileManager(container), .clock = fixedClock(now)});
}

Answers ask(const RemindersWidgetTimelineProvider& provider) {
  Answers answers;
  answers.placeholder = provider.placeholder(kLarge);
  int calls = 0;
  provider.getSnapshot(kLarge, [&](Entry entry) { answers.snapshot = std::move(entry), ++calls; });
  provider.getTimeline(kLarge, [&](Timeline<Entry> t) { answers.timeline = std::move(t), ++calls; });
  EXPECT_EQ(calls, 2);
  return answers;
}

TEST(Requests, ReadTheStoredPayloadAfreshAtEachRequest) {
  const Date now = at("2026-12-06T10:00:00+09:00");
  const UserSettings settings = settingsFor("Asia/Tokyo", "ja_JP");
  rw::testing::TemporaryDirectory container;
  const auto requests = provider(container.path(), now, settings);
  fixtures::store(container.path(), {.events = {event("old", now)}, .persons = fixtures::persons()});
  EXPECT_EQ(identifiers(ask(requests).timeline.entries[0]), Strings{"old"});
  const RemindersWidgetPayload payload{.events = {event("past", now.adding(-86'400)), event("now", now)},
                                       .persons = fixtures::persons()};
  fixtures::store(container.path(), payload);
  const Answers answers = ask(requests);
  EXPECT_EQ(answers.timeline.policy, TimelineReloadPolicy::atEnd);
  EXPECT_EQ(fixtures::describe(answers.timeline.entries),
            fixtures::describe(makeTimelineEntries(now, payload, kLarge, settings)));
  for (const auto& entry : {answers.placeholder, answers.snapshot}) {
    EXPECT_EQ(entry.date, at("2026-12-06T00:00:00+09:00"));
    EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
    EXPECT_EQ(identifiers(entry), (Strings{"past", "now"}));
  }
}

TEST(Requests, APayloadWithoutEventsIsAnEmptyTimelineAndTheSampleElsewhere) {
  // Persons without events are dropped with their events: the sample's events need the sample's persons,
  // even where a stored person shares an identifier with one of them.
  const Date now = at("2026-12-09T10:00:00-05:00");  // a Wednesday
  rw::testing::TemporaryDirectory container;
  fixtures::store(container.path(), {.events = {}, .persons = fixtures::persons()});
  Answers answers;
  EXPECT_EQ(rw::testing::capturedStdout(
                [&] { answers = ask(provider(container.path(), now, settingsFor("America/New_York"))); }),
            "");
  EXPECT_EQ(answers.timeline.policy, TimelineReloadPolicy::atEnd);
  ASSERT_EQ(answers.timeline.entries.size(), 31u);
  for (const auto& entry : answers.timeline.entries)
    EXPECT_TRUE(entry.overdueCount + entry.todayCount == 0 && entry.reminders.empty());
  for (const auto& entry : {answers.placeholder, answers.snapshot}) {
    EXPECT_EQ(entry.date, at("2026-12-09T00:00:00-05:00"));
    EXPECT_EQ(std::pair(entry.overdueCount, entry.todayCount), std::pair(std::int64_t{1}, std::int64_t{1}));
    ASSERT_EQ(entry.reminders.size(), 4u);
    EXPECT_EQ(entry.reminders[0].title, "DENTAL APPOINTMENT / SAMPLE");
    EXPECT_EQ(entry.reminders[0].personsLabels.front().nick, "CAREGIVER 1 / SAMPLE");
  }
  // Built afresh for every request: new identifiers each time.
  EXPECT_NE(answers.placeholder.reminders[0].identifier, answers.snapshot.reminders[0].identifier);
}

}  // namespace
}  // namespace rw

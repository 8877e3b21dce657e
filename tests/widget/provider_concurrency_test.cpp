// Overlapping requests on several threads while the host application rewrites the payload file. Run
// under ThreadSanitizer in CI (ProviderConcurrency.*).
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <set>
#include <thread>

#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/provider.h"
#include "widget/sample_payload.h"

namespace rw {
namespace {

using fixtures::describe;
using fixtures::event;

/// The sample's identifiers are new on every request; everything else must match.
std::string withoutUUIDs(const std::string& text) {
  static const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  return std::regex_replace(text, uuid, "UUID");
}

TEST(ProviderConcurrency, OverlappingRequestsWhileThePayloadIsRewritten) {
  const Date now = fixtures::at("2026-12-06T10:00:00-03:00");
  const UserSettings settings = fixtures::settingsFor("America/Sao_Paulo", "pt_BR");
  const TimelineProviderContext context{WidgetFamily::systemLarge, {364, 350}};
  // Three events, seven, and none; every answer a request may give while the file changes under it, and the
  // bytes the writer writes.
  RemindersWidgetPayload payloads[3];
  for (int i = 0; i < 10; ++i)
    payloads[i < 3 ? 0 : 1].events.push_back(event("e" + std::to_string(i), now.adding(i * 40'000.0 - 9e4)));
  std::set<std::string> validTimelines{"never\n" +
                                       describe(makeTimelineEntry(now, {}, {}, context, settings))};
  std::set<std::string> validEntries;
  std::vector<std::uint8_t> bytes[3];
  for (int i = 0; i < 3; ++i) {
    auto& payload = payloads[i];
    payload.persons = fixtures::persons();
    validTimelines.insert("atEnd\n" + describe(makeTimelineEntries(now, payload, context, settings)));
    if (!payload.events.empty())
      validEntries.insert(
          describe(makeTimelineEntry(now, payload.events, payload.persons, context, settings)));
    bytes[i] = *writePayload(payload, i == 2 ? plist::Format::binary : plist::Format::xml);
  }
  const auto sample = samplePayload(settings.calendar, settings.strings, fixedClock(now));
  const std::string sampleEntry =
      withoutUUIDs(describe(makeTimelineEntry(now, sample.events, sample.persons, context, settings)));
  validEntries.insert(sampleEntry);
  rw::testing::TemporaryDirectory container;
  fixtures::store(container.path(), payloads[2]);
  const RemindersWidgetTimelineProvider provider(WidgetEnvironment{
      .settings = settings, .files = FileManager(container.path()), .clock = fixedClock(now)});
  // The answers to a placeholder (0), snapshot (1) or timeline (2) request: exactly one is due.
  const auto ask = [&](int request) {
    std::vector<std::string> answers;
    if (request == 0)
      answers.push_back(describe(provider.placeholder(context)));
    else if (request == 1)
      provider.getSnapshot(context, [&](RemindersWidgetTimelineEntry e) { answers.push_back(describe(e)); });
    else
      provider.getTimeline(context, [&](Timeline<RemindersWidgetTimelineEntry> timeline) {
        answers.push_back(std::string(policyName(timeline.policy)) + "\n" + describe(timeline.entries));
      });
    return answers;
  };
  // Before any rewrite, stored persons without events go with them: the sample's own persons label its
  // events, built afresh (new identifiers) for every request; the timeline holds empty days.
  std::vector<std::string> answers;
  EXPECT_EQ(rw::testing::capturedStdout([&] {
              for (const int request : {0, 1, 2})
                for (auto& answer : ask(request))
                  answers.push_back(answer);
            }),
            "");
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_NE(answers[0], answers[1]);
  EXPECT_EQ((std::vector{withoutUUIDs(answers[0]), withoutUUIDs(answers[1]), answers[2]}),
            (std::vector{sampleEntry, sampleEntry,
                         "atEnd\n" + describe(makeTimelineEntries(now, payloads[2], context, settings))}));
  std::atomic<bool> stop{false};
  std::atomic<int> invalid{0}, rewrites{0};
  const std::string output = rw::testing::capturedStdout([&] {
    std::thread writer([&] {
      const auto file = container.path() / "reminders.plist";
      for (int i = 0; !stop.load(); ++i) {
        // Renamed over the file as a careful writer does, or written in place: readers may see it half
        // written.
        const auto target = i % 2 ? file : container.path() / ("reminders.plist.tmp" + std::to_string(i));
        rw::testing::writeFile(target, bytes[i % 3]);
        if (target != file) std::filesystem::rename(target, file);
        rewrites.fetch_add(1);
        std::this_thread::yield();
      }
    });
    std::vector<std::thread> requesters;
    for (int t = 0; t < 4; ++t) {
      requesters.emplace_back([&, t] {
        for (int i = 0; i < 12; ++i) {
          const auto given = ask((t + i) % 3);
          if (given.size() != 1 ||
              !((t + i) % 3 == 2 ? validTimelines : validEntries).contains(withoutUUIDs(given[0])))
            ++invalid;
        }
      });
    }
    for (auto& thread : requesters)
      thread.join();
    stop = true;
    writer.join();
  });
  EXPECT_EQ(invalid.load(), 0);
  EXPECT_GT(rewrites.load(), 0);
  // Lines from concurrent requests never mix within a line.
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line == "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data" ||
                line ==
                    "Error in WidgetTimelineReminderComponent.init(displayOn:event:persons:): No caregiver")
        << line;
  EXPECT_TRUE(output.empty() || output.back() == '\n');
}

}  // namespace
}  // namespace rw

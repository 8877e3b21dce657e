// Timelines from ordering the events once per request must match a plain per-entry procedure (count every
// event, sort a copy, keep the first rows) on generated payloads; the schedule must order like a sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "widget/provider.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::describe;

std::vector<RemindersWidgetTimelineEntry> referenceTimeline(Date now, RemindersWidgetPayload payload,
                                                            const TimelineProviderContext& context,
                                                            const UserSettings& settings) {
  std::ranges::stable_sort(payload.events, {}, &WidgetEventPayload::plannedDateFrom);
  const ContentLayout layout = contentLayout(context);
  const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout);
  const auto rows =
      list ? std::min(payload.events.size(), static_cast<std::size_t>(list->size.remindersCount)) : 0;
  std::vector<RemindersWidgetTimelineEntry> entries;
  for (int i = 0; i <= 30; ++i) {
    const Date dayStart = settings.calendar.startOfDay(settings.calendar.startOfDay(now), i);
    const auto before = [&](Date end) {
      return std::ranges::count_if(payload.events, [&](const auto& e) { return e.plannedDateFrom < end; });
    };
    const std::int64_t overdue = before(dayStart), today = before(settings.calendar.startOfDay(dayStart, 1));
    RemindersWidgetTimelineEntry entry{dayStart, layout, overdue, today - overdue, {}};
    for (std::size_t k = 0; k < rows; ++k)
      if (auto component =
              WidgetTimelineReminderComponent::make(dayStart, payload.events[k], payload.persons, settings))
        entry.reminders.push_back(std::move(*component));
    entries.push_back(std::move(entry));
  }
  return entries;
}

// Generated payloads: events on and around the day starts of the coming weeks, many at the same instants,
// some with a caregiver who is not among the persons.
TEST(TimelineReference, OneOrderingPerRequestGivesTheSameTimelines) {
  const std::tuple<const char*, const char*, const char*> zones[] = {
      {"America/Sao_Paulo", "pt_BR", "2018-10-25T23:00:00-03:00"},
      {"Australia/Lord_Howe", "en_AU", "2026-09-20T12:00:00+10:30"}};
  const TimelineProviderContext contexts[] = {{WidgetFamily::systemSmall, {170, 170}},
                                              {WidgetFamily::systemMedium, {364, 170}},
                                              {WidgetFamily::systemExtraLarge, {768, 382}}};
  const char* caregivers[] = {"C1", "C2", "B1", "gone", ""};
  std::uniform_real_distribution<double> seconds(-5 * 86'400.0, 40 * 86'400.0);
  for (const auto& [zone, locale, when] : zones) {
    const UserSettings settings = fixtures::settingsFor(zone, locale);
    const Date now = at(when);
    std::mt19937 random(20261206);
    for (int round = 0; round < 12; ++round) {
      std::vector<Date> instants;
      for (int day = -3; day <= 33; day += 1 + static_cast<int>(random() % 3)) {
        const Date start = settings.calendar.startOfDay(settings.calendar.startOfDay(now), day);
        instants.insert(instants.end(), {start, start.adding(-0.001), start.adding(1), start.adding(43'200)});
      }
      RemindersWidgetPayload payload{.events = {}, .persons = fixtures::persons()};
      if (random() % 4 == 0) payload.persons.pop_back();
      for (int i = 0, events = static_cast<int>(random() % 41); i < events; ++i) {
        const Date planned =
            random() % 3 ? instants[random() % instants.size()] : now.adding(seconds(random));
        payload.events.push_back(fixtures::event("e" + std::to_string(i), planned, caregivers[random() % 5],
                                                 static_cast<CustodyEventType>(random() % 4)));
        payload.events.back().status = static_cast<CustodyEventStatus>(random() % 7);
      }
      for (const auto& context : contexts) {
        std::vector<RemindersWidgetTimelineEntry> fast, reference;
        rw::testing::capturedStdout([&] {
          fast = makeTimelineEntries(now, payload, context, settings);
          reference = referenceTimeline(now, payload, context, settings);
        });
        ASSERT_EQ(describe(fast), describe(reference))
            << zone << " round " << round << " " << familyName(context.family);
      }
    }
  }
}

// Instants that stress an ordering of their bits: negative and positive ones, both zeros, infinities,
// not-a-number, subnormals and many exact ties.
TEST(TimelineReference, ScheduleOrdersAndCountsLikeAComparisonSort) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> special{
      0.0, -0.0, inf, -inf, nan, -nan, std::numeric_limits<double>::denorm_min(), -1e-300, 1e300, -1.5};
  const auto before = [](double a, double b) { return a < b || (!std::isnan(a) && std::isnan(b)); };
  std::mt19937 random(7);
  std::uniform_real_distribution<double> wide(-4e9, 4e9);
  for (const std::size_t size : {0u, 1u, 2u, 255u, 256u, 257u, 5000u}) {
    std::vector<WidgetEventPayload> events;
    std::vector<double> instants;
    for (std::size_t i = 0; i < size; ++i) {
      const int pick = static_cast<int>(random() % 4);
      instants.push_back(pick == 0   ? special[random() % special.size()]
                         : pick == 1 ? std::round(wide(random) / 300) * 300  // whole five minutes
                                     : wide(random));
      events.push_back(fixtures::event("e" + std::to_string(i), Date{instants.back()}));
    }
    std::vector<const WidgetEventPayload*> sorted;
    for (const auto& e : events)
      sorted.push_back(&e);
    std::ranges::stable_sort(sorted, before, [](auto* e) { return e->plannedDateFrom.sinceReferenceDate; });
    const EventSchedule schedule(events);
    EXPECT_TRUE(schedule.earliest(-1).empty());
    // The few first ones, which a list shows, as well as longer prefixes and more than there are.
    for (const std::size_t count : {1u, 6u, 9u, 257u, 5001u})
      ASSERT_EQ(schedule.earliest(static_cast<std::int64_t>(count)),
                std::vector(sorted.begin(), sorted.begin() + std::min(count, size)))
          << count << " of " << size;
    std::vector<double> probes = special;
    for (int i = 0; i < 50 && size > 0; ++i)
      probes.push_back(instants[random() % size]);
    for (const double probe : probes)
      EXPECT_EQ(schedule.countBefore(Date{probe}),
                std::count_if(instants.begin(), instants.end(), [&](double x) { return x < probe; }))
          << "before " << probe << " of " << size;
  }
}

}  // namespace
}  // namespace rw

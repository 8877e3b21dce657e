// One timeline request's entries: one ordering per request (the provider) against sorting a copy of all
// events for each of the 31 entries.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/calendar.h"
#include "platform/catalog.h"
#include "widget/provider.h"

namespace {

using namespace rw;

const TimelineProviderContext kLarge{WidgetFamily::systemLarge, {364, 382}};

UserSettings settings() {
  return UserSettings{*Calendar::make("Europe/Berlin", "de_DE"), Catalog()};
}

RemindersWidgetPayload payloadOf(std::int64_t count, Date now) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> seconds(-60 * 86'400.0, 60 * 86'400.0);
  RemindersWidgetPayload payload;
  payload.persons = {
      {.identifier = "C1", .type = CustodyPersonType::caregiver, .nick = "Ann", .colorEncoded = {}},
      {.identifier = "B1", .type = CustodyPersonType::child, .nick = "Kid", .colorEncoded = {}}};
  for (std::int64_t i = 0; i < count; ++i) {
    WidgetEventPayload event;
    event.identifier = payload.keep("E" + std::to_string(i));
    event.title = payload.keep("Event " + std::string(event.identifier));
    event.caregiver = "C1";
    event.beneficiaries = payload.keepList({"B1"});
    event.plannedDateFrom = now.adding(seconds(random));
    event.plannedDateTo = event.plannedDateFrom;
    payload.events.push_back(std::move(event));
  }
  return payload;
}

void BM_TimelineOneOrdering(benchmark::State& state) {
  const UserSettings user = settings();
  const Date now = Date::fromUnixSeconds(1'796'000'000);
  const auto payload = payloadOf(state.range(0), now);
  for (auto _ : state)
    benchmark::DoNotOptimize(makeTimelineEntries(now, payload, kLarge, user));
}

void BM_TimelineSortPerEntry(benchmark::State& state) {
  const UserSettings user = settings();
  const Date now = Date::fromUnixSeconds(1'796'000'000);
  const auto payload = payloadOf(state.range(0), now);
  for (auto _ : state) {
    std::vector<RemindersWidgetTimelineEntry> entries;
    const Date today = user.calendar.startOfDay(now);
    for (int day = 0; day < kTimelineDays; ++day) {
      const Date date = user.calendar.startOfDay(today, day);
      RemindersWidgetTimelineEntry entry;
      entry.date = date;
      entry.layout = contentLayout(kLarge);
      const Date next = user.calendar.startOfDay(date, 1);
      for (const auto& event : payload.events) {
        if (event.plannedDateFrom < date)
          ++entry.overdueCount;
        else if (event.plannedDateFrom < next)
          ++entry.todayCount;
      }
      auto sorted = payload.events;
      std::stable_sort(sorted.begin(), sorted.end(),
                       [](const auto& a, const auto& b) { return a.plannedDateFrom < b.plannedDateFrom; });
      sorted.resize(std::min<std::size_t>(sorted.size(), 6));
      for (const auto& event : sorted)
        if (auto component = WidgetTimelineReminderComponent::make(date, event, payload.persons, user))
          entry.reminders.push_back(std::move(*component));
      entries.push_back(std::move(entry));
    }
    benchmark::DoNotOptimize(entries);
  }
}

BENCHMARK(BM_TimelineOneOrdering)->Arg(10)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TimelineSortPerEntry)->Arg(10)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

}  // namespace

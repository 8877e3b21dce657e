// The calendar, catalog and reminder-component work of one timeline request: 31 days, up to 6 reminders
// each, every one needing two day starts and a months-and-days distance.
#include <benchmark/benchmark.h>

#include <array>

#include "platform/calendar.h"
#include "platform/catalog.h"
#include "reminders/due_text.h"
#include "reminders/reminder_component.h"

namespace rw {
namespace {

const Date kNow = Date::fromUnixSeconds(1'718'035'200);  // 2024-06-10T16:00:00Z

Calendar newYork() {
  return *Calendar::make("America/New_York", "en_US");
}

void BM_CalendarMake(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(Calendar::make("America/Sao_Paulo", "pl_PL.UTF-8"));
}
BENCHMARK(BM_CalendarMake);

void BM_StartOfDay(benchmark::State& state) {
  const Calendar calendar = newYork();
  for (auto _ : state)
    benchmark::DoNotOptimize(calendar.startOfDay(kNow));
}
BENCHMARK(BM_StartOfDay);

void BM_StartOfDayAddingDays(benchmark::State& state) {
  const Calendar calendar = newYork();
  for (auto _ : state)
    benchmark::DoNotOptimize(calendar.startOfDay(kNow, 30));
}
BENCHMARK(BM_StartOfDayAddingDays);

void BM_MonthsAndDays(benchmark::State& state) {
  const Calendar calendar = newYork();
  const Date due = kNow.adding(86'400.0 * static_cast<double>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(calendar.monthsAndDays(kNow, due));
}
BENCHMARK(BM_MonthsAndDays)->Arg(3)->Arg(45)->Arg(4000);

void BM_CatalogLoad(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(Catalog::load(defaultStringsDirectory(), "pl_PL.UTF-8"));
}
BENCHMARK(BM_CatalogLoad);

void BM_DueText(benchmark::State& state) {
  const Catalog strings = Catalog::load(defaultStringsDirectory(), "pl_PL.UTF-8");
  for (auto _ : state)
    benchmark::DoNotOptimize(makeDueText({.months = 0, .days = 5}, strings));
}
BENCHMARK(BM_DueText);

void BM_DayDistance(benchmark::State& state) {
  const Calendar calendar = newYork();
  const Date due = kNow.adding(86'400.0 * 45);
  for (auto _ : state)
    benchmark::DoNotOptimize(calendar.dayDistance(kNow, due));
}
BENCHMARK(BM_DayDistance);

// One reminder of one entry: an event with three beneficiaries among five persons, due in 40 days.
struct OneReminder {
  UserSettings settings{.calendar = newYork(),
                        .strings = Catalog::load(defaultStringsDirectory(), "de_DE.UTF-8")};
  std::vector<WidgetPersonPayload> persons;
  WidgetEventPayload event;

  OneReminder() {
    for (const char* id : {"C1", "C2", "B1", "B2", "Zoë"})
      persons.push_back({.identifier = id, .type = CustodyPersonType::child, .nick = id, .colorEncoded = {}});
    static constexpr std::array<std::string_view, 3> kBeneficiaries{"B1", "Zoë", "B2"};
    event.caregiver = "C2";
    event.beneficiaries = kBeneficiaries;
    event.plannedDateFrom = kNow.adding(86'400 * 40);
  }
};

void BM_ReminderComponent(benchmark::State& state) {
  const OneReminder one;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        WidgetTimelineReminderComponent::make(kNow, one.event, one.persons, one.settings));
}
BENCHMARK(BM_ReminderComponent);

// The same reminder on another day, its persons resolved once beforehand.
void BM_ReminderTemplateShownOn(benchmark::State& state) {
  const OneReminder one;
  const ReminderTemplate shown(one.event, one.persons);
  for (auto _ : state)
    benchmark::DoNotOptimize(shown.shownOn(kNow, one.settings));
}
BENCHMARK(BM_ReminderTemplateShownOn);

}  // namespace
}  // namespace rw

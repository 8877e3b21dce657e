#include "widget/sample_payload.h"

#include <array>
#include <cstdint>
#include <random>
#include <string_view>

namespace rw {

Date startOfNextDay(Date date, const Calendar& calendar) {
  return calendar.startOfDay(date, 1);
}

Date startOfPreviousDay(Date date, const Calendar& calendar) {
  return calendar.startOfDay(date, -1);
}

Date noonOfDay(Date date, const Calendar& calendar) {
  const Date start = calendar.startOfDay(date);
  return calendar.settingHour(12, start).value_or(start.adding(43'200));
}

Date startOfMonth(Date date, const Calendar& calendar) {
  const Date start = calendar.startOfDay(date);
  return calendar.startOfMonth(start).value_or(start);
}

Date startOfNextMonth(Date date, const Calendar& calendar) {
  const Date month = startOfMonth(date, calendar);
  // Adding a month keeps the wall-clock time of the month's first instant; where that month began later
  // or earlier (no midnight on its first day), asking for the month's start again lands on its first
  // instant. Every month of every supported calendar is shorter than 32 days, so the fallback cannot stay
  // inside the same month.
  const Date next = calendar.adding(CalendarUnit::month, 1, month).value_or(calendar.startOfDay(month, 32));
  return calendar.startOfMonth(next).value_or(next);
}

Date startOfNextWeek(Date date, const Calendar& calendar) {
  // A week is seven calendar days in every calendar; counting days keeps the result at the start of a day
  // even where that day begins at 01:00.
  const Date week = calendar.startOfWeek(date).value_or(date);
  return calendar.startOfDay(week, 7);
}

std::string makeUUIDString() {
  thread_local std::random_device device;
  std::array<std::uint8_t, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    const std::uint32_t word = device();
    for (std::size_t k = 0; k < 4; ++k)
      bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant

  constexpr std::string_view digits = "0123456789ABCDEF";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0x0F];
  }
  return text;
}

namespace {

struct SampleEvent {
  std::string_view titleKey;
  CustodyEventType type;
  std::string_view caregiver;
  std::vector<std::string_view> beneficiaries;  // literals, so the events may point at them
  std::string_view dueAmountText;
};

struct SamplePerson {
  std::string_view identifier;
  CustodyPersonType type;
  std::string_view nickKey;
  std::int64_t colorIndex;
};

}  // namespace

RemindersWidgetPayload samplePayload(const Calendar& calendar, const Catalog& strings, const Clock& clock) {
  const std::array<SampleEvent, 4> events{{
      {"DENTAL APPOINTMENT / SAMPLE", CustodyEventType::expense, "C1", {"B1"}, "125"},
      {"PARENTING TIME / SAMPLE", CustodyEventType::care, "C1", {"B2"}, ""},
      {"CALL / SAMPLE", CustodyEventType::call, "C2", {"B1"}, ""},
      {"TRAVEL / SAMPLE", CustodyEventType::expense, "C2", {"B1", "B2"}, "245"},
  }};
  constexpr std::array<SamplePerson, 4> persons{{
      {"C1", CustodyPersonType::caregiver, "CAREGIVER 1 / SAMPLE", 6},
      {"C2", CustodyPersonType::caregiver, "CAREGIVER 2 / SAMPLE", 8},
      {"B1", CustodyPersonType::child, "CHILD 1 / SAMPLE", 4},
      {"B2", CustodyPersonType::child, "CHILD 2 / SAMPLE", 2},
  }};

  // The four dates of each event, in the order plannedDateFrom, plannedDateTo, dateFrom, dateTo; each reads
  // the clock anew, as the sample is placed around "now" date by date.
  const auto previousNoon = [&] { return noonOfDay(startOfPreviousDay(clock(), calendar), calendar); };
  const auto todayNoon = [&] { return noonOfDay(clock(), calendar); };
  const auto nextWeekNoon = [&] { return noonOfDay(startOfNextWeek(clock(), calendar), calendar); };
  const auto weekAfterNextMonth = [&] {
    return startOfNextWeek(startOfNextMonth(clock(), calendar), calendar);
  };

  RemindersWidgetPayload payload;
  payload.events.reserve(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    const SampleEvent& sample = events[i];
    WidgetEventPayload event;
    event.identifier = payload.keep(makeUUIDString());
    event.title = payload.keep(strings.text(sample.titleKey));
    switch (i) {
      case 0:
        event.plannedDateFrom = previousNoon().adding(7'230);
        event.plannedDateTo = previousNoon().adding(10'830);
        event.dateFrom = previousNoon().adding(7'230);
        event.dateTo = previousNoon().adding(10'830);
        break;
      case 1:
        event.plannedDateFrom = todayNoon().adding(18'000);
        event.plannedDateTo = nextWeekNoon().adding(18'000);
        event.dateFrom = todayNoon().adding(18'000);
        event.dateTo = nextWeekNoon().adding(18'000);
        break;
      case 2:
        event.plannedDateFrom = nextWeekNoon().adding(10'800);
        event.plannedDateTo = nextWeekNoon().adding(12'000);
        event.dateFrom = nextWeekNoon().adding(10'800);
        event.dateTo = nextWeekNoon().adding(12'000);
        break;
      default:
        event.plannedDateFrom = weekAfterNextMonth().adding(3'600);
        event.plannedDateTo = weekAfterNextMonth().adding(3'600);
        event.dateFrom = weekAfterNextMonth().adding(3'600);
        event.dateTo = weekAfterNextMonth().adding(3'600);
        break;
    }
    event.type = sample.type;
    event.status = CustodyEventStatus::planned;
    event.caregiver = sample.caregiver;
    event.beneficiaries = payload.keepList(sample.beneficiaries);
    event.dueAmountText = sample.dueAmountText;
    event.notes = "";
    event.actionURL = nullptr;
    payload.events.push_back(std::move(event));
  }

  payload.persons.reserve(persons.size());
  for (const SamplePerson& sample : persons) {
    payload.persons.push_back(WidgetPersonPayload{
        .identifier = std::string(sample.identifier),
        .type = sample.type,
        .nick = strings.text(sample.nickKey),
        .colorEncoded =
            ColorEncoded{.version = std::string(ColorEncoded::currentVersion), .index = sample.colorIndex},
    });
  }
  return payload;
}

}  // namespace rw

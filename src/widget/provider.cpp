#include "widget/provider.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "payload/store.h"
#include "reminders/reminder_component.h"
#include "widget/sample_payload.h"

namespace rw {

namespace {

// Instants in list order. Decoded payloads hold finite instants only; an event built in code with a
// not-a-number instant sorts after every other one (and never counts as overdue or today), so the order
// stays a strict weak ordering whatever the events hold.
bool earlier(double a, double b) {
  return a < b || (!std::isnan(a) && std::isnan(b));
}

}  // namespace

EventSchedule::EventSchedule(const std::vector<WidgetEventPayload>& events) : events_(&events) {
  order_.resize(events.size());
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
    return earlier(events[a].plannedDateFrom.sinceReferenceDate,
                   events[b].plannedDateFrom.sinceReferenceDate);
  });
  starts_.reserve(order_.size());
  for (std::size_t index : order_)
    starts_.push_back(events[index].plannedDateFrom.sinceReferenceDate);
}

std::int64_t EventSchedule::countBefore(Date instant) const {
  // The instants before `instant` form a prefix of the order: finite ones ascend and not-a-number ones
  // (never before anything) come last.
  const auto end = std::lower_bound(starts_.begin(), starts_.end(), instant.sinceReferenceDate,
                                    [](double start, double value) { return start < value; });
  return end - starts_.begin();
}

std::vector<const WidgetEventPayload*> EventSchedule::earliest(std::int64_t count) const {
  const auto n = static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, std::ssize(order_)));
  std::vector<const WidgetEventPayload*> events;
  events.reserve(n);
  for (std::size_t i = 0; i < n; ++i)
    events.push_back(&(*events_)[order_[i]]);
  return events;
}

ContentLayout contentLayout(const TimelineProviderContext& context) {
  using namespace content_layout;
  const auto list = [](std::int64_t count, double spacing) {
    return ContentLayout{SystemMediumLarge{RemindersListSize{count, spacing}}};
  };
  switch (context.family) {
    case WidgetFamily::systemSmall:
      return SystemSmall{};
    case WidgetFamily::systemMedium:
      return list(2, 6.0);
    case WidgetFamily::systemLarge:
    case WidgetFamily::systemExtraLarge: {
      // Half-open ranges; every comparison with not-a-number is false, so such a height (and any negative
      // one) falls through to the tallest layout.
      const double h = context.displaySize.height;
      if (h >= 0 && h < 311) return list(2, 4.0);
      if (h >= 311 && h < 324) return list(5, 5.0);
      if (h >= 324 && h < 345) return list(5, 6.0);
      if (h >= 345 && h < 379) return list(5, 9.0);
      return list(6, 7.0);
    }
    case WidgetFamily::accessoryCircular:
      return AccessoryCircular{};
    case WidgetFamily::accessoryRectangular:
    case WidgetFamily::accessoryInline:
      return AccessoryRectangular{};
  }
  return list(6, 7.0);  // a family this build does not know
}

RemindersWidgetTimelineEntry makeTimelineEntry(Date date, const EventSchedule& schedule,
                                               const std::vector<WidgetPersonPayload>& persons,
                                               const TimelineProviderContext& context,
                                               const UserSettings& settings) {
  const Calendar& calendar = settings.calendar;
  const Date dayStart = calendar.startOfDay(date);
  // The start of the next calendar day, not 24 hours or "the same wall-clock time tomorrow": a day that
  // began at 01:00 (no midnight) still ends at the next midnight.
  const Date nextDayStart = calendar.startOfDay(dayStart, 1);

  RemindersWidgetTimelineEntry entry;
  entry.date = dayStart;
  entry.layout = contentLayout(context);
  entry.overdueCount = schedule.countBefore(dayStart);
  entry.todayCount = schedule.countBefore(nextDayStart) - entry.overdueCount;

  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&entry.layout)) {
    // The earliest events, overdue ones included; a component that cannot be made leaves its place empty
    // rather than pulling a later event up.
    const std::vector<const WidgetEventPayload*> earliest = schedule.earliest(list->size.remindersCount);
    entry.reminders.reserve(earliest.size());  // components are large: no regrowth, 31 times a request
    for (const WidgetEventPayload* event : earliest) {
      if (auto component = WidgetTimelineReminderComponent::make(date, *event, persons, settings))
        entry.reminders.push_back(std::move(*component));
    }
  }
  return entry;
}

RemindersWidgetTimelineEntry makeTimelineEntry(Date date, const std::vector<WidgetEventPayload>& events,
                                               const std::vector<WidgetPersonPayload>& persons,
                                               const TimelineProviderContext& context,
                                               const UserSettings& settings) {
  return makeTimelineEntry(date, EventSchedule(events), persons, context, settings);
}

std::vector<RemindersWidgetTimelineEntry> makeTimelineEntries(Date now, const RemindersWidgetPayload& payload,
                                                              const TimelineProviderContext& context,
                                                              const UserSettings& settings) {
  // One ordering serves all entries: the order of the events does not depend on the day, only the counts
  // and the components' wording do.
  const EventSchedule schedule(payload.events);
  const Date todayStart = settings.calendar.startOfDay(now);
  std::vector<RemindersWidgetTimelineEntry> entries;
  entries.reserve(kTimelineDays);
  for (int day = 0; day < kTimelineDays; ++day) {
    const Date date = settings.calendar.startOfDay(todayStart, day);
    entries.push_back(makeTimelineEntry(date, schedule, payload.persons, context, settings));
  }
  return entries;
}

RemindersWidgetTimelineEntry RemindersWidgetTimelineProvider::makeTimelineEntry(
    Date date, const std::vector<WidgetEventPayload>& events, const std::vector<WidgetPersonPayload>& persons,
    const TimelineProviderContext& context) const {
  return rw::makeTimelineEntry(date, events, persons, context, environment_.settings);
}

RemindersWidgetTimelineEntry RemindersWidgetTimelineProvider::placeholder(
    const TimelineProviderContext& context) const {
  const UserSettings& settings = environment_.settings;
  // A stored payload without events is dropped whole, its persons too: the sample's events refer to the
  // sample's persons. The sample is only built when it is shown.
  std::optional<RemindersWidgetPayload> payload = payloadReadingAppGroup(environment_.files);
  if (!payload || payload->events.empty())
    payload = samplePayload(settings.calendar, settings.strings, environment_.clock);
  const Date todayStart = settings.calendar.startOfDay(environment_.clock());
  return rw::makeTimelineEntry(todayStart, payload->events, payload->persons, context, settings);
}

void RemindersWidgetTimelineProvider::getSnapshot(const TimelineProviderContext& context,
                                                  const EntryCompletion& completion) const {
  completion(placeholder(context));
}

void RemindersWidgetTimelineProvider::getTimeline(const TimelineProviderContext& context,
                                                  const TimelineCompletion& completion) const {
  const UserSettings& settings = environment_.settings;
  const std::optional<RemindersWidgetPayload> payload = payloadReadingAppGroup(environment_.files);
  const Date now = environment_.clock();
  Timeline<RemindersWidgetTimelineEntry> timeline;
  if (!payload) {
    // Nothing to count: one empty entry for today, and no reload until someone asks from outside.
    timeline.entries.push_back(
        rw::makeTimelineEntry(settings.calendar.startOfDay(now), {}, {}, context, settings));
    timeline.policy = TimelineReloadPolicy::never;
  } else {
    timeline.entries = makeTimelineEntries(now, *payload, context, settings);
    timeline.policy = TimelineReloadPolicy::atEnd;
  }
  completion(std::move(timeline));
}

}  // namespace rw

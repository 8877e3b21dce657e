#include "widget/provider.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <optional>
#include <utility>

#include "payload/store.h"
#include "reminders/reminder_component.h"
#include "widget/sample_payload.h"

namespace rw {

namespace {

// An unsigned key that orders like the instant: the bits of a non-negative double already do, those of a
// negative one in reverse, so negative ones are inverted and positive ones moved above them. Not-a-number
// instants (never before anything) take the largest key; -0 and +0 share one key.
std::uint64_t orderKey(double instant) {
  if (std::isnan(instant)) return ~std::uint64_t{0};
  const auto bits = std::bit_cast<std::uint64_t>(instant == 0 ? 0.0 : instant);
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
  return (bits & kSign) != 0 ? ~bits : bits | kSign;
}

}  // namespace

EventSchedule::EventSchedule(std::span<const WidgetEventPayload> events) : events_(events) {
  const std::size_t n = events.size();
  keys_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = orderKey(events[i].plannedDateFrom.sinceReferenceDate);
    keys_[i] = key;
    // After the equal keys already kept: those came first in the payload.
    if (first_.size() < kKeptEarliest || key < first_.back().key) {
      first_.insert(std::ranges::upper_bound(first_, key, {}, &Slot::key), Slot{key, i});
      if (first_.size() > kKeptEarliest) first_.pop_back();
    }
  }

  // Least significant byte first. A byte that is the same in every key (the low bytes of whole seconds,
  // the high bytes of nearby dates) needs no pass.
  constexpr int kBytes = 8;
  std::array<std::array<std::size_t, 256>, kBytes> counts{};
  for (const std::uint64_t key : keys_)
    for (int b = 0; b < kBytes; ++b)
      ++counts[b][(key >> (8 * b)) & 0xFF];
  Keys spare;
  for (int b = 0; b < kBytes; ++b) {
    auto& count = counts[b];
    if (std::ranges::find(count, n) != count.end()) continue;
    std::size_t next = 0;
    for (std::size_t& c : count)
      next += std::exchange(c, next);  // the first place of each byte value
    spare.resize(n);
    for (const std::uint64_t key : keys_)
      spare[count[(key >> (8 * b)) & 0xFF]++] = key;
    keys_.swap(spare);
  }
}

std::int64_t EventSchedule::countBefore(Date instant) const {
  // The instants before `instant` form a prefix of the order. Nothing is before not-a-number.
  if (std::isnan(instant.sinceReferenceDate)) return 0;
  const auto end = std::ranges::lower_bound(keys_, orderKey(instant.sinceReferenceDate));
  return end - keys_.begin();
}

std::vector<const WidgetEventPayload*> EventSchedule::earliest(std::int64_t count) const {
  const auto n = static_cast<std::size_t>(std::clamp<std::int64_t>(count, 0, std::ssize(keys_)));
  std::vector<const WidgetEventPayload*> events;
  events.reserve(n);
  if (n <= first_.size()) {
    for (std::size_t i = 0; i < n; ++i)
      events.push_back(&events_[first_[i].index]);
    return events;
  }
  // More than were kept: the events before the n-th key, and in payload order as many of those at that key
  // as fill the remaining places.
  const std::uint64_t last = keys_[n - 1];
  std::size_t atLast = n - static_cast<std::size_t>(std::ranges::lower_bound(keys_, last) - keys_.begin());
  std::vector<Slot> chosen;
  chosen.reserve(n);
  for (std::size_t i = 0; i < events_.size(); ++i) {
    const std::uint64_t key = orderKey(events_[i].plannedDateFrom.sinceReferenceDate);
    if (key == last && atLast > 0) {
      --atLast;
      chosen.push_back({key, i});
    } else if (key < last) {
      chosen.push_back({key, i});
    }
  }
  std::ranges::stable_sort(chosen, {}, &Slot::key);
  for (const Slot& slot : chosen)
    events.push_back(&events_[slot.index]);
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

namespace {

// The reminders a list layout shows, in order, made as far as they do not depend on the day. The earliest
// events are the same on every day of a timeline; only the counts and the due wording change.
std::vector<ReminderTemplate> listTemplates(const EventSchedule& schedule,
                                            const std::vector<WidgetPersonPayload>& persons,
                                            const ContentLayout& layout) {
  std::vector<ReminderTemplate> templates;
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout)) {
    const std::vector<const WidgetEventPayload*> earliest = schedule.earliest(list->size.remindersCount);
    templates.reserve(earliest.size());
    for (const WidgetEventPayload* event : earliest)
      templates.emplace_back(*event, persons);
  }
  return templates;
}

RemindersWidgetTimelineEntry entryWith(Date date, const EventSchedule& schedule,
                                       const std::vector<ReminderTemplate>& templates, ContentLayout layout,
                                       const UserSettings& settings, DueTexts& dueTexts) {
  const Calendar& calendar = settings.calendar;
  const Date dayStart = calendar.startOfDay(date);
  // The start of the next calendar day, not 24 hours or "the same wall-clock time tomorrow": a day that
  // began at 01:00 (no midnight) still ends at the next midnight.
  const Date nextDayStart = calendar.startOfDay(dayStart, 1);

  RemindersWidgetTimelineEntry entry;
  entry.date = dayStart;
  entry.layout = std::move(layout);
  entry.overdueCount = schedule.countBefore(dayStart);
  entry.todayCount = schedule.countBefore(nextDayStart) - entry.overdueCount;
  // The earliest events, overdue ones included; a reminder that cannot be made (no caregiver) leaves its
  // place empty rather than pulling a later event up.
  entry.reminders.reserve(templates.size());  // components are large: no regrowth, 31 times a request
  for (const ReminderTemplate& reminder : templates) {
    if (auto component = reminder.shownOn(date, settings, dueTexts))
      entry.reminders.push_back(std::move(*component));
  }
  return entry;
}

}  // namespace

RemindersWidgetTimelineEntry makeTimelineEntry(Date date, const EventSchedule& schedule,
                                               const std::vector<WidgetPersonPayload>& persons,
                                               const TimelineProviderContext& context,
                                               const UserSettings& settings) {
  const ContentLayout layout = contentLayout(context);
  DueTexts dueTexts(settings.strings);
  return entryWith(date, schedule, listTemplates(schedule, persons, layout), layout, settings, dueTexts);
}

RemindersWidgetTimelineEntry makeTimelineEntry(Date date, std::span<const WidgetEventPayload> events,
                                               const std::vector<WidgetPersonPayload>& persons,
                                               const TimelineProviderContext& context,
                                               const UserSettings& settings) {
  return makeTimelineEntry(date, EventSchedule(events), persons, context, settings);
}

std::vector<RemindersWidgetTimelineEntry> makeTimelineEntries(Date now, const RemindersWidgetPayload& payload,
                                                              const TimelineProviderContext& context,
                                                              const UserSettings& settings) {
  // One ordering and one set of reminder templates serve all entries: the order of the events does not
  // depend on the day, only the counts and the reminders' due wording do.
  const EventSchedule schedule(payload.events);
  const ContentLayout layout = contentLayout(context);
  const std::vector<ReminderTemplate> templates = listTemplates(schedule, payload.persons, layout);
  const Date todayStart = settings.calendar.startOfDay(now);
  DueTexts dueTexts(settings.strings);  // the same few due texts, day after day
  std::vector<RemindersWidgetTimelineEntry> entries;
  entries.reserve(kTimelineDays);
  for (int day = 0; day < kTimelineDays; ++day) {
    const Date date = settings.calendar.startOfDay(todayStart, day);
    entries.push_back(entryWith(date, schedule, templates, layout, settings, dueTexts));
  }
  return entries;
}

RemindersWidgetTimelineEntry RemindersWidgetTimelineProvider::makeTimelineEntry(
    Date date, std::span<const WidgetEventPayload> events, const std::vector<WidgetPersonPayload>& persons,
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

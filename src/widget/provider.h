// The timeline provider: answers the widget host's placeholder, snapshot and timeline requests.
//
// Every request reads the payload file afresh from the shared container. Placeholders and snapshots fall
// back to the built-in sample when the stored payload holds no event; a timeline falls back to one empty
// entry (reload policy `never`) only when no payload could be read at all, and otherwise holds 31 entries,
// one at the start of today and of each of the 30 following calendar days (policy `atEnd`).
//
// The provider keeps no mutable state: requests may run on any thread and overlap. Completions are called
// exactly once, on the calling thread, before the request returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "payload/records.h"
#include "platform/byte_buffer.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "platform/file_manager.h"
#include "platform/user_settings.h"
#include "widget/host.h"
#include "widget/timeline_entry.h"

namespace rw {

/// The platform a request runs against, handed in by the host: the user's calendar and texts (made once
/// per request), the container lookup and the clock that says what "now" is.
struct WidgetEnvironment {
  UserSettings settings;
  FileManager files;
  Clock clock = systemNow;
};

/// The number of entries of a timeline made from a payload: today and the 30 following days.
inline constexpr int kTimelineDays = 31;

/// A payload's events in the order the list shows them: ascending `plannedDateFrom`, events with equal
/// instants in payload order. Made once per request; answers every entry's counts by binary search.
/// Holds a reference to `events`, which must outlive it.
///
/// It reads each event once, in payload order, and keeps only what the entries ask: every instant, sorted
/// (a radix sort of 8-byte keys, so a million events cost a few passes over 8 MB), and the first few events
/// of the order, which are all a list shows. Asking for more of them reads the events once again.
class EventSchedule {
 public:
  explicit EventSchedule(std::span<const WidgetEventPayload> events);

  /// The number of events planned strictly before `instant`.
  std::int64_t countBefore(Date instant) const;
  /// The first `count` events of the order (fewer when there are not as many).
  std::vector<const WidgetEventPayload*> earliest(std::int64_t count) const;

 private:
  // An event's place in the order: its instant as an unsigned key that sorts like the instant (not-a-number
  // instants after all others, -0 as +0), and its index in the payload.
  struct Slot {
    std::uint64_t key;
    std::size_t index;
  };
  // Every key is written before it is read, and large key lists are advised onto huge pages.
  using Keys = std::vector<std::uint64_t, DefaultInitAllocator<std::uint64_t>>;
  // More than the longest list shows.
  static constexpr std::size_t kKeptEarliest = 8;

  std::span<const WidgetEventPayload> events_;
  Keys keys_;                // every event's key, ascending
  std::vector<Slot> first_;  // the first `kKeptEarliest` events of the order, in order
};

/// The content layout for a context: by family, and for the large families by display height (half-open
/// ranges; a negative or not-a-number height reads as a tall widget). The width is never consulted.
ContentLayout contentLayout(const TimelineProviderContext& context);

/// The entry of the day holding `date`: its start as the entry's date, the layout of `context`, the
/// counts of events planned before that day and during it, and, for the list layout only, the reminders of
/// the earliest events, shown on `date`. An event whose caregiver is missing from `persons` is skipped, not
/// replaced by a later one.
RemindersWidgetTimelineEntry makeTimelineEntry(Date date, std::span<const WidgetEventPayload> events,
                                               const std::vector<WidgetPersonPayload>& persons,
                                               const TimelineProviderContext& context,
                                               const UserSettings& settings);
/// The same, with the events already ordered (`schedule` was made from the same `events`).
RemindersWidgetTimelineEntry makeTimelineEntry(Date date, const EventSchedule& schedule,
                                               const std::vector<WidgetPersonPayload>& persons,
                                               const TimelineProviderContext& context,
                                               const UserSettings& settings);

/// The `kTimelineDays` entries of a timeline from `payload`, the first at the start of the day of `now`.
std::vector<RemindersWidgetTimelineEntry> makeTimelineEntries(Date now, const RemindersWidgetPayload& payload,
                                                              const TimelineProviderContext& context,
                                                              const UserSettings& settings);

class RemindersWidgetTimelineProvider {
 public:
  using EntryCompletion = std::function<void(RemindersWidgetTimelineEntry)>;
  using TimelineCompletion = std::function<void(Timeline<RemindersWidgetTimelineEntry>)>;

  explicit RemindersWidgetTimelineProvider(WidgetEnvironment environment)
      : environment_(std::move(environment)) {}

  /// One entry for today from the stored payload, or from the sample when the stored payload has no event.
  RemindersWidgetTimelineEntry placeholder(const TimelineProviderContext& context) const;
  /// The placeholder's entry, handed to `completion`.
  void getSnapshot(const TimelineProviderContext& context, const EntryCompletion& completion) const;
  /// 31 entries with `atEnd` from any payload read; one empty entry with `never` when none could be read.
  void getTimeline(const TimelineProviderContext& context, const TimelineCompletion& completion) const;

  /// `rw::makeTimelineEntry` with this provider's user settings.
  RemindersWidgetTimelineEntry makeTimelineEntry(Date date, std::span<const WidgetEventPayload> events,
                                                 const std::vector<WidgetPersonPayload>& persons,
                                                 const TimelineProviderContext& context) const;
  /// `rw::contentLayout`.
  static ContentLayout contentLayout(const TimelineProviderContext& context) {
    return rw::contentLayout(context);
  }

  const WidgetEnvironment& environment() const { return environment_; }

 private:
  WidgetEnvironment environment_;  // never changed after construction
};

}  // namespace rw

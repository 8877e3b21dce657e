// The value that travels from the timeline provider to the views: one day's counts and reminders, and the
// layout the views are to use.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/date.h"
#include "reminders/reminder_component.h"

namespace rw {

/// How many reminder rows the list layout plans for, and the spacing of its vertical stack.
struct RemindersListSize {
  std::int64_t remindersCount = 0;
  double rowSpacing = 0;  // points, between every pair of neighbouring children of the list
  friend bool operator==(const RemindersListSize&, const RemindersListSize&) = default;
};

namespace content_layout {
struct SystemMediumLarge {
  RemindersListSize size;
  friend bool operator==(const SystemMediumLarge&, const SystemMediumLarge&) = default;
};
struct AccessoryCircular {
  friend bool operator==(const AccessoryCircular&, const AccessoryCircular&) = default;
};
struct AccessoryRectangular {
  friend bool operator==(const AccessoryRectangular&, const AccessoryRectangular&) = default;
};
struct SystemSmall {
  friend bool operator==(const SystemSmall&, const SystemSmall&) = default;
};
}  // namespace content_layout

/// How the views lay an entry out; cases in declaration order.
using ContentLayout = std::variant<content_layout::SystemMediumLarge, content_layout::AccessoryCircular,
                                   content_layout::AccessoryRectangular, content_layout::SystemSmall>;

/// "systemMediumLarge", "accessoryCircular", "accessoryRectangular" or "systemSmall".
std::string_view caseName(const ContentLayout& layout);

struct RemindersWidgetTimelineEntry {
  Date date;  // a start of day; the host shows the entry from this instant on
  ContentLayout layout;
  std::int64_t overdueCount = 0;                           // events planned before `date`
  std::int64_t todayCount = 0;                             // events planned in [date, start of the next day)
  std::vector<WidgetTimelineReminderComponent> reminders;  // display order; empty unless list layout

  friend bool operator==(const RemindersWidgetTimelineEntry&, const RemindersWidgetTimelineEntry&) = default;
};

}  // namespace rw

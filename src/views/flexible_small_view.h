// The small widget from platform version 14 on: a date header (weekday and day of the month) above two
// counter rows, overdue then today. The rows' coloured backgrounds are toned down in the host's vibrant
// rendering mode.
#pragma once

#include <cstdint>
#include <string>

#include "platform/calendar.h"
#include "platform/date.h"
#include "ui/elements.h"
#include "ui/environment.h"
#include "widget/host.h"
#include "widget/timeline_entry.h"

namespace rw {

/// The full standalone name of the weekday of `date` on `calendar` ("Sunday", "niedziela"), as the calendar
/// gives it (not upper-cased); the empty text when the calendar has no symbol for that weekday.
std::string weekdayLabel(Date date, const Calendar& calendar);

/// The day of the month of `date` on `calendar` (1-31 on the Gregorian calendar).
std::int64_t dayOfMonth(Date date, const Calendar& calendar);

/// The calendar the date header reads: the user's, or UTC with neutral conventions when the environment
/// carries no user settings.
Calendar headerCalendar(const ui::Environment& environment);

/// The date header both small layouts show: the upper-cased weekday (10 points, semibold) above the day of
/// the month (18 points, semibold), both white and verbatim, 1 point apart, leading-aligned.
ui::Element dateHeader(Date date, const ui::Environment& environment);

/// The opacity of the counter rows' backgrounds: 0.2 in the vibrant mode, 1 otherwise.
double rowBackgroundOpacity(WidgetRenderingMode mode);

struct RemindersFlexibleSmallContentView {
  static constexpr const char* kViewName = "RemindersFlexibleSmallContentView";

  RemindersWidgetTimelineEntry timelineEntry;

  /// The header and the two rows, 8 points apart. The rendering mode comes from `environment` (the host's
  /// slot); it changes only the rows' background opacity.
  ui::Element body(const ui::Environment& environment) const;
  std::string description() const;

  friend bool operator==(const RemindersFlexibleSmallContentView&,
                         const RemindersFlexibleSmallContentView&) = default;
};

}  // namespace rw

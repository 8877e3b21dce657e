// The built-in sample payload shown by placeholders and snapshots when the host application has left no
// payload with events, and the calendar functions it places its dates with.
//
// The sample holds four events and four persons: one event overdue (yesterday afternoon), one due today
// (17:00), one on the first day of next week and one in the week after the one holding the first day of
// next month. Titles and nicks are the catalog's texts for fixed keys; the events' identifiers are fresh
// random UUIDs every time the sample is built.
#pragma once

#include <string>

#include "payload/records.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"

namespace rw {

/// The start of the calendar day after the day of `date`.
Date startOfNextDay(Date date, const Calendar& calendar);
/// The start of the calendar day before the day of `date`.
Date startOfPreviousDay(Date date, const Calendar& calendar);
/// 12:00 on the day of `date`; where that day has no 12:00, its start plus 12 hours.
Date noonOfDay(Date date, const Calendar& calendar);
/// The first instant of the month holding the day of `date` (the start of that day where the calendar
/// cannot tell, which no supported calendar does within the representable years).
Date startOfMonth(Date date, const Calendar& calendar);
/// The first instant of the month after the one holding `date`.
Date startOfNextMonth(Date date, const Calendar& calendar);
/// The start of the first day of the week after the one holding `date`; weeks begin on the locale's first
/// weekday, so on the last day of a week this is tomorrow's start.
Date startOfNextWeek(Date date, const Calendar& calendar);

/// A new random (version 4) UUID in canonical upper-case form, "8-4-4-4-12" hexadecimal digits.
std::string makeUUIDString();

/// The sample payload around the instants that `clock` answers (read anew for every date), on `calendar`,
/// with titles and nicks looked up in `strings`.
RemindersWidgetPayload samplePayload(const Calendar& calendar, const Catalog& strings, const Clock& clock);

}  // namespace rw

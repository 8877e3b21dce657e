// Payloads, calendars and entry descriptions shared by the widget tests (and the command-line tests).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "payload/payload_coding.h"
#include "payload/records.h"
#include "payload/store.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/date.h"
#include "platform/user_settings.h"
#include "support/kept_texts.h"
#include "support/test_support.h"
#include "widget/timeline_entry.h"

namespace rw::fixtures {

/// An instant from RFC 3339 text; fails the test on a typo.
using testing::at;

/// Calendar and texts for a zone and locale; texts are the keys themselves unless `translated`.
inline UserSettings settingsFor(std::string_view timeZone, std::string_view locale = "en_US",
                                bool translated = false) {
  auto calendar = Calendar::make(timeZone, locale);
  EXPECT_TRUE(calendar.has_value()) << timeZone;
  return UserSettings{.calendar = *calendar,
                      .strings = translated ? Catalog::load(defaultStringsDirectory(), locale) : Catalog()};
}

using rw::testing::kept;
using rw::testing::keptList;

inline WidgetEventPayload event(std::string_view identifier, Date plannedDateFrom,
                                std::string_view caregiver = "C1",
                                CustodyEventType type = CustodyEventType::care) {
  WidgetEventPayload e;
  e.identifier = kept(identifier);
  e.type = type;
  e.title = kept("Title " + std::string(identifier));
  e.caregiver = kept(caregiver);
  e.beneficiaries = keptList({"B1"});
  e.plannedDateFrom = plannedDateFrom;
  e.plannedDateTo = plannedDateFrom.adding(3600);
  e.dateFrom = e.plannedDateFrom;
  e.dateTo = e.plannedDateTo;
  return e;
}

inline std::vector<WidgetPersonPayload> persons() {
  return {
      {.identifier = "C1", .type = CustodyPersonType::caregiver, .nick = "Ann", .colorEncoded = {"183", 1}},
      {.identifier = "C2", .type = CustodyPersonType::caregiver, .nick = "Bob", .colorEncoded = {"183", 9}},
      {.identifier = "B1", .type = CustodyPersonType::child, .nick = "Kid", .colorEncoded = {"183", 3}}};
}

/// Writes `payload` as "reminders.plist" into `container` (XML form).
inline void store(const std::filesystem::path& container, const RemindersWidgetPayload& payload) {
  const auto bytes = writePayload(payload, plist::Format::xml);
  ASSERT_TRUE(bytes.has_value());
  rw::testing::writeFile(container / kPayloadFileName, *bytes);
}

/// Every field of an entry in one text, so that two entries compare with a readable difference.
inline std::string describe(const RemindersWidgetTimelineEntry& entry) {
  std::ostringstream out;
  out << formatRfc3339(entry.date) << ' ' << caseName(entry.layout);
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&entry.layout))
    out << '(' << list->size.remindersCount << ',' << list->size.rowSpacing << ')';
  out << " overdue=" << entry.overdueCount << " today=" << entry.todayCount << '\n';
  for (const auto& r : entry.reminders) {
    out << "  " << r.identifier << ' ' << rawValue(r.type) << " '" << r.title << "' "
        << r.dueDate.sinceReferenceDate << " '" << r.dueAmountText << "' " << dueStyleName(r.dueStyle) << " '"
        << r.dueText << "' '" << r.notes << "' " << (r.actionURL ? r.actionURL->absoluteString() : "-")
        << " [";
    for (const auto& label : r.personsLabels)
      out << label.identifier << ':' << label.nick << ':' << label.colorEncoded.version << '/'
          << label.colorEncoded.index << ' ';
    out << "]\n";
  }
  return out.str();
}

inline std::string describe(const std::vector<RemindersWidgetTimelineEntry>& entries) {
  std::string text;
  for (const auto& entry : entries)
    text += describe(entry);
  return text;
}

}  // namespace rw::fixtures

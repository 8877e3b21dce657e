// One complete event and a payload around it, as property-list values, for tests that change a field or two.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "payload/plist.h"

namespace rw::testing {

inline plist::Dictionary sampleEvent() {
  const Date from = *parseRfc3339("2026-06-10T12:00:00Z");
  return {{"identifier", std::string("E1")},
          {"type", std::string("care")},
          {"status", std::string("PLA")},
          {"title", std::string("Weekend")},
          {"caregiver", std::string("P1")},
          {"beneficiaries", plist::Array{std::string("P2")}},
          {"plannedDateFrom", from},
          {"plannedDateTo", from.adding(3600)},
          {"dateFrom", from},
          {"dateTo", from.adding(3600)},
          {"dueAmountText", std::string("")},
          {"notes", std::string("")}};
}

inline plist::Dictionary samplePerson(std::string identifier = "P1") {
  return {{"identifier", std::move(identifier)},
          {"type", std::string("caregiver")},
          {"nick", std::string("Dad")},
          {"colorEncoded", std::string("pickerIndex=6&pickerVersion=183")}};
}

/// `event` with `key` set to `value`, replaced when it is there, added when not.
inline plist::Dictionary sampleWith(plist::Dictionary event, std::string_view key, plist::Value value) {
  auto it = std::ranges::find(event, key, &plist::Dictionary::value_type::first);
  if (it == event.end()) it = event.emplace(it, std::string(key), plist::Value{});
  it->second = std::move(value);
  return event;
}

/// `record` without `key`.
inline plist::Dictionary sampleWithout(plist::Dictionary record, std::string_view key) {
  std::erase_if(record, [&](const auto& entry) { return entry.first == key; });
  return record;
}

inline plist::Value samplePayload(plist::Array events, plist::Array persons = {samplePerson()}) {
  return plist::Dictionary{{"events", std::move(events)}, {"persons", std::move(persons)}};
}

}  // namespace rw::testing

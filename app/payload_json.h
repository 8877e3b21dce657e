// The JSON form of the payload records, as `payload -o FILE.json` writes it and `payload encode` reads it:
//
//   {"events": [{"identifier", "type", "status", "title", "caregiver", "beneficiaries", "plannedDateFrom",
//                "plannedDateTo", "dateFrom", "dateTo", "dueAmountText", "notes", "actionURL"}],
//    "persons": [{"identifier", "type", "nick", "colorEncoded": {"version", "index"}}]}
//
// Keys keep the order of the fields. Enumerations are their raw values ("status" of a permanently deleted
// event is ""), dates ISO 8601 texts in UTC that read back to the same instant ("2026-06-10T12:00:00.000Z",
// "2026-06-10T12:00:00.123456Z", "+200000-01-01T00:00:00.000Z"; see formatDateText) or, beyond nine-digit
// years, the number of seconds since 2001-01-01T00:00:00Z, and "actionURL" the resolved URL text (relative
// when neither it nor its base has a scheme) or null.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "payload/color_encoded.h"
#include "payload/records.h"
#include "platform/result.h"

namespace rw::app {

using Json = nlohmann::ordered_json;

/// {"version": "183", "index": 6}
Json toJson(const ColorEncoded& color);
Json toJson(const WidgetEventPayload& event);
Json toJson(const WidgetPersonPayload& person);
Json toJson(const RemindersWidgetPayload& payload);

/// Reads the form above. Every listed key is required except "actionURL" (absent or null: no URL; a text:
/// a URL reference); dates are texts with any offset and decimals, or numbers; keys not listed are ignored,
/// as the property-list decoding does. Enumeration texts must be raw values exactly, "index" an integer that
/// fits 64 bits. A refusal says where ("events[2].plannedDateFrom", "the root") and what ("expected an RFC
/// 3339 date").
[[nodiscard]] Result<RemindersWidgetPayload> payloadFromJson(const Json& json);
[[nodiscard]] Result<ColorEncoded> colorEncodedFromJson(const Json& json);

}  // namespace rw::app

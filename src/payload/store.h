// Reading the payload file "reminders.plist" from the app group's shared container.
//
// Nothing is cached: every call looks the container up, reads the file whole and decodes it. Failures are
// reported as single lines on standard output (see each function) and end in nothing.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "payload/records.h"
#include "platform/file_manager.h"

namespace rw {

inline constexpr std::string_view kAppGroupIdentifier = "group.org.corvantis.widgetkit";
inline constexpr std::string_view kPayloadFileName = "reminders.plist";

/// The payload file's location, or nothing (and "Error in RemindersWidgetPayload.payloadURL(): App group
/// ... not found") when the container does not exist.
std::optional<std::filesystem::path> payloadURL(const FileManager& files);

/// The decoded payload, or nothing: after the two lines of a missing container, silently for a missing or
/// unreadable file, after "... Unable to decode data" for a file that does not decode.
std::optional<RemindersWidgetPayload> payloadReadingAppGroup(const FileManager& files);

}  // namespace rw

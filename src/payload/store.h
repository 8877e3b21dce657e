// Reading the payload file "reminders.plist" from the app group's shared container.
//
// Nothing is cached: every call looks the container up, reads the file whole and decodes it. Failures are
// reported as single lines on standard output (see each function) and end in nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "payload/records.h"
#include "platform/file_manager.h"

namespace rw {

inline constexpr std::string_view kAppGroupIdentifier = "group.org.corvantis.widgetkit";
inline constexpr std::string_view kPayloadFileName = "reminders.plist";

/// The largest payload file read (1 GiB: a real snapshot is a few hundred KiB, and a million events written
/// as XML are about 800 MiB; the bound keeps a runaway or hostile file from exhausting memory). A larger
/// file is treated like an unreadable one: nothing is returned and nothing printed.
inline constexpr std::uintmax_t kMaxPayloadFileSize = std::uintmax_t{1024} * 1024 * 1024;

/// The payload file's location, or nothing (and "Error in RemindersWidgetPayload.payloadURL(): App group
/// ... not found") when the container does not exist.
std::optional<std::filesystem::path> payloadURL(const FileManager& files);

/// The decoded payload, or nothing: after the two lines of a missing container, silently for a missing or
/// unreadable file, after "... Unable to decode data" for a file that does not decode. Unreadable includes
/// anything that is not a regular file (a directory or FIFO in the file's place) and a file larger than
/// `kMaxPayloadFileSize`. Security-scoped access is held around the read only, never during decoding.
std::optional<RemindersWidgetPayload> payloadReadingAppGroup(const FileManager& files);

}  // namespace rw

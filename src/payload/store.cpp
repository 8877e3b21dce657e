#include "payload/store.h"

#include <string>

#include "payload/payload_coding.h"
#include "platform/messages.h"

namespace rw {

std::optional<std::filesystem::path> payloadURL(const FileManager& files) {
  auto container = files.containerURL(kAppGroupIdentifier);
  if (!container) {
    std::string reason = "App group ";
    reason.append(kAppGroupIdentifier).append(" not found");
    reportError(RemindersWidgetPayload::typeName, "payloadURL()", reason);
    return std::nullopt;
  }
  return *container / kPayloadFileName;
}

std::optional<RemindersWidgetPayload> payloadReadingAppGroup(const FileManager& files) {
  constexpr std::string_view kOperation = "payloadReadingAppGroup()";
  const auto url = payloadURL(files);
  if (!url) {
    reportError(RemindersWidgetPayload::typeName, kOperation, "No payload URL");
    return std::nullopt;
  }

  std::optional<ByteBuffer> data;
  {
    // Access is released at the end of this block, whether the read worked or not, and before decoding.
    const SecurityScopedAccess access(*url);
    data = readWholeFile(*url, kMaxPayloadFileSize);
  }
  // A missing or unreadable file is not reported: the host may simply not have written one yet.
  if (!data) return std::nullopt;

  auto decoded = decodePayload(std::move(*data));
  if (!decoded) {
    reportError(RemindersWidgetPayload::typeName, kOperation, "Unable to decode data");
    return std::nullopt;
  }
  return std::move(*decoded);
}

}  // namespace rw

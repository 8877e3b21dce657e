// The whole request path on hostile bytes: the input is stored as reminders.plist in a container of its
// own, then the provider answers a placeholder, a snapshot and a timeline for a large and a small widget,
// and the first entry of the large widget's timeline is laid out by the root view with Pango's text metrics.
//
// Besides crashes, leaks and undefined behaviour it checks what every answer promises: a timeline of 31
// daily entries with `atEnd` whenever the store reads a payload, one empty entry with `never` when it does
// not; no more rows than the layout plans; frames that are finite numbers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "payload/store.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "views/root_view.h"
#include "widget/provider.h"

namespace {

using namespace rw;

// A container directory for this process, removed when it ends.
const std::filesystem::path& container() {
  static const std::filesystem::path directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz-request-path-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(container(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return directory;
}

// A Saturday in June, in a zone with daylight saving time and a language with three plural forms.
WidgetEnvironment makeEnvironment() {
  auto calendar = Calendar::make("Europe/Warsaw", "pl_PL");
  if (!calendar) std::abort();
  const auto now = parseRfc3339("2026-06-13T09:30:00Z");
  if (!now) std::abort();
  return WidgetEnvironment{
      .settings =
          UserSettings{.calendar = *calendar, .strings = Catalog::load(defaultStringsDirectory(), "pl_PL")},
      .files = FileManager(container()),
      .clock = fixedClock(*now),
  };
}

void check(bool condition) {
  if (!condition) __builtin_trap();
}

bool framesAreFinite(const ui::LayoutNode& node) {
  const auto& f = node.frame;
  if (!std::isfinite(f.origin.x) || !std::isfinite(f.origin.y) || !std::isfinite(f.size.width) ||
      !std::isfinite(f.size.height))
    return false;
  for (const auto& child : node.children)
    if (!framesAreFinite(child)) return false;
  return true;
}

std::size_t plannedRows(const ContentLayout& layout) {
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout))
    return static_cast<std::size_t>(list->size.remindersCount);
  return 0;
}

void checkEntry(const RemindersWidgetTimelineEntry& entry) {
  check(entry.reminders.size() <= plannedRows(entry.layout));
  check(entry.overdueCount >= 0 && entry.todayCount >= 0);
}

void layOut(const RemindersWidgetTimelineEntry& entry, Size canvas, const UserSettings& settings) {
  const ui::Environment environment{.platformVersion = {14, 0, 0}, .settings = settings};
  const ui::Element body = RemindersWidgetView{entry}.body(environment);
  check(framesAreFinite(ui::layout(body, canvas, environment, ui::pangoTextMeasurer())));
}

// The first entry of the timeline, laid out when `layOutFirst` (the costly part: Pango sets every text).
void askFor(const RemindersWidgetTimelineProvider& provider, const TimelineProviderContext& context,
            bool payloadRead, bool layOutFirst) {
  const RemindersWidgetTimelineEntry placeholder = provider.placeholder(context);
  checkEntry(placeholder);

  int snapshots = 0;
  provider.getSnapshot(context, [&](RemindersWidgetTimelineEntry entry) {
    ++snapshots;
    checkEntry(entry);
  });
  check(snapshots == 1);

  std::optional<Timeline<RemindersWidgetTimelineEntry>> timeline;
  provider.getTimeline(context, [&](Timeline<RemindersWidgetTimelineEntry> answer) {
    check(!timeline);
    timeline = std::move(answer);
  });
  check(timeline.has_value());
  if (payloadRead) {
    check(timeline->entries.size() == static_cast<std::size_t>(kTimelineDays));
    check(timeline->policy == TimelineReloadPolicy::atEnd);
  } else {
    check(timeline->entries.size() == 1);
    check(timeline->policy == TimelineReloadPolicy::never);
    check(timeline->entries[0].reminders.empty());
    check(timeline->entries[0].overdueCount == 0 && timeline->entries[0].todayCount == 0);
  }
  for (std::size_t i = 0; i < timeline->entries.size(); ++i) {
    checkEntry(timeline->entries[i]);
    if (i > 0)
      check(timeline->entries[i - 1].date.sinceReferenceDate < timeline->entries[i].date.sinceReferenceDate);
  }
  if (layOutFirst) layOut(timeline->entries.front(), context.displaySize, provider.environment().settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const RemindersWidgetTimelineProvider provider(makeEnvironment());

  const auto file = container() / kPayloadFileName;
  {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, out) != size) std::abort();
    if (std::fclose(out) != 0) std::abort();
  }

  const bool payloadRead = payloadReadingAppGroup(provider.environment().files).has_value();
  // The list of the large widget shows the payload's titles, nicks and amounts: that entry is laid out.
  askFor(provider, {.family = WidgetFamily::systemLarge, .displaySize = {364, 382}}, payloadRead, true);
  askFor(provider, {.family = WidgetFamily::systemSmall, .displaySize = {170, 170}}, payloadRead, false);
  return 0;
}

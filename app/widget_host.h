// What the drawing host commands (render, gallery, tap, describe, host) share: the declared widget read
// with the platform the options describe, the answer to a request, and the widget laid out as the host
// shows it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host_options.h"
#include "ui/environment.h"
#include "ui/layout.h"
#include "views/widget.h"
#include "widget/host_schedule.h"

namespace rw::app {

/// The options of the drawing commands beyond the request options.
struct WidgetOptions {
  HostOptions host;
  std::string request = "timeline";  // placeholder, snapshot or timeline
  std::int64_t entry = 0;
  std::string osVersion = "14.0.0";
  std::string mode = "fullColor";
  double scale = 2;

  /// Adds --os-version and --mode, with `withRequest` --request and --entry, with `withScale` --scale.
  void addTo(CLI::App& command, bool withRequest, bool withScale);
};

/// "14", "13.1" or "12.2.1"; nothing for anything else (signs, spaces, more than three parts).
[[nodiscard]] std::optional<PlatformVersion> parsePlatformVersion(std::string_view text);
/// "fullColor", "accented" or "vibrant".
[[nodiscard]] std::optional<WidgetRenderingMode> parseRenderingMode(std::string_view text);
std::string formatPlatformVersion(PlatformVersion version);

/// The largest image the drawing commands make, per side and in all, in pixels.
inline constexpr int kMaxImageSide = 16'384;
inline constexpr double kMaxImagePixels = 64.0 * 1024 * 1024;

/// Throws `UsageError` unless `scale` is finite, above 0 and at most 16, and the image of `canvas` at that
/// scale stays within `kMaxImageSide` and `kMaxImagePixels`.
void checkScale(double scale, Size canvas);

/// The views' environment of a drawing command: its version and mode, the user's settings, and the layout
/// direction of the language the texts are in.
ui::Environment hostEnvironment(PlatformVersion version, WidgetRenderingMode mode,
                                const UserSettings& settings);

/// The declared widget and everything a drawing command runs it with.
struct WidgetRun {
  HostRequest request;
  PlatformVersion version;
  WidgetRenderingMode mode = WidgetRenderingMode::fullColor;
  StaticConfiguration configuration;

  ui::Environment environment() const;
};

/// Resolves the options (throwing `UsageError` where one is unusable), checks the colours can be read
/// (`requireColors`) and reads the widget's declaration.
WidgetRun prepareRun(const WidgetOptions& options);

/// `prepareRun` for a request made now in `zone` (the zone the host's clock reads at this moment). When that
/// zone is one the calendar does not know (or the catalogs went away) it says so in one line on stderr and
/// runs on the options as given, else on `last`, so that a long-running host keeps running.
WidgetRun prepareRunInZone(const WidgetOptions& options, const std::string& zone, WidgetRun last);

/// A provider's answer: its entries, and the reload policy when it was a timeline.
struct Answer {
  std::vector<RemindersWidgetTimelineEntry> entries;
  std::optional<TimelineReloadPolicy> policy;
};

/// Asks the configuration's provider `request` ("placeholder", "snapshot" or "timeline") for `context`.
Answer ask(const StaticConfiguration& configuration, std::string_view request,
           const TimelineProviderContext& context);

/// Entry `index` of `answer`; throws `UsageError` when there is no such entry.
const RemindersWidgetTimelineEntry& entryAt(const Answer& answer, std::int64_t index);

/// The corner radius of the system families' rounded shape, in points.
inline constexpr double kWidgetCornerRadius = 22;

/// The host's font for the inline accessory family, whose one text line of 26 points holds both counter
/// rows: 9 points, two rows of about 11 points and their spacing of 4.
inline constexpr double kInlineAccessoryFontSize = 9;

/// The widget as the host shows it: the content view of `entry` in a frame of exactly `size`, clipped to
/// the rounded shape for the system families; the inline accessory in the host's font of that family.
ui::Element hostedWidget(const StaticConfiguration& configuration, const RemindersWidgetTimelineEntry& entry,
                         WidgetFamily family, Size size);

/// `hostedWidget` laid out on a canvas of `size` with Pango's text metrics.
ui::LayoutNode layoutWidget(const StaticConfiguration& configuration,
                            const RemindersWidgetTimelineEntry& entry, WidgetFamily family, Size size,
                            const ui::Environment& environment);

/// One line for a long-running host's request: "<when> request (<reason>) in <zone>: <n> entries, reload
/// <policy>; showing entry <i>; next change <when>".
std::string requestLine(const HostRequestRecord& record);

}  // namespace rw::app

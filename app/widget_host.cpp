#include "widget_host.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <sstream>

#include "commands.h"
#include "ui/color_resources.h"
#include "ui/pango_text_measurer.h"

namespace rw::app {

void WidgetOptions::addTo(CLI::App& command, bool withRequest, bool withScale) {
  if (withRequest) {
    command
        .add_option("--request", request,
                    "Which request's entries to draw: placeholder, snapshot or timeline")
        ->capture_default_str();
    command.add_option("--entry", entry, "Which entry of the answer (0 = the first)")->capture_default_str();
  }
  command.add_option("--os-version", osVersion, "The platform version the widget runs on, X.Y.Z")
      ->capture_default_str();
  command.add_option("--mode", mode, "Rendering mode: fullColor, accented or vibrant")->capture_default_str();
  if (withScale)
    addDecimalOption(command, "--scale", scale,
                     "Pixels per point, above 0 and at most 16; " + std::string(kDecimalSyntax))
        ->default_str("2");
}

std::optional<PlatformVersion> parsePlatformVersion(std::string_view text) {
  int parts[3] = {0, 0, 0};
  std::size_t count = 0;
  const char* p = text.data();
  const char* end = p + text.size();
  while (count < 3) {
    // Digits only: from_chars would take a sign.
    if (p == end || *p < '0' || *p > '9') return std::nullopt;
    const auto [next, error] = std::from_chars(p, end, parts[count]);
    if (error != std::errc{}) return std::nullopt;
    p = next;
    ++count;
    if (p == end) break;
    if (*p != '.') return std::nullopt;
    ++p;
  }
  if (p != end) return std::nullopt;
  return PlatformVersion{parts[0], parts[1], parts[2]};
}

std::optional<WidgetRenderingMode> parseRenderingMode(std::string_view text) {
  if (text == "fullColor") return WidgetRenderingMode::fullColor;
  if (text == "accented") return WidgetRenderingMode::accented;
  if (text == "vibrant") return WidgetRenderingMode::vibrant;
  return std::nullopt;
}

std::string formatPlatformVersion(PlatformVersion version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.patch);
}

void checkScale(double scale, Size canvas) {
  if (!(std::isfinite(scale) && scale > 0 && scale <= 16))
    throw UsageError("invalid --scale (a number above 0 and at most 16)");
  const double width = std::ceil(canvas.width * scale);
  const double height = std::ceil(canvas.height * scale);
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
    throw UsageError("the image would be too large at --scale " + std::to_string(scale) + " (at most " +
                     std::to_string(kMaxImageSide) + " pixels a side and 64 megapixels)");
}

ui::Environment hostEnvironment(PlatformVersion version, WidgetRenderingMode mode,
                                const UserSettings& settings) {
  return {.platformVersion = version,
          .renderingMode = mode,
          .layoutDirection = settings.strings.layoutDirection(),
          .settings = settings};
}

ui::Environment WidgetRun::environment() const {
  return hostEnvironment(version, mode, request.environment.settings);
}

void requireColors() {
  if (const auto& colors = ui::loadDefaultColorTable(); !colors) {
    exitWith(Failure{colors.error().reason +
                     " (reinstall the program, or set REMINDERS_WIDGET_RESOURCES to the directory holding "
                     "colors.json)"});
  }
}

WidgetRun prepareRun(const WidgetOptions& options) {
  if (options.request != "placeholder" && options.request != "snapshot" && options.request != "timeline")
    throw UsageError("invalid --request '" + options.request + "' (placeholder, snapshot or timeline)");
  if (options.entry < 0) throw UsageError("invalid --entry (0 or more)");
  const auto version = parsePlatformVersion(options.osVersion);
  if (!version) throw UsageError("invalid --os-version '" + options.osVersion + "' (e.g. 14.0.0)");
  const auto mode = parseRenderingMode(options.mode);
  if (!mode) throw UsageError("invalid --mode '" + options.mode + "' (fullColor, accented or vibrant)");
  HostRequest request = resolve(options.host);
  requireColors();
  StaticConfiguration configuration = RemindersWidget{}.body(request.environment, *version);
  return {.request = std::move(request),
          .version = *version,
          .mode = *mode,
          .configuration = std::move(configuration)};
}

WidgetRun prepareRunInZone(const WidgetOptions& options, const std::string& zone, WidgetRun last) {
  WidgetOptions now = options;
  now.host.timeZone = zone;
  try {
    return prepareRun(now);
  } catch (const UsageError& error) {
    printProblem(error.what());
  }
  try {
    return prepareRun(options);
  } catch (const UsageError&) {
    return last;
  }
}

Answer ask(const StaticConfiguration& configuration, std::string_view request,
           const TimelineProviderContext& context) {
  Answer answer;
  const auto& provider = configuration.provider;
  if (request == "placeholder") {
    answer.entries.push_back(provider.placeholder(context));
  } else if (request == "snapshot") {
    provider.getSnapshot(
        context, [&](RemindersWidgetTimelineEntry entry) { answer.entries.push_back(std::move(entry)); });
  } else {
    provider.getTimeline(context, [&](Timeline<RemindersWidgetTimelineEntry> timeline) {
      answer.entries = std::move(timeline.entries);
      answer.policy = timeline.policy;
    });
  }
  return answer;
}

const RemindersWidgetTimelineEntry& entryAt(const Answer& answer, std::int64_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= answer.entries.size())
    throw UsageError("no entry " + std::to_string(index) + ": the answer has " +
                     std::to_string(answer.entries.size()) +
                     (answer.entries.size() == 1 ? " entry" : " entries"));
  return answer.entries[static_cast<std::size_t>(index)];
}

std::string requestLine(const HostRequestRecord& record) {
  std::ostringstream out;
  out << formatRfc3339(record.requestedAt) << " request (" << reasonName(record.reason) << ") in "
      << record.timeZone << ": " << record.entryCount << (record.entryCount == 1 ? " entry" : " entries")
      << ", reload " << policyName(record.policy);
  if (record.shownEntry) out << "; showing entry " << *record.shownEntry;
  if (record.nextWake) out << "; next change " << formatRfc3339(*record.nextWake);
  return out.str();
}

namespace {

bool isSystemFamily(WidgetFamily family) {
  return family == WidgetFamily::systemSmall || family == WidgetFamily::systemMedium ||
         family == WidgetFamily::systemLarge || family == WidgetFamily::systemExtraLarge;
}

}  // namespace

ui::Element hostedWidget(const StaticConfiguration& configuration, const RemindersWidgetTimelineEntry& entry,
                         WidgetFamily family, Size size) {
  ui::Element content = configuration.content(entry);
  if (family == WidgetFamily::accessoryInline)
    content = content.font(ui::Font::system(kInlineAccessoryFontSize));
  ui::Element widget = content.frame(size.width, size.height);
  return isSystemFamily(family) ? widget.clipRoundedRect(kWidgetCornerRadius) : widget;
}

ui::LayoutNode layoutWidget(const StaticConfiguration& configuration,
                            const RemindersWidgetTimelineEntry& entry, WidgetFamily family, Size size,
                            const ui::Environment& environment) {
  return ui::layout(hostedWidget(configuration, entry, family, size), size, environment,
                    ui::pangoTextMeasurer());
}

}  // namespace rw::app

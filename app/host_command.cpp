// host: a long-running widget host. It keeps a timeline, draws the entry of the moment to a PNG file
// (written to a new file of a random name beside it and renamed into place, so a reader never sees half
// an image) and asks the provider again when the timeline's policy or the outside world says so. Scheduling
// is `runTimelineHost` (widget/host_schedule.h); this file supplies the system's clock, and its events
// come from `SystemEvents` (system_events.h), as the desktop window's do: the deadline timer that also
// notices the wall clock being set, SIGHUP (a reload request), SIGTERM and SIGINT (end), and the container's
// files, watched also while the container or any of the directories above it is still to be made, and
// when the zone comes from the system, /etc/localtime and /etc/timezone; a burst of file events makes one
// request once the files have been quiet for a moment.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "commands.h"
#include "platform/calendar.h"
#include "platform/clock.h"
#include "system_events.h"
#include "ui/renderer.h"
#include "widget/host_schedule.h"
#include "widget_host.h"

namespace rw::app {

namespace {

namespace fs = std::filesystem;

struct HostCommandOptions {
  WidgetOptions widget;
  std::string output;
};

class SystemClock final : public HostClock {
 public:
  explicit SystemClock(std::string fixedZone) : fixedZone_(std::move(fixedZone)) {}
  Date now() const override { return systemNow(); }
  std::string timeZone() const override {
    return fixedZone_.empty() ? timeZoneFromEnvironment() : fixedZone_;
  }

 private:
  std::string fixedZone_;  // --time-zone; empty: whatever the environment says at each reading
};

void runHost(const HostCommandOptions& options) {
  if (!options.widget.host.now.empty())
    throw UsageError("host runs on the system clock: --now does not apply");
  const fs::path output = options.output;
  if (ui::imageFormatFor(output) != ui::ImageFormat::png) throw UsageError("--output must end in .png");
  // Checked once up front, so that a bad option fails at once rather than at the first request.
  WidgetRun current = prepareRun(options.widget);
  checkScale(options.widget.scale, current.request.context.displaySize);

  const SystemClock clock(options.widget.host.timeZone);
  SystemEvents events(options.widget.host);

  HostDriver driver{
      .requestTimeline =
          [&](ReloadReason) {
            // Each request runs in the zone of the moment and reads the payload afresh.
            current = prepareRunInZone(options.widget, clock.timeZone(), std::move(current));
            Timeline<RemindersWidgetTimelineEntry> timeline;
            current.configuration.provider.getTimeline(
                current.request.context,
                [&](Timeline<RemindersWidgetTimelineEntry> answer) { timeline = std::move(answer); });
            return timeline;
          },
      .show =
          [&](const RemindersWidgetTimelineEntry& entry, std::size_t) {
            const auto& context = current.request.context;
            const ui::LayoutNode root = layoutWidget(current.configuration, entry, context.family,
                                                     context.displaySize, current.environment());
            // Drawn to a new file beside the picture and renamed into place (ui::renderToFile).
            if (const auto drawn =
                    ui::renderToFile(root, context.displaySize, output, {.scale = options.widget.scale});
                !drawn)
              printProblem(drawn.error().reason);
          },
      .report =
          [](const HostRequestRecord& record) {
            std::printf("%s\n", requestLine(record).c_str());
            std::fflush(stdout);
          },
  };
  runTimelineHost(clock, events, driver);
  std::printf("Host ended\n");
  std::fflush(stdout);
}

}  // namespace

void addHostCommand(CLI::App& app) {
  auto options = std::make_shared<HostCommandOptions>();
  CLI::App* command = app.add_subcommand(
      "host",
      "Keep a timeline and draw the current entry to a PNG file whenever it changes, until SIGTERM "
      "(SIGHUP asks for a new timeline)");
  options->widget.host.addTo(*command);
  options->widget.addTo(*command, false, true);
  command->add_option("-o,--output", options->output, "The PNG file to keep up to date")->required();
  command->callback([options] { runHost(*options); });
}

}  // namespace rw::app

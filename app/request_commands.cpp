// placeholder, snapshot, timeline: ask the provider what the widget host would ask, and show the answer as
// a readable summary or (-o FILE) as JSON.
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "entry_json.h"
#include "host_options.h"
#include "platform/date.h"
#include "platform/file_output.h"
#include "platform/messages.h"
#include "widget/provider.h"

namespace rw::app {

namespace {

struct RequestOptions {
  HostOptions host;
  std::string output;  // "-" for standard output
};

std::string layoutSummary(const ContentLayout& layout) {
  std::ostringstream out;
  out << caseName(layout);
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout))
    out << " (" << list->size.remindersCount << " rows, spacing " << std::fixed << std::setprecision(1)
        << list->size.rowSpacing << ")";
  return out.str();
}

void printSummary(std::string_view request, const HostRequest& host,
                  std::optional<TimelineReloadPolicy> policy,
                  const std::vector<RemindersWidgetTimelineEntry>& entries) {
  std::ostringstream out;
  out << request << " for " << familyName(host.context.family) << ' '
      << formatDisplaySize(host.context.displaySize) << " in "
      << host.environment.settings.calendar.timeZoneId() << ": " << entries.size()
      << (entries.size() == 1 ? " entry" : " entries");
  if (policy) out << ", reload " << policyName(*policy);
  out << '\n';
  for (const auto& entry : entries) {
    out << formatRfc3339(entry.date) << "  " << layoutSummary(entry.layout) << "  overdue "
        << entry.overdueCount << ", today " << entry.todayCount << '\n';
    for (const auto& reminder : entry.reminders) {
      // Texts from the payload are shown escaped: a line break or a terminal command in a title is text.
      out << "  - [" << dueStyleName(reminder.dueStyle) << "] " << printable(reminder.dueText) << "  "
          << printable(reminder.title) << " (" << rawValue(reminder.type) << ')';
      if (!reminder.dueAmountText.empty()) out << "  " << printable(reminder.dueAmountText);
      out << "  with";
      for (const auto& label : reminder.personsLabels)
        out << ' ' << printable(label.nick);
      out << '\n';
    }
  }
  std::fputs(out.str().c_str(), stdout);
  std::fflush(stdout);
}

// Writes the JSON answer to `output` ("-": standard output) as it is made, piece by piece: the text of a
// large answer never sits whole in memory, whose fresh pages cost more than making it. A file that cannot
// be written ends the command as `writeOutput` does.
void writeJsonAnswer(const std::string& output, std::string_view request,
                     const TimelineProviderContext& context, std::optional<TimelineReloadPolicy> policy,
                     const std::vector<RemindersWidgetTimelineEntry>& entries) {
  if (output == "-") {
    // Standard output's failures are not reported, as for every other answer.
    JsonWriter out([](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); });
    writeRequest(out, request, context, policy, entries);
    out.flush();
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return;
  }
  // A new file beside the output, renamed over it once whole (platform/file_output.h).
  auto file = FileReplacement::begin(output);
  if (!file) exitWith(file.error());
  JsonWriter out([&](std::string_view piece) { file->write(piece); });
  writeRequest(out, request, context, policy, entries);
  out.flush();
  file->write("\n");
  if (const auto written = file->commit(); !written) exitWith(written.error());
}

void answer(std::string_view request, const RequestOptions& options) {
  // Standard output is then the JSON alone: the system's lines go to standard error.
  if (options.output == "-") sendLinesToStandardError();
  const HostRequest host = resolve(options.host);
  const RemindersWidgetTimelineProvider provider(host.environment);

  std::vector<RemindersWidgetTimelineEntry> entries;
  std::optional<TimelineReloadPolicy> policy;
  if (request == "placeholder") {
    entries.push_back(provider.placeholder(host.context));
  } else if (request == "snapshot") {
    provider.getSnapshot(host.context,
                         [&](RemindersWidgetTimelineEntry entry) { entries.push_back(std::move(entry)); });
  } else {
    provider.getTimeline(host.context, [&](Timeline<RemindersWidgetTimelineEntry> timeline) {
      entries = std::move(timeline.entries);
      policy = timeline.policy;
    });
  }

  if (options.output.empty())
    printSummary(request, host, policy, entries);
  else
    writeJsonAnswer(options.output, request, host.context, policy, entries);
}

void addRequest(CLI::App& app, const std::string& name, const std::string& description) {
  auto options = std::make_shared<RequestOptions>();
  CLI::App* command = app.add_subcommand(name, description);
  options->host.addTo(*command);
  command->add_option("-o,--output", options->output,
                      "Write the answer as JSON to FILE ('-': standard output)");
  command->callback([name, options] { answer(name, *options); });
}

}  // namespace

namespace {

struct RequestCommand {
  const char* name;
  const char* description;
};

constexpr RequestCommand kRequestCommands[] = {
    {"placeholder", "The placeholder entry: the stored payload, or the sample when it has no event"},
    {"snapshot", "The gallery snapshot entry (answered like the placeholder)"},
    {"timeline", "The timeline: 31 daily entries, or one empty entry when no payload can be read"},
};

}  // namespace

void addRequestCommands(CLI::App& app) {
  for (const auto& command : kRequestCommands)
    addRequest(app, command.name, command.description);
}

void addRequestCommand(CLI::App& app, std::string_view name) {
  for (const auto& command : kRequestCommands)
    if (name == command.name) addRequest(app, command.name, command.description);
}

}  // namespace rw::app

// render, gallery, tap, describe: the declared widget drawn, shown in a browsable gallery, tapped and
// described, as the widget host would do it.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "commands.h"
#include "gallery_html.h"
#include "platform/date.h"
#include "platform/messages.h"
#include "platform/url.h"
#include "ui/hit_testing.h"
#include "ui/renderer.h"
#include "widget_host.h"

namespace rw::app {

namespace {

using Json = nlohmann::ordered_json;

// ---------------------------------------------------------------------------------------------------------
// render

struct RenderOptions {
  WidgetOptions widget;
  std::string output;
};

void render(const RenderOptions& options) {
  if (!ui::imageFormatFor(options.output)) throw UsageError("--output must end in .png, .svg or .pdf");
  const WidgetRun run = prepareRun(options.widget);
  const TimelineProviderContext& context = run.request.context;
  checkScale(options.widget.scale, context.displaySize);
  const Answer answer = ask(run.configuration, options.widget.request, context);
  const auto& entry = entryAt(answer, options.widget.entry);

  const ui::LayoutNode root =
      layoutWidget(run.configuration, entry, context.family, context.displaySize, run.environment());
  if (const auto drawn =
          ui::renderToFile(root, context.displaySize, options.output, {.scale = options.widget.scale});
      !drawn)
    exitWith(drawn.error());
  const auto [width, height] = ui::pixelSize(context.displaySize, options.widget.scale);
  std::printf("Drew %s %s, entry %lld of %zu (%s, %s), on %s in %s mode to %s (%dx%d pixels)\n",
              std::string(familyName(context.family)).c_str(), formatDisplaySize(context.displaySize).c_str(),
              static_cast<long long>(options.widget.entry), answer.entries.size(),
              options.widget.request.c_str(), formatRfc3339(entry.date).c_str(),
              formatPlatformVersion(run.version).c_str(), options.widget.mode.c_str(), options.output.c_str(),
              width, height);
}

// ---------------------------------------------------------------------------------------------------------
// gallery

struct GalleryOptions {
  WidgetOptions widget;
  std::string output;
};

// The offered families, then the medium family and the accessory layouts the provider also serves.
std::vector<WidgetFamily> galleryFamilies(const StaticConfiguration& configuration) {
  std::vector<WidgetFamily> families = configuration.supportedFamilies;
  for (WidgetFamily extra :
       {WidgetFamily::systemMedium, WidgetFamily::accessoryCircular, WidgetFamily::accessoryRectangular})
    if (std::find(families.begin(), families.end(), extra) == families.end()) families.push_back(extra);
  return families;
}

void gallery(const GalleryOptions& options) {
  const WidgetRun run = prepareRun(options.widget);
  // Every family's image is checked before the first is drawn: a scale too large for one draws none.
  const std::vector<WidgetFamily> families = galleryFamilies(run.configuration);
  for (WidgetFamily family : families)
    checkScale(options.widget.scale, defaultDisplaySize(family));
  const std::filesystem::path directory = options.output;
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (!std::filesystem::is_directory(directory, error)) {
    exitWith(Failure{"cannot make the directory '" + options.output + "'"});
  }

  const ui::Environment environment = run.environment();
  GalleryPage page{.title = "Reminders widget",
                   .subtitle = options.widget.request + " entry " + std::to_string(options.widget.entry) +
                               ", platform " + formatPlatformVersion(run.version) + ", " +
                               options.widget.mode + " mode"};
  for (WidgetFamily family : families) {
    const Size size = defaultDisplaySize(family);
    const TimelineProviderContext context{.family = family, .displaySize = size};
    const Answer answer = ask(run.configuration, options.widget.request, context);
    const auto& entry = entryAt(answer, options.widget.entry);
    const ui::LayoutNode root = layoutWidget(run.configuration, entry, family, size, environment);
    const std::string name = std::string(familyName(family)) + ".png";
    if (const auto drawn = ui::renderToFile(root, size, directory / name, {.scale = options.widget.scale});
        !drawn)
      exitWith(drawn.error());
    GalleryImage image{.caption = std::string(familyName(family)) + " " + formatDisplaySize(size) + " (" +
                                  std::string(caseName(entry.layout)) + ")",
                       .file = name,
                       .size = size};
    // Row links come in the order of the rows, so each names its reminder.
    std::size_t row = 0;
    for (const ui::LinkArea& area : ui::linkAreas(root)) {
      std::string label = area.widgetWide ? "The widget" : "A reminder";
      if (!area.widgetWide && row < entry.reminders.size())
        label = "Reminder: " + entry.reminders[row++].title;
      // The widget's link opens from anywhere on it, margins included, not only from its content's frame.
      const ui::Rect frame = area.widgetWide ? ui::Rect{{0, 0}, size} : area.frame;
      image.links.push_back({.frame = frame, .url = area.url, .label = label, .widgetWide = area.widgetWide});
    }
    page.images.push_back(std::move(image));
  }
  const auto index = directory / "index.html";
  writeOutput(index.string(), galleryHtml(page));
  std::printf("Drew %zu widgets into %s; open %s in a browser\n", page.images.size(), directory.c_str(),
              index.c_str());
}

// ---------------------------------------------------------------------------------------------------------
// tap

struct TapOptions {
  WidgetOptions widget;
  std::string at;
};

std::optional<ui::Point> parsePoint(std::string_view text) {
  const auto comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto x = parseDecimal(text.substr(0, comma));
  const auto y = parseDecimal(text.substr(comma + 1));
  if (!x || !y) return std::nullopt;
  return ui::Point{*x, *y};
}

void tap(const TapOptions& options) {
  const auto point = parsePoint(options.at);
  if (!point)
    throw UsageError("invalid --at '" + options.at + "' (X,Y in points, each " + std::string(kDecimalSyntax) +
                     ")");
  // Standard output is the URL alone: the system's lines go to standard error.
  sendLinesToStandardError();
  const WidgetRun run = prepareRun(options.widget);
  const TimelineProviderContext& context = run.request.context;
  const ui::Rect widget{{0, 0}, context.displaySize};
  if (!widget.contains(*point))
    throw UsageError("--at " + options.at + " lies outside the widget (" +
                     formatDisplaySize(context.displaySize) + " points)");
  const Answer answer = ask(run.configuration, options.widget.request, context);
  const auto& entry = entryAt(answer, options.widget.entry);
  const ui::LayoutNode root =
      layoutWidget(run.configuration, entry, context.family, context.displaySize, run.environment());
  // The URL is printed as data, one line; nothing here opens it. A link the desktop would refuse to open
  // (isOpenableLink) is no answer either.
  const auto url = ui::linkAt(root, *point);
  if (!url) {
    exitWith(Failure{"nothing to open at " + options.at});
  }
  if (!isOpenableLink(*url)) {
    exitWith(
        Failure{"nothing to open at " + options.at + ": '" + *url + "' is not a link this program opens"});
  }
  std::printf("%s\n", url->c_str());
}

// ---------------------------------------------------------------------------------------------------------
// describe

struct DescribeOptions {
  HostOptions host;
  std::string osVersion = "14.0.0";
  std::string output;
};

void describeWidget(const DescribeOptions& options) {
  const auto version = parsePlatformVersion(options.osVersion);
  if (!version) throw UsageError("invalid --os-version '" + options.osVersion + "' (e.g. 14.0.0)");
  const HostRequest request = resolve(options.host);
  const StaticConfiguration configuration = RemindersWidget{}.body(request.environment, *version);
  const Catalog& strings = request.environment.settings.strings;
  Json families = Json::array();
  for (WidgetFamily family : configuration.supportedFamilies)
    families.push_back(familyName(family));
  const Json json{{"kind", configuration.kind},
                  {"osVersion", formatPlatformVersion(*version)},
                  {"displayNameKey", configuration.displayNameKey},
                  {"displayName", strings.text(configuration.displayNameKey)},
                  {"descriptionKey", configuration.descriptionKey},
                  {"description", strings.text(configuration.descriptionKey)},
                  {"supportedFamilies", families}};
  writeOutput(options.output, json.dump(2) + "\n");
}

// The request options without --family and --size, for commands that draw more than one family.
void addRequestOptionsWithoutFamily(CLI::App& command, HostOptions& host) {
  command.add_option("--container", host.container,
                     "Directory of the shared container (default: $REMINDERS_WIDGET_CONTAINER, else "
                     "~/.local/share/<app group>)");
  command.add_option("--now", host.now, "The current instant, RFC 3339 (default: the system clock)");
  command.add_option("--time-zone", host.timeZone, "IANA time zone (default: $TZ, else the system's)");
  command.add_option("--locale", host.locale,
                     "Locale, e.g. de_DE (default: LC_ALL, LC_MESSAGES, LANG; texts also LANGUAGE)");
  command.add_option(
      "--strings", host.strings,
      "Directory of the message catalogs (default: $REMINDERS_WIDGET_STRINGS, else the built-in ones)");
}

}  // namespace

void addRenderCommands(CLI::App& app) {
  {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command =
        app.add_subcommand("render", "Draw one entry of the widget to a .png, .svg or .pdf file");
    options->widget.host.addTo(*command);
    options->widget.addTo(*command, true, true);
    command->add_option("-o,--output", options->output, "The image file to write (.png, .svg or .pdf)")
        ->required();
    command->callback([options] { render(*options); });
  }
  {
    auto options = std::make_shared<GalleryOptions>();
    CLI::App* command = app.add_subcommand(
        "gallery",
        "Draw every offered family, the medium family and the accessory layouts into DIR, with an "
        "index.html whose image maps carry every link");
    addRequestOptionsWithoutFamily(*command, options->widget.host);
    options->widget.addTo(*command, true, true);
    command->add_option("-o,--output", options->output, "The directory to draw into")->required();
    command->callback([options] { gallery(*options); });
  }
  {
    auto options = std::make_shared<TapOptions>();
    CLI::App* command = app.add_subcommand(
        "tap", "Print the URL a tap at X,Y (points) opens: a row's own link or the widget's");
    options->widget.host.addTo(*command);
    options->widget.addTo(*command, true, false);
    command
        ->add_option(
            "--at", options->at,
            "Where to tap: X,Y in points from the top leading corner; each " + std::string(kDecimalSyntax))
        ->required();
    command->callback([options] { tap(*options); });
  }
  {
    auto options = std::make_shared<DescribeOptions>();
    CLI::App* command = app.add_subcommand(
        "describe", "Write the widget's declaration as JSON: kind, name, description and offered families");
    command->add_option("--os-version", options->osVersion, "The platform version the widget runs on, X.Y.Z")
        ->capture_default_str();
    command->add_option("--locale", options->host.locale,
                        "Locale of the texts (default: LANGUAGE, LC_ALL, LC_MESSAGES, LANG)");
    command->add_option("--strings", options->host.strings, "Directory of the message catalogs");
    command->add_option("-o,--output", options->output, "The JSON file to write ('-': standard output)")
        ->required();
    command->callback([options] { describeWidget(*options); });
  }
}

}  // namespace rw::app

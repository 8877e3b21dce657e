// draw: lays out and draws an element tree (a built-in demo, or one described in JSON) to a PNG, SVG or
// PDF file.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "commands.h"
#include "host_options.h"
#include "ui/element_json.h"
#include "ui/environment.h"
#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "ui/renderer.h"
#include "views/demo_trees.h"
#include "views/view_json.h"
#include "widget_host.h"

namespace rw::app {

namespace {

// Larger images are refused: a bitmap of 8192 × 8192 pixels already takes 256 MB.
constexpr double kMaxImageSide = 8192;

struct DrawOptions {
  std::string output;
  std::string demo;
  std::string tree;  // JSON file, "-" for standard input
  std::string size;  // "WxH" points
  double scale = 2;
  std::string osVersion = "14.0.0";
  std::string mode = "fullColor";
  bool printTree = false;
  HostOptions host;  // only the locale, time-zone and strings options are offered
};

std::optional<PlatformVersion> parseVersion(const std::string& text) {
  PlatformVersion version{0, 0, 0};
  char dot1 = '.', dot2 = '.';
  std::istringstream in(text);
  if (!(in >> version.major)) return std::nullopt;
  if (in >> dot1 && !(dot1 == '.' && in >> version.minor)) return std::nullopt;
  if (in >> dot2 && !(dot2 == '.' && in >> version.patch)) return std::nullopt;
  if (!in.eof() || version.major < 0 || version.minor < 0 || version.patch < 0) return std::nullopt;
  return version;
}

std::optional<WidgetRenderingMode> parseMode(const std::string& text) {
  if (text == "fullColor") return WidgetRenderingMode::fullColor;
  if (text == "accented") return WidgetRenderingMode::accented;
  if (text == "vibrant") return WidgetRenderingMode::vibrant;
  return std::nullopt;
}

std::string readAll(std::istream& in) {
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void draw(const DrawOptions& options) {
  if (options.demo.empty() == options.tree.empty())
    throw UsageError("draw needs exactly one of --demo and --tree");
  if (!ui::imageFormatFor(options.output)) throw UsageError("--output must end in .png, .svg or .pdf");
  if (!(options.scale > 0 && options.scale <= 16)) throw UsageError("--scale must be above 0 and at most 16");
  const auto version = parseVersion(options.osVersion);
  if (!version) throw UsageError("invalid --os-version '" + options.osVersion + "' (e.g. 14.0.0)");
  const auto mode = parseMode(options.mode);
  if (!mode) throw UsageError("invalid --mode '" + options.mode + "' (fullColor, accented or vibrant)");

  ui::Element tree;
  Size canvas{338, 354};
  std::string what;
  if (!options.demo.empty()) {
    const auto demo = demoTree(options.demo);
    if (!demo) {
      std::string names;
      for (auto name : demoTreeNames())
        names += (names.empty() ? "" : ", ") + std::string(name);
      throw UsageError("unknown --demo '" + options.demo + "' (" + names + ")");
    }
    tree = demo->tree;
    canvas = {demo->width, demo->height};
    what = "demo " + options.demo;
  } else {
    std::string json;
    if (options.tree == "-") {
      json = readAll(std::cin);
    } else {
      std::ifstream file(options.tree, std::ios::binary);
      if (!file) throw UsageError("cannot read --tree '" + options.tree + "'");
      json = readAll(file);
    }
    auto parsed = ui::parseElementJson(json, viewJsonKinds());
    if (!parsed) throw UsageError("invalid --tree '" + options.tree + "': " + parsed.error().reason);
    tree = *parsed;
    what = options.tree == "-" ? std::string("the tree") : options.tree;
  }
  if (!options.size.empty()) {
    const auto size = parseDisplaySize(options.size);
    if (!size || size->width <= 0 || size->height <= 0)
      throw UsageError("invalid --size '" + options.size + "' (WxH in points)");
    canvas = *size;
  }

  if (canvas.width * options.scale > kMaxImageSide || canvas.height * options.scale > kMaxImageSide)
    throw UsageError("the image would be more than " + std::to_string(static_cast<int>(kMaxImageSide)) +
                     " pixels on a side (lower --size or --scale)");

  const HostRequest host = resolve(options.host);
  requireColors();
  const ui::Environment environment = hostEnvironment(*version, *mode, host.environment.settings);
  if (options.printTree) std::fputs(ui::describe(tree).c_str(), stdout);

  const ui::LayoutNode laidOut = ui::layout(tree, canvas, environment, ui::pangoTextMeasurer());
  if (const auto drawn = ui::renderToFile(laidOut, canvas, options.output, {.scale = options.scale}); !drawn)
    exitWith(drawn.error());
  const auto [width, height] = ui::pixelSize(canvas, options.scale);
  std::printf("Drew %s (%gx%g points, %dx%d pixels) to %s\n", what.c_str(), canvas.width, canvas.height,
              width, height, options.output.c_str());
}

}  // namespace

void addDrawCommands(CLI::App& app) {
  auto options = std::make_shared<DrawOptions>();
  CLI::App* command = app.add_subcommand(
      "draw",
      "Lay out and draw an element tree (a built-in demo or a JSON description) to a .png, .svg or .pdf");
  command->add_option("-o,--output", options->output, "The image file to write (.png, .svg or .pdf)")
      ->required();
  command->add_option("--demo", options->demo, "A built-in tree: counters-row, list or counter-layouts");
  command->add_option("--tree", options->tree,
                      "A JSON description of the tree (see src/ui/element_json.h), '-' for standard input");
  command->add_option("--size", options->size, "Canvas WxH in points (default: the demo's, else 338x354)");
  addDecimalOption(*command, "--scale", options->scale,
                   "Pixels per point, above 0 and at most 16; " + std::string(kDecimalSyntax))
      ->default_str("2");
  command->add_option("--os-version", options->osVersion, "Platform version the views see")
      ->capture_default_str();
  command->add_option("--mode", options->mode, "Rendering mode: fullColor, accented or vibrant")
      ->capture_default_str();
  command->add_option("--time-zone", options->host.timeZone, "IANA time zone for times (default: $TZ)");
  command->add_option("--locale", options->host.locale,
                      "Locale for texts and times (default: LC_ALL, LC_MESSAGES, LANG; texts also LANGUAGE)");
  command->add_option("--strings", options->host.strings, "Directory of the message catalogs");
  command->add_flag("--print-tree", options->printTree, "Print the tree's outline before drawing it");
  command->callback([options] { draw(*options); });
}

}  // namespace rw::app

#include "host_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <sstream>

#include "commands.h"
#include "payload/store.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "platform/file_manager.h"
#include "platform/file_output.h"

namespace rw::app {

namespace {

std::string familyList() {
  std::string list;
  for (const auto& [family, name] : kWidgetFamilyNames) {
    if (!list.empty()) list += ", ";
    list += name;
  }
  return list;
}

std::optional<double> parseSide(std::string_view text) {
  const auto value = parseDecimal(text);
  if (!value || *value > kMaxDisplaySide) return std::nullopt;
  return value;
}

// One line per zone a process is given, however often a long-running host asks in it.
void reportUnknownZone(const std::string& zone) {
  static std::mutex mutex;
  static std::string reported;
  const std::lock_guard lock(mutex);
  if (reported == zone) return;
  reported = zone;
  printProblem("unknown time zone '" + zone + "'; using UTC");
}

std::string nonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::optional<double> parseDecimal(std::string_view text) {
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() || whole.size() > kMaxDecimalDigits || !digits(whole)) return std::nullopt;
  if (point != std::string_view::npos &&
      (fraction.empty() || fraction.size() > kMaxDecimalPlaces || !digits(fraction)))
    return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

CLI::Option* addDecimalOption(CLI::App& command, const std::string& name, double& target,
                              const std::string& description) {
  return command.add_option_function<std::string>(
      name,
      [&target, name](const std::string& text) {
        const auto value = parseDecimal(text);
        if (!value) throw CLI::ValidationError(name, "'" + text + "' is not " + std::string(kDecimalSyntax));
        target = *value;
      },
      description);
}

void HostOptions::addTo(CLI::App& command) {
  command.add_option("--container", container,
                     "Directory of the shared container (default: "
                     "$REMINDERS_WIDGET_CONTAINER, else ~/.local/share/<app group>)");
  command.add_option("--family", family, "Widget family: " + familyList())->capture_default_str();
  command.add_option("--size", size,
                     "Display size WxH in points (default: the family's size); each side from 0 to 10000, " +
                         std::string(kDecimalSyntax));
  command.add_option("--now", now, "The current instant, RFC 3339 (default: the system clock)");
  command.add_option("--time-zone", timeZone, "IANA time zone (default: $TZ, else the system's)");
  command.add_option("--locale", locale,
                     "Locale, e.g. de_DE (default: LC_ALL, LC_MESSAGES, LANG; texts also LANGUAGE)");
  command.add_option(
      "--strings", strings,
      "Directory of the message catalogs (default: $REMINDERS_WIDGET_STRINGS, else the built-in "
      "ones)");
}

Size defaultDisplaySize(WidgetFamily family) {
  switch (family) {
    case WidgetFamily::systemSmall:
      return {170, 170};
    case WidgetFamily::systemMedium:
      return {364, 170};
    case WidgetFamily::systemLarge:
      return {364, 382};
    case WidgetFamily::systemExtraLarge:
      return {768, 382};
    case WidgetFamily::accessoryCircular:
      return {72, 72};
    case WidgetFamily::accessoryRectangular:
      return {172, 76};
    case WidgetFamily::accessoryInline:
      return {257, 26};
  }
  return {364, 382};
}

std::optional<Size> parseDisplaySize(std::string_view text) {
  const auto x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const auto width = parseSide(text.substr(0, x));
  const auto height = parseSide(text.substr(x + 1));
  if (!width || !height) return std::nullopt;
  return Size{*width, *height};
}

std::string formatDisplaySize(Size size) {
  std::ostringstream out;
  out << size.width << 'x' << size.height;
  return out.str();
}

HostRequest resolve(const HostOptions& options) {
  const auto family = familyNamed(options.family);
  if (!family) throw UsageError("unknown --family '" + options.family + "' (one of " + familyList() + ")");

  Size displaySize = defaultDisplaySize(*family);
  if (!options.size.empty()) {
    const auto size = parseDisplaySize(options.size);
    if (!size)
      throw UsageError("invalid --size '" + options.size + "' (WxH in points, each side from 0 to " +
                       std::to_string(static_cast<int>(kMaxDisplaySide)) + ", " +
                       std::string(kDecimalSyntax) + ")");
    displaySize = *size;
  }

  Clock clock = systemNow;
  if (!options.now.empty()) {
    const auto now = parseRfc3339(options.now);
    if (!now || !isRepresentable(*now))
      throw UsageError("invalid --now '" + options.now + "' (RFC 3339, e.g. 2026-12-06T09:30:00Z)");
    clock = fixedClock(*now);
  }

  // --locale may list languages for the texts ("fr_CA:fr"); the calendar follows the first.
  const std::string locale =
      options.locale.empty() ? localeFromEnvironment() : options.locale.substr(0, options.locale.find(':'));
  // A zone neither ICU nor the system knows, named by --time-zone or the environment alike, is said once
  // on stderr and read as UTC: the request still answers.
  const std::string zone = options.timeZone.empty() ? timeZoneFromEnvironment() : options.timeZone;
  std::optional<Calendar> calendar = Calendar::make(zone, locale);
  if (!calendar) {
    reportUnknownZone(zone);
    calendar = Calendar::make("UTC", locale);
  }
  if (!calendar) throw UsageError("no calendar for locale '" + locale + "'");
  if (!options.now.empty()) {
    // The timeline runs from the start of the day of --now through the 30 days after it; each of those days
    // must start within years 1 to 9999 in the zone (local mean time moves year 1's first day before it).
    const Date now = clock();
    const Date first = calendar->startOfDay(now), last = calendar->startOfDay(now, kTimelineDays - 1);
    if (!isRepresentable(first) || !isRepresentable(last))
      throw UsageError("invalid --now '" + options.now + "' (the day it falls on in " +
                       calendar->timeZoneId() + " and the " + std::to_string(kTimelineDays - 1) +
                       " days after it must lie within years 1 to 9999)");
  }

  std::filesystem::path stringsDirectory;
  if (!options.strings.empty()) {
    stringsDirectory = options.strings;
    std::error_code error;
    if (!std::filesystem::is_directory(stringsDirectory, error))
      throw UsageError("--strings '" + options.strings + "' is not a directory");
  } else if (auto fromEnvironment = nonEmptyEnvironment("REMINDERS_WIDGET_STRINGS");
             !fromEnvironment.empty()) {
    stringsDirectory = fromEnvironment;
  } else {
    stringsDirectory = defaultStringsDirectory();
  }

  std::optional<std::filesystem::path> container;
  if (!options.container.empty()) container = options.container;

  return HostRequest{
      .context = TimelineProviderContext{.family = *family, .displaySize = displaySize},
      .environment =
          WidgetEnvironment{
              .settings = UserSettings{.calendar = *calendar,
                                       .strings = Catalog::load(stringsDirectory,
                                                                options.locale.empty()
                                                                    ? messageLanguagesFromEnvironment()
                                                                    : options.locale)},
              .files = FileManager::fromEnvironment(container),
              .clock = std::move(clock),
          },
  };
}

std::optional<std::filesystem::path> containerLocation(const std::string& option) {
  namespace fs = std::filesystem;
  if (!option.empty()) return fs::path(option);
  auto variable = [](const char* name) -> std::optional<fs::path> {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return fs::path(value);
  };
  if (auto configured = variable("REMINDERS_WIDGET_CONTAINER")) return configured;
  if (auto xdg = variable("XDG_DATA_HOME"); xdg && xdg->is_absolute()) return *xdg / kAppGroupIdentifier;
  if (auto home = variable("HOME")) return *home / ".local" / "share" / kAppGroupIdentifier;
  return std::nullopt;
}

void writeOutput(const std::string& output, const std::string& text) {
  if (output == "-") {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    return;
  }
  if (const auto written = replaceFile(output, text); !written) exitWith(written.error());
}

}  // namespace rw::app

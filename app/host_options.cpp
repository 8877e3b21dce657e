#include "host_options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "commands.h"
#include "payload/store.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "platform/file_manager.h"

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
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || ec != std::errc{} || ptr != end) return std::nullopt;
  if (!std::isfinite(value) || value < 0 || value > kMaxDisplaySide) return std::nullopt;
  return value;
}

std::string nonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

void HostOptions::addTo(CLI::App& command) {
  command.add_option("--container", container,
                     "Directory of the shared container (default: "
                     "$REMINDERS_WIDGET_CONTAINER, else ~/.local/share/<app group>)");
  command.add_option("--family", family, "Widget family: " + familyList())->capture_default_str();
  command.add_option("--size", size, "Display size WxH in points (default: the family's size)");
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
      throw UsageError("invalid --size '" + options.size + "' (WxH in points, each from 0 to " +
                       std::to_string(static_cast<int>(kMaxDisplaySide)) + ")");
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
  std::optional<Calendar> calendar;
  if (!options.timeZone.empty()) {
    calendar = Calendar::make(options.timeZone, locale);
    if (!calendar) throw UsageError("unknown --time-zone '" + options.timeZone + "'");
  } else {
    // A zone the environment names but ICU does not know is no reason to refuse the request.
    calendar = Calendar::make(timeZoneFromEnvironment(), locale);
    if (!calendar) calendar = Calendar::make("UTC", locale);
    if (!calendar) throw UsageError("no calendar for locale '" + locale + "'");
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
  std::ofstream file(output, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) exitWith(Failure{"cannot write '" + output + "'"});
}

}  // namespace rw::app

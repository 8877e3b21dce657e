// The options every host command shares: which container, which widget (family and size), and the
// user's clock, time zone, locale and string tables. `resolve` turns them into the request context and
// the environment a provider runs against, or a usage error.
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "widget/host.h"
#include "widget/provider.h"

namespace rw::app {

struct HostOptions {
  std::string container;  // empty: $REMINDERS_WIDGET_CONTAINER, else the default container
  std::string family = "systemLarge";
  std::string size;      // "WxH"; empty: the family's default size
  std::string now;       // RFC 3339; empty: the system clock
  std::string timeZone;  // IANA name; empty: from the environment
  std::string locale;    // empty: from the environment
  std::string strings;   // catalog directory; empty: $REMINDERS_WIDGET_STRINGS, else the built-in one

  /// Adds --container, --family, --size, --now, --time-zone, --locale and --strings to `command`.
  void addTo(CLI::App& command);
};

/// What a host command runs a request with.
struct HostRequest {
  TimelineProviderContext context;
  WidgetEnvironment environment;
};

/// The request the options ask for. Throws `UsageError` for an unknown family, a size that is not two
/// plain decimals of at most `kMaxDisplaySide` points, an unreadable --now or a --strings that is not a
/// directory. A time zone nobody knows, from --time-zone or the environment, is UTC, said once on stderr.
HostRequest resolve(const HostOptions& options);

/// Display sizes above this many points on either side are refused.
inline constexpr double kMaxDisplaySide = 10'000;

/// The display size the host gives a family when none is asked for.
Size defaultDisplaySize(WidgetFamily family);

/// The one syntax of the numbers the command line takes (--size, --scale, --at): digits, optionally a point
/// and one to six more digits ("364", "364.5", "0.125"); no sign, exponent, hexadecimal, "inf" or
/// "nan", and at most `kMaxDecimalDigits` digits before the point.
inline constexpr std::string_view kDecimalSyntax =
    "a plain decimal: digits, optionally a point and up to 6 more";
inline constexpr std::size_t kMaxDecimalDigits = 5;
inline constexpr std::size_t kMaxDecimalPlaces = 6;
std::optional<double> parseDecimal(std::string_view text);

/// Adds the option `name` to `command`, read with `parseDecimal` into `target`; anything else is a usage
/// error naming the syntax.
CLI::Option* addDecimalOption(CLI::App& command, const std::string& name, double& target,
                              const std::string& description);

/// "364x382" (also "364.5x382.25") in points, each side a `parseDecimal` number; nothing for anything else,
/// including negative, infinite, not-a-number and oversized sides.
std::optional<Size> parseDisplaySize(std::string_view text);

/// "364x382", or with decimals where the size has them.
std::string formatDisplaySize(Size size);

/// Where the store looks for the container, whether or not it exists now (for hosts that watch it):
/// `option` (--container), else $REMINDERS_WIDGET_CONTAINER, else ${XDG_DATA_HOME:-$HOME/.local/share}/<app
/// group>; nothing when none of them is set.
[[nodiscard]] std::optional<std::filesystem::path> containerLocation(const std::string& option);

/// Writes a command's text answer to the file `output`, or to standard output for "-". A file that cannot
/// be written ends the command with one line on stderr and exit status 1.
void writeOutput(const std::string& output, const std::string& text);

}  // namespace rw::app

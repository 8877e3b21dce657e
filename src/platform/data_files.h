// Where the programs find the files they read at run time: the named colours and the message catalogs.
//
// Nothing of the machine the program was built on is compiled in. Each kind of file is looked up, in order:
//   1. the directory an environment variable names (REMINDERS_WIDGET_RESOURCES, REMINDERS_WIDGET_STRINGS),
//      taken as given, whether or not it exists, so that a wrong setting shows up as such;
//   2. the installed layout, relative to the running executable: <prefix>/bin/x or
//      <prefix>/libexec/reminders-widget/x read <prefix>/share/reminders-widget and <prefix>/share/locale;
//   3. the build tree: the executables lie at the top of the build directory (tests one level below it),
//      beside share/reminders-widget/ and strings/.
// An installed prefix can therefore be moved anywhere as a whole.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace rw {

/// The directory of the running executable (read from /proc/self/exe); empty when it cannot be read.
std::filesystem::path executableDirectory();

/// One kind of data file: the variable that overrides its directory, and the directories it may be in,
/// relative to the executable's directory, in the order they are tried.
struct DataLocation {
  const char* environmentVariable;
  std::vector<std::filesystem::path> relativeToExecutable;
};

/// The resources (colors.json): $REMINDERS_WIDGET_RESOURCES, <exe>/../share/reminders-widget,
/// <exe>/../../share/reminders-widget (libexec/reminders-widget/), <exe>/share/reminders-widget.
const DataLocation& resourcesLocation();

/// The message catalogs (<lang>/LC_MESSAGES/reminders-widget.mo): $REMINDERS_WIDGET_STRINGS,
/// <exe>/../share/locale, <exe>/../../share/locale, <exe>/strings, <exe>/../strings.
const DataLocation& catalogsLocation();

/// The directory `location` names for an executable in `executableDir`, with `environmentValue` the
/// variable's value (null when unset): the value when it is non-empty, else the first candidate that is
/// an existing directory; nothing when none is.
std::optional<std::filesystem::path> findDataDirectory(const DataLocation& location,
                                                       const std::filesystem::path& executableDir,
                                                       const char* environmentValue);

/// `findDataDirectory` for the running executable and the process's environment.
std::optional<std::filesystem::path> findDataDirectory(const DataLocation& location);

/// The places `location` was looked for, for a message: "$VARIABLE, /a/b, /c/d" with the candidates
/// made absolute and normal.
std::string describeSearch(const DataLocation& location, const std::filesystem::path& executableDir);

}  // namespace rw

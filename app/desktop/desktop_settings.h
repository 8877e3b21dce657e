// What a desktop widget keeps between starts, and where: one key file per widget instance in
// $XDG_CONFIG_HOME/reminders-widget/<instance>.ini, and its login entry in
// $XDG_CONFIG_HOME/autostart/<application id>-<instance>.desktop. The texts of both files are made and read
// here, as plain values; the window (desktop_window.cpp) only decides when to write them.
#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "desktop_model.h"
#include "platform/result.h"

namespace rw::app::desktop {

/// One widget's choices. Empty texts and a missing position mean "the default" (the command line's).
struct DesktopSettings {
  std::string family;  // a name --family takes, e.g. "large"
  std::string size;    // "WxH" points; empty: the family's
  std::string mode;    // fullColor, accented or vibrant
  std::optional<WindowPosition> position;
  bool everyWorkspace = true;  // X11: _NET_WM_STATE_STICKY
  bool below = true;           // X11: _NET_WM_STATE_BELOW
  bool skipTaskbar = true;     // X11: _NET_WM_STATE_SKIP_TASKBAR and _SKIP_PAGER (the switchers use them)
  bool withDesktop = true;     // X11: a dock window, which "show desktop" leaves on the screen
  bool startAtLogin = false;
  friend bool operator==(const DesktopSettings&, const DesktopSettings&) = default;
};

/// The instance name every widget has unless --instance names another.
inline constexpr std::string_view kDefaultInstance = "default";

/// A name --instance takes: 1 to 64 ASCII letters, digits, '-' and '_' (it becomes a file name and part
/// of a D-Bus name).
[[nodiscard]] bool isInstanceName(std::string_view name);

/// The key file's text for `settings`, and back. Reading keeps the defaults for keys that are missing or
/// unusable (a settings file edited by hand must not stop the widget); nothing when the text is no key
/// file at all.
[[nodiscard]] std::string settingsText(const DesktopSettings& settings);
[[nodiscard]] std::optional<DesktopSettings> parseSettings(std::string_view text);

/// The login entry that starts widget `instance` with `executable` (an absolute path), as the desktop
/// entry format quotes it.
[[nodiscard]] std::string autostartEntry(const std::filesystem::path& executable, std::string_view instance);

/// The D-Bus name the widget runs under: the application id, with ".<instance>" for any but the default
/// widget (an element starting with a digit or holding '-' is not allowed there, so the instance is
/// prefixed and '-' written as '_': "w2-x" -> "<id>.i_w2_x").
[[nodiscard]] std::string applicationIdFor(std::string_view applicationId, std::string_view instance);

/// The first of "widget-2", "widget-3", ... that is not in `taken`.
[[nodiscard]] std::string freshInstanceName(const std::set<std::string, std::less<>>& taken);

/// Where the files go ($XDG_CONFIG_HOME or ~/.config is `configHome`).
struct DesktopFiles {
  std::filesystem::path settings;   // <configHome>/reminders-widget/<instance>.ini
  std::filesystem::path autostart;  // <configHome>/autostart/<applicationId>-<instance>.desktop
};
[[nodiscard]] DesktopFiles desktopFiles(const std::filesystem::path& configHome,
                                        std::string_view applicationId, std::string_view instance);

/// The instances that have a settings file in `configHome`.
[[nodiscard]] std::set<std::string, std::less<>> savedInstances(const std::filesystem::path& configHome);

/// Reads `path`; a missing file is the defaults, an unreadable one too (said on stderr).
[[nodiscard]] DesktopSettings loadSettings(const std::filesystem::path& path);
/// Writes `text` whole or not at all, making the directory when needed.
Result<void> saveFile(const std::filesystem::path& path, std::string_view text);

}  // namespace rw::app::desktop

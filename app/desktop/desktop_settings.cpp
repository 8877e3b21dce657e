#include "desktop_settings.h"

#include <glib.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

#include "platform/file_output.h"

namespace rw::app::desktop {

namespace {

constexpr const char* kGroup = "Widget";

// The key file's keys for the window's choices, each with its member: reading and writing walk this list.
struct Choice {
  const char* key;
  bool DesktopSettings::*member;
};
constexpr Choice kChoices[] = {
    {"EveryWorkspace", &DesktopSettings::everyWorkspace}, {"Below", &DesktopSettings::below},
    {"SkipTaskbar", &DesktopSettings::skipTaskbar},       {"WithDesktop", &DesktopSettings::withDesktop},
    {"StartAtLogin", &DesktopSettings::startAtLogin},
};

struct KeyFile {
  GKeyFile* file = g_key_file_new();
  KeyFile() = default;
  KeyFile(const KeyFile&) = delete;
  KeyFile& operator=(const KeyFile&) = delete;
  ~KeyFile() { g_key_file_free(file); }

  std::string text() const {
    gsize length = 0;
    char* data = g_key_file_to_data(file, &length, nullptr);
    std::string result(data, length);
    g_free(data);
    return result;
  }
};

}  // namespace

bool isInstanceName(std::string_view name) {
  return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
  });
}

std::string settingsText(const DesktopSettings& settings) {
  KeyFile keys;
  g_key_file_set_string(keys.file, kGroup, "Family", settings.family.c_str());
  if (!settings.size.empty()) g_key_file_set_string(keys.file, kGroup, "Size", settings.size.c_str());
  if (!settings.mode.empty()) g_key_file_set_string(keys.file, kGroup, "Mode", settings.mode.c_str());
  if (settings.position) {
    const std::string position =
        std::to_string(settings.position->x) + "," + std::to_string(settings.position->y);
    g_key_file_set_string(keys.file, kGroup, "Position", position.c_str());
  }
  for (const Choice& choice : kChoices)
    g_key_file_set_boolean(keys.file, kGroup, choice.key, settings.*choice.member);
  return keys.text();
}

std::optional<DesktopSettings> parseSettings(std::string_view text) {
  KeyFile keys;
  if (!g_key_file_load_from_data(keys.file, text.data(), text.size(), G_KEY_FILE_NONE, nullptr))
    return std::nullopt;
  DesktopSettings settings;
  const auto string = [&](const char* key) {
    char* value = g_key_file_get_string(keys.file, kGroup, key, nullptr);
    std::string result = value != nullptr ? value : "";
    g_free(value);
    return result;
  };
  settings.family = string("Family");
  settings.size = string("Size");
  settings.mode = string("Mode");
  settings.position = parseWindowPosition(string("Position"));
  for (const Choice& choice : kChoices) {
    GError* error = nullptr;
    const gboolean value = g_key_file_get_boolean(keys.file, kGroup, choice.key, &error);
    if (error == nullptr) settings.*choice.member = value != FALSE;
    g_clear_error(&error);
  }
  return settings;
}

std::string autostartEntry(const std::filesystem::path& executable, std::string_view instance) {
  // Exec's own quoting: the path in double quotes, with '"', '`', '$' and '\' escaped and '%' doubled;
  // the key file then escapes the backslashes once more (g_key_file_set_string).
  std::string exec = "\"";
  for (char c : executable.string()) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') exec += '\\';
    exec += c;
    if (c == '%') exec += '%';
  }
  exec += "\" --instance " + std::string(instance);
  KeyFile keys;
  const char* group = "Desktop Entry";
  g_key_file_set_string(keys.file, group, "Type", "Application");
  g_key_file_set_string(keys.file, group, "Name", "Reminders Widget");
  g_key_file_set_string(keys.file, group, "Exec", exec.c_str());
  g_key_file_set_boolean(keys.file, group, "NoDisplay", TRUE);
  g_key_file_set_boolean(keys.file, group, "Terminal", FALSE);
  g_key_file_set_boolean(keys.file, group, "X-GNOME-Autostart-enabled", TRUE);
  return keys.text();
}

std::string applicationIdFor(std::string_view applicationId, std::string_view instance) {
  std::string id(applicationId);
  if (instance == kDefaultInstance) return id;
  id += ".i_";
  for (char c : instance)
    id += c == '-' ? '_' : c;
  return id;
}

std::string freshInstanceName(const std::set<std::string, std::less<>>& taken) {
  for (int number = 2;; ++number)
    if (std::string name = "widget-" + std::to_string(number); !taken.contains(name)) return name;
}

DesktopFiles desktopFiles(const std::filesystem::path& configHome, std::string_view applicationId,
                          std::string_view instance) {
  const std::string name(instance);
  return {.settings = configHome / "reminders-widget" / (name + ".ini"),
          .autostart = configHome / "autostart" / (std::string(applicationId) + "-" + name + ".desktop")};
}

std::set<std::string, std::less<>> savedInstances(const std::filesystem::path& configHome) {
  std::set<std::string, std::less<>> names;
  std::error_code error;
  for (const auto& file : std::filesystem::directory_iterator(configHome / "reminders-widget", error))
    if (file.path().extension() == ".ini") names.insert(file.path().stem().string());
  return names;
}

DesktopSettings loadSettings(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  if (auto settings = parseSettings(text.str())) return *settings;
  std::cerr << "reminders-widget-desktop: '" << path.string()
            << "' is no settings file; using the defaults\n";
  return {};
}

Result<void> saveFile(const std::filesystem::path& path, std::string_view text) {
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  return replaceFile(path, text);
}

}  // namespace rw::app::desktop

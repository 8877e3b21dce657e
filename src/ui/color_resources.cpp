#include "ui/color_resources.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/data_files.h"
#include "platform/messages.h"

namespace rw::ui {

namespace {

std::optional<int> hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

}  // namespace

Rgba standardTone(StandardColor color) {
  switch (color) {
    case StandardColor::white:
      return {1, 1, 1, 1};
    case StandardColor::black:
      return {0, 0, 0, 1};
    case StandardColor::red:
      return {0xF0 / 255.0, 0x45 / 255.0, 0x3B / 255.0, 1};
    case StandardColor::green:
      return {0x30 / 255.0, 0xB3 / 255.0, 0x54 / 255.0, 1};
    case StandardColor::gray:
      return {0x8E / 255.0, 0x8E / 255.0, 0x93 / 255.0, 1};
    case StandardColor::clear:
      break;
  }
  return {0, 0, 0, 0};
}

std::optional<Rgba> parseHexColor(std::string_view text) {
  if (text.size() != 7 && text.size() != 9) return std::nullopt;
  if (text[0] != '#') return std::nullopt;
  double channels[4] = {0, 0, 0, 1};
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const auto high = hexDigit(text[i + 1]);
    const auto low = hexDigit(text[i + 2]);
    if (!high || !low) return std::nullopt;
    channels[i / 2] = (*high * 16 + *low) / 255.0;
  }
  return Rgba{channels[0], channels[1], channels[2], channels[3]};
}

std::optional<ColorTable> ColorTable::parse(std::string_view json) {
  const nlohmann::json document = nlohmann::json::parse(json, nullptr, /*allow_exceptions=*/false);
  if (!document.is_object()) return std::nullopt;
  ColorTable table;
  for (const auto& [name, value] : document.items()) {
    if (!value.is_string()) return std::nullopt;
    const auto color = parseHexColor(value.get<std::string>());
    if (!color) return std::nullopt;
    table.colors_.emplace(name, *color);
  }
  return table;
}

std::optional<ColorTable> ColorTable::load(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  return parse(text.str());
}

std::optional<Rgba> ColorTable::named(std::string_view name) const {
  if (auto found = colors_.find(name); found != colors_.end()) return found->second;
  return std::nullopt;
}

Rgba ColorTable::resolve(const Color& color) const {
  Rgba tone{0, 0, 0, 0};
  if (const auto* standard = std::get_if<StandardColor>(&color.source))
    tone = standardTone(*standard);
  else if (const auto* name = std::get_if<std::string>(&color.source))
    tone = named(*name).value_or(Rgba{0, 0, 0, 0});
  else
    tone = std::get<Rgba>(color.source);
  tone.alpha *= color.opacity;
  return tone;
}

std::optional<std::filesystem::path> defaultColorsFile() {
  const auto directory = findDataDirectory(resourcesLocation());
  if (!directory) return std::nullopt;
  return *directory / "colors.json";
}

Result<ColorTable> loadColorsFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    const int error = errno;
    return Failure{"cannot read " + path.string() + ": " + std::strerror(error)};
  }
  std::ostringstream text;
  text << file.rdbuf();
  auto table = ColorTable::parse(text.str());
  if (!table)
    return Failure{path.string() +
                   " is not a colours file (a JSON object from colour names to "
                   "\"#RRGGBB\" or \"#RRGGBBAA\" texts)"};
  if (table->entries().empty()) return Failure{path.string() + " names no colours"};
  return *std::move(table);
}

const Result<ColorTable>& loadDefaultColorTable() {
  static const Result<ColorTable> table = []() -> Result<ColorTable> {
    if (const auto path = defaultColorsFile()) return loadColorsFile(*path);
    return Failure{"cannot find the colours file colors.json; looked in " +
                   describeSearch(resourcesLocation(), executableDirectory())};
  }();
  return table;
}

const ColorTable& defaultColorTable() {
  static const ColorTable& table = []() -> const ColorTable& {
    static const ColorTable empty;
    const auto& loaded = loadDefaultColorTable();
    if (loaded) return *loaded;
    reportError("ColorTable", "load()", loaded.error().reason);
    return empty;
  }();
  return table;
}

}  // namespace rw::ui

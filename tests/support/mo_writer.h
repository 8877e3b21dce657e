// Writes small binary gettext catalogs for tests that need texts the shipped catalogs don't have.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace rw::testing {

/// `bytes` with the little-endian 32-bit word at `at` replaced by `value`, to damage a header field.
inline std::vector<std::uint8_t> withWord(std::vector<std::uint8_t> bytes, size_t at, std::uint32_t value) {
  for (size_t i = 0; i < 4; ++i)
    bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

/// The bytes of a little-endian .mo file holding `entries` (msgid → msgstr; a plural entry's msgid is
/// "singular\0plural" and its msgstr the forms joined by '\0') and a header with `pluralForms`, without a
/// hash table.
inline std::vector<std::uint8_t> moFile(std::map<std::string, std::string> entries,
                                        const std::string& pluralForms = "nplurals=2; plural=(n != 1);") {
  entries[""] = "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: " + pluralForms + "\n";
  const auto count = static_cast<std::uint32_t>(entries.size());  // std::map keeps the ids sorted
  const std::uint32_t originals = 28, translations = originals + 8 * count;
  std::vector<std::uint8_t> out(translations + 8 * count);
  for (const auto& [at, value] :
       {std::pair{0u, 0x950412deu}, {8u, count}, {12u, originals}, {16u, translations}})
    out = withWord(std::move(out), at, value);
  std::uint32_t i = 0;
  for (const auto& [id, text] : entries) {
    for (const auto& [table, string] : {std::pair{originals, &id}, std::pair{translations, &text}}) {
      const auto offset = static_cast<std::uint32_t>(out.size());
      out = withWord(withWord(std::move(out), table + 8 * i, static_cast<std::uint32_t>(string->size())),
                     table + 8 * i + 4, offset);
      out.insert(out.end(), string->begin(), string->end());
      out.push_back(0);
    }
    ++i;
  }
  return out;
}

/// Texts joined by NUL bytes: the msgid of a plural entry (singular, plural) or its forms.
inline std::string joined(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto& part : parts) {
    if (&part != parts.begin()) out.push_back('\0');
    out += part;
  }
  return out;
}

/// Writes `bytes` as the catalog of `language` under `directory`.
inline void writeCatalog(const std::filesystem::path& directory, const std::string& language,
                         const std::vector<std::uint8_t>& bytes) {
  const auto folder = directory / language / "LC_MESSAGES";
  std::filesystem::create_directories(folder);
  writeFile(folder / "reminders-widget.mo", bytes);
}

/// The catalogs the build compiles from resources/po.
inline std::filesystem::path builtStringsDirectory() {
  return binaryDirectory() / "strings";
}

}  // namespace rw::testing

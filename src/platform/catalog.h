// Translated texts, looked up by key in a gettext message catalog.
//
// Keys are upper-case English phrases ("TOMORROW", "%d DAY(S)"). A catalog is read from
// DIR/<lang>/LC_MESSAGES/reminders-widget.mo for the locale's language (the most specific of
// "lang_REGION" and "lang" that exists); it does not depend on which C library locales are installed.
// A key without a translation shows as the key itself. The C and POSIX locales ("C", "C.UTF-8") read no
// catalog, as gettext programs do. A file that is not a sound catalog is ignored, never trusted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace rw {

class Catalog {
 public:
  /// A catalog without translations: every text is its key.
  Catalog();

  /// The catalog of `localeId` in `directory`; without a matching file, the keys-only catalog.
  static Catalog load(const std::filesystem::path& directory, std::string_view localeId);

  /// The translation of `key`, or `key` itself.
  std::string text(std::string_view key) const;

  /// A count format ("%d DAY(S)") filled with `count`: the plural form of the translation that the
  /// catalog's plural rule picks for `count`, with "%d" replaced by `count` written in the locale's digits
  /// ("٢٥" in ar_EG), without grouping; "%%" gives "%". An untranslated key is filled the same way.
  std::string countText(std::string_view key, std::int64_t count) const;

 private:
  struct State;
  std::shared_ptr<const State> state_;
};

/// The directory of the program's catalogs: $REMINDERS_WIDGET_STRINGS, else the one installed with the
/// executable or built beside it (platform/data_files.h); empty when there is none, which loads no catalog.
std::filesystem::path defaultStringsDirectory();

}  // namespace rw

// Translated texts, looked up by key in a gettext message catalog.
//
// Keys are upper-case English phrases ("TOMORROW", "%d DAY(S)"). Catalogs are read from
// DIR/<lang>/LC_MESSAGES/reminders-widget.mo, without the C library's locales. A text is looked up in the
// catalogs of the user's languages in order, each language from its most specific catalog ("de_AT") to
// its general one ("de"), then in the English catalog; only a key that none of them translates shows as
// itself. The C and POSIX locales ("C", "C.UTF-8") and ids no one can read mean English. Boost.Locale reads
// the catalogs; a file that is not a sound catalog (damaged, a plural rule `pluralRuleRefusal` refuses) is
// not given to it but skipped, with one line on stderr per file and process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/display.h"

namespace rw {

class Catalog {
 public:
  /// A catalog without translations: every text is its key.
  Catalog();

  /// The catalogs in `directory` for `languages`: one locale id ("de_DE.UTF-8") or a colon list of them
  /// in order of preference ("fr_CA:fr:de", as $LANGUAGE), followed by English. An empty directory reads
  /// no catalog: every text is its key.
  static Catalog load(const std::filesystem::path& directory, std::string_view languages);

  /// The first translation of `key` in the languages' catalogs, or `key` itself.
  std::string text(std::string_view key) const;

  /// A count format ("%d DAY(S)") filled with `count`: from the first catalog whose entry has a form for
  /// `count` (a plural entry's form as the catalog's plural rule picks it from the magnitude of `count`;
  /// a plain entry for every count), with "%d" replaced by `count` written in the digits of that
  /// catalog's locale ("٢٥" in ar_EG), without grouping; "%%" gives "%". An untranslated key is filled
  /// the same way, in the digits of the first locale asked for.
  std::string countText(std::string_view key, std::int64_t count) const;

  /// The direction of the language the texts are in: that of the first catalog read, else (no catalog
  /// found) of the first locale asked for.
  LayoutDirection layoutDirection() const;

 private:
  struct State;
  std::shared_ptr<const State> state_;
};

/// Why a catalog with `header` (the text of its first entry, up to a NUL byte) must not be given to
/// Boost.Locale, or nothing. Its evaluator computes the plural rule in `int`, where a division or remainder
/// by a negative number can trap, and parses it recursively. Refused: a rule that is not made of gettext's
/// tokens in a well-formed order; a `/` or `%` not followed by a positive decimal number of at most 9
/// digits; more than 512 characters or 32 nested parentheses; a number of forms outside 1 to 16; a rule
/// without a number of forms or the reverse. A header without either has English's two forms.
std::optional<std::string> pluralRuleRefusal(std::string_view header);

/// The languages the environment asks for texts in, for `Catalog::load`: $LANGUAGE (a colon list) when
/// set, then the locale of `localeFromEnvironment` (LC_ALL, else LC_MESSAGES, else LANG, else "C").
std::string messageLanguagesFromEnvironment();

/// The directory of the program's catalogs: $REMINDERS_WIDGET_STRINGS, else the one installed with the
/// executable or built beside it (platform/data_files.h); empty when there is none, which loads no catalog.
std::filesystem::path defaultStringsDirectory();

}  // namespace rw

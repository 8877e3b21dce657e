#include "platform/catalog.h"

#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/schriter.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "platform/calendar.h"
#include "platform/data_files.h"
#include "platform/file_manager.h"
#include "platform/plural_rule.h"

namespace rw {
namespace {

constexpr std::string_view kDomain = "reminders-widget";
// Far above any catalog this program ships; a larger file is not read at all.
constexpr std::uintmax_t kMaxCatalogBytes = 16u << 20;
// The language the keys are written in, whose catalog is the last one asked before a key shows.
constexpr std::string_view kDevelopmentLanguage = "en";

using Digits = std::array<std::string, 10>;

Digits asciiDigits() {
  Digits digits;
  for (int i = 0; i < 10; ++i)
    digits[static_cast<size_t>(i)] = std::string(1, static_cast<char>('0' + i));
  return digits;
}

// The ten digits of the locale's default numbering system ("٠".."٩" for ar_EG), or ASCII digits where the
// system is algorithmic (Roman, Hebrew letters) or unavailable. Counts are written digit by digit and
// never grouped.
Digits localeDigits(const icu::Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberingSystem> system(icu::NumberingSystem::createInstance(locale, status));
  if (U_FAILURE(status) || !system || system->isAlgorithmic() || system->getRadix() != 10)
    return asciiDigits();
  const icu::UnicodeString description = system->getDescription();
  if (description.countChar32() != 10) return asciiDigits();
  Digits digits;
  icu::StringCharacterIterator it(description);
  for (size_t i = 0; i < 10; ++i, it.next32()) {
    const icu::UnicodeString digit(it.current32());
    digit.toUTF8String(digits[i]);
  }
  return digits;
}

// One catalog file, read whole: each msgid (the singular of a plural entry) with its forms.
struct MoCatalog {
  struct Entry {
    std::vector<std::string> forms;  // one for a plain entry
    bool plural = false;
  };
  std::unordered_map<std::string, Entry> entries;
  PluralForms pluralForms;
};

bool isUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  for (std::int32_t at = 0; at < length;) {
    UChar32 c = 0;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) return false;
  }
  return true;
}

// The catalog's charset from its header's Content-Type; UTF-8 when it names none.
std::string charsetOf(std::string_view header) {
  const size_t at = header.find("charset=");
  if (at == std::string_view::npos) return "UTF-8";
  std::string_view charset = header.substr(at + 8);
  charset = charset.substr(0, std::min(charset.find('\n'), charset.find(';')));
  while (!charset.empty() && (charset.back() == ' ' || charset.back() == '\r'))
    charset.remove_suffix(1);
  return charset.empty() || charset == "CHARSET" ? "UTF-8" : std::string(charset);
}

// Reads a binary gettext catalog. Every offset is checked before it is used: the header, both string
// tables and the hash table (not used for lookups, but a catalog whose table points outside the file is
// damaged) must lie within the file, and every string must end with its NUL byte inside it. Texts in
// another charset are converted to UTF-8; a text that is not valid in its charset refuses the catalog.
Result<MoCatalog> readMoFile(std::string_view file) {
  const auto size = static_cast<std::uint64_t>(file.size());
  if (size < 28) return Failure{"not a message catalog"};
  const auto byte = [&](std::uint64_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at]));
  };
  const auto littleEndian = [&](std::uint64_t at) {
    return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
  };
  const bool swapped = littleEndian(0) != 0x950412deu;
  if (swapped && littleEndian(0) != 0xde120495u) return Failure{"not a message catalog"};
  const auto word = [&](std::uint64_t at) -> std::uint32_t {
    const std::uint32_t value = littleEndian(at);
    return swapped ? __builtin_bswap32(value) : value;
  };
  if (word(4) >> 16 > 1) return Failure{"an unknown revision of the format"};
  const std::uint64_t count = word(8), originals = word(12), translations = word(16);
  const std::uint64_t hashSize = word(20), hashes = word(24);
  const auto tableFits = [&](std::uint64_t offset, std::uint64_t entrySize, std::uint64_t entries) {
    return offset <= size && entries * entrySize <= size - offset;
  };
  if (!tableFits(originals, 8, count) || !tableFits(translations, 8, count))
    return Failure{"damaged: its string tables lie beyond the file"};
  if (hashSize > 0 && !tableFits(hashes, 4, hashSize))
    return Failure{"damaged: its hash table lies beyond the file"};
  const auto string = [&](std::uint64_t table, std::uint64_t i) -> std::optional<std::string_view> {
    const std::uint64_t length = word(table + 8 * i), offset = word(table + 8 * i + 4);
    if (offset >= size || length >= size - offset || file[offset + length] != '\0') return std::nullopt;
    return file.substr(offset, length);
  };

  MoCatalog catalog;
  std::string charset = "UTF-8";
  std::vector<std::pair<std::string_view, std::string_view>> pairs;
  pairs.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto original = string(originals, i), translation = string(translations, i);
    if (!original || !translation) return Failure{"damaged: a text lies beyond the file"};
    if (original->empty()) {
      auto forms = pluralFormsOfHeader(*translation);
      if (!forms) return forms.error();
      catalog.pluralForms = std::move(*forms);
      charset = charsetOf(*translation);
    }
    pairs.emplace_back(*original, *translation);
  }

  const bool utf8 = charset == "UTF-8" || charset == "utf-8" || charset == "UTF8" || charset == "utf8" ||
                    charset == "ASCII" || charset == "US-ASCII";
  const auto decoded = [&](std::string_view text) -> std::optional<std::string> {
    if (utf8) {
      if (!isUtf8(text)) return std::nullopt;
      return std::string(text);
    }
    const icu::UnicodeString unicode(text.data(), static_cast<std::int32_t>(text.size()), charset.c_str());
    if (unicode.isBogus()) return std::nullopt;
    std::string out;
    unicode.toUTF8String(out);
    return out;
  };
  for (const auto& [original, translation] : pairs) {
    if (original.empty()) continue;
    // "msgid\0msgid_plural" for plural entries; forms are joined by NUL bytes.
    const size_t end = original.find('\0');
    auto key = decoded(original.substr(0, end));
    if (!key) return Failure{"a text is not valid " + charset};
    MoCatalog::Entry entry;
    entry.plural = end != std::string_view::npos;
    for (size_t from = 0;;) {
      const size_t to = translation.find('\0', from);
      auto form = decoded(translation.substr(from, to - from));
      if (!form) return Failure{"a text is not valid " + charset};
      entry.forms.push_back(std::move(*form));
      if (to == std::string_view::npos) break;
      from = to + 1;
    }
    catalog.entries.insert_or_assign(std::move(*key), std::move(entry));
  }
  return catalog;
}

// Says once per file and process that a catalog is not used.
void reportUnusable(const std::filesystem::path& file, const std::string& reason) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  const std::lock_guard lock(mutex);
  if (!reported.insert(file.string()).second) return;
  const std::string line =
      "reminders-widget: message catalog " + file.string() + " not used (" + reason + "); texts fall back\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

// The catalog `language` ("de_AT", "sr@latin") has in `directory`: nothing when there is no file; a file
// that cannot be read or used is reported and skipped.
std::shared_ptr<const MoCatalog> readCatalog(const std::filesystem::path& directory,
                                             const std::string& language) {
  const auto file = directory / language / "LC_MESSAGES" / (std::string(kDomain) + ".mo");
  std::error_code error;
  if (!std::filesystem::exists(file, error)) return nullptr;
  const auto bytes = readWholeFile(file, kMaxCatalogBytes);
  if (!bytes) {
    reportUnusable(file, "unreadable, not a regular file or larger than 16 MiB");
    return nullptr;
  }
  auto catalog = readMoFile(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!catalog) {
    reportUnusable(file, catalog.error().reason);
    return nullptr;
  }
  return std::make_shared<const MoCatalog>(std::move(*catalog));
}

// The catalog names one locale may use, most specific first: "de_AT", "de"; "sr_RS@latin", "sr@latin",
// "sr_RS", "sr". Chinese falls back by script, as its catalogs are named by the region of each script.
std::vector<std::string> catalogNames(const icu::Locale& locale) {
  const std::string language = locale.getLanguage(), country = locale.getCountry();
  const std::string_view script = locale.getScript();
  const std::string modifier = script == "Latn" ? "@latin" : script == "Cyrl" ? "@cyrillic" : "";
  std::vector<std::string> names;
  if (language.empty()) return names;
  if (!country.empty() && !modifier.empty()) names.push_back(language + "_" + country + modifier);
  if (!modifier.empty()) names.push_back(language + modifier);
  if (!country.empty()) names.push_back(language + "_" + country);
  names.push_back(language);
  if (language == "zh") {
    icu::Locale likely = locale;
    UErrorCode status = U_ZERO_ERROR;
    likely.addLikelySubtags(status);
    if (U_SUCCESS(status))
      names.push_back(std::string_view(likely.getScript()) == "Hant" ? "zh_TW" : "zh_CN");
  }
  if (language == "no") names.push_back("nb");  // Norwegian Bokmål is what "no" means in practice
  return names;
}

std::string digitsOf(std::int64_t count, const Digits& digits) {
  std::string ascii = std::to_string(count);
  std::string out;
  for (const char c : ascii) {
    if (c >= '0' && c <= '9')
      out += digits[static_cast<size_t>(c - '0')];
    else
      out += c;
  }
  return out;
}

// Fills a count format: "%d" (also "%i", "%ld", "%lld" and the positional "%1$d") becomes the number,
// "%%" a percent sign; anything else is kept as written.
std::string fillCount(std::string_view format, const std::string& number) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    std::string_view rest = format.substr(i + 1);
    if (rest.starts_with('%')) {
      out += '%';
      i += 1;
      continue;
    }
    size_t length = 0;
    if (rest.starts_with("1$")) length = 2;
    while (length < rest.size() && rest[length] == 'l' && length < 4)
      ++length;
    if (length < rest.size() && (rest[length] == 'd' || rest[length] == 'i')) {
      out += number;
      i += length + 1;
    } else {
      out += '%';
    }
  }
  return out;
}

}  // namespace

struct Catalog::State {
  // The catalogs asked in turn, each with the digits of the locale it was chosen for.
  struct Source {
    std::shared_ptr<const MoCatalog> catalog;
    Digits digits;
  };
  std::vector<Source> sources;
  // Digits of a count whose format no catalog has: those of the first locale asked for.
  Digits digits = asciiDigits();
};

Catalog::Catalog() : state_(std::make_shared<State>()) {}

Catalog Catalog::load(const std::filesystem::path& directory, std::string_view languages) {
  auto state = std::make_shared<State>();
  std::vector<std::string> asked;
  bool first = true;
  const auto consider = [&](std::string_view localeId) {
    const std::string canonical = canonicalLocaleId(localeId);
    const icu::Locale locale(canonical.c_str());
    const Digits digits = localeDigits(locale);
    if (first) state->digits = digits;
    first = false;
    if (directory.empty()) return;
    for (const std::string& name : catalogNames(locale)) {
      if (std::find(asked.begin(), asked.end(), name) != asked.end()) continue;
      asked.push_back(name);
      if (auto catalog = readCatalog(directory, name)) state->sources.push_back({std::move(catalog), digits});
    }
  };
  for (size_t from = 0; from <= languages.size();) {
    const size_t to = std::min(languages.find(':', from), languages.size());
    // Empty items of a colon list ("de::fr") are skipped; an empty list as a whole is the C locale.
    if (to > from || languages.empty()) consider(languages.substr(from, to - from));
    from = to + 1;
  }
  consider(kDevelopmentLanguage);
  Catalog catalog;
  catalog.state_ = std::move(state);
  return catalog;
}

std::string Catalog::text(std::string_view key) const {
  // The empty key names the catalog's header entry, which is no text.
  if (key.empty()) return {};
  const std::string id(key);
  for (const auto& source : state_->sources) {
    const auto found = source.catalog->entries.find(id);
    if (found != source.catalog->entries.end() && !found->second.forms.front().empty())
      return found->second.forms.front();
  }
  return id;
}

std::string Catalog::countText(std::string_view key, std::int64_t count) const {
  // The plural rule reads the magnitude; its arithmetic wraps, so every magnitude is safe.
  const std::uint64_t n =
      count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
  const std::string id(key);
  for (const auto& source : state_->sources) {
    if (key.empty()) break;
    const auto found = source.catalog->entries.find(id);
    if (found == source.catalog->entries.end()) continue;
    const MoCatalog::Entry& entry = found->second;
    // A plain entry is the format for every count; a plural entry's form is the rule's pick, and a count
    // for which the rule picks no form the entry has (or divides by zero) asks the next catalog.
    std::uint64_t form = 0;
    if (entry.plural) {
      const auto picked = source.catalog->pluralForms.rule.evaluate(n);
      if (!picked || *picked >= source.catalog->pluralForms.count || *picked >= entry.forms.size()) continue;
      form = *picked;
    }
    const std::string& format = entry.forms[static_cast<size_t>(form)];
    if (!format.empty()) return fillCount(format, digitsOf(count, source.digits));
  }
  return fillCount(key, digitsOf(count, state_->digits));
}

std::string messageLanguagesFromEnvironment() {
  std::string languages;
  if (const char* value = std::getenv("LANGUAGE"); value && *value) languages = value;
  const std::string locale = localeFromEnvironment();
  return languages.empty() ? locale : languages + ":" + locale;
}

std::filesystem::path defaultStringsDirectory() {
  return findDataDirectory(catalogsLocation()).value_or(std::filesystem::path());
}

}  // namespace rw

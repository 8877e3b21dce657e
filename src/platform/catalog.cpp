#include "platform/catalog.h"

#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/schriter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <boost/locale/gnu_gettext.hpp>
#include <boost/locale/message.hpp>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <locale>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_set>
#include <vector>

#include "platform/calendar.h"
#include "platform/data_files.h"
#include "platform/file_manager.h"

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

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text after the first `key` in `header` up to the first of `separators`, as Boost.Locale's reader
// takes it; nothing when `key` is not there.
std::optional<std::string_view> headerValue(std::string_view header, std::string_view key,
                                            std::string_view separators) {
  const size_t at = header.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view rest = header.substr(at + key.size());
  return rest.substr(0, rest.find_first_of(separators));
}

// Why Boost.Locale must not evaluate `rule`, or nothing. Its evaluator works in `int`, where only a division
// or remainder can trap (INT_MIN / -1 ends the process with SIGFPE), and its parser recurses once per
// parenthesis. A rule passes when its tokens are gettext's, in a well-formed order, every `/` and `%` is
// followed by a positive decimal number of at most 9 digits, and it is short and shallow; nothing is
// evaluated here.
std::optional<std::string> ruleRefusal(std::string_view rule) {
  constexpr size_t kMaxLength = 512;
  constexpr size_t kMaxDepth = 32;
  if (rule.size() > kMaxLength) return "longer than 512 characters";
  std::vector<int> openConditions{0};  // '?' still waiting for their ':', per parenthesis level
  bool operandNext = true;
  // The length of the decimal number at `at` ("0", or digits without a leading zero, which the reader
  // would take for octal), or 0. A divisor must be positive and fit in `int` (9 digits).
  const auto numberLength = [&](size_t at, bool divisor) -> size_t {
    size_t length = 0;
    while (at + length < rule.size() && rule[at + length] >= '0' && rule[at + length] <= '9')
      ++length;
    if (length == 0 || (divisor && length > 9)) return 0;
    if (rule[at] == '0' && (divisor || length > 1)) return 0;
    return length;
  };
  for (size_t at = 0; at < rule.size();) {
    const std::string_view rest = rule.substr(at);
    const char c = rule[at];
    if (isBlank(c)) {
      ++at;
    } else if (operandNext) {
      if (c == '(') {
        if (openConditions.size() > kMaxDepth) return "nested deeper than 32 parentheses";
        openConditions.push_back(0);
        ++at;
      } else if (c == '!' && !rest.starts_with("!=")) {
        ++at;
      } else if (c == 'n') {
        operandNext = false;
        ++at;
      } else if (const size_t length = numberLength(at, false)) {
        operandNext = false;
        at += length;
      } else {
        return "it does not parse";
      }
    } else if (c == ')') {
      if (openConditions.size() == 1 || openConditions.back() != 0) return "it does not parse";
      openConditions.pop_back();
      ++at;
    } else if (c == '/' || c == '%') {
      for (++at; at < rule.size() && isBlank(rule[at]);)
        ++at;
      const size_t length = numberLength(at, true);
      if (length == 0) return "it divides by what is not a positive number";
      at += length;
    } else if (c == '?' || c == ':') {
      if (c == ':' && openConditions.back()-- == 0) return "it does not parse";
      if (c == '?') ++openConditions.back();
      operandNext = true;
      ++at;
    } else if (rest.starts_with("<=") || rest.starts_with(">=") || rest.starts_with("==") ||
               rest.starts_with("!=") || rest.starts_with("&&") || rest.starts_with("||")) {
      operandNext = true;
      at += 2;
    } else if ((c == '*' || c == '+' || c == '-' || c == '<' || c == '>') && !rest.starts_with("<<") &&
               !rest.starts_with(">>")) {
      operandNext = true;
      ++at;
    } else {
      return "it does not parse";
    }
  }
  if (operandNext || openConditions.size() != 1 || openConditions.back() != 0) return "it does not parse";
  return std::nullopt;
}

// The reader trusts the offsets of a catalog, so a damaged file must be refused before it gets there: the
// header, both string tables and the hash table must lie within the file, every string must end with its
// NUL byte inside the file, and every hash slot must name an existing string. A hash table of one or two
// slots (msgfmt never writes one) would make the reader's probing divide by zero; such a table is dropped,
// and the reader searches the sorted strings. Notes the ids of plural entries in `pluralIds`.
std::optional<std::string> soundnessProblem(std::vector<char>& file,
                                            std::unordered_set<std::string>& pluralIds) {
  const auto size = static_cast<std::uint64_t>(file.size());
  if (size < 28) return "not a message catalog";
  const auto byte = [&](std::uint64_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at]));
  };
  const auto littleEndian = [&](std::uint64_t at) {
    return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
  };
  const bool swapped = littleEndian(0) != 0x950412deu;
  if (swapped && littleEndian(0) != 0xde120495u) return "not a message catalog";
  const auto word = [&](std::uint64_t at) -> std::uint32_t {
    const std::uint32_t value = littleEndian(at);
    return swapped ? __builtin_bswap32(value) : value;
  };
  if (word(4) >> 16 > 1) return "an unknown revision of the format";
  const std::uint64_t count = word(8), originals = word(12), translations = word(16);
  const std::uint64_t hashSize = word(20), hashes = word(24);
  const auto tableFits = [&](std::uint64_t offset, std::uint64_t entrySize, std::uint64_t entries) {
    return offset <= size && entries * entrySize <= size - offset;
  };
  if (count == 0) return "no header";
  if (!tableFits(originals, 8, count) || !tableFits(translations, 8, count))
    return "damaged: its string tables lie beyond the file";
  for (const std::uint64_t table : {originals, translations}) {
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t length = word(table + 8 * i), offset = word(table + 8 * i + 4);
      if (offset >= size || length >= size - offset || file[offset + length] != '\0')
        return "damaged: a text lies beyond the file";
      // "singular\0plural" names a plural entry.
      if (table == originals && std::memchr(&file[offset], '\0', length) != nullptr)
        pluralIds.emplace(&file[offset]);
    }
  }
  if (hashSize > 0) {
    if (!tableFits(hashes, 4, hashSize)) return "damaged: its hash table lies beyond the file";
    for (std::uint64_t i = 0; i < hashSize; ++i)
      if (word(hashes + 4 * i) > count) return "damaged: its hash table names no text";
  }
  if (hashSize > 0 && hashSize <= 2) std::fill(file.begin() + 20, file.begin() + 24, '\0');
  // The reader takes the first entry's text as the header, whatever its id.
  if (auto refusal = pluralRuleRefusal(&file[word(translations + 4)]))
    return "its plural rule is refused: " + *refusal;
  return std::nullopt;
}

// Says once per file and process that a catalog is not used.
void reportUnusable(const std::string& file, const std::string& reason) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  const std::lock_guard lock(mutex);
  if (!reported.insert(file).second) return;
  const std::string line =
      "reminders-widget: message catalog " + file + " not used (" + reason + "); texts fall back\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

// One catalog as Boost.Locale reads it, with the digits of the locale it was chosen for.
struct Source {
  // The facet is reference counted by the locale that holds it; `messages` points into `holder`.
  std::locale holder;
  const boost::locale::message_format<char>* messages = nullptr;
  int domain = 0;
  std::unordered_set<std::string> pluralIds;
  Digits digits;
};

// The catalog `name` ("de_AT", "sr@latin") has in `directory`: nothing when there is no file; a file that
// cannot be read or used is reported and skipped.
std::optional<Source> readCatalog(const std::filesystem::path& directory, const std::string& name,
                                  const Digits& digits) {
  const auto path = directory / name / "LC_MESSAGES" / (std::string(kDomain) + ".mo");
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::nullopt;
  Source source;
  source.digits = digits;
  std::optional<std::string> problem;
  namespace gettext = boost::locale::gnu_gettext;
  gettext::messages_info info;
  // The name is the whole directory: the chain of names is chosen here, one catalog per facet.
  info.language = name;
  // Texts are handed out as UTF-8 whatever codeset the locale id named.
  info.encoding = "UTF-8";
  info.paths.push_back(directory.string());
  info.domains.emplace_back(std::string(kDomain));
  info.callback = [&](const std::string& fileName, const std::string& /*encoding*/) -> std::vector<char> {
    const auto bytes = readWholeFile(fileName, kMaxCatalogBytes);
    if (!bytes) {
      problem = "unreadable, not a regular file or larger than 16 MiB";
      return {};
    }
    std::vector<char> file(bytes->begin(), bytes->end());
    problem = soundnessProblem(file, source.pluralIds);
    if (problem) return {};
    return file;
  };
  try {
    if (auto* facet = gettext::create_messages_facet<char>(info)) {
      source.holder = std::locale(std::locale::classic(), facet);  // owns the facet from here
      source.messages = facet;
      source.domain = facet->domain(std::string(kDomain));
      if (!problem) return source;
    }
  } catch (const std::exception& e) {
    // What the reader itself rejects: a charset it cannot convert, a header without one.
    problem = e.what();
  }
  reportUnusable(path.string(), problem.value_or("not read"));
  return std::nullopt;
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

// The plural rule only looks at small residues (n % 10, n % 100) and at n itself near 0 and 1; counts
// beyond `int` keep those residues.
int pluralArgument(std::int64_t count) {
  const std::uint64_t magnitude =
      count < 0 ? 0 - static_cast<std::uint64_t>(count) : static_cast<std::uint64_t>(count);
  if (magnitude <= static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
    return static_cast<int>(magnitude);
  return static_cast<int>(magnitude % 1000000 + 1000000);
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

std::optional<std::string> pluralRuleRefusal(std::string_view header) {
  header = header.substr(0, header.find('\0'));
  const auto rule = headerValue(header, "plural=", "\r\n;");
  auto count = headerValue(header, "nplurals=", "\r\n;");
  if (!rule && !count) return std::nullopt;  // English's two forms
  if (!rule || !count) return "the header names no rule or no number of forms";
  while (!count->empty() && isBlank(count->front()))
    count->remove_prefix(1);
  while (!count->empty() && isBlank(count->back()))
    count->remove_suffix(1);
  int forms = 0;
  const auto [end, error] = std::from_chars(count->data(), count->data() + count->size(), forms);
  if (error != std::errc() || end != count->data() + count->size() || forms < 1 || forms > 16)
    return "not 1 to 16 forms";
  return ruleRefusal(*rule);
}

struct Catalog::State {
  // The catalogs asked in turn.
  std::vector<Source> sources;
  // Digits of a count whose format no catalog has: those of the first locale asked for.
  Digits digits = asciiDigits();
  LayoutDirection firstAskedDirection = LayoutDirection::leftToRight;
  LayoutDirection firstReadDirection = LayoutDirection::leftToRight;
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
    const LayoutDirection direction =
        locale.isRightToLeft() ? LayoutDirection::rightToLeft : LayoutDirection::leftToRight;
    if (first) {
      state->digits = digits;
      state->firstAskedDirection = direction;
    }
    first = false;
    if (directory.empty()) return;
    for (const std::string& name : catalogNames(locale)) {
      if (std::find(asked.begin(), asked.end(), name) != asked.end()) continue;
      asked.push_back(name);
      if (auto source = readCatalog(directory, name, digits)) {
        if (state->sources.empty()) state->firstReadDirection = direction;
        state->sources.push_back(std::move(*source));
      }
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
    const char* translation = source.messages->get(source.domain, nullptr, id.c_str());
    if (translation != nullptr && *translation != '\0') return translation;
  }
  return id;
}

std::string Catalog::countText(std::string_view key, std::int64_t count) const {
  const std::string id(key);
  for (const auto& source : state_->sources) {
    if (key.empty()) break;
    // The key is both the singular and the plural id. A plural entry gives the form its catalog's rule
    // picks, and a count for which it has no form asks the next catalog; a plain entry is the format for
    // every count.
    const char* format = source.messages->get(source.domain, nullptr, id.c_str(), pluralArgument(count));
    if (format == nullptr && !source.pluralIds.contains(id))
      format = source.messages->get(source.domain, nullptr, id.c_str());
    if (format != nullptr && *format != '\0') return fillCount(format, digitsOf(count, source.digits));
  }
  return fillCount(key, digitsOf(count, state_->digits));
}

LayoutDirection Catalog::layoutDirection() const {
  return state_->sources.empty() ? state_->firstAskedDirection : state_->firstReadDirection;
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

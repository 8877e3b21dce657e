#include "platform/catalog.h"

#include <unicode/locid.h>
#include <unicode/numsys.h>
#include <unicode/schriter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <boost/locale/gnu_gettext.hpp>
#include <boost/locale/message.hpp>
#include <filesystem>
#include <limits>
#include <locale>

#include "platform/calendar.h"
#include "platform/data_files.h"
#include "platform/file_manager.h"

namespace rw {
namespace {

constexpr std::string_view kDomain = "reminders-widget";
// Far above any catalog this program ships; a larger file is not read at all.
constexpr std::uintmax_t kMaxCatalogBytes = 16u << 20;

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

// The reader parses the header's plural rule recursively, about a kilobyte of stack per parenthesis: a
// rule nested deeper than real languages need (they stay within three levels and 150 characters) could
// exhaust a thread's stack.
bool isModestPluralRule(const char* header) {
  constexpr size_t kMaxLength = 256;
  constexpr int kMaxDepth = 16;
  const std::string_view text = header;
  for (size_t at = text.find("plural="); at != std::string_view::npos; at = text.find("plural=", at + 1)) {
    const std::string_view rule = text.substr(at, text.find('\n', at) - at);
    if (rule.size() > kMaxLength) return false;
    int depth = 0;
    for (const char c : rule) {
      depth += c == '(' ? 1 : c == ')' ? -1 : 0;
      if (depth > kMaxDepth) return false;
    }
  }
  return true;
}

// Makes a binary catalog safe for the gettext reader, or says it cannot be: the header, both string tables
// and the hash table must lie within the file, every string must end with its NUL byte inside the file, and
// every hash slot must name an existing string. The reader trusts these offsets, so a damaged file must be
// refused before it gets there. A hash table of one or two slots (msgfmt never writes one) would make the
// reader's probing divide by zero; such a table is dropped, and the reader searches the sorted strings.
bool makeSoundMoFile(std::vector<char>& file) {
  const auto size = static_cast<std::uint64_t>(file.size());
  if (size < 28) return false;
  const auto byte = [&](std::uint64_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at]));
  };
  const auto littleEndian = [&](std::uint64_t at) {
    return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
  };
  const bool swapped = littleEndian(0) != 0x950412deu;
  if (swapped && littleEndian(0) != 0xde120495u) return false;
  const auto word = [&](std::uint64_t at) -> std::uint32_t {
    const std::uint32_t value = littleEndian(at);
    return swapped ? __builtin_bswap32(value) : value;
  };
  if (word(4) >> 16 > 1) return false;  // unknown major revision
  const std::uint64_t count = word(8), originals = word(12), translations = word(16);
  const std::uint64_t hashSize = word(20), hashes = word(24);
  const auto tableFits = [&](std::uint64_t offset, std::uint64_t entrySize, std::uint64_t entries) {
    return offset <= size && entries * entrySize <= size - offset;
  };
  if (!tableFits(originals, 8, count) || !tableFits(translations, 8, count)) return false;
  for (const std::uint64_t table : {originals, translations}) {
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t length = word(table + 8 * i), offset = word(table + 8 * i + 4);
      if (offset >= size || length >= size - offset || file[offset + length] != '\0') return false;
    }
  }
  for (std::uint64_t i = 0; i < count; ++i)
    if (word(originals + 8 * i) == 0 && !isModestPluralRule(&file[word(translations + 8 * i + 4)]))
      return false;
  if (hashSize > 0) {
    if (!tableFits(hashes, 4, hashSize)) return false;
    for (std::uint64_t i = 0; i < hashSize; ++i)
      if (word(hashes + 4 * i) > count) return false;
  }
  if (hashSize > 0 && hashSize <= 2) std::fill(file.begin() + 20, file.begin() + 24, '\0');
  return true;
}

// Reads a catalog for the gettext reader; an absent, unreadable, oversized or damaged file reads as empty,
// which the reader treats as no catalog.
std::vector<char> readCatalogFile(const std::string& fileName, const std::string& /*encoding*/) {
  const auto bytes = readWholeFile(fileName, kMaxCatalogBytes);
  if (!bytes || bytes->empty()) return {};
  std::vector<char> file(bytes->begin(), bytes->end());
  if (!makeSoundMoFile(file)) return {};
  return file;
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

struct Catalog::State {
  // The facet is reference counted by the locale that holds it; `messages` points into `holder`.
  std::locale holder = std::locale::classic();
  const boost::locale::message_format<char>* messages = nullptr;  // null: keys only
  int domain = 0;
  Digits digits = asciiDigits();
};

Catalog::Catalog() : state_(std::make_shared<State>()) {}

Catalog Catalog::load(const std::filesystem::path& directory, std::string_view localeId) {
  const std::string canonical = canonicalLocaleId(localeId);
  const icu::Locale locale(canonical.c_str());
  auto state = std::make_shared<State>();
  state->digits = localeDigits(locale);

  // The C locale shows the keys, as gettext does.
  if (canonical != "en_US_POSIX" && !directory.empty()) {
    namespace gettext = boost::locale::gnu_gettext;
    gettext::messages_info info;
    info.language = locale.getLanguage();
    info.country = locale.getCountry();
    // Catalogs of a script live in the POSIX modifier directories ("sr@latin").
    const std::string_view script = locale.getScript();
    info.variant = script == "Latn" ? "latin" : script == "Cyrl" ? "cyrillic" : "";
    // Texts are handed out as UTF-8 whatever codeset the locale id named.
    info.encoding = "UTF-8";
    info.paths.push_back(directory.string());
    info.domains.emplace_back(std::string(kDomain));
    info.callback = readCatalogFile;
    try {
      if (auto* facet = gettext::create_messages_facet<char>(info)) {
        state->holder = std::locale(std::locale::classic(), facet);
        state->messages = facet;
        state->domain = facet->domain(std::string(kDomain));
      }
    } catch (...) {
      // A catalog the reader rejects (a bad plural rule, a charset it cannot convert): keys only.
      state->holder = std::locale::classic();
      state->messages = nullptr;
    }
  }
  Catalog catalog;
  catalog.state_ = std::move(state);
  return catalog;
}

std::string Catalog::text(std::string_view key) const {
  // The empty key names the catalog's header entry, which is no text.
  if (key.empty() || !state_->messages) return std::string(key);
  const std::string id(key);
  const char* translation = state_->messages->get(state_->domain, nullptr, id.c_str());
  if (translation == nullptr || *translation == '\0') return id;
  return translation;
}

std::string Catalog::countText(std::string_view key, std::int64_t count) const {
  std::string format(key);
  if (!key.empty() && state_->messages) {
    // The key is both the singular and the plural id, so an untranslated key reads as itself for every
    // count.
    const char* translation =
        state_->messages->get(state_->domain, nullptr, format.c_str(), pluralArgument(count));
    if (translation != nullptr && *translation != '\0') format = translation;
  }
  return fillCount(format, digitsOf(count, state_->digits));
}

std::filesystem::path defaultStringsDirectory() {
  return findDataDirectory(catalogsLocation()).value_or(std::filesystem::path());
}

}  // namespace rw

#include "platform/catalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <optional>

#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

using testing::builtStringsDirectory;
using testing::joined;
using testing::moFile;
using testing::TemporaryDirectory;
using testing::withWord;
using testing::writeCatalog;

struct Lookup {
  const char* locale;
  const char* key;
  std::optional<std::int64_t> count;  // countText when set, text otherwise
  const char* expected;
};

void expectLookups(const std::filesystem::path& strings, std::initializer_list<Lookup> lookups) {
  for (const auto& l : lookups) {
    const Catalog catalog = Catalog::load(strings, l.locale);
    EXPECT_EQ(l.count ? catalog.countText(l.key, *l.count) : catalog.text(l.key), l.expected)
        << l.locale << " " << l.key << " " << l.count.value_or(-1);
  }
}

TEST(Catalog, ReadsTheBuiltCatalogsWithTheLanguagesPluralRules) {
  // The machines that run this have at most C.UTF-8 generated for the C library.
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  expectLookups(builtStringsDirectory(),
                {{"en_US.UTF-8", "OVERDUE", {}, "Overdue"},
                 {"de_DE.UTF-8", "OVERDUE", {}, "Überfällig"},
                 {"pl_PL.utf8@euro", "TOMORROW", {}, "Jutro"},
                 {"pl_PL", "NOT A KEY OF ANY CATALOG", {}, "NOT A KEY OF ANY CATALOG"},
                 {"xx_YY.UTF-8", "TOMORROW", {}, "Tomorrow"},  // no catalog for the language: English
                 {"C.UTF-8", "OVERDUE", {}, "Overdue"},
                 {"en", "%d DAY(S)", 1, "1 day"},
                 {"pl", "%d DAY(S)", 1, "1 dzień"},
                 {"pl", "%d MONTH(S)", 14, "14 miesięcy"},
                 // Counts beyond `int` keep their residues for the rule and all their digits.
                 {"pl", "%d MONTH(S)", 10'000'000'002, "10000000002 miesiące"},
                 {"pl", "%d MONTH(S)", kMax, "9223372036854775807 miesięcy"},
                 {"pl", "%d WEEK(S)", 5, "5 WEEK(S)"}});  // untranslated: the key for every count
  TemporaryDirectory empty;
  for (const Catalog& catalog : {Catalog(), Catalog::load(empty.path() / "missing", "pl_PL")})
    EXPECT_EQ(catalog.text("TOMORROW") + catalog.countText("%d MONTH(S)", 1), "TOMORROW1 MONTH(S)");
}

TEST(Catalog, ReadsWrittenCatalogsByRegionFormatAndRule) {
  TemporaryDirectory strings;
  const auto path = strings.path();
  const std::string days = joined({"%d DAY(S)", "%d DAY(S)"});
  writeCatalog(path, "de", moFile({{"TOMORROW", "Morgen"}, {"TODAY", "Heute"}}));
  writeCatalog(path, "de_AT", moFile({{"TOMORROW", "Morgen (AT)"}}));
  writeCatalog(
      path, "xx",
      moFile({{joined({"%d FORMATS", "%d FORMATS"}), joined({"%d|%i|%ld|%1$d|%%|%s|%", "%d many"})}}));
  // A rule that picks a form the entry lacks, and one that does not parse.
  writeCatalog(path, "xa",
               moFile({{days, joined({"%d dzień", "%d dni"})}}, "nplurals=3; plural=(n==1 ? 7 : 1);"));
  writeCatalog(
      path, "xb",
      moFile({{"TOMORROW", "Morgen"}, {days, joined({"%d Tag", "%d Tagen"})}}, "nplurals=2; plural=((n"));
  expectLookups(path, {
                          // What the region's catalog lacks comes from the language's.
                          {"de_AT.UTF-8", "TOMORROW", {}, "Morgen (AT)"},
                          {"de_AT.UTF-8", "TODAY", {}, "Heute"},
                          {"de_DE", "TOMORROW", {}, "Morgen"},
                          {"xx", "%d FORMATS", 1, "1|1|1|1|%|%s|%"},
                          {"xx", "%d FORMATS", 7, "7 many"},
                          // No grouping, and the locale's own digits.
                          {"de_DE", "%d DAY(S)", 12345, "12345 DAY(S)"},
                          {"ar_EG", "%d DAY(S)", 1250, "١٢٥٠ DAY(S)"},
                          {"fa_IR", "%d DAY(S)", 30, "۳۰ DAY(S)"},
                          {"C", "%d DAY(S)", -3, "-3 DAY(S)"},
                          // A form the entry lacks shows the key (no English catalog here); a rule that
                          // does not parse makes its catalog unusable.
                          {"xa", "%d DAY(S)", 1, "1 DAY(S)"},
                          {"xa", "%d DAY(S)", 2, "2 dni"},
                          {"xb", "TOMORROW", {}, "TOMORROW"},
                          {"xb", "%d DAY(S)", 5, "5 DAY(S)"},
                      });
}

TEST(Catalog, DamagedFilesGiveTheKeys) {
  const auto sound =
      moFile({{"TOMORROW", "Morgen"}, {joined({"%d DAY(S)", "%d DAY(S)"}), joined({"%d Tag", "%d Tagen"})}});
  const std::pair<const char*, std::vector<std::uint8_t>> damaged[] = {
      {"sound", sound},
      {"truncated header", std::vector<std::uint8_t>(sound.begin(), sound.begin() + 20)},
      {"string count beyond the file", withWord(sound, 8, 0x10000000)},
      {"string table beyond the file", withWord(sound, 12, 0xfffffff0)},
      {"string offset beyond the file", withWord(sound, 28 + 4, 0xffffff00)},
      {"string length beyond the file", withWord(sound, 28 + 8 * 3, 0x7fffffff)},
      {"hash table beyond the file", withWord(sound, 20, 1000)},
      {"unknown revision", withWord(sound, 4, 0x00020000)},
      {"unterminated string", withWord(sound, sound.size() - 4, 0x78787878)}};
  for (const auto& [what, bytes] : damaged) {
    TemporaryDirectory strings;
    writeCatalog(strings.path(), "de", bytes);
    const Catalog catalog = Catalog::load(strings.path(), "de_DE");
    const bool intact = std::string_view(what) == "sound";
    EXPECT_EQ(catalog.text("TOMORROW"), intact ? "Morgen" : "TOMORROW") << what;
    EXPECT_EQ(catalog.countText("%d DAY(S)", 2), intact ? "2 Tagen" : "2 DAY(S)") << what;
  }
}

TEST(Catalog, ReadsCatalogsWithAnyHashTable) {
  // Hash tables of one to five slots, empty or pointing at the one entry: lookups find the text or fall back
  // to the key and never crash (two slots once divided by zero); with up to two slots they find the text.
  for (std::uint32_t slots = 1; slots <= 5; ++slots) {
    for (const std::uint8_t filled : {0, 2}) {
      auto bytes = moFile({{"TOMORROW", "Jutro"}});
      const auto table = static_cast<std::uint32_t>(bytes.size());
      bytes.resize(table + 4 * slots);
      bytes[table] = filled;  // slot 0: string index + 1, or empty
      TemporaryDirectory strings;
      writeCatalog(strings.path(), "pl", withWord(withWord(bytes, 20, slots), 24, table));
      const Catalog catalog = Catalog::load(strings.path(), "pl");
      const std::string text = catalog.text("TOMORROW");
      SCOPED_TRACE(std::to_string(slots) + " slots, slot 0 holds " + std::to_string(filled));
      EXPECT_TRUE(text == "Jutro" || (slots > 2 && text == "TOMORROW")) << text;
      EXPECT_EQ(catalog.text("TODAY"), "TODAY");
    }
  }
}

}  // namespace
}  // namespace rw

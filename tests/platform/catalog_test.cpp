#include "platform/catalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>

#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

using testing::builtStringsDirectory;
using testing::moFile;
using testing::TemporaryDirectory;
using testing::withWord;
using testing::writeCatalog;

constexpr const char* kPolishPlural =
    "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);";

TEST(Catalog, WithoutTranslationsShowsTheKeys) {
  TemporaryDirectory empty;
  for (const Catalog& catalog : {Catalog(), Catalog::load(empty.path() / "missing", "pl_PL")}) {
    EXPECT_EQ(catalog.text("TOMORROW"), "TOMORROW");
    EXPECT_EQ(catalog.countText("%d MONTH(S)", 1), "1 MONTH(S)");
  }
}

TEST(Catalog, ReadsTheBuiltCatalogsWithoutSystemLocales) {
  // The machines that run this have at most C.UTF-8 generated for the C library.
  struct Case {
    const char* locale;
    const char* tomorrow;
    const char* overdue;
  };
  const Case cases[] = {
      {"en_US.UTF-8", "Tomorrow", "Overdue"},
      {"de_DE.UTF-8", "Morgen", "Überfällig"},
      {"pl_PL.utf8@euro", "Jutro", "Zaległe"},
      // A language without a catalog, and the C locale: English.
      {"xx_YY.UTF-8", "Tomorrow", "Overdue"},
      {"C.UTF-8", "Tomorrow", "Overdue"},
  };
  for (const auto& c : cases) {
    const Catalog catalog = Catalog::load(builtStringsDirectory(), c.locale);
    EXPECT_EQ(catalog.text("TOMORROW"), c.tomorrow) << c.locale;
    EXPECT_EQ(catalog.text("OVERDUE"), c.overdue) << c.locale;
    // Keys that no catalog has stay keys.
    EXPECT_EQ(catalog.text("NOT A KEY OF ANY CATALOG"), "NOT A KEY OF ANY CATALOG") << c.locale;
  }
}

TEST(Catalog, ChoosesPluralFormsByTheLanguagesRule) {
  struct Case {
    const char* locale;
    const char* key;
    std::int64_t count;
    const char* text;
  };
  const Case cases[] = {
      {"en", "%d DAY(S)", 1, "1 day"},
      {"de", "%d DAY(S)", 5, "5 Tagen"},
      {"pl", "%d DAY(S)", 1, "1 dzień"},
      {"pl", "%d MONTH(S)", 2, "2 miesiące"},
      {"pl", "%d MONTH(S)", 14, "14 miesięcy"},
      {"pl", "%d MONTH(S)", 22, "22 miesiące"},
      // Counts beyond `int` keep their residues for the rule and all their digits.
      {"pl", "%d MONTH(S)", 10'000'000'002, "10000000002 miesiące"},
      {"pl", "%d MONTH(S)", std::numeric_limits<std::int64_t>::max(), "9223372036854775807 miesięcy"},
      // An untranslated count format reads as its key for every count.
      {"pl", "%d WEEK(S)", 5, "5 WEEK(S)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Catalog::load(builtStringsDirectory(), c.locale).countText(c.key, c.count), c.text)
        << c.locale << " " << c.key << " " << c.count;
}

TEST(Catalog, PrefersTheRegionsCatalogOverTheLanguages) {
  TemporaryDirectory strings;
  writeCatalog(strings.path(), "de", moFile({{"TOMORROW", "Morgen"}, {"TODAY", "Heute"}}));
  writeCatalog(strings.path(), "de_AT", moFile({{"TOMORROW", "Morgen (AT)"}}));
  const Catalog austrian = Catalog::load(strings.path(), "de_AT.UTF-8");
  EXPECT_EQ(austrian.text("TOMORROW"), "Morgen (AT)");
  // What the region's catalog lacks comes from the language's.
  EXPECT_EQ(austrian.text("TODAY"), "Heute");
  EXPECT_EQ(Catalog::load(strings.path(), "de_DE").text("TOMORROW"), "Morgen");
}

TEST(Catalog, FillsCountsInTheLocalesDigits) {
  TemporaryDirectory strings;
  writeCatalog(strings.path(), "xx",
               moFile({{testing::joined({"%d FORMATS", "%d FORMATS"}),
                        testing::joined({"%d|%i|%ld|%1$d|%%|%s|%", "%d many"})}}));
  const Catalog formats = Catalog::load(strings.path(), "xx");
  EXPECT_EQ(formats.countText("%d FORMATS", 1), "1|1|1|1|%|%s|%");
  EXPECT_EQ(formats.countText("%d FORMATS", 7), "7 many");
  // No grouping, and the locale's own digits.
  EXPECT_EQ(Catalog::load(strings.path(), "de_DE").countText("%d DAY(S)", 12345), "12345 DAY(S)");
  EXPECT_EQ(Catalog::load(strings.path(), "ar_EG").countText("%d DAY(S)", 1250), "١٢٥٠ DAY(S)");
  EXPECT_EQ(Catalog::load(strings.path(), "fa_IR").countText("%d DAY(S)", 30), "۳۰ DAY(S)");
  EXPECT_EQ(Catalog().countText("%d DAY(S)", -3), "-3 DAY(S)");
}

TEST(Catalog, DamagedFilesGiveTheKeys) {
  const auto sound =
      moFile({{"TOMORROW", "Morgen"},
              {testing::joined({"%d DAY(S)", "%d DAY(S)"}), testing::joined({"%d Tag", "%d Tagen"})}});
  {
    TemporaryDirectory strings;
    writeCatalog(strings.path(), "de", sound);
    ASSERT_EQ(Catalog::load(strings.path(), "de").text("TOMORROW"), "Morgen");  // the writer itself is sound
  }
  std::vector<std::pair<const char*, std::vector<std::uint8_t>>> damaged = {
      {"truncated header", std::vector<std::uint8_t>(sound.begin(), sound.begin() + 20)},
      {"string count beyond the file", withWord(sound, 8, 0x10000000)},
      {"string table beyond the file", withWord(sound, 12, 0xfffffff0)},
      {"string offset beyond the file", withWord(sound, 28 + 4, 0xffffff00)},
      {"string length beyond the file", withWord(sound, 28 + 8 * 3, 0x7fffffff)},
      {"hash table beyond the file", withWord(sound, 20, 1000)},
      {"unknown revision", withWord(sound, 4, 0x00020000)},
  };
  // A string that does not end with its NUL byte.
  auto unterminated = sound;
  unterminated.back() = 'x';
  damaged.emplace_back("unterminated string", unterminated);
  for (const auto& [what, bytes] : damaged) {
    TemporaryDirectory strings;
    writeCatalog(strings.path(), "de", bytes);
    const Catalog catalog = Catalog::load(strings.path(), "de_DE");
    EXPECT_EQ(catalog.text("TOMORROW"), "TOMORROW") << what;
    EXPECT_EQ(catalog.countText("%d DAY(S)", 2), "2 DAY(S)") << what;
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

TEST(Catalog, AnUnusablePluralRuleRefusesItsCatalog) {
  TemporaryDirectory strings;
  const std::string plural = testing::joined({"%d DAY(S)", "%d DAY(S)"});
  writeCatalog(strings.path(), "pl",
               moFile({{"TOMORROW", "Jutro"}, {plural, testing::joined({"%d dzień", "%d dni"})}},
                      "nplurals=3; plural=(n==1 ? 7 : 1);"));
  writeCatalog(strings.path(), "de",
               moFile({{"TOMORROW", "Morgen"}, {plural, testing::joined({"%d Tag", "%d Tagen"})}},
                      "nplurals=2; plural=((n"));
  // A rule that picks a form the entry lacks shows the key for that count (there is no English catalog
  // here); a rule that does not parse makes the catalog unusable.
  const Catalog polish = Catalog::load(strings.path(), "pl");
  EXPECT_EQ(polish.text("TOMORROW"), "Jutro");
  EXPECT_EQ(polish.countText("%d DAY(S)", 1), "1 DAY(S)");
  EXPECT_EQ(polish.countText("%d DAY(S)", 2), "2 dni");
  const Catalog german = Catalog::load(strings.path(), "de");
  EXPECT_EQ(german.text("TOMORROW"), "TOMORROW");
  EXPECT_EQ(german.countText("%d DAY(S)", 5), "5 DAY(S)");
}

TEST(Catalog, RefusesPluralRulesNestedBeyondAnyLanguage) {
  // Rules are parsed recursively: a deeply nested rule would exhaust the stack.
  const auto entries = std::map<std::string, std::string>{{"TOMORROW", "Jutro"}};
  const std::pair<std::string, bool> rules[] = {
      {kPolishPlural, true},
      {"nplurals=2; plural=" + std::string(32, '(') + "n != 1" + std::string(32, ')') + ";", true},
      {"nplurals=2; plural=" + std::string(33, '(') + "n != 1" + std::string(33, ')') + ";", false},
      {"nplurals=2; plural=" + std::string(100000, '(') + "n" + std::string(100000, ')') + ";", false},
      {"nplurals=2; plural=" + std::string(100000, '!') + "n;", false},
  };
  for (const auto& [rule, usable] : rules) {
    TemporaryDirectory strings;
    writeCatalog(strings.path(), "pl", moFile(entries, rule));
    EXPECT_EQ(Catalog::load(strings.path(), "pl").text("TOMORROW"), usable ? "Jutro" : "TOMORROW")
        << rule.size();
  }
}

}  // namespace
}  // namespace rw

// Which catalog answers (the user's languages in order, then English, then the key), counts by plural rule,
// and catalogs that cannot be used (bad plural rules, damage): never a crash, one report each.
#include "platform/catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "support/mo_writer.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using testing::builtStringsDirectory;
using testing::joined;
using testing::moFile;
using testing::ScopedEnv;
using testing::TemporaryDirectory;
using testing::withWord;
using testing::writeCatalog;

const std::string kDays = joined({"%d DAY(S)", "%d DAY(S)"});

struct Lookup {
  const char* languages;
  const char* key;
  std::optional<std::int64_t> count;  // countText when set, text otherwise
  const char* expected;
};

void expectLookups(const fs::path& strings, std::initializer_list<Lookup> lookups) {
  for (const auto& l : lookups) {
    const Catalog catalog = Catalog::load(strings, l.languages);
    EXPECT_EQ(l.count ? catalog.countText(l.key, *l.count) : catalog.text(l.key), l.expected)
        << l.languages << " " << l.key << " " << l.count.value_or(-1);
  }
}

// An English catalog that has "TOMORROW", "TODAY" and the day counts.
void writeEnglish(const fs::path& strings) {
  writeCatalog(
      strings, "en",
      moFile({{"TOMORROW", "Tomorrow"}, {"TODAY", "Today"}, {kDays, joined({"%d day", "%d days"})}}));
}

TEST(Catalog, ReadsTheBuiltCatalogsWithTheLanguagesPluralRules) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  // The machines that run this have at most C.UTF-8 generated for the C library.
  // Counts beyond `int` keep their residues for the rule and all their digits; an untranslated count is
  // the key for every count.
  expectLookups(builtStringsDirectory(),
                {{"pl_PL.utf8@euro", "TOMORROW", {}, "Jutro"},
                 {"pl_PL", "NOT A KEY OF ANY CATALOG", {}, "NOT A KEY OF ANY CATALOG"},
                 {"pl", "%d DAY(S)", 1, "1 dzień"},
                 {"pl", "%d MONTH(S)", 14, "14 miesięcy"},
                 {"pl", "%d MONTH(S)", 10'000'000'002, "10000000002 miesiące"},
                 {"pl", "%d MONTH(S)", kMax, "9223372036854775807 miesięcy"},
                 {"pl", "%d WEEK(S)", 5, "5 WEEK(S)"}});
  // Neutral locales, and those without a catalog, read English.
  for (const char* locale :
       {"C", "C.UTF-8", "POSIX", "", "qq_ZZ", "xx_YY.UTF-8", "not a locale!", "en_US.UTF-8"})
    expectLookups(builtStringsDirectory(),
                  {{locale, "PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME", {}, "Planned Events"},
                   {locale, "%d DAY(S)", 5, "5 days"}});
  TemporaryDirectory empty;
  for (const Catalog& catalog : {Catalog(), Catalog::load(empty.path() / "missing", "pl_PL")})
    EXPECT_EQ(catalog.text("TOMORROW") + catalog.countText("%d MONTH(S)", 1), "TOMORROW1 MONTH(S)");
}

TEST(Catalog, EachTextComesFromTheFirstLanguageThatHasItThenEnglishThenTheKey) {
  TemporaryDirectory strings;
  const fs::path path = strings.path();
  writeEnglish(path);
  EXPECT_EQ(Catalog::load(path, "fr_FR.UTF-8").text("TOMORROW"), "Tomorrow");  // until fr exists
  writeCatalog(path, "fr",
               moFile({{"TOMORROW", "Demain"}, {kDays, joined({"%d jour", "%d jours"})}},
                      "nplurals=2; plural=(n > 1);"));
  writeCatalog(path, "de", moFile({{"TOMORROW", "Morgen"}}));
  writeCatalog(path, "pl", moFile({{"TOMORROW", "Jutro"}, {"TODAY", "Dziś"}}));
  writeCatalog(path, "it", moFile({{"TOMORROW", "Domani"}, {"TODAY", "Oggi"}}));
  writeCatalog(path, "it_CH", moFile({{"TOMORROW", "Domani (CH)"}}));
  writeCatalog(
      path, "xx",
      moFile({{joined({"%d FORMATS", "%d FORMATS"}), joined({"%d|%i|%ld|%1$d|%%|%s|%", "%d many"})}}));
  // A plain entry serves every count, also under a rule with many forms; a rule that picks a form the
  // plural entry lacks leaves that count to English.
  writeCatalog(path, "xp", moFile({{"%d DAY(S)", "%d Tg."}}));
  writeCatalog(path, "xd", moFile({{"%d DAY(S)", "%d d."}}, "nplurals=3; plural=n%10;"));
  writeCatalog(path, "xb",
               moFile({{kDays, joined({"%d dzień", "%d dni"})}}, "nplurals=3; plural=n==1 ? 7 : 1;"));
  writeCatalog(path, "ar", moFile({{"TOMORROW", "غدًا"}}));
  // A key the first language lacks comes from the second; C is English, and English comes first. What
  // a region's catalog lacks comes from the language's. Digits follow the catalog that answered,
  // English's or the first locale's for a key, never grouped.
  expectLookups(path, {{"fr_FR.UTF-8", "TOMORROW", {}, "Demain"},
                       {"fr_FR.UTF-8", "%d DAY(S)", 0, "0 jour"},
                       {"fr_FR.UTF-8", "TODAY", {}, "Today"},
                       {"fr_FR.UTF-8", "YESTERDAY", {}, "YESTERDAY"},
                       {"xx:de", "TOMORROW", {}, "Morgen"},
                       {"xx:de", "TODAY", {}, "Today"},
                       {"de:pl", "TODAY", {}, "Dziś"},
                       {"pl:de", "TOMORROW", {}, "Jutro"},
                       {"xx_YY::de_AT.UTF-8", "TOMORROW", {}, "Morgen"},
                       {"C:de", "TOMORROW", {}, "Tomorrow"},
                       {"it_CH.UTF-8", "TOMORROW", {}, "Domani (CH)"},
                       {"it_CH.UTF-8", "TODAY", {}, "Oggi"},
                       {"it_IT", "TOMORROW", {}, "Domani"},
                       {"xx", "%d FORMATS", 1, "1|1|1|1|%|%s|%"},
                       {"xx", "%d FORMATS", 7, "7 many"},
                       {"xp", "%d DAY(S)", 0, "0 Tg."},
                       {"xd", "%d DAY(S)", 5, "5 d."},
                       {"xb", "%d DAY(S)", 1, "1 day"},
                       {"xb", "%d DAY(S)", 2, "2 dni"},
                       {"xb", "%d DAY(S)", {}, "%d dzień"},
                       {"ar_EG", "%d DAY(S)", 25, "25 days"},
                       {"de_DE", "%d DAY(S)", 12345, "12345 days"},
                       {"de_DE", "%d MONTH(S)", 12345, "12345 MONTH(S)"},
                       {"ar_EG", "%d MONTH(S)", 1250, "١٢٥٠ MONTH(S)"},
                       {"C", "%d MONTH(S)", -3, "-3 MONTH(S)"}});
}

TEST(Catalog, ReadsTheLanguagesFromTheEnvironment) {
  ScopedEnv lcAll("LC_ALL", nullptr), lcMessages("LC_MESSAGES", nullptr);
  const struct {
    const char *language, *lang, *languages, *tomorrow;
  } cases[] = {{"xx:de", "pl_PL.UTF-8", "xx:de:pl_PL.UTF-8", "Morgen"},
               {"", "C.UTF-8", "C.UTF-8", "Tomorrow"},
               {nullptr, nullptr, "C", "Tomorrow"}};
  for (const auto& c : cases) {
    ScopedEnv language("LANGUAGE", c.language), lang("LANG", c.lang);
    EXPECT_EQ(messageLanguagesFromEnvironment(), c.languages);
    EXPECT_EQ(Catalog::load(builtStringsDirectory(), messageLanguagesFromEnvironment()).text("TOMORROW"),
              c.tomorrow);
  }
}

// A rule that traps in the reader's `int` arithmetic for some counts only (INT_MIN / -1), one that does not
// parse, a charset no converter knows (the reader throws): English for every count.
TEST(Catalog, AnUnusableCatalogIsSkippedAndReportedOnce) {
  const auto withRule = [](const char* rule) {
    return moFile({{"TOMORROW", "Jutro"}, {kDays, joined({"%d dzień", "%d dni"})}}, rule);
  };
  auto unknownCharset = moFile({{"TOMORROW", "Jutro"}});
  const std::string charset = "charset=UTF-8";
  const auto at = std::search(unknownCharset.begin(), unknownCharset.end(), charset.begin(), charset.end());
  ASSERT_NE(at, unknownCharset.end());
  std::copy_n("charset=XX-99", charset.size(), at);
  const std::string divides = "divides by what is not a positive number";
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {withRule("nplurals=2; plural=(n-2147483647-1)/(0-1) != 0;"), divides},
      {withRule("nplurals=2; plural=n +;"), "plural rule"},
      {unknownCharset, "charset"}};
  for (const auto& [bytes, reason] : cases) {
    SCOPED_TRACE(reason);
    TemporaryDirectory strings;
    writeEnglish(strings.path());
    writeCatalog(strings.path(), "pl", bytes);
    std::string said[2];
    for (std::string& saying : said) {
      ::testing::internal::CaptureStderr();
      const Catalog catalog = Catalog::load(strings.path(), "pl_PL");
      saying = ::testing::internal::GetCapturedStderr();
      EXPECT_EQ(catalog.text("TOMORROW"), "Tomorrow");
      for (const std::int64_t count :
           {std::int64_t{0}, std::int64_t{1}, std::int64_t{3}, std::numeric_limits<std::int64_t>::min()})
        EXPECT_EQ(catalog.countText("%d DAY(S)", count),
                  std::to_string(count) + (count == 1 ? " day" : " days"));
    }
    EXPECT_NE(said[0].find("pl/LC_MESSAGES/reminders-widget.mo not used ("), std::string::npos) << said[0];
    EXPECT_NE(said[0].find(reason), std::string::npos) << said[0];
    EXPECT_EQ(said[0].find('\n'), said[0].size() - 1) << "one line: " << said[0];
    EXPECT_EQ(said[1], "");
  }
}

TEST(Catalog, DamagedFilesGiveTheKeys) {
  const auto sound = moFile({{"TOMORROW", "Morgen"}, {kDays, joined({"%d Tag", "%d Tagen"})}});
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
  // Hash tables of one to five slots, empty or pointing at the one entry:
  // lookups find the text or fall back to the key and never crash (two
  // slots once divided by zero); with up to two slots they find the text.
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

// Headers kept from the reader: rules it could trap on, overflow its stack with or not parse.
TEST(PluralRuleGuard, PassesRealLanguagesRulesAndRefusesWhatCouldTrapOrNotParse) {
  const auto header = [](const std::string& pluralForms) {
    return "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: " + pluralForms + "\n";
  };
  const auto refusal = [&](const std::string& rule) {
    return pluralRuleRefusal(header("nplurals=3; plural=" + rule + ";"));
  };
  const auto nested = [](std::size_t depth, char open = '(', bool close = true) {
    return std::string(depth, open) + "n" + std::string(close ? depth : 0, ')');
  };
  // The shipped languages' rules pass in catalogs_test.cpp. A conditional inside a conditional's first
  // branch; a number beyond `int`, but never a divisor.
  for (const std::string& rule : std::vector<std::string>{
           "n==1 ? 0 : n==2 ? 1 : (n>10 && n%10==0) ? 2 : 3", "(n % 100000000 == 0 ? 0 : !n) + 0 - 1 * 2",
           "n==1 ? n==2 ? 0 : 1 : 2", " \tn\r\n!=\n1 ", "n == 18446744073709551616", nested(32),
           nested(511, '!', false)})
    EXPECT_EQ(refusal(rule), std::nullopt) << rule.substr(0, 80);
  const std::pair<std::string, std::string> refused[] = {
      {nested(33), "nested deeper than 32 parentheses"},
      {nested(512, '!', false), "longer than 512 characters"},
      {"", "it does not parse"}};  // would silently read as English's
  for (const auto& [rule, reason] : refused)
    EXPECT_EQ(refusal(rule), reason) << rule.substr(0, 80);
  for (const char* rule : {"(0-2147483647-1)/(0-1)", "(0-2147483647-1)%(0-1)", "n/0", "n % 00", "n%(n-n)",
                           "n / (10)", "n % n", "n / !0", "n % 1000000000", "n % 010", "n / 0x10",
                           "n % 5 / 0", "n % 2147483648", "(n-2147483647-1)/(0-1) != 0", "1 / (n - 3) == 0"})
    EXPECT_EQ(refusal(rule), "it divides by what is not a positive number") << rule;
  for (const char* rule :
       {"n +",    "((n",  "n)", "()",    "n n",   "n | 1",   "n & 1",         "n ^ 1",
        "n << 1", "~n",   "-n", "n = 1", "n ? 1", "n : 1",   "n ? 1 : 2 : 3", "(n ? 1) : 2",
        "x",      "0x1F", "09", "n !",   "!= n",  "n % 10 ("})
    EXPECT_EQ(refusal(rule), "it does not parse") << rule;
  // The number of forms, 1 to 16; no Plural-Forms at all: English's two
  // forms.
  for (const char* forms :
       {"nplurals=1; plural=0;", "nplurals=16; plural=n%16;", "nplurals= 2 ; plural=n!=1"})
    EXPECT_EQ(pluralRuleRefusal(header(forms)), std::nullopt) << forms;
  for (const char* forms : {"nplurals=0; plural=0;", "nplurals=17; plural=0;", "nplurals=x; plural=0;",
                            "nplurals=-1; plural=0;", "plural=n != 1;", "nplurals=2;"})
    EXPECT_NE(pluralRuleRefusal(header(forms)), std::nullopt) << forms;
  EXPECT_EQ(pluralRuleRefusal("Content-Type: text/plain; charset=UTF-8\n"), std::nullopt);
  EXPECT_EQ(pluralRuleRefusal(""), std::nullopt);
  // The reader takes the first "plural=" of the header, whichever line
  // holds it, up to ';' or a line end, and stops at the first NUL byte.
  EXPECT_NE(pluralRuleRefusal("X-Note: plural=n/0\n" + header("nplurals=2; plural=n != 1;")), std::nullopt);
  EXPECT_EQ(pluralRuleRefusal(header("nplurals=2; plural=n != 1; plural=n/0;")), std::nullopt);
  EXPECT_EQ(pluralRuleRefusal(header("nplurals=2; plural=n != 1;") + std::string(1, '\0') + "plural=n/0"),
            std::nullopt);
}

}  // namespace
}  // namespace rw

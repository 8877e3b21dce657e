// Which catalog answers (the user's languages in order, then English, then the key), counts by plural rule,
// catalogs that cannot be used (bad plural rules, damage): never a crash, one report each; and the shipped
// catalogs, each on its own: every key translated, placeholders kept, plural rules as CLDR's.
#include "platform/catalog.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/plurrule.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
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
constexpr auto kMax = std::numeric_limits<std::int64_t>::max(),
               kMin = std::numeric_limits<std::int64_t>::min();

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

TEST(Catalog, ReadsTheBuiltCatalogsOfTheEnvironmentsLanguagesWithTheirPluralRules) {
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
  for (const char* locale : {"C", "POSIX", "", "qq_ZZ", "not a locale!", "en_US.UTF-8"})
    expectLookups(builtStringsDirectory(),
                  {{locale, "PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME", {}, "Planned Events"},
                   {locale, "%d DAY(S)", 5, "5 days"}});
  TemporaryDirectory empty;
  for (const Catalog& catalog : {Catalog(), Catalog::load(empty.path() / "missing", "pl_PL")})
    EXPECT_EQ(catalog.text("TOMORROW") + catalog.countText("%d MONTH(S)", 1), "TOMORROW1 MONTH(S)");
  // The languages from the environment.
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
                       {"de:pl", "TODAY", {}, "Dziś"},
                       {"xx_YY::de_AT.UTF-8", "TOMORROW", {}, "Morgen"},
                       {"C:de", "TOMORROW", {}, "Tomorrow"},
                       {"it_CH.UTF-8", "TOMORROW", {}, "Domani (CH)"},
                       {"it_CH.UTF-8", "TODAY", {}, "Oggi"},
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

// Catalogs the reader cannot use (a rule that traps in its `int` arithmetic for some counts only, one that
// does not parse, a charset no converter knows, damaged offsets it would trust): English for every count,
// and one line naming the file and why, on the first load only.
TEST(Catalog, AnUnusableCatalogIsSkippedAndReportedOnce) {
  const auto withRule = [](const char* rule) {
    return moFile({{"TOMORROW", "Jutro"}, {kDays, joined({"%d dzień", "%d dni"})}}, rule);
  };
  const auto sound = withRule("nplurals=2; plural=(n != 1);");
  auto unknownCharset = sound;
  const std::string charset = "charset=UTF-8";
  std::copy_n("charset=XX-99", charset.size(),
              std::search(unknownCharset.begin(), unknownCharset.end(), charset.begin(), charset.end()));
  const std::string beyond = "a text lies beyond the file", tables = "string tables lie beyond the file";
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {withRule("nplurals=2; plural=(n-2147483647-1)/(0-1) != 0;"),
       "divides by what is not a positive number"},
      {withRule("nplurals=2; plural=n +;"), "plural rule"},
      {unknownCharset, "charset"},
      {std::vector<std::uint8_t>(sound.begin(), sound.begin() + 20), "not a message catalog"},
      {withWord(sound, 0, 0x950412df), "not a message catalog"},
      {withWord(sound, 4, 0x00020000), "unknown revision"},
      {withWord(sound, 8, 0x10000000), tables},
      {withWord(sound, 12, 0xfffffff0), tables},
      {withWord(sound, 28 + 4, 0xffffff00), beyond},
      {withWord(sound, 28 + 8 * 3, 0x7fffffff), beyond},
      {withWord(sound, sound.size() - 4, 0x78787878), beyond},  // unterminated
      {withWord(sound, 20, 1000), "hash table lies beyond the file"},
      {withWord(withWord(sound, 20, 1), 24, 0), "hash table names no text"}};
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
      for (const std::int64_t count : {std::int64_t{0}, std::int64_t{1}, std::int64_t{3}, kMin})
        EXPECT_EQ(catalog.countText("%d DAY(S)", count),
                  std::to_string(count) + (count == 1 ? " day" : " days"));
    }
    EXPECT_NE(said[0].find("pl/LC_MESSAGES/reminders-widget.mo not used ("), std::string::npos) << said[0];
    EXPECT_NE(said[0].find(reason), std::string::npos) << said[0];
    EXPECT_EQ(said[0].find('\n'), said[0].size() - 1) << "one line: " << said[0];
    EXPECT_EQ(said[1], "");
  }
}

// Hash tables of one to five slots, empty or naming the one entry: the text or the key, never a crash (two
// slots once divided by zero); with up to two slots, the text.
TEST(Catalog, ReadsCatalogsWithAnyHashTable) {
  for (std::uint32_t slots = 1; slots <= 5; ++slots) {
    for (const std::uint8_t filled : {0, 2}) {
      SCOPED_TRACE(std::to_string(slots) + " slots, slot 0 holds " + std::to_string(filled));
      auto bytes = moFile({{"TOMORROW", "Jutro"}});
      const auto table = static_cast<std::uint32_t>(bytes.size());
      bytes.resize(table + 4 * slots);
      bytes[table] = filled;  // slot 0: string index + 1, or empty
      TemporaryDirectory strings;
      writeCatalog(strings.path(), "pl", withWord(withWord(bytes, 20, slots), 24, table));
      const Catalog catalog = Catalog::load(strings.path(), "pl");
      const std::string text = catalog.text("TOMORROW");
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
  const auto nested = [](std::size_t depth, char open = '(', bool close = true) {
    return std::string(depth, open) + "n" + std::string(close ? depth : 0, ')');
  };
  // Groups of rules and the refusal each gets. The shipped languages' rules pass (ShippedCatalogs), and so do
  // a conditional inside a conditional's first branch and a number beyond `int` that is never a divisor.
  const std::pair<std::vector<std::string>, std::optional<std::string>> groups[] = {
      {{"n==1 ? 0 : n==2 ? 1 : (n>10 && n%10==0) ? 2 : 3", "(n % 100000000 == 0 ? 0 : !n) + 0 - 1 * 2",
        "n==1 ? n==2 ? 0 : 1 : 2", " \tn\r\n!=\n1 ", "n == 18446744073709551616", nested(32),
        nested(511, '!', false)},
       std::nullopt},
      {{nested(33)}, "nested deeper than 32 parentheses"},
      {{nested(512, '!', false)}, "longer than 512 characters"},
      {{"(0-2147483647-1)/(0-1)", "n/0", "n % 00", "n%(n-n)", "n / (10)", "n % n", "n / !0", "n % 1000000000",
        "n % 010", "n / 0x10", "n % 2147483648"},
       "it divides by what is not a positive number"},
      {{"",       "n +", "((n", "n)",    "()",      "n n",           "n | 1",       "n & 1",
        "n << 1", "~n",  "-n",  "n = 1", "n ? 1",   "n ? 1 : 2 : 3", "(n ? 1) : 2", "x",
        "0x1F",   "09",  "n !", "!= n",  "n % 10 ("},
       "it does not parse"}};  // "" would silently read as English's
  for (const auto& [rules, reason] : groups)
    for (const std::string& rule : rules)
      EXPECT_EQ(pluralRuleRefusal(header("nplurals=3; plural=" + rule + ";")), reason) << rule.substr(0, 80);
  // The number of forms, 1 to 16; no Plural-Forms at all: English's two forms. The reader takes the first
  // "plural=" of the header, whichever line holds it, up to ';' or a line end, and stops at a NUL byte.
  for (const std::string& passes :
       {header("nplurals=1; plural=0;"), header("nplurals=16; plural=n%16;"),
        header("nplurals= 2 ; plural=n!=1"), std::string("Content-Type: text/plain; charset=UTF-8\n"),
        std::string(), header("nplurals=2; plural=n != 1; plural=n/0;"),
        header("nplurals=2; plural=n != 1;") + std::string(1, '\0') + "plural=n/0"})
    EXPECT_EQ(pluralRuleRefusal(passes), std::nullopt) << passes;
  for (const char* refused :
       {"nplurals=0; plural=0;", "nplurals=17; plural=0;", "nplurals=x; plural=0;", "nplurals=-1; plural=0;",
        "plural=n != 1;", "nplurals=2;", "X-Note: plural=n/0\nPlural-Forms: nplurals=2; plural=n != 1;"})
    EXPECT_NE(pluralRuleRefusal(header(refused)), std::nullopt) << refused;
}

struct PoFile {
  std::vector<std::string> keys;  // every msgid but the header's
  std::set<std::string> pluralKeys;
  std::string pluralForms;  // the header's Plural-Forms line
};

// Enough of the .po format for the shipped files: one-line msgid, msgid_plural and header strings.
PoFile readPo(const fs::path& file) {
  PoFile po;
  std::ifstream in(file);
  const std::regex msgid(R"re(^msgid "(.+)"$)re"), forms(R"re(^"(Plural-Forms: [^"]*)\\n"$)re");
  std::string line;
  std::smatch match;
  while (std::getline(in, line)) {
    if (std::regex_match(line, match, msgid))
      po.keys.push_back(std::regex_replace(match[1].str(), std::regex(R"re(\\")re"), "\""));
    else if (line.starts_with("msgid_plural \""))
      po.pluralKeys.insert(po.keys.back());
    else if (std::regex_match(line, match, forms))
      po.pluralForms = match[1];
  }
  return po;
}

// Each built catalog alone, so that nothing falls back to English: every key translated, placeholders kept,
// counts in the locale's digits. Its header's rule, in a catalog whose one count format has the form's number
// as its text, must give two counts of different CLDR categories different forms, and have as many forms as
// the language has categories for whole numbers.
TEST(ShippedCatalogs, EachTranslatesEveryKeyAndSeparatesCountsAsTheLanguageDoes) {
  const fs::path sources = testing::sourceDirectory() / "resources" / "po";
  const PoFile english = readPo(sources / "en.po");
  ASSERT_GE(english.keys.size(), 19u);
  ASSERT_EQ(english.pluralKeys, (std::set<std::string>{"%d DAY(S)", "%d MONTH(S)"}));
  int languages = 0;
  for (const auto& file : fs::directory_iterator(sources)) {
    if (file.path().extension() != ".po") continue;
    const std::string language = file.path().stem().string();
    SCOPED_TRACE(language);
    ++languages;
    const PoFile po = readPo(file.path());
    TemporaryDirectory strings, probeStrings;
    fs::create_directories(strings.path() / language / "LC_MESSAGES");
    fs::copy_file(builtStringsDirectory() / language / "LC_MESSAGES" / "reminders-widget.mo",
                  strings.path() / language / "LC_MESSAGES" / "reminders-widget.mo");
    const Catalog sole = Catalog::load(strings.path(), language), keysOnly = Catalog::load({}, language);
    for (const std::string& key : english.keys) {
      if (english.pluralKeys.count(key)) continue;
      const std::string text = sole.text(key);
      EXPECT_NE(text, key) << "untranslated";
      // The templates keep their placeholder exactly once; no other text has one.
      const auto at = text.find("[INTERVAL]");
      EXPECT_EQ(at != std::string::npos, key.find("[INTERVAL]") != std::string::npos) << key << " → " << text;
      EXPECT_EQ(at, text.rfind("[INTERVAL]")) << text;
    }
    for (const std::string& key : english.pluralKeys) {
      for (const std::int64_t count : {0, 1, 2, 5, 11, 21, 101}) {
        const std::string text = sole.countText(key, count);
        EXPECT_NE(text, keysOnly.countText(key, count)) << key << " " << count << ": untranslated";
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
        // The number in the locale's digits; only "one" and "two" may be spelled out (Arabic, Hebrew).
        EXPECT_TRUE(count <= 2 || text.find(keysOnly.countText("%d", count)) != std::string::npos) << text;
      }
    }
    const int formCount = std::stoi(po.pluralForms.substr(po.pluralForms.find("nplurals=") + 9));
    std::string forms = "0";
    for (int form = 1; form < formCount; ++form)
      forms += '\0' + std::to_string(form);
    writeCatalog(probeStrings.path(), language,
                 moFile({{joined({"FORM", "FORM"}), forms}}, po.pluralForms.substr(14)));
    const Catalog probe = Catalog::load(probeStrings.path(), language);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::PluralRules> cldr(
        icu::PluralRules::forLocale(icu::Locale(language.c_str()), status));
    ASSERT_TRUE(U_SUCCESS(status));
    // Every count has a form, a form serves one category only, and every category has one.
    std::map<std::string, std::string> categoryOfForm;
    std::set<std::string> categories;
    for (std::int64_t n = 0; n <= 1000; ++n) {
      const std::string form = probe.countText("FORM", n);
      std::string category;
      cldr->select(static_cast<std::int32_t>(n)).toUTF8String(category);
      ASSERT_NE(form, "FORM") << n << ": no form";
      ASSERT_EQ(categoryOfForm.emplace(form, category).first->second, category) << n << " has form " << form;
      categories.insert(category);
    }
    EXPECT_EQ(static_cast<int>(categories.size()), formCount) << po.pluralForms;
  }
  EXPECT_GE(languages, 24);
}

}  // namespace
}  // namespace rw

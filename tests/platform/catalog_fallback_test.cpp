// Which catalog answers: the user's languages in order, then English, then the key; and catalogs that
// cannot be used (bad plural rules, damage) never crash and are reported once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

#include "platform/catalog.h"
#include "support/mo_writer.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

namespace rw {
namespace {

using testing::builtStringsDirectory;
using testing::joined;
using testing::moFile;
using testing::ScopedEnv;
using testing::TemporaryDirectory;
using testing::writeCatalog;

const std::string kDays = joined({"%d DAY(S)", "%d DAY(S)"});

// A strings directory with an English catalog that has "TOMORROW", "TODAY" and the day counts.
void writeEnglish(const TemporaryDirectory& strings) {
  writeCatalog(
      strings.path(), "en",
      moFile({{"TOMORROW", "Tomorrow"}, {"TODAY", "Today"}, {kDays, joined({"%d day", "%d days"})}}));
}

// The catalog for `languages`, and what loading it said on standard error.
std::pair<Catalog, std::string> loadSaying(const TemporaryDirectory& strings, const std::string& languages) {
  ::testing::internal::CaptureStderr();
  Catalog catalog = Catalog::load(strings.path(), languages);
  return {std::move(catalog), ::testing::internal::GetCapturedStderr()};
}

TEST(CatalogFallback, NeutralAndUnknownLocalesReadEnglish) {
  for (const char* locale : {"C", "C.UTF-8", "POSIX", "", "qq_ZZ", "not a locale!", "en_US.UTF-8"}) {
    const Catalog catalog = Catalog::load(builtStringsDirectory(), locale);
    EXPECT_EQ(catalog.text("TOMORROW"), "Tomorrow") << '"' << locale << '"';
    EXPECT_EQ(catalog.text("PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME"), "Planned Events") << locale;
    EXPECT_EQ(catalog.countText("%d DAY(S)", 5), "5 days") << locale;
  }
}

TEST(CatalogFallback, EachTextComesFromTheFirstLanguageThatHasItThenEnglishThenTheKey) {
  TemporaryDirectory strings;
  writeEnglish(strings);
  EXPECT_EQ(Catalog::load(strings.path(), "fr_FR.UTF-8").text("TOMORROW"), "Tomorrow");  // until it exists
  writeCatalog(strings.path(), "fr",
               moFile({{"TOMORROW", "Demain"}, {kDays, joined({"%d jour", "%d jours"})}},
                      "nplurals=2; plural=(n > 1);"));
  writeCatalog(strings.path(), "de", moFile({{"TOMORROW", "Morgen"}}));
  writeCatalog(strings.path(), "pl", moFile({{"TOMORROW", "Jutro"}, {"TODAY", "Dziś"}}));
  // A plain entry serves every count, also under a rule with many forms; a rule that picks a form the
  // plural entry lacks leaves that count to English.
  writeCatalog(strings.path(), "xa", moFile({{"%d DAY(S)", "%d Tg."}}));
  writeCatalog(strings.path(), "xd", moFile({{"%d DAY(S)", "%d d."}}, "nplurals=3; plural=n%10;"));
  writeCatalog(strings.path(), "xb",
               moFile({{kDays, joined({"%d dzień", "%d dni"})}}, "nplurals=3; plural=n==1 ? 7 : 1;"));
  // Digits follow the catalog that answered: English's for an English text, the locale's for a key.
  writeCatalog(strings.path(), "ar", moFile({{"TOMORROW", "غدًا"}}));
  const std::tuple<const char*, const char*, std::optional<std::int64_t>, const char*> lookups[] = {
      {"fr_FR.UTF-8", "TOMORROW", {}, "Demain"},
      {"fr_FR.UTF-8", "%d DAY(S)", 0, "0 jour"},
      {"fr_FR.UTF-8", "TODAY", {}, "Today"},
      {"fr_FR.UTF-8", "YESTERDAY", {}, "YESTERDAY"},
      {"xx:de", "TOMORROW", {}, "Morgen"},
      {"xx:de", "TODAY", {}, "Today"},
      {"de:pl", "TODAY", {}, "Dziś"},  // a key the first language lacks comes from the second
      {"pl:de", "TOMORROW", {}, "Jutro"},
      {"xx_YY::de_AT.UTF-8", "TOMORROW", {}, "Morgen"},
      {"C:de", "TOMORROW", {}, "Tomorrow"},  // C is English, and English comes first here
      {"xa", "%d DAY(S)", 0, "0 Tg."},
      {"xa", "%d DAY(S)", 101, "101 Tg."},
      {"xd", "%d DAY(S)", 1, "1 d."},
      {"xd", "%d DAY(S)", 5, "5 d."},
      {"xb", "%d DAY(S)", 1, "1 day"},
      {"xb", "%d DAY(S)", 2, "2 dni"},
      {"xb", "%d DAY(S)", {}, "%d dzień"},
      {"ar_EG", "%d DAY(S)", 25, "25 days"},
      {"ar_EG", "%d MONTH(S)", 25, "٢٥ MONTH(S)"},
  };
  for (const auto& [languages, key, count, expected] : lookups) {
    const Catalog catalog = Catalog::load(strings.path(), languages);
    EXPECT_EQ(count ? catalog.countText(key, *count) : catalog.text(key), expected)
        << languages << " " << key;
  }
  EXPECT_EQ(Catalog::load(builtStringsDirectory(), "fr_FR.UTF-8").text("TOMORROW"), "Demain");
}

TEST(CatalogFallback, ReadsTheLanguagesFromTheEnvironment) {
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

TEST(CatalogFallback, RulesThatCouldTrapAreRefusedBeforeTheyAreEvaluated) {
  // Rules that trap in the reader's `int` arithmetic for some counts only (INT_MIN / -1, a division by
  // zero at 3): the catalog is skipped and its texts come from English, for every count.
  for (const char* rule :
       {"nplurals=2; plural=(n-2147483647-1)/(0-1) != 0;", "nplurals=2; plural=1 / (n - 3) == 0;"}) {
    TemporaryDirectory strings;
    writeEnglish(strings);
    writeCatalog(strings.path(), "pl",
                 moFile({{"TOMORROW", "Jutro"}, {kDays, joined({"%d dzień", "%d dni"})}}, rule));
    const auto [catalog, said] = loadSaying(strings, "pl");
    EXPECT_NE(said.find("divides by what is not a positive number"), std::string::npos) << said;
    EXPECT_EQ(catalog.text("TOMORROW"), "Tomorrow") << rule;
    for (const std::int64_t count :
         {std::int64_t{0}, std::int64_t{1}, std::int64_t{3}, std::numeric_limits<std::int64_t>::min()})
      EXPECT_EQ(catalog.countText("%d DAY(S)", count),
                std::to_string(count) + (count == 1 ? " day" : " days"))
          << rule;
  }
}

TEST(CatalogFallback, AnUnusableCatalogIsSkippedAndReportedOnce) {
  TemporaryDirectory strings;
  writeEnglish(strings);
  writeCatalog(strings.path(), "de", moFile({{"TOMORROW", "Morgen"}}, "nplurals=2; plural=n +;"));
  const auto [first, said] = loadSaying(strings, "de_DE");
  const auto [second, saidAgain] = loadSaying(strings, "de_DE");
  EXPECT_EQ(first.text("TOMORROW"), "Tomorrow");
  EXPECT_EQ(second.text("TOMORROW"), "Tomorrow");
  EXPECT_EQ(saidAgain, "");
  EXPECT_NE(said.find("de/LC_MESSAGES/reminders-widget.mo"), std::string::npos) << said;
  EXPECT_NE(said.find("plural rule"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
}

TEST(CatalogFallback, ACatalogTheReaderRejectsIsSkippedAndReported) {
  // A charset no converter knows makes the reader throw while loading; its texts come from English.
  auto bytes = moFile({{"TOMORROW", "Jutro"}});
  const std::string charset = "charset=UTF-8";
  const auto at = std::search(bytes.begin(), bytes.end(), charset.begin(), charset.end());
  ASSERT_NE(at, bytes.end());
  std::copy_n("charset=XX-99", charset.size(), at);
  TemporaryDirectory strings;
  writeEnglish(strings);
  writeCatalog(strings.path(), "pl", bytes);
  const auto [catalog, said] = loadSaying(strings, "pl_PL");
  EXPECT_EQ(catalog.text("TOMORROW"), "Tomorrow");
  EXPECT_EQ(catalog.countText("%d DAY(S)", 3), "3 days");
  EXPECT_NE(said.find("pl/LC_MESSAGES/reminders-widget.mo not used ("), std::string::npos) << said;
  EXPECT_NE(said.find("charset"), std::string::npos) << "the reader's own reason: " << said;
}

}  // namespace
}  // namespace rw

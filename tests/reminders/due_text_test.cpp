// The words for a due date: days and months before and after, in the catalog's language.
#include "reminders/due_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

using testing::builtStringsDirectory;
using testing::joined;
using testing::moFile;
using testing::writeCatalog;

struct Case {
  std::optional<std::int64_t> months;
  std::optional<std::int64_t> days;
  const char* text;
};

void expectTexts(const Catalog& strings, std::initializer_list<Case> cases, const char* what) {
  for (const auto& c : cases)
    EXPECT_EQ(makeDueText({.months = c.months, .days = c.days}, strings), c.text)
        << what << ": months " << c.months.value_or(-999) << ", days " << c.days.value_or(-999);
}

TEST(DueText, UntranslatedKeysForDaysAndMonths) {
  constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
  // An absent count reads as zero; months win over days, whatever the days' sign; the most negative count
  // has no positive counterpart: the largest is shown.
  expectTexts(Catalog(),
              {{0, -2, "2 DAY(S) AGO"},
               {std::nullopt, 1, "TOMORROW"},
               {std::nullopt, std::nullopt, "TODAY"},
               {1, -3, "IN 1 MONTH(S)"},
               {-3, -20, "3 MONTH(S) AGO"},
               {min, 0, "9223372036854775807 MONTH(S) AGO"},
               {0, min, "9223372036854775807 DAY(S) AGO"}},
              "keys");
}

TEST(DueText, TranslatedWithTheLanguagesPluralForms) {
  // Catalogs for several locales at once; none needs the C library to know the locale.
  auto load = [](const char* locale) { return Catalog::load(builtStringsDirectory(), locale); };
  expectTexts(load("de_DE.UTF-8"),
              {{0, 0, "Heute"}, {0, 2, "In 2 Tagen"}, {1, 9, "In 1 Monat"}, {-3, -20, "Vor 3 Monaten"}},
              "de");
  expectTexts(load("pl_PL.UTF-8"),
              {{0, 1, "Jutro"},
               {0, 2, "Za 2 dni"},
               {0, -22, "22 dni temu"},
               {3, 2, "Za 3 miesiące"},
               {-5, 0, "5 miesięcy temu"},
               {-22, -1, "22 miesiące temu"}},
              "pl");
  expectTexts(load("en_GB.UTF-8"), {{1, 15, "In 1 month"}, {-2, 0, "2 months ago"}}, "en");
  expectTexts(load("fr_FR.UTF-8"), {{0, 1, "Demain"}, {0, -2, "Il y a 2 jours"}, {1, 0, "Dans 1 mois"}},
              "fr");
  expectTexts(load("ar_EG.UTF-8"), {{0, 2, "بعد يومين"}, {0, -5, "قبل ٥ أيام"}, {-11, 0, "قبل ١١ شهرًا"}},
              "ar");
  expectTexts(load("xx_YY.UTF-8"), {{0, 1, "Tomorrow"}, {0, -2, "2 days ago"}, {1, 0, "In 1 month"}},
              "no catalog: English");
}

TEST(DueText, FillsOnlyTheExactPlaceholderAndOnlyOnce) {
  testing::TemporaryDirectory strings;
  const std::string days = joined({"%d DAY(S)", "%d DAY(S)"});
  writeCatalog(strings.path(), "xa",
               moFile({{"IN [INTERVAL]", "[INTERVAL] from now, yes: [INTERVAL]!"},
                       {"[INTERVAL] AGO", "before [interval] and [INTERVAL ] and [[INTERVAL]]"},
                       {days, joined({"%d day", "%d days"})}}));
  // Templates without the placeholder; a count text that holds the placeholder itself.
  writeCatalog(strings.path(), "xb", moFile({{"IN [INTERVAL]", "Soon"}, {"[INTERVAL] AGO", "Earlier"}}));
  writeCatalog(strings.path(), "xc", moFile({{days, joined({"[INTERVAL] %d", "[INTERVAL] %d"})}}));
  // A count format without translation keeps its key.
  expectTexts(Catalog::load(strings.path(), "xa"),
              {{0, 3, "3 days from now, yes: 3 days!"},
               {0, -2, "before [interval] and [INTERVAL ] and [2 days]"},
               {2, 0, "2 MONTH(S) from now, yes: 2 MONTH(S)!"}},
              "placeholder twice");
  expectTexts(Catalog::load(strings.path(), "xb"), {{0, 3, "Soon"}, {-4, 0, "Earlier"}, {0, 1, "TOMORROW"}},
              "no placeholder");
  expectTexts(Catalog::load(strings.path(), "xc"), {{0, 4, "IN [INTERVAL] 4"}}, "count not expanded");
}

}  // namespace
}  // namespace rw

#include "reminders/due_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

using testing::builtStringsDirectory;
using testing::joined;
using testing::moFile;
using testing::TemporaryDirectory;
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

TEST(DueText, WordsForNearbyDays) {
  TemporaryDirectory empty;
  // Without translations the keys show, with the count filled in.
  for (const Catalog& keys : {Catalog(), Catalog::load(empty.path(), "de_DE")})
    expectTexts(keys,
                {
                    {0, 0, "TODAY"},
                    {0, 1, "TOMORROW"},
                    {0, -1, "YESTERDAY"},
                    {0, 2, "IN 2 DAY(S)"},
                    {0, 5, "IN 5 DAY(S)"},
                    {0, 30, "IN 30 DAY(S)"},
                    {0, -2, "2 DAY(S) AGO"},
                    {0, -30, "30 DAY(S) AGO"},
                    // An absent month count reads as zero.
                    {std::nullopt, 1, "TOMORROW"},
                    {std::nullopt, -3, "3 DAY(S) AGO"},
                },
                "keys");
}

TEST(DueText, MonthsWinOverDays) {
  expectTexts(Catalog(),
              {
                  {1, 0, "IN 1 MONTH(S)"},
                  {1, 9, "IN 1 MONTH(S)"},
                  {1, -3, "IN 1 MONTH(S)"},  // inconsistent signs: the months still decide
                  {14, 5, "IN 14 MONTH(S)"},
                  {-1, 0, "1 MONTH(S) AGO"},
                  {-3, -20, "3 MONTH(S) AGO"},
                  // Without a day count: the months alone, and zero months is today.
                  {0, std::nullopt, "TODAY"},
                  {std::nullopt, std::nullopt, "TODAY"},
                  {2, std::nullopt, "IN 2 MONTH(S)"},
                  {-2, std::nullopt, "2 MONTH(S) AGO"},
                  // The most negative count has no positive counterpart: the largest is shown.
                  {std::numeric_limits<std::int64_t>::min(), 0, "9223372036854775807 MONTH(S) AGO"},
                  {0, std::numeric_limits<std::int64_t>::min(), "9223372036854775807 DAY(S) AGO"},
              },
              "keys");
}

TEST(DueText, ShowsGermanPolishAndUntranslatedTextsSideBySide) {
  // Catalogs for three locales at once; none needs the C library to know the locale.
  const Catalog german = Catalog::load(builtStringsDirectory(), "de_DE.UTF-8");
  const Catalog polish = Catalog::load(builtStringsDirectory(), "pl_PL.UTF-8");
  const Catalog english = Catalog::load(builtStringsDirectory(), "en_GB.UTF-8");
  const Catalog untranslated = Catalog::load(builtStringsDirectory(), "fr_FR.UTF-8");
  expectTexts(german,
              {
                  {0, 0, "Heute"},
                  {0, 1, "Morgen"},
                  {0, -1, "Gestern"},
                  {0, 2, "In 2 Tagen"},
                  {0, -5, "Vor 5 Tagen"},
                  {1, 9, "In 1 Monat"},
                  {-3, -20, "Vor 3 Monaten"},
              },
              "de");
  expectTexts(polish,
              {
                  {0, 0, "Dziś"},
                  {0, 1, "Jutro"},
                  {0, -1, "Wczoraj"},
                  {0, 2, "Za 2 dni"},
                  {0, 5, "Za 5 dni"},
                  {0, -22, "22 dni temu"},
                  {1, 0, "Za 1 miesiąc"},
                  {3, 2, "Za 3 miesiące"},
                  {-5, 0, "5 miesięcy temu"},
                  {-22, -1, "22 miesiące temu"},
              },
              "pl");
  expectTexts(english,
              {
                  {0, 1, "Tomorrow"},
                  {0, 2, "In 2 days"},
                  {0, -2, "2 days ago"},
                  {1, 15, "In 1 month"},
                  {-2, 0, "2 months ago"},
              },
              "en");
  expectTexts(untranslated,
              {
                  {0, 1, "TOMORROW"},
                  {0, 5, "IN 5 DAY(S)"},
                  {0, -2, "2 DAY(S) AGO"},
                  {1, 0, "IN 1 MONTH(S)"},
              },
              "fr");
}

TEST(DueText, FillsThePlaceholderWhereverTheTemplatePutsIt) {
  TemporaryDirectory strings;
  const std::string days = joined({"%d DAY(S)", "%d DAY(S)"});
  writeCatalog(strings.path(), "xa",
               moFile({{"IN [INTERVAL]", "[INTERVAL] from now, yes: [INTERVAL]!"},
                       {"[INTERVAL] AGO", "before [interval] and [INTERVAL ] and [[INTERVAL]]"},
                       {days, joined({"%d day", "%d days"})}}));
  // Templates without the placeholder, and a count format that is not translated.
  writeCatalog(strings.path(), "xb", moFile({{"IN [INTERVAL]", "Soon"}, {"[INTERVAL] AGO", "Earlier"}}));
  const Catalog twice = Catalog::load(strings.path(), "xa");
  const Catalog none = Catalog::load(strings.path(), "xb");
  expectTexts(twice,
              {
                  {0, 3, "3 days from now, yes: 3 days!"},
                  // Only the exact, case-sensitive placeholder is replaced.
                  {0, -2, "before [interval] and [INTERVAL ] and [2 days]"},
                  // A count format without translation keeps its key.
                  {2, 0, "2 MONTH(S) from now, yes: 2 MONTH(S)!"},
              },
              "placeholder twice");
  expectTexts(none, {{0, 3, "Soon"}, {-4, 0, "Earlier"}, {0, 1, "TOMORROW"}}, "no placeholder");
}

TEST(DueText, CountsDoNotExpandFurtherPlaceholders) {
  // A count text that itself contains "[INTERVAL]" is inserted as it is, not expanded again.
  TemporaryDirectory strings;
  writeCatalog(strings.path(), "xc",
               moFile({{joined({"%d DAY(S)", "%d DAY(S)"}), joined({"[INTERVAL] %d", "[INTERVAL] %d"})}}));
  EXPECT_EQ(makeDueText({.months = 0, .days = 4}, Catalog::load(strings.path(), "xc")), "IN [INTERVAL] 4");
}

TEST(DueText, ATimelinesTextsAreTheSameWordedOnceOrEachTime) {
  // Intervals that differ only in months or only in days, an absent count beside a zero one, and more of
  // them than are kept, asked for in a mixed order and again.
  const Catalog german = Catalog::load(builtStringsDirectory(), "de_DE.UTF-8");
  std::vector<DueInterval> intervals;
  for (std::int64_t months = -3; months <= 3; ++months)
    for (std::int64_t days = -40; days <= 40; days += 3)
      intervals.push_back({.months = months, .days = days});
  intervals.push_back({.months = std::nullopt, .days = 5});
  intervals.push_back({.months = 0, .days = std::nullopt});
  intervals.push_back({.months = std::nullopt, .days = std::nullopt});
  ASSERT_GT(intervals.size(), 64u * 2);

  DueTexts texts(german);
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < intervals.size(); ++i) {
      const DueInterval& interval = intervals[(i * 37) % intervals.size()];
      EXPECT_EQ(texts.text(interval), makeDueText(interval, german))
          << "months " << interval.months.value_or(-999) << ", days " << interval.days.value_or(-999);
    }
  }
}

}  // namespace
}  // namespace rw

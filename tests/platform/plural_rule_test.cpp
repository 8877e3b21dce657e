#include "platform/plural_rule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace rw {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::optional<std::uint64_t> evaluate(const std::string& rule, std::uint64_t n) {
  const auto parsed = PluralRule::parse(rule);
  EXPECT_TRUE(parsed.has_value()) << rule << ": " << (parsed ? "" : parsed.error().reason);
  if (!parsed) return std::nullopt;
  return parsed->evaluate(n);
}

TEST(PluralRule, EvaluatesWithCsPrecedenceAndAssociativity) {
  struct Case {
    const char* rule;
    std::uint64_t n;
    std::uint64_t form;
  };
  const Case cases[] = {
      {"n != 1", 1, 0},
      {"n != 1", 0, 1},
      {"2 + 3 * n", 4, 14},  // * before +
      {"10 - 4 - 3", 0, 3},  // left-associative
      {"100 / 10 / 5", 0, 2},
      {"n % 10 == 1 && n % 100 != 11", 21, 1},
      {"n % 10 == 1 && n % 100 != 11", 11, 0},
      {"1 || 0 && 0", 0, 1},  // && before ||
      {"n < 2 == 1", 1, 1},   // relations before equality
      {"n<=1", 2, 0},
      {"n>=2", 2, 1},
      {"n>1", 1, 0},
      {"!n", 0, 1},
      {"!!n", 7, 1},
      {"!n != 0", 3, 0},                  // "!" binds tighter than "!="
      {"n==1 ? 0 : n==2 ? 1 : 2", 2, 1},  // right-associative conditional
      {"n==1 ? 0 : n==2 ? 1 : 2", 9, 2},
      {"(n==0) ? 0 : (n < 5 ? 1 : 2)", 3, 1},
      {" \tn\n==\t0 ", 0, 1},
      {"0", 5, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(evaluate(c.rule, c.n), c.form) << c.rule << " for " << c.n;
}

TEST(PluralRule, WrapsInsteadOfOverflowingAndPicksNothingOnDivisionByZero) {
  EXPECT_EQ(evaluate("0 - 1", 0), kMax);
  EXPECT_EQ(evaluate("n + 1", kMax), 0u);
  EXPECT_EQ(evaluate("n * n", kMax), 1u);
  // The smallest 32-bit integer divided by -1, which traps in signed arithmetic.
  EXPECT_EQ(evaluate("(0-2147483647-1)/(0-1)", 0), 0u);
  EXPECT_EQ(evaluate("(0-2147483647-1)%(0-1)", 0), kMax - 2147483648u + 1);
  EXPECT_EQ(evaluate("n / 0", 1), std::nullopt);
  EXPECT_EQ(evaluate("n % (n - 3)", 3), std::nullopt);
  EXPECT_EQ(evaluate("n % (n - 3)", 5), 1u);
  // Only the branch taken, and only the operands needed, are evaluated.
  EXPECT_EQ(evaluate("n == 0 ? 1 / n : 2", 0), std::nullopt);
  EXPECT_EQ(evaluate("n == 0 ? 1 / n : 2", 4), 2u);
  EXPECT_EQ(evaluate("n == 0 || 1 / n", 0), 1u);
  EXPECT_EQ(evaluate("n != 0 && 1 / n", 0), 0u);
}

TEST(PluralRule, RefusesWhatDoesNotParseOrIsTooLargeToBeARealRule) {
  const std::string refused[] = {
      "",
      "n +",
      "(n",
      "n)",
      "n | 1",
      "n & 1",
      "n = 1",
      "n ? 1",
      "x",
      "-n",
      "18446744073709551616",  // beyond 64 bits
      "n != 1; extra",
      std::string(33, '(') + "n" + std::string(33, ')'),
      std::string(33, '!') + "n",
      std::string(PluralRule::kMaxLength / 2 + 1, '!') + std::string(PluralRule::kMaxLength / 2, 'n'),
      "n" + std::string(PluralRule::kMaxLength, ' '),
  };
  for (const auto& rule : refused)
    EXPECT_FALSE(PluralRule::parse(rule).has_value()) << rule.substr(0, 40);
  EXPECT_TRUE(PluralRule::parse(std::string(32, '(') + "n" + std::string(32, ')')).has_value());
  EXPECT_TRUE(PluralRule::parse("18446744073709551615").has_value());
}

TEST(PluralRule, ReadsTheCatalogHeader) {
  const auto arabic = pluralFormsOfHeader(
      "Content-Type: text/plain; charset=UTF-8\n"
      "Plural-Forms: nplurals=6; plural=(n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n%100>=3 && n%100<=10 ? 3 : "
      "n%100>=11 ? 4 : 5);\n");
  ASSERT_TRUE(arabic.has_value());
  EXPECT_EQ(arabic->count, 6u);
  EXPECT_EQ(arabic->rule.evaluate(0), 0u);
  EXPECT_EQ(arabic->rule.evaluate(2), 2u);
  EXPECT_EQ(arabic->rule.evaluate(103), 3u);
  EXPECT_EQ(arabic->rule.evaluate(111), 4u);
  EXPECT_EQ(arabic->rule.evaluate(100), 5u);

  // Without the line: English's two forms.
  const auto none = pluralFormsOfHeader("Content-Type: text/plain; charset=UTF-8\n");
  ASSERT_TRUE(none.has_value());
  EXPECT_EQ(none->count, 2u);
  EXPECT_EQ(none->rule.evaluate(1), 0u);
  EXPECT_EQ(none->rule.evaluate(5), 1u);

  for (const char* broken : {"Plural-Forms: nplurals=0; plural=0;", "Plural-Forms: nplurals=17; plural=0;",
                             "Plural-Forms: nplurals=x; plural=0;", "Plural-Forms: plural=n != 1;",
                             "Plural-Forms: nplurals=2;", "Plural-Forms: nplurals=2; plural=n !;"})
    EXPECT_FALSE(pluralFormsOfHeader(broken).has_value()) << broken;
}

}  // namespace
}  // namespace rw

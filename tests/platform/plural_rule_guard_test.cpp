// Which catalog headers are kept from the gettext reader: rules it could trap on, overflow its stack with,
// or fail to parse; everything real catalogs use passes.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/catalog.h"

namespace rw {
namespace {

std::string header(const std::string& pluralForms) {
  return "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: " + pluralForms + "\n";
}

std::string withRule(const std::string& rule) {
  return header("nplurals=3; plural=" + rule + ";");
}

TEST(PluralRuleGuard, PassesRealLanguagesRulesAndRefusesWhatCouldTrapOrNotParse) {
  const std::string divides = "it divides by what is not a positive number", parse = "it does not parse";
  const auto nested = [](std::size_t depth, char open = '(', bool close = true) {
    return std::string(depth, open) + "n" + std::string(close ? depth : 0, ')');
  };
  const std::pair<std::string, std::optional<std::string>> rules[] = {
      {"0", {}},
      {"(n != 1)", {}},
      {"(n > 1)", {}},
      {"n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2", {}},
      {"(n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n%100>=3 && n%100<=10 ? 3 : n%100>=11 ? 4 : 5)", {}},
      {"n==1 ? 0 : n==2 ? 1 : (n>10 && n%10==0) ? 2 : 3", {}},
      {"(n % 100000000 == 0 ? 0 : !n) + 0 - 1 * 2", {}},
      {"n==1 ? n==2 ? 0 : 1 : 2", {}},  // a conditional inside a conditional's first branch
      {" \tn\r\n!=\n1 ", {}},
      {"n == 18446744073709551616", {}},  // beyond `int`, but never a divisor
      {nested(32), {}},
      {nested(33), "nested deeper than 32 parentheses"},
      {nested(100000), "longer than 512 characters"},
      {nested(511, '!', false), {}},
      {nested(512, '!', false), "longer than 512 characters"},
      {nested(100000, '!', false), "longer than 512 characters"},
      {"", parse},  // would silently read as English's
  };
  for (const auto& [rule, refusal] : rules)
    EXPECT_EQ(pluralRuleRefusal(withRule(rule)), refusal) << rule.substr(0, 80);
  for (const char* rule : {"(0-2147483647-1)/(0-1)", "(0-2147483647-1)%(0-1)", "n/0", "n % 00", "n%(n-n)",
                           "n / (10)", "n % n", "n / !0", "n % 1000000000", "n % 010", "n / 0x10",
                           "n % 5 / 0", "n % 2147483648", "(n-2147483647-1)/(0-1) != 0", "1 / (n - 3) == 0"})
    EXPECT_EQ(pluralRuleRefusal(withRule(rule)), divides) << rule;
  for (const char* rule :
       {"n +",    "((n",  "n)", "()",    "n n",   "n | 1",   "n & 1",         "n ^ 1",
        "n << 1", "~n",   "-n", "n = 1", "n ? 1", "n : 1",   "n ? 1 : 2 : 3", "(n ? 1) : 2",
        "x",      "0x1F", "09", "n !",   "!= n",  "n % 10 ("})
    EXPECT_EQ(pluralRuleRefusal(withRule(rule)), parse) << rule;
  // No Plural-Forms at all: English's two forms.
  EXPECT_EQ(pluralRuleRefusal("Content-Type: text/plain; charset=UTF-8\n"), std::nullopt);
  EXPECT_EQ(pluralRuleRefusal(""), std::nullopt);
}

TEST(PluralRuleGuard, ReadsTheHeaderAsTheReaderDoes) {
  for (const char* forms :
       {"nplurals=1; plural=0;", "nplurals=16; plural=n%16;", "nplurals= 2 ; plural=n!=1"})
    EXPECT_EQ(pluralRuleRefusal(header(forms)), std::nullopt) << forms;
  for (const char* forms : {"nplurals=0; plural=0;", "nplurals=17; plural=0;", "nplurals=x; plural=0;",
                            "nplurals=-1; plural=0;", "plural=n != 1;", "nplurals=2;"})
    EXPECT_NE(pluralRuleRefusal(header(forms)), std::nullopt) << forms;
  // The reader takes the first "plural=" of the header, whichever line holds it, up to ';' or a line end.
  EXPECT_NE(pluralRuleRefusal("X-Note: plural=n/0\n" + header("nplurals=2; plural=n != 1;")), std::nullopt);
  EXPECT_EQ(pluralRuleRefusal(header("nplurals=2; plural=n != 1; plural=n/0;")), std::nullopt);
  // and stops at the first NUL byte.
  EXPECT_EQ(pluralRuleRefusal(header("nplurals=2; plural=n != 1;") + std::string(1, '\0') + "plural=n/0"),
            std::nullopt);
}

}  // namespace
}  // namespace rw

// The plural rule of a gettext catalog: the C expression of its "Plural-Forms" header
// ("nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);"), which picks
// the form of a plural entry for a count.
//
// The rule comes from a file the program does not control, so it is parsed and evaluated here, never
// trusted: values are unsigned 64-bit integers with wrap-around arithmetic, as GNU gettext evaluates them,
// so no operation overflows; a division or remainder by zero picks no form instead of trapping; rules
// longer or nested deeper than any language needs are refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace rw {

class PluralRule {
 public:
  /// Longest expression read, and deepest nesting of parentheses, negations and conditionals. Real
  /// languages stay within 150 characters and six levels.
  static constexpr size_t kMaxLength = 512;
  static constexpr int kMaxDepth = 32;

  /// The rule of languages with one singular form: "n != 1".
  PluralRule();

  /// Parses a rule expression in the grammar gettext reads: `n`, decimal numbers, parentheses, `!`, the
  /// binary operators `* / % + - < > <= >= == != && ||` with C's precedence, and `? :`.
  static Result<PluralRule> parse(std::string_view expression);

  /// The form index for `n`; nothing when the rule divides by zero for `n`.
  std::optional<std::uint64_t> evaluate(std::uint64_t n) const;

 private:
  enum class Op : std::uint8_t;
  struct Node {
    Op op;
    std::uint64_t value;       // the number of a constant
    std::int32_t operands[3];  // indexes into nodes_, -1 where unused
  };
  std::optional<std::uint64_t> evaluate(std::int32_t node, std::uint64_t n) const;

  std::vector<Node> nodes_;  // the root is the last node
  friend class PluralRuleParser;
};

/// A catalog's plural forms: how many there are and the rule that picks one.
struct PluralForms {
  std::uint64_t count = 2;
  PluralRule rule;
};

/// The plural forms of a catalog header (the msgstr of the empty msgid). A header without a
/// "Plural-Forms" line has English's two forms; a line that names no rule, a rule that does not parse, or
/// a count of forms outside 1 to 16, is a failure that says why.
Result<PluralForms> pluralFormsOfHeader(std::string_view header);

}  // namespace rw

#include "platform/plural_rule.h"

#include <charconv>
#include <utility>

namespace rw {

enum class PluralRule::Op : std::uint8_t {
  n,
  constant,
  negation,
  multiply,
  divide,
  remainder,
  add,
  subtract,
  less,
  greater,
  lessOrEqual,
  greaterOrEqual,
  equal,
  notEqual,
  logicalAnd,
  logicalOr,
  conditional,
};

// Recursive descent over C's precedence levels, lowest first: `?:` (right-associative), `||`, `&&`,
// equality, relations, sums, products, then `!`, parentheses, `n` and numbers. Each level is a loop, so
// only parentheses, `!` and conditionals nest calls; they are counted against kMaxDepth.
class PluralRuleParser {
 public:
  explicit PluralRuleParser(std::string_view text) : text_(text) {}

  Result<PluralRule> run() {
    if (text_.size() > PluralRule::kMaxLength) return Failure{"the plural rule is too long"};
    const auto root = conditional(0);
    if (!root) return Failure{failure_.empty() ? "the plural rule does not parse" : failure_};
    skipSpace();
    if (at_ != text_.size())
      return Failure{"the plural rule does not parse", "at '" + std::string(text_.substr(at_, 16)) + "'"};
    PluralRule rule;
    rule.nodes_ = std::move(nodes_);
    return rule;
  }

 private:
  using Op = PluralRule::Op;
  using Index = std::optional<std::int32_t>;

  void skipSpace() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n'))
      ++at_;
  }

  bool take(std::string_view token) {
    skipSpace();
    if (!text_.substr(at_).starts_with(token)) return false;
    at_ += token.size();
    return true;
  }

  std::int32_t add(Op op, std::uint64_t value = 0, std::int32_t a = -1, std::int32_t b = -1,
                   std::int32_t c = -1) {
    nodes_.push_back({op, value, {a, b, c}});
    return static_cast<std::int32_t>(nodes_.size() - 1);
  }

  Index conditional(int depth) {
    if (depth > PluralRule::kMaxDepth) {
      failure_ = "the plural rule is nested too deeply";
      return std::nullopt;
    }
    const auto condition = logicalOr(depth);
    if (!condition) return std::nullopt;
    if (!take("?")) return condition;
    const auto then = conditional(depth + 1);
    if (!then || !take(":")) return std::nullopt;
    const auto otherwise = conditional(depth + 1);
    if (!otherwise) return std::nullopt;
    return add(Op::conditional, 0, *condition, *then, *otherwise);
  }

  // One left-associative level: operands of `next` joined by any of `operators`.
  template <class Next>
  Index binary(int depth, std::initializer_list<std::pair<std::string_view, Op>> operators, Next next) {
    auto left = (this->*next)(depth);
    while (left) {
      const std::pair<std::string_view, Op>* found = nullptr;
      skipSpace();
      for (const auto& candidate : operators) {
        const std::string_view rest = text_.substr(at_);
        // The longest operator wins: "<=" over "<".
        if (rest.starts_with(candidate.first) && (!found || candidate.first.size() > found->first.size()))
          found = &candidate;
      }
      if (!found) return left;
      at_ += found->first.size();
      const auto right = (this->*next)(depth);
      if (!right) return std::nullopt;
      left = add(found->second, 0, *left, *right);
    }
    return left;
  }

  Index logicalOr(int depth) { return binary(depth, {{"||", Op::logicalOr}}, &PluralRuleParser::logicalAnd); }
  Index logicalAnd(int depth) { return binary(depth, {{"&&", Op::logicalAnd}}, &PluralRuleParser::equality); }
  Index equality(int depth) {
    return binary(depth, {{"==", Op::equal}, {"!=", Op::notEqual}}, &PluralRuleParser::relation);
  }
  Index relation(int depth) {
    return binary(depth,
                  {{"<", Op::less}, {">", Op::greater}, {"<=", Op::lessOrEqual}, {">=", Op::greaterOrEqual}},
                  &PluralRuleParser::sum);
  }
  Index sum(int depth) {
    return binary(depth, {{"+", Op::add}, {"-", Op::subtract}}, &PluralRuleParser::product);
  }
  Index product(int depth) {
    return binary(depth, {{"*", Op::multiply}, {"/", Op::divide}, {"%", Op::remainder}},
                  &PluralRuleParser::unary);
  }

  Index unary(int depth) {
    skipSpace();
    if (at_ < text_.size() && text_[at_] == '!' && !text_.substr(at_).starts_with("!=")) {
      ++at_;
      if (depth + 1 > PluralRule::kMaxDepth) {
        failure_ = "the plural rule is nested too deeply";
        return std::nullopt;
      }
      const auto operand = unary(depth + 1);
      if (!operand) return std::nullopt;
      return add(Op::negation, 0, *operand);
    }
    if (take("(")) {
      const auto inner = conditional(depth + 1);
      if (!inner || !take(")")) return std::nullopt;
      return inner;
    }
    if (take("n")) return add(Op::n);
    const char* begin = text_.data() + at_;
    const char* end = text_.data() + text_.size();
    std::uint64_t value = 0;
    const auto [next, error] = std::from_chars(begin, end, value);
    if (next == begin || error != std::errc{}) return std::nullopt;
    at_ += static_cast<size_t>(next - begin);
    return add(Op::constant, value);
  }

  std::string_view text_;
  size_t at_ = 0;
  std::string failure_;
  std::vector<PluralRule::Node> nodes_;
};

PluralRule::PluralRule() {
  nodes_ = {{Op::n, 0, {-1, -1, -1}}, {Op::constant, 1, {-1, -1, -1}}, {Op::notEqual, 0, {0, 1, -1}}};
}

Result<PluralRule> PluralRule::parse(std::string_view expression) {
  return PluralRuleParser(expression).run();
}

std::optional<std::uint64_t> PluralRule::evaluate(std::uint64_t n) const {
  return evaluate(static_cast<std::int32_t>(nodes_.size()) - 1, n);
}

std::optional<std::uint64_t> PluralRule::evaluate(std::int32_t index, std::uint64_t n) const {
  const Node& node = nodes_[static_cast<size_t>(index)];
  const auto operand = [&](int i) { return evaluate(node.operands[i], n); };
  switch (node.op) {
    case Op::n:
      return n;
    case Op::constant:
      return node.value;
    case Op::negation: {
      const auto value = operand(0);
      if (!value) return std::nullopt;
      return *value == 0 ? 1 : 0;
    }
    case Op::conditional: {
      const auto condition = operand(0);
      if (!condition) return std::nullopt;
      return operand(*condition != 0 ? 1 : 2);
    }
    case Op::logicalAnd:
    case Op::logicalOr: {
      // Short-circuit as in C: the right operand is not evaluated when the left decides.
      const auto left = operand(0);
      if (!left) return std::nullopt;
      if ((node.op == Op::logicalAnd) == (*left == 0)) return node.op == Op::logicalOr ? 1 : 0;
      const auto right = operand(1);
      if (!right) return std::nullopt;
      return *right != 0 ? 1 : 0;
    }
    default:
      break;
  }
  const auto left = operand(0), right = operand(1);
  if (!left || !right) return std::nullopt;
  const std::uint64_t a = *left, b = *right;
  switch (node.op) {
    case Op::multiply:
      return a * b;
    case Op::divide:
      if (b == 0) return std::nullopt;
      return a / b;
    case Op::remainder:
      if (b == 0) return std::nullopt;
      return a % b;
    case Op::add:
      return a + b;
    case Op::subtract:
      return a - b;
    case Op::less:
      return a < b ? 1 : 0;
    case Op::greater:
      return a > b ? 1 : 0;
    case Op::lessOrEqual:
      return a <= b ? 1 : 0;
    case Op::greaterOrEqual:
      return a >= b ? 1 : 0;
    case Op::equal:
      return a == b ? 1 : 0;
    case Op::notEqual:
      return a != b ? 1 : 0;
    default:
      return std::nullopt;
  }
}

Result<PluralForms> pluralFormsOfHeader(std::string_view header) {
  PluralForms forms;
  size_t line = 0;
  while (line < header.size() && !header.substr(line).starts_with("Plural-Forms:")) {
    const size_t next = header.find('\n', line);
    if (next == std::string_view::npos) return forms;  // no rule: English's
    line = next + 1;
  }
  if (line >= header.size()) return forms;
  std::string_view value = header.substr(line + std::string_view("Plural-Forms:").size());
  value = value.substr(0, value.find('\n'));

  const size_t count = value.find("nplurals=");
  const size_t rule = value.find("plural=", count == std::string_view::npos ? 0 : count + 9);
  if (count == std::string_view::npos || rule == std::string_view::npos)
    return Failure{"the Plural-Forms line names no nplurals and plural"};
  std::string_view countText = value.substr(count + 9);
  std::uint64_t nplurals = 0;
  const auto [end, error] = std::from_chars(countText.data(), countText.data() + countText.size(), nplurals);
  if (error != std::errc{} || end == countText.data() || nplurals < 1 || nplurals > 16)
    return Failure{"nplurals must be a number from 1 to 16"};
  forms.count = nplurals;

  std::string_view expression = value.substr(rule + 7);
  expression = expression.substr(0, expression.find(';'));
  auto parsed = PluralRule::parse(expression);
  if (!parsed) return parsed.error();
  forms.rule = std::move(*parsed);
  return forms;
}

}  // namespace rw

// The plural rules of catalog headers, from arbitrary bytes: reading a header and evaluating its rule must
// never crash, trap, overflow the stack or hang, for any count.
//
// Input: a catalog header (the msgstr of the empty msgid), for example
// "Plural-Forms: nplurals=2; plural=(0-2147483647-1)/(0-1);". Checks beyond the sanitizers':
// - an evaluation picks no form only when the rule divides or takes a remainder;
// - evaluating again gives the same form.
#include <cstdint>
#include <limits>
#include <string_view>

#include "platform/plural_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view header(reinterpret_cast<const char*>(data), size);
  const auto forms = rw::pluralFormsOfHeader(header);
  if (!forms) return 0;
  if (forms->count < 1 || forms->count > 16) __builtin_trap();
  const bool divides =
      header.find('/') != std::string_view::npos || header.find('%') != std::string_view::npos;
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (const std::uint64_t n : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{2}, std::uint64_t{3},
                                std::uint64_t{5}, std::uint64_t{11}, std::uint64_t{21}, std::uint64_t{101},
                                std::uint64_t{2147483648u}, kMax / 2 + 1, kMax}) {
    const auto form = forms->rule.evaluate(n);
    if (!form && !divides) __builtin_trap();
    if (forms->rule.evaluate(n) != form) __builtin_trap();
  }
  return 0;
}

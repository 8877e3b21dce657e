// queryDictionary on arbitrary bytes: it must never crash, and whatever it accepts must survive a trip
// through queryString and back.
//
// Why the round trip holds for every accepted input: names that queryDictionary stores are non-empty, hold
// no "&" (pieces are split there) and no "=" (the name ends at the first one), and are UTF-8; values are
// UTF-8 after decoding. queryString writes names verbatim and encodes every value character that could be
// read differently ("+", "%", "&", "=" all become escapes), so reading its text gives the same dictionary,
// and writing that again gives the same text.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "payload/color_encoded.h"
#include "payload/query_string.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Rejected inputs print a line each; keep libFuzzer's own report (on stderr) readable.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The colour initialiser is built on queryDictionary and must not fail either; it always yields a colour
  // of the current version.
  if (rw::ColorEncoded::fromRawValue(input).version != rw::ColorEncoded::currentVersion) __builtin_trap();

  const auto dictionary = rw::queryDictionary(input);
  if (!dictionary) return 0;
  const auto text = rw::queryString(*dictionary);
  if (!text) __builtin_trap();
  const auto again = rw::queryDictionary(*text);
  if (!again || *again != *dictionary) __builtin_trap();
  if (rw::queryString(*again) != text) __builtin_trap();
  return 0;
}

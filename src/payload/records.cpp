#include "payload/records.h"

namespace rw {
namespace {

template <class E, size_t N>
constexpr std::array<E, N> casesOf(const std::array<std::pair<E, std::string_view>, N>& table) {
  std::array<E, N> cases{};
  for (size_t i = 0; i < N; ++i)
    cases[i] = table[i].first;
  return cases;
}

constexpr auto kEventTypes = casesOf(RawValues<CustodyEventType>::table);
constexpr auto kPersonTypes = casesOf(RawValues<CustodyPersonType>::table);

}  // namespace

std::span<const CustodyEventType> allCustodyEventTypes() {
  return kEventTypes;
}
std::span<const CustodyPersonType> allCustodyPersonTypes() {
  return kPersonTypes;
}

}  // namespace rw

#include "payload/records.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "payload/fields.h"

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

std::string_view PayloadStorage::keep(std::string_view text) {
  if (text.empty()) return {};
  auto* copy = static_cast<char*>(arena_.allocate(text.size(), 1));
  std::memcpy(copy, text.data(), text.size());
  return {copy, text.size()};
}

std::span<const std::string_view> PayloadStorage::keepList(std::span<const std::string_view> texts) {
  if (texts.empty()) return {};
  // Events name the same few persons over and over, so a list equal to one kept recently is shared. The
  // hash reads only the length and the first and last bytes of each text: that tells identifiers apart
  // well enough, and lists that share a hash are compared in full.
  std::size_t hash = texts.size();
  for (const std::string_view text : texts) {
    std::uint64_t head = 0, tail = 0;
    const std::size_t part = std::min<std::size_t>(text.size(), 8);
    if (part != 0) {
      std::memcpy(&head, text.data(), part);
      std::memcpy(&tail, text.data() + text.size() - part, part);
    }
    hash = (hash * 31 + text.size()) * 0x9E3779B97F4A7C15ull ^ head ^ (tail << 1);
  }
  std::span<const std::string_view>& recent = recentLists_[hash % recentLists_.size()];
  if (std::ranges::equal(recent, texts)) return recent;
  auto* copy = static_cast<std::string_view*>(
      arena_.allocate(texts.size() * sizeof(std::string_view), alignof(std::string_view)));
  std::uninitialized_copy(texts.begin(), texts.end(), copy);
  recent = {copy, texts.size()};
  return recent;
}

const URL* PayloadStorage::keep(URL url) {
  return &urls_.emplace_back(std::move(url));
}

std::span<std::uint8_t> PayloadStorage::adopt(ByteBuffer bytes) {
  return buffers_.emplace_back(std::move(bytes));
}

void PayloadStorage::shortenLastAdopted(std::size_t size) noexcept {
  if (!buffers_.empty()) shortenReleasing(buffers_.back(), size);
}

bool operator==(const WidgetEventPayload& a, const WidgetEventPayload& b) {
  const auto same = []<class T>(const T& x, const T& y) {
    if constexpr (std::is_pointer_v<T>)
      return x == nullptr || y == nullptr ? x == y : *x == *y;
    else if constexpr (std::is_same_v<T, CompactList<std::string_view>>)
      return std::ranges::equal(x, y);
    else
      return x == y;
  };
  return everyField<WidgetEventPayload>([&](auto field) { return same(a.*field.member, b.*field.member); });
}

std::span<const CustodyEventType> allCustodyEventTypes() {
  return kEventTypes;
}
std::span<const CustodyPersonType> allCustodyPersonTypes() {
  return kPersonTypes;
}

}  // namespace rw

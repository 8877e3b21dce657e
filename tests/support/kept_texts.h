// Texts, lists and URLs kept for the whole test program: an event made by hand points at what it shows.
#pragma once

#include <initializer_list>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "payload/records.h"

namespace rw::testing {

inline std::mutex keptMutex;
inline PayloadStorage keptStorage;

inline std::string_view kept(std::string_view text) {
  const std::lock_guard lock(keptMutex);
  return keptStorage.keep(text);
}

/// `texts` and the list of them, kept.
inline std::span<const std::string_view> keptList(std::span<const std::string_view> texts) {
  const std::lock_guard lock(keptMutex);
  std::vector<std::string_view> copies;
  for (const auto text : texts)
    copies.push_back(keptStorage.keep(text));
  return keptStorage.keepList(copies);
}

inline std::span<const std::string_view> keptList(std::initializer_list<std::string_view> texts) {
  return keptList(std::span<const std::string_view>(texts.begin(), texts.size()));
}

/// `url` kept, or null for none.
inline const URL* kept(std::optional<URL> url) {
  const std::lock_guard lock(keptMutex);
  return url ? keptStorage.keep(std::move(*url)) : nullptr;
}

}  // namespace rw::testing

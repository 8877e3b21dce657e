// Texts, lists and URLs that live for the whole test program, for events made by hand: an event points at
// what it shows, so a test that builds one from computed text keeps that text here.
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

/// `text`, kept.
inline std::string_view kept(std::string_view text) {
  static std::mutex mutex;
  static PayloadStorage storage;
  const std::lock_guard lock(mutex);
  return storage.keep(text);
}

/// `texts` and the list of them, kept.
inline std::span<const std::string_view> keptList(std::span<const std::string_view> texts) {
  static std::mutex mutex;
  static PayloadStorage storage;
  std::vector<std::string_view> copies;
  for (const auto text : texts)
    copies.push_back(kept(text));
  const std::lock_guard lock(mutex);
  return storage.keepList(copies);
}

inline std::span<const std::string_view> keptList(std::initializer_list<std::string_view> texts) {
  return keptList(std::span<const std::string_view>(texts.begin(), texts.size()));
}

/// `url` kept, or null for none.
inline const URL* kept(std::optional<URL> url) {
  static std::mutex mutex;
  static PayloadStorage storage;
  const std::lock_guard lock(mutex);
  return url ? storage.keep(std::move(*url)) : nullptr;
}

/// The texts of a list, for comparing with an expected list.
inline std::vector<std::string> textsOf(std::span<const std::string_view> texts) {
  return {texts.begin(), texts.end()};
}

}  // namespace rw::testing

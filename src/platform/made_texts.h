// Texts made from keys, each made once per use of a `MadeTexts`: the answers of one request write the same
// few texts (dates, due wordings) over and over.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rw {

/// Remembers the texts made for up to `Kept` keys, in the order they were first asked for; past that, a
/// text is made each time. Not shared between threads.
template <class Key, std::size_t Kept>
class MadeTexts {
 public:
  /// The text for `key`: the one made before, or `make()`. Valid until the next call.
  template <class Make>
  const std::string& text(const Key& key, Make&& make) {
    // The latest first: a text asked for now is often the one asked for just before.
    for (std::size_t i = keys_.size(); i-- > 0;)
      if (keys_[i] == key) return texts_[i];
    if (keys_.size() == Kept) return last_ = make();
    keys_.push_back(key);
    return texts_.emplace_back(make());
  }

 private:
  std::vector<Key> keys_;
  std::vector<std::string> texts_;  // the text of each key, in the same order
  std::string last_;
};

}  // namespace rw

// A streaming writer of indented JSON text, for answers too large to build as a tree first.
//
// The layout is the one the program's other JSON output has (nlohmann's `dump(2)`), byte for byte: two
// spaces per level, `"key": value`, one member or element per line, empty containers as `{}` and `[]`,
// floating-point numbers in a round-trip form with at least one decimal ("9.0", "364.5", "1e-05",
// "1e+16"), not-a-number and infinities as null, and UTF-8 text as it is, with only the quote,
// the backslash and control characters escaped. Ill-formed UTF-8 is written as U+FFFD, one for each
// maximal ill-formed subpart (as Unicode recommends, and as nlohmann's replacing mode does), so the answer
// is always well-formed JSON.
//
// Calls must form one well-formed value: `key` before each member of an object and nowhere else, every
// `begin...` closed by the matching `end...`. The writer does not check this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rw::app {

class JsonWriter {
 public:
  /// Where a streaming writer sends its text, piece by piece, in order.
  using Sink = std::function<void(std::string_view)>;

  /// A member name, checked when the program is compiled: a literal of printable ASCII without the quote
  /// or the backslash, of at most `kLongestName` bytes. It is kept as the text a member starts with
  /// (`"name": `), so writing it is one copy of a fixed size.
  class Name {
   public:
    static constexpr std::size_t kLongestName = 28;

    template <std::size_t N>
    consteval Name(const char (&text)[N]) : size_(N - 1 + 4) {  // NOLINT: literals convert implicitly
      static_assert(N - 1 <= kLongestName, "a member name this long needs a longer Name");
      piece_[0] = '"';
      for (std::size_t i = 0; i + 1 < N; ++i) {
        const char c = text[i];
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') throw "a member name must need no escaping";
        piece_[i + 1] = c;
      }
      piece_[N] = '"';
      piece_[N + 1] = ':';
      piece_[N + 2] = ' ';
    }

   private:
    friend class JsonWriter;
    char piece_[kLongestName + 4] = {};  // `"name": `, then zeros
    std::size_t size_;
  };

  /// A writer that keeps the whole text (`text`, `take`).
  JsonWriter() = default;
  /// A writer that hands its text to `sink` whenever about `chunk` bytes have gathered, and the rest on
  /// `flush`: a large answer never sits whole in memory. Small chunks keep the buffer to a few pages, each
  /// of which costs a page fault when first written; a chunk costs one write.
  explicit JsonWriter(Sink sink, std::size_t chunk = 8 * 1024);

  /// Hands what has gathered to the sink (nothing without one).
  void flush();

  void beginObject() { open('{'); }
  void endObject() { close('}'); }
  void beginArray() { open('['); }
  void endArray() { close(']'); }

  /// The name of the next member of the innermost object.
  void key(const Name& name) {
    startValue();
    std::memcpy(room(sizeof name.piece_), name.piece_, sizeof name.piece_);
    used_ += name.size_;
    afterKey_ = true;
  }

  void string(std::string_view text) {
    startValue();
    quoted(text);
  }
  void integer(std::int64_t value);
  void number(double value);
  void null();

  /// `key` then the value, for the common member kinds.
  void member(const Name& name, std::string_view text) {
    key(name);
    string(text);
  }
  void member(const Name& name, const char* text) { member(name, std::string_view(text)); }
  void member(const Name& name, std::int64_t value) {
    key(name);
    integer(value);
  }

  /// Writes the next value with `write(*this)` and returns its text (valid until the next call that writes),
  /// which `copy` can write again at the same depth. Nothing is flushed while the value is written.
  template <class Write>
  std::string_view recorded(Write&& write) {
    startValue();
    afterKey_ = true;  // the separator is written: the value's own start must not write another
    const std::size_t start = used_;
    const std::size_t flushAt = flushAt_;
    flushAt_ = SIZE_MAX;
    write(*this);
    flushAt_ = flushAt;
    return {out_.data() + start, used_ - start};
  }
  /// Writes `text`, the text of a value `recorded` at the same depth, as the next value.
  void copy(std::string_view text) {
    startValue();
    put(text);
  }

  /// The text written so far and not yet flushed; for a writer without a sink, after the outermost value is
  /// closed, the whole document (without a final newline). Valid until the next call that writes.
  std::string_view text() const { return {out_.data(), used_}; }
  /// The same text, handed over; the writer is left empty.
  std::string take();

 private:
  // A line break and the indentation of the innermost container's members, copied whole from here
  // while the nesting is shallower than this allows (always, in the program's answers).
  static constexpr std::size_t kQuickLine = 64;
  static constexpr char kLine[kQuickLine + 1] =
      "\n                                                               ";

  // Starts a value: the separator and indentation its container asks for, unless a key was just written.
  void startValue() {
    if (used_ >= flushAt_) flush();
    if (afterKey_) {
      afterKey_ = false;
      return;
    }
    if (counts_.empty()) return;
    if (counts_.back()++ > 0) put(',');
    newlineAndIndent();
  }
  void open(char bracket) {
    startValue();
    put(bracket);
    counts_.push_back(0);
  }
  void close(char bracket) {
    const bool empty = counts_.back() == 0;
    counts_.pop_back();
    if (!empty) newlineAndIndent();
    put(bracket);
  }
  void newlineAndIndent() {
    const std::size_t length = 1 + counts_.size() * kIndent;
    if (length > kQuickLine) return deepNewlineAndIndent();
    std::memcpy(room(kQuickLine), kLine, kQuickLine);
    used_ += length;
  }
  void deepNewlineAndIndent();
  void quoted(std::string_view text);

  // Room for `size` more bytes after the text, at the returned address; `used_` says how many were used.
  char* room(std::size_t size) {
    if (out_.size() - used_ < size) grow(size);
    return out_.data() + used_;
  }
  void grow(std::size_t size);
  void put(char c) { *room(1) = c, ++used_; }
  void put(std::string_view text) {
    char* at = room(text.size());
    // Most pieces are a few bytes: copied in place, without a call.
    if (text.size() <= 32) {
      for (const char c : text)
        *at++ = c;
    } else {
      std::memcpy(at, text.data(), text.size());
    }
    used_ += text.size();
  }

  static constexpr std::size_t kIndent = 2;

  Sink sink_;
  std::size_t flushAt_ = SIZE_MAX;  // with a sink, the text passes to it once it is this long
  // The text is the first `used_` bytes of `out_`; the rest is room already made, so that writing a piece
  // is a copy into place rather than a string's append with its checks.
  std::string out_;
  std::size_t used_ = 0;
  std::vector<std::int64_t> counts_;  // values written so far in each open container, outermost first
  bool afterKey_ = false;
};

}  // namespace rw::app

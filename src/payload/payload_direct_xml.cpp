// The XML form read straight into the records.
//
// A single forward scan over the bytes for the shapes a writer of property lists produces: an optional
// UTF-8 byte-order mark, an optional `<?xml version="1.0" encoding="UTF-8"?>`, an optional DOCTYPE naming
// public and system identifiers, comments and white space between elements, the plist elements in their
// plain forms (`<string>`, `<string/>`, no spaces inside tags) and text with the predefined entities and
// character references. Text is checked as XML requires: valid UTF-8 of characters XML allows, no "]]>".
// Anything else (CDATA, processing instructions, carriage returns, other encodings, attributes other than
// the plist version, an unknown or repeated key, a URL with a base) is left to the expat-based tree path.
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "payload/payload_direct.h"
#include "payload/plist_internal.h"

namespace rw::detail {
namespace {

// What a byte may be in text: plain, the end of the text, needing a closer look, or never allowed.
enum ByteClass : std::uint8_t { kPlain, kLess, kSpecial, kNonAscii, kForbidden };

constexpr std::array<std::uint8_t, 256> kByteClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (unsigned c = 0; c < 0x20; ++c)
    classes[c] = kForbidden;
  classes['\t'] = kPlain;
  classes['\n'] = kPlain;
  classes['\r'] = kForbidden;  // XML turns line ends into "\n"; such files take the tree path
  classes['<'] = kLess;
  classes['&'] = kSpecial;
  classes[']'] = kSpecial;
  for (unsigned c = 0x80; c < 0x100; ++c)
    classes[c] = kNonAscii;
  return classes;
}();

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

// The bytes of `word` that plain text stops at, each marked by its high bit: bytes outside ASCII, below
// 0x20, "<", "&" and "]". Only the lowest mark is exact (a marked byte may mark the one above it too), which
// is all that finding the first stop needs: a byte below the lowest mark is plain.
constexpr std::uint64_t stopBytes(std::uint64_t word) {
  const auto equal = [word](std::uint8_t c) {
    const std::uint64_t x = word ^ (kOnes * c);
    return (x - kOnes) & ~x;
  };
  return (word | (word - kOnes * 0x20) | equal('<') | equal('&') | equal(']')) & kHighs;
}

// XML's white space, by byte: one look-up each, as the indentation between elements is read byte by byte.
constexpr std::array<bool, 256> kSpaces = [] {
  std::array<bool, 256> spaces{};
  for (const char c : {' ', '\t', '\n', '\r'})
    spaces[static_cast<unsigned char>(c)] = true;
  return spaces;
}();

// A character XML 1.0 allows in a document.
bool isXmlChar(std::int32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

class DirectXmlDecoder {
 public:
  DirectXmlDecoder(std::span<const std::uint8_t> bytes, RemindersWidgetPayload& payload)
      : p_(reinterpret_cast<const char*>(bytes.data())),
        end_(p_ + bytes.size()),
        payload_(payload),
        storage_(*payload.storage) {}

  bool run() {
    skip("\xEF\xBB\xBF");
    if (startsWith("<?xml") && !declaration()) return false;
    if (!misc()) return false;
    if (startsWith("<!DOCTYPE") && (!doctype() || !misc())) return false;
    if (!skip("<plist>") && !skip("<plist version=\"1.0\">") && !skip("<plist version='1.0'>")) return false;
    if (!misc() || !root() || !misc() || !skip("</plist>") || !misc()) return false;
    return p_ == end_;
  }

 private:
  bool startsWith(std::string_view text) const {
    return static_cast<std::size_t>(end_ - p_) >= text.size() &&
           std::memcmp(p_, text.data(), text.size()) == 0;
  }

  bool skip(std::string_view text) {
    if (!startsWith(text)) return false;
    p_ += text.size();
    return true;
  }

  void spaces() {
    while (p_ != end_ && kSpaces[static_cast<unsigned char>(*p_)])
      ++p_;
  }

  // White space and comments, as may stand between elements.
  bool misc() {
    for (;;) {
      spaces();
      if (!startsWith("<!--")) return true;
      p_ += 4;
      const char* close = nullptr;
      for (const char* q = p_; q + 1 < end_; ++q) {
        if (q[0] == '-' && q[1] == '-') {
          close = q;
          break;
        }
      }
      // "--" may only end the comment, and only as "-->".
      if (close == nullptr || close + 2 >= end_ || close[2] != '>') return false;
      if (!validText({p_, static_cast<std::size_t>(close - p_)})) return false;
      p_ = close + 3;
    }
  }

  // Every character allowed by XML and valid UTF-8 (carriage returns excepted, see kByteClasses).
  static bool validText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
      const auto byte = static_cast<unsigned char>(text[i]);
      if (byte < 0x80) {
        if (kByteClasses[byte] == kForbidden) return false;
        ++i;
        continue;
      }
      const std::int32_t c = plist::detail::nextCodePoint(text, i);
      if (c < 0 || !isXmlChar(c)) return false;
    }
    return true;
  }

  bool declaration() {
    return skip("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") || skip("<?xml version=\"1.0\"?>") ||
           skip("<?xml version='1.0' encoding='UTF-8'?>") || skip("<?xml version='1.0'?>");
  }

  // A quoted identifier of printable ASCII; public identifiers only of the characters XML allows there.
  bool literal(bool isPublic) {
    if (p_ == end_ || (*p_ != '"' && *p_ != '\'')) return false;
    const char quote = *p_++;
    static constexpr std::string_view kPublicPunctuation = " -'()+,./:=?;!*#@$_%";
    for (; p_ != end_ && *p_ != quote; ++p_) {
      const char c = *p_;
      const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      if (isPublic ? !alphanumeric && kPublicPunctuation.find(c) == std::string_view::npos
                   : c < 0x20 || c > 0x7E)
        return false;
    }
    if (p_ == end_) return false;
    ++p_;
    return true;
  }

  // <!DOCTYPE plist PUBLIC "public" "system"> or <!DOCTYPE plist SYSTEM "system">, no internal subset.
  bool doctype() {
    if (!skip("<!DOCTYPE plist ")) return false;
    if (skip("PUBLIC ")) {
      if (!literal(true) || !skip(" ")) return false;
    } else if (!skip("SYSTEM ")) {
      return false;
    }
    return literal(false) && skip(">");
  }

  // The text up to the next "<", with references replaced. A view into the file when there are none.
  bool text(std::string_view& out) {
    const char* start = p_;
    bool references = false;
    for (;;) {
      // Eight plain ASCII bytes at a time: nothing below 0x20 or above 0x7F, no "<", "&" or "]". Where
      // eight are not all plain, straight to the first that is not (on a little-endian machine, the
      // lowest mark).
      while (end_ - p_ >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p_, 8);
        if (const std::uint64_t stops = stopBytes(word); stops != 0) {
          if constexpr (std::endian::native == std::endian::little) p_ += std::countr_zero(stops) / 8;
          break;
        }
        p_ += 8;
      }
      if (p_ == end_) return false;
      const auto byte = static_cast<unsigned char>(*p_);
      switch (kByteClasses[byte]) {
        case kPlain:
          ++p_;
          continue;
        case kLess:
          break;
        case kSpecial:
          if (*p_ == '&') {
            references = true;
          } else if (end_ - p_ >= 3 && p_[1] == ']' && p_[2] == '>') {
            return false;
          }
          ++p_;
          continue;
        case kNonAscii: {
          std::size_t i = static_cast<std::size_t>(p_ - start);
          const std::string_view all(start, static_cast<std::size_t>(end_ - start));
          const std::int32_t c = plist::detail::nextCodePoint(all, i);
          if (c < 0 || !isXmlChar(c)) return false;
          p_ = start + i;
          continue;
        }
        default:
          return false;
      }
      break;
    }
    out = {start, static_cast<std::size_t>(p_ - start)};
    return !references || resolveReferences(out);
  }

  bool resolveReferences(std::string_view& text) {
    scratch_.clear();
    for (std::size_t i = 0; i < text.size();) {
      if (text[i] != '&') {
        scratch_.push_back(text[i++]);
        continue;
      }
      const std::size_t semicolon = text.find(';', i);
      if (semicolon == std::string_view::npos) return false;
      const std::string_view name = text.substr(i + 1, semicolon - i - 1);
      i = semicolon + 1;
      static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
          {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}}};
      bool known = false;
      for (const auto& [entity, c] : kEntities) {
        if (name == entity) {
          scratch_.push_back(c);
          known = true;
        }
      }
      if (known) continue;
      if (name.size() < 2 || name[0] != '#') return false;
      const bool hex = name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty() || digits.size() > 8) return false;
      std::uint32_t code = 0;
      for (char d : digits) {
        unsigned v;
        if (d >= '0' && d <= '9') {
          v = static_cast<unsigned>(d - '0');
        } else if (hex && d >= 'a' && d <= 'f') {
          v = static_cast<unsigned>(d - 'a' + 10);
        } else if (hex && d >= 'A' && d <= 'F') {
          v = static_cast<unsigned>(d - 'A' + 10);
        } else {
          return false;
        }
        code = code * (hex ? 16 : 10) + v;
      }
      // A reference to a carriage return stays one (unlike a literal one), but is left to the tree path.
      if (!isXmlChar(static_cast<std::int32_t>(code)) || code == 0xD) return false;
      appendUtf8(code);
    }
    text = storage_.keep(scratch_);
    return true;
  }

  void appendUtf8(std::uint32_t c) {
    if (c < 0x80) {
      scratch_.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      scratch_.push_back(static_cast<char>(0xC0 | c >> 6));
      scratch_.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      scratch_.push_back(static_cast<char>(0xE0 | c >> 12));
      scratch_.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      scratch_.push_back(static_cast<char>(0xF0 | c >> 18));
      scratch_.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      scratch_.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }

  // <string>text</string> or <string/>.
  bool string(std::string_view& out) {
    if (skip("<string/>")) {
      out = {};
      return true;
    }
    return skip("<string>") && text(out) && skip("</string>");
  }

  // The value of a record's field, read as its type is.
  template <class Text>
  requires std::is_same_v<Text, CompactText> || std::is_same_v<Text, std::string>
  bool value(Text& out) {
    std::string_view text;
    if (!string(text)) return false;
    out = Text(text);
    return true;
  }

  template <class E>
  requires requires { RawValues<E>::table; }
  bool value(E& out) {
    std::string_view raw;
    if (!string(raw)) return false;
    const auto value = fromRawValue<E>(raw);
    if (!value) return false;
    out = *value;
    return true;
  }

  bool value(CompactList<std::string_view>& out) {
    texts_.clear();
    if (!array([&] { return string(texts_.emplace_back()); })) return false;
    out = storage_.keepList(texts_);
    return true;
  }

  // A person's colour is made once the whole file is taken (see `setColours`).
  bool value(ColorEncoded&) { return string(colours_.emplace_back()); }

  bool value(Date& out) {
    std::string_view raw;
    if (!skip("<date>") || !text(raw) || !skip("</date>")) return false;
    // An event that went as planned repeats its planned dates' texts, read just before.
    for (const RecentDate& recent : recentDates_) {
      if (!recent.text.empty() && recent.text == raw) {
        out = recent.date;
        return true;
      }
    }
    const auto date = plist::detail::parseXmlDate(raw);
    if (!date) return false;
    out = *date;
    recentDates_[nextRecentDate_++ % recentDates_.size()] = {raw, *date};
    return true;
  }

  // <key>name</key>, and which of `keys` it is; false for any other key (and for keys with references).
  template <std::size_t N>
  bool key(const std::array<std::string_view, N>& keys, unsigned& field) {
    if (!skip("<key>")) return false;
    const char* start = p_;
    const char* close = static_cast<const char*>(std::memchr(p_, '<', static_cast<std::size_t>(end_ - p_)));
    if (close == nullptr) return false;
    const std::string_view name(start, static_cast<std::size_t>(close - start));
    p_ = close;
    if (!skip("</key>")) return false;
    // Records list their keys in the same order, so the search starts after the key read last.
    for (unsigned i = 0, f = (lastField_ + 1) % N; i < N; ++i, f = (f + 1) % N) {
      if (keys[f] == name) {
        field = lastField_ = f;
        return misc();
      }
    }
    return false;
  }

  // Calls `entry(field)` for each key of a dictionary, each field at most once; `seen` has a bit per field.
  template <std::size_t N, class Entry>
  bool dictionary(const std::array<std::string_view, N>& keys, std::uint32_t& seen, Entry entry) {
    seen = 0;
    if (skip("<dict/>")) return true;
    if (!skip("<dict>")) return false;
    for (;;) {
      if (!misc()) return false;
      if (skip("</dict>")) return true;
      unsigned field;
      if (!key(keys, field) || (seen & (1u << field)) != 0) return false;
      seen |= 1u << field;
      if (!entry(field)) return false;
    }
  }

  // Calls `element()` for each element of an array.
  template <class Element>
  bool array(Element element) {
    if (skip("<array/>")) return true;
    if (!skip("<array>")) return false;
    for (;;) {
      if (!misc()) return false;
      if (skip("</array>")) return true;
      if (!element()) return false;
    }
  }

  // {"relative": text}; a base URL is left to the tree path.
  bool value(const URL*& out) {
    static constexpr std::array<std::string_view, 1> kURLKeys{"relative"};
    std::string_view relative;
    std::uint32_t seen;
    if (!dictionary(kURLKeys, seen, [&](unsigned) { return string(relative); }) || seen != 1) return false;
    auto made = URL::make(relative);
    if (!made) return false;
    out = storage_.keep(std::move(*made));
    return true;
  }

  // A record's dictionary, every required field present.
  template <class Record>
  bool record(Record& out) {
    std::uint32_t seen;
    return dictionary(keysOf<Record>, seen,
                      [&](unsigned field) {
                        return visitField<Record>(field, [&](auto f) { return value(out.*f.member); });
                      }) &&
           (seen & requiredFieldsOf<Record>) == requiredFieldsOf<Record>;
  }

  bool root() {
    std::uint32_t seen;
    const bool read = dictionary(kPayloadKeys, seen, [&](unsigned field) {
      if (field == 0) return array([&] { return record(payload_.events.emplace_back()); });
      return array([&] { return record(payload_.persons.emplace_back()); });
    });
    if (!read || seen != 3) return false;
    setColours(payload_, colours_);
    return true;
  }

  const char* p_;
  const char* end_;
  RemindersWidgetPayload& payload_;
  PayloadStorage& storage_;
  std::string scratch_;
  std::vector<std::string_view> texts_;
  unsigned lastField_ = 0;  // the field the key read last named
  struct RecentDate {
    std::string_view text;  // empty for none: no date is written as nothing
    Date date;
  };
  std::array<RecentDate, 2> recentDates_{};  // the dates read last, by their text
  std::size_t nextRecentDate_ = 0;
  std::vector<std::string_view> colours_;  // the persons' colour texts, in order
};

}  // namespace

bool decodeXmlPayloadDirectly(std::span<const std::uint8_t> bytes, RemindersWidgetPayload& payload) {
  return DirectXmlDecoder(bytes, payload).run();
}

}  // namespace rw::detail

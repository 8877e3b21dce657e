// The XML property-list form: read with expat, written here.
//
// Reading is locked down: expat never loads an external DTD or entity, any entity declaration stops the
// parse (so no entity can expand into another file or into gigabytes), and only the five predefined
// entities and character references remain. expat itself checks well-formedness and the encoding
// (UTF-8, or UTF-16 announced by a byte-order mark).
#include <expat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

#include "payload/plist.h"
#include "payload/plist_internal.h"

namespace rw::plist {
namespace {

bool isXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isXmlSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isXmlSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

/// Decimal or "0x" hexadecimal, with an optional sign, from -2^63 to 2^64-1.
std::optional<Integer> parseInteger(std::string_view text) {
  text = trimmed(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) {
    if (magnitude > std::uint64_t{1} << 63) return std::nullopt;
    return Integer{static_cast<std::int64_t>(std::uint64_t{0} - magnitude), false};
  }
  const auto value = static_cast<std::int64_t>(magnitude);
  return Integer{value, value < 0};
}

/// A decimal real, or "nan", "inf", "infinity" with an optional sign (any letter case).
std::optional<double> parseReal(std::string_view text) {
  text = trimmed(text);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

/// Standard base64; white space anywhere, padding optional.
std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text) {
  static constexpr auto kTable = [] {
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < kBase64Alphabet.size(); ++i)
      table[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
  }();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  std::uint32_t bits = 0;
  int bitCount = 0;
  std::size_t symbols = 0;
  int padding = 0;
  for (char c : text) {
    if (isXmlSpace(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const std::int8_t v = kTable[static_cast<unsigned char>(c)];
    if (v < 0 || padding > 0) return std::nullopt;
    bits = bits << 6 | static_cast<std::uint32_t>(v);
    bitCount += 6;
    ++symbols;
    if (bitCount >= 8) {
      bitCount -= 8;
      bytes.push_back(static_cast<std::uint8_t>(bits >> bitCount));
      bits &= (1u << bitCount) - 1;
    }
  }
  if (symbols % 4 == 1 || padding > 2 || (padding > 0 && (symbols + padding) % 4 != 0)) return std::nullopt;
  return bytes;
}

/// expat pairs a UTF-16 high surrogate with whatever unit follows it, so a lone surrogate would turn into
/// some other character instead of an error. UTF-16 input (recognised as expat does: by its byte-order
/// mark or by a first "<") is therefore checked here first. False for a lone surrogate.
bool surrogatesArePaired(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2) return true;
  const std::uint16_t first = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  bool bigEndian;
  if (first == 0xFEFF || first == 0x003C) {
    bigEndian = true;
  } else if (first == 0xFFFE || first == 0x3C00) {
    bigEndian = false;
  } else {
    return true;
  }
  bool expectLow = false;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const unsigned unit = bigEndian ? bytes[i] << 8 | bytes[i + 1] : bytes[i + 1] << 8 | bytes[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (low != expectLow) return false;
    expectLow = high;
  }
  return !expectLow;
}

// ---------------------------------------------------------------------------------------------------
// Reading

class XmlReader {
 public:
  explicit XmlReader(KeyFilter keep = nullptr) : parser_(XML_ParserCreate(nullptr)), keep_(keep) {}
  ~XmlReader() {
    if (parser_ != nullptr) XML_ParserFree(parser_);
  }
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  Result<Value> run(std::span<const std::uint8_t> bytes) {
    if (parser_ == nullptr) return Failure{"out of memory"};
    if (!surrogatesArePaired(bytes)) return Failure{"invalid UTF-16"};
    XML_SetUserData(parser_, this);
    XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetElementHandler(parser_, &XmlReader::onStart, &XmlReader::onEnd);
    XML_SetCharacterDataHandler(parser_, &XmlReader::onText);
    XML_SetEntityDeclHandler(parser_, &XmlReader::onEntityDeclaration);
    XML_SetSkippedEntityHandler(parser_, &XmlReader::onSkippedEntity);
    XML_SetExternalEntityRefHandler(parser_, &XmlReader::onExternalEntity);

    // expat takes int lengths; feed very large inputs in pieces.
    constexpr std::size_t kChunk = INT_MAX / 2;
    std::size_t offset = 0;
    do {
      const std::size_t length = std::min(kChunk, bytes.size() - offset);
      const bool last = offset + length == bytes.size();
      const char* chunk = reinterpret_cast<const char*>(bytes.data() + offset);
      if (XML_Parse(parser_, chunk, static_cast<int>(length), last) != XML_STATUS_OK) {
        const std::string line = "line " + std::to_string(XML_GetCurrentLineNumber(parser_));
        if (error_.empty()) {
          error_ = line + ": " + XML_ErrorString(XML_GetErrorCode(parser_));
          return Failure{std::move(error_)};
        }
        return Failure{std::move(error_), line};
      }
      offset += length;
    } while (offset < bytes.size());
    if (!result_) return Failure{"no value"};
    return std::move(*result_);
  }

 private:
  enum class Leaf : std::uint8_t { none, key, string, integer, real, date, data, boolean };
  enum class Container : std::uint8_t { plist, array, dictionary };

  struct Frame {
    Container kind;
    Value value;
    std::string key;
    bool hasKey = false;     // a dictionary's key waiting for its value; the plist's value when set
    bool skipValue = false;  // a dictionary's key waiting for a value that is checked but not kept
    bool discard = false;    // the container is itself not kept: its elements are only checked
  };

  void fail(std::string reason) {
    if (error_.empty()) error_ = std::move(reason);
    XML_StopParser(parser_, XML_FALSE);
  }

  static XmlReader& self(void* data) { return *static_cast<XmlReader*>(data); }

  // expat may still deliver a few events after the parser was stopped; they are ignored.
  bool stopped() const { return !error_.empty(); }

  static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
    if (!self(data).stopped()) self(data).start(name);
  }
  static void XMLCALL onEnd(void* data, const XML_Char* /*name*/) {
    if (!self(data).stopped()) self(data).end();
  }
  static void XMLCALL onText(void* data, const XML_Char* text, int length) {
    if (!self(data).stopped()) self(data).text(std::string_view(text, static_cast<std::size_t>(length)));
  }
  static void XMLCALL onEntityDeclaration(void* data, const XML_Char* /*name*/, int /*isParameter*/,
                                          const XML_Char* /*value*/, int /*length*/, const XML_Char* /*base*/,
                                          const XML_Char* /*systemId*/, const XML_Char* /*publicId*/,
                                          const XML_Char* /*notation*/) {
    self(data).fail("entity declarations are not allowed");
  }
  static void XMLCALL onSkippedEntity(void* data, const XML_Char* name, int /*isParameter*/) {
    self(data).fail(std::string("undefined entity ") + name);
  }
  static int XMLCALL onExternalEntity(XML_Parser /*parser*/, const XML_Char* /*context*/,
                                      const XML_Char* /*base*/, const XML_Char* /*systemId*/,
                                      const XML_Char* /*publicId*/) {
    return XML_STATUS_ERROR;  // never read anything outside the given bytes
  }

  void start(std::string_view name) {
    if (leaf_ != Leaf::none) return fail("element <" + std::string(name) + "> inside a value");
    if (stack_.empty()) {
      if (name != "plist") return fail("root element is not <plist>");
      stack_.push_back({Container::plist, Value(), {}, false});
      return;
    }
    Frame& parent = stack_.back();
    if (name == "key") {
      if (parent.kind != Container::dictionary || parent.hasKey) return fail("misplaced <key>");
      leaf_ = Leaf::key;
      text_.clear();
      return;
    }
    if (parent.kind == Container::dictionary && !parent.hasKey) return fail("dictionary value without a key");
    if (parent.kind == Container::plist && parent.hasKey) return fail("more than one value in <plist>");
    if (name == "array" || name == "dict") {
      // The plist frame does not count: a top-level container has depth 1.
      if (stack_.size() > static_cast<std::size_t>(detail::kMaxDepth)) return fail("nesting too deep");
      const bool discard = parent.discard || parent.skipValue;
      if (name == "array")
        stack_.push_back({Container::array, Array(), {}, false, false, discard});
      else
        stack_.push_back({Container::dictionary, Dictionary(), {}, false, false, discard});
      return;
    }
    if (name == "string") {
      leaf_ = Leaf::string;
    } else if (name == "integer") {
      leaf_ = Leaf::integer;
    } else if (name == "real") {
      leaf_ = Leaf::real;
    } else if (name == "date") {
      leaf_ = Leaf::date;
    } else if (name == "data") {
      leaf_ = Leaf::data;
    } else if (name == "true" || name == "false") {
      leaf_ = Leaf::boolean;
      booleanValue_ = name == "true";
    } else {
      return fail("unknown element <" + std::string(name) + ">");
    }
    text_.clear();
  }

  void text(std::string_view chunk) {
    if (leaf_ != Leaf::none && leaf_ != Leaf::boolean) {
      text_.append(chunk);
      return;
    }
    for (char c : chunk)
      if (!isXmlSpace(c)) return fail("unexpected text");
  }

  void end() {
    if (leaf_ == Leaf::none) return endContainer();
    const Leaf leaf = leaf_;
    leaf_ = Leaf::none;
    switch (leaf) {
      case Leaf::key: {
        Frame& frame = stack_.back();
        frame.key = std::move(text_);
        frame.hasKey = true;
        frame.skipValue = !frame.discard && keep_ != nullptr && !keeps();
        text_.clear();
        return;
      }
      case Leaf::string:
        add(std::move(text_));
        text_.clear();
        return;
      case Leaf::integer:
        if (const auto integer = parseInteger(text_)) return add(*integer);
        return fail("bad integer");
      case Leaf::real:
        if (const auto real = parseReal(text_)) return add(*real);
        return fail("bad real");
      case Leaf::date:
        if (const auto date = detail::parseXmlDate(text_)) return add(*date);
        return fail("bad date");
      case Leaf::data:
        if (auto bytes = decodeBase64(text_)) return add(Data{std::move(*bytes)});
        return fail("bad base64 data");
      case Leaf::boolean:
        return add(booleanValue_);
      case Leaf::none:
        return;
    }
  }

  void endContainer() {
    Frame frame = std::move(stack_.back());
    stack_.pop_back();
    if (frame.kind == Container::plist) {
      if (!frame.hasKey) return fail("no value in <plist>");
      result_ = std::move(frame.value);
      return;
    }
    if (frame.kind == Container::dictionary && frame.hasKey) return fail("key without a value");
    add(std::move(frame.value));
  }

  // Whether `keep_` keeps the value of the key just read: the keys of the dictionaries on the way to it.
  bool keeps() {
    path_.clear();
    for (const Frame& frame : stack_)
      if (frame.kind == Container::dictionary) path_.push_back(frame.key);
    return keep_(path_);
  }

  void add(Value value) {
    Frame& parent = stack_.back();
    if (parent.discard || parent.skipValue) {
      // Checked, and dropped (the plist frame always keeps its value).
      parent.hasKey = false;
      parent.skipValue = false;
      return;
    }
    switch (parent.kind) {
      case Container::plist:
        parent.value = std::move(value);
        parent.hasKey = true;
        return;
      case Container::array:
        std::get<Array>(parent.value.storage).push_back(std::move(value));
        return;
      case Container::dictionary:
        std::get<Dictionary>(parent.value.storage).emplace_back(std::move(parent.key), std::move(value));
        parent.hasKey = false;
        return;
    }
  }

  XML_Parser parser_;
  std::vector<Frame> stack_;
  Leaf leaf_ = Leaf::none;
  bool booleanValue_ = false;
  std::string text_;
  std::optional<Value> result_;
  std::string error_;
  KeyFilter keep_ = nullptr;
  std::vector<std::string_view> path_;
};

// ---------------------------------------------------------------------------------------------------
// Writing

class XmlWriter {
 public:
  std::optional<std::vector<std::uint8_t>> run(const Value& top) {
    put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n");
    if (!writeValue(top, 0)) return std::nullopt;
    put("</plist>\n");
    return std::move(out_);
  }

 private:
  void put(std::string_view text) { out_.insert(out_.end(), text.begin(), text.end()); }
  void indent(int depth) { out_.insert(out_.end(), static_cast<std::size_t>(depth), '\t'); }

  /// Escapes markup characters and carriage returns (which XML would turn into line feeds). Fails for
  /// invalid UTF-8 and for characters XML cannot carry at all (most control characters, U+FFFE, U+FFFF).
  bool putText(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
      const std::size_t start = pos;
      const std::int32_t c = detail::nextCodePoint(text, pos);
      if (c < 0) return false;
      switch (c) {
        case '&':
          put("&amp;");
          continue;
        case '<':
          put("&lt;");
          continue;
        case '>':
          put("&gt;");
          continue;
        case '\r':
          put("&#13;");
          continue;
        default:
          break;
      }
      if ((c < 0x20 && c != '\t' && c != '\n') || c == 0xFFFE || c == 0xFFFF) return false;
      put(text.substr(start, pos - start));
    }
    return true;
  }

  bool putElement(std::string_view name, std::string_view text, int depth, bool escape) {
    indent(depth);
    put("<");
    put(name);
    put(">");
    if (escape) {
      if (!putText(text)) return false;
    } else {
      put(text);
    }
    put("</");
    put(name);
    put(">\n");
    return true;
  }

  void putBase64(const std::vector<std::uint8_t>& bytes, int depth) {
    constexpr std::size_t kLineBytes = 57;  // 76 characters a line
    indent(depth);
    put("<data>");
    if (!bytes.empty()) put("\n");
    for (std::size_t line = 0; line < bytes.size(); line += kLineBytes) {
      indent(depth);
      const std::size_t end = std::min(bytes.size(), line + kLineBytes);
      for (std::size_t i = line; i < end; i += 3) {
        const std::size_t n = std::min<std::size_t>(3, end - i);
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (n > 1) group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (n > 2) group |= bytes[i + 2];
        out_.push_back(static_cast<std::uint8_t>(kBase64Alphabet[group >> 18]));
        out_.push_back(static_cast<std::uint8_t>(kBase64Alphabet[group >> 12 & 0x3F]));
        out_.push_back(n > 1 ? static_cast<std::uint8_t>(kBase64Alphabet[group >> 6 & 0x3F]) : '=');
        out_.push_back(n > 2 ? static_cast<std::uint8_t>(kBase64Alphabet[group & 0x3F]) : '=');
      }
      put("\n");
    }
    if (!bytes.empty()) indent(depth);
    put("</data>\n");
  }

  bool writeValue(const Value& value, int depth) {
    char buffer[40];
    if (const auto* text = value.get<std::string>()) return putElement("string", *text, depth, true);
    if (const auto* flag = value.get<bool>()) {
      indent(depth);
      put(*flag ? "<true/>\n" : "<false/>\n");
      return true;
    }
    if (const auto* integer = value.get<Integer>()) {
      const auto result =
          integer->isUnsignedAboveInt64 && integer->value < 0
              ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint64_t>(integer->value))
              : std::to_chars(buffer, buffer + sizeof buffer, integer->value);
      return putElement("integer", std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)),
                        depth, false);
    }
    if (const auto* real = value.get<double>()) {
      std::string_view text;
      if (std::isnan(*real)) {
        text = "nan";
      } else if (std::isinf(*real)) {
        text = *real > 0 ? "+infinity" : "-infinity";
      } else {
        // The shortest text that reads back as the same double.
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, *real);
        text = std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
      }
      return putElement("real", text, depth, false);
    }
    if (const auto* date = value.get<Date>()) {
      const auto text = formatIso8601SecondsWide(*date);
      if (!text) return false;
      return putElement("date", *text, depth, false);
    }
    if (const auto* data = value.get<Data>()) {
      putBase64(data->bytes, depth);
      return true;
    }
    if (value.get<Uid>() != nullptr) return false;  // only the binary form has object references

    if (depth >= detail::kMaxDepth) return false;
    if (const auto* array = value.get<Array>()) {
      indent(depth);
      if (array->empty()) {
        put("<array/>\n");
        return true;
      }
      put("<array>\n");
      for (const Value& element : *array)
        if (!writeValue(element, depth + 1)) return false;
      indent(depth);
      put("</array>\n");
      return true;
    }
    const auto& dictionary = *value.get<Dictionary>();
    indent(depth);
    if (dictionary.empty()) {
      put("<dict/>\n");
      return true;
    }
    put("<dict>\n");
    for (const auto& [key, element] : dictionary)
      if (!putElement("key", key, depth + 1, true) || !writeValue(element, depth + 1)) return false;
    indent(depth);
    put("</dict>\n");
    return true;
  }

  std::vector<std::uint8_t> out_;
};

}  // namespace

Result<Value> parseXml(std::span<const std::uint8_t> bytes) {
  return XmlReader().run(bytes);
}

namespace detail {

Result<Value> parseXmlKeeping(std::span<const std::uint8_t> bytes, KeyFilter keep) {
  return XmlReader(keep).run(bytes);
}

std::optional<std::vector<std::uint8_t>> writeXml(const Value& value) {
  return XmlWriter().run(value);
}

// Exactly "YYYY-MM-DDTHH:MM:SSZ": no fraction, no offset, no surrounding space. A year outside 0 to 9999
// is expanded: a sign and five to nine digits ("+200000-01-01T00:00:00Z").
std::optional<Date> parseXmlDate(std::string_view text) {
  static constexpr std::string_view kShape = "-dd-ddTdd:dd:ddZ";
  if (text.size() < kShape.size() + 4) return std::nullopt;
  const std::string_view year = text.substr(0, text.size() - kShape.size());
  const bool expanded = year[0] == '+' || year[0] == '-';
  if (expanded ? year.size() < 6 || year.size() > 10 : year.size() != 4) return std::nullopt;
  for (std::size_t i = expanded ? 1 : 0; i < year.size(); ++i)
    if (year[i] < '0' || year[i] > '9') return std::nullopt;
  const std::string_view rest = text.substr(year.size());
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const bool ok = kShape[i] == 'd' ? rest[i] >= '0' && rest[i] <= '9' : rest[i] == kShape[i];
    if (!ok) return std::nullopt;
  }
  if (rest.substr(13, 2) > "59") return std::nullopt;  // no leap seconds: they would not read back equal
  return parseDateText(text);
}

}  // namespace detail
}  // namespace rw::plist

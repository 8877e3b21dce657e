#include "payload/plist.h"

#include <cmath>
#include <cstring>

#include "payload/plist_internal.h"

namespace rw::plist {

const Value* Value::find(std::string_view key) const {
  const auto* dictionary = get<Dictionary>();
  if (dictionary == nullptr) return nullptr;
  // The last occurrence wins, so search from the back.
  for (auto it = dictionary->rbegin(); it != dictionary->rend(); ++it)
    if (it->first == key) return &it->second;
  return nullptr;
}

bool operator==(const Value& a, const Value& b) {
  // Reals compare as numbers, except that NaN equals NaN: a value read back from what was written must
  // compare equal to the original. Containers recurse through this operator.
  if (const auto* x = a.get<double>()) {
    const auto* y = b.get<double>();
    return y != nullptr && (*x == *y || (std::isnan(*x) && std::isnan(*y)));
  }
  return a.storage == b.storage;
}

Result<Value> parse(std::span<const std::uint8_t> bytes) {
  static constexpr char kMagic[] = "bplist00";
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kMagic, 8) == 0) return parseBinary(bytes);
  return parseXml(bytes);
}

Result<Value> parse(std::span<const std::uint8_t> bytes, KeyFilter keep) {
  static constexpr char kMagic[] = "bplist00";
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kMagic, 8) == 0) return parseBinary(bytes);
  return detail::parseXmlKeeping(bytes, keep);
}

std::optional<std::vector<std::uint8_t>> write(const Value& value, Format format) {
  return format == Format::binary ? detail::writeBinary(value) : detail::writeXml(value);
}

namespace detail {

bool appendUtf16BeAsUtf8(const std::uint8_t* bytes, std::size_t units, std::string& out) {
  const std::size_t start = out.size();
  // Worst case three UTF-8 bytes per unit (a surrogate pair gives four bytes for two units).
  out.resize(start + units * 3);
  char* dst = out.data() + start;
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t c = static_cast<std::uint32_t>(bytes[2 * i]) << 8 | bytes[2 * i + 1];
    if (c < 0x80) {
      *dst++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c >= 0xDC00 || i + 1 == units) return false;
      const std::uint32_t low = static_cast<std::uint32_t>(bytes[2 * i + 2]) << 8 | bytes[2 * i + 3];
      if (low < 0xDC00 || low > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    }
    if (c < 0x800) {
      *dst++ = static_cast<char>(0xC0 | c >> 6);
    } else if (c < 0x10000) {
      *dst++ = static_cast<char>(0xE0 | c >> 12);
      *dst++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    } else {
      *dst++ = static_cast<char>(0xF0 | c >> 18);
      *dst++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
      *dst++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    *dst++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return true;
}

std::int32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length;
  std::uint32_t c;
  std::uint32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return -1;
  }
  if (text.size() - pos < static_cast<std::size_t>(length)) return -1;
  for (int k = 1; k < length; ++k) {
    const std::uint8_t next = byte(pos + static_cast<std::size_t>(k));
    if ((next & 0xC0) != 0x80) return -1;
    c = c << 6 | (next & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
  pos += static_cast<std::size_t>(length);
  return static_cast<std::int32_t>(c);
}

std::optional<std::size_t> appendUtf8AsUtf16Be(std::string_view text, std::vector<std::uint8_t>& out) {
  std::size_t units = 0;
  const auto put = [&](std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    ++units;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const std::int32_t c = nextCodePoint(text, pos);
    if (c < 0) return std::nullopt;
    if (c < 0x10000) {
      put(static_cast<std::uint32_t>(c));
    } else {
      const auto v = static_cast<std::uint32_t>(c) - 0x10000;
      put(0xD800 + (v >> 10));
      put(0xDC00 + (v & 0x3FF));
    }
  }
  return units;
}

}  // namespace detail
}  // namespace rw::plist

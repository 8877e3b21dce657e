// The binary property-list form ("bplist00").
//
// Layout: the 8-byte magic, the objects, a table of object offsets, and a 32-byte trailer naming the
// width of an offset, the width of an object reference, the number of objects, the top object and where
// the offset table starts. Containers refer to their elements by index into the offset table, so one
// object may be referenced many times (writers share repeated strings) and a hostile file may make an
// object contain itself.
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>

#include "payload/plist.h"
#include "payload/plist_internal.h"

namespace rw::plist {
namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;

using detail::readBigEndian;

/// Bytes needed to hold `value` (1 to 8).
unsigned widthFor(std::uint64_t value) {
  unsigned width = 1;
  while (width < 8 && (value >> (8 * width)) != 0)
    ++width;
  return width;
}

// ---------------------------------------------------------------------------------------------------
// Reading

class BinaryReader {
 public:
  explicit BinaryReader(std::span<const std::uint8_t> bytes)
      : data_(bytes.data()), size_(bytes.size()), budget_(detail::binaryReadingBudget(size_)) {}

  Result<Value> run() {
    Value top;
    if (!readTrailer() || !readValue(topObject_, 0, top)) {
      // The object read last is where the reading stopped: the one at fault, or the container whose
      // elements it was checking.
      return Failure{std::move(error_), reading_ ? "object at byte offset " + std::to_string(*reading_) : ""};
    }
    return top;
  }

 private:
  enum State : std::uint8_t { kUnseen, kInProgress, kChecked };
  std::optional<std::uint64_t> reading_;  // the offset of the object read last

  bool fail(std::string reason) {
    error_ = std::move(reason);
    return false;
  }

  bool charge(std::uint64_t cost) {
    if (cost > budget_) return fail("object graph too large");
    budget_ -= cost;
    return true;
  }

  bool readTrailer() {
    const auto layout = detail::readBinaryLayout({data_, size_});
    if (!layout) return fail(layout.error().reason);
    offsetSize_ = layout->offsetSize;
    refSize_ = layout->refSize;
    numObjects_ = layout->numObjects;
    topObject_ = layout->topObject;
    tableOffset_ = layout->tableOffset;
    state_.assign(numObjects_, kUnseen);
    return true;
  }

  /// Where object `index` starts, checked to lie among the objects.
  bool objectOffset(std::uint64_t index, std::uint64_t& offset) {
    if (index >= numObjects_) return fail("object reference out of range");
    offset = readBigEndian(data_ + tableOffset_ + index * offsetSize_, offsetSize_);
    if (offset < kHeaderSize || offset >= tableOffset_) return fail("object offset out of range");
    return true;
  }

  /// Reads an object's element count, from the marker's low nibble or from the integer that follows it,
  /// and checks that `count` elements of `unitSize` bytes fit before the offset table. `pos` ends on the
  /// first element.
  bool readCount(std::uint64_t& pos, std::uint64_t& count, std::uint64_t unitSize) {
    count = data_[pos] & 0x0F;
    ++pos;
    if (count == 0x0F) {
      if (pos >= tableOffset_) return fail("truncated count");
      const std::uint8_t marker = data_[pos];
      if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return fail("bad count");
      const unsigned width = 1u << (marker & 0x0F);
      ++pos;
      if (tableOffset_ - pos < width) return fail("truncated count");
      count = readBigEndian(data_ + pos, width);
      pos += width;
    }
    if (count > (tableOffset_ - pos) / unitSize) return fail("count larger than the file");
    return true;
  }

  bool readRef(std::uint64_t pos, std::uint64_t& index) {
    index = readBigEndian(data_ + pos, refSize_);
    if (index >= numObjects_) return fail("object reference out of range");
    return true;
  }

  /// Reads the string object `index` into `out` (used for keys and string values alike). Each string
  /// object is checked once; UTF-16 strings are converted once and then copied from a cache.
  bool readString(std::uint64_t index, std::string& out, bool& isString) {
    std::uint64_t pos;
    if (!objectOffset(index, pos)) return false;
    const std::uint8_t kind = data_[pos] >> 4;
    isString = kind == 0x5 || kind == 0x6;
    if (!isString) return true;
    std::uint64_t count;
    if (!readCount(pos, count, kind == 0x5 ? 1 : 2)) return false;
    const char* text = reinterpret_cast<const char*>(data_ + pos);
    if (kind == 0x5) {
      if (state_[index] != kChecked) {
        for (std::uint64_t i = 0; i < count; ++i)
          if (static_cast<unsigned char>(text[i]) >= 0x80) return fail("non-ASCII byte in an ASCII string");
        state_[index] = kChecked;
      }
      if (!charge(count)) return false;
      out.assign(text, count);
      return true;
    }
    if (auto cached = utf16Cache_.find(index); cached != utf16Cache_.end()) {
      if (!charge(cached->second.size())) return false;
      out = cached->second;
      return true;
    }
    std::string converted;
    if (!detail::appendUtf16BeAsUtf8(data_ + pos, count, converted)) return fail("invalid UTF-16 string");
    if (!charge(converted.size())) return false;
    out = converted;
    utf16Cache_.emplace(index, std::move(converted));
    return true;
  }

  bool readValue(std::uint64_t index, int depth, Value& out) {
    std::uint64_t pos;
    if (!objectOffset(index, pos)) return false;
    reading_ = pos;
    const std::uint8_t marker = data_[pos];
    const std::uint8_t low = marker & 0x0F;
    const std::uint64_t end = tableOffset_;
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08 || marker == 0x09) {
          out = marker == 0x09;
          return true;
        }
        return fail("unsupported object");
      case 0x1: {
        if (low > 4) return fail("bad integer width");
        const unsigned width = 1u << low;
        if (end - pos - 1 < width) return fail("truncated integer");
        const std::uint8_t* p = data_ + pos + 1;
        if (width <= 8) {
          // 1, 2 and 4 bytes are unsigned, 8 bytes signed.
          out = Integer{static_cast<std::int64_t>(readBigEndian(p, width)), false};
          return true;
        }
        // 16 bytes: a signed 128-bit number, accepted when it fits an Integer.
        const std::uint64_t high = readBigEndian(p, 8);
        const std::uint64_t lowBits = readBigEndian(p + 8, 8);
        const auto value = static_cast<std::int64_t>(lowBits);
        if (high == 0) {
          out = Integer{value, value < 0};
        } else if (high == ~std::uint64_t{0} && value < 0) {
          out = Integer{value, false};
        } else {
          return fail("integer out of range");
        }
        return true;
      }
      case 0x2:
        if (low == 2) {
          if (end - pos - 1 < 4) return fail("truncated real");
          out = static_cast<double>(
              std::bit_cast<float>(static_cast<std::uint32_t>(readBigEndian(data_ + pos + 1, 4))));
          return true;
        }
        if (low == 3) {
          if (end - pos - 1 < 8) return fail("truncated real");
          out = std::bit_cast<double>(readBigEndian(data_ + pos + 1, 8));
          return true;
        }
        return fail("bad real width");
      case 0x3: {
        if (marker != 0x33) return fail("bad date");
        if (end - pos - 1 < 8) return fail("truncated date");
        const Date date{std::bit_cast<double>(readBigEndian(data_ + pos + 1, 8))};
        if (!isFinite(date)) return fail("date is not a finite number");
        out = date;
        return true;
      }
      case 0x4: {
        std::uint64_t count;
        if (!readCount(pos, count, 1) || !charge(count)) return false;
        out = Data{std::vector<std::uint8_t>(data_ + pos, data_ + pos + count)};
        return true;
      }
      case 0x5:
      case 0x6: {
        bool isString;
        return readString(index, out.storage.emplace<std::string>(), isString);
      }
      case 0x8: {
        const unsigned width = low + 1u;
        if (width > 8) return fail("UID too wide");
        if (end - pos - 1 < width) return fail("truncated UID");
        out = Uid{readBigEndian(data_ + pos + 1, width)};
        return true;
      }
      case 0xA:
        return readArray(index, pos, depth, out);
      case 0xD:
        return readDictionary(index, pos, depth, out);
      default:
        return fail("unsupported object");
    }
  }

  /// Marks a container as being read, refusing one that (indirectly) contains itself. A container that
  /// is merely referenced twice is read twice.
  bool enter(std::uint64_t index, int depth) {
    if (depth >= detail::kMaxDepth) return fail("nesting too deep");
    if (state_[index] == kInProgress) return fail("object contains itself");
    state_[index] = kInProgress;
    return true;
  }

  /// Room for one more element in `elements`, which will hold at most `count`: the capacity doubles, from 16,
  /// up to `count`, so it stays within twice what was read and within what was charged.
  template <class Elements>
  static void makeRoom(Elements& elements, std::uint64_t count) {
    if (elements.size() < elements.capacity()) return;
    elements.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(count, std::max<std::size_t>(16, 2 * elements.size()))));
  }

  bool readArray(std::uint64_t index, std::uint64_t pos, int depth, Value& out) {
    std::uint64_t count;
    if (!enter(index, depth) || !readCount(pos, count, refSize_) || !charge(count * sizeof(Value)))
      return false;
    // Grown as elements are read, never past `count`: a count the file cannot back costs nothing.
    Array& array = out.storage.emplace<Array>();
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t child;
      if (!readRef(pos + i * refSize_, child)) return false;
      makeRoom(array, count);
      if (!readValue(child, depth + 1, array.emplace_back())) return false;
    }
    state_[index] = kChecked;
    return true;
  }

  bool readDictionary(std::uint64_t index, std::uint64_t pos, int depth, Value& out) {
    std::uint64_t count;
    if (!enter(index, depth) || !readCount(pos, count, 2 * std::uint64_t{refSize_}) ||
        !charge(count * sizeof(Dictionary::value_type)))
      return false;
    Dictionary& dictionary = out.storage.emplace<Dictionary>();
    const std::uint64_t valuesPos = pos + count * refSize_;
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t key, value;
      bool isString;
      if (!readRef(pos + i * refSize_, key)) return false;
      makeRoom(dictionary, count);
      auto& entry = dictionary.emplace_back();
      if (!readString(key, entry.first, isString)) return false;
      if (!isString) return fail("dictionary key is not a string");
      if (!readRef(valuesPos + i * refSize_, value) || !readValue(value, depth + 1, entry.second))
        return false;
    }
    state_[index] = kChecked;
    return true;
  }

  const std::uint8_t* data_;
  std::uint64_t size_;
  unsigned offsetSize_ = 0;
  unsigned refSize_ = 0;
  std::uint64_t numObjects_ = 0;
  std::uint64_t topObject_ = 0;
  std::uint64_t tableOffset_ = 0;
  std::uint64_t budget_ = 0;
  std::vector<std::uint8_t> state_;  // one State per object
  std::unordered_map<std::uint64_t, std::string> utf16Cache_;
  std::string error_;
};

}  // namespace

Result<detail::BinaryLayout> detail::readBinaryLayout(std::span<const std::uint8_t> bytes) {
  const auto fail = [](const char* reason) { return Failure{reason}; };
  const std::uint64_t size = bytes.size();
  if (size < kHeaderSize + 1 + kTrailerSize) return fail("truncated file");
  const std::uint8_t* trailer = bytes.data() + size - kTrailerSize;
  BinaryLayout layout;
  layout.offsetSize = trailer[6];
  layout.refSize = trailer[7];
  layout.numObjects = readBigEndian(trailer + 8, 8);
  layout.topObject = readBigEndian(trailer + 16, 8);
  layout.tableOffset = readBigEndian(trailer + 24, 8);
  if (layout.offsetSize < 1 || layout.offsetSize > 8) return fail("bad offset width");
  if (layout.refSize < 1 || layout.refSize > 8) return fail("bad object reference width");
  if (layout.numObjects == 0) return fail("no objects");
  if (layout.topObject >= layout.numObjects) return fail("top object out of range");
  const std::uint64_t tableEnd = size - kTrailerSize;
  if (layout.tableOffset < kHeaderSize + 1 || layout.tableOffset > tableEnd)
    return fail("offset table out of range");
  // Written as a division so that a huge object count cannot overflow the check.
  if (layout.numObjects > (tableEnd - layout.tableOffset) / layout.offsetSize)
    return fail("offset table truncated");
  return layout;
}

namespace {

// ---------------------------------------------------------------------------------------------------
// Writing

class BinaryWriter {
 public:
  std::optional<std::vector<std::uint8_t>> run(const Value& top) {
    if (!flatten(top, 0)) return std::nullopt;
    refSize_ = widthFor(objects_.size() - 1);

    out_.reserve(kHeaderSize + objects_.size() * 12 + kTrailerSize);
    out_.assign({'b', 'p', 'l', 'i', 's', 't', '0', '0'});
    std::vector<std::uint64_t> offsets;
    offsets.reserve(objects_.size());
    for (const Object& object : objects_) {
      offsets.push_back(out_.size());
      if (!writeObject(object)) return std::nullopt;
    }

    const std::uint64_t tableOffset = out_.size();
    const unsigned offsetSize = widthFor(offsets.back());
    for (std::uint64_t offset : offsets)
      putBigEndian(offset, offsetSize);
    out_.insert(out_.end(), 6, 0);
    out_.push_back(static_cast<std::uint8_t>(offsetSize));
    out_.push_back(static_cast<std::uint8_t>(refSize_));
    putBigEndian(objects_.size(), 8);
    putBigEndian(0, 8);  // the top object is written first
    putBigEndian(tableOffset, 8);
    return std::move(out_);
  }

 private:
  /// One object of the file: a value, or a dictionary key (then `key` is set). Containers own the
  /// range [firstChild, firstChild + childCount) of `children_`; a dictionary's keys come first.
  struct Object {
    const Value* value = nullptr;
    const std::string* key = nullptr;
    std::size_t firstChild = 0;
    std::size_t childCount = 0;
  };

  std::size_t add(Object object) {
    objects_.push_back(object);
    return objects_.size() - 1;
  }

  /// Shares scalars that are equal (strings above all: keys repeat in every record).
  template <class Map, class Key>
  std::size_t shared(Map& map, const Key& key, Object object) {
    auto [it, inserted] = map.try_emplace(key, objects_.size());
    if (inserted) objects_.push_back(object);
    return it->second;
  }

  std::optional<std::size_t> flatten(const Value& value, int depth) {
    if (const auto* text = value.get<std::string>())
      return shared(strings_, std::string_view(*text), {&value});
    if (const auto* flag = value.get<bool>()) return shared(booleans_, *flag, {&value});
    if (const auto* integer = value.get<Integer>())
      return shared(integer->isUnsignedAboveInt64 && integer->value < 0 ? unsignedIntegers_ : integers_,
                    static_cast<std::uint64_t>(integer->value), {&value});
    if (const auto* real = value.get<double>())
      return shared(reals_, std::bit_cast<std::uint64_t>(*real), {&value});
    if (const auto* date = value.get<Date>()) {
      if (!isFinite(*date)) return std::nullopt;
      return shared(dates_, std::bit_cast<std::uint64_t>(date->sinceReferenceDate), {&value});
    }
    if (const auto* uid = value.get<Uid>()) return shared(uids_, uid->value, {&value});
    if (value.get<Data>() != nullptr) return add({&value});

    if (depth >= detail::kMaxDepth) return std::nullopt;
    const std::size_t index = add({&value});
    const std::size_t first = children_.size();
    if (const auto* array = value.get<Array>()) {
      children_.resize(first + array->size());
      for (std::size_t i = 0; i < array->size(); ++i) {
        const auto child = flatten((*array)[i], depth + 1);
        if (!child) return std::nullopt;
        children_[first + i] = *child;
      }
      objects_[index].childCount = array->size();
    } else {
      const auto& dictionary = *value.get<Dictionary>();
      const std::size_t count = dictionary.size();
      children_.resize(first + 2 * count);
      for (std::size_t i = 0; i < count; ++i) {
        const std::string& key = dictionary[i].first;
        children_[first + i] = shared(strings_, std::string_view(key), {nullptr, &key});
        const auto child = flatten(dictionary[i].second, depth + 1);
        if (!child) return std::nullopt;
        children_[first + count + i] = *child;
      }
      objects_[index].childCount = count;
    }
    objects_[index].firstChild = first;
    return index;
  }

  void putBigEndian(std::uint64_t value, unsigned width) {
    for (unsigned i = width; i-- > 0;)
      out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }

  /// A marker with the count in its low nibble, or with 0xF and the count as an integer object after it.
  void putMarker(std::uint8_t kind, std::uint64_t count) {
    if (count < 15) {
      out_.push_back(static_cast<std::uint8_t>(kind << 4 | count));
      return;
    }
    out_.push_back(static_cast<std::uint8_t>(kind << 4 | 0xF));
    const unsigned width = std::bit_ceil(widthFor(count));
    out_.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(width)));
    putBigEndian(count, width);
  }

  bool writeString(std::string_view text) {
    bool ascii = true;
    for (char c : text)
      ascii &= static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
      putMarker(0x5, text.size());
      out_.insert(out_.end(), text.begin(), text.end());
      return true;
    }
    scratch_.clear();
    const auto units = detail::appendUtf8AsUtf16Be(text, scratch_);
    if (!units) return false;
    putMarker(0x6, *units);
    out_.insert(out_.end(), scratch_.begin(), scratch_.end());
    return true;
  }

  bool writeObject(const Object& object) {
    if (object.key != nullptr) return writeString(*object.key);
    const Value& value = *object.value;
    if (const auto* text = value.get<std::string>()) return writeString(*text);
    if (const auto* flag = value.get<bool>()) {
      out_.push_back(*flag ? 0x09 : 0x08);
    } else if (const auto* integer = value.get<Integer>()) {
      const auto bits = static_cast<std::uint64_t>(integer->value);
      if (integer->isUnsignedAboveInt64 && integer->value < 0) {
        out_.push_back(0x14);
        putBigEndian(0, 8);
        putBigEndian(bits, 8);
      } else if (integer->value < 0 || bits > 0xFFFFFFFF) {
        out_.push_back(0x13);
        putBigEndian(bits, 8);
      } else {
        const unsigned width = std::bit_ceil(widthFor(bits));
        out_.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(width)));
        putBigEndian(bits, width);
      }
    } else if (const auto* real = value.get<double>()) {
      out_.push_back(0x23);
      putBigEndian(std::bit_cast<std::uint64_t>(*real), 8);
    } else if (const auto* date = value.get<Date>()) {
      out_.push_back(0x33);
      putBigEndian(std::bit_cast<std::uint64_t>(date->sinceReferenceDate), 8);
    } else if (const auto* data = value.get<Data>()) {
      putMarker(0x4, data->bytes.size());
      out_.insert(out_.end(), data->bytes.begin(), data->bytes.end());
    } else if (const auto* uid = value.get<Uid>()) {
      const unsigned width = std::bit_ceil(widthFor(uid->value));
      out_.push_back(static_cast<std::uint8_t>(0x80 | (width - 1)));
      putBigEndian(uid->value, width);
    } else {
      const bool isArray = value.get<Array>() != nullptr;
      putMarker(isArray ? 0xA : 0xD, object.childCount);
      const std::size_t refs = isArray ? object.childCount : 2 * object.childCount;
      for (std::size_t i = 0; i < refs; ++i)
        putBigEndian(children_[object.firstChild + i], refSize_);
    }
    return true;
  }

  std::vector<Object> objects_;
  std::vector<std::size_t> children_;
  std::unordered_map<std::string_view, std::size_t> strings_;
  std::unordered_map<bool, std::size_t> booleans_;
  std::unordered_map<std::uint64_t, std::size_t> integers_, unsignedIntegers_, reals_, dates_, uids_;
  unsigned refSize_ = 1;
  std::vector<std::uint8_t> out_;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace

Result<Value> parseBinary(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "bplist00", kHeaderSize) != 0)
    return Failure{"not a binary property list"};
  return BinaryReader(bytes).run();
}

namespace detail {

std::optional<std::vector<std::uint8_t>> writeBinary(const Value& value) {
  return BinaryWriter().run(value);
}

}  // namespace detail
}  // namespace rw::plist

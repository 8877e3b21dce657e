#include "payload/payload_coding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "payload/fields.h"
#include "payload/payload_direct.h"

namespace rw {
namespace {

// The first failure and where it happened, and the storage that the texts of the events being decoded go
// into (null where nothing is kept). When `all` is set, decoding goes on past a failure: each field and
// array element that fails adds its failure there, under the path `at` of the value being read.
struct Error {
  std::string reason;
  std::string codingPath;
  PayloadStorage* storage = nullptr;
  std::vector<Failure>* all = nullptr;
  std::string at;
};

// Where a failure happened is only worked out on the way back up, so decoding that succeeds builds no path
// texts at all.
void prependKey(Error& error, std::string_view key) {
  std::string path(key);
  if (!error.codingPath.empty() && error.codingPath.front() != '[') path.push_back('.');
  error.codingPath = path + error.codingPath;
}

void prependIndex(Error& error, size_t index) {
  std::string path = "[" + std::to_string(index) + "]";
  if (!error.codingPath.empty() && error.codingPath.front() != '[') path.push_back('.');
  error.codingPath = path + error.codingPath;
}

// Collecting: the failure just met, relative to `error.at`, joins the others; decoding goes on.
void keepFailure(Error& error) {
  std::string where = error.at;
  if (!where.empty() && !error.codingPath.empty() && error.codingPath.front() != '[') where.push_back('.');
  error.all->emplace_back(std::move(error.reason), where + error.codingPath);
  error.reason.clear();
  error.codingPath.clear();
}

// Collecting: `read()` with `step` (".key" or "[3]") added to the path of the value being read.
template <class Read>
bool readAt(Error& error, std::string_view step, Read read) {
  const std::size_t length = error.at.size();
  error.at.append(error.at.empty() && step.front() == '.' ? step.substr(1) : step);
  const bool ok = read();
  error.at.resize(length);
  return ok;
}

// What a field of type `T` must hold, for the reason given when its key is missing.
template <class T>
std::string expectedValue() {
  if constexpr (requires { RawValues<T>::table; }) {
    std::string text = "a string, one of";
    for (const auto& [value, raw] : RawValues<T>::table)
      text.append(" \"").append(raw).append("\"");
    return text;
  } else if constexpr (std::is_same_v<T, Date>) {
    return "a date";
  } else if constexpr (std::is_same_v<T, const URL*>) {
    return "a dictionary {relative, base?}";
  } else if constexpr (std::is_same_v<T, CompactList<std::string_view>>) {
    return "an array of strings";
  } else if constexpr (std::is_same_v<T, EventRecords> ||
                       std::is_same_v<T, std::vector<WidgetPersonPayload>>) {
    return "an array of dictionaries";
  } else {
    return "a string";  // texts, and the colour's query text
  }
}

std::string_view kindOf(const plist::Value& value) {
  static constexpr std::array<std::string_view, 9> kinds{
      "a boolean", "an integer", "a real number", "a string", "data",
      "a date",    "an array",   "a dictionary",  "a UID",
  };
  static_assert(std::variant_size_v<decltype(value.storage)> == kinds.size());
  return kinds[value.storage.index()];
}

bool typeMismatch(Error& error, std::string_view expected, const plist::Value& found) {
  error.reason = "expected ";
  error.reason.append(expected).append(", found ").append(kindOf(found));
  return false;
}

// The values of `keys` in `dictionary`, by position in `keys`; a key that occurs twice keeps its last value,
// and keys not in `keys` are passed over.
template <size_t N>
std::array<const plist::Value*, N> collect(const plist::Dictionary& dictionary,
                                           const std::array<std::string_view, N>& keys) {
  std::array<const plist::Value*, N> slots{};
  for (const auto& [key, value] : dictionary) {
    for (size_t i = 0; i < N; ++i) {
      if (key == keys[i]) {
        slots[i] = &value;
        break;
      }
    }
  }
  return slots;
}

// Every reader, declared up front so that the templates below see them all.
bool read(const plist::Value& value, std::string& out, Error& error);
bool read(const plist::Value& value, std::string_view& out, Error& error);
bool read(const plist::Value& value, CompactText& out, Error& error);
bool read(const plist::Value& value, CompactList<std::string_view>& out, Error& error);
bool read(const plist::Value& value, const URL*& out, Error& error);
bool read(const plist::Value& value, Date& out, Error& error);
bool read(const plist::Value& value, ColorEncoded& out, Error& error);
template <class Record>  // a record with listed fields
bool read(const plist::Value& value, Record& record, Error& error);
// Arrays of strings and of records alike: elements in order, the first failure names its index.
template <class Element, class Allocator>
bool read(const plist::Value& value, std::vector<Element, Allocator>& out, Error& error);

bool read(const plist::Value& value, std::string& out, Error& error) {
  const auto* text = value.get<std::string>();
  if (text == nullptr) return typeMismatch(error, "a string", value);
  out = *text;
  return true;
}

bool read(const plist::Value& value, std::string_view& out, Error& error) {
  const auto* text = value.get<std::string>();
  if (text == nullptr) return typeMismatch(error, "a string", value);
  out = error.storage->keep(*text);
  return true;
}

bool read(const plist::Value& value, CompactText& out, Error& error) {
  std::string_view text;
  if (!read(value, text, error)) return false;
  out = text;
  return true;
}

bool read(const plist::Value& value, CompactList<std::string_view>& out, Error& error) {
  std::vector<std::string_view> texts;
  if (!read(value, texts, error)) return false;
  out = error.storage->keepList(texts);
  return true;
}

bool read(const plist::Value& value, Date& out, Error& error) {
  const auto* date = value.get<Date>();
  if (date == nullptr) return typeMismatch(error, "a date", value);
  // The readers already refuse such dates; a value built in memory might still carry one.
  if (!isFinite(*date)) {
    error.reason = "date is not a finite number";
    return false;
  }
  out = *date;
  return true;
}

template <class E>
requires requires {
  RawValues<E>::table;
}
bool read(const plist::Value& value, E& out, Error& error) {
  const auto* text = value.get<std::string>();
  if (text == nullptr) return typeMismatch(error, "a string", value);
  const auto decoded = fromRawValue<E>(*text);
  if (!decoded) {
    error.reason = "no ";
    error.reason.append(RawValues<E>::typeName).append(" has the raw value \"").append(*text).append("\"");
    error.reason.append(" (expected ").append(expectedValue<E>().substr(10)).append(")");
    return false;
  }
  out = *decoded;
  return true;
}

bool read(const plist::Value& value, ColorEncoded& out, Error& error) {
  const auto* text = value.get<std::string>();
  if (text == nullptr) return typeMismatch(error, "a string", value);
  out = ColorEncoded::fromRawValue(*text);  // never fails: an unusable text gives the default colour
  return true;
}

bool readURL(const plist::Value& value, std::optional<URL>& out, Error& error) {
  static constexpr std::array<std::string_view, 2> kKeys{"relative", "base"};
  const auto* dictionary = value.get<plist::Dictionary>();
  if (dictionary == nullptr) return typeMismatch(error, "a dictionary", value);
  const auto slots = collect(*dictionary, kKeys);
  if (slots[0] == nullptr) {
    error.reason = "missing key";
    error.codingPath = kKeys[0];
    return false;
  }
  std::string relative;
  if (!read(*slots[0], relative, error)) {
    prependKey(error, kKeys[0]);
    return false;
  }
  std::optional<URL> base;
  if (slots[1] != nullptr && !readURL(*slots[1], base, error)) {
    prependKey(error, kKeys[1]);
    return false;
  }
  out = URL::make(relative, std::move(base));
  if (!out) {
    error.reason = "not a URL: \"" + relative + "\"";
    return false;
  }
  return true;
}

bool read(const plist::Value& value, const URL*& out, Error& error) {
  std::optional<URL> url;
  if (!readURL(value, url, error)) return false;
  out = error.storage->keep(std::move(*url));
  return true;
}

// Reads the required field at `slot` of `slots` into `out`.
template <size_t N, class T>
bool field(const std::array<const plist::Value*, N>& slots, const std::array<std::string_view, N>& keys,
           size_t slot, T& out, Error& error) {
  if (slots[slot] == nullptr) {
    error.reason = "missing key, expected " + expectedValue<T>();
    error.codingPath = keys[slot];
    if (error.all == nullptr) return false;
    keepFailure(error);
    return true;
  }
  if (error.all == nullptr) {
    if (read(*slots[slot], out, error)) return true;
    prependKey(error, keys[slot]);
    return false;
  }
  const std::string step = "." + std::string(keys[slot]);
  if (!readAt(error, step, [&] { return read(*slots[slot], out, error); })) {
    prependKey(error, keys[slot]);
    keepFailure(error);
  }
  return true;
}

using detail::kPayloadKeys;

// The keys the records read, by the keys that lead to them: the payload's, an event's or a person's, and
// those of an event's URL and of its bases.
bool isPayloadKey(std::span<const std::string_view> keys) {
  const auto among = [](std::string_view key, const auto& list) {
    return std::ranges::find(list, key) != list.end();
  };
  static constexpr std::array<std::string_view, 2> kUrlKeys{"relative", "base"};
  if (keys.size() == 1) return among(keys[0], kPayloadKeys);
  if (keys[0] == "persons") return keys.size() == 2 && among(keys[1], keysOf<WidgetPersonPayload>);
  if (keys[0] != "events" || !among(keys[1], keysOf<WidgetEventPayload>)) return false;
  if (keys.size() == 2) return true;
  if (keys[1] != "actionURL" || !among(keys.back(), kUrlKeys)) return false;
  return std::ranges::all_of(keys.subspan(2, keys.size() - 3),
                             [](std::string_view key) { return key == "base"; });
}

// A record: its fields in coding order, the first failure stopping the rest. The record is a new one, so an
// optional field whose key is absent keeps its initial value.
template <class Record>
bool read(const plist::Value& value, Record& record, Error& error) {
  const auto* dictionary = value.get<plist::Dictionary>();
  if (dictionary == nullptr) return typeMismatch(error, "a dictionary", value);
  const auto slots = collect(*dictionary, keysOf<Record>);
  return everyField<Record>([&](auto f) {
    return (!f.required && slots[f.index] == nullptr) ||
           field(slots, keysOf<Record>, f.index, record.*f.member, error);
  });
}

template <class Element, class Allocator>
bool read(const plist::Value& value, std::vector<Element, Allocator>& out, Error& error) {
  const auto* array = value.get<plist::Array>();
  if (array == nullptr) return typeMismatch(error, "an array", value);
  out.clear();
  out.reserve(array->size());
  for (size_t i = 0; i < array->size(); ++i) {
    if (error.all != nullptr) {
      if (!readAt(error, "[" + std::to_string(i) + "]",
                  [&] { return read((*array)[i], out.emplace_back(), error); })) {
        prependIndex(error, i);
        keepFailure(error);
      }
      continue;
    }
    if (!read((*array)[i], out.emplace_back(), error)) {
      prependIndex(error, i);
      return false;
    }
  }
  return true;
}

// The nested dictionary form of a URL.
plist::Value encodeURL(const URL& url) {
  plist::Dictionary d;
  d.emplace_back("relative", url.relativeString());
  if (const URL* base = url.baseURL()) d.emplace_back("base", encodeURL(*base));
  return d;
}

// The property-list value of a record's field.
template <class T>
plist::Value encode(const T& value) {
  if constexpr (requires { RawValues<T>::table; }) {
    return std::string(rawValue(value));
  } else if constexpr (std::is_same_v<T, CompactList<std::string_view>>) {
    plist::Array array;
    array.reserve(value.size());
    for (const std::string_view text : value)
      array.emplace_back(std::string(text));
    return array;
  } else if constexpr (std::is_same_v<T, const URL*>) {
    return encodeURL(*value);
  } else if constexpr (std::is_same_v<T, ColorEncoded>) {
    return value.rawValue();
  } else if constexpr (std::is_same_v<T, CompactText>) {
    return std::string(value);
  } else {
    return value;  // texts kept as strings, and dates
  }
}

// A record's dictionary: keys in coding order, an optional field only when present.
template <class Record>
plist::Value encodeRecord(const Record& record) {
  plist::Dictionary d;
  d.reserve(keysOf<Record>.size());
  everyField<Record>([&](auto f) {
    if constexpr (!f.required)
      if (!present(record.*f.member)) return true;
    d.emplace_back(f.key, encode(record.*f.member));
    return true;
  });
  return d;
}

}  // namespace

std::vector<Failure> checkPayload(const plist::Value& root) {
  std::vector<Failure> failures;
  RemindersWidgetPayload payload;
  payload.storage = std::make_shared<PayloadStorage>();
  Error error;
  error.storage = payload.storage.get();
  error.all = &failures;
  const auto* dictionary = root.get<plist::Dictionary>();
  if (dictionary == nullptr) {
    typeMismatch(error, "a dictionary", root);
    keepFailure(error);
    return failures;
  }
  const auto slots = collect(*dictionary, kPayloadKeys);
  (void)field(slots, kPayloadKeys, 0, payload.events, error);
  (void)field(slots, kPayloadKeys, 1, payload.persons, error);
  return failures;
}

PayloadDecoding decodePayload(const plist::Value& root) {
  RemindersWidgetPayload payload;
  payload.storage = std::make_shared<PayloadStorage>();
  Error error;
  error.storage = payload.storage.get();
  const auto* dictionary = root.get<plist::Dictionary>();
  if (dictionary == nullptr) {
    typeMismatch(error, "a dictionary", root);
  } else {
    const auto slots = collect(*dictionary, kPayloadKeys);
    if (field(slots, kPayloadKeys, 0, payload.events, error) &&
        field(slots, kPayloadKeys, 1, payload.persons, error))
      return payload;
  }
  return Failure{std::move(error.reason), std::move(error.codingPath)};
}

PayloadDecoding decodePayload(ByteBuffer&& bytes) {
  auto storage = std::make_shared<PayloadStorage>();
  const std::span<const std::uint8_t> kept = storage->adopt(std::move(bytes));
  {
    RemindersWidgetPayload payload;
    payload.storage = storage;
    static constexpr std::string_view kBinaryMagic = "bplist00";
    const bool binary = kept.size() >= kBinaryMagic.size() &&
                        std::memcmp(kept.data(), kBinaryMagic.data(), kBinaryMagic.size()) == 0;
    std::size_t viewed = kept.size();
    if (binary ? detail::decodeBinaryPayloadDirectly(kept, payload, &viewed,
                                                     detail::decodingThreadsOfThisMachine())
               : detail::decodeXmlPayloadDirectly(kept, payload)) {
      // A binary file's offset table (a tenth of it) is not needed once the records are made.
      storage->shortenLastAdopted(viewed);
      return payload;
    }
  }
  // Everything the direct readers do not take, errors included, goes through the property-list tree, which
  // keeps only what the records read.
  auto parsed = plist::parse(kept, isPayloadKey);
  if (!parsed) return Failure{"not a property list: " + parsed.error().reason};
  return decodePayload(*parsed);
}

PayloadDecoding decodePayload(std::span<const std::uint8_t> bytes) {
  return decodePayload(ByteBuffer(bytes.begin(), bytes.end()));
}

plist::Value encodePayload(const RemindersWidgetPayload& payload) {
  plist::Array events;
  events.reserve(payload.events.size());
  for (const auto& event : payload.events)
    events.push_back(encodeRecord(event));
  plist::Array persons;
  persons.reserve(payload.persons.size());
  for (const auto& person : payload.persons)
    persons.push_back(encodeRecord(person));
  plist::Dictionary root;
  root.emplace_back(kPayloadKeys[0], std::move(events));
  root.emplace_back(kPayloadKeys[1], std::move(persons));
  return root;
}

std::optional<std::vector<std::uint8_t>> writePayload(const RemindersWidgetPayload& payload,
                                                      plist::Format format) {
  return plist::write(encodePayload(payload), format);
}

}  // namespace rw

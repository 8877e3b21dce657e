#include "payload_json.h"

#include <limits>
#include <type_traits>

#include "payload/fields.h"
#include "platform/date.h"

namespace rw::app {
namespace {

// The text that reads back to the very same instant; a date whose year has more than nine digits as its
// number of seconds since 2001-01-01T00:00:00Z. Dates from the decoder are finite; one built elsewhere
// that is not is written as null, which the reading side refuses.
Json dateJson(Date date) {
  if (!isFinite(date)) return Json(nullptr);
  if (auto text = formatDateText(date)) return Json(std::move(*text));
  return Json(date.sinceReferenceDate);
}

// A failure while reading, carrying where it happened; built only on the way out.
struct Refusal {
  std::string path;
  std::string reason;
  Failure failure() const { return Failure{reason, path.empty() ? "the root" : path}; }
};

std::string joinPath(std::string_view outer, const std::string& inner) {
  if (outer.empty()) return inner;
  std::string path(outer);
  if (!inner.empty() && inner.front() != '[') path.push_back('.');
  return path + inner;
}

class Reader {
 public:
  explicit Reader(const Json& object, std::string path) : object_(object), path_(std::move(path)) {}

  const Json* find(std::string_view key) const {
    const auto it = object_.find(std::string(key));
    return it == object_.end() ? nullptr : &*it;
  }

  const Json& required(std::string_view key) const {
    const Json* value = find(key);
    if (value == nullptr) throw Refusal{joinPath(path_, std::string(key)), "missing key"};
    return *value;
  }

  std::string string(std::string_view key) const {
    const Json& value = required(key);
    if (!value.is_string()) throw Refusal{joinPath(path_, std::string(key)), "expected a string"};
    return value.get<std::string>();
  }

  // The value at `key` into a record's field; texts, lists and URLs are kept in `payload`'s storage.
  void read(std::string_view key, std::string& out, RemindersWidgetPayload&) const { out = string(key); }
  void read(std::string_view key, CompactText& out, RemindersWidgetPayload& payload) const {
    out = payload.keep(string(key));
  }

  template <class E>
  void read(std::string_view key, E& out, RemindersWidgetPayload&) const {
    const std::string text = string(key);
    const auto value = fromRawValue<E>(text);
    if (!value) {
      throw Refusal{joinPath(path_, std::string(key)),
                    "no " + std::string(RawValues<E>::typeName) + " has the raw value \"" + text + "\""};
    }
    out = *value;
  }

  void read(std::string_view key, Date& out, RemindersWidgetPayload&) const {
    const Json& value = required(key);
    std::optional<Date> date;
    if (value.is_string())
      date = parseDateText(value.get_ref<const std::string&>());
    else if (value.is_number())
      date = Date{value.get<double>()};
    if (!date || !isFinite(*date))
      throw Refusal{
          joinPath(path_, std::string(key)),
          "expected an RFC 3339 date (a year may be expanded: +200000) or a finite number of seconds"};
    out = *date;
  }

  void read(std::string_view key, CompactList<std::string_view>& out, RemindersWidgetPayload& payload) const {
    const Json& value = required(key);
    const std::string where = joinPath(path_, std::string(key));
    if (!value.is_array()) throw Refusal{where, "expected an array"};
    std::vector<std::string_view> kept;
    kept.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
      if (!value[i].is_string()) throw Refusal{where + "[" + std::to_string(i) + "]", "expected a string"};
      kept.push_back(payload.keep(value[i].get_ref<const std::string&>()));
    }
    out = payload.keepList(kept);
  }

  void read(std::string_view key, const URL*& out, RemindersWidgetPayload& payload) const {
    const Json& value = required(key);
    const std::string where = joinPath(path_, std::string(key));
    if (!value.is_string()) throw Refusal{where, "expected a URL text or null"};
    auto url = URL::make(value.get_ref<const std::string&>());
    if (!url) throw Refusal{where, "not a URL: \"" + value.get<std::string>() + "\""};
    out = payload.keep(std::move(*url));
  }

  void read(std::string_view key, ColorEncoded& out, RemindersWidgetPayload&) const;

 private:
  const Json& object_;
  std::string path_;
};

Reader objectAt(const Json& json, std::string path) {
  if (!json.is_object()) throw Refusal{path, "expected an object"};
  return Reader(json, std::move(path));
}

ColorEncoded readColor(const Json& json, const std::string& path) {
  const Reader r = objectAt(json, path);
  ColorEncoded color;
  color.version = r.string("version");
  const Json& index = r.required("index");
  // A number_unsigned above INT64_MAX does not fit; floats are no integers, even 7.0.
  if (!index.is_number_integer() ||
      (index.is_number_unsigned() &&
       index.get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))
    throw Refusal{joinPath(path, "index"), "expected an integer that fits 64 bits"};
  color.index = index.get<std::int64_t>();
  return color;
}

void Reader::read(std::string_view key, ColorEncoded& out, RemindersWidgetPayload&) const {
  out = readColor(required(key), joinPath(path_, std::string(key)));
}

// A record, its fields in coding order; an optional field absent or null keeps its initial value.
template <class Record>
Record readRecord(const Json& json, const std::string& path, RemindersWidgetPayload& payload) {
  const Reader r = objectAt(json, path);
  Record record;
  everyField<Record>([&](auto f) {
    if constexpr (!f.required) {
      const Json* value = r.find(f.key);
      if (value == nullptr || value->is_null()) return true;
    }
    r.read(f.key, record.*f.member, payload);
    return true;
  });
  return record;
}

// `List` is a vector of records.
template <class List>
List readList(const Reader& root, std::string_view key, RemindersWidgetPayload& payload) {
  const Json& list = root.required(key);
  if (!list.is_array()) throw Refusal{std::string(key), "expected an array"};
  List out;
  out.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    out.push_back(readRecord<typename List::value_type>(
        list[i], std::string(key) + "[" + std::to_string(i) + "]", payload));
  return out;
}

// The JSON value of a record's field.
template <class T>
Json valueJson(const T& value) {
  if constexpr (requires { RawValues<T>::table; })
    return rawValue(value);
  else if constexpr (std::is_same_v<T, Date>)
    return dateJson(value);
  else if constexpr (std::is_same_v<T, const URL*>)
    return value->absoluteString();
  else if constexpr (std::is_same_v<T, ColorEncoded>)
    return toJson(value);
  else
    return value;  // texts, and lists of them
}

// A record's object, keys in coding order; an optional field that is absent is null.
template <class Record>
Json recordJson(const Record& record) {
  Json json = Json::object();
  everyField<Record>([&](auto f) {
    const auto& value = record.*f.member;
    if constexpr (f.required)
      json[std::string(f.key)] = valueJson(value);
    else
      json[std::string(f.key)] = present(value) ? valueJson(value) : Json(nullptr);
    return true;
  });
  return json;
}

}  // namespace

Json toJson(const ColorEncoded& color) {
  return Json{{"version", color.version}, {"index", color.index}};
}

Json toJson(const WidgetEventPayload& event) {
  return recordJson(event);
}

Json toJson(const WidgetPersonPayload& person) {
  return recordJson(person);
}

Json toJson(const RemindersWidgetPayload& payload) {
  Json events = Json::array();
  for (const auto& event : payload.events)
    events.push_back(toJson(event));
  Json persons = Json::array();
  for (const auto& person : payload.persons)
    persons.push_back(toJson(person));
  return Json{{"events", std::move(events)}, {"persons", std::move(persons)}};
}

Result<RemindersWidgetPayload> payloadFromJson(const Json& json) {
  try {
    const Reader root = objectAt(json, "");
    RemindersWidgetPayload payload;
    payload.events = readList<EventRecords>(root, "events", payload);
    payload.persons = readList<std::vector<WidgetPersonPayload>>(root, "persons", payload);
    return payload;
  } catch (const Refusal& refusal) {
    return refusal.failure();
  }
}

Result<ColorEncoded> colorEncodedFromJson(const Json& json) {
  try {
    return readColor(json, "");
  } catch (const Refusal& refusal) {
    return refusal.failure();
  }
}

}  // namespace rw::app

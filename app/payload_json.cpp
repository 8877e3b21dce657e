#include "payload_json.h"

#include <limits>

#include "platform/date.h"

namespace rw::app {
namespace {

// Dates from the decoder are always representable; one built elsewhere that is not is written as null,
// which the reading side refuses, rather than as a malformed text.
Json dateJson(Date date) {
  return isRepresentable(date) ? Json(formatRfc3339(date)) : Json(nullptr);
}

// A failure while reading, carrying where it happened; built only on the way out.
struct Failure {
  std::string path;
  std::string reason;
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

  bool isObject() const { return object_.is_object(); }

  const Json* find(std::string_view key) const {
    const auto it = object_.find(std::string(key));
    return it == object_.end() ? nullptr : &*it;
  }

  const Json& required(std::string_view key) const {
    const Json* value = find(key);
    if (value == nullptr) throw Failure{joinPath(path_, std::string(key)), "missing key"};
    return *value;
  }

  std::string string(std::string_view key) const {
    const Json& value = required(key);
    if (!value.is_string()) throw Failure{joinPath(path_, std::string(key)), "expected a string"};
    return value.get<std::string>();
  }

  template <class E>
  E enumeration(std::string_view key) const {
    const std::string text = string(key);
    const auto value = fromRawValue<E>(text);
    if (!value) {
      throw Failure{joinPath(path_, std::string(key)),
                    "no " + std::string(RawValues<E>::typeName) + " has the raw value \"" + text + "\""};
    }
    return *value;
  }

  Date date(std::string_view key) const {
    const Json& value = required(key);
    const auto date = value.is_string() ? parseRfc3339(value.get_ref<const std::string&>()) : std::nullopt;
    if (!date) throw Failure{joinPath(path_, std::string(key)), "expected an RFC 3339 date"};
    return *date;
  }

  std::vector<std::string> strings(std::string_view key) const {
    const Json& value = required(key);
    const std::string where = joinPath(path_, std::string(key));
    if (!value.is_array()) throw Failure{where, "expected an array"};
    std::vector<std::string> out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
      if (!value[i].is_string()) throw Failure{where + "[" + std::to_string(i) + "]", "expected a string"};
      out.push_back(value[i].get<std::string>());
    }
    return out;
  }

  std::optional<URL> url(std::string_view key) const {
    const Json* value = find(key);
    if (value == nullptr || value->is_null()) return std::nullopt;
    const std::string where = joinPath(path_, std::string(key));
    if (!value->is_string()) throw Failure{where, "expected an absolute URL text or null"};
    auto url = URL::make(value->get_ref<const std::string&>());
    if (!url) throw Failure{where, "not an absolute URL: \"" + value->get<std::string>() + "\""};
    return url;
  }

  const std::string& path() const { return path_; }

 private:
  const Json& object_;
  std::string path_;
};

Reader objectAt(const Json& json, std::string path) {
  if (!json.is_object()) throw Failure{path, "expected an object"};
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
    throw Failure{joinPath(path, "index"), "expected an integer that fits 64 bits"};
  color.index = index.get<std::int64_t>();
  return color;
}

// The event's texts, list and URL are kept in `payload`'s storage.
WidgetEventPayload readEvent(const Json& json, const std::string& path, RemindersWidgetPayload& payload) {
  const Reader r = objectAt(json, path);
  WidgetEventPayload event;
  event.identifier = payload.keep(r.string("identifier"));
  event.type = r.enumeration<CustodyEventType>("type");
  event.status = r.enumeration<CustodyEventStatus>("status");
  event.title = payload.keep(r.string("title"));
  event.caregiver = payload.keep(r.string("caregiver"));
  const std::vector<std::string> beneficiaries = r.strings("beneficiaries");
  std::vector<std::string_view> kept;
  for (const auto& identifier : beneficiaries)
    kept.push_back(payload.keep(identifier));
  event.beneficiaries = payload.keepList(kept);
  event.plannedDateFrom = r.date("plannedDateFrom");
  event.plannedDateTo = r.date("plannedDateTo");
  event.dateFrom = r.date("dateFrom");
  event.dateTo = r.date("dateTo");
  event.dueAmountText = payload.keep(r.string("dueAmountText"));
  event.notes = payload.keep(r.string("notes"));
  if (auto url = r.url("actionURL")) event.actionURL = payload.keep(std::move(*url));
  return event;
}

WidgetPersonPayload readPerson(const Json& json, const std::string& path, RemindersWidgetPayload&) {
  const Reader r = objectAt(json, path);
  WidgetPersonPayload person;
  person.identifier = r.string("identifier");
  person.type = r.enumeration<CustodyPersonType>("type");
  person.nick = r.string("nick");
  person.colorEncoded = readColor(r.required("colorEncoded"), joinPath(path, "colorEncoded"));
  return person;
}

// `List` is a vector of records.
template <class List>
List readList(const Reader& root, std::string_view key,
              typename List::value_type (*readOne)(const Json&, const std::string&, RemindersWidgetPayload&),
              RemindersWidgetPayload& payload) {
  const Json& list = root.required(key);
  if (!list.is_array()) throw Failure{std::string(key), "expected an array"};
  List out;
  out.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    out.push_back(readOne(list[i], std::string(key) + "[" + std::to_string(i) + "]", payload));
  return out;
}

}  // namespace

Json toJson(const ColorEncoded& color) {
  return Json{{"version", color.version}, {"index", color.index}};
}

Json toJson(const WidgetEventPayload& event) {
  return Json{
      {"identifier", event.identifier},
      {"type", rawValue(event.type)},
      {"status", rawValue(event.status)},
      {"title", event.title},
      {"caregiver", event.caregiver},
      {"beneficiaries", event.beneficiaries},
      {"plannedDateFrom", dateJson(event.plannedDateFrom)},
      {"plannedDateTo", dateJson(event.plannedDateTo)},
      {"dateFrom", dateJson(event.dateFrom)},
      {"dateTo", dateJson(event.dateTo)},
      {"dueAmountText", event.dueAmountText},
      {"notes", event.notes},
      {"actionURL", event.actionURL ? Json(event.actionURL->absoluteString()) : Json(nullptr)},
  };
}

Json toJson(const WidgetPersonPayload& person) {
  return Json{
      {"identifier", person.identifier},
      {"type", rawValue(person.type)},
      {"nick", person.nick},
      {"colorEncoded", toJson(person.colorEncoded)},
  };
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

FromJson<RemindersWidgetPayload> payloadFromJson(const Json& json) {
  FromJson<RemindersWidgetPayload> result;
  try {
    const Reader root = objectAt(json, "");
    RemindersWidgetPayload payload;
    payload.events = readList<EventRecords>(root, "events", readEvent, payload);
    payload.persons = readList<std::vector<WidgetPersonPayload>>(root, "persons", readPerson, payload);
    result.value = std::move(payload);
  } catch (const Failure& failure) {
    result.error = (failure.path.empty() ? "the root" : failure.path) + ": " + failure.reason;
  }
  return result;
}

FromJson<ColorEncoded> colorEncodedFromJson(const Json& json) {
  FromJson<ColorEncoded> result;
  try {
    result.value = readColor(json, "");
  } catch (const Failure& failure) {
    result.error = (failure.path.empty() ? "the root" : failure.path) + ": " + failure.reason;
  }
  return result;
}

}  // namespace rw::app

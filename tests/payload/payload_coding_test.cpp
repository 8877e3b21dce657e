#include "payload/payload_coding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "payload/sample_event.h"
#include "support/kept_texts.h"
#include "support/test_support.h"

namespace rw {
namespace {

using plist::Array;
using plist::Dictionary;
using plist::Value;
using rw::testing::capturedStdout;
using rw::testing::sampleEvent;
using rw::testing::samplePayload;
using rw::testing::samplePerson;
constexpr auto with = rw::testing::sampleWith;
constexpr auto without = rw::testing::sampleWithout;

const Date kFrom = *parseRfc3339("2026-06-10T12:00:00.250Z");
const Date kTo = *parseRfc3339("2026-06-10T13:30:00Z");

// An event with every field set, a URL among them, and a fraction of a second in its dates.
Dictionary eventDictionary() {
  Dictionary event = sampleEvent();
  for (const auto& [key, value] :
       Dictionary{{"identifier", std::string("event-1")},
                  {"type", std::string("expense")},
                  {"title", std::string("School trip")},
                  {"caregiver", std::string("p-1")},
                  {"beneficiaries", Array{std::string("p-2"), std::string("p-3")}},
                  {"plannedDateFrom", kFrom},
                  {"plannedDateTo", kTo},
                  {"dateFrom", kFrom},
                  {"dateTo", kTo},
                  {"dueAmountText", std::string("€12.50")},
                  {"actionURL", Dictionary{{"relative", std::string("corvantis2://reminders/event-1")}}}})
    event = with(std::move(event), key, value);
  return event;
}

Dictionary personDictionary() {
  return samplePerson("p-1");
}

Value payloadWith(Dictionary event, Dictionary person = personDictionary()) {
  return samplePayload({std::move(event)}, {std::move(person)});
}

TEST(PayloadDecoding, DecodesEveryFieldAndEncodesBackTheSameDictionary) {
  const Value original = payloadWith(eventDictionary());
  const auto result = decodePayload(original);
  ASSERT_TRUE(result) << result.error().where << ": " << result.error().reason;
  const auto beneficiaries = testing::keptList({"p-2", "p-3"});
  const auto url = testing::kept(URL::make("corvantis2://reminders/event-1"));
  const WidgetEventPayload expected{"event-1",
                                    CustodyEventType::expense,
                                    CustodyEventStatus::planned,
                                    "School trip",
                                    "p-1",
                                    beneficiaries,
                                    kFrom,
                                    kTo,
                                    kFrom,
                                    kTo,
                                    "€12.50",
                                    "",
                                    url};
  ASSERT_EQ(result->events.size(), 1u);
  EXPECT_EQ(result->events[0], expected);
  ASSERT_EQ(result->persons.size(), 1u);
  EXPECT_EQ(result->persons[0],
            (WidgetPersonPayload{"p-1", CustodyPersonType::caregiver, "Dad", {"183", 6}}));
  EXPECT_EQ(encodePayload(*result), original);
  // Every key is required but the action URL.
  for (const auto& [key, value] : eventDictionary())
    EXPECT_EQ(decodePayload(payloadWith(without(eventDictionary(), key))).has_value(), key == "actionURL")
        << key;
  for (const auto& [key, value] : personDictionary())
    EXPECT_FALSE(decodePayload(payloadWith(eventDictionary(), without(personDictionary(), key)))) << key;
}

TEST(PayloadDecoding, AcceptsWhatTheRecordsAllow) {
  const auto empty = decodePayload(Value{Dictionary{{"events", Array{}}, {"persons", Array{}}}});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->events.empty() && empty->persons.empty());
  // Unknown keys at every level, an empty status, no actionURL, unresolved identifiers.
  Dictionary event = with(without(eventDictionary(), "actionURL"), "status", std::string(""));
  event = with(with(event, "unknown", Array{Value{1.5}}), "caregiver", std::string("nobody"));
  Value root =
      Dictionary{{"version", plist::Integer{2}},
                 {"events", Array{event}},
                 {"persons", Array{with(personDictionary(), "actionURL", std::string("not looked at"))}}};
  const auto result = decodePayload(root);
  ASSERT_TRUE(result) << result.error().where << ": " << result.error().reason;
  EXPECT_EQ(result->events[0].status, CustodyEventStatus::permanentlyDeleted);
  EXPECT_FALSE(result->events[0].actionURL);
  EXPECT_EQ(result->events[0].caregiver, "nobody");
  // A repeated key keeps its last value.
  event.emplace_back("title", std::string("Second"));
  EXPECT_EQ(decodePayload(payloadWith(event))->events[0].title, "Second");
}

// The first failure fails the whole payload, reported at its place; decoding prints nothing of its own.
TEST(PayloadDecoding, FirstFailureFailsTheWholePayload) {
  using plist::Integer;
  const Dictionary event = eventDictionary(), person = personDictionary();
  const auto url = [&](Value value) { return payloadWith(with(event, "actionURL", std::move(value))); };
  const struct {
    Value root;
    std::string_view where, reason;
  } cases[] = {
      {Value{Array{}}, "", "expected a dictionary, found an array"},
      {Value{Dictionary{{"persons", Array{}}}}, "events", "missing key"},
      {Value{Dictionary{{"events", Dictionary{}}, {"persons", Array{}}}}, "events", "expected an array"},
      {Value{Dictionary{{"events", Array{std::string("x")}}, {"persons", Array{}}}}, "events[0]",
       "found a string"},
      {payloadWith(without(event, "notes")), "events[0].notes", "missing key"},
      {payloadWith(with(event, "title", Integer{3})), "events[0].title", "found an integer"},
      {payloadWith(with(event, "status", std::string("pla"))), "events[0].status",
       "no CustodyEventStatus has the raw value \"pla\""},
      {payloadWith(with(event, "type", std::string("Memo"))), "events[0].type", "CustodyEventType"},
      {payloadWith(with(event, "beneficiaries", Array{std::string("p-2"), Value{true}})),
       "events[0].beneficiaries[1]", "found a boolean"},
      {payloadWith(with(event, "plannedDateFrom", 802785600.0)), "events[0].plannedDateFrom", "found a real"},
      {payloadWith(with(event, "dateTo", std::string("2026-06-10T12:00:00Z"))), "events[0].dateTo", "a date"},
      {payloadWith(with(event, "dateFrom", Date{std::numeric_limits<double>::quiet_NaN()})),
       "events[0].dateFrom", "not a finite number"},
      {payloadWith(event, with(person, "colorEncoded", Integer{7})), "persons[0].colorEncoded", "an integer"},
      {payloadWith(event, with(person, "type", std::string("Caregiver"))), "persons[0].type",
       "CustodyPersonType"},
      // Keys are read in field order: the first bad key is the one reported.
      {payloadWith(with(without(event, "notes"), "type", std::string("x"))), "events[0].type", ""},
      {Value{Dictionary{{"events", Array{event, without(event, "dateTo")}}, {"persons", Array{}}}},
       "events[1].dateTo", "missing key"},
      // An action URL is a dictionary of a relative text and an optional base of the same form.
      {url(std::string("corvantis2://reminders")), "events[0].actionURL",
       "expected a dictionary, found a string"},
      {url(Dictionary{}), "events[0].actionURL.relative", "missing key"},
      {url(Dictionary{{"relative", std::string("not a url")}}), "events[0].actionURL", "not a URL"},
      {url(Dictionary{{"relative", std::string("r 1")}}), "events[0].actionURL", "not a URL"},
      {url(Dictionary{{"relative", std::string("r")}, {"base", Dictionary{{"relative", Integer{1}}}}}),
       "events[0].actionURL.base.relative", "expected a string"},
  };
  for (const auto& c : cases) {
    PayloadDecoding result;
    EXPECT_EQ(capturedStdout([&] { result = decodePayload(c.root); }), "") << c.where;
    ASSERT_FALSE(result) << c.where;
    EXPECT_EQ(result.error().where, c.where);
    EXPECT_NE(result.error().reason.find(c.reason), std::string::npos) << result.error().reason;
  }
}

// A URL on a base, an empty status, no actionURL key for an event without one, a negative colour index.
TEST(PayloadEncoding, WritesBackTheDictionaryItDecoded) {
  const Value base = Dictionary{{"relative", std::string("https://example.org/base/")}};
  const Value original = Dictionary{
      {"events", Array{with(eventDictionary(), "actionURL",
                            Dictionary{{"relative", std::string("x/y?z=1")}, {"base", base}}),
                       with(without(eventDictionary(), "actionURL"), "status", std::string(""))}},
      {"persons",
       Array{with(personDictionary(), "colorEncoded", std::string("pickerIndex=%2D3&pickerVersion=183")),
             with(personDictionary(), "type", std::string("child"))}}};
  const auto decoded = decodePayload(original);
  ASSERT_TRUE(decoded) << decoded.error().where << ": " << decoded.error().reason;
  EXPECT_EQ(decoded->events[0].actionURL->absoluteString(), "https://example.org/base/x/y?z=1");
  EXPECT_EQ(encodePayload(*decoded), original);
}

}  // namespace
}  // namespace rw

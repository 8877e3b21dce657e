#include "payload/payload_coding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "payload/sample_event.h"
#include "support/kept_texts.h"
#include "support/test_support.h"

namespace rw {
namespace {

using plist::Array;
using plist::Dictionary;
using plist::Integer;
using plist::Value;
using testing::samplePerson;
constexpr auto with = testing::sampleWith;
constexpr auto without = testing::sampleWithout;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

const Date kFrom = *parseRfc3339("2026-06-10T12:00:00.250Z");
const Date kTo = *parseRfc3339("2026-06-10T13:00:00Z");

// An event with no field at its default, a URL among them, and a fraction of a second in its dates.
Dictionary eventDictionary() {
  Dictionary event = with(with(testing::sampleEvent(), "type", std::string("expense")), "dateFrom", kFrom);
  event = with(with(std::move(event), "plannedDateFrom", kFrom), "dueAmountText", std::string("€12.50"));
  event = with(std::move(event), "beneficiaries", Array{std::string("P2"), std::string("P3")});
  return with(std::move(event), "actionURL",
              Dictionary{{"relative", std::string("corvantis2://reminders/E1")}});
}

Value payloadWith(Dictionary event, Dictionary person = samplePerson()) {
  return testing::samplePayload({std::move(event)}, {std::move(person)});
}

TEST(PayloadDecoding, DecodesEveryFieldAndEncodesBackTheSameDictionary) {
  const Value original = payloadWith(eventDictionary());
  const auto result = decodePayload(original);
  ASSERT_TRUE(result) << result.error().where << ": " << result.error().reason;
  ASSERT_EQ(result->events.size(), 1u);
  EXPECT_EQ(result->events[0],
            (WidgetEventPayload{"E1", CustodyEventType::expense, CustodyEventStatus::planned, "Weekend", "P1",
                                testing::keptList({"P2", "P3"}), kFrom, kTo, kFrom, kTo, "€12.50", "",
                                testing::kept(URL::make("corvantis2://reminders/E1"))}));
  ASSERT_EQ(result->persons.size(), 1u);
  EXPECT_EQ(result->persons[0], (WidgetPersonPayload{"P1", CustodyPersonType::caregiver, "Dad", {"183", 6}}));
  EXPECT_EQ(encodePayload(*result), original);
  // Every key is required but the action URL.
  for (const auto& [key, value] : eventDictionary())
    EXPECT_EQ(decodePayload(payloadWith(without(eventDictionary(), key))).has_value(), key == "actionURL")
        << key;
  for (const auto& [key, value] : samplePerson())
    EXPECT_FALSE(decodePayload(payloadWith(eventDictionary(), without(samplePerson(), key)))) << key;
}

TEST(PayloadDecoding, AcceptsWhatTheRecordsAllow) {
  const auto empty = decodePayload(Value{Dictionary{{"events", Array{}}, {"persons", Array{}}}});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->events.empty() && empty->persons.empty());
  // Unknown keys at every level, an empty status, no actionURL, unresolved identifiers.
  Dictionary event = with(without(eventDictionary(), "actionURL"), "status", std::string(""));
  event = with(with(event, "unknown", Array{Value{1.5}}), "caregiver", std::string("nobody"));
  Value root =
      Dictionary{{"version", Integer{2}},
                 {"events", Array{event}},
                 {"persons", Array{with(samplePerson(), "actionURL", std::string("not looked at"))}}};
  const auto result = decodePayload(root);
  ASSERT_TRUE(result) << result.error().where << ": " << result.error().reason;
  EXPECT_EQ(result->events[0].status, CustodyEventStatus::permanentlyDeleted);
  EXPECT_FALSE(result->events[0].actionURL);
  EXPECT_EQ(result->events[0].caregiver, "nobody");
  // A repeated key keeps its last value.
  event.emplace_back("title", std::string("Second"));
  EXPECT_EQ(decodePayload(payloadWith(event))->events[0].title, "Second");
}

// The first failure fails the whole payload, reported at its place, and is the first that checking
// collects; decoding prints nothing of its own.
TEST(PayloadDecoding, FirstFailureFailsTheWholePayload) {
  const Dictionary event = eventDictionary(), person = samplePerson();
  const auto url = [&](Value value) { return payloadWith(with(event, "actionURL", std::move(value))); };
  const auto date = [&](const char* key, double seconds) {
    return payloadWith(with(event, key, Date{seconds}));
  };
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
       R"(no CustodyEventStatus has the raw value "pla" (expected one of "PLA" "CAN" "ACT" "UNS" "VIS" "RES" ""))"},
      {payloadWith(with(event, "type", std::string("Memo"))), "events[0].type", "CustodyEventType"},
      {payloadWith(with(event, "beneficiaries", Array{std::string("P2"), Value{true}})),
       "events[0].beneficiaries[1]", "found a boolean"},
      {payloadWith(with(event, "plannedDateFrom", 802785600.0)), "events[0].plannedDateFrom", "found a real"},
      {payloadWith(with(event, "dateTo", std::string("2026-06-10T12:00:00Z"))), "events[0].dateTo", "a date"},
      {date("dateFrom", std::nan("")), "events[0].dateFrom", "not a finite number"},
      {date("dateTo", kInfinity), "events[0].dateTo", "not a finite number"},
      {date("plannedDateTo", -kInfinity), "events[0].plannedDateTo", "not a finite number"},
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
      {url(Dictionary{{"relative", std::string("r")},
                      {"base", Dictionary{{"relative", std::string("r 1")}}}}),
       "events[0].actionURL.base", "not a URL"},
      {url(Dictionary{{"relative", std::string("r")}, {"base", Dictionary{{"relative", Integer{1}}}}}),
       "events[0].actionURL.base.relative", "expected a string"},
  };
  for (const auto& c : cases) {
    PayloadDecoding result;
    EXPECT_EQ(testing::capturedStdout([&] { result = decodePayload(c.root); }), "") << c.where;
    ASSERT_FALSE(result) << c.where;
    EXPECT_EQ(result.error().where, c.where);
    EXPECT_NE(result.error().reason.find(c.reason), std::string::npos) << result.error().reason;
    const auto failures = checkPayload(c.root);
    ASSERT_FALSE(failures.empty()) << c.where;
    EXPECT_EQ(failures[0], result.error());
  }
  // Checking goes on past each failure and collects them all, in file order.
  const Value all =
      Dictionary{{"events", Array{event, with(without(event, "notes"), "type", std::string("x")),
                                  with(event, "title", Integer{5})}},
                 {"persons", Array{with(person, "type", std::string("Caregiver")), std::string("P2")}}};
  std::vector<std::string> wheres;
  for (const auto& failure : checkPayload(all))
    wheres.push_back(failure.where);
  EXPECT_EQ(wheres, (std::vector<std::string>{"events[1].type", "events[1].notes", "events[2].title",
                                              "persons[0].type", "persons[1]"}));
  EXPECT_TRUE(checkPayload(payloadWith(event)).empty());
}

// A URL on a base, an empty status, no actionURL key for an event without one, a negative colour index.
TEST(PayloadEncoding, WritesBackTheDictionaryItDecoded) {
  const Value base = Dictionary{{"relative", std::string("https://example.org/base/")}};
  const Value original = Dictionary{
      {"events", Array{with(eventDictionary(), "actionURL",
                            Dictionary{{"relative", std::string("x/y?z=1")}, {"base", base}}),
                       with(without(eventDictionary(), "actionURL"), "status", std::string(""))}},
      {"persons",
       Array{with(samplePerson(), "colorEncoded", std::string("pickerIndex=%2D3&pickerVersion=183")),
             with(samplePerson(), "type", std::string("child"))}}};
  const auto decoded = decodePayload(original);
  ASSERT_TRUE(decoded) << decoded.error().where << ": " << decoded.error().reason;
  EXPECT_EQ(decoded->events[0].actionURL->absoluteString(), "https://example.org/base/x/y?z=1");
  EXPECT_EQ(encodePayload(*decoded), original);
}

}  // namespace
}  // namespace rw

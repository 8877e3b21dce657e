// The field lists: their keys are the file format, and equality walks every field they hold.
#include "payload/fields.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace rw {
namespace {

// A member's name is its key in the file: renaming or reordering a member must fail here, not change the
// format.
TEST(RecordFields, KeysAreTheFileKeysInCodingOrder) {
  const std::vector<std::string_view> eventKeys(keysOf<WidgetEventPayload>.begin(),
                                                keysOf<WidgetEventPayload>.end());
  EXPECT_EQ(eventKeys,
            (std::vector<std::string_view>{"identifier", "type", "status", "title", "caregiver",
                                           "beneficiaries", "plannedDateFrom", "plannedDateTo", "dateFrom",
                                           "dateTo", "dueAmountText", "notes", "actionURL"}));
  const std::vector<std::string_view> personKeys(keysOf<WidgetPersonPayload>.begin(),
                                                 keysOf<WidgetPersonPayload>.end());
  EXPECT_EQ(personKeys, (std::vector<std::string_view>{"identifier", "type", "nick", "colorEncoded"}));
  EXPECT_EQ(keysOf<WidgetEventPayload>[EventField::plannedDateFrom], "plannedDateFrom");
  EXPECT_EQ(keysOf<WidgetPersonPayload>[PersonField::colorEncoded], "colorEncoded");
}

TEST(RecordFields, OnlyTheActionURLIsOptional) {
  EXPECT_EQ(requiredFieldsOf<WidgetEventPayload>,
            (1u << EventField::count) - 1 - (1u << EventField::actionURL));
  EXPECT_EQ(requiredFieldsOf<WidgetPersonPayload>, (1u << PersonField::count) - 1);
}

// A value of the field's type that differs from `value`.
CompactText other(CompactText value) {
  return value == "a" ? "b" : "a";
}
CustodyEventType other(CustodyEventType value) {
  return value == CustodyEventType::memo ? CustodyEventType::care : CustodyEventType::memo;
}
CustodyEventStatus other(CustodyEventStatus value) {
  return value == CustodyEventStatus::actual ? CustodyEventStatus::planned : CustodyEventStatus::actual;
}
CompactList<std::string_view> other(CompactList<std::string_view> value) {
  static const std::vector<std::string_view> list{"P9"};
  return value.size() == 1 && value[0] == "P9" ? CompactList<std::string_view>{}
                                               : CompactList<std::string_view>(list);
}
Date other(Date value) {
  return value.adding(1);
}
const URL* other(const URL* value) {
  static const URL url = *URL::make("corvantis2://reminders/other");
  return value == &url ? nullptr : &url;
}

TEST(RecordFields, EventsDifferInAnyOneField) {
  RemindersWidgetPayload payload;
  WidgetEventPayload event;
  event.identifier = payload.keep("E1");
  event.title = payload.keep("Title");
  event.beneficiaries = payload.keepList({payload.keep("P1")});
  event.plannedDateFrom = Date{100};
  event.actionURL = payload.keep(*URL::make("corvantis2://reminders/E1"));

  // The same contents in storage of their own: equal by content, not by address.
  RemindersWidgetPayload elsewhere;
  WidgetEventPayload copy = event;
  copy.identifier = elsewhere.keep("E1");
  copy.beneficiaries = elsewhere.keepList({elsewhere.keep("P1")});
  copy.actionURL = elsewhere.keep(*URL::make("corvantis2://reminders/E1"));
  EXPECT_EQ(copy, event);

  everyField<WidgetEventPayload>([&](auto field) {
    WidgetEventPayload changed = event;
    changed.*field.member = other(event.*field.member);
    EXPECT_NE(changed, event) << field.key;
    EXPECT_NE(event, changed) << field.key;
    return true;
  });
  WidgetEventPayload withoutURL = event;
  withoutURL.actionURL = nullptr;
  EXPECT_NE(withoutURL, event);
  EXPECT_EQ(withoutURL, withoutURL);
}

}  // namespace
}  // namespace rw

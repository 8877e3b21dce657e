// Equality of records walks every field they hold, by content and not by where the content lives.
#include "payload/fields.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace rw {
namespace {

TEST(RecordFields, EventsDifferInAnyOneField) {
  RemindersWidgetPayload payload, elsewhere;
  WidgetEventPayload event;
  event.identifier = payload.keep("E1");
  event.title = payload.keep("Title");
  event.beneficiaries = payload.keepList({payload.keep("P1")});
  event.plannedDateFrom = Date{100};
  event.actionURL = payload.keep(*URL::make("corvantis2://reminders/E1"));
  WidgetEventPayload copy = event;
  copy.identifier = elsewhere.keep("E1");
  copy.beneficiaries = elsewhere.keepList({elsewhere.keep("P1")});
  copy.actionURL = elsewhere.keep(*URL::make("corvantis2://reminders/E1"));
  EXPECT_EQ(copy, event);
  everyField<WidgetEventPayload>([&](auto field) {
    WidgetEventPayload changed = event;
    auto& member = changed.*field.member;
    using T = std::remove_cvref_t<decltype(member)>;
    if constexpr (std::is_same_v<T, Date>)
      member = member.adding(1);
    else if constexpr (std::is_enum_v<T>)
      member = member == T{} ? static_cast<T>(1) : T{};
    else if constexpr (std::is_same_v<T, CompactText>)
      member = "other";
    else
      member = {};  // no beneficiaries, no URL
    EXPECT_NE(changed, event) << field.key;
    EXPECT_NE(event, changed) << field.key;
    return true;
  });
  WidgetEventPayload withoutURL = event;
  withoutURL.actionURL = nullptr;
  EXPECT_EQ(withoutURL, withoutURL);
}

}  // namespace
}  // namespace rw

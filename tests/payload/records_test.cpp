#include "payload/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "payload/fields.h"

namespace rw {
namespace {

// Lists showing the same texts are kept once, wherever their texts live; any difference, even only in
// order or length, keeps a list of its own, and every list reads back as it was given.
TEST(PayloadStorage, KeepsEqualListsOnce) {
  PayloadStorage storage;
  const std::string first = "C1", second = "C1", other = "C2";
  const std::vector<std::string_view> a{first, other};
  const auto kept = storage.keepList(a);
  EXPECT_EQ(storage.keepList(std::vector<std::string_view>{second, other}).data(), kept.data());
  // Lists differing in order or length, and many lists some of which land on the same place of the
  // lately-kept table: each kept apart and intact.
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i)
    names.push_back("P" + std::to_string(i));
  std::vector<std::vector<std::string_view>> given = {{other, first}, {first}};
  for (std::size_t i = 0; i < 500; ++i)
    given.push_back({names[i], names[(i * 7) % 500]});
  std::vector<std::span<const std::string_view>> lists;
  for (const auto& list : given)
    lists.push_back(storage.keepList(list));
  for (std::size_t i = 0; i < lists.size(); ++i) {
    EXPECT_TRUE(std::ranges::equal(lists[i], given[i])) << i;
    EXPECT_NE(lists[i].data(), kept.data()) << i;
  }
  EXPECT_TRUE(std::ranges::equal(kept, a));
  EXPECT_TRUE(storage.keepList({}).empty());
}

TEST(CompactViews, ShowWhatTheyWereMadeFromAndRefuseLengthsBeyondTheirField) {
  const std::string text = "Zoë's appointment";
  const CompactText compact = std::string_view(text).substr(2, 6);
  EXPECT_EQ(compact.data(), text.data() + 2);
  EXPECT_EQ(std::string(compact), "ë's a");
  EXPECT_NE(compact, "ë's");
  EXPECT_EQ(CompactText().data(), nullptr);
  const std::vector<std::string_view> list{"C1", "B2", "B3"};
  const CompactList<std::string_view> compactList = std::span(list).subspan(1);
  EXPECT_EQ(compactList.view().data(), list.data() + 1);
  EXPECT_TRUE(std::ranges::equal(compactList, std::vector<std::string_view>{"B2", "B3"}));
  EXPECT_TRUE(CompactList<std::string_view>().empty());
  // Never read: only the length matters.
  const std::size_t largest = std::numeric_limits<std::uint32_t>::max();
  EXPECT_EQ(CompactText(std::string_view("x", largest)).size(), largest);
  EXPECT_THROW(CompactText(std::string_view("x", largest + 1)), std::length_error);
}

// Equality of records walks every field they hold, by content and not by where the content lives.
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

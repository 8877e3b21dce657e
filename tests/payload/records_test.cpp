#include "payload/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

namespace rw {
namespace {

TEST(CustodyEnumerations, RawValuesReadBackAndMatchExactly) {
  // The empty text is a status of its own, not a missing value.
  EXPECT_EQ(fromRawValue<CustodyEventStatus>(""), CustodyEventStatus::permanentlyDeleted);
  EXPECT_EQ(RawValues<CustodyEventStatus>::table.size(), 7u);
  for (const auto& [value, raw] : RawValues<CustodyEventStatus>::table) {
    EXPECT_EQ(rawValue(value), raw);
    EXPECT_EQ(fromRawValue<CustodyEventStatus>(raw), value);
  }
  EXPECT_EQ(std::vector(allCustodyEventTypes().begin(), allCustodyEventTypes().end()),
            (std::vector{CustodyEventType::care, CustodyEventType::call, CustodyEventType::expense,
                         CustodyEventType::memo}));
  EXPECT_EQ(std::vector(allCustodyPersonTypes().begin(), allCustodyPersonTypes().end()),
            (std::vector{CustodyPersonType::caregiver, CustodyPersonType::child}));
  for (const auto value : allCustodyEventTypes())
    EXPECT_EQ(fromRawValue<CustodyEventType>(rawValue(value)), value);
  for (const auto value : allCustodyPersonTypes())
    EXPECT_EQ(fromRawValue<CustodyPersonType>(rawValue(value)), value);
  for (const std::string_view text : {"pla", "PLA ", " PLA", "PLANNED", "P"})
    EXPECT_FALSE(fromRawValue<CustodyEventStatus>(text)) << text;
  EXPECT_FALSE(fromRawValue<CustodyPersonType>("Caregiver"));
  EXPECT_FALSE(fromRawValue<CustodyEventType>("Memo"));
  EXPECT_FALSE(fromRawValue<CustodyEventType>("care "));
}

TEST(CustodyEnumerations, HashTheRawValue) {
  EXPECT_EQ(std::hash<CustodyEventType>{}(CustodyEventType::memo), std::hash<std::string_view>{}("memo"));
  EXPECT_EQ(std::hash<CustodyEventStatus>{}(CustodyEventStatus::permanentlyDeleted),
            std::hash<std::string_view>{}(""));
  std::unordered_set<CustodyEventStatus> statuses;
  for (const auto& entry : RawValues<CustodyEventStatus>::table)
    statuses.insert(entry.first);
  statuses.insert(CustodyEventStatus::planned);
  EXPECT_EQ(statuses.size(), 7u);
  EXPECT_TRUE(statuses.contains(CustodyEventStatus::removedSpot));
}

// Lists showing the same texts are kept once, wherever their texts live; any difference, even only in
// order or length, keeps a list of its own, and every list reads back as it was given.
TEST(PayloadStorage, KeepsEqualListsOnce) {
  PayloadStorage storage;
  const std::string first = "C1", second = "C1", other = "C2";
  const std::vector<std::string_view> a{first, other}, sameTexts{second, other}, reversed{other, first},
      shorter{first};
  const auto kept = storage.keepList(a);
  EXPECT_EQ(storage.keepList(sameTexts).data(), kept.data());
  EXPECT_TRUE(std::ranges::equal(kept, a));
  for (const auto& list : {reversed, shorter}) {
    const auto own = storage.keepList(list);
    EXPECT_NE(own.data(), kept.data());
    EXPECT_TRUE(std::ranges::equal(own, list));
  }
  // Many different lists, some landing on the same place of the lately-kept table, all stay intact.
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i)
    names.push_back("P" + std::to_string(i));
  std::vector<std::span<const std::string_view>> lists;
  std::vector<std::vector<std::string_view>> given;
  for (int i = 0; i < 500; ++i) {
    given.push_back({names[static_cast<std::size_t>(i)], names[static_cast<std::size_t>((i * 7) % 500)]});
    lists.push_back(storage.keepList(given.back()));
  }
  for (std::size_t i = 0; i < lists.size(); ++i)
    EXPECT_TRUE(std::ranges::equal(lists[i], given[i])) << i;
  EXPECT_TRUE(storage.keepList({}).empty());
}

TEST(CompactViews, ShowWhatTheyWereMadeFrom) {
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
}

TEST(CompactViews, RefuseLengthsBeyondTheirField) {
  // Never read: only the length matters.
  const char* const somewhere = "x";
  const std::size_t largest = std::numeric_limits<std::uint32_t>::max();
  EXPECT_EQ(CompactText(std::string_view(somewhere, largest)).size(), largest);
  EXPECT_THROW(CompactText(std::string_view(somewhere, largest + 1)), std::length_error);
}

}  // namespace
}  // namespace rw

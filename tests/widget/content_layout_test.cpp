#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "widget/host.h"
#include "widget/provider.h"
#include "widget/timeline_entry.h"

namespace rw {
namespace {

using content_layout::SystemMediumLarge;

ContentLayout list(std::int64_t count, double spacing) {
  return SystemMediumLarge{RemindersListSize{count, spacing}};
}

TEST(ContentLayout, LargeFamiliesFollowTheHeightTableAtEveryBoundary) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  const struct {
    double height;
    ContentLayout expected;
  } cases[] = {
      {0, list(2, 4.0)},    {-0.0, list(2, 4.0)},   {200, list(2, 4.0)},   {310.9, list(2, 4.0)},
      {311, list(5, 5.0)},  {323.9, list(5, 5.0)},  {324, list(5, 6.0)},   {344.9, list(5, 6.0)},
      {345, list(5, 9.0)},  {350, list(5, 9.0)},    {378.9, list(5, 9.0)}, {379, list(6, 7.0)},
      {382, list(6, 7.0)},  {10'000, list(6, 7.0)}, {inf, list(6, 7.0)},   {-0.5, list(6, 7.0)},
      {-400, list(6, 7.0)}, {nan, list(6, 7.0)},    {-inf, list(6, 7.0)},
  };
  for (const auto family : {WidgetFamily::systemLarge, WidgetFamily::systemExtraLarge}) {
    for (const auto& c : cases) {
      // The width never matters, however odd.
      for (const double width : {0.0, 364.0, nan}) {
        const TimelineProviderContext context{family, {width, c.height}};
        EXPECT_EQ(contentLayout(context), c.expected) << familyName(family) << " height " << c.height;
      }
    }
  }
}

TEST(ContentLayout, OtherFamiliesIgnoreTheSize) {
  const struct {
    WidgetFamily family;
    ContentLayout expected;
  } cases[] = {
      {WidgetFamily::systemSmall, content_layout::SystemSmall{}},
      {WidgetFamily::systemMedium, list(2, 6.0)},
      {WidgetFamily::accessoryCircular, content_layout::AccessoryCircular{}},
      {WidgetFamily::accessoryRectangular, content_layout::AccessoryRectangular{}},
      {WidgetFamily::accessoryInline, content_layout::AccessoryRectangular{}},
      // A family value this build does not name gets the tallest list.
      {static_cast<WidgetFamily>(99), list(6, 7.0)},
  };
  for (const auto& c : cases) {
    for (const double height : {0.0, 100.0, 311.0, 350.0, 1000.0, -1.0}) {
      EXPECT_EQ(contentLayout({c.family, {300, height}}), c.expected)
          << familyName(c.family) << ' ' << height;
      EXPECT_EQ(RemindersWidgetTimelineProvider::contentLayout({c.family, {300, height}}), c.expected);
    }
  }
}

TEST(ContentLayout, CaseNames) {
  EXPECT_EQ(caseName(list(5, 9.0)), "systemMediumLarge");
  EXPECT_EQ(caseName(content_layout::AccessoryCircular{}), "accessoryCircular");
  EXPECT_EQ(caseName(content_layout::AccessoryRectangular{}), "accessoryRectangular");
  EXPECT_EQ(caseName(content_layout::SystemSmall{}), "systemSmall");
}

}  // namespace
}  // namespace rw

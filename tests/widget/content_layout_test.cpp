// Which content a family and display size get: the list's rows and spacing, or one of the counter layouts.
#include <gtest/gtest.h>

#include <limits>

#include "widget/provider.h"
#include "widget/timeline_entry.h"

namespace rw {
namespace {

ContentLayout list(std::int64_t count, double spacing) {
  return content_layout::SystemMediumLarge{RemindersListSize{count, spacing}};
}

TEST(ContentLayout, LargeFamiliesFollowTheHeightTableAtEveryBoundary) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  const struct {
    double height;
    ContentLayout expected;
  } cases[] = {
      {0, list(2, 4.0)},     {-0.0, list(2, 4.0)}, {310.9, list(2, 4.0)}, {311, list(5, 5.0)},
      {323.9, list(5, 5.0)}, {324, list(5, 6.0)},  {344.9, list(5, 6.0)}, {345, list(5, 9.0)},
      {378.9, list(5, 9.0)}, {379, list(6, 7.0)},  {inf, list(6, 7.0)},   {-0.5, list(6, 7.0)},
      {nan, list(6, 7.0)},   {-inf, list(6, 7.0)},
  };
  for (const auto family : {WidgetFamily::systemLarge, WidgetFamily::systemExtraLarge})
    for (const auto& c : cases)
      for (const double width : {0.0, 364.0, nan})  // the width never matters, however odd
        EXPECT_EQ(contentLayout({family, {width, c.height}}), c.expected)
            << familyName(family) << " height " << c.height;
}

TEST(ContentLayout, OtherFamiliesIgnoreTheSize) {
  const std::pair<WidgetFamily, ContentLayout> cases[] = {
      {WidgetFamily::systemSmall, content_layout::SystemSmall{}},
      {WidgetFamily::systemMedium, list(2, 6.0)},
      {WidgetFamily::accessoryCircular, content_layout::AccessoryCircular{}},
      {WidgetFamily::accessoryRectangular, content_layout::AccessoryRectangular{}},
      {WidgetFamily::accessoryInline, content_layout::AccessoryRectangular{}},
      {static_cast<WidgetFamily>(99), list(6, 7.0)}};  // a family this build does not name: the tallest list
  for (const auto& [family, expected] : cases)
    for (const double height : {0.0, 311.0, 350.0, 1000.0, -1.0}) {
      EXPECT_EQ(contentLayout({family, {300, height}}), expected) << familyName(family) << ' ' << height;
      EXPECT_EQ(RemindersWidgetTimelineProvider::contentLayout({family, {300, height}}), expected);
    }
}

}  // namespace
}  // namespace rw

// Which link a tap opens, read from laid-out trees with fixed text metrics.
#include "ui/hit_testing.h"

#include <gtest/gtest.h>

#include "ui/layout.h"

namespace rw::ui {
namespace {

const FixedTextMeasurer kMetrics;

LayoutNode layOut(const Element& tree, Size canvas) {
  return layout(tree, canvas, Environment{}, kMetrics);
}

Element row(const char* title, const char* url) {
  return Link{
      .destination = url,
      .label = Text::verbatim(title).withFont(Font::system(10)).flexibleFrame({.maxWidth = kInfinity})};
}

// Two 12.5-point rows, 10 apart, at the top of a 100 × 100 widget with a widget URL.
const Element kRows =
    VStack{.spacing = 10, .children = {row("one", "app://1"), row("two", "app://2"), Spacer{}}};

TEST(HitTesting, RowsOpenTheirOwnLinksAndTheRestTheWidgetURL) {
  const LayoutNode root = layOut(kRows.widgetURL("corvantis2://reminders"), {100, 100});
  const struct {
    Point at;
    const char* url;
  } cases[] = {
      {{50, 5}, "app://1"},
      {{0, 0}, "app://1"},  // the top leading corner belongs to the row
      {{99.9, 12.4}, "app://1"},
      {{50, 12.5}, "corvantis2://reminders"},  // the row's bottom edge does not; the gap is the widget's
      {{50, 22.5}, "app://2"},
      {{50, 80}, "corvantis2://reminders"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(linkAt(root, c.at), c.url) << c.at.x << "," << c.at.y;
  EXPECT_EQ(linkAreas(root), (std::vector<LinkArea>{{{{0, 0}, {100, 100}}, "corvantis2://reminders", true},
                                                    {{{0, 0}, {100, 12.5}}, "app://1", false},
                                                    {{{0, 22.5}, {100, 12.5}}, "app://2", false}}));
  // Without a widget URL only links answer.
  const LayoutNode bare = layOut(kRows, {100, 100});
  EXPECT_EQ(linkAt(bare, {5, 5}), "app://1");
  EXPECT_EQ(linkAt(bare, {5, 50}), std::nullopt);
}

TEST(HitTesting, InnerAndFrontLinksWinAndClipsHideWhatTheyCut) {
  const Element inner =
      Link{.destination = "app://inner", .label = Text::verbatim("x").withFont(Font::system(10))};
  const LayoutNode nested =
      layOut(Link{.destination = "app://outer", .label = HStack{.spacing = 0, .children = {inner, Spacer{}}}},
             {40, 12.5});
  EXPECT_EQ(linkAt(nested, {2, 2}), "app://inner");
  EXPECT_EQ(linkAt(nested, {20, 2}), "app://outer");
  const Element front = ZStack{.children = {row("back", "app://back"), row("front", "app://front")}};
  EXPECT_EQ(linkAt(layOut(front, {40, 12.5}), {2, 2}), "app://front");
  // A link larger than the clip around it only counts inside the clip.
  const Element clipped = Link{.destination = "app://big", .label = Spacer{.minLength = 40}}
                              .frame(40, 40)
                              .frame(20, 20)
                              .clipRoundedRect(0)
                              .widgetURL("app://widget");
  const LayoutNode root = layOut(clipped, {20, 20});
  EXPECT_EQ(linkAt(root, {10, 10}), "app://big");
  EXPECT_EQ(linkAt(root, {-5, 10}), "app://widget");
}

}  // namespace
}  // namespace rw::ui

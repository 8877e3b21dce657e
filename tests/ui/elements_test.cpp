// Element trees as values: modifiers wrap in call order, equality is structural, the outline shows constants.
#include "ui/elements.h"

#include <gtest/gtest.h>

namespace rw::ui {
namespace {

TEST(Elements, ModifiersWrapInTheOrderTheyAreCalled) {
  const Element box =
      HStack{.children = {Text::verbatim("3")}}.foregroundColor(Color::white()).padding(8).clipRoundedRect(8);
  const auto* clip = box.as<ClipRoundedRect>();
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->cornerRadius, 8);
  const auto* padding = clip->content.as<Padding>();
  ASSERT_NE(padding, nullptr);
  EXPECT_EQ(padding->insets, EdgeInsets::all(8));
  const auto* color = padding->content.as<ForegroundColor>();
  ASSERT_NE(color, nullptr);
  EXPECT_EQ(color->color, Color::white());
  ASSERT_NE(color->content.as<HStack>(), nullptr);
}

TEST(Elements, UnsetValuesStayUnset) {
  // "Default" is kept apart from any number, so trees can say which one they use.
  const Element padded = Text::verbatim("x").padding();
  EXPECT_EQ(padded.as<Padding>()->insets, std::nullopt);
  EXPECT_EQ(VStack{}.spacing, std::nullopt);
  EXPECT_EQ(Spacer{}.minLength, std::nullopt);
  EXPECT_NE(Element(Spacer{}), Element(Spacer{.minLength = 8}));
}

TEST(Elements, EqualityIsStructural) {
  auto make = [](std::string title) {
    return Element(VStack{.spacing = 4, .children = {Text::verbatim(std::move(title)), Divider{}}});
  };
  EXPECT_EQ(make("a"), make("a"));
  EXPECT_NE(make("a"), make("b"));
  EXPECT_NE(Element(Text::localized("TODAY")), Element(Text::verbatim("TODAY")));
  EXPECT_EQ(Element(), Element(EmptyView{}));
}

TEST(Elements, TextModifiersAreFieldsOfTheText) {
  const Text text =
      Text::verbatim("12").withFont(Font::system(16, FontWeight::heavy)).bolded().withColor(Color::red());
  EXPECT_EQ(text.font, Font::system(16, FontWeight::heavy));
  EXPECT_TRUE(text.bold);
  EXPECT_EQ(text.color, Color::red());
}

TEST(Elements, OpacityMultipliesAndClamps) {
  EXPECT_DOUBLE_EQ(Color::red().withOpacity(0.8).opacity, 0.8);
  EXPECT_DOUBLE_EQ(Color::red().withOpacity(0.5).withOpacity(0.5).opacity, 0.25);
  EXPECT_EQ(Color::red().withOpacity(3).opacity, 1);
  EXPECT_EQ(Color::red().withOpacity(-1).opacity, 0);
  EXPECT_EQ(*Color::named("PersonProfile.PineGlade").name(), "PersonProfile.PineGlade");
}

TEST(Elements, ForEachAndConcatBuildChildrenInOrder) {
  const std::vector<std::string> names{"a", "b"};
  const auto children =
      concat(forEach(names, [](const std::string& n) { return Element(Text::verbatim(n)); }), {Spacer{}});
  ASSERT_EQ(children.size(), 3u);
  EXPECT_EQ(children[1], Element(Text::verbatim("b")));
  EXPECT_NE(children[2].as<Spacer>(), nullptr);
  EXPECT_EQ(childrenOf(HStack{.children = children}).size(), 3u);
  EXPECT_EQ(childrenOf(Text::verbatim("x")).size(), 0u);
}

TEST(Elements, DescribeShowsTheTreeWithItsConstants) {
  const Element tree =
      VStack{.alignment = HorizontalAlignment::leading,
             .spacing = 9,
             .children = {Text::localized("OVERDUE").withFont(Font::system(14)),
                          Link{.destination = "corvantis2://reminders", .label = Spacer{}}}}
          .background(LinearGradient{.colors = {Color::named("Top"), Color::red().withOpacity(0.5)}});
  EXPECT_EQ(describe(tree),
            "Background(gradient(\"Top\", red @0.5))\n"
            "  VStack(alignment: leading, spacing: 9)\n"
            "    Text(localized \"OVERDUE\", font: 14 regular)\n"
            "    Link(destination: corvantis2://reminders)\n"
            "      Spacer(minLength: default)\n");
}

}  // namespace
}  // namespace rw::ui

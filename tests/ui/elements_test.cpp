// Element trees as values: modifiers wrap in call order, equality is structural, the outline shows constants.
#include "ui/elements.h"

#include <gtest/gtest.h>

namespace rw::ui {
namespace {

TEST(Elements, EqualityIsStructuralUnsetValuesStayUnsetAndOpacityMultiplies) {
  auto make = [](std::string title) {
    return Element(VStack{.spacing = 4, .children = {Text::verbatim(std::move(title)), Divider{}}});
  };
  EXPECT_EQ(make("a"), make("a"));
  EXPECT_NE(make("a"), make("b"));
  EXPECT_NE(Element(Text::localized("TODAY")), Element(Text::verbatim("TODAY")));
  EXPECT_EQ(Element(), Element(EmptyView{}));
  // "Default" is kept apart from any number, so trees can say which one they use.
  EXPECT_NE(Element(Spacer{}), Element(Spacer{.minLength = 8}));
  EXPECT_NE(Text::verbatim("x").padding(), Text::verbatim("x").padding(16));
  // Modifiers wrap in the order they are called.
  EXPECT_NE(Text::verbatim("x").padding(8).clipRoundedRect(8),
            Text::verbatim("x").clipRoundedRect(8).padding(8));
  const std::vector<std::string> names{"a", "b"};
  const auto children =
      concat(forEach(names, [](const std::string& n) { return Element(Text::verbatim(n)); }), {Spacer{}});
  EXPECT_EQ(children, (std::vector<Element>{Text::verbatim("a"), Text::verbatim("b"), Spacer{}}));
  EXPECT_EQ(childrenOf(HStack{.children = children}).size(), 3u);
  EXPECT_EQ(childrenOf(Text::verbatim("x")).size(), 0u);
  // Opacity multiplies and clamps.
  EXPECT_DOUBLE_EQ(Color::red().withOpacity(0.5).withOpacity(0.5).opacity, 0.25);
  EXPECT_EQ(Color::red().withOpacity(3).opacity, 1);
  EXPECT_EQ(Color::red().withOpacity(-1).opacity, 0);
  EXPECT_EQ(*Color::named("PersonProfile.PineGlade").name(), "PersonProfile.PineGlade");
}

TEST(Elements, DescribeShowsTheTreeWithItsConstantsInWrappingOrder) {
  const Element tree =
      VStack{.alignment = HorizontalAlignment::leading,
             .spacing = 9,
             .children = {Text::localized("OVERDUE").withFont(Font::system(14, FontWeight::heavy)).bolded(),
                          Link{.destination = "corvantis2://reminders", .label = Spacer{}}}}
          .padding(8)
          .background(LinearGradient{.colors = {Color::named("Top"), Color::red().withOpacity(0.5)}});
  EXPECT_EQ(describe(tree),
            "Background(gradient(\"Top\", red @0.5))\n"
            "  Padding(8,8,8,8)\n"
            "    VStack(alignment: leading, spacing: 9)\n"
            "      Text(localized \"OVERDUE\", font: 14 heavy, bold)\n"
            "      Link(destination: corvantis2://reminders)\n"
            "        Spacer(minLength: default)\n");
}

}  // namespace
}  // namespace rw::ui

// Trees described in JSON, views included, read back as the same values built in code.
#include "ui/element_json.h"

#include <gtest/gtest.h>

#include "views/counter_view.h"
#include "views/view_json.h"

namespace rw {
namespace {

using namespace ui;

TEST(ElementJson, ReadsEveryKindAndModifier) {
  const auto parsed = parseElementJson(R"({"VStack": {"alignment": "leading", "spacing": 9, "children": [
      {"Text": "Swim", "font": {"size": 15, "weight": "medium"}, "bold": true, "color": "#FF000080"},
      {"Localized": "TODAY", "color": {"named": "PersonProfile.PineGlade", "opacity": 0.8}},
      {"Time": "2026-06-10T17:00:00Z"},
      {"Image": "bell.fill", "modifiers": [{"font": {"size": 14}}, {"frame": {"width": 16}}]},
      {"Spacer": {"minLength": 0}}, "Divider", "AccessoryWidgetBackground",
      {"HStack": {"alignment": "lastTextBaseline", "children": []}},
      {"ZStack": {"alignment": "topLeading", "children": ["EmptyView"]}},
      {"Link": {"destination": "corvantis2://reminders", "label": {"Text": "go"}}},
      {"WidgetCounterView": {"layout": "accessoryCircular", "style": "overdue", "count": -2}}]},
    "modifiers": [{"padding": null}, {"padding": [1, 3, 1, 3]}, {"lineLimit": 1}, {"fixedSize": [false, true]},
      {"layoutPriority": 1}, {"foregroundColor": "white"},
      {"flexibleFrame": {"minWidth": 0, "maxWidth": "infinity", "alignment": "leading"}},
      {"background": {"gradient": ["red", {"standard": "green"}], "start": [0, 0], "end": [1, 1]}},
      {"clipRoundedRect": 5}, {"widgetURL": "corvantis2://reminders"}, {"containerBackground": "gray"}]})",
                                       viewJsonKinds());
  ASSERT_TRUE(parsed) << parsed.error().reason;
  const Element expected =
      VStack{.alignment = HorizontalAlignment::leading,
             .spacing = 9,
             .children = {Text::verbatim("Swim")
                              .withFont(Font::system(15, FontWeight::medium))
                              .bolded()
                              .withColor(Color::rgb(1, 0, 0, 128 / 255.0)),
                          Text::localized("TODAY").withColor(
                              Color::named("PersonProfile.PineGlade").withOpacity(0.8)),
                          Text::time(*parseRfc3339("2026-06-10T17:00:00Z")),
                          Image{.systemName = "bell.fill"}.font(Font::system(14)).frame(16, std::nullopt),
                          Spacer{.minLength = 0}, Divider{}, AccessoryWidgetBackground{},
                          HStack{.alignment = VerticalAlignment::lastTextBaseline},
                          ZStack{.alignment = Alignment::topLeading(), .children = {EmptyView{}}},
                          Link{.destination = "corvantis2://reminders", .label = Text::verbatim("go")},
                          WidgetCounterView{CounterLayout::accessoryCircular, CounterStyle::overdue, -2}}}
          .padding()
          .padding(EdgeInsets{1, 3, 1, 3})
          .lineLimit(1)
          .fixedSize(false, true)
          .layoutPriority(1)
          .foregroundColor(Color::white())
          .flexibleFrame({.minWidth = 0, .maxWidth = kInfinity, .alignment = Alignment::leading()})
          .background(LinearGradient{
              .colors = {Color::red(), Color::green()}, .startPoint = {0, 0}, .endPoint = {1, 1}})
          .clipRoundedRect(5)
          .widgetURL("corvantis2://reminders")
          .containerBackground(Color::gray());
  EXPECT_EQ(*parsed, expected) << describe(*parsed) << "\nexpected\n" << describe(expected);
}

TEST(ElementJson, RefusesWhatItDoesNotKnowWithAReason) {
  const std::pair<const char*, const char*> cases[] = {
      // clang-format off
      {"{", "not valid JSON"}, {R"({"Marquee": "x"})", "no element kind"},
      {R"("Spinner")", "unknown element \"Spinner\""},
      {R"({"Text": "x", "color": "mauve"})", "unknown colour \"mauve\""},
      {R"({"Text": "x", "font": {"size": 12, "weight": "thin"}})", "unknown weight \"thin\""},
      {R"({"Text": "x", "modifiers": [{"blur": 3}]})", "unknown modifier \"blur\""},
      {R"({"Text": "x", "modifiers": [{"padding": 1, "frame": {}}]})", "one key"},
      {R"({"WidgetCounterView": {"layout": "diagonal", "style": "today", "count": 1}})",
       "unknown counter layout"},
      {R"({"Link": {"destination": "x"}})", "label"},
      // Numbers no integer holds are refused, never converted.
      {R"({"Text": "x", "modifiers": [{"lineLimit": 1e82}]})", "whole number of lines"},
      {R"({"Text": "x", "modifiers": [{"lineLimit": 4294967296}]})", "whole number of lines"},
      {R"({"WidgetCounterView": {"layout": "horizontal", "style": "today", "count": 1.5}})", "whole count"},
      {R"({"WidgetCounterView": {"layout": "horizontal", "style": "today", "count": 9223372036854775808}})",
       "whole count"},
      // clang-format on
  };
  for (const auto& [json, reason] : cases) {
    const auto parsed = parseElementJson(json, viewJsonKinds());
    ASSERT_FALSE(parsed) << json;
    EXPECT_NE(parsed.error().reason.find(reason), std::string::npos) << json << ": " << parsed.error().reason;
  }
  // 64 levels are fine, also right after a refusal of 65.
  std::string tree = R"({"Text": "x"})", deepest;
  for (int level = 2; level <= 65; ++level) {
    deepest = std::exchange(tree, R"({"ZStack": {"children": [)" + tree + "]}}");
    EXPECT_EQ(parseElementJson(tree).has_value(), level < 65) << level;
  }
  EXPECT_NE(parseElementJson(tree).error().reason.find("nested more than 64 levels"), std::string::npos);
  EXPECT_TRUE(parseElementJson(deepest));
}

}  // namespace
}  // namespace rw

#include "views/demo_trees.h"

#include <array>
#include <string>

#include "views/counter_view.h"

namespace rw {

using namespace ui;

namespace {

constexpr double kDemoListWidth = 338;
constexpr double kDemoListHeight = 354;

Element countersRow(std::int64_t overdue, std::int64_t today) {
  return HStack{.alignment = VerticalAlignment::center,
                .spacing = 12,
                .children = {WidgetCounterView{CounterLayout::horizontal, CounterStyle::overdue, overdue},
                             WidgetCounterView{CounterLayout::horizontal, CounterStyle::today, today}}}
      .padding(EdgeInsets{.top = 2, .leading = 0, .bottom = 5, .trailing = 0});
}

Element chip(std::string text, Color color) {
  return Text::verbatim(std::move(text))
      .withFont(Font::system(11, FontWeight::medium))
      .padding(EdgeInsets{.top = 1, .leading = 3, .bottom = 1, .trailing = 3})
      .background(std::move(color))
      .clipRoundedRect(5);
}

struct DemoReminder {
  const char* title;
  const char* detail;
  std::vector<std::pair<const char*, const char*>> persons;  // nick, palette colour
  const char* due;
  Color dueColor;
  const char* url;
};

Element reminderRow(const DemoReminder& r) {
  const Element titleLine =
      HStack{.alignment = VerticalAlignment::lastTextBaseline,
             .children =
                 {Text::verbatim(r.title)
                      .lineLimit(1)
                      .fixedSize(false, true)
                      .font(Font::system(15, FontWeight::medium)),
                  Spacer{},
                  Text::verbatim(r.detail).withFont(Font::system(15, FontWeight::bold)).layoutPriority(1)}}
          .foregroundColor(Color::white());
  const Element chipsLine =
      HStack{.alignment = VerticalAlignment::lastTextBaseline,
             .children = concat(forEach(r.persons,
                                        [](const auto& person) {
                                          return chip(person.first,
                                                      Color::named(person.second).withOpacity(0.8));
                                        }),
                                {Spacer{}, chip(r.due, r.dueColor).layoutPriority(1)})}
          .foregroundColor(Color::white());
  return Link{.destination = r.url,
              .label = HStack{.alignment = VerticalAlignment::center,
                              .spacing = 12,
                              .children = {VStack{.alignment = HorizontalAlignment::leading,
                                                  .spacing = 4,
                                                  .children = {titleLine, chipsLine}}}}};
}

Element list() {
  const std::array<DemoReminder, 5> reminders{{
      {"Swimming lessons with the long-towel bag",
       "16:30",
       {{"Anna", "PersonProfile.BlueCuracao"}, {"Leo", "PersonProfile.Summertime"}},
       "OVERDUE",
       Color::red(),
       "corvantis2://event/1"},
      {"Call the paediatrician",
       "09:15",
       {{"Marc", "PersonProfile.PineGlade"}},
       "TODAY",
       Color::green(),
       "corvantis2://event/2"},
      {"School trip fee",
       "€ 24.50",
       {{"Anna", "PersonProfile.BlueCuracao"}, {"Mia", "PersonProfile.FlamingoPink"}},
       "TOMORROW",
       Color::gray(),
       "corvantis2://event/3"},
      {"Weekend at grandma's 🏡",
       "18:00",
       {{"Leo", "PersonProfile.Summertime"},
        {"Marc", "PersonProfile.PineGlade"},
        {"Mia", "PersonProfile.FlamingoPink"}},
       "IN 3 DAYS",
       Color::gray(),
       "corvantis2://event/4"},
      {"Dentist — Zahnarzt 歯医者",
       "11:00",
       {{"Mia", "PersonProfile.FlamingoPink"}},
       "IN 1 WEEK",
       Color::gray(),
       "corvantis2://reminders"},
  }};
  std::vector<Element> children{countersRow(3, 12)};
  for (std::size_t i = 0; i < reminders.size(); ++i) {
    children.push_back(reminderRow(reminders[i]));
    if (i + 1 < reminders.size()) children.push_back(Divider{}.background(Color::white()));
  }
  children.push_back(Spacer{.minLength = 0});
  return VStack{.alignment = HorizontalAlignment::center, .spacing = 9, .children = children}
      .widgetURL("corvantis2://reminders")
      .padding()
      .flexibleFrame({.minWidth = 0, .maxWidth = kInfinity, .minHeight = 0, .maxHeight = kInfinity})
      .background(LinearGradient{
          .colors = {Color::named("WidgetBackgroundTop"), Color::named("WidgetBackgroundBottom")},
          .startPoint = UnitPoint::top(),
          .endPoint = UnitPoint::bottom()});
}

Element counterLayouts() {
  auto pair = [](CounterLayout layout) {
    return VStack{.alignment = HorizontalAlignment::leading,
                  .spacing = 4,
                  .children = {WidgetCounterView{layout, CounterStyle::overdue, 3},
                               WidgetCounterView{layout, CounterStyle::today, 1234}}};
  };
  return VStack{
      .spacing = 16,
      .children = {pair(CounterLayout::accessoryCircular), pair(CounterLayout::accessoryRectangular),
                   pair(CounterLayout::vertical).frame(150, 100), pair(CounterLayout::horizontal)}}
      .padding()
      .flexibleFrame({.minWidth = 0, .maxWidth = kInfinity, .minHeight = 0, .maxHeight = kInfinity})
      .background(LinearGradient{
          .colors = {Color::named("WidgetBackgroundTop"), Color::named("WidgetBackgroundBottom")}});
}

}  // namespace

std::optional<DemoTree> demoTree(std::string_view name) {
  if (name == "counters-row") return DemoTree{countersRow(3, 12), 306, 37};
  if (name == "list") return DemoTree{list(), kDemoListWidth, kDemoListHeight};
  if (name == "counter-layouts") return DemoTree{counterLayouts(), 200, 320};
  return std::nullopt;
}

std::vector<std::string_view> demoTreeNames() {
  return {"counters-row", "list", "counter-layouts"};
}

}  // namespace rw

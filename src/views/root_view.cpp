#include "views/root_view.h"

#include "views/counter_view.h"
#include "views/flexible_small_view.h"
#include "views/reminder_view.h"

namespace rw {

using namespace ui;

LinearGradient widgetBackgroundGradient() {
  return {.colors = {Color::named("WidgetBackgroundTop"), Color::named("WidgetBackgroundBottom")},
          .startPoint = UnitPoint::top(),
          .endPoint = UnitPoint::bottom()};
}

Element BackwardsCompatibilityModifier::body(Element content, const Environment& environment) const {
  // The host's content margins are for the system families: an accessory is too small to lose 16 points
  // a side (a circular one would keep 40 of its 72), so its content fills it.
  if (environment.platformVersion.isAtLeast(14))
    return content.containerBackground(widgetBackgroundGradient(),
                                       isAccessory ? std::optional<double>(0) : std::nullopt);
  if (isAccessory) return content;
  return content.padding()
      .flexibleFrame({.maxWidth = kInfinity, .maxHeight = kInfinity, .alignment = Alignment::center()})
      .background(widgetBackgroundGradient());
}

namespace {

Element counter(CounterLayout layout, CounterStyle style, std::int64_t count) {
  return WidgetCounterView{.layout = layout, .style = style, .count = count};
}

}  // namespace

Element remindersListContent(const RemindersWidgetTimelineEntry& entry, RemindersListSize size) {
  std::vector<Element> children{
      HStack{.alignment = VerticalAlignment::center,
             .spacing = 12,
             .children = {counter(CounterLayout::horizontal, CounterStyle::overdue, entry.overdueCount),
                          counter(CounterLayout::horizontal, CounterStyle::today, entry.todayCount)}}
          .padding(EdgeInsets{.top = 2, .leading = 0, .bottom = 5, .trailing = 0})};

  if (entry.reminders.empty()) {
    // The two spacers share the free height, so the message sits midway below the counters.
    children.push_back(Spacer{});
    children.push_back(Text::localized("NO PLANNED EVENTS")
                           .withFont(Font::system(16, FontWeight::medium))
                           .withColor(Color::white()));
    children.push_back(Spacer{});
  } else {
    // Dividers follow the planned row count, not the reminders present: a list that is not full still
    // ends in a divider.
    for (std::size_t i = 0; i < entry.reminders.size(); ++i) {
      children.push_back(WidgetReminderView{.reminderComponent = entry.reminders[i]});
      if (static_cast<std::int64_t>(i) + 1 < size.remindersCount)
        children.push_back(Divider{}.background(Color::white()));
    }
    children.push_back(Spacer{.minLength = 0});
  }
  return VStack{.alignment = HorizontalAlignment::center, .spacing = size.rowSpacing, .children = children};
}

Element accessoryCircularContent(const RemindersWidgetTimelineEntry& entry, const Environment& environment) {
  std::vector<Element> layers;
  if (environment.platformVersion.isAtLeast(13)) layers.push_back(AccessoryWidgetBackground{});
  layers.push_back(VStack{
      .alignment = HorizontalAlignment::center,
      .spacing = 4,
      .children = {counter(CounterLayout::accessoryCircular, CounterStyle::overdue, entry.overdueCount),
                   counter(CounterLayout::accessoryCircular, CounterStyle::today, entry.todayCount)}});
  return ZStack{.alignment = Alignment::center(), .children = layers};
}

Element accessoryRectangularContent(const RemindersWidgetTimelineEntry& entry) {
  return VStack{
      .alignment = HorizontalAlignment::leading,
      .spacing = 4,
      .children = {counter(CounterLayout::accessoryRectangular, CounterStyle::overdue, entry.overdueCount),
                   counter(CounterLayout::accessoryRectangular, CounterStyle::today, entry.todayCount)}};
}

Element legacySmallContent(const RemindersWidgetTimelineEntry& entry, const Environment& environment) {
  return VStack{.alignment = HorizontalAlignment::leading,
                .spacing = 8,
                .children = {dateHeader(entry.date, environment),
                             counter(CounterLayout::vertical, CounterStyle::overdue, entry.overdueCount),
                             counter(CounterLayout::vertical, CounterStyle::today, entry.todayCount)}};
}

Element RemindersWidgetView::body(const Environment& environment) const {
  const ContentLayout& layout = timelineEntry.layout;
  Element content;
  bool isAccessory = false;
  if (const auto* list = std::get_if<content_layout::SystemMediumLarge>(&layout)) {
    content = remindersListContent(timelineEntry, list->size);
  } else if (std::holds_alternative<content_layout::AccessoryCircular>(layout)) {
    content = accessoryCircularContent(timelineEntry, environment);
    isAccessory = true;
  } else if (std::holds_alternative<content_layout::AccessoryRectangular>(layout)) {
    content = accessoryRectangularContent(timelineEntry);
    isAccessory = true;
  } else if (environment.platformVersion.isAtLeast(14)) {
    content = RemindersFlexibleSmallContentView{.timelineEntry = timelineEntry};
  } else {
    content = legacySmallContent(timelineEntry, environment);
  }
  return BackwardsCompatibilityModifier{.isAccessory = isAccessory}.body(
      content.widgetURL(std::string(kWidgetLinkURL)), environment);
}

std::string RemindersWidgetView::description() const {
  return "layout: " + std::string(caseName(timelineEntry.layout)) +
         ", overdue: " + std::to_string(timelineEntry.overdueCount) +
         ", today: " + std::to_string(timelineEntry.todayCount) +
         ", reminders: " + std::to_string(timelineEntry.reminders.size());
}

}  // namespace rw

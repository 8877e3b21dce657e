#include "views/flexible_small_view.h"

#include "views/counter_view.h"

namespace rw {

using namespace ui;

std::string weekdayLabel(Date date, const Calendar& calendar) {
  // The calendar answers weekday 1 for a date it cannot place, as an absent component reads.
  const int index = calendar.weekday(date) - 1;
  const std::vector<std::string> symbols = calendar.standaloneWeekdaySymbols();
  if (index < 0 || static_cast<std::size_t>(index) >= symbols.size()) return {};
  return symbols[static_cast<std::size_t>(index)];
}

std::int64_t dayOfMonth(Date date, const Calendar& calendar) {
  return calendar.dayOfMonth(date);
}

Calendar headerCalendar(const Environment& environment) {
  if (environment.settings) return environment.settings->calendar;
  static const Calendar neutral = *Calendar::make("UTC", "C");
  return neutral;
}

Element dateHeader(Date date, const Environment& environment) {
  const Calendar calendar = headerCalendar(environment);
  const Text weekday = Text::verbatim(uppercased(weekdayLabel(date, calendar)));
  const Text day = Text::verbatim(std::to_string(dayOfMonth(date, calendar)));
  return VStack{
      .alignment = HorizontalAlignment::leading,
      .spacing = 1,
      .children = {weekday.withFont(Font::system(10, FontWeight::semibold)).withColor(Color::white()),
                   day.withFont(Font::system(18, FontWeight::semibold)).withColor(Color::white())}}
      .accessibilityLabel({weekday, day});
}

double rowBackgroundOpacity(WidgetRenderingMode mode) {
  return mode == WidgetRenderingMode::vibrant ? 0.2 : 1.0;
}

namespace {

// One counter row: symbol, label, spacer and count on the style's colour, every text on one line. The count
// keeps its digits; the label is cut with "…" first, so both rows keep the height of one line.
Element counterRow(CounterStyle style, std::int64_t count, double opacity) {
  const Font font = Font::system(14, FontWeight::regular);
  return HStack{.alignment = VerticalAlignment::center,
                .spacing = 4,
                .children = {Image{.systemName = std::string(counterSymbolName(style))}.font(font).frame(
                                 16, std::nullopt),
                             Text::localized(std::string(counterLabelKey(style))).withFont(font), Spacer{},
                             Text::verbatim(std::to_string(count))
                                 .withFont(Font::system(14, FontWeight::heavy))
                                 .padding(4)
                                 .layoutPriority(1)}}
      .lineLimit(1)
      .foregroundColor(Color::white())
      .padding(6)
      .background(counterColor(style).withOpacity(opacity))
      .clipRoundedRect(8)
      .accessibilityLabel(counterAccessibilityLabel(style, count));
}

}  // namespace

Element RemindersFlexibleSmallContentView::body(const Environment& environment) const {
  const double opacity = rowBackgroundOpacity(environment.renderingMode);
  return VStack{.alignment = HorizontalAlignment::leading,
                .spacing = 8,
                .children = {dateHeader(timelineEntry.date, environment),
                             counterRow(CounterStyle::overdue, timelineEntry.overdueCount, opacity),
                             counterRow(CounterStyle::today, timelineEntry.todayCount, opacity)}};
}

std::string RemindersFlexibleSmallContentView::description() const {
  return "overdue: " + std::to_string(timelineEntry.overdueCount) +
         ", today: " + std::to_string(timelineEntry.todayCount);
}

}  // namespace rw

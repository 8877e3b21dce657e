#include "views/counter_view.h"

namespace rw {

using namespace ui;

std::string_view counterSymbolName(CounterStyle style) {
  return style == CounterStyle::overdue ? "flame.fill" : "bell.fill";
}

std::string_view counterLabelKey(CounterStyle style) {
  return style == CounterStyle::overdue ? "OVERDUE" : "TODAY";
}

Color counterColor(CounterStyle style) {
  return style == CounterStyle::overdue ? Color::red() : Color::green();
}

std::vector<Text> counterAccessibilityLabel(CounterStyle style, std::int64_t count) {
  return {Text::localized(std::string(counterLabelKey(style))), Text::verbatim(std::to_string(count))};
}

std::string_view caseName(CounterLayout layout) {
  switch (layout) {
    case CounterLayout::accessoryCircular:
      return "accessoryCircular";
    case CounterLayout::accessoryRectangular:
      return "accessoryRectangular";
    case CounterLayout::vertical:
      return "vertical";
    case CounterLayout::horizontal:
      return "horizontal";
  }
  return "?";
}

std::string_view caseName(CounterStyle style) {
  return style == CounterStyle::overdue ? "overdue" : "today";
}

namespace {

// The coloured box of the vertical and horizontal layouts around `content`, innermost first: one line for
// every text (a label that does not fit is cut with "…", never wrapped, so both boxes of a row stay alike),
// white foreground, padding 8, a frame that fills its offer, the style's colour behind, rounded corners of 8.
Element box(Element content, CounterStyle style) {
  return content.lineLimit(1)
      .foregroundColor(Color::white())
      .padding(8)
      .flexibleFrame({.minWidth = 0,
                      .maxWidth = kInfinity,
                      .minHeight = 0,
                      .maxHeight = kInfinity,
                      .alignment = Alignment::center()})
      .background(counterColor(style))
      .clipRoundedRect(8);
}

// The symbol in a frame 16 points wide, so both accessory counters line their labels and numbers up.
Element framedSymbol(CounterStyle style) {
  return Image{.systemName = std::string(counterSymbolName(style))}.frame(16, std::nullopt);
}

}  // namespace

namespace {

Element arrangement(CounterLayout layout, CounterStyle style, std::int64_t count) {
  const std::string number = std::to_string(count);
  const Text label = Text::localized(std::string(counterLabelKey(style)));

  switch (layout) {
    case CounterLayout::accessoryCircular:
      return HStack{.alignment = VerticalAlignment::firstTextBaseline,
                    .spacing = 1,
                    .children = {framedSymbol(style), Text::verbatim(number).layoutPriority(1)}}
          .lineLimit(1);

    case CounterLayout::accessoryRectangular:
      return HStack{.alignment = VerticalAlignment::center,
                    .children = {framedSymbol(style), label, Spacer{},
                                 Text::verbatim(number).bolded().layoutPriority(1)}}
          .lineLimit(1);

    case CounterLayout::vertical:
      return box(
          HStack{
              .alignment = VerticalAlignment::center,
              .children =
                  {label.withFont(Font::system(14, FontWeight::regular)).withColor(Color::white()), Spacer{},
                   Text::verbatim(number).withFont(Font::system(18, FontWeight::heavy)).layoutPriority(1)}},
          style);

    case CounterLayout::horizontal:
      return box(HStack{.alignment = VerticalAlignment::center,
                        .children = {Image{.systemName = std::string(counterSymbolName(style))}.font(
                                         Font::system(14, FontWeight::regular)),
                                     label.withFont(Font::system(14, FontWeight::regular)), Spacer{},
                                     Text::verbatim(number)
                                         .withFont(Font::system(16, FontWeight::heavy))
                                         .padding(4)
                                         .layoutPriority(1)}},
                 style)
          .frame(std::nullopt, 30);
  }
  return EmptyView{};
}

}  // namespace

Element WidgetCounterView::body(const Environment&) const {
  return arrangement(layout, style, count).accessibilityLabel(counterAccessibilityLabel(style, count));
}

std::string WidgetCounterView::description() const {
  return "layout: " + std::string(caseName(layout)) + ", style: " + std::string(caseName(style)) +
         ", count: " + std::to_string(count);
}

}  // namespace rw

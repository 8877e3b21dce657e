#include "views/reminder_view.h"

namespace rw {

using namespace ui;

Color personColor(const ColorEncoded& colorEncoded) {
  const auto name = paletteColorName(colorEncoded.index);
  const Color base = name ? Color::named(std::string(*name)) : Color::red();
  return base.withOpacity(0.8);
}

Color dueColor(WidgetTimelineReminderComponent::DueStyle style) {
  switch (style) {
    case WidgetTimelineReminderComponent::DueStyle::overdue:
      return Color::red();
    case WidgetTimelineReminderComponent::DueStyle::today:
      return Color::green();
    case WidgetTimelineReminderComponent::DueStyle::future:
      return Color::gray();
  }
  return Color::gray();
}

Element WidgetReminderView::Boilerplate::body(const Environment&) const {
  return text.withFont(Font::system(11, FontWeight::medium))
      .padding(EdgeInsets{.top = 1, .leading = 3, .bottom = 1, .trailing = 3})
      .background(color)
      .clipRoundedRect(5);
}

std::string WidgetReminderView::Boilerplate::description() const {
  return "\"" + text.string + "\"";
}

std::string WidgetReminderView::linkTarget() const {
  if (reminderComponent.actionURL) return reminderComponent.actionURL->absoluteString();
  return std::string(kWidgetLinkURL);
}

std::vector<Element> WidgetReminderView::chipsLines(const WidgetTimelineReminderComponent& r) {
  std::vector<Element> personChips = forEach(r.personsLabels, [](const auto& label) -> Element {
    return Element(Boilerplate{.text = Text::verbatim(label.nick), .color = personColor(label.colorEncoded)})
        .flexibleFrame({.minWidth = kMinimumPersonChipWidth, .alignment = Alignment::leading()});
  });
  // The due chip never shrinks: a line it does not fit beside the other chips does not fit.
  const Element dueChip =
      Element(Boilerplate{.text = Text::verbatim(r.dueText), .color = dueColor(r.dueStyle)})
          .fixedSize(true, false)
          .layoutPriority(1);
  // The same chips shared by every line, so the layout measures each once per offer.
  std::vector<Element> lines;
  for (std::size_t shown = personChips.size() + 1; shown-- > 0;) {
    std::vector<Element> children(personChips.begin(),
                                  personChips.begin() + static_cast<std::ptrdiff_t>(shown));
    if (const std::size_t left = personChips.size() - shown; left > 0)
      children.push_back(
          Element(Boilerplate{.text = Text::verbatim("+" + std::to_string(left)), .color = kMorePersonsColor})
              .fixedSize(true, false)
              .layoutPriority(1));
    children.push_back(Spacer{});
    children.push_back(dueChip);
    lines.push_back(
        HStack{.alignment = VerticalAlignment::lastTextBaseline, .children = std::move(children)});
  }
  return lines;
}

Element WidgetReminderView::body(const Environment&) const {
  const WidgetTimelineReminderComponent& r = reminderComponent;

  // An expense shows what it costs; everything else the time it is due, in the user's time style.
  const Text detail =
      r.type == CustodyEventType::expense ? Text::verbatim(r.dueAmountText) : Text::time(r.dueDate);
  // The title gets its full line height but gives up width first: the detail has priority 1.
  const Element titleLine =
      HStack{.alignment = VerticalAlignment::lastTextBaseline,
             .children = {Text::verbatim(r.title)
                              .lineLimit(1)
                              .fixedSize(false, true)
                              .font(Font::system(15, FontWeight::medium)),
                          Spacer{}, detail.withFont(Font::system(15, FontWeight::bold)).layoutPriority(1)}}
          .foregroundColor(Color::white());

  const Element chipsLine =
      ViewThatFits{.children = chipsLines(r)}.lineLimit(1).foregroundColor(Color::white());

  // Read as one link: every person, also those a "+N" chip stands for.
  std::vector<Text> label{Text::verbatim(r.title), detail};
  for (const auto& person : r.personsLabels)
    label.push_back(Text::verbatim(person.nick));
  label.push_back(Text::verbatim(r.dueText));
  return Link{.destination = linkTarget(),
              .label = HStack{.alignment = VerticalAlignment::center,
                              .spacing = 12,
                              .children = {VStack{.alignment = HorizontalAlignment::leading,
                                                  .spacing = 4,
                                                  .children = {titleLine, chipsLine}}}}}
      .accessibilityLabel(std::move(label));
}

std::string WidgetReminderView::description() const {
  return "\"" + reminderComponent.title + "\", " + std::string(dueStyleName(reminderComponent.dueStyle)) +
         ", link: " + linkTarget();
}

}  // namespace rw

#include "views/widget.h"

namespace rw {

StaticConfiguration StaticConfiguration::configurationDisplayName(std::string_view key) const {
  StaticConfiguration out = *this;
  out.displayNameKey = key;
  return out;
}

StaticConfiguration StaticConfiguration::description(std::string_view key) const {
  StaticConfiguration out = *this;
  out.descriptionKey = key;
  return out;
}

StaticConfiguration StaticConfiguration::supportedFamiliesList(std::vector<WidgetFamily> families) const {
  StaticConfiguration out = *this;
  out.supportedFamilies = std::move(families);
  return out;
}

std::vector<WidgetFamily> RemindersWidget::supportedFamilies(PlatformVersion version) {
  if (version.isAtLeast(14, 0, 0))
    return {WidgetFamily::systemSmall, WidgetFamily::systemLarge, WidgetFamily::systemExtraLarge};
  return {WidgetFamily::systemSmall, WidgetFamily::systemLarge};
}

StaticConfiguration RemindersWidget::body(WidgetEnvironment environment, PlatformVersion version) const {
  return StaticConfiguration{.kind = std::string(kKind),
                             .provider = RemindersWidgetTimelineProvider(std::move(environment)),
                             .content =
                                 [](const RemindersWidgetTimelineEntry& entry) {
                                   return RemindersWidgetView{.timelineEntry = entry};
                                 }}
      .configurationDisplayName(kDisplayNameKey)
      .description(kDescriptionKey)
      .supportedFamiliesList(supportedFamilies(version));
}

}  // namespace rw

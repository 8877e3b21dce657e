// The one widget this program declares to the widget host: its kind, its name and description (keys into
// the string tables), the families it is offered in, the provider that feeds it and the view that draws
// each entry.
//
// The host (the command line, app/) reads `RemindersWidget::body` once per run with the platform it runs
// against, then asks the configuration's provider for entries and draws each with `content`.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "views/root_view.h"
#include "widget/host.h"
#include "widget/provider.h"

namespace rw {

/// A widget with no options of its own: a kind, a provider and a content function, with the modifiers of
/// its name, description and families applied in that order.
struct StaticConfiguration {
  using Content = std::function<RemindersWidgetView(const RemindersWidgetTimelineEntry&)>;

  std::string kind;
  RemindersWidgetTimelineProvider provider;
  Content content;
  std::string displayNameKey;
  std::string descriptionKey;
  std::vector<WidgetFamily> supportedFamilies;

  StaticConfiguration configurationDisplayName(std::string_view key) const;
  StaticConfiguration description(std::string_view key) const;
  StaticConfiguration supportedFamiliesList(std::vector<WidgetFamily> families) const;
};

struct RemindersWidget {
  static constexpr std::string_view kKind = "org.corvantis.reminders-widget";
  static constexpr std::string_view kDisplayNameKey = "PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME";
  static constexpr std::string_view kDescriptionKey = "SHOWS A LIST OF PLANNED EVENTS / WIDGET DESCRIPTION";

  /// systemSmall and systemLarge, then systemExtraLarge from 14.0.0 on. Medium and the accessory families
  /// are not offered, although the provider and the views handle them.
  static std::vector<WidgetFamily> supportedFamilies(PlatformVersion version);

  /// The configuration on `version`: a new provider over `environment`, and a content function that wraps
  /// a copy of each entry in a `RemindersWidgetView`.
  StaticConfiguration body(WidgetEnvironment environment, PlatformVersion version) const;
};

}  // namespace rw

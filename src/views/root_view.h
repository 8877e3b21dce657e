// The view the widget draws every timeline entry with. It picks the tree of the entry's layout - the
// reminders list, the two accessory counter arrangements, or the small layout - attaches the widget's link
// and gives the whole the background that the platform version supports.
#pragma once

#include <string>

#include "ui/elements.h"
#include "ui/environment.h"
#include "widget/timeline_entry.h"

namespace rw {

/// The widget background: "WidgetBackgroundTop" at the top centre to "WidgetBackgroundBottom" at the
/// bottom centre.
ui::LinearGradient widgetBackgroundGradient();

/// Supplies the widget background in the form the running platform supports:
///  - from 14.0.0, every layout: a container background of the gradient (the host draws it behind the
///    whole widget and insets the content of the system layouts by its content margins; accessory
///    content gets no margins);
///  - before 14, accessory layouts: the content unchanged;
///  - before 14, the other layouts: the content with the default padding, in a frame that fills the widget,
///    on the gradient.
struct BackwardsCompatibilityModifier {
  bool isAccessory = false;

  ui::Element body(ui::Element content, const ui::Environment& environment) const;
  friend bool operator==(const BackwardsCompatibilityModifier&,
                         const BackwardsCompatibilityModifier&) = default;
};

struct RemindersWidgetView {
  static constexpr const char* kViewName = "RemindersWidgetView";

  using ContentLayout = rw::ContentLayout;
  using RemindersListSize = rw::RemindersListSize;

  RemindersWidgetTimelineEntry timelineEntry;

  /// The tree of the entry's layout, inside a `WidgetURL` of "corvantis2://reminders", inside the
  /// background of `BackwardsCompatibilityModifier` (accessory for the two accessory layouts).
  ///
  /// The list layout is a vertical stack (spacing: the layout's row spacing) of the counters row, then
  /// either the empty state ("NO PLANNED EVENTS" centred between two spacers) or every reminder's row, each
  /// followed by a white divider while its position is below the planned row count, and a spacer that keeps
  /// the rows at the top. With fewer reminders than planned rows the last row is followed by a divider too.
  ui::Element body(const ui::Environment& environment) const;
  std::string description() const;

  friend bool operator==(const RemindersWidgetView&, const RemindersWidgetView&) = default;
};

/// The content tree of each layout, before the link and the background (what `body` wraps).
ui::Element remindersListContent(const RemindersWidgetTimelineEntry& entry, RemindersListSize size);
ui::Element accessoryCircularContent(const RemindersWidgetTimelineEntry& entry,
                                     const ui::Environment& environment);
ui::Element accessoryRectangularContent(const RemindersWidgetTimelineEntry& entry);
/// The small layout before 14.0.0: the date header above two vertical counter boxes.
ui::Element legacySmallContent(const RemindersWidgetTimelineEntry& entry, const ui::Environment& environment);

}  // namespace rw

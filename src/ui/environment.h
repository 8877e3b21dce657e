// What a view's body may read besides its own fields: the platform version, the host's rendering mode, the
// layout direction, and the user's calendar and string catalog. The host makes one per rendering and passes
// it down.
#pragma once

#include <optional>

#include "platform/display.h"
#include "platform/user_settings.h"

namespace rw::ui {

struct Environment {
  PlatformVersion platformVersion;
  WidgetRenderingMode renderingMode = WidgetRenderingMode::fullColor;
  /// Right to left, every horizontal placement is mirrored: rows run from the right, leading alignment and
  /// insets are on the right, and lines of text start at the right edge of their frame. Texts keep their
  /// own direction and symbols their shape.
  LayoutDirection layoutDirection = LayoutDirection::leftToRight;
  /// The user's calendar (time style, weekday names) and catalog (localised texts). Without settings,
  /// localised texts show their keys and times show as 24-hour "HH:MM" in UTC.
  std::optional<UserSettings> settings;
};

}  // namespace rw::ui

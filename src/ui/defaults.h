// The toolkit's own values: what a tree gets where it leaves a length, a font or a colour unset.
#pragma once

#include "ui/elements.h"

namespace rw::ui {

/// Padding on every edge of a `Padding` without insets.
inline constexpr double kDefaultPadding = 16;
/// Space between neighbours of a stack without a spacing.
inline constexpr double kDefaultSpacing = 8;
/// Shortest length of a `Spacer` without a minimum.
inline constexpr double kDefaultSpacerMinLength = 8;
/// Thickness of a `Divider`.
inline constexpr double kDividerThickness = 1;
/// Inset of a widget's content from its edges when the widget has a `ContainerBackground` (the host's
/// content margins).
inline constexpr double kWidgetContentMargin = 16;

/// Largest font size drawn; a larger, negative or non-finite size draws at the default size.
inline constexpr double kMaxFontSize = 1000;
/// Font of texts and symbols without one of their own or from a `SubtreeFont`.
inline constexpr Font kDefaultFont{13, FontWeight::regular, FontDesign::standard};
/// Colour of texts and symbols without one of their own or from a `ForegroundColor`: the widget is shown in
/// the dark appearance, whose primary label colour is white.
inline const Color kDefaultForeground = Color::white();
/// Colour of a divider's line: a translucent grey, like a separator.
inline const Color kDividerColor = Color::rgb(0.5, 0.5, 0.5, 0.35);
/// Fill of `AccessoryWidgetBackground`: a translucent white disc.
inline const Color kAccessoryBackdropColor = Color::rgb(1, 1, 1, 0.18);

}  // namespace rw::ui

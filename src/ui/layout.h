// The layout engine: proposes sizes down an element tree and places what each element chooses.
//
// It works as the platform's declarative toolkit does. A parent proposes a size to each child (a width and
// a height, each possibly unset for "your ideal" or infinite for "your largest"); the child chooses its own
// size; the parent places it. The algorithms, one file each:
//  - stacks (stack_layout.cpp): spacing is taken off first; children are served in order of layout priority
//    (highest first) and, within one priority, of flexibility (least flexible first), each offered an equal
//    share of what is left; spacers take what remains and share it equally; children line up by the stack's
//    alignment, text baselines included.
//  - frames (frame_layout.cpp): a fixed frame imposes its size; a flexible frame clamps what it is offered
//    to its limits; fixed size offers the ideal size.
//  - padding (padding_layout.cpp): insets the offer and adds the insets to the result.
//  - text (text_layout.cpp): resolves localised and time texts, measures through the `TextMeasurer`, wraps
//    and cuts to the line limit and to the lines that fit the offered height, with an ellipsis.
//  - the rest (modifier_layout.cpp): leaves (spacer, divider, backdrop) and modifiers that only pass the
//    offer on (colours, fonts, links, backgrounds, clipping).
//
// Defaults for unset values are in defaults.h.
#pragma once

#include <optional>
#include <string>

#include "ui/elements.h"
#include "ui/environment.h"
#include "ui/geometry.h"
#include "ui/layout_node.h"
#include "ui/text_measurer.h"

namespace rw::ui {

/// Lays `root` out on a canvas of `canvas` points: `root` is offered the canvas size and is centred on it.
/// Localised texts are looked up in `environment`'s catalog and times are formatted in its calendar.
[[nodiscard]] LayoutNode layout(const Element& root, Size canvas, const Environment& environment,
                                const TextMeasurer& measurer);

/// The size `element` chooses when offered `proposal` (e.g. unset width and height for its ideal size).
[[nodiscard]] Size sizeThatFits(const Element& element, ProposedSize proposal, const Environment& environment,
                                const TextMeasurer& measurer);

/// What `text` shows in `environment`: verbatim, translated, or the time in the user's time style.
[[nodiscard]] std::string resolvedText(const Text& text, const Environment& environment);

/// The font `text` is set in: its own font, else `inherited`, else the default; bold at least in bold weight.
[[nodiscard]] FontRequest resolvedFont(const Text& text, const std::optional<Font>& inherited);

}  // namespace rw::ui

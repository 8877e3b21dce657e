// The views that element trees written as JSON (ui/element_json.h) may name, so that a view can be drawn
// from the command line like any element:
//   {"WidgetCounterView": {"layout": "horizontal|vertical|accessoryCircular|accessoryRectangular",
//                          "style": "overdue|today", "count": 3}}
#pragma once

#include <span>

#include "ui/element_json.h"

namespace rw {

std::span<const ui::ElementJsonKind> viewJsonKinds();

}  // namespace rw

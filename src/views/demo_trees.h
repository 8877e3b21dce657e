// Built-in trees for drawing and benchmarking the toolkit without a payload: the counters row, a full
// list-like widget made of plain elements, and every counter layout.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "ui/elements.h"

namespace rw {

/// A demo tree with the canvas it is meant for, in points.
struct DemoTree {
  ui::Element tree;
  double width = 0;
  double height = 0;
};

/// "counters-row": the list layout's counters row (3 overdue, 12 today).
/// "list": a large widget drawn from elements: counters row, five reminder-like rows with dividers, the
/// background gradient, a widget URL and one link per row.
/// "counter-layouts": the four counter layouts of both styles.
[[nodiscard]] std::optional<DemoTree> demoTree(std::string_view name);

/// The names `demoTree` knows, in a stable order.
std::vector<std::string_view> demoTreeNames();

}  // namespace rw

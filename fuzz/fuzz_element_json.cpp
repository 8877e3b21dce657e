// Element trees described in JSON, from arbitrary bytes: parsing must refuse what it cannot read, and any
// tree it accepts must lay out (with fixed text metrics) into finite, non-negative frames, describe itself
// and answer hit tests, without crashing or hanging.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ui/element_json.h"
#include "ui/hit_testing.h"
#include "ui/layout.h"
#include "views/view_json.h"

namespace {

void checkSound(const rw::ui::LayoutNode& node) {
  const rw::ui::Rect& f = node.frame;
  if (!std::isfinite(f.minX()) || !std::isfinite(f.minY()) || !std::isfinite(f.width()) ||
      !std::isfinite(f.height()) || f.width() < 0 || f.height() < 0)
    std::abort();
  for (const auto& child : node.children)
    checkSound(child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto tree = rw::ui::parseElementJson(std::string_view(reinterpret_cast<const char*>(data), size),
                                             rw::viewJsonKinds());
  if (!tree) {
    if (tree.error().reason.empty()) std::abort();
    return 0;
  }
  static const rw::ui::FixedTextMeasurer metrics;
  const rw::ui::LayoutNode root = rw::ui::layout(*tree, {338, 354}, rw::ui::Environment{}, metrics);
  checkSound(root);
  (void)rw::ui::describe(*tree);
  (void)rw::ui::linkAt(root, {100, 100});
  (void)rw::ui::linkAreas(root);
  return 0;
}

#include "widget/timeline_entry.h"

#include <type_traits>

namespace rw {

std::string_view caseName(const ContentLayout& layout) {
  return std::visit(
      [](const auto& value) -> std::string_view {
        using Case = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Case, content_layout::SystemMediumLarge>) return "systemMediumLarge";
        if constexpr (std::is_same_v<Case, content_layout::AccessoryCircular>) return "accessoryCircular";
        if constexpr (std::is_same_v<Case, content_layout::AccessoryRectangular>)
          return "accessoryRectangular";
        if constexpr (std::is_same_v<Case, content_layout::SystemSmall>) return "systemSmall";
      },
      layout);
}

}  // namespace rw

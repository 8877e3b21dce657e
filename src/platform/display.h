// What the platform tells a program that draws: sizes in points, the running platform version and how the
// host presents what is drawn. Plain values, shared by the widget model and the view toolkit.
#pragma once

#include <compare>
#include <cstdint>

namespace rw {

/// Width and height in points.
struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

/// The running platform version, compared as major.minor.patch.
struct PlatformVersion {
  int major = 14;
  int minor = 0;
  int patch = 0;
  friend constexpr auto operator<=>(const PlatformVersion&, const PlatformVersion&) = default;
  constexpr bool isAtLeast(int maj, int min = 0, int pat = 0) const {
    return *this >= PlatformVersion{maj, min, pat};
  }
};

/// How the host presents the widget.
enum class WidgetRenderingMode : std::uint8_t { fullColor, accented, vibrant };

/// The direction rows and lines run in: from the left, or from the right (Arabic, Hebrew...).
enum class LayoutDirection : std::uint8_t { leftToRight, rightToLeft };

}  // namespace rw

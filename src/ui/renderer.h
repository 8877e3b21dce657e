// Draws a laid-out tree with Cairo and Pango: to a bitmap in memory, or to a PNG, SVG or PDF file.
//
// The canvas is `canvas` points at `scale` pixels per point (PNG) or user units per point (SVG, PDF);
// everything the tree does not paint stays transparent. Shapes and clips are antialiased. Rounded corners
// are "continuous": each corner is one cubic curve that starts 1.28 × the radius from the corner and eases
// into the edges, close to the squircle of the platform's continuous corners, rather than a circular arc.
// Texts are set exactly as the layout measured them (pango_text_measurer.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"
#include "ui/color_resources.h"
#include "ui/layout_node.h"

namespace rw::ui {

/// The keyboard focus shown on a laid-out tree: a rounded outline 2 points wide just inside `frame`, in
/// the labels' colour (the default foreground), drawn over everything else.
struct FocusRing {
  Rect frame;
  double cornerRadius = 0;
  friend bool operator==(const FocusRing&, const FocusRing&) = default;
};

struct RenderOptions {
  /// Pixels per point.
  double scale = 2;
  /// Named colours; the resources file's (`defaultColorTable()`) when unset.
  const ColorTable* colors = nullptr;
  std::optional<FocusRing> focusRing;
};

/// Pixels, row by row from the top: Cairo's ARGB32, premultiplied alpha, native byte order.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  /// The pixel at (`x`, `y`), un-premultiplied, each channel 0...1.
  Rgba at(int x, int y) const;
};

enum class ImageFormat : std::uint8_t { png, svg, pdf };

/// The format a file name asks for by its extension (.png, .svg, .pdf, any case), or nothing.
[[nodiscard]] std::optional<ImageFormat> imageFormatFor(const std::filesystem::path& path);

/// The pixel size of a canvas of `canvas` points at `scale`: each side rounded up, at least 1.
[[nodiscard]] std::pair<int, int> pixelSize(Size canvas, double scale);

/// `root` drawn on a transparent canvas.
[[nodiscard]] Bitmap renderBitmap(const LayoutNode& root, Size canvas, const RenderOptions& options = {});

/// A fully transparent bitmap of the canvas's pixel size.
[[nodiscard]] Bitmap blankBitmap(Size canvas, double scale);

/// The PNG file contents of `bitmap`; nothing when encoding fails.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> encodePng(const Bitmap& bitmap);

/// The pixels of PNG file contents (any PNG Cairo reads, converted to ARGB32); nothing when `png` is not one.
[[nodiscard]] std::optional<Bitmap> decodePng(const std::vector<std::uint8_t>& png);

/// Draws `root` into `path` in the format of its extension, or says why it could not (an unknown
/// extension, a file that cannot be written).
[[nodiscard]] Result<void> renderToFile(const LayoutNode& root, Size canvas,
                                        const std::filesystem::path& path, const RenderOptions& options = {});

}  // namespace rw::ui

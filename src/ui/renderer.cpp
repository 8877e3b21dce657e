#include "ui/renderer.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "platform/file_output.h"
#include "ui/defaults.h"
#include "ui/pango_setup.h"

namespace rw::ui {

namespace {

// How far from its corner a continuous corner starts, in corner radii, and where its control points lie
// (as a fraction of the way from the curve's ends to the corner).
constexpr double kCornerExtent = 1.28;
constexpr double kCornerPull = 0.64;

void continuousRoundedRect(cairo_t* cr, const Rect& r, double radius) {
  const double shortest = std::min(r.width(), r.height());
  const double extent = std::min(radius * kCornerExtent, shortest / 2);
  if (extent <= 0) {
    cairo_rectangle(cr, r.minX(), r.minY(), r.width(), r.height());
    return;
  }
  // One corner: from `from` (on the incoming edge) to `to` (on the outgoing edge) around `corner`.
  auto corner = [&](double fx, double fy, double cx, double cy, double tx, double ty) {
    cairo_line_to(cr, fx, fy);
    cairo_curve_to(cr, fx + (cx - fx) * kCornerPull, fy + (cy - fy) * kCornerPull,
                   tx + (cx - tx) * kCornerPull, ty + (cy - ty) * kCornerPull, tx, ty);
  };
  cairo_new_sub_path(cr);
  cairo_move_to(cr, r.minX() + extent, r.minY());
  corner(r.maxX() - extent, r.minY(), r.maxX(), r.minY(), r.maxX(), r.minY() + extent);
  corner(r.maxX(), r.maxY() - extent, r.maxX(), r.maxY(), r.maxX() - extent, r.maxY());
  corner(r.minX() + extent, r.maxY(), r.minX(), r.maxY(), r.minX(), r.maxY() - extent);
  corner(r.minX(), r.minY() + extent, r.minX(), r.minY(), r.minX() + extent, r.minY());
  cairo_close_path(cr);
}

void capsule(cairo_t* cr, const Rect& r) {
  const double radius = std::min(r.width(), r.height()) / 2;
  if (radius <= 0) return;
  cairo_new_sub_path(cr);
  cairo_arc(cr, r.maxX() - radius, r.minY() + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, r.maxX() - radius, r.maxY() - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, r.minX() + radius, r.maxY() - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, r.minX() + radius, r.minY() + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

class Painter {
 public:
  Painter(cairo_t* cr, const ColorTable& colors) : cr_(cr), colors_(colors) {
    context_ = pango_cairo_create_context(cr_);
    detail::configureContext(context_);
  }
  ~Painter() { g_object_unref(context_); }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  void draw(const LayoutNode& node) {
    if (const auto* fill = std::get_if<FillPaint>(&node.paint)) paintFill(*fill, node.frame);
    if (const auto* text = std::get_if<TextPaint>(&node.paint)) paintText(*text, node.frame);
    const auto* clip = std::get_if<ClipPaint>(&node.paint);
    if (clip) {
      cairo_save(cr_);
      continuousRoundedRect(cr_, node.frame, clip->cornerRadius);
      cairo_clip(cr_);
    }
    for (const LayoutNode& child : node.children)
      draw(child);
    if (clip) cairo_restore(cr_);
  }

 private:
  void setColor(const Color& color) {
    const Rgba c = colors_.resolve(color);
    cairo_set_source_rgba(cr_, c.red, c.green, c.blue, c.alpha);
  }

  void paintFill(const FillPaint& fill, const Rect& frame) {
    if (frame.width() <= 0 || frame.height() <= 0) return;
    if (fill.capsule)
      capsule(cr_, frame);
    else
      continuousRoundedRect(cr_, frame, fill.cornerRadius);

    if (const auto* color = std::get_if<Color>(&fill.fill)) {
      setColor(*color);
      cairo_fill(cr_);
      return;
    }
    const auto& gradient = std::get<LinearGradient>(fill.fill);
    if (gradient.colors.empty()) {
      cairo_new_path(cr_);
      return;
    }
    cairo_pattern_t* pattern =
        cairo_pattern_create_linear(frame.minX() + gradient.startPoint.x * frame.width(),
                                    frame.minY() + gradient.startPoint.y * frame.height(),
                                    frame.minX() + gradient.endPoint.x * frame.width(),
                                    frame.minY() + gradient.endPoint.y * frame.height());
    const std::size_t count = gradient.colors.size();
    for (std::size_t i = 0; i < count; ++i) {
      const Rgba c = colors_.resolve(gradient.colors[i]);
      const double offset = count == 1 ? 0 : static_cast<double>(i) / static_cast<double>(count - 1);
      cairo_pattern_add_color_stop_rgba(pattern, offset, c.red, c.green, c.blue, c.alpha);
    }
    cairo_set_source(cr_, pattern);
    cairo_fill(cr_);
    cairo_pattern_destroy(pattern);
  }

  void paintText(const TextPaint& text, const Rect& frame) {
    PangoLayout* layout = pango_layout_new(context_);
    detail::configureLayout(layout, text.text, text.font, text.wrapWidth, text.maxLines);
    setColor(text.color);
    detail::showLines(cr_, layout, frame, text.direction);
    g_object_unref(layout);
  }

  cairo_t* cr_;
  const ColorTable& colors_;
  PangoContext* context_ = nullptr;
};

void drawTree(cairo_surface_t* surface, const LayoutNode& root, double scale, const RenderOptions& options) {
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
  {
    Painter painter(cr, options.colors ? *options.colors : defaultColorTable());
    painter.draw(root);
  }
  if (const auto& ring = options.focusRing) {
    // The stroke's outer edge runs along the frame, so the ring stays within what the frame covers.
    constexpr double kWidth = 2;
    const Rect inner{
        {ring->frame.minX() + kWidth / 2, ring->frame.minY() + kWidth / 2},
        {std::max(0.0, ring->frame.width() - kWidth), std::max(0.0, ring->frame.height() - kWidth)}};
    continuousRoundedRect(cr, inner, std::max(0.0, ring->cornerRadius - kWidth / 2));
    const Rgba c = (options.colors ? *options.colors : defaultColorTable()).resolve(kDefaultForeground);
    cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
    cairo_set_line_width(cr, kWidth);
    cairo_stroke(cr);
  }
  cairo_destroy(cr);
}

Bitmap copyPixels(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  Bitmap bitmap;
  bitmap.width = cairo_image_surface_get_width(surface);
  bitmap.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  bitmap.pixels.resize(static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height));
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(&bitmap.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.width)],
                data + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(bitmap.width) * 4);
  return bitmap;
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

// Replaced whole (platform/file_output.h): a reader of the image never sees half of it.
Result<void> writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  return replaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

Rgba Bitmap::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0, 0};
  const std::uint32_t p =
      pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  const double alpha = ((p >> 24) & 0xFF) / 255.0;
  if (alpha == 0) return {0, 0, 0, 0};
  auto channel = [&](int shift) { return std::min(1.0, ((p >> shift) & 0xFF) / 255.0 / alpha); };
  return {channel(16), channel(8), channel(0), alpha};
}

std::optional<ImageFormat> imageFormatFor(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".png") return ImageFormat::png;
  if (extension == ".svg") return ImageFormat::svg;
  if (extension == ".pdf") return ImageFormat::pdf;
  return std::nullopt;
}

std::pair<int, int> pixelSize(Size canvas, double scale) {
  auto side = [&](double points) {
    const double pixels = std::ceil(std::max(0.0, points * scale) - 1e-9);
    return std::clamp(static_cast<int>(std::min(pixels, 32767.0)), 1, 32767);
  };
  return {side(canvas.width), side(canvas.height)};
}

Bitmap renderBitmap(const LayoutNode& root, Size canvas, const RenderOptions& options) {
  const auto [width, height] = pixelSize(canvas, options.scale);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  drawTree(surface, root, options.scale, options);
  Bitmap bitmap = copyPixels(surface);
  cairo_surface_destroy(surface);
  return bitmap;
}

Bitmap blankBitmap(Size canvas, double scale) {
  const auto [width, height] = pixelSize(canvas, scale);
  return Bitmap{
      width, height,
      std::vector<std::uint32_t>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0)};
}

std::optional<std::vector<std::uint8_t>> encodePng(const Bitmap& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0 ||
      bitmap.pixels.size() !=
          static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height))
    return std::nullopt;
  // Cairo's stride for ARGB32 is four bytes a pixel, so the bitmap's rows can be handed over as they are.
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(bitmap.pixels.data())), CAIRO_FORMAT_ARGB32,
      bitmap.width, bitmap.height, bitmap.width * 4);
  std::vector<std::uint8_t> bytes;
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, appendBytes, &bytes);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) return std::nullopt;
  return bytes;
}

namespace {

struct PngReader {
  const std::vector<std::uint8_t>& bytes;
  std::size_t position = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (reader->bytes.size() - reader->position < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes.data() + reader->position, length);
  reader->position += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<Bitmap> decodePng(const std::vector<std::uint8_t>& png) {
  PngReader reader{png};
  cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(readBytes, &reader);
  if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(decoded);
    return std::nullopt;
  }
  // Whatever format the file had, draw it onto an ARGB32 surface of the same size.
  const int width = cairo_image_surface_get_width(decoded);
  const int height = cairo_image_surface_get_height(decoded);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_surface(cr, decoded, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  Bitmap bitmap = copyPixels(surface);
  cairo_surface_destroy(surface);
  cairo_surface_destroy(decoded);
  return bitmap;
}

Result<void> renderToFile(const LayoutNode& root, Size canvas, const std::filesystem::path& path,
                          const RenderOptions& options) {
  const std::optional<ImageFormat> format = imageFormatFor(path);
  if (!format) return Failure{"unknown image format of " + path.string() + " (use .png, .svg or .pdf)"};
  if (*format == ImageFormat::png) {
    const auto png = encodePng(renderBitmap(root, canvas, options));
    if (!png) return Failure{"cannot encode the PNG image"};
    return writeFile(path, *png);
  }

  const auto [width, height] = pixelSize(canvas, options.scale);
  std::vector<std::uint8_t> bytes;
  cairo_surface_t* surface = *format == ImageFormat::svg
                                 ? cairo_svg_surface_create_for_stream(appendBytes, &bytes, width, height)
                                 : cairo_pdf_surface_create_for_stream(appendBytes, &bytes, width, height);
  drawTree(surface, root, options.scale, options);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS)
    return Failure{std::string("cannot draw: ") + cairo_status_to_string(status)};
  return writeFile(path, bytes);
}

}  // namespace rw::ui

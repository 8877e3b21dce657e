#include "ui/pango_text_measurer.h"

#include <pango/pangocairo.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "ui/pango_setup.h"

namespace rw::ui {

namespace detail {

namespace {

PangoWeight pangoWeight(FontWeight weight) {
  switch (weight) {
    case FontWeight::regular:
      return PANGO_WEIGHT_NORMAL;
    case FontWeight::medium:
      return PANGO_WEIGHT_MEDIUM;
    case FontWeight::semibold:
      return PANGO_WEIGHT_SEMIBOLD;
    case FontWeight::bold:
      return PANGO_WEIGHT_BOLD;
    case FontWeight::heavy:
      return PANGO_WEIGHT_ULTRABOLD;
  }
  return PANGO_WEIGHT_NORMAL;
}

}  // namespace

void configureContext(PangoContext* context) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, FALSE);
}

void configureLayout(PangoLayout* layout, std::string_view text, const FontRequest& font,
                     std::optional<double> wrapWidth, std::optional<int> maxLines) {
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  // Each paragraph runs in the direction of its first strong character (left to right without one), in
  // either layout direction; where its lines go in their frame is the renderer's (`showLines`).
  pango_layout_set_auto_dir(layout, TRUE);
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, font.family.c_str());
  pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
  pango_font_description_set_weight(description, pangoWeight(font.weight));
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);

  // A word broken between letters never gets a hyphen: a text either fits, wraps at word boundaries or is
  // cut with "…", and a hyphen would read as part of it ("Overdu-e").
  PangoAttrList* attributes = pango_attr_list_new();
  pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
  pango_layout_set_attributes(layout, attributes);
  pango_attr_list_unref(attributes);

  if (!wrapWidth) return;
  pango_layout_set_width(layout, static_cast<int>(std::floor(*wrapWidth * PANGO_SCALE)));
  if (maxLines && *maxLines <= 1) {
    // One line: the whole text, its breaks read as spaces, on a line that is not wrapped but ends in "…"
    // where the width ends. Wrapped and limited by height instead, Pango would cut a single long word
    // between two letters with no "…" ("Person" as "Per").
    const std::string joined = breaksAsSpaces(text);
    pango_layout_set_text(layout, joined.data(), static_cast<int>(joined.size()));
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    return;
  }
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  if (!maxLines || pango_layout_get_line_count(layout) <= *maxLines) return;
  const int limit = *maxLines;
  // Too many lines: the last line kept takes the rest of the text, its breaks read as spaces as in a
  // one-line text, and ends in "…". Pango counts a negative height per paragraph, so the limit is the
  // height down to that line, with half a line to spare against lines of other heights.
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  for (int line = 1; line < limit; ++line)
    pango_layout_iter_next_line(iter);
  const auto start = static_cast<std::size_t>(pango_layout_iter_get_index(iter));
  int top = 0;
  int bottom = 0;
  pango_layout_iter_get_line_yrange(iter, &top, &bottom);
  pango_layout_iter_free(iter);
  const std::string joined = std::string(text.substr(0, start)) + breaksAsSpaces(text.substr(start));
  pango_layout_set_text(layout, joined.data(), static_cast<int>(joined.size()));
  pango_layout_set_height(layout, bottom + (bottom - top) / 2);
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
}

namespace {

double points(int pangoUnits) {
  return pangoUnits / double(PANGO_SCALE);
}

}  // namespace

double widestLine(PangoLayout* layout) {
  double widest = 0;
  for (GSList* line = pango_layout_get_lines_readonly(layout); line != nullptr; line = line->next) {
    PangoRectangle logical;
    pango_layout_line_get_extents(static_cast<PangoLayoutLine*>(line->data), nullptr, &logical);
    widest = std::max(widest, points(logical.width));
  }
  return widest;
}

void showLines(cairo_t* cr, PangoLayout* layout, const Rect& frame, LayoutDirection direction) {
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  do {
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
    PangoRectangle logical;
    pango_layout_line_get_extents(line, nullptr, &logical);
    const double start =
        direction == LayoutDirection::rightToLeft ? frame.maxX() - points(logical.width) : frame.minX();
    cairo_move_to(cr, start - points(logical.x), frame.minY() + points(pango_layout_iter_get_baseline(iter)));
    pango_cairo_show_layout_line(cr, line);
  } while (pango_layout_iter_next_line(iter));
  pango_layout_iter_free(iter);
}

void reportMissingFonts(PangoLayout* layout) {
  if (pango_layout_get_unknown_glyphs_count(layout) == 0) return;
  static std::mutex mutex;
  static std::set<UScriptCode> reported;
  const char* text = pango_layout_get_text(layout);
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  do {
    const PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
    if (run == nullptr) continue;
    for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
      const PangoGlyph glyph = run->glyphs->glyphs[i].glyph;
      if ((glyph & PANGO_GLYPH_UNKNOWN_FLAG) == 0) continue;
      // An unknown glyph carries the character it stands for.
      const auto character = static_cast<UChar32>(glyph & ~PANGO_GLYPH_UNKNOWN_FLAG);
      UErrorCode status = U_ZERO_ERROR;
      const UScriptCode script = uscript_getScript(character, &status);
      const std::lock_guard lock(mutex);
      if (U_FAILURE(status) || !reported.insert(script).second) continue;
      const char* name = uscript_getName(script);
      std::string line = "reminders-widget: no installed font draws ";
      line +=
          script == USCRIPT_COMMON ? std::string("some symbols") : std::string(name ? name : "?") + " script";
      line += " (in \"";
      line += text;
      line +=
          "\"); they show as boxes. scripts/install-deps installs the fonts of every language the widget "
          "ships\n";
      std::fwrite(line.data(), 1, line.size(), stderr);
    }
  } while (pango_layout_iter_next_run(iter));
  pango_layout_iter_free(iter);
}

}  // namespace detail

struct PangoTextMeasurer::State {
  std::mutex mutex;
  PangoFontMap* fontMap = nullptr;
  PangoContext* context = nullptr;
  using Key =
      std::tuple<std::string, std::string, double, FontWeight, std::optional<double>, std::optional<int>>;
  // Bounded: a host that runs for weeks measures new titles every day. When full it starts afresh, which
  // costs one re-measure per text still in use.
  static constexpr std::size_t kMaxCachedTexts = 4096;
  std::map<Key, TextMetrics> cache;
};

PangoTextMeasurer::PangoTextMeasurer() : state_(std::make_unique<State>()) {
  state_->fontMap = pango_cairo_font_map_new();
  state_->context = pango_font_map_create_context(state_->fontMap);
  detail::configureContext(state_->context);
}

PangoTextMeasurer::~PangoTextMeasurer() {
  g_object_unref(state_->context);
  g_object_unref(state_->fontMap);
}

TextMetrics PangoTextMeasurer::measure(std::string_view text, const FontRequest& font,
                                       std::optional<double> wrapWidth, std::optional<int> maxLines) const {
  std::lock_guard lock(state_->mutex);
  State::Key key{std::string(text), font.family, font.size, font.weight, wrapWidth, maxLines};
  if (auto found = state_->cache.find(key); found != state_->cache.end()) return found->second;

  PangoLayout* layout = pango_layout_new(state_->context);
  detail::configureLayout(layout, text, font, wrapWidth, maxLines);
  detail::reportMissingFonts(layout);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  PangoLayoutIter* line = pango_layout_get_iter(layout);
  while (pango_layout_iter_next_line(line)) {
  }
  const double lastBaseline = detail::points(pango_layout_iter_get_baseline(line));
  pango_layout_iter_free(line);
  const double firstBaseline = detail::points(pango_layout_get_baseline(layout));
  double width = detail::widestLine(layout);
  g_object_unref(layout);

  if (wrapWidth) width = std::min(width, *wrapWidth);
  const TextMetrics metrics{.size = {std::max(0.0, width), detail::points(logical.height)},
                            .firstBaseline = firstBaseline,
                            .lastBaseline = lastBaseline};
  if (state_->cache.size() >= State::kMaxCachedTexts) state_->cache.clear();
  state_->cache.emplace(std::move(key), metrics);
  return metrics;
}

double PangoTextMeasurer::lineHeight(const FontRequest& font) const {
  return measure("Ag", font, std::nullopt, 1).size.height;
}

const TextMeasurer& pangoTextMeasurer() {
  static const PangoTextMeasurer measurer;
  return measurer;
}

}  // namespace rw::ui

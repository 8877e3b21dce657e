// Drawing cost at scale 2 for the counters row and a full list-like widget: layout alone, layout and
// drawing into a bitmap, and a whole frame (layout, drawing, PNG encoding), next to encoding a blank PNG of
// the same pixel size (the floor any PNG frame pays).
#include <benchmark/benchmark.h>

#include "ui/layout.h"
#include "ui/pango_text_measurer.h"
#include "ui/renderer.h"
#include "views/demo_trees.h"

namespace {

using namespace rw;

const ui::Environment kEnvironment{};

DemoTree demo(const char* name) {
  return *demoTree(name);
}

void layoutOnly(benchmark::State& state, const char* name) {
  const DemoTree tree = demo(name);
  const ui::Size canvas{tree.width, tree.height};
  for (auto _ : state)
    benchmark::DoNotOptimize(ui::layout(tree.tree, canvas, kEnvironment, ui::pangoTextMeasurer()));
}

void frame(benchmark::State& state, const char* name) {
  const DemoTree tree = demo(name);
  const ui::Size canvas{tree.width, tree.height};
  for (auto _ : state) {
    const ui::LayoutNode laidOut = ui::layout(tree.tree, canvas, kEnvironment, ui::pangoTextMeasurer());
    benchmark::DoNotOptimize(ui::encodePng(ui::renderBitmap(laidOut, canvas, {.scale = 2})));
  }
  const auto [width, height] = ui::pixelSize(canvas, 2);
  state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + " px");
}

void drawOnly(benchmark::State& state, const char* name) {
  const DemoTree tree = demo(name);
  const ui::Size canvas{tree.width, tree.height};
  for (auto _ : state) {
    const ui::LayoutNode laidOut = ui::layout(tree.tree, canvas, kEnvironment, ui::pangoTextMeasurer());
    benchmark::DoNotOptimize(ui::renderBitmap(laidOut, canvas, {.scale = 2}));
  }
}

void blankPng(benchmark::State& state, const char* name) {
  const DemoTree tree = demo(name);
  const ui::Bitmap blank = ui::blankBitmap({tree.width, tree.height}, 2);
  for (auto _ : state)
    benchmark::DoNotOptimize(ui::encodePng(blank));
  state.SetLabel(std::to_string(blank.width) + "x" + std::to_string(blank.height) + " px");
}

BENCHMARK_CAPTURE(layoutOnly, counters_row, "counters-row")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drawOnly, counters_row, "counters-row")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(frame, counters_row, "counters-row")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(blankPng, counters_row, "counters-row")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(layoutOnly, list, "list")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drawOnly, list, "list")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(frame, list, "list")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(blankPng, list, "list")->Unit(benchmark::kMicrosecond);

}  // namespace

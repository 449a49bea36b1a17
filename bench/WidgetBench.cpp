// Redrawing widgets with the sample skin on a 320 x 240 memory screen: the whole screen of 20
// widgets (what every screen change costs) and one label (what every counter refresh costs).
// widget_instr runs the same redraws for callgrind (WidgetBenchWork.h).
//
//   widget_bench [benchmark options]
//
// The skin root is FIXTRAIL_SKIN_ROOT, else the build's skin-root beside bin/.

#include <benchmark/benchmark.h>

#include "WidgetBenchWork.h"

namespace {

void BM_FullRedraw(benchmark::State& aState) {
    TBenchUi ui;
    if (const char* problem = ui.Problem()) {
        aState.SkipWithError(problem);
        return;
    }
    for (auto _ : aState) {
        RedrawScreen(ui, 1);
        benchmark::ClobberMemory();
    }
    aState.SetItemsProcessed(aState.iterations() * ui.iUi->ChildCount());
}

void BM_LabelRedraw(benchmark::State& aState) {
    TBenchUi ui;
    if (const char* problem = ui.Problem()) {
        aState.SkipWithError(problem);
        return;
    }
    for (auto _ : aState) {
        RedrawLabel(ui, 1);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_FullRedraw);
BENCHMARK(BM_LabelRedraw);

}  // namespace

BENCHMARK_MAIN();

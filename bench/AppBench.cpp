// Timings of the running application's handling of queued sentences, screen shown and while
// another process owns the display, side by side (items_per_second: sentences handled per second),
// with no skin (/sample:0) and with the sample skin (/sample:1). The same set-up as app_instr (see
// AppInstr.cpp): a private device root of 320 x 240, model 7, is FIXTRAIL_ROOT before the display
// is opened; the real main screen and capture events; decoding on, the log on /dev/null; batches of
// 10 sentences of the recordings queued in the parser outside the timed part.
//
//   app_bench [benchmark options]
//
// The sample skin is FIXTRAIL_SKIN_ROOT, else the build's skin-root beside bin/.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "AppBenchWork.h"
#include "BenchWork.h"
#include "app/Application.h"
#include "nmea/CaptureCycle.h"
#include "platform/VirtualScreen.h"

namespace {

constexpr int KWidth = 320;
constexpr int KHeight = 240;
constexpr std::size_t KBatch = 10;

const std::vector<std::string>& Batches() {
    static const std::vector<std::string> batches = MakeBatches(LoadBenchData().iSentences, KBatch);
    return batches;
}

void RunHandling(benchmark::State& aState, bool aShown) {
    const bool sample = aState.range(0) != 0;
    const std::vector<std::string>& batches = Batches();
    if (batches.empty()) {
        aState.SkipWithError("no recordings");
        return;
    }
    const CRunningApplication application(sample, aShown);
    if (const char* problem = application.SkinProblem()) {
        aState.SkipWithError(problem);
        return;
    }
    CApplicationCaptureEvents events;
    std::size_t next = 0;
    std::int64_t handled = 0;
    for (auto _ : aState) {
        aState.PauseTiming();
        const std::string& bytes = batches[next];
        next = (next + 1) % batches.size();
        gNmeaParser->Assemble(bytes.data(), bytes.size());
        aState.ResumeTiming();
        handled += HandleQueuedSentences(*gCaptureState, *gNmeaParser, &events);
    }
    aState.SetItemsProcessed(handled);
}

void BM_HandleShown(benchmark::State& aState) {
    RunHandling(aState, true);
}

void BM_HandleOwnedElsewhere(benchmark::State& aState) {
    RunHandling(aState, false);
}

BENCHMARK(BM_HandleShown)->ArgName("sample")->Arg(0)->Arg(1);
BENCHMARK(BM_HandleOwnedElsewhere)->ArgName("sample")->Arg(0)->Arg(1);

}  // namespace

int main(int aArgc, char** aArgv) {
    // Before anything opens the display or the owner file.
    const CBenchDevice device(KWidth, KHeight, KDefaultModel);
    std::string reason;
    if (!device.IsReady(&reason)) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        return 1;
    }
    benchmark::Initialize(&aArgc, aArgv);
    if (benchmark::ReportUnrecognizedArguments(aArgc, aArgv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

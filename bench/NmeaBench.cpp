// Throughput of the capture engine over the recorded feeds: sentences per second for parsing,
// for the whole per-sentence handling with decoding on, and for assembly of the raw bytes.
// The recordings come from data/ or from $FIXTRAIL_BENCH_DATA (see bench/README.md).

#include <benchmark/benchmark.h>

#include <cstdio>

#include "BenchWork.h"
#include "nmea/CaptureCycle.h"

namespace {

const TBenchData& Data() {
    static const TBenchData KData = LoadBenchData();
    return KData;
}

bool HaveSentences(benchmark::State& aState) {
    if (Data().iSentences.empty()) {
        aState.SkipWithError(("no recordings in " + Data().iDirectory).c_str());
        return false;
    }
    return true;
}

void CountSentences(benchmark::State& aState) {
    aState.SetItemsProcessed(static_cast<std::int64_t>(aState.iterations()) *
                             static_cast<std::int64_t>(Data().iSentences.size()));
    aState.counters["sentences"] = static_cast<double>(Data().iSentences.size());
}

// (a) SplitFields and the matching parser.
void BM_SplitAndParse(benchmark::State& aState) {
    if (!HaveSentences(aState)) {
        return;
    }
    TFieldList fields;
    for (auto _ : aState) {
        benchmark::DoNotOptimize(SplitAndParse(Data().iSentences, fields));
    }
    CountSentences(aState);
}
BENCHMARK(BM_SplitAndParse);

// SplitFields alone, the share of (a) that every sentence pays.
void BM_SplitFields(benchmark::State& aState) {
    if (!HaveSentences(aState)) {
        return;
    }
    TFieldList fields;
    for (auto _ : aState) {
        for (const std::string& sentence : Data().iSentences) {
            CNmeaParser::SplitFields(sentence, fields);
            benchmark::DoNotOptimize(fields.data());
        }
    }
    CountSentences(aState);
}
BENCHMARK(BM_SplitFields);

// (b) HandleSentence with decoding on, the log on /dev/null.
void BM_HandleSentence(benchmark::State& aState) {
    if (!HaveSentences(aState)) {
        return;
    }
    CCaptureState state;
    state.DecodeMode = DecodeOn;
    state.LogFile = std::fopen("/dev/null", "w");
    TFieldList fields;
    std::string report;
    for (auto _ : aState) {
        HandleAll(Data().iSentences, state, fields, report);
    }
    benchmark::DoNotOptimize(state.TotalCount);
    CountSentences(aState);
}
BENCHMARK(BM_HandleSentence);

// (c) Assembly of the raw bytes in reads of KFeedReadLimit (200) bytes, as the capture cycle reads
// the feed.
void BM_Assemble(benchmark::State& aState) {
    if (!HaveSentences(aState)) {
        return;
    }
    for (auto _ : aState) {
        benchmark::DoNotOptimize(AssembleAll(Data().iRecordings, KFeedReadLimit));
    }
    CountSentences(aState);
    aState.SetBytesProcessed(static_cast<std::int64_t>(aState.iterations()) *
                             static_cast<std::int64_t>(Data().iBytes));
}
BENCHMARK(BM_Assemble);

}  // namespace

BENCHMARK_MAIN();

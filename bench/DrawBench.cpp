// A full-screen FillRect (square corners) beside plain word and byte fills of the same bytes in
// the same run: the fill goes column by column through DrawVLine's paired stores, the others
// are the fastest way to write that memory.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "BenchFrameBuffer.h"
#include "platform/FrameBuffer.h"
#include "ui/Draw.h"

namespace {

void SetBytes(benchmark::State& aState) {
    aState.SetBytesProcessed(static_cast<std::int64_t>(aState.iterations()) * aState.range(0) *
                             aState.range(1) * 2);
}

void BM_FillRect(benchmark::State& aState) {
    const int width = static_cast<int>(aState.range(0));
    const int height = static_cast<int>(aState.range(1));
    CBenchFrameBuffer frameBuffer(width, height, aState.range(2) != 0);
    std::uint32_t color = 0;
    for (auto _ : aState) {
        FillRect(&frameBuffer, 0, 0, width - 1, height - 1, ++color, KCornerSquare);
        benchmark::ClobberMemory();
    }
    SetBytes(aState);
}

void BM_FillWords(benchmark::State& aState) {
    std::vector<std::uint32_t> words(static_cast<std::size_t>(aState.range(0)) * aState.range(1) /
                                     2);
    std::uint32_t pair = 0;
    benchmark::DoNotOptimize(words.data());
    for (auto _ : aState) {
        pair += 0x00010001u;
        std::fill(words.begin(), words.end(), pair);
        benchmark::ClobberMemory();
    }
    SetBytes(aState);
}

void BM_Memset(benchmark::State& aState) {
    std::vector<std::uint32_t> words(static_cast<std::size_t>(aState.range(0)) * aState.range(1) /
                                     2);
    int value = 0;
    benchmark::DoNotOptimize(words.data());
    for (auto _ : aState) {
        std::memset(words.data(), ++value & 0xFF, words.size() * sizeof(std::uint32_t));
        benchmark::ClobberMemory();
    }
    SetBytes(aState);
}

BENCHMARK(BM_Memset)->ArgNames({"w", "h"})->Args({320, 240})->Args({480, 272});
BENCHMARK(BM_FillWords)->ArgNames({"w", "h"})->Args({320, 240})->Args({480, 272});
// rowmajor 1: a layout without adjacent pairs, written one pixel (and one offset) at a time.
BENCHMARK(BM_FillRect)
    ->ArgNames({"w", "h", "rowmajor"})
    ->Args({320, 240, 0})
    ->Args({480, 272, 0})
    ->Args({320, 240, 1})
    ->Args({480, 272, 1});

}  // namespace

BENCHMARK_MAIN();

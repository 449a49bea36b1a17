// Update of the virtual screen per copy method, beside a plain memcpy of the same bytes in the
// same run: the straight copy is one memcpy, the row-major panels need a transpose.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "BenchFrameBuffer.h"
#include "platform/Transpose.h"
#include "platform/VirtualScreen.h"

namespace {

void SetBytes(benchmark::State& aState, int aWidth, int aHeight) {
    aState.SetBytesProcessed(static_cast<std::int64_t>(aState.iterations()) * aWidth * aHeight * 2);
}

void BM_Memcpy(benchmark::State& aState) {
    const int width = static_cast<int>(aState.range(0));
    const int height = static_cast<int>(aState.range(1));
    std::vector<std::uint16_t> from(static_cast<std::size_t>(width) * height, 0x1234);
    std::vector<std::uint16_t> to(from.size());
    for (auto _ : aState) {
        std::memcpy(to.data(), from.data(), from.size() * 2);
        benchmark::ClobberMemory();
    }
    SetBytes(aState, width, height);
}

void BM_Update(benchmark::State& aState) {
    const int width = static_cast<int>(aState.range(0));
    const int height = static_cast<int>(aState.range(1));
    CBenchFrameBuffer device(width, height);
    CVirtualScreen screen(&device, static_cast<int>(aState.range(2)));
    std::memset(screen.GetBuffer(), 0x5a, static_cast<std::size_t>(width) * height * 2);
    for (auto _ : aState) {
        // The whole screen each time, as when the display comes back.
        screen.Invalidate();
        screen.Update(false);
        benchmark::ClobberMemory();
    }
    SetBytes(aState, width, height);
}

// The whole-screen transpose by each way of doing it that this processor has (0 scalar, 1 SSE2,
// 2 AVX2), without Update around it.
void BM_RowMajorKernel(benchmark::State& aState) {
    const int width = static_cast<int>(aState.range(0));
    const int height = static_cast<int>(aState.range(1));
    const auto kernel = static_cast<TTransposeKernel>(aState.range(2));
    if (!HasTransposeKernel(kernel)) {
        aState.SkipWithError("not on this processor");
        return;
    }
    std::vector<std::uint16_t> back(static_cast<std::size_t>(width) * height, 0x5a5a);
    std::vector<std::uint16_t> device(back.size());
    for (auto _ : aState) {
        CopyAreaToRowMajorBy(kernel, device.data(), back.data(), width, height, 0, 0, width - 1,
                             height - 1);
        benchmark::ClobberMemory();
    }
    SetBytes(aState, width, height);
}

// What a pass that changed one counter copies: a label's area, 74 x 27 pixels.
void BM_UpdateLabel(benchmark::State& aState) {
    const int width = static_cast<int>(aState.range(0));
    const int height = static_cast<int>(aState.range(1));
    CBenchFrameBuffer device(width, height);
    CVirtualScreen screen(&device, static_cast<int>(aState.range(2)));
    screen.Update(false);
    for (auto _ : aState) {
        screen.MarkDrawn(83, 130, 156, 156);
        screen.Update(false);
        benchmark::ClobberMemory();
    }
    SetBytes(aState, 74, 27);
}

// Models: 7 straight copy, 3 fixed 320 × 240 row-major panel, 8 row-major at any size.
BENCHMARK(BM_Memcpy)->Args({320, 240})->Args({480, 272});
BENCHMARK(BM_Update)
    ->ArgNames({"w", "h", "model"})
    ->Args({320, 240, 7})
    ->Args({320, 240, 3})
    ->Args({320, 240, 8})
    ->Args({480, 272, 7})
    ->Args({480, 272, 8});
BENCHMARK(BM_RowMajorKernel)
    ->ArgNames({"w", "h", "kernel"})
    ->ArgsProduct({{320}, {240}, {0, 1, 2}})
    ->ArgsProduct({{480}, {272}, {0, 1, 2}});
BENCHMARK(BM_UpdateLabel)
    ->ArgNames({"w", "h", "model"})
    ->Args({320, 240, 7})
    ->Args({320, 240, 3})
    ->Args({320, 240, 8});

}  // namespace

BENCHMARK_MAIN();

// One status line drawn through the glyph cache beside the same line rendered by FreeType on
// every call, same font, same size, same run.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "BenchFrameBuffer.h"
#include "ui/BitmappedFont.h"
#include "ui/FreeTypeFont.h"

namespace {

constexpr const char* KFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* KLine = "Tot.=12345 GGA=678 RMC=901";
constexpr int KPixelSize = 16;

bool FontMissing(benchmark::State& aState) {
    if (::access(KFontPath, R_OK) == 0) {
        return false;
    }
    aState.SkipWithError("DejaVuSans.ttf is missing: install the Debian package fonts-dejavu-core");
    return true;
}

void DrawLines(benchmark::State& aState, MFont& aFont) {
    CBenchFrameBuffer fb(480, 272);
    for (auto _ : aState) {
        benchmark::DoNotOptimize(aFont.DrawText(&fb, KLine, 4, 100, 0xFFFF));
        benchmark::ClobberMemory();
    }
    aState.SetItemsProcessed(static_cast<std::int64_t>(aState.iterations()));
}

void BM_CachedFreeTypeFont(benchmark::State& aState) {
    if (FontMissing(aState)) {
        return;
    }
    std::unique_ptr<MFont> font(LoadCachedFont(KFontPath, KPixelSize));
    if (!font) {
        aState.SkipWithError("the font does not load");
        return;
    }
    DrawLines(aState, *font);
}

void BM_FreeTypeFont(benchmark::State& aState) {
    if (FontMissing(aState)) {
        return;
    }
    CFreeTypeFont font(KFontPath, KPixelSize, true);
    if (!font.IsLoaded()) {
        aState.SkipWithError("the font does not load");
        return;
    }
    DrawLines(aState, font);
}

BENCHMARK(BM_CachedFreeTypeFont);
BENCHMARK(BM_FreeTypeFont);

}  // namespace

BENCHMARK_MAIN();

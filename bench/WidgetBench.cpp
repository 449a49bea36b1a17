// Redrawing widgets with the sample skin on a 320 x 240 memory screen: the whole screen of 20
// widgets (what every screen change costs) and one label (what every counter refresh costs).
//
//   widget_bench [benchmark options]            timings (Google Benchmark)
//   widget_bench --instr full|label <repetitions>  the same redraws without the timing loop, for
//                                                   callgrind: --toggle-collect='*RedrawScreen*' or
//                                                   --toggle-collect='*RedrawLabel*'
//
// The skin root is FIXTRAIL_SKIN_ROOT, else the build's skin-root beside bin/.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "SampleSkin.h"
#include "platform/VirtualScreen.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UILabel.h"
#include "ui/UIRadioButton.h"
#include "ui/UIScreen.h"

namespace {

constexpr int KWidth = 320;
constexpr int KHeight = 240;

// A back buffer in heap memory with the device's column layout; updates go nowhere.
class CBenchScreen : public MVirtualScreen {
  public:
    CBenchScreen() : iWords(static_cast<std::size_t>(KWidth) * KHeight / 2) {}
    std::uint8_t* GetBuffer() override { return reinterpret_cast<std::uint8_t*>(iWords.data()); }
    int GetWidth() override { return KWidth; }
    int GetHeight() override { return KHeight; }
    int GetBitsPerPixel() override { return 16; }
    int GetPixelOffset(int aX, int aY) override { return ColumnLayoutOffset(aX, aY, KHeight, 2); }
    bool GetPixelLayout(TPixelLayout* aLayout) override {
        *aLayout = ColumnLayout(KHeight, 2);
        return true;
    }
    void Update(bool) override {}
    void Capture(bool) override {}
    std::uint8_t* GetDeviceBuffer() override { return GetBuffer(); }

  private:
    std::vector<std::uint32_t> iWords;
};

// The main screen's kind of content: four command buttons, two radio pairs, twelve labels
// (title, file, status, a caption and the eight counters).
struct TBenchUi {
    TBenchUi() {
        SetSkinRoot(SampleSkinRoot().c_str());
        SetDefaultWidgetScreen(&iScreen);
        iUi.reset(new CUIScreen(KInitialColorScheme));
        GetSkin()->SetSchemeIndex(KInitialColorScheme);
        iUi->AddChild(new CUILabel(TRect(8, 4, 200, 18), "NMEA logger"));
        iUi->AddChild(new CUILabel(TRect(8, 24, 200, 18), "nmea_0042.nmea"));
        iUi->AddChild(new CUILabel(TRect(210, 24, 100, 18), "Running"));
        iUi->AddChild(new CUILabel(TRect(200, 50, 110, 18), "Log mode"));
        auto* append =
            new CUIRadioButton(TRect(8, 46, 90, 24), "Append", nullptr, nullptr, nullptr);
        auto* create = new CUIRadioButton(TRect(100, 46, 90, 24), "New", nullptr, append, nullptr);
        append->SetNext(create);
        append->SetChecked(true);
        auto* on = new CUIRadioButton(TRect(8, 72, 90, 24), "Decode", nullptr, nullptr, nullptr);
        auto* off = new CUIRadioButton(TRect(100, 72, 90, 24), "Raw", nullptr, on, nullptr);
        on->SetNext(off);
        off->SetChecked(true);
        for (MUIWidget* radio : {static_cast<MUIWidget*>(append), static_cast<MUIWidget*>(create),
                                 static_cast<MUIWidget*>(on), static_cast<MUIWidget*>(off)}) {
            iUi->AddChild(radio);
        }
        const char* counters[] = {"GGA 1234", "GLL 17",   "GSA 1234", "GSV 3702",
                                  "VTG 1234", "RMC 1234", "Other 5",  "Total 8262"};
        for (int i = 0; i < 8; ++i) {
            auto* label =
                new CUILabel(TRect(8 + 156 * (i % 2), 100 + 20 * (i / 2), 150, 18), counters[i]);
            iUi->AddChild(label);
            iCounter = label;
        }
        const char* commands[] = {"Start", "Save", "Hide", "Exit"};
        for (int i = 0; i < 4; ++i) {
            iUi->AddChild(new CUIButton(TRect(6 + 78 * i, 200, 72, 32), commands[i], nullptr));
        }
        iUi->Draw();  // loads the glyphs the redraws use
    }
    ~TBenchUi() {
        iUi.reset();
        SetDefaultWidgetScreen(nullptr);
    }

    // Null when the sample skin was not found: the figures would be the fixed font's.
    const char* Problem() const {
        auto* skin = dynamic_cast<CDefaultSkin*>(GetSkin());
        if (skin == nullptr || skin->GetImage(ESkinImageBack) == nullptr) {
            return "no sample skin (set FIXTRAIL_SKIN_ROOT, build the fixtrail-skin target)";
        }
        if (skin->IsFontShared(ESkinFontControl) || skin->IsFontShared(ESkinFontButton)) {
            return "the sample skin has no TrueType fonts (fonts-dejavu-core)";
        }
        return nullptr;
    }

    CBenchScreen iScreen;
    std::unique_ptr<CUIScreen> iUi;
    CUILabel* iCounter = nullptr;
};

// Out of line, so that callgrind can collect exactly these.
__attribute__((noinline)) void RedrawScreen(TBenchUi& aUi, int aRepetitions) {
    for (int i = 0; i < aRepetitions; ++i) {
        aUi.iUi->Draw();
    }
}

__attribute__((noinline)) void RedrawLabel(TBenchUi& aUi, int aRepetitions) {
    for (int i = 0; i < aRepetitions; ++i) {
        aUi.iCounter->Draw();
    }
}

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

int CountInstructions(int aArgc, char** aArgv) {
    if (aArgc != 4) {
        std::fprintf(stderr, "usage: %s --instr full|label <repetitions>\n", aArgv[0]);
        return 2;
    }
    const int repetitions = std::atoi(aArgv[3]);
    TBenchUi ui;
    if (const char* problem = ui.Problem()) {
        std::fprintf(stderr, "%s\n", problem);
        return 1;
    }
    if (std::strcmp(aArgv[2], "full") == 0) {
        RedrawScreen(ui, repetitions);
    } else if (std::strcmp(aArgv[2], "label") == 0) {
        RedrawLabel(ui, repetitions);
    } else {
        std::fprintf(stderr, "unknown mode %s\n", aArgv[2]);
        return 2;
    }
    std::printf("%s: %d widgets, %d repetitions\n", aArgv[2], ui.iUi->ChildCount(), repetitions);
    return 0;
}

}  // namespace

int main(int aArgc, char** aArgv) {
    if (aArgc >= 2 && std::strcmp(aArgv[1], "--instr") == 0) {
        return CountInstructions(aArgc, aArgv);
    }
    benchmark::Initialize(&aArgc, aArgv);
    if (benchmark::ReportUnrecognizedArguments(aArgc, aArgv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

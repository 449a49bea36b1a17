#pragma once

// The widget redraws that widget_bench times and widget_instr counts: a 320 x 240 memory screen
// of the main screen's kind of content, drawn with the sample skin.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/VirtualScreen.h"
#include "ui/UILabel.h"
#include "ui/UIScreen.h"

constexpr int KWidgetBenchWidth = 320;
constexpr int KWidgetBenchHeight = 240;

// A back buffer in heap memory with the device's column layout; updates go nowhere.
class CBenchScreen : public MVirtualScreen {
  public:
    CBenchScreen() : iWords(static_cast<std::size_t>(KWidgetBenchWidth) * KWidgetBenchHeight / 2) {}
    std::uint8_t* GetBuffer() override { return reinterpret_cast<std::uint8_t*>(iWords.data()); }
    int GetWidth() override { return KWidgetBenchWidth; }
    int GetHeight() override { return KWidgetBenchHeight; }
    int GetBitsPerPixel() override { return 16; }
    int GetPixelOffset(int aX, int aY) override {
        return ColumnLayoutOffset(aX, aY, KWidgetBenchHeight, 2);
    }
    bool GetPixelLayout(TPixelLayout* aLayout) override {
        *aLayout = ColumnLayout(KWidgetBenchHeight, 2);
        return true;
    }
    void Update(bool) override {}
    void Capture(bool) override {}
    std::uint8_t* GetDeviceBuffer() override { return GetBuffer(); }

  private:
    std::vector<std::uint32_t> iWords;
};

// The main screen's kind of content: four command buttons, two radio pairs, twelve labels
// (title, file, status, a caption and the eight counters). The skin root is
// FIXTRAIL_SKIN_ROOT, else the build's skin-root beside bin/.
struct TBenchUi {
    TBenchUi();
    ~TBenchUi();
    // Null when the sample skin was not found: the figures would be the fixed font's.
    const char* Problem() const;

    CBenchScreen iScreen;
    std::unique_ptr<CUIScreen> iUi;
    CUILabel* iCounter = nullptr;
};

// Out of line, so that callgrind can collect exactly these: the whole screen, one counter.
void RedrawScreen(TBenchUi& aUi, int aRepetitions);
void RedrawLabel(TBenchUi& aUi, int aRepetitions);

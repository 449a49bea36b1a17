#pragma once

// An MVirtualScreen over a CMemoryFrameBuffer that counts Update, Capture and Invalidate calls
// instead of copying to a device: the back buffer is the memory frame buffer itself. Shown
// until told otherwise.

#include <cstdint>

#include "platform/VirtualScreen.h"
#include "support/MemoryFrameBuffer.h"
#include "support/ReferencePicture.h"

class CMemoryVirtualScreen : public MVirtualScreen {
  public:
    CMemoryVirtualScreen(int aWidth, int aHeight) : iMemory(aWidth, aHeight, 16) {}

    std::uint8_t* GetBuffer() override { return iMemory.GetBuffer(); }
    int GetWidth() override { return iMemory.GetWidth(); }
    int GetHeight() override { return iMemory.GetHeight(); }
    int GetBitsPerPixel() override { return iMemory.GetBitsPerPixel(); }
    int GetPixelOffset(int aX, int aY) override { return iMemory.GetPixelOffset(aX, aY); }
    bool GetPixelLayout(TPixelLayout* aLayout) override { return iMemory.GetPixelLayout(aLayout); }

    void Update(bool aOnlyWhenShown) override {
        ++iUpdates;
        iLastOnlyWhenShown = aOnlyWhenShown;
    }
    void Capture(bool) override { ++iCaptures; }
    void Invalidate() override { ++iInvalidates; }
    void SetShown(bool aShown) override {
        iShownAgain += aShown && !iShown ? 1 : 0;
        iShown = aShown;
        iTold = true;
    }
    bool IsShown() const override { return !iTold || iShown; }
    std::uint8_t* GetDeviceBuffer() override { return iMemory.GetBuffer(); }

    CMemoryFrameBuffer& Memory() { return iMemory; }
    std::uint16_t Pixel(int aX, int aY) { return iMemory.Pixel(aX, aY); }
    int Updates() const { return iUpdates; }
    int Captures() const { return iCaptures; }
    int Invalidates() const { return iInvalidates; }
    // The Updates since that copy the whole screen: after Invalidate, or shown again.
    int WholeCopiesDue() const { return iInvalidates + iShownAgain; }
    bool LastOnlyWhenShown() const { return iLastOnlyWhenShown; }
    void ResetCounts() {
        iUpdates = 0;
        iCaptures = 0;
        iInvalidates = 0;
        iShownAgain = 0;
    }

  private:
    CMemoryFrameBuffer iMemory;
    int iUpdates = 0;
    int iCaptures = 0;
    int iInvalidates = 0;
    bool iLastOnlyWhenShown = false;
    int iShownAgain = 0;
    bool iShown = false;
    bool iTold = false;
};

// The screen's picture, row by row.
inline TPicture Snapshot(CMemoryVirtualScreen& aScreen) {
    TPicture picture;
    picture.iWidth = aScreen.GetWidth();
    picture.iHeight = aScreen.GetHeight();
    for (int y = 0; y < picture.iHeight; ++y) {
        for (int x = 0; x < picture.iWidth; ++x) {
            picture.iPixels.push_back(aScreen.Pixel(x, y));
        }
    }
    return picture;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/Area.h"
#include "platform/FrameBuffer.h"

// aCount 16-bit pixels of one value, one after the other in memory from aLow upwards (aLow
// 2-byte aligned): a column of the device's layout, or a row of a row-major one. Runs drawn
// by widgets are a few dozen pixels: whole 8-byte stores without the set-up of a widened
// loop. Stores go through memcpy, valid whatever objects the pixel memory holds.
inline void FillPixelRun(std::uint8_t* aLow, std::size_t aCount, std::uint16_t aPixel) {
    if (aCount == 0) {
        return;
    }
    if (reinterpret_cast<std::uintptr_t>(aLow) % 4 != 0) {
        std::memcpy(aLow, &aPixel, sizeof aPixel);
        aLow += sizeof aPixel;
        --aCount;
    }
    const std::uint32_t pair = static_cast<std::uint32_t>(aPixel) * 0x00010001u;
    const std::uint64_t quad = static_cast<std::uint64_t>(pair) * 0x0000000100000001ull;
    const std::uint64_t eight[2] = {quad, quad};
    for (; aCount >= 8; aCount -= 8, aLow += sizeof eight) {
        std::memcpy(aLow, eight, sizeof eight);
    }
    if (aCount >= 4) {
        std::memcpy(aLow, &quad, sizeof quad);
        aLow += sizeof quad;
        aCount -= 4;
    }
    if (aCount >= 2) {
        std::memcpy(aLow, &pair, sizeof pair);
        aLow += sizeof pair;
        aCount -= 2;
    }
    if (aCount != 0) {
        std::memcpy(aLow, &aPixel, sizeof aPixel);
    }
}

// The pixel of a colour value: its low 16 bits, RGB 565.
inline std::uint16_t PixelOfColor(std::uint32_t aColor) {
    return static_cast<std::uint16_t>(aColor & 0xFFFFu);
}

// One frame buffer as the drawing code writes it, read once per drawing call: pixel memory,
// geometry, where each pixel lies, and the marking of what was drawn. Every primitive, font and
// image writes 16-bit pixels through one. A layout that describes itself (GetPixelLayout) is
// walked by address steps; any other is asked pixel by pixel. Coordinates given to the
// unchecked calls lie on the screen; Plot clips.
class TPixelSurface {
  public:
    explicit TPixelSurface(MFrameBuffer* aFrameBuffer) : iFrameBuffer(aFrameBuffer) {
        std::uint8_t* const pixels = aFrameBuffer != nullptr ? aFrameBuffer->GetBuffer() : nullptr;
        // A negative size would pass every unsigned clip test, and another depth would let a
        // pixel store run past the pixel memory.
        if (pixels == nullptr || aFrameBuffer->GetBitsPerPixel() != 16 ||
            aFrameBuffer->GetWidth() <= 0 || aFrameBuffer->GetHeight() <= 0) {
            return;
        }
        iPixels = pixels;
        iWidth = aFrameBuffer->GetWidth();
        iHeight = aFrameBuffer->GetHeight();
        iLinear = aFrameBuffer->GetPixelLayout(&iLayout);
        // A column that is one run of memory, either way up, is filled as a run.
        iColumnRuns = iLinear && (iLayout.iYStep == 2 || iLayout.iYStep == -2);
    }

    // False when nothing can be drawn: no frame buffer, no pixel memory, no size or not 16 bits.
    bool IsUsable() const { return iPixels != nullptr; }
    int Width() const { return iWidth; }
    int Height() const { return iHeight; }
    TArea Bounds() const { return ScreenArea(iWidth, iHeight); }
    // True with the layout when offsets are linear: glyphs and images then go by pointer.
    bool IsLinear() const { return iLinear; }
    const TPixelLayout& Layout() const { return iLayout; }

    // Byte offset of (aX, aY).
    int Offset(int aX, int aY) const {
        if (iLinear) {
            return iLayout.iOrigin + aX * iLayout.iXStep + aY * iLayout.iYStep;
        }
        return iFrameBuffer->GetPixelOffset(aX, aY);
    }
    std::uint8_t* At(int aX, int aY) const { return iPixels + Offset(aX, aY); }

    // Every store goes through memcpy: the pixel memory may hold objects of any type (a device
    // mapping, a back buffer of 32-bit words), and memcpy is the store that is valid whatever
    // they are. Compilers emit it as one plain store.
    static void Store(std::uint8_t* aAt, std::uint16_t aPixel) {
        std::memcpy(aAt, &aPixel, sizeof aPixel);
    }
    void Store(int aX, int aY, std::uint16_t aPixel) const { Store(At(aX, aY), aPixel); }
    void Plot(long long aX, long long aY, std::uint16_t aPixel) const {
        if (aX >= 0 && aY >= 0 && aX < iWidth && aY < iHeight) {
            Store(static_cast<int>(aX), static_cast<int>(aY), aPixel);
        }
    }

    // Rows aY0 to aY1 of column aX (aY0 <= aY1): one run of memory where the column is one,
    // else pixel by pixel.
    void FillColumn(int aX, int aY0, int aY1, std::uint16_t aPixel) const {
        if (iColumnRuns) {
            const int low = iLayout.iYStep < 0 ? aY1 : aY0;
            FillPixelRun(At(aX, low), static_cast<std::size_t>(aY1 - aY0) + 1, aPixel);
            return;
        }
        for (int y = aY0; y <= aY1; ++y) {
            Store(aX, y, aPixel);
        }
    }

    // Rows aY0 to aY1 of columns aX0 to aX1 (a non-empty area on the screen): each column a run
    // of memory where it is one, reached from the one before by the layout's x step.
    void FillArea(int aX0, int aY0, int aX1, int aY1, std::uint16_t aPixel) const {
        if (!iColumnRuns) {
            for (int x = aX0; x <= aX1; ++x) {
                FillColumn(x, aY0, aY1, aPixel);
            }
            return;
        }
        std::uint8_t* low = At(aX0, iLayout.iYStep < 0 ? aY1 : aY0);
        const std::size_t count = static_cast<std::size_t>(aY1 - aY0) + 1;
        for (int x = aX0; x <= aX1; ++x, low += iLayout.iXStep) {
            FillPixelRun(low, count, aPixel);
        }
    }

    // Tells the frame buffer what was drawn, clipped to the screen.
    void MarkDrawn(const TArea& aArea) const {
        const TArea area = aArea.Clip(Bounds());
        if (iPixels != nullptr && !area.Empty()) {
            iFrameBuffer->MarkDrawn(area.iX0, area.iY0, area.iX1, area.iY1);
        }
    }

    // The same for coordinates wider than int (a glyph's box around a far-away pen).
    void MarkDrawn(long long aX0, long long aY0, long long aX1, long long aY1) const {
        // Clamped one beyond each edge: what was off the screen stays off it.
        auto clamp = [](long long aValue, int aLimit) {
            return static_cast<int>(aValue < -1 ? -1 : (aValue > aLimit ? aLimit : aValue));
        };
        MarkDrawn(TArea{clamp(aX0, iWidth), clamp(aY0, iHeight), clamp(aX1, iWidth),
                        clamp(aY1, iHeight)});
    }

  private:
    MFrameBuffer* iFrameBuffer;
    std::uint8_t* iPixels = nullptr;
    int iWidth = 0;
    int iHeight = 0;
    bool iLinear = false;
    bool iColumnRuns = false;
    TPixelLayout iLayout;
};

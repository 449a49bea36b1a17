#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/FrameBuffer.h"

// Pixel memory for the benchmarks, in ordinary heap memory, 4-byte aligned like the device's
// mapping, in the device's column layout or (for the single-store drawing path) row-major.
class CBenchFrameBuffer : public MFrameBuffer {
  public:
    CBenchFrameBuffer(int aWidth, int aHeight, bool aRowMajor = false)
        : iWidth(aWidth),
          iHeight(aHeight),
          iRowMajor(aRowMajor),
          iWords((static_cast<std::size_t>(aWidth) * aHeight + 1) / 2) {}
    std::uint8_t* GetBuffer() override { return reinterpret_cast<std::uint8_t*>(iWords.data()); }
    int GetWidth() override { return iWidth; }
    int GetHeight() override { return iHeight; }
    int GetBitsPerPixel() override { return 16; }
    int GetPixelOffset(int aX, int aY) override {
        return iRowMajor ? 2 * (aY * iWidth + aX) : ColumnLayoutOffset(aX, aY, iHeight, 2);
    }
    bool GetPixelLayout(TPixelLayout* aLayout) override {
        if (iRowMajor) {
            aLayout->iOrigin = 0;
            aLayout->iXStep = 2;
            aLayout->iYStep = 2 * iWidth;
        } else {
            *aLayout = ColumnLayout(iHeight, 2);
        }
        return true;
    }

  private:
    int iWidth;
    int iHeight;
    bool iRowMajor;
    std::vector<std::uint32_t> iWords;
};

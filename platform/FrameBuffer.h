#pragma once

#include <cstdint>

// Where logical pixels lie when the offset is linear in x and y:
// offset(x, y) = iOrigin + x * iXStep + y * iYStep, in bytes. Drawing code that knows this
// walks rows and columns by pointer instead of asking for every pixel's offset.
struct TPixelLayout {
    int iOrigin = 0;
    int iXStep = 0;
    int iYStep = 0;
};

// A display as the toolkit sees it: pixel memory, a landscape geometry, a depth, and the rule
// that turns a logical pixel into a byte offset. The pixel memory, when there is any, is
// 4-byte aligned: vertical runs store two 16-bit pixels with one 32-bit write.
class MFrameBuffer {
  public:
    // First byte of pixel memory; null when nothing is mapped.
    virtual std::uint8_t* GetBuffer() = 0;
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    virtual int GetBitsPerPixel() = 0;
    // Byte offset of logical pixel (x, y) from GetBuffer(), without bounds check: callers clip.
    virtual int GetPixelOffset(int aX, int aY) = 0;
    // True, with the layout, when GetPixelOffset is linear as TPixelLayout says; false when
    // offsets must be asked pixel by pixel.
    virtual bool GetPixelLayout(TPixelLayout* aLayout) {
        (void)aLayout;
        return false;
    }
    // Told after pixels in columns aX0..aX1 and rows aY0..aY1 (inclusive, on the screen) were
    // drawn. A virtual screen copies only what it was told of; plain memory ignores it.
    virtual void MarkDrawn(int aX0, int aY0, int aX1, int aY1) {
        (void)aX0;
        (void)aY0;
        (void)aX1;
        (void)aY1;
    }
    virtual ~MFrameBuffer() = default;
};

// The device's column layout: each logical column is one run of `height` pixels, the bottom
// pixel first (a portrait panel used in landscape).
inline int ColumnLayoutOffset(int aX, int aY, int aHeight, int aBytesPerPixel) {
    return aBytesPerPixel * ((aX + 1) * aHeight - aY - 1);
}

// ColumnLayoutOffset as a TPixelLayout.
inline TPixelLayout ColumnLayout(int aHeight, int aBytesPerPixel) {
    TPixelLayout layout;
    layout.iOrigin = aBytesPerPixel * (aHeight - 1);
    layout.iXStep = aBytesPerPixel * aHeight;
    layout.iYStep = -aBytesPerPixel;
    return layout;
}

// The process-wide frame buffer over /dev/fb, created on first use and destroyed at exit.
// A regular file at that path (the simulated device) is mapped as a raw frame buffer.
MFrameBuffer* GetFrameBuffer();

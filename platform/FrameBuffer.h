#pragma once

#include <cstdint>

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
    virtual ~MFrameBuffer() = default;
};

// The device's column layout: each logical column is one run of `height` pixels, the bottom
// pixel first (a portrait panel used in landscape).
inline int ColumnLayoutOffset(int aX, int aY, int aHeight, int aBytesPerPixel) {
    return aBytesPerPixel * ((aX + 1) * aHeight - aY - 1);
}

// The process-wide frame buffer over /dev/fb, created on first use and destroyed at exit.
// A regular file at that path (the simulated device) is mapped as a raw frame buffer.
MFrameBuffer* GetFrameBuffer();

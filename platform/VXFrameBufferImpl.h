#pragma once

#include "platform/FrameBuffer.h"

// The Linux frame-buffer device, queried with FBIOGET_*SCREENINFO and mapped shared. A device
// that cannot be opened, queried or mapped leaves GetBuffer() null; nothing is reported.
class CVXFrameBufferImpl : public MFrameBuffer {
  public:
    explicit CVXFrameBufferImpl(const char* aDevicePath);
    ~CVXFrameBufferImpl() override;
    CVXFrameBufferImpl(const CVXFrameBufferImpl&) = delete;
    CVXFrameBufferImpl& operator=(const CVXFrameBufferImpl&) = delete;

    std::uint8_t* GetBuffer() override { return iPixels; }
    int GetWidth() override { return iWidth; }
    int GetHeight() override { return iHeight; }
    int GetBitsPerPixel() override { return iBitsPerPixel; }
    int GetPixelOffset(int aX, int aY) override {
        return ColumnLayoutOffset(aX, aY, iHeight, iBytesPerPixel);
    }
    bool GetPixelLayout(TPixelLayout* aLayout) override {
        *aLayout = ColumnLayout(iHeight, iBytesPerPixel);
        return true;
    }

  protected:
    CVXFrameBufferImpl() = default;
    // Landscape: the larger resolution is the width. Also sets the bytes per pixel.
    void SetGeometry(unsigned aXResolution, unsigned aYResolution, int aBitsPerPixel);
    // Maps the pixel memory of iDescriptor; false leaves it null.
    bool Map();

    int iDescriptor = -1;
    std::uint8_t* iPixels = nullptr;
    int iWidth = 0;
    int iHeight = 0;
    int iBitsPerPixel = 0;
    int iBytesPerPixel = 0;

  private:
    std::size_t iMappedLength = 0;
};

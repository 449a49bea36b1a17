#pragma once

#include "platform/DevicePath.h"
#include "platform/VXFrameBufferImpl.h"

// The simulated device's frame buffer: a regular file of width × height × depth / 8 bytes,
// mapped shared, with its geometry read from the sysfs files Linux publishes for fbdev
// ("320,240" in virtual_size, "16" in bits_per_pixel). Same layout rule as the device.
class CRawFrameBuffer : public CVXFrameBufferImpl {
  public:
    // aSizePath and aDepthPath are the virtual_size and bits_per_pixel files.
    CRawFrameBuffer(const char* aFilePath, const char* aSizePath, const char* aDepthPath);
};

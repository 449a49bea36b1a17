#include "platform/VXFrameBufferImpl.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/DevicePath.h"
#include "platform/RawFrameBuffer.h"

namespace {

// Beyond any panel this device family has; a driver or file claiming more is not mapped.
constexpr unsigned KMaxResolution = 8192;

MFrameBuffer* gFrameBuffer = nullptr;

void DestroyFrameBuffer() {
    delete gFrameBuffer;
    gFrameBuffer = nullptr;
}

}  // namespace

CVXFrameBufferImpl::CVXFrameBufferImpl(const char* aDevicePath) {
    iDescriptor = ::open(aDevicePath, O_RDWR);
    if (iDescriptor < 0) {
        return;
    }
    fb_fix_screeninfo fixedInfo{};
    if (::ioctl(iDescriptor, FBIOGET_FSCREENINFO, &fixedInfo) != 0) {
        return;
    }
    fb_var_screeninfo variableInfo{};
    if (::ioctl(iDescriptor, FBIOGET_VSCREENINFO, &variableInfo) != 0) {
        return;
    }
    SetGeometry(variableInfo.xres, variableInfo.yres,
                static_cast<int>(variableInfo.bits_per_pixel));
    Map();
}

CVXFrameBufferImpl::~CVXFrameBufferImpl() {
    if (iPixels != nullptr) {
        (void)::munmap(iPixels, iMappedLength);
    }
    if (iDescriptor >= 0) {
        (void)::close(iDescriptor);
    }
}

void CVXFrameBufferImpl::SetGeometry(unsigned aXResolution, unsigned aYResolution,
                                     int aBitsPerPixel) {
    if (aXResolution > KMaxResolution || aYResolution > KMaxResolution || aBitsPerPixel < 0 ||
        aBitsPerPixel > 32) {
        return;  // left at zero: nothing is mapped, clipping writes nothing
    }
    iBitsPerPixel = aBitsPerPixel;
    iBytesPerPixel = aBitsPerPixel >> 3;
    if (aXResolution > aYResolution) {
        iWidth = static_cast<int>(aXResolution);
        iHeight = static_cast<int>(aYResolution);
    } else {
        iWidth = static_cast<int>(aYResolution);
        iHeight = static_cast<int>(aXResolution);
    }
}

bool CVXFrameBufferImpl::Map() {
    const std::size_t length =
        (static_cast<std::size_t>(iWidth) * static_cast<std::size_t>(iHeight) *
         static_cast<std::size_t>(iBitsPerPixel)) >>
        3;
    if (length == 0) {
        return false;
    }
    void* pixels = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, iDescriptor, 0);
    // mmap reports failure as MAP_FAILED, not null: keep null so that nothing writes through it.
    if (pixels == MAP_FAILED) {
        return false;
    }
    iPixels = static_cast<std::uint8_t*>(pixels);
    iMappedLength = length;
    return true;
}

MFrameBuffer* GetFrameBuffer() {
    if (gFrameBuffer == nullptr) {
        const TDevicePath path = DevicePath(KFrameBufferPath);
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            const TDevicePath sizePath = DevicePath(KFrameBufferSizePath);
            const TDevicePath depthPath = DevicePath(KFrameBufferDepthPath);
            gFrameBuffer = new CRawFrameBuffer(path.c_str(), sizePath.c_str(), depthPath.c_str());
        } else {
            gFrameBuffer = new CVXFrameBufferImpl(path.c_str());
        }
        (void)std::atexit(DestroyFrameBuffer);  // unregistered, it lives until the end
    }
    return gFrameBuffer;
}

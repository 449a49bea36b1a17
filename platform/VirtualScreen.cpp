#include "platform/VirtualScreen.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"

namespace {

constexpr int KFixedWidth = 320;
constexpr int KFixedHeight = 240;
// Square tiles for the transpose: a tile's source columns and destination rows both stay in
// the data cache, which the plain double loop (one cache line per pixel written) does not.
constexpr int KTile = 32;

// Logical (x, y) is aBack[x * H + (H - 1 - y)] and lands at aDevice[y * W + x]. KWidth and
// KHeight, when not 0, are the geometry known at compile time.
template <int KWidth, int KHeight>
void CopyTiles(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight) {
    const int width = KWidth != 0 ? KWidth : aWidth;
    const int height = KHeight != 0 ? KHeight : aHeight;
    for (int y0 = 0; y0 < height; y0 += KTile) {
        const int y1 = std::min(y0 + KTile, height);
        for (int x0 = 0; x0 < width; x0 += KTile) {
            const int x1 = std::min(x0 + KTile, width);
            for (int y = y0; y < y1; ++y) {
                std::uint16_t* row = aDevice + static_cast<std::size_t>(y) * width;
                const std::uint16_t* column = aBack + (height - 1 - y);
                for (int x = x0; x < x1; ++x) {
                    row[x] = column[static_cast<std::size_t>(x) * height];
                }
            }
        }
    }
}

MVirtualScreen* gVirtualScreen = nullptr;
int gModelId = -1;

void DestroyVirtualScreen() {
    delete gVirtualScreen;
    gVirtualScreen = nullptr;
}

template <std::size_t N>
bool IsIn(const int (&aModels)[N], int aModel) {
    return std::find(aModels, aModels + N, aModel) != aModels + N;
}

}  // namespace

TCopyMethod CopyMethodOfModel(int aModel) {
    if (IsIn(KRowMajor320x240Models, aModel)) {
        return TCopyMethod::RowMajor320x240;
    }
    if (IsIn(KRowMajorModels, aModel)) {
        return TCopyMethod::RowMajor;
    }
    return TCopyMethod::Straight;
}

void CopyToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight) {
    // The panels this device family has get a copy with their geometry built in: the compiler
    // then turns the index arithmetic into constant strides, twice as fast as the general loop.
    if (aWidth == KFixedWidth && aHeight == KFixedHeight) {
        CopyTiles<KFixedWidth, KFixedHeight>(aDevice, aBack, aWidth, aHeight);
    } else if (aWidth == 480 && aHeight == 272) {
        CopyTiles<480, 272>(aDevice, aBack, aWidth, aHeight);
    } else {
        CopyTiles<0, 0>(aDevice, aBack, aWidth, aHeight);
    }
}

CVirtualScreen::CVirtualScreen(MFrameBuffer* aDevice) : CVirtualScreen(aDevice, GetModelId()) {}

CVirtualScreen::CVirtualScreen(MFrameBuffer* aDevice, int aModel)
    : iDevice(aDevice), iModel(aModel) {
    const std::size_t bytes = ScreenBytes();
    if (bytes > 0) {
        // Zero-filled, rounded up to whole words.
        iBackBuffer.reset(new (std::nothrow) std::uint32_t[(bytes + 3) / 4]());
    }
}

std::size_t CVirtualScreen::ScreenBytes() {
    const int width = iDevice->GetWidth();
    const int height = iDevice->GetHeight();
    const int depth = iDevice->GetBitsPerPixel();
    if (width <= 0 || height <= 0 || depth <= 0) {
        return 0;
    }
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
            static_cast<std::size_t>(depth)) >>
           3;
}

void CVirtualScreen::Update(bool aOnlyWhenOwner) {
    if (!IsDisplayOwner(aOnlyWhenOwner)) {
        return;
    }
    std::uint8_t* device = iDevice->GetBuffer();
    const std::uint8_t* back = GetBuffer();
    if (device == nullptr || back == nullptr) {
        return;
    }
    const int width = iDevice->GetWidth();
    const int height = iDevice->GetHeight();
    TCopyMethod method = CopyMethodOfModel(iModel);
    // The re-arrangements move 16-bit pixels; at another depth the panel can only be copied.
    if (iDevice->GetBitsPerPixel() != 16) {
        method = TCopyMethod::Straight;
    }
    auto* devicePixels = reinterpret_cast<std::uint16_t*>(device);
    const auto* backPixels = reinterpret_cast<const std::uint16_t*>(back);
    switch (method) {
        case TCopyMethod::RowMajor320x240:
            // Fixed bounds only when they are the screen's: any other geometry would read and
            // write outside both buffers.
            if (width == KFixedWidth && height == KFixedHeight) {
                CopyToRowMajor(devicePixels, backPixels, KFixedWidth, KFixedHeight);
            } else {
                CopyToRowMajor(devicePixels, backPixels, width, height);
            }
            break;
        case TCopyMethod::RowMajor:
            CopyToRowMajor(devicePixels, backPixels, width, height);
            break;
        case TCopyMethod::Straight:
            std::memcpy(device, back, ScreenBytes());
            break;
    }
}

void CVirtualScreen::Capture(bool aOnlyWhenOwner) {
    if (!IsDisplayOwner(aOnlyWhenOwner)) {
        return;
    }
    const std::uint8_t* device = iDevice->GetBuffer();
    std::uint8_t* back = GetBuffer();
    if (device != nullptr && back != nullptr) {
        std::memcpy(back, device, ScreenBytes());
    }
}

MVirtualScreen* GetVirtualScreen() {
    if (gVirtualScreen == nullptr) {
        gVirtualScreen = new CVirtualScreen(GetFrameBuffer());
        (void)std::atexit(DestroyVirtualScreen);  // unregistered, it lives until the end
    }
    return gVirtualScreen;
}

bool GetProcInt(const char* aName, int* aValue) {
    char path[128];
    const int written = std::snprintf(path, sizeof path, "%s%s", KModelInfoDirectory, aName);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof path) {
        return false;  // a cut name would read another file
    }
    const TDevicePath devicePath = DevicePath(path);
    std::FILE* file = std::fopen(devicePath.c_str(), "r");
    if (file == nullptr) {
        std::printf("%s: Unable to open %s: %s\n", "GetProcInt", path, std::strerror(errno));
        return false;
    }
    const bool read = std::fscanf(file, "%d", aValue) == 1;
    (void)std::fclose(file);  // read only: nothing is lost
    if (!read) {
        std::printf("%s: Unable to read value from %s\n", "GetProcInt", path);
    }
    return read;
}

int GetModelId() {
    if (gModelId == -1 && !GetProcInt("modelid", &gModelId)) {
        gModelId = KDefaultModel;
    }
    return gModelId;
}

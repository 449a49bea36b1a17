#include "platform/VirtualScreen.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"
#include "platform/Transpose.h"

namespace {

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
    return IsIn(KRowMajor320x240Models, aModel) || IsIn(KRowMajorModels, aModel)
               ? TCopyMethod::RowMajor
               : TCopyMethod::Straight;
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

void CVirtualScreen::MarkDrawn(int aX0, int aY0, int aX1, int aY1) {
    const TArea area =
        TArea{aX0, aY0, aX1, aY1}.Clip(ScreenArea(iDevice->GetWidth(), iDevice->GetHeight()));
    iDrawn = iDrawn.Join(area);
    iDirty.Add(area);
}

bool CVirtualScreen::TakeDrawnBounds(TArea* aBounds) {
    *aBounds = iDrawn;
    iDrawn = TArea();
    return true;
}

void CVirtualScreen::SetShown(bool aShown) {
    if (aShown && !iShown) {
        Invalidate();  // the device shows another process's picture
    }
    iShown = aShown;
}

bool CVirtualScreen::CopiesParts() {
    TPixelLayout layout;
    if (iDevice->GetBitsPerPixel() != 16 || !iDevice->GetPixelLayout(&layout)) {
        return false;
    }
    const TPixelLayout column = ColumnLayout(iDevice->GetHeight(), 2);
    return layout.iOrigin == column.iOrigin && layout.iXStep == column.iXStep &&
           layout.iYStep == column.iYStep;
}

void CVirtualScreen::CopyArea(TCopyMethod aMethod, const TArea& aArea) {
    const int width = iDevice->GetWidth();
    const int height = iDevice->GetHeight();
    auto* devicePixels = reinterpret_cast<std::uint16_t*>(iDevice->GetBuffer());
    const auto* backPixels = reinterpret_cast<const std::uint16_t*>(GetBuffer());
    if (aMethod != TCopyMethod::Straight) {
        CopyAreaToRowMajor(devicePixels, backPixels, width, height, aArea.iX0, aArea.iY0, aArea.iX1,
                           aArea.iY1);
        return;
    }
    // Column x holds rows height - 1 down to 0 from pixel x * height on.
    const int rowCount = aArea.iY1 - aArea.iY0 + 1;
    const std::size_t rows = static_cast<std::size_t>(rowCount);
    if (rows == static_cast<std::size_t>(height)) {
        // Whole columns lie one after the other: one block.
        const std::size_t first = static_cast<std::size_t>(aArea.iX0) * height;
        const std::size_t count = static_cast<std::size_t>(aArea.iX1 - aArea.iX0 + 1) * height;
        std::memcpy(devicePixels + first, backPixels + first, count * 2);
        return;
    }
    for (int x = aArea.iX0; x <= aArea.iX1; ++x) {
        const std::size_t first = static_cast<std::size_t>(x) * height + (height - 1 - aArea.iY1);
        std::memcpy(devicePixels + first, backPixels + first, rows * 2);
    }
}

void CVirtualScreen::Update(bool aOnlyWhenShown) {
    std::uint8_t* device = iDevice->GetBuffer();
    const std::uint8_t* back = GetBuffer();
    if ((aOnlyWhenShown && !iShown) || device == nullptr || back == nullptr) {
        return;
    }
    // The re-arrangements move 16-bit pixels; at another depth the panel can only be copied.
    const TCopyMethod method =
        iDevice->GetBitsPerPixel() == 16 ? CopyMethodOfModel(iModel) : TCopyMethod::Straight;
    // Drawing marks only what it draws at 16 bits in a layout it knows; anything else may have
    // changed any pixel.
    if (!iDirty.IsWhole() && CopiesParts()) {
        for (int i = 0; i < iDirty.Count(); ++i) {
            CopyArea(method, iDirty[i]);
        }
    } else if (method == TCopyMethod::RowMajor) {
        CopyToRowMajor(reinterpret_cast<std::uint16_t*>(device),
                       reinterpret_cast<const std::uint16_t*>(back), iDevice->GetWidth(),
                       iDevice->GetHeight());
    } else {
        std::memcpy(device, back, ScreenBytes());
    }
    iDirty.Clear();
}

void CVirtualScreen::Capture(bool aOnlyWhenShown) {
    if (aOnlyWhenShown && !iShown) {
        return;
    }
    const std::uint8_t* device = iDevice->GetBuffer();
    std::uint8_t* back = GetBuffer();
    if (device != nullptr && back != nullptr) {
        std::memcpy(back, device, ScreenBytes());
        // Every pixel may have changed.
        Invalidate();
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

#pragma once

#include <cstdint>
#include <memory>

#include "platform/DisplayOwner.h"
#include "platform/FrameBuffer.h"

// Inclusive logical bounds of what was drawn; empty when iX0 > iX1.
struct TDrawnArea {
    int iX0 = 0;
    int iY0 = 0;
    int iX1 = -1;
    int iY1 = -1;
};

// A frame buffer whose pixel memory is a private back buffer with the device's geometry and
// layout. All drawing goes there; Update copies it to the device, only while this process
// owns the display, so the image survives while another process has the screen.
class MVirtualScreen : public MFrameBuffer {
  public:
    // Copies the back buffer to the device (when aOnlyWhenOwner, only as the display owner).
    virtual void Update(bool aOnlyWhenOwner) = 0;
    // Copies the device's pixel memory into the back buffer, unchanged.
    virtual void Capture(bool aOnlyWhenOwner) = 0;
    // The device's own pixel memory.
    virtual std::uint8_t* GetDeviceBuffer() = 0;
    // The next Update copies the whole screen: the device may show another process's picture.
    virtual void Invalidate() {}
    // The bounds of all that was marked drawn since the last call, which are then forgotten;
    // false when this screen does not keep them.
    virtual bool TakeDrawnBounds(TDrawnArea* aBounds) {
        (void)aBounds;
        return false;
    }
};

// Device models whose panel is row-major rather than in the column layout. The driver numbers
// its models; these are ours to choose, and every other number (7 when it can't be read) is a
// panel in the column layout, copied straight.
constexpr int KRowMajor320x240Models[] = {2, 3, 4, 5};  // fixed 320 × 240 panels
constexpr int KRowMajorModels[] = {8, 9};               // row-major at the screen's geometry
constexpr int KDefaultModel = 7;

enum class TCopyMethod { Straight, RowMajor320x240, RowMajor };

// How Update copies for a device model.
TCopyMethod CopyMethodOfModel(int aModel);

class CVirtualScreen : public MVirtualScreen {
  public:
    // aDevice is not owned; aModel is the device model number (GetModelId() on the device).
    CVirtualScreen(MFrameBuffer* aDevice, int aModel);
    explicit CVirtualScreen(MFrameBuffer* aDevice);

    std::uint8_t* GetBuffer() override {
        return reinterpret_cast<std::uint8_t*>(iBackBuffer.get());
    }
    int GetWidth() override { return iDevice->GetWidth(); }
    int GetHeight() override { return iDevice->GetHeight(); }
    int GetBitsPerPixel() override { return iDevice->GetBitsPerPixel(); }
    int GetPixelOffset(int aX, int aY) override { return iDevice->GetPixelOffset(aX, aY); }
    bool GetPixelLayout(TPixelLayout* aLayout) override { return iDevice->GetPixelLayout(aLayout); }
    // Remembers the area for the next Update: a few rectangles, merged when they touch or
    // when there are too many.
    void MarkDrawn(int aX0, int aY0, int aX1, int aY1) override;

    // Copies what was drawn since the last copy; the whole screen after Invalidate or Capture,
    // the first time, and when the previous Update found another process owning the display.
    void Update(bool aOnlyWhenOwner) override;
    void Capture(bool aOnlyWhenOwner) override;
    std::uint8_t* GetDeviceBuffer() override { return iDevice->GetBuffer(); }
    void Invalidate() override;
    bool TakeDrawnBounds(TDrawnArea* aBounds) override;

    int ModelId() const { return iModel; }

  private:
    // Inclusive logical bounds.
    struct TArea {
        int iX0;
        int iY0;
        int iX1;
        int iY1;
    };
    static constexpr int KMaxAreas = 8;

    std::size_t ScreenBytes();
    // True when parts can be copied: 16-bit pixels in the column layout.
    bool CopiesParts();
    void CopyArea(TCopyMethod aMethod, const TArea& aArea);

    // Held as 32-bit words: the back buffer is 4-byte aligned like the device's memory.
    std::unique_ptr<std::uint32_t[]> iBackBuffer;
    MFrameBuffer* iDevice;
    int iModel;
    // What to copy at the next Update: everything, or iAreas[0, iAreaCount).
    bool iWholeScreen = true;
    int iAreaCount = 0;
    TArea iAreas[KMaxAreas] = {};
    // The bounds of all marked since the last TakeDrawnBounds (clipped), shown or not.
    TDrawnArea iDrawn;
};

// The process-wide virtual screen over GetFrameBuffer(), created on first use, destroyed at exit.
MVirtualScreen* GetVirtualScreen();

// Reads one decimal integer from /proc/orbelia/<aName>; false, with a line on standard output,
// when the file can't be opened or holds no number.
bool GetProcInt(const char* aName, int* aValue);
// The device model number, read once (7 when it can't be read).
int GetModelId();

// The copies of Update, exposed for tests and benchmarks: aDevice and aBack hold aWidth ×
// aHeight 16-bit pixels; aBack in the column layout.
void CopyToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight);
// The same copy of columns aX0..aX1 and rows aY0..aY1 only (inclusive, inside the screen).
void CopyAreaToRowMajor(std::uint16_t* aDevice, const std::uint16_t* aBack, int aWidth, int aHeight,
                        int aX0, int aY0, int aX1, int aY1);

// The ways of doing that copy, all with the same output: scalar tiles (every build), 8 × 8
// blocks in SSE2 registers (x86), pairs of them in AVX2 registers (x86-64, when the processor
// has it). CopyAreaToRowMajor takes the fastest there is; tests and benchmarks name one.
enum class TTransposeKernel { Scalar, Sse2, Avx2 };
// True when this build, on this processor, has aKernel.
bool HasTransposeKernel(TTransposeKernel aKernel);
// CopyAreaToRowMajor by aKernel; by the scalar tiles when aKernel is not there.
void CopyAreaToRowMajorBy(TTransposeKernel aKernel, std::uint16_t* aDevice,
                          const std::uint16_t* aBack, int aWidth, int aHeight, int aX0, int aY0,
                          int aX1, int aY1);

#pragma once

#include <cstdint>
#include <memory>

#include "platform/Area.h"
#include "platform/DirtyRegion.h"
#include "platform/FrameBuffer.h"

// A frame buffer whose pixel memory is a private back buffer with the device's geometry and
// layout. All drawing goes there; Update copies it to the device, only while the display is
// this process's, so the image survives while another process has the screen. Whose the
// display is, the event loop says (SetShown) once a pass: it alone reads the owner word.
class MVirtualScreen : public MFrameBuffer {
  public:
    // Copies to the device what was drawn since the last copy (when aOnlyWhenShown, only
    // while shown).
    virtual void Update(bool aOnlyWhenShown) = 0;
    // Copies the device's pixel memory into the back buffer, unchanged.
    virtual void Capture(bool aOnlyWhenShown) = 0;
    // The device's own pixel memory.
    virtual std::uint8_t* GetDeviceBuffer() = 0;
    // The next Update copies the whole screen: the device may show another process's picture.
    virtual void Invalidate() {}
    // Whether the display is this process's; shown again after not, the next Update copies
    // the whole screen. A screen nobody tells is shown.
    virtual void SetShown(bool aShown) { (void)aShown; }
    virtual bool IsShown() const { return true; }
    // The bounds of all that was marked drawn since the last call, which are then forgotten;
    // false when this screen does not keep them.
    virtual bool TakeDrawnBounds(TArea* aBounds) {
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

enum class TCopyMethod { Straight, RowMajor };

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
    // Remembers the area, clipped to the screen, for the next Update (CDirtyRegion).
    void MarkDrawn(int aX0, int aY0, int aX1, int aY1) override;

    // Copies what was drawn since the last copy; the whole screen the first time, after
    // Invalidate or Capture, and when shown again.
    void Update(bool aOnlyWhenShown) override;
    void Capture(bool aOnlyWhenShown) override;
    std::uint8_t* GetDeviceBuffer() override { return iDevice->GetBuffer(); }
    void Invalidate() override { iDirty.AddWhole(); }
    // Not shown until told.
    void SetShown(bool aShown) override;
    bool IsShown() const override { return iShown; }
    bool TakeDrawnBounds(TArea* aBounds) override;

    int ModelId() const { return iModel; }

  private:
    std::size_t ScreenBytes();
    // True when parts can be copied: 16-bit pixels in the column layout.
    bool CopiesParts();
    void CopyArea(TCopyMethod aMethod, const TArea& aArea);

    // Held as 32-bit words: the back buffer is 4-byte aligned like the device's memory.
    std::unique_ptr<std::uint32_t[]> iBackBuffer;
    MFrameBuffer* iDevice;
    int iModel;
    bool iShown = false;
    // What the next Update copies.
    CDirtyRegion iDirty;
    // The bounds of all marked since the last TakeDrawnBounds, shown or not.
    TArea iDrawn;
};

// The process-wide virtual screen over GetFrameBuffer(), created on first use, destroyed at exit.
MVirtualScreen* GetVirtualScreen();

// Reads one decimal integer from /proc/orbelia/<aName>; false, with a line on standard output,
// when the file can't be opened or holds no number.
bool GetProcInt(const char* aName, int* aValue);
// The device model number, read once (7 when it can't be read).
int GetModelId();

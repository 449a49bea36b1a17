#pragma once

#include <cstdint>

#include "platform/DevicePath.h"

// One touch sample as the driver delivered it: no calibration, scaling or rotation.
struct TouchEvent {
    int x = 0;
    int y = 0;
    int pressure = 0;  // non-zero while the pen touches the screen, 0 when it is lifted
};

// Toolkit key codes handed on by ReadKey: 0 is no key.
constexpr int KKeyPrevious = 3;  // focus to the previous widget
constexpr int KKeyNext = 4;      // focus to the next widget
constexpr int KKeySelect = 6;    // activate the focused widget

// The toolkit's source of user input, polled once per event-loop pass.
class MInputReader {
  public:
    // True when aEvent was filled with a new sample; at most one a call.
    virtual bool ReadTouch(TouchEvent* aEvent) = 0;
    // True when a remote record was consumed; *aKey is its key code, 0 for an unknown button.
    virtual bool ReadKey(int* aKey) = 0;
    virtual ~MInputReader() = default;
};

constexpr int KInputRecordSize = 8;   // one read of either device returns one record
constexpr int KRemoteCodeOffset = 5;  // the button code in a remote record
constexpr int KJitter = 4;            // pixels a held pen may wander without a new event
// Touch records one ReadTouch reads at most while looking for an event: 20 s of samples at
// 100 Hz, far more than a pass can queue.
constexpr int KTouchReadLimit = 2048;

// Touch screen and remote control over two character devices read without blocking, and only
// while this process owns the display: records that arrive meanwhile stay queued for the owner.
class CVXInputReader : public MInputReader {
  public:
    CVXInputReader(const char* aTouchPath, const char* aRemotePath);
    ~CVXInputReader() override;
    CVXInputReader(const CVXInputReader&) = delete;
    CVXInputReader& operator=(const CVXInputReader&) = delete;

    bool ReadTouch(TouchEvent* aEvent) override;
    bool ReadKey(int* aKey) override;

    // The logical screen height when the reader was made (from the frame buffer).
    int ScreenHeight() const { return iScreenHeight; }

    // The remote's button code (1 to 10) as a toolkit key code; 0 for any other code.
    static int KeyOfRemoteCode(int aCode);

  private:
    int iScreenHeight = 0;
    int iTouchDescriptor = -1;
    int iRemoteDescriptor = -1;
    // The last sample handed on: pressure, x, y as the driver wrote them.
    std::int16_t iLastPressure = 0;
    std::int16_t iLastX = 0;
    std::int16_t iLastY = 0;
};

// The process-wide reader over /dev/ts and /dev/remote, created on first use, destroyed at exit.
MInputReader* GetInputReader();

#pragma once

// Stand-ins for what the toolkit's widgets and event loop reach beyond themselves: the screen
// new widgets draw on, a parent group, the sleeper, the display owner and the idle handler.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/InputReader.h"
#include "support/MemoryVirtualScreen.h"
#include "ui/UIEventLoop.h"
#include "ui/UIWidget.h"
#include "ui/UIWidgetGroup.h"

// The pen at (aX, aY) with aPressure (0: lifted), as a widget's HandleTouch takes it.
inline TouchEvent TouchAt(int aX, int aY, int aPressure) {
    TouchEvent event;
    event.x = aX;
    event.y = aY;
    event.pressure = aPressure;
    return event;
}

// Makes aScreen the one that widgets made during its life draw on.
class CUseScreen {
  public:
    explicit CUseScreen(MVirtualScreen* aScreen) { SetDefaultWidgetScreen(aScreen); }
    ~CUseScreen() { SetDefaultWidgetScreen(nullptr); }
    CUseScreen(const CUseScreen&) = delete;
    CUseScreen& operator=(const CUseScreen&) = delete;
};

// Returns at once and records each pause asked for; iOnSleep, when set, is told of it too.
class CRecordingSleeper : public MUISleeper {
  public:
    void Sleep(std::uint32_t aMicroseconds) override {
        iSleeps.push_back(aMicroseconds);
        if (iOnSleep) {
            iOnSleep(aMicroseconds);
        }
    }
    std::vector<std::uint32_t> iSleeps;
    std::function<void(std::uint32_t)> iOnSleep;
};

// The owner word holds iActive; this process is iOwn.
class CFixedOwner : public MDisplayOwnerSource {
  public:
    CFixedOwner(int aActive, int aOwn) : iActive(aActive), iOwn(aOwn) {}
    int ActivePid() override { return iActive; }
    int OwnPid() override { return iOwn; }
    int iActive;
    int iOwn;
};

// Counts its calls and runs iAction, when set, on each.
class CIdleScript : public CUIEventLoop::MUIEventLoopEvents {
  public:
    void OnIdle(CUIEventLoop* aLoop) override {
        ++iCalls;
        if (iAction) {
            iAction(aLoop);
        }
    }
    int iCalls = 0;
    std::function<void(CUIEventLoop*)> iAction;
};

// A 160 x 120 parent group on a CMemoryVirtualScreen that paints every area a child asks it to
// repaint in aColor, clipped to the screen, and remembers the areas in order: a widget
// repaints its background first whenever it draws.
class CPaintingGroup : public CUIWidgetGroup {
  public:
    explicit CPaintingGroup(std::uint16_t aColor)
        : CUIWidgetGroup(TRect(0, 0, 159, 119)), iColor(aColor) {}
    void DrawBackground(const TRect& aArea) override {
        iAreas.push_back(aArea);
        auto* screen = static_cast<CMemoryVirtualScreen*>(iFrameBuffer);
        for (int x = aArea.iX; x <= aArea.iX + aArea.iWidth && x < screen->GetWidth(); ++x) {
            for (int y = aArea.iY; y <= aArea.iY + aArea.iHeight && y < screen->GetHeight(); ++y) {
                screen->Memory().SetPixel(x, y, iColor);
            }
        }
    }

    std::vector<TRect> iAreas;

  private:
    std::uint16_t iColor;
};

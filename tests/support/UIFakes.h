#pragma once

// Stand-ins for what the toolkit's widgets and event loop reach beyond themselves: the screen
// new widgets draw on, the sleeper, the display owner and the idle handler.

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/UIEventLoop.h"
#include "ui/UIWidget.h"

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

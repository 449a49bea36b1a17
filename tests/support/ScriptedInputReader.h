#pragma once

// An MInputReader that hands out queued events, one per ReadTouch and one per ReadKey, so
// toolkit and screen tests drive the pen and the remote without device files.

#include <deque>

#include "platform/InputReader.h"

class CScriptedInputReader : public MInputReader {
  public:
    // The pen goes down (or moves) at (aX, aY).
    void PressAt(int aX, int aY) {
        iLastX = aX;
        iLastY = aY;
        Touch(aX, aY, 1);
    }
    // The pen is lifted where it last was.
    void Release() { Touch(iLastX, iLastY, 0); }
    void ReleaseAt(int aX, int aY) {
        iLastX = aX;
        iLastY = aY;
        Touch(aX, aY, 0);
    }
    void Touch(int aX, int aY, int aPressure) {
        TouchEvent event;
        event.x = aX;
        event.y = aY;
        event.pressure = aPressure;
        iTouches.push_back(event);
    }
    void Key(int aKey) { iKeys.push_back(aKey); }

    bool ReadTouch(TouchEvent* aEvent) override {
        ++iTouchReads;
        if (iTouches.empty()) {
            return false;
        }
        *aEvent = iTouches.front();
        iTouches.pop_front();
        return true;
    }
    bool ReadKey(int* aKey) override {
        ++iKeyReads;
        if (iKeys.empty()) {
            return false;
        }
        *aKey = iKeys.front();
        iKeys.pop_front();
        return true;
    }

    std::size_t PendingTouches() const { return iTouches.size(); }
    std::size_t PendingKeys() const { return iKeys.size(); }
    int TouchReads() const { return iTouchReads; }
    int KeyReads() const { return iKeyReads; }

  private:
    std::deque<TouchEvent> iTouches;
    std::deque<int> iKeys;
    int iLastX = 0;
    int iLastY = 0;
    int iTouchReads = 0;
    int iKeyReads = 0;
};

#pragma once

#include <vector>

#include "nmea/CaptureCycle.h"

// Stands in for the main screen, the display and the message service: counts the calls, and
// keeps the total the screen would have shown at each refresh.
class CFakeCaptureEvents : public MCaptureEvents {
  public:
    explicit CFakeCaptureEvents(const CCaptureState* aState = nullptr) : iState(aState) {}

    void RefreshCounters() override {
        ++iRefreshCalls;
        if (iState != nullptr) {
            iShownTotals.push_back(iState->TotalCount);
        }
    }
    void UpdateDisplay() override { ++iUpdateCalls; }
    void ServeMessages() override { ++iServeCalls; }

    int iRefreshCalls = 0;
    int iUpdateCalls = 0;
    int iServeCalls = 0;
    std::vector<int> iShownTotals;

  private:
    const CCaptureState* iState;
};

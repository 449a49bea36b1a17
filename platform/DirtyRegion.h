#pragma once

#include "platform/Area.h"

// What a virtual screen still has to copy to the device: the whole screen, or a few areas.
// Areas that touch become one (a label's glyphs lie inside its background); beyond
// KMaxAreas apart, a new one joins the area whose bounds grow least.
class CDirtyRegion {
  public:
    static constexpr int KMaxAreas = 8;

    // The whole screen: every pixel may differ from the device's.
    void AddWhole() {
        iWhole = true;
        iCount = 0;
    }
    void Add(const TArea& aArea);
    // Nothing left to copy.
    void Clear() {
        iWhole = false;
        iCount = 0;
    }

    bool IsWhole() const { return iWhole; }
    int Count() const { return iCount; }
    const TArea& operator[](int aIndex) const { return iAreas[aIndex]; }

  private:
    bool iWhole = true;
    int iCount = 0;
    TArea iAreas[KMaxAreas];
};

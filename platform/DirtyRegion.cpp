#include "platform/DirtyRegion.h"

void CDirtyRegion::Add(const TArea& aArea) {
    if (iWhole || aArea.Empty()) {
        return;
    }
    for (int i = 0; i < iCount; ++i) {
        if (iAreas[i].Touches(aArea)) {
            iAreas[i] = iAreas[i].Join(aArea);
            return;
        }
    }
    if (iCount < KMaxAreas) {
        iAreas[iCount++] = aArea;
        return;
    }
    int best = 0;
    long long bestGrowth = -1;
    for (int i = 0; i < iCount; ++i) {
        const long long growth = iAreas[i].Join(aArea).Size() - iAreas[i].Size();
        if (bestGrowth < 0 || growth < bestGrowth) {
            best = i;
            bestGrowth = growth;
        }
    }
    iAreas[best] = iAreas[best].Join(aArea);
}

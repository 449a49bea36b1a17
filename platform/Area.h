#pragma once

// A rectangle of screen pixels: columns iX0 to iX1 and rows iY0 to iY1, both ends included;
// empty when either start lies beyond its end. What the drawing code marks, what the virtual
// screen copies and what a widget drew are all areas.
struct TArea {
    int iX0 = 0;
    int iY0 = 0;
    int iX1 = -1;
    int iY1 = -1;

    bool Empty() const { return iX0 > iX1 || iY0 > iY1; }
    // The two share a pixel.
    bool Meets(const TArea& aOther) const {
        return !Empty() && !aOther.Empty() && iX0 <= aOther.iX1 && aOther.iX0 <= iX1 &&
               iY0 <= aOther.iY1 && aOther.iY0 <= iY1;
    }
    // The two share a pixel or lie edge to edge (their join then holds nothing else).
    bool Touches(const TArea& aOther) const {
        return !Empty() && !aOther.Empty() && iX0 <= aOther.iX1 + 1LL && aOther.iX0 <= iX1 + 1LL &&
               iY0 <= aOther.iY1 + 1LL && aOther.iY0 <= iY1 + 1LL;
    }
    // Every pixel of aOther is one of this area's.
    bool Holds(const TArea& aOther) const {
        return aOther.Empty() ||
               (iX0 <= aOther.iX0 && aOther.iX1 <= iX1 && iY0 <= aOther.iY0 && aOther.iY1 <= iY1);
    }
    // The smallest area that holds both.
    TArea Join(const TArea& aOther) const {
        if (Empty()) {
            return aOther;
        }
        if (aOther.Empty()) {
            return *this;
        }
        return {iX0 < aOther.iX0 ? iX0 : aOther.iX0, iY0 < aOther.iY0 ? iY0 : aOther.iY0,
                iX1 > aOther.iX1 ? iX1 : aOther.iX1, iY1 > aOther.iY1 ? iY1 : aOther.iY1};
    }
    // The part of this area inside aBounds.
    TArea Clip(const TArea& aBounds) const {
        return {iX0 > aBounds.iX0 ? iX0 : aBounds.iX0, iY0 > aBounds.iY0 ? iY0 : aBounds.iY0,
                iX1 < aBounds.iX1 ? iX1 : aBounds.iX1, iY1 < aBounds.iY1 ? iY1 : aBounds.iY1};
    }
    // Pixels in it, 0 when empty.
    long long Size() const {
        return Empty() ? 0
                       : (static_cast<long long>(iX1) - iX0 + 1) *
                             (static_cast<long long>(iY1) - iY0 + 1);
    }
};

// The whole of an aWidth x aHeight screen.
inline TArea ScreenArea(int aWidth, int aHeight) {
    return {0, 0, aWidth - 1, aHeight - 1};
}

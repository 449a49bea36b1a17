#include "ui/Draw.h"

#include "ui/PixelSurface.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// FillRect's inset for each corner mode (row) and distance to the nearer side edge (column;
// the last column stands for every distance from 4 up).
constexpr int KCornerModes = 5;
constexpr int KInsetDistances = 5;
// clang-format off
constexpr int KCornerInsets[KCornerModes][KInsetDistances] = {
    {0, 0, 0, 0, 0},  // square
    {1, 0, 0, 0, 0},  // also every mode outside the table
    {2, 1, 0, 0, 0},
    {3, 2, 1, 0, 0},
    {4, 2, 1, 1, 0},  // rounded
};
// clang-format on
constexpr int KOtherCorner = 1;

// A negative coordinate becomes a huge one: beyond the right or bottom edge.
unsigned Unsigned(int aCoordinate) {
    return static_cast<unsigned>(aCoordinate);
}

// Rows aY0 to aY1 of column aX, clipped as DrawVLine says; the rows drawn, empty for none.
TArea VLine(const TPixelSurface& aSurface, int aX, std::int64_t aY0, std::int64_t aY1,
            std::uint16_t aPixel) {
    if (Unsigned(aX) >= static_cast<unsigned>(aSurface.Width()) || aY0 < 0 ||
        aY0 >= aSurface.Height() || aY0 > aY1) {
        return TArea();
    }
    const int y1 =
        aY1 < 0 || aY1 >= aSurface.Height() ? aSurface.Height() - 1 : static_cast<int>(aY1);
    aSurface.FillColumn(aX, static_cast<int>(aY0), y1, aPixel);
    return {aX, static_cast<int>(aY0), aX, y1};
}

// Bresenham's state after the steps from a negative major coordinate to 0, without walking
// up to 2^31 steps off screen. After k steps the minor coordinate has stepped
// floor((2 dMinor k + dMajor) / (2 dMajor)) times; with dMinor k = q dMajor + r that is q, plus
// one when 2r >= dMajor, and the error is what is left over. dMinor k stays below 2^63.
void JumpToMajorZero(std::int64_t aDMajor, std::int64_t aDMinor, std::int64_t aStep,
                     std::int64_t& aMajor, std::int64_t& aMinor, std::int64_t& aError) {
    const std::int64_t steps = -aMajor;
    const std::int64_t product = aDMinor * steps;
    const std::int64_t quotient = product / aDMajor;
    const std::int64_t remainder = product % aDMajor;
    const bool extra = 2 * remainder >= aDMajor;
    aMajor = 0;
    aMinor += aStep * (quotient + (extra ? 1 : 0));
    aError = 2 * aDMinor - aDMajor + 2 * remainder - (extra ? 2 * aDMajor : 0);
}

// Bresenham along the major axis (the one with the larger extent): one pixel per step of the
// major coordinate, a step of the minor one when the error is not negative. The walk starts
// where the major coordinate reaches the screen and stops once it has left the screen for
// good, so far-away end points cost nothing.
void WalkLine(const TPixelSurface& aSurface, bool aYMajor, std::int64_t aMajor0,
              std::int64_t aMinor0, std::int64_t aMajor1, std::int64_t aMinor1,
              std::uint16_t aPixel) {
    // Start at the end with the smaller major coordinate.
    if (aMajor0 > aMajor1) {
        std::swap(aMajor0, aMajor1);
        std::swap(aMinor0, aMinor1);
    }
    if (aMajor1 < 0) {
        return;
    }
    const std::int64_t dMajor = aMajor1 - aMajor0;
    const std::int64_t dMinor = aMinor0 > aMinor1 ? aMinor0 - aMinor1 : aMinor1 - aMinor0;
    const std::int64_t step = aMinor0 > aMinor1 ? -1 : 1;
    const std::int64_t majorLimit = aYMajor ? aSurface.Height() : aSurface.Width();
    const std::int64_t minorLimit = aYMajor ? aSurface.Width() : aSurface.Height();
    auto plot = [&](std::int64_t aMajor, std::int64_t aMinor) {
        if (aYMajor) {
            aSurface.Plot(aMinor, aMajor, aPixel);
        } else {
            aSurface.Plot(aMajor, aMinor, aPixel);
        }
    };

    std::int64_t major = aMajor0;
    std::int64_t minor = aMinor0;
    std::int64_t error = 2 * dMinor - dMajor;
    if (major < 0) {
        JumpToMajorZero(dMajor, dMinor, step, major, minor, error);
    }
    plot(major, minor);
    while (major < aMajor1) {
        if (error >= 0) {
            error += 2 * (dMinor - dMajor);
            minor += step;
        } else {
            error += 2 * dMinor;
        }
        ++major;
        if (major >= majorLimit || (step > 0 ? minor >= minorLimit : minor < 0)) {
            return;
        }
        plot(major, minor);
    }
}

}  // namespace

void DrawHLine(MFrameBuffer* aFrameBuffer, int aX0, int aY, int aX1, std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (!surface.IsUsable() || Unsigned(aY) >= static_cast<unsigned>(surface.Height()) ||
        Unsigned(aX0) >= static_cast<unsigned>(surface.Width())) {
        return;
    }
    const int x1 =
        Unsigned(aX1) >= static_cast<unsigned>(surface.Width()) ? surface.Width() - 1 : aX1;
    const std::uint16_t pixel = PixelOfColor(aColor);
    for (int x = aX0; x <= x1; ++x) {
        surface.Store(x, aY, pixel);
    }
    surface.MarkDrawn(TArea{aX0, aY, x1, aY});
}

void DrawVLine(MFrameBuffer* aFrameBuffer, int aX, int aY0, int aY1, std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (surface.IsUsable()) {
        surface.MarkDrawn(VLine(surface, aX, aY0, Unsigned(aY1), PixelOfColor(aColor)));
    }
}

void DrawLine(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1,
              std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (!surface.IsUsable()) {
        return;
    }
    // Wider than int: the differences of two ints do not fit one.
    const std::int64_t dx = std::abs(static_cast<std::int64_t>(aX0) - aX1);
    const std::int64_t dy = std::abs(static_cast<std::int64_t>(aY0) - aY1);
    if (dx >= dy) {
        WalkLine(surface, false, aX0, aY0, aX1, aY1, PixelOfColor(aColor));
    } else {
        WalkLine(surface, true, aY0, aX0, aY1, aX1, PixelOfColor(aColor));
    }
    // Every plotted pixel lies within both the end points' box and the screen.
    surface.MarkDrawn(
        TArea{std::min(aX0, aX1), std::min(aY0, aY1), std::max(aX0, aX1), std::max(aY0, aY1)});
}

void DrawRect(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1,
              std::uint32_t aColor) {
    // The runs draw nothing from a start beyond their end, so the corners are put in order.
    const int left = std::min(aX0, aX1);
    const int right = std::max(aX0, aX1);
    const int top = std::min(aY0, aY1);
    const int bottom = std::max(aY0, aY1);
    DrawHLine(aFrameBuffer, left, top, right, aColor);
    DrawVLine(aFrameBuffer, right, top, bottom, aColor);
    DrawVLine(aFrameBuffer, left, top, bottom, aColor);
    DrawHLine(aFrameBuffer, left, bottom, right, aColor);
}

void FillRect(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1, std::uint32_t aColor,
              int aCorner) {
    const TPixelSurface surface(aFrameBuffer);
    if (aX0 > aX1 || !surface.IsUsable()) {
        return;
    }
    const int* const insets =
        KCornerInsets[aCorner >= 0 && aCorner < KCornerModes ? aCorner : KOtherCorner];
    const std::uint16_t pixel = PixelOfColor(aColor);
    // Columns left or right of the screen draw nothing: start and stop at its edges instead of
    // walking them. The distances still count from the rectangle's own sides: the columns
    // nearer a side than KInsetDistances - 1 (none without insets) are shortened one by one,
    // and all between them have the same rows, filled as one area.
    const std::int64_t first = std::max(aX0, 0);
    const std::int64_t last = std::min(aX1, surface.Width() - 1);
    const std::int64_t edge = insets[0] == 0 ? 0 : KInsetDistances - 1;
    const std::int64_t middleFirst = std::max<std::int64_t>(first, aX0 + edge);
    const std::int64_t middleLast = std::min<std::int64_t>(last, aX1 - edge);
    TArea drawn;
    auto column = [&](std::int64_t aX) {
        const std::int64_t distance = std::min(aX - aX0, aX1 - aX);
        const int inset = insets[std::min<std::int64_t>(distance, KInsetDistances - 1)];
        // VLine's clipping: nothing from a top off the screen, a bottom cut at its edge. A
        // column cut away by its insets (top below bottom) stays empty.
        drawn =
            drawn.Join(VLine(surface, static_cast<int>(aX), static_cast<std::int64_t>(aY0) + inset,
                             static_cast<std::int64_t>(aY1) - inset, pixel));
    };
    for (std::int64_t x = first; x <= last && x < middleFirst; ++x) {
        column(x);
    }
    if (middleFirst <= middleLast && aY0 >= 0 && aY0 < surface.Height() && aY0 <= aY1) {
        const int bottom = std::min(aY1, surface.Height() - 1);
        surface.FillArea(static_cast<int>(middleFirst), aY0, static_cast<int>(middleLast), bottom,
                         pixel);
        drawn = drawn.Join(
            TArea{static_cast<int>(middleFirst), aY0, static_cast<int>(middleLast), bottom});
    }
    for (std::int64_t x = std::max(middleFirst, middleLast + 1); x <= last; ++x) {
        column(x);
    }
    surface.MarkDrawn(drawn);
}

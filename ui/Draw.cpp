#include "ui/Draw.h"

#include "ui/PixelRun.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr int KBitsPerPixel = 16;
constexpr int KBytesPerPixel = 2;
constexpr int KPairBytes = 4;

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

// One frame buffer as a primitive sees it, read once. With a linear layout the loops compute
// offsets themselves; otherwise they call GetPixelOffset.
struct TSurface {
    MFrameBuffer* iFrameBuffer;
    std::uint8_t* iPixels;
    unsigned iWidth;
    unsigned iHeight;
    bool iLinear;
    TPixelLayout iLayout;
};

// False when there is nothing to draw into. A negative size would pass every unsigned clip
// test, and a depth below 16 bits would let a pixel store run past the pixel memory.
bool OpenSurface(MFrameBuffer* aFrameBuffer, TSurface& aSurface) {
    if (aFrameBuffer == nullptr) {
        return false;
    }
    std::uint8_t* const pixels = aFrameBuffer->GetBuffer();
    const int width = aFrameBuffer->GetWidth();
    const int height = aFrameBuffer->GetHeight();
    if (pixels == nullptr || width <= 0 || height <= 0 ||
        aFrameBuffer->GetBitsPerPixel() != KBitsPerPixel) {
        return false;
    }
    TPixelLayout layout;
    const bool linear = aFrameBuffer->GetPixelLayout(&layout);
    aSurface = {aFrameBuffer, pixels, static_cast<unsigned>(width), static_cast<unsigned>(height),
                linear,       layout};
    return true;
}

// Byte offset of (aX, aY), which is on the screen.
int OffsetOf(const TSurface& aSurface, unsigned aX, unsigned aY) {
    if (aSurface.iLinear) {
        return aSurface.iLayout.iOrigin + static_cast<int>(aX) * aSurface.iLayout.iXStep +
               static_cast<int>(aY) * aSurface.iLayout.iYStep;
    }
    return aSurface.iFrameBuffer->GetPixelOffset(static_cast<int>(aX), static_cast<int>(aY));
}

// The last row of a run that starts on the screen at aY0 and is meant to end at aY1.
unsigned ClippedEnd(unsigned aEnd, unsigned aSize) {
    return std::min(aEnd, aSize - 1);
}

std::uint16_t PixelOf(std::uint32_t aColor) {
    return static_cast<std::uint16_t>(aColor & 0xFFFFu);
}

// A negative coordinate becomes a huge one: beyond the right or bottom edge.
unsigned Unsigned(int aCoordinate) {
    return static_cast<unsigned>(aCoordinate);
}

// FillRect's column ends are computed wider than int; anything outside int is off screen.
unsigned Unsigned(std::int64_t aCoordinate) {
    return aCoordinate < 0 || aCoordinate > INT_MAX ? UINT_MAX : static_cast<unsigned>(aCoordinate);
}

// Every store goes through memcpy: the pixel memory may hold objects of any type (a device
// mapping, a back buffer of 32-bit words), and memcpy is the store that is valid whatever
// they are. Compilers emit it as one plain 16- or 32-bit store.
void StorePixel(std::uint8_t* aAt, std::uint16_t aPixel) {
    std::memcpy(aAt, &aPixel, sizeof aPixel);
}

// Stores `aCount` copies of the 32-bit aWord from aLowest on, which is 4-byte aligned (the
// caller checked). Saying so once, outside the loop, lets targets without unaligned word
// stores use word stores, and keeps the loop a plain forward fill that compilers widen.
void StoreWords(std::uint8_t* aLowest, std::size_t aCount, std::uint32_t aWord) {
    auto* const lowest = static_cast<std::uint8_t*>(__builtin_assume_aligned(aLowest, KPairBytes));
    for (std::size_t i = 0; i < aCount; ++i) {
        std::memcpy(lowest + KPairBytes * i, &aWord, sizeof aWord);
    }
}

void StorePixelAt(const TSurface& aSurface, unsigned aX, unsigned aY, std::uint16_t aPixel) {
    StorePixel(aSurface.iPixels + OffsetOf(aSurface, aX, aY), aPixel);
}

void PlotClipped(const TSurface& aSurface, std::int64_t aX, std::int64_t aY, std::uint16_t aPixel) {
    if (aX >= 0 && aY >= 0 && aX < aSurface.iWidth && aY < aSurface.iHeight) {
        StorePixelAt(aSurface, static_cast<unsigned>(aX), static_cast<unsigned>(aY), aPixel);
    }
}

// Rows aY0 to aY1 of column aX.
//
// In the device's column layout (x, y + 1) lies two bytes below (x, y), so pixels (x, y) and
// (x, y + 1) with y even share the aligned word that starts at (x, y + 1); the run goes out
// as one 32-bit store per pair, each pair one word lower than the one before. That holds only
// when the frame buffer's offsets say so: the column must run downwards through memory without
// gaps (checked at both ends of the run) and the first pair's word must be 4-byte aligned.
// Otherwise the same pixels are written one at a time.
void VLine(const TSurface& aSurface, unsigned aX, unsigned aY0, unsigned aY1,
           std::uint16_t aPixel) {
    const unsigned height = aSurface.iHeight;
    if (aX >= aSurface.iWidth) {
        return;
    }
    const unsigned y0 = std::min(aY0, height);
    unsigned y1 = std::min(aY1, height);
    if (y0 > y1 || y0 == height) {
        return;
    }
    // A run clamped to the height ends on the last row, so every pair written below is on the
    // screen, whatever the parity of the height.
    y1 = std::min(y1, height - 1);

    const int first = OffsetOf(aSurface, aX, y0);
    if (y0 == y1) {
        StorePixel(aSurface.iPixels + first, aPixel);
        return;
    }
    if (aSurface.iLinear &&
        (aSurface.iLayout.iYStep == KBytesPerPixel || aSurface.iLayout.iYStep == -KBytesPerPixel)) {
        // The column is one run of memory: filled from its low end.
        const int low = aSurface.iLayout.iYStep < 0 ? OffsetOf(aSurface, aX, y1) : first;
        FillPixelRun(aSurface.iPixels + low, y1 - y0 + 1, aPixel);
        return;
    }
    const int last = OffsetOf(aSurface, aX, y1);
    const int second = OffsetOf(aSurface, aX, y0 + 1);
    const bool downwards = first - second == KBytesPerPixel &&
                           static_cast<std::int64_t>(first) - last ==
                               static_cast<std::int64_t>(KBytesPerPixel) * (y1 - y0);
    if (!downwards) {
        for (unsigned y = y0; y <= y1; ++y) {
            StorePixelAt(aSurface, aX, y, aPixel);
        }
        return;
    }

    // From here (x, y) is at `top - 2 * (y - y0)`.
    std::uint8_t* const top = aSurface.iPixels + first;
    unsigned y = y0;
    if (y % 2 != 0) {
        StorePixel(top, aPixel);
        ++y;
    }
    const unsigned count = y1 - y + 1;
    const unsigned pairs = count / 2;
    if (pairs > 0) {
        // The word of pair (y, y + 1) starts at (x, y + 1).
        std::uint8_t* const word = top - KBytesPerPixel * static_cast<std::size_t>(y + 1 - y0);
        if (reinterpret_cast<std::uintptr_t>(word) % KPairBytes == 0) {
            // Each following pair's word is one lower, so together they are one block ending
            // at `word`: filled from its low end.
            const std::uint32_t pair = static_cast<std::uint32_t>(aPixel) * 0x00010001u;
            StoreWords(word - KPairBytes * static_cast<std::size_t>(pairs - 1), pairs, pair);
        } else {
            std::uint8_t* const start = top - KBytesPerPixel * static_cast<std::size_t>(y - y0);
            for (unsigned i = 0; i < 2 * pairs; ++i) {
                StorePixel(start - KBytesPerPixel * static_cast<std::size_t>(i), aPixel);
            }
        }
    }
    if (count % 2 != 0) {
        StorePixel(aSurface.iPixels + last, aPixel);
    }
}

// Bresenham along the major axis (the one with the larger extent): one pixel per step of the
// major coordinate, a step of the minor one when the error is not negative. The walk starts
// where the major coordinate reaches the screen and stops once it has left the screen for
// good, so far-away end points cost nothing.
void WalkLine(const TSurface& aSurface, bool aYMajor, std::int64_t aMajor0, std::int64_t aMinor0,
              std::int64_t aMajor1, std::int64_t aMinor1, std::uint16_t aPixel) {
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
    const std::int64_t majorLimit = aYMajor ? aSurface.iHeight : aSurface.iWidth;
    const std::int64_t minorLimit = aYMajor ? aSurface.iWidth : aSurface.iHeight;
    auto plot = [&](std::int64_t aMajor, std::int64_t aMinor) {
        if (aYMajor) {
            PlotClipped(aSurface, aMinor, aMajor, aPixel);
        } else {
            PlotClipped(aSurface, aMajor, aMinor, aPixel);
        }
    };

    std::int64_t major = aMajor0;
    std::int64_t minor = aMinor0;
    std::int64_t error = 2 * dMinor - dMajor;
    if (major < 0) {
        // Jump to major 0 rather than walk up to 2^31 steps off screen. After k steps the
        // minor coordinate has stepped floor((2 dMinor k + dMajor) / (2 dMajor)) times; with
        // dMinor k = q dMajor + r that is q, plus one when 2r >= dMajor, and the error is what
        // is left over. dMinor k stays below 2^63.
        const std::int64_t steps = -major;
        const std::int64_t product = dMinor * steps;
        const std::int64_t quotient = product / dMajor;
        const std::int64_t remainder = product % dMajor;
        const bool extra = 2 * remainder >= dMajor;
        major = 0;
        minor += step * (quotient + (extra ? 1 : 0));
        error = 2 * dMinor - dMajor + 2 * remainder - (extra ? 2 * dMajor : 0);
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
    TSurface surface;
    if (!OpenSurface(aFrameBuffer, surface) || Unsigned(aY) >= surface.iHeight) {
        return;
    }
    const unsigned x0 = std::min(Unsigned(aX0), surface.iWidth);
    const unsigned x1 = ClippedEnd(Unsigned(aX1), surface.iWidth);
    const std::uint16_t pixel = PixelOf(aColor);
    for (unsigned x = x0; x <= x1; ++x) {
        StorePixelAt(surface, x, Unsigned(aY), pixel);
    }
    if (x0 <= x1) {
        aFrameBuffer->MarkDrawn(static_cast<int>(x0), aY, static_cast<int>(x1), aY);
    }
}

void DrawVLine(MFrameBuffer* aFrameBuffer, int aX, int aY0, int aY1, std::uint32_t aColor) {
    TSurface surface;
    if (!OpenSurface(aFrameBuffer, surface)) {
        return;
    }
    VLine(surface, Unsigned(aX), Unsigned(aY0), Unsigned(aY1), PixelOf(aColor));
    // The rows VLine draws, when it draws any.
    const unsigned y0 = Unsigned(aY0);
    const unsigned y1 = ClippedEnd(Unsigned(aY1), surface.iHeight);
    if (Unsigned(aX) < surface.iWidth && y0 < surface.iHeight && y0 <= y1) {
        aFrameBuffer->MarkDrawn(aX, aY0, aX, static_cast<int>(y1));
    }
}

void DrawLine(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1,
              std::uint32_t aColor) {
    TSurface surface;
    if (!OpenSurface(aFrameBuffer, surface)) {
        return;
    }
    // Wider than int: the differences of two ints do not fit one.
    const std::int64_t dx = std::abs(static_cast<std::int64_t>(aX0) - aX1);
    const std::int64_t dy = std::abs(static_cast<std::int64_t>(aY0) - aY1);
    if (dx >= dy) {
        WalkLine(surface, false, aX0, aY0, aX1, aY1, PixelOf(aColor));
    } else {
        WalkLine(surface, true, aY0, aX0, aY1, aX1, PixelOf(aColor));
    }
    // Every plotted pixel lies within both the end points' box and the screen.
    aFrameBuffer->MarkDrawn(std::max(std::min(aX0, aX1), 0), std::max(std::min(aY0, aY1), 0),
                            std::max(aX0, aX1), std::max(aY0, aY1));
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
    TSurface surface;
    if (aX0 > aX1 || !OpenSurface(aFrameBuffer, surface)) {
        return;
    }
    const int* const insets =
        KCornerInsets[aCorner >= 0 && aCorner < KCornerModes ? aCorner : KOtherCorner];
    const std::uint16_t pixel = PixelOf(aColor);
    // Columns left or right of the screen draw nothing: start and stop at its edges instead of
    // walking them. The distances still count from the rectangle's own sides.
    const std::int64_t first = std::max(aX0, 0);
    const std::int64_t last = std::min<std::int64_t>(aX1, surface.iWidth - 1);
    const bool runs = surface.iLinear && (surface.iLayout.iYStep == KBytesPerPixel ||
                                          surface.iLayout.iYStep == -KBytesPerPixel);
    for (std::int64_t x = first; x <= last; ++x) {
        const std::int64_t distance = std::min(x - aX0, aX1 - x);
        const int inset = insets[std::min<std::int64_t>(distance, KInsetDistances - 1)];
        const std::int64_t top = static_cast<std::int64_t>(aY0) + inset;
        const std::int64_t bottom = static_cast<std::int64_t>(aY1) - inset;
        // A negative bottom would count as beyond the bottom edge and fill the column to it;
        // a column cut away by its insets must stay empty.
        if (top > bottom) {
            continue;
        }
        if (runs) {
            // VLine's clipping: nothing from a top off the screen, a bottom cut at its edge.
            if (top < 0 || top >= surface.iHeight) {
                continue;
            }
            const unsigned y0 = static_cast<unsigned>(top);
            const unsigned y1 = ClippedEnd(Unsigned(bottom), surface.iHeight);
            const unsigned low = surface.iLayout.iYStep < 0 ? y1 : y0;
            FillPixelRun(surface.iPixels + OffsetOf(surface, static_cast<unsigned>(x), low),
                         y1 - y0 + 1, pixel);
            continue;
        }
        VLine(surface, static_cast<unsigned>(x), Unsigned(top), Unsigned(bottom), pixel);
    }
    // The columns' rows lie within the rectangle's rows, clipped like theirs.
    const std::int64_t top = std::max(aY0, 0);
    const std::int64_t bottom = std::min<std::int64_t>(aY1, surface.iHeight - 1);
    if (first <= last && top <= bottom) {
        aFrameBuffer->MarkDrawn(static_cast<int>(first), static_cast<int>(top),
                                static_cast<int>(last), static_cast<int>(bottom));
    }
}

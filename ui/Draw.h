#pragma once

// The five pixel primitives. Each writes 16-bit RGB 565 pixels (the low half of aColor) into a
// frame buffer, reaching them only through its buffer, geometry and pixel offsets (computed
// from its layout when it describes one), tells it the area drawn (MarkDrawn), and allocates
// nothing.
//
// End points are inclusive. Clipping compares coordinates with the width and height as
// unsigned numbers: a negative coordinate counts as far beyond the right or bottom edge, so a
// run that starts left of or above the screen draws nothing, while one whose end lies beyond
// an edge (or is negative) stops at that edge. A null frame buffer, one without pixel memory,
// with an empty geometry or with a depth other than 16 bits draws nothing.

#include <cstdint>

#include "platform/FrameBuffer.h"

// Row aY from aX0 to aX1; nothing when aX0 > aX1.
void DrawHLine(MFrameBuffer* aFrameBuffer, int aX0, int aY, int aX1, std::uint32_t aColor);

// Column aX from aY0 to aY1; nothing when aY0 > aY1.
void DrawVLine(MFrameBuffer* aFrameBuffer, int aX, int aY0, int aY1, std::uint32_t aColor);

// Straight line with both ends, the points in either order; pixels clipped one by one.
void DrawLine(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1, std::uint32_t aColor);

// One-pixel outline with corners (aX0, aY0) and (aX1, aY1), in either order.
void DrawRect(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1, std::uint32_t aColor);

// Corner modes of FillRect: 0 square, 4 the toolkit's rounded look; other numbers act as 1.
constexpr int KCornerSquare = 0;
constexpr int KCornerRounded = 4;

// Columns aX0 to aX1, rows aY0 to aY1, each column shortened at both ends by the corner mode's
// inset for its distance to the nearer side. Nothing when aX0 > aX1; a column whose insets
// leave nothing (top below bottom) is skipped.
void FillRect(MFrameBuffer* aFrameBuffer, int aX0, int aY0, int aX1, int aY1, std::uint32_t aColor,
              int aCorner);

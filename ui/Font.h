#pragma once

#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/FrameBuffer.h"

// One character code of wide text; a wide text ends at the first 0.
using TWideChar = std::uint32_t;

// GetMetric kinds.
enum TFontMetric {
    EFontLineHeight = 0,
    EFontMaxAdvance = 1,
    EFontAscent = 2,
    EFontDescent = 3,  // zero or negative
};

// Every font of the toolkit. Byte text takes each byte as one character code; colours are colour
// values whose low 16 bits are the RGB 565 pixel. Fonts write pixels through a TPixelSurface
// (ui/PixelSurface.h) and clip each one to the screen.
class MFont {
  public:
    virtual int CharHeight(int aChar) = 0;
    // Largest CharHeight of the characters.
    virtual int TextHeight(const char* aText) = 0;
    virtual int TextHeight(const TWideChar* aText) = 0;
    // Horizontal advance in pixels.
    virtual int CharWidth(int aChar) = 0;
    virtual int TextWidth(const char* aText) = 0;
    virtual int TextWidth(const TWideChar* aText) = 0;
    // Where (aX, aY) lies on the glyph depends on the font: the top left for the fixed font,
    // the left end of the baseline for the TrueType fonts.
    virtual bool DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                          std::uint32_t aColor) = 0;
    // (aX, aY) is the top left of the text. False when some character could not be drawn.
    virtual bool DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                          std::uint32_t aColor) = 0;
    virtual bool DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                          std::uint32_t aColor) = 0;
    // A TFontMetric kind; 0 for any other kind.
    virtual int GetMetric(int aKind) = 0;
    virtual ~MFont() = default;
};

// The character code of a wide character as the fonts take it: codes that do not fit an int
// become -1, which no font has.
inline int WideCharCode(TWideChar aChar) {
    return aChar > static_cast<TWideChar>(INT_MAX) ? -1 : static_cast<int>(aChar);
}

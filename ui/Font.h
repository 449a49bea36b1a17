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
// values whose low 16 bits are the RGB 565 pixel. Fonts write pixels through the frame buffer
// themselves and clip each one to the screen.
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

// Writes pixels of one colour into a frame buffer for one drawing call, each pixel clipped to
// the screen (x < width and y < height, unsigned, so negative coordinates are off screen too).
// Coordinates are 64-bit so that a position plus a glyph offset cannot overflow.
class TFontPen {
  public:
    TFontPen(MFrameBuffer* aFrameBuffer, std::uint32_t aColor)
        : iFrameBuffer(aFrameBuffer),
          iBuffer(aFrameBuffer != nullptr ? aFrameBuffer->GetBuffer() : nullptr),
          iPixel(static_cast<std::uint16_t>(aColor & 0xFFFFu)) {
        // The fonts store 16-bit pixels: any other depth would write past the pixel memory.
        if (iBuffer != nullptr && aFrameBuffer->GetBitsPerPixel() == 16) {
            iWidth = aFrameBuffer->GetWidth();
            iHeight = aFrameBuffer->GetHeight();
            iLinear = aFrameBuffer->GetPixelLayout(&iLayout);
        } else {
            iBuffer = nullptr;
        }
    }

    // False when nothing can be drawn: no frame buffer, no pixel memory or not 16 bits deep.
    bool IsUsable() const { return iBuffer != nullptr; }
    int Width() const { return iWidth; }
    int Height() const { return iHeight; }

    void Plot(long long aX, long long aY) const {
        if (iBuffer == nullptr || aX < 0 || aY < 0 || aX >= iWidth || aY >= iHeight) {
            return;
        }
        std::memcpy(iBuffer + Offset(static_cast<int>(aX), static_cast<int>(aY)), &iPixel,
                    sizeof iPixel);
    }

    // True with the layout when offsets are linear: glyphs may then be drawn by pointer.
    bool IsLinear() const { return iLinear; }
    const TPixelLayout& Layout() const { return iLayout; }
    std::uint8_t* Buffer() const { return iBuffer; }
    std::uint16_t Pixel() const { return iPixel; }

    // Byte offset of (aX, aY), which is on the screen.
    int Offset(int aX, int aY) const {
        if (iLinear) {
            return iLayout.iOrigin + aX * iLayout.iXStep + aY * iLayout.iYStep;
        }
        return iFrameBuffer->GetPixelOffset(aX, aY);
    }

    // Tells the frame buffer which box the drawing touched, clipped to the screen.
    void MarkDrawn(long long aX0, long long aY0, long long aX1, long long aY1) const {
        if (iBuffer == nullptr) {
            return;
        }
        aX0 = aX0 < 0 ? 0 : aX0;
        aY0 = aY0 < 0 ? 0 : aY0;
        aX1 = aX1 >= iWidth ? iWidth - 1 : aX1;
        aY1 = aY1 >= iHeight ? iHeight - 1 : aY1;
        if (aX0 <= aX1 && aY0 <= aY1) {
            iFrameBuffer->MarkDrawn(static_cast<int>(aX0), static_cast<int>(aY0),
                                    static_cast<int>(aX1), static_cast<int>(aY1));
        }
    }

  private:
    MFrameBuffer* iFrameBuffer;
    std::uint8_t* iBuffer;
    std::uint16_t iPixel;
    int iWidth = 0;
    int iHeight = 0;
    bool iLinear = false;
    TPixelLayout iLayout;
};

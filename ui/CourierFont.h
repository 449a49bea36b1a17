#pragma once

#include <cstdint>
#include <memory>

#include "ui/Font.h"
#include "ui/PixelSurface.h"

// The built-in 5 x 8 font, scaled by a whole factor; it needs no file.
class CCourierFont : public MFont {
  public:
    // The scale is kept between 1 and KMaxFixedFontScale.
    explicit CCourierFont(std::uint32_t aScale);

    int CharHeight(int aChar) override;
    int TextHeight(const char* aText) override;
    int TextHeight(const TWideChar* aText) override;
    int CharWidth(int aChar) override;
    int TextWidth(const char* aText) override;
    int TextWidth(const TWideChar* aText) override;
    // (aX, aY) is the glyph's top left. Nothing is drawn, and the result is false, unless the
    // whole glyph lies on the screen without touching its right or bottom edge.
    bool DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                  std::uint32_t aColor) override;
    // Stops at the first character that does not fit.
    bool DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                  std::uint32_t aColor) override;
    bool DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                  std::uint32_t aColor) override;
    int GetMetric(int aKind) override;

    std::uint32_t Scale() const { return iScale; }

    static constexpr int KGlyphWidth = 5;
    static constexpr int KGlyphHeight = 8;
    static constexpr int KFirstCode = 0x20;
    static constexpr int KLastCode = 0x7E;
    // One byte per column, left to right; bit 0 is the top row.
    static const std::uint8_t KGlyphs[KLastCode - KFirstCode + 1][KGlyphWidth];

  private:
    // One glyph with the pen; false, drawing nothing, when it would not lie wholly on the
    // screen or the pen cannot draw.
    bool PutGlyph(const TPixelSurface& aSurface, std::uint16_t aPixel, int aChar, int aX, int aY);
    void PutGlyphByPointer(const TPixelSurface& aSurface, std::uint16_t aPixel,
                           const std::uint8_t* aColumns, int aX, int aY) const;
    int Advance() const { return KGlyphWidth * static_cast<int>(iScale) + 1; }
    template <typename TChar>
    int WidthOf(const TChar* aText);
    template <typename TChar>
    bool Draw(MFrameBuffer* aFrameBuffer, const TChar* aText, int aX, int aY, std::uint32_t aColor);

    // Scales up to this one draw a glyph column in the device's layout by masks (below).
    static constexpr int KMaskedScaleLimit = 4;
    // For each column byte, its KGlyphHeight x scale rows as 16-bit lanes of 64-bit words,
    // 0xFFFF where lit, the lowest address (the bottom row, in the device's column layout)
    // first: a column is then a few masked word stores. Made on first use; null above
    // KMaskedScaleLimit or when memory runs out.
    const std::uint64_t* ColumnMasks();
    void PutColumnsMasked(const TPixelSurface& aSurface, std::uint16_t aPixel,
                          const std::uint8_t* aColumns, int aX, int aY,
                          const std::uint64_t* aMasks) const;

    std::uint32_t iScale;
    std::unique_ptr<std::uint64_t[]> iColumnMasks;
    bool iMasksTried = false;
};

// Scales 0 to KMaxFixedFontScale index the manager's table.
constexpr int KFixedFontScales = 24;
constexpr int KMaxFixedFontScale = KFixedFontScales - 1;

// Owns one CCourierFont per scale, each made on first request.
class FixedFontManager {
  public:
    FixedFontManager() = default;
    ~FixedFontManager();
    FixedFontManager(const FixedFontManager&) = delete;
    FixedFontManager& operator=(const FixedFontManager&) = delete;

    // The font of that scale, owned by the manager. Scales below 1 give scale 1 and scales
    // above KMaxFixedFontScale give that largest scale, so callers always get a font; null only
    // when memory runs out.
    CCourierFont* GetFont(int aScale);

  private:
    CCourierFont* iFonts[KFixedFontScales] = {};
};

// The process-wide manager, created on first use and destroyed at exit.
FixedFontManager* GetFixedFontManager();

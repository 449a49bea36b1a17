#pragma once

#include <cstdint>

#include "ui/Font.h"
#include "ui/FreeTypeFont.h"

// One rendered glyph as the cache keeps it.
struct TGlyphEntry {
    int iCode = 0;   // 0: empty entry
    int iWidth = 0;  // bitmap width in pixels
    int iRows = 0;
    int iPitch = 0;                 // bytes per bitmap row
    int iAdvance = 0;               // the CharWidth value
    int iHeight = 0;                // the CharHeight value, never negative
    int iLeft = 0;                  // left bearing
    int iTop = 0;                   // rows above the baseline
    std::uint8_t* iBits = nullptr;  // owned; 1 bit per pixel, most significant bit first
};

// A font drawn from a direct-mapped cache of 1-bit glyphs that a subclass fills on demand.
// Characters the subclass cannot load are remembered as missing and drawn as the fallback glyph:
// nothing, advancing by the fallback advance.
class CBitmappedFont : public MFont {
  public:
    static constexpr int KCacheSize = 200;

    explicit CBitmappedFont(int aFallbackAdvance);
    // Frees every cached bitmap and the list of missing characters.
    ~CBitmappedFont() override;
    CBitmappedFont(const CBitmappedFont&) = delete;
    CBitmappedFont& operator=(const CBitmappedFont&) = delete;

    int CharHeight(int aChar) override;
    int TextHeight(const char* aText) override;
    int TextHeight(const TWideChar* aText) override;
    int CharWidth(int aChar) override;
    // The sum of the advances, without kerning.
    int TextWidth(const char* aText) override;
    int TextWidth(const TWideChar* aText) override;
    // (aX, aY) is the pen position on the baseline. False only when the frame buffer cannot be
    // drawn into; a missing character draws nothing and counts as drawn.
    bool DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                  std::uint32_t aColor) override;
    bool DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                  std::uint32_t aColor) override;
    bool DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                  std::uint32_t aColor) override;

    // Puts a glyph into the entry SlotOf(aChar), replacing what it held. The bitmap follows
    // FreeType's convention: aBits is the start of aRows rows of |aPitch| bytes, and a negative
    // pitch means the bottom row comes first; a null aBits stores no bitmap. False, with the
    // cache unchanged, for a code of 0 or below or sizes that cannot describe a readable bitmap.
    virtual bool StoreGlyph(int aChar, int aWidth, int aRows, int aPitch, int aAdvance, int aHeight,
                            int aLeft, int aTop, const std::uint8_t* aBits);
    // The cache entry of a character: its code modulo KCacheSize, taken as unsigned.
    virtual unsigned SlotOf(int aChar);
    // Empties one entry. False for an index past the cache.
    virtual bool EvictSlot(unsigned aIndex);

  protected:
    // Fills aEntry for aChar, replacing whatever it held. False when the character cannot be
    // loaded; it is then known missing for the life of the font.
    virtual bool LoadGlyph(int aChar, TGlyphEntry& aEntry) = 0;

  public:
    // The entry to draw aChar with: its cache entry, loaded on a miss, or the fallback glyph.
    // Valid until the next call.
    virtual const TGlyphEntry& FindGlyph(int aChar);

  protected:
    // Called when FindGlyph finds aChar already cached.
    virtual void OnCacheHit(int aChar);

  public:
    std::uint32_t KnownMissingCount() const { return iMissingCount; }
    bool IsKnownMissing(int aChar) const;
    const TGlyphEntry& FallbackGlyph() const { return iFallback; }
    const TGlyphEntry& CacheEntry(unsigned aIndex) const { return iCache[aIndex % KCacheSize]; }

  protected:
    // Frees the entry's bitmap and marks it empty.
    static void ClearEntry(TGlyphEntry& aEntry);
    // Replaces the entry with aChar and a compact copy of the bitmap (one row of
    // (width + 7) / 8 bytes each). False, with the entry empty, when the bitmap is not sane or
    // memory runs out.
    static bool FillEntry(TGlyphEntry& aEntry, int aChar, const TMonoBitmap& aBitmap, int aAdvance,
                          int aHeight);
    // Empties the fallback glyph and gives it a new advance.
    void ResetFallback(int aAdvance);

  private:
    void AddKnownMissing(int aChar);
    template <typename TChar>
    int HeightOf(const TChar* aText);
    template <typename TChar>
    int WidthOf(const TChar* aText);
    template <typename TChar>
    bool Draw(MFrameBuffer* aFrameBuffer, const TChar* aText, int aX, int aY, std::uint32_t aColor);

    TGlyphEntry iCache[KCacheSize];
    TGlyphEntry iFallback;
    std::uint32_t iMissingCount = 0;
    int* iMissing = nullptr;
};

// A TrueType font drawn from the glyph cache. FreeType renders each glyph once; the face is
// opened on the first miss and closed again once the cache has served more than
// KHitsBeforeClose requests in a row without it.
class CCachedFreeTypeFont : public CBitmappedFont {
  public:
    static constexpr std::uint32_t KHitsBeforeClose = 200;
    // Advance of characters without a bitmap until the face is first opened.
    static constexpr int KInitialFallbackAdvance = 8;

    // Keeps a copy of the path; the face is opened only when a glyph is needed.
    CCachedFreeTypeFont(const char* aPath, int aPixelSize);
    ~CCachedFreeTypeFont() override;

    // Opens the face if needed; 0 when it cannot be opened.
    int GetMetric(int aKind) override;

    bool IsFaceOpen() const { return iLiveFont != nullptr; }
    std::uint32_t HitCount() const { return iHitCount; }
    const char* Path() const { return iPath; }

  protected:
    bool LoadGlyph(int aChar, TGlyphEntry& aEntry) override;
    void OnCacheHit(int aChar) override;

  private:
    bool OpenFace();

    CFreeTypeFont* iLiveFont = nullptr;
    char* iPath = nullptr;
    int iPixelSize;
    std::uint32_t iHitCount = 0;
};

// A cached TrueType font of the file at aPixelSize pixels, owned by the caller; null when the
// file cannot be opened as a font (missing, not a font, a path the system refuses).
MFont* LoadCachedFont(const char* aPath, int aPixelSize);

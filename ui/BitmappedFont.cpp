#include "ui/BitmappedFont.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

int CodeOf(char aChar) {
    return static_cast<unsigned char>(aChar);
}
int CodeOf(TWideChar aChar) {
    return WideCharCode(aChar);
}

int ClampToInt(long long aValue) {
    if (aValue > INT_MAX) {
        return INT_MAX;
    }
    return aValue < INT_MIN ? INT_MIN : static_cast<int>(aValue);
}

}  // namespace

CBitmappedFont::CBitmappedFont(int aFallbackAdvance) {
    iFallback.iAdvance = aFallbackAdvance;
}

CBitmappedFont::~CBitmappedFont() {
    for (TGlyphEntry& entry : iCache) {
        ClearEntry(entry);
    }
    ClearEntry(iFallback);
    delete[] iMissing;
}

void CBitmappedFont::ClearEntry(TGlyphEntry& aEntry) {
    // The analyzer loses the reset below and sees a second clear free the bits again.
    delete[] aEntry.iBits;  // NOLINT(clang-analyzer-cplusplus.NewDelete): reset right after
    aEntry = TGlyphEntry();
}

bool CBitmappedFont::FillEntry(TGlyphEntry& aEntry, int aChar, const TMonoBitmap& aBitmap,
                               int aAdvance, int aHeight) {
    ClearEntry(aEntry);
    if (!IsSaneBitmap(aBitmap)) {
        return false;
    }
    const int pitch = (aBitmap.iWidth + 7) / 8;
    std::uint8_t* bits = nullptr;
    if (aBitmap.iBits != nullptr && pitch > 0 && aBitmap.iRows > 0) {
        bits = new (std::nothrow)
            std::uint8_t[static_cast<std::size_t>(pitch) * static_cast<std::size_t>(aBitmap.iRows)];
        if (bits == nullptr) {
            return false;
        }
        for (int r = 0; r < aBitmap.iRows; ++r) {
            std::memcpy(bits + static_cast<std::size_t>(r) * pitch,
                        aBitmap.iBits + static_cast<std::ptrdiff_t>(r) * aBitmap.iPitch,
                        static_cast<std::size_t>(pitch));
        }
    }
    aEntry.iCode = aChar;
    aEntry.iWidth = aBitmap.iWidth;
    aEntry.iRows = aBitmap.iRows;
    aEntry.iPitch = pitch;
    aEntry.iAdvance = aAdvance;
    aEntry.iHeight = aHeight < 0 ? 1 : aHeight;
    aEntry.iLeft = aBitmap.iLeft;
    aEntry.iTop = aBitmap.iTop;
    aEntry.iBits = bits;
    return true;
}

void CBitmappedFont::ResetFallback(int aAdvance) {
    ClearEntry(iFallback);
    iFallback.iAdvance = aAdvance;
}

bool CBitmappedFont::StoreGlyph(int aChar, int aWidth, int aRows, int aPitch, int aAdvance,
                                int aHeight, int aLeft, int aTop, const std::uint8_t* aBits) {
    TMonoBitmap bitmap;
    bitmap.iWidth = aWidth;
    bitmap.iRows = aRows;
    bitmap.iPitch = aPitch;
    bitmap.iLeft = aLeft;
    bitmap.iTop = aTop;
    bitmap.iBits = aBits;
    if (aBits != nullptr && aPitch < 0 && aRows > 0 && aRows <= KMaxGlyphSide) {
        bitmap.iBits = aBits - static_cast<std::ptrdiff_t>(aRows - 1) * aPitch;
    }
    if (aChar <= 0 || !IsSaneBitmap(bitmap)) {
        return false;
    }
    return FillEntry(iCache[SlotOf(aChar) % KCacheSize], aChar, bitmap, aAdvance, aHeight);
}

unsigned CBitmappedFont::SlotOf(int aChar) {
    return static_cast<unsigned>(aChar) % KCacheSize;
}

bool CBitmappedFont::EvictSlot(unsigned aIndex) {
    if (aIndex >= static_cast<unsigned>(KCacheSize)) {
        return false;
    }
    ClearEntry(iCache[aIndex]);
    return true;
}

bool CBitmappedFont::IsKnownMissing(int aChar) const {
    for (std::uint32_t i = 0; i < iMissingCount; ++i) {
        if (iMissing[i] == aChar) {
            return true;
        }
    }
    return false;
}

void CBitmappedFont::AddKnownMissing(int aChar) {
    // The list grows by one code at a time: few characters of a font are ever missing.
    int* grown = new (std::nothrow) int[static_cast<std::size_t>(iMissingCount) + 1];
    if (grown == nullptr) {
        return;  // it is then looked up again next time, which costs time only
    }
    if (iMissingCount != 0) {
        std::memcpy(grown, iMissing, iMissingCount * sizeof(int));
    }
    grown[iMissingCount] = aChar;
    delete[] iMissing;
    iMissing = grown;
    ++iMissingCount;
}

const TGlyphEntry& CBitmappedFont::FindGlyph(int aChar) {
    // Code 0 marks an empty entry, so it and negative codes never reach the cache.
    if (aChar <= 0 || IsKnownMissing(aChar)) {
        return iFallback;
    }
    TGlyphEntry& entry = iCache[SlotOf(aChar) % KCacheSize];
    if (entry.iCode == aChar) {
        OnCacheHit(aChar);
        return entry;
    }
    if (!LoadGlyph(aChar, entry)) {
        ClearEntry(entry);
        AddKnownMissing(aChar);
        return iFallback;
    }
    return entry;
}

void CBitmappedFont::OnCacheHit(int /*aChar*/) {}

int CBitmappedFont::CharHeight(int aChar) {
    return FindGlyph(aChar).iHeight;
}

int CBitmappedFont::CharWidth(int aChar) {
    return FindGlyph(aChar).iAdvance;
}

int CBitmappedFont::TextHeight(const char* aText) {
    return HeightOf(aText);
}

int CBitmappedFont::TextHeight(const TWideChar* aText) {
    return HeightOf(aText);
}

template <typename TChar>
int CBitmappedFont::HeightOf(const TChar* aText) {
    int height = 0;
    for (; aText != nullptr && *aText != 0; ++aText) {
        const int charHeight = CharHeight(CodeOf(*aText));
        if (charHeight > height) {
            height = charHeight;
        }
    }
    return height;
}

int CBitmappedFont::TextWidth(const char* aText) {
    return WidthOf(aText);
}

int CBitmappedFont::TextWidth(const TWideChar* aText) {
    return WidthOf(aText);
}

template <typename TChar>
int CBitmappedFont::WidthOf(const TChar* aText) {
    long long width = 0;
    for (; aText != nullptr && *aText != 0; ++aText) {
        width += CharWidth(CodeOf(*aText));
    }
    return ClampToInt(width);
}

bool CBitmappedFont::DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                              std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (!surface.IsUsable()) {
        return false;
    }
    const TGlyphEntry& entry = FindGlyph(aChar);
    if (entry.iCode == 0 || entry.iBits == nullptr || entry.iRows == 0) {
        return true;
    }
    TMonoBitmap bitmap;
    bitmap.iWidth = entry.iWidth;
    bitmap.iRows = entry.iRows;
    bitmap.iPitch = entry.iPitch;
    bitmap.iLeft = entry.iLeft;
    bitmap.iTop = entry.iTop;
    bitmap.iBits = entry.iBits;
    DrawMonoBitmap(surface, PixelOfColor(aColor), bitmap, aX, aY);
    return true;
}

bool CBitmappedFont::DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                              std::uint32_t aColor) {
    return Draw(aFrameBuffer, aText, aX, aY, aColor);
}

bool CBitmappedFont::DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                              std::uint32_t aColor) {
    return Draw(aFrameBuffer, aText, aX, aY, aColor);
}

template <typename TChar>
bool CBitmappedFont::Draw(MFrameBuffer* aFrameBuffer, const TChar* aText, int aX, int aY,
                          std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (aText == nullptr || !surface.IsUsable()) {
        return false;
    }
    const int baseline = ClampToInt(static_cast<long long>(aY) + TextHeight(aText));
    // Glyphs left of the screen still draw their visible part; advances are summed in 64 bits
    // and a pen position outside the int range is one no glyph can reach the screen from.
    long long x = aX;
    bool drawn = true;
    for (; *aText != 0 && x < surface.Width(); ++aText) {
        const int code = CodeOf(*aText);
        if (x >= INT_MIN) {
            drawn = DrawChar(aFrameBuffer, code, static_cast<int>(x), baseline, aColor) && drawn;
        }
        x += CharWidth(code);
    }
    return drawn;
}

CCachedFreeTypeFont::CCachedFreeTypeFont(const char* aPath, int aPixelSize)
    : CBitmappedFont(KInitialFallbackAdvance),
      iPath(aPath != nullptr ? strdup(aPath) : nullptr),
      iPixelSize(aPixelSize) {}

CCachedFreeTypeFont::~CCachedFreeTypeFont() {
    delete iLiveFont;
    std::free(iPath);
}

bool CCachedFreeTypeFont::OpenFace() {
    if (iLiveFont != nullptr) {
        return true;
    }
    if (iPath == nullptr) {
        return false;
    }
    CFreeTypeFont* font = new (std::nothrow) CFreeTypeFont(iPath, iPixelSize, false);
    if (font == nullptr) {
        return false;
    }
    if (!font->IsLoaded()) {
        delete font;
        return false;
    }
    iLiveFont = font;
    // Characters without a bitmap (spaces) advance by a little less than half an "M".
    const int widthOfM = iLiveFont->CharWidth('M');
    int half = widthOfM > 0 ? widthOfM / 2 : 0;
    if (half > 4) {
        half -= 2;
    }
    ResetFallback(half);
    return true;
}

bool CCachedFreeTypeFont::LoadGlyph(int aChar, TGlyphEntry& aEntry) {
    ClearEntry(aEntry);
    if (!OpenFace()) {
        return false;
    }
    TMonoBitmap bitmap;
    // A bitmap without a single pixel set (what a space renders to) counts as no bitmap.
    if (!iLiveFont->RenderGlyph(aChar, bitmap) || !HasInk(bitmap)) {
        return false;
    }
    // The copy comes first: measuring the character loads it again over the rendered bitmap.
    if (!FillEntry(aEntry, aChar, bitmap, 0, 0)) {
        return false;
    }
    aEntry.iAdvance = iLiveFont->CharWidth(aChar);
    const int height = iLiveFont->CharHeight(aChar);
    aEntry.iHeight = height < 0 ? 1 : height;
    iHitCount = 0;
    return true;
}

void CCachedFreeTypeFont::OnCacheHit(int /*aChar*/) {
    if (iLiveFont == nullptr) {
        return;
    }
    // Counting stops while the face is closed, so the counter cannot run over.
    if (iHitCount++ > KHitsBeforeClose) {
        delete iLiveFont;
        iLiveFont = nullptr;
    }
}

int CCachedFreeTypeFont::GetMetric(int aKind) {
    return OpenFace() ? iLiveFont->GetMetric(aKind) : 0;
}

MFont* LoadCachedFont(const char* aPath, int aPixelSize) {
    if (aPath == nullptr) {
        return nullptr;
    }
    bool loaded;
    {
        const CFreeTypeFont probe(aPath, aPixelSize, true);
        loaded = probe.IsLoaded();
    }
    if (!loaded) {
        return nullptr;
    }
    CCachedFreeTypeFont* font = new (std::nothrow) CCachedFreeTypeFont(aPath, aPixelSize);
    if (font != nullptr && font->Path() == nullptr) {
        delete font;  // the path could not be copied: no glyph could ever be loaded
        font = nullptr;
    }
    return font;
}

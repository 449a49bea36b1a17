#include "ui/FreeTypeFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// 1-bit rendering: FT_LOAD_RENDER | FT_LOAD_TARGET_MONO.
constexpr FT_Int32 KMonoLoadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO;
// Advances beyond this many pixels only come from broken fonts; keeping them small keeps every
// sum of advances in range.
constexpr long KMaxAdvance = 1L << 16;

CFreeTypeManager* gFreeTypeManager = nullptr;
bool gFreeTypeManagerDestroyed = false;

void DestroyFreeTypeManager() {
    delete gFreeTypeManager;
    gFreeTypeManager = nullptr;
    gFreeTypeManagerDestroyed = true;
}

// A 26.6 value in whole pixels.
int Pixels(FT_Pos aValue) {
    const long pixels = static_cast<long>(aValue >> 6);
    if (pixels > KMaxAdvance) {
        return static_cast<int>(KMaxAdvance);
    }
    return static_cast<int>(pixels < -KMaxAdvance ? -KMaxAdvance : pixels);
}

int ClampToInt(long long aValue) {
    if (aValue > INT_MAX) {
        return INT_MAX;
    }
    return aValue < INT_MIN ? INT_MIN : static_cast<int>(aValue);
}

int CodeOf(char aChar) {
    return static_cast<unsigned char>(aChar);
}
int CodeOf(TWideChar aChar) {
    return WideCharCode(aChar);
}

}  // namespace

CFreeTypeManager::~CFreeTypeManager() {
    if (iLibrary != nullptr) {
        FT_Done_FreeType(iLibrary);
        iLibrary = nullptr;
    }
}

FT_Library* CFreeTypeManager::Acquire() {
    if (iLibrary == nullptr) {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0) {
            return nullptr;
        }
        iLibrary = library;
        iReferences = 0;
    }
    ++iReferences;
    return &iLibrary;
}

void CFreeTypeManager::Release() {
    if (iLibrary == nullptr) {
        return;
    }
    if (--iReferences <= 0) {
        FT_Done_FreeType(iLibrary);
        iLibrary = nullptr;
        iReferences = 0;
    }
}

CFreeTypeManager* GetFreeTypeManager() {
    // Not made again once destroyed at exit: a font destroyed after that must find out that
    // its face went with the library.
    if (gFreeTypeManager == nullptr && !gFreeTypeManagerDestroyed) {
        gFreeTypeManager = new CFreeTypeManager;
        (void)std::atexit(DestroyFreeTypeManager);  // unregistered, it lives until the end
    }
    return gFreeTypeManager;
}

bool IsSaneBitmap(const TMonoBitmap& aBitmap) {
    if (aBitmap.iWidth < 0 || aBitmap.iRows < 0 || aBitmap.iWidth > KMaxGlyphSide ||
        aBitmap.iRows > KMaxGlyphSide) {
        return false;
    }
    if (aBitmap.iWidth == 0 || aBitmap.iRows == 0 || aBitmap.iBits == nullptr) {
        return true;  // nothing of it is ever read
    }
    const long long pitch = aBitmap.iPitch < 0 ? -static_cast<long long>(aBitmap.iPitch)
                                               : static_cast<long long>(aBitmap.iPitch);
    return pitch >= (aBitmap.iWidth + 7) / 8 && pitch <= KMaxGlyphSide;
}

bool HasInk(const TMonoBitmap& aBitmap) {
    if (!IsSaneBitmap(aBitmap) || aBitmap.iBits == nullptr) {
        return false;
    }
    const int fullBytes = aBitmap.iWidth / 8;
    const int restBits = aBitmap.iWidth % 8;
    const std::uint8_t restMask = static_cast<std::uint8_t>(0xFF00u >> restBits);
    for (int r = 0; r < aBitmap.iRows; ++r) {
        const std::uint8_t* row = aBitmap.iBits + static_cast<std::ptrdiff_t>(r) * aBitmap.iPitch;
        for (int b = 0; b < fullBytes; ++b) {
            if (row[b] != 0) {
                return true;
            }
        }
        if (restBits != 0 && (row[fullBytes] & restMask) != 0) {
            return true;
        }
    }
    return false;
}

namespace {

// DrawMonoBitmap on a linear layout: each row's visible columns, reached from the row's first
// one by the layout's x step.
void DrawMonoBitmapByPointer(const TPixelSurface& aSurface, std::uint16_t aPixel,
                             const TMonoBitmap& aBitmap, long long aLeft, long long aTop) {
    const long long left = aLeft;
    const long long top = aTop;
    const long long firstColumn = left < 0 ? -left : 0;
    const long long endColumn = std::min<long long>(aBitmap.iWidth, aSurface.Width() - left);
    if (firstColumn >= endColumn) {
        return;
    }
    const std::ptrdiff_t xStep = aSurface.Layout().iXStep;
    // The visible rows, each reached from the one above by the layout's y step.
    const long long firstRow = top < 0 ? std::min<long long>(-top, aBitmap.iRows) : 0;
    const long long endRow = std::min<long long>(aBitmap.iRows, aSurface.Height() - top);
    if (firstRow >= endRow) {
        return;
    }
    std::uint8_t* start =
        aSurface.At(static_cast<int>(left + firstColumn), static_cast<int>(top + firstRow));
    for (long long r = firstRow; r < endRow; ++r, start += aSurface.Layout().iYStep) {
        const std::uint8_t* row = aBitmap.iBits + static_cast<std::ptrdiff_t>(r) * aBitmap.iPitch;
        // Byte by byte, each lit bit found at once: most of a glyph's bits are blank.
        for (int b = static_cast<int>(firstColumn) >> 3; b << 3 < endColumn; ++b) {
            unsigned bits = row[b];
            while (bits != 0) {
                const int c = (b << 3) + 7 - (31 - __builtin_clz(bits));
                bits &= ~(1u << (7 - (c & 7)));
                if (c >= firstColumn && c < endColumn) {
                    TPixelSurface::Store(start + (c - firstColumn) * xStep, aPixel);
                }
            }
        }
    }
}

}  // namespace

void DrawMonoBitmap(const TPixelSurface& aSurface, std::uint16_t aPixel, const TMonoBitmap& aBitmap,
                    long long aX, long long aY) {
    if (!aSurface.IsUsable() || !IsSaneBitmap(aBitmap) || aBitmap.iBits == nullptr) {
        return;
    }
    const long long left = aX + aBitmap.iLeft;
    const long long top = aY - aBitmap.iTop;
    aSurface.MarkDrawn(left, top, left + aBitmap.iWidth - 1, top + aBitmap.iRows - 1);
    if (aSurface.IsLinear()) {
        DrawMonoBitmapByPointer(aSurface, aPixel, aBitmap, left, top);
        return;
    }
    for (int r = 0; r < aBitmap.iRows; ++r) {
        const long long y = top + r;
        if (y < 0 || y >= aSurface.Height()) {
            continue;
        }
        const std::uint8_t* row = aBitmap.iBits + static_cast<std::ptrdiff_t>(r) * aBitmap.iPitch;
        for (int c = 0; c < aBitmap.iWidth; ++c) {
            if ((row[c >> 3] & (0x80u >> (c & 7))) != 0) {
                aSurface.Plot(left + c, y, aPixel);
            }
        }
    }
}

CFreeTypeFont::CFreeTypeFont(const char* aPath, int aPixelSize, bool aKerningWanted) {
    CFreeTypeManager* manager = GetFreeTypeManager();
    if (manager == nullptr) {
        return;
    }
    iLibrary = manager->Acquire();
    if (iLibrary == nullptr || aPath == nullptr || aPixelSize < 1 || aPixelSize > KMaxPixelSize) {
        return;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(*iLibrary, aPath, 0, &face) != 0) {
        return;
    }
    // Width 0 means as wide as high; resolution 0 is FreeType's default.
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(aPixelSize) * 64, 0, 0) != 0) {
        // A bitmap-only face without this size: its glyphs would come out at some other size.
        FT_Done_Face(face);
        return;
    }
    iFace = face;
    iLoaded = true;
    iUseKerning = aKerningWanted && FT_HAS_KERNING(face);
}

CFreeTypeFont::~CFreeTypeFont() {
    CFreeTypeManager* manager = GetFreeTypeManager();
    if (manager == nullptr) {
        return;  // shut down at exit already, and every face with the library
    }
    if (iFace != nullptr) {
        FT_Done_Face(iFace);
        iFace = nullptr;
    }
    if (iLibrary != nullptr) {
        manager->Release();
    }
}

unsigned CFreeTypeFont::GlyphIndex(int aChar) {
    if (iFace == nullptr || aChar < 0) {
        return 0;
    }
    return FT_Get_Char_Index(iFace, static_cast<FT_ULong>(aChar));
}

bool CFreeTypeFont::LoadGlyphIndex(unsigned aIndex) {
    return iFace != nullptr && FT_Load_Glyph(iFace, aIndex, KMonoLoadFlags) == 0;
}

int CFreeTypeFont::AdvanceOfLoaded() {
    return Pixels(iFace->glyph->advance.x);
}

// The size's largest advance, for a glyph that cannot be loaded.
int CFreeTypeFont::FallbackAdvance() {
    if (iFace == nullptr || iFace->size == nullptr) {
        return 0;
    }
    return Pixels(FT_MulFix(iFace->max_advance_width, iFace->size->metrics.x_scale));
}

bool CFreeTypeFont::RenderGlyph(int aChar, TMonoBitmap& aBitmap) {
    aBitmap = TMonoBitmap();
    // Codes FreeType does not map load glyph 0, the face's own missing-character shape;
    // negative codes are no characters at all.
    if (iFace == nullptr || aChar < 0 || !LoadGlyphIndex(GlyphIndex(aChar))) {
        return false;
    }
    const FT_GlyphSlot slot = iFace->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    // Only 1-bit bitmaps can be drawn without blending; anything else (a grey or colour strike
    // embedded in the face) is treated as having no bitmap.
    if (slot->format != FT_GLYPH_FORMAT_BITMAP || bitmap.pixel_mode != FT_PIXEL_MODE_MONO ||
        bitmap.buffer == nullptr || bitmap.width > static_cast<unsigned>(KMaxGlyphSide) ||
        bitmap.rows > static_cast<unsigned>(KMaxGlyphSide)) {
        return true;
    }
    TMonoBitmap rendered;
    rendered.iWidth = static_cast<int>(bitmap.width);
    rendered.iRows = static_cast<int>(bitmap.rows);
    rendered.iPitch = bitmap.pitch;
    rendered.iLeft = ClampToInt(slot->bitmap_left);
    rendered.iTop = ClampToInt(slot->bitmap_top);
    // A negative pitch means the buffer starts with the bottom row.
    rendered.iBits = bitmap.buffer;
    if (bitmap.pitch < 0 && rendered.iRows > 0) {
        rendered.iBits -= static_cast<std::ptrdiff_t>(rendered.iRows - 1) * bitmap.pitch;
    }
    if (IsSaneBitmap(rendered)) {
        aBitmap = rendered;
    }
    return true;
}

int CFreeTypeFont::CharHeight(int aChar) {
    if (iFace == nullptr) {
        return 0;
    }
    const bool loaded = aChar >= 0 && LoadGlyphIndex(GlyphIndex(aChar));
    const FT_GlyphSlot slot = iFace->glyph;
    const int rows = ClampToInt(slot->bitmap.rows);
    if (!loaded) {
        return rows;  // what the last loaded glyph left in the slot
    }
    const int top = slot->bitmap_top;
    return top >= 0 && top < rows ? top : rows;
}

int CFreeTypeFont::TextHeight(const char* aText) {
    return HeightOf(aText);
}

int CFreeTypeFont::TextHeight(const TWideChar* aText) {
    return HeightOf(aText);
}

template <typename TChar>
int CFreeTypeFont::HeightOf(const TChar* aText) {
    int height = 0;
    for (; aText != nullptr && *aText != 0; ++aText) {
        const int charHeight = CharHeight(CodeOf(*aText));
        if (charHeight > height) {
            height = charHeight;
        }
    }
    return height;
}

int CFreeTypeFont::CharWidth(int aChar) {
    if (iFace == nullptr) {
        return 0;
    }
    if (aChar < 0 || !LoadGlyphIndex(GlyphIndex(aChar))) {
        return FallbackAdvance();
    }
    return AdvanceOfLoaded();
}

// The advance of the character whose glyph index is aCurrent after the one of index aPrevious:
// its own advance plus the kerning of the pair.
int CFreeTypeFont::PairAdvance(unsigned aPrevious, unsigned aCurrent) {
    int kerning = 0;
    if (iUseKerning && aPrevious != 0 && aCurrent != 0) {
        FT_Vector delta{};
        if (FT_Get_Kerning(iFace, aPrevious, aCurrent, FT_KERNING_DEFAULT, &delta) == 0) {
            kerning = Pixels(delta.x);
        }
    }
    const int advance = LoadGlyphIndex(aCurrent) ? AdvanceOfLoaded() : FallbackAdvance();
    return kerning + advance;
}

int CFreeTypeFont::TextWidth(const char* aText) {
    return WidthOf(aText);
}

int CFreeTypeFont::TextWidth(const TWideChar* aText) {
    return WidthOf(aText);
}

template <typename TChar>
int CFreeTypeFont::WidthOf(const TChar* aText) {
    if (iFace == nullptr) {
        return 0;
    }
    long long width = 0;
    unsigned previous = 0;
    for (; aText != nullptr && *aText != 0; ++aText) {
        const int code = CodeOf(*aText);
        const unsigned current = GlyphIndex(code);
        width += code < 0 ? FallbackAdvance() : PairAdvance(previous, current);
        previous = current;
    }
    return ClampToInt(width);
}

bool CFreeTypeFont::DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                             std::uint32_t aColor) {
    TMonoBitmap bitmap;
    if (!RenderGlyph(aChar, bitmap)) {
        return false;
    }
    DrawMonoBitmap(TPixelSurface(aFrameBuffer), PixelOfColor(aColor), bitmap, aX, aY);
    return true;
}

bool CFreeTypeFont::DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                             std::uint32_t aColor) {
    return Draw(aFrameBuffer, aText, aX, aY, aColor);
}

bool CFreeTypeFont::DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                             std::uint32_t aColor) {
    return Draw(aFrameBuffer, aText, aX, aY, aColor);
}

template <typename TChar>
bool CFreeTypeFont::Draw(MFrameBuffer* aFrameBuffer, const TChar* aText, int aX, int aY,
                         std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (aText == nullptr || !surface.IsUsable()) {
        return false;
    }
    const long long baseline = static_cast<long long>(aY) + TextHeight(aText);
    long long x = aX;
    unsigned previous = 0;
    bool drawn = true;
    for (; *aText != 0 && x < surface.Width(); ++aText) {
        const int code = CodeOf(*aText);
        TMonoBitmap bitmap;
        if (RenderGlyph(code, bitmap)) {
            DrawMonoBitmap(surface, PixelOfColor(aColor), bitmap, x, baseline);
        } else {
            drawn = false;
        }
        // The advance is taken after the draw, so the kerning between this character and the
        // one before it moves the characters after it.
        const unsigned current = GlyphIndex(code);
        x += code < 0 ? FallbackAdvance() : PairAdvance(previous, current);
        previous = current;
    }
    return drawn;
}

int CFreeTypeFont::GetMetric(int aKind) {
    if (iFace == nullptr || iFace->size == nullptr) {
        return 0;
    }
    const FT_Size_Metrics& size = iFace->size->metrics;
    switch (aKind) {
        case EFontLineHeight:
            return Pixels(FT_MulFix(iFace->height, size.y_scale));
        case EFontMaxAdvance:
            return Pixels(FT_MulFix(iFace->max_advance_width, size.x_scale));
        case EFontAscent:
            return Pixels(FT_MulFix(iFace->ascender, size.y_scale));
        case EFontDescent:
            return Pixels(FT_MulFix(iFace->descender, size.y_scale));
        default:
            return 0;
    }
}

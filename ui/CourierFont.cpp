#include "ui/CourierFont.h"

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

std::uint32_t ClampScale(std::uint32_t aScale) {
    if (aScale < 1) {
        return 1;
    }
    return aScale > KMaxFixedFontScale ? KMaxFixedFontScale : aScale;
}

FixedFontManager* gFixedFontManager = nullptr;

void DestroyFixedFontManager() {
    delete gFixedFontManager;
    gFixedFontManager = nullptr;
}

}  // namespace

const std::uint8_t CCourierFont::KGlyphs[KLastCode - KFirstCode + 1][KGlyphWidth] = {
    {0x00, 0x00, 0x00, 0x00, 0x00},  // ' '
    {0x00, 0x00, 0x5F, 0x00, 0x00},  // '!'
    {0x00, 0x07, 0x00, 0x07, 0x00},  // '"'
    {0x14, 0x7F, 0x14, 0x7F, 0x14},  // '#'
    {0x24, 0x2A, 0x7F, 0x2A, 0x12},  // '$'
    {0x23, 0x13, 0x08, 0x64, 0x62},  // '%'
    {0x36, 0x49, 0x55, 0x22, 0x50},  // '&'
    {0x00, 0x05, 0x03, 0x00, 0x00},  // '\''
    {0x00, 0x1C, 0x22, 0x41, 0x00},  // '('
    {0x00, 0x41, 0x22, 0x1C, 0x00},  // ')'
    {0x14, 0x08, 0x3E, 0x08, 0x14},  // '*'
    {0x08, 0x08, 0x3E, 0x08, 0x08},  // '+'
    {0x00, 0x50, 0x30, 0x00, 0x00},  // ','
    {0x08, 0x08, 0x08, 0x08, 0x08},  // '-'
    {0x00, 0x60, 0x60, 0x00, 0x00},  // '.'
    {0x20, 0x10, 0x08, 0x04, 0x02},  // '/'
    {0x3E, 0x51, 0x49, 0x45, 0x3E},  // '0'
    {0x00, 0x42, 0x7F, 0x40, 0x00},  // '1'
    {0x42, 0x61, 0x51, 0x49, 0x46},  // '2'
    {0x21, 0x41, 0x45, 0x4B, 0x31},  // '3'
    {0x18, 0x14, 0x12, 0x7F, 0x10},  // '4'
    {0x27, 0x45, 0x45, 0x45, 0x39},  // '5'
    {0x3C, 0x4A, 0x49, 0x49, 0x30},  // '6'
    {0x01, 0x71, 0x09, 0x05, 0x03},  // '7'
    {0x36, 0x49, 0x49, 0x49, 0x36},  // '8'
    {0x06, 0x49, 0x49, 0x29, 0x1E},  // '9'
    {0x00, 0x36, 0x36, 0x00, 0x00},  // ':'
    {0x00, 0x56, 0x36, 0x00, 0x00},  // ';'
    {0x08, 0x14, 0x22, 0x41, 0x00},  // '<'
    {0x14, 0x14, 0x14, 0x14, 0x14},  // '='
    {0x00, 0x41, 0x22, 0x14, 0x08},  // '>'
    {0x02, 0x01, 0x51, 0x09, 0x06},  // '?'
    {0x32, 0x49, 0x79, 0x41, 0x3E},  // '@'
    {0x7E, 0x11, 0x11, 0x11, 0x7E},  // 'A'
    {0x7F, 0x49, 0x49, 0x49, 0x36},  // 'B'
    {0x3E, 0x41, 0x41, 0x41, 0x22},  // 'C'
    {0x7F, 0x41, 0x41, 0x22, 0x1C},  // 'D'
    {0x7F, 0x49, 0x49, 0x49, 0x41},  // 'E'
    {0x7F, 0x09, 0x09, 0x09, 0x01},  // 'F'
    {0x3E, 0x41, 0x49, 0x49, 0x7A},  // 'G'
    {0x7F, 0x08, 0x08, 0x08, 0x7F},  // 'H'
    {0x00, 0x41, 0x7F, 0x41, 0x00},  // 'I'
    {0x20, 0x40, 0x41, 0x3F, 0x01},  // 'J'
    {0x7F, 0x08, 0x14, 0x22, 0x41},  // 'K'
    {0x7F, 0x40, 0x40, 0x40, 0x40},  // 'L'
    {0x7F, 0x02, 0x0C, 0x02, 0x7F},  // 'M'
    {0x7F, 0x04, 0x08, 0x10, 0x7F},  // 'N'
    {0x3E, 0x41, 0x41, 0x41, 0x3E},  // 'O'
    {0x7F, 0x09, 0x09, 0x09, 0x06},  // 'P'
    {0x3E, 0x41, 0x51, 0x21, 0x5E},  // 'Q'
    {0x7F, 0x09, 0x19, 0x29, 0x46},  // 'R'
    {0x46, 0x49, 0x49, 0x49, 0x31},  // 'S'
    {0x01, 0x01, 0x7F, 0x01, 0x01},  // 'T'
    {0x3F, 0x40, 0x40, 0x40, 0x3F},  // 'U'
    {0x1F, 0x20, 0x40, 0x20, 0x1F},  // 'V'
    {0x3F, 0x40, 0x38, 0x40, 0x3F},  // 'W'
    {0x63, 0x14, 0x08, 0x14, 0x63},  // 'X'
    {0x07, 0x08, 0x70, 0x08, 0x07},  // 'Y'
    {0x61, 0x51, 0x49, 0x45, 0x43},  // 'Z'
    {0x00, 0x7F, 0x41, 0x41, 0x00},  // '['
    {0x02, 0x04, 0x08, 0x10, 0x20},  // '\\'
    {0x00, 0x41, 0x41, 0x7F, 0x00},  // ']'
    {0x04, 0x02, 0x01, 0x02, 0x04},  // '^'
    {0x40, 0x40, 0x40, 0x40, 0x40},  // '_'
    {0x00, 0x01, 0x02, 0x04, 0x00},  // '`'
    {0x20, 0x54, 0x54, 0x54, 0x78},  // 'a'
    {0x7F, 0x48, 0x44, 0x44, 0x38},  // 'b'
    {0x38, 0x44, 0x44, 0x44, 0x20},  // 'c'
    {0x38, 0x44, 0x44, 0x48, 0x7F},  // 'd'
    {0x38, 0x54, 0x54, 0x54, 0x18},  // 'e'
    {0x08, 0x7E, 0x09, 0x01, 0x02},  // 'f'
    {0x0C, 0x52, 0x52, 0x52, 0x3E},  // 'g'
    {0x7F, 0x08, 0x04, 0x04, 0x78},  // 'h'
    {0x00, 0x44, 0x7D, 0x40, 0x00},  // 'i'
    {0x20, 0x40, 0x44, 0x3D, 0x00},  // 'j'
    {0x7F, 0x10, 0x28, 0x44, 0x00},  // 'k'
    {0x00, 0x41, 0x7F, 0x40, 0x00},  // 'l'
    {0x7C, 0x04, 0x18, 0x04, 0x78},  // 'm'
    {0x7C, 0x08, 0x04, 0x04, 0x78},  // 'n'
    {0x38, 0x44, 0x44, 0x44, 0x38},  // 'o'
    {0x7C, 0x14, 0x14, 0x14, 0x08},  // 'p'
    {0x08, 0x14, 0x14, 0x18, 0x7C},  // 'q'
    {0x7C, 0x08, 0x04, 0x04, 0x08},  // 'r'
    {0x48, 0x54, 0x54, 0x54, 0x20},  // 's'
    {0x04, 0x3F, 0x44, 0x40, 0x20},  // 't'
    {0x3C, 0x40, 0x40, 0x20, 0x7C},  // 'u'
    {0x1C, 0x20, 0x40, 0x20, 0x1C},  // 'v'
    {0x3C, 0x40, 0x30, 0x40, 0x3C},  // 'w'
    {0x44, 0x28, 0x10, 0x28, 0x44},  // 'x'
    {0x0C, 0x50, 0x50, 0x50, 0x3C},  // 'y'
    {0x44, 0x64, 0x54, 0x4C, 0x44},  // 'z'
    {0x00, 0x08, 0x36, 0x41, 0x00},  // '{'
    {0x00, 0x00, 0x7F, 0x00, 0x00},  // '|'
    {0x00, 0x41, 0x36, 0x08, 0x00},  // '}'
    {0x10, 0x08, 0x08, 0x10, 0x08},  // '~'
};

CCourierFont::CCourierFont(std::uint32_t aScale) : iScale(ClampScale(aScale)) {}

int CCourierFont::CharHeight(int /*aChar*/) {
    return KGlyphHeight * static_cast<int>(iScale);
}

// The height of a space, whatever the text (also for an empty one).
int CCourierFont::TextHeight(const char* /*aText*/) {
    return CharHeight(' ');
}

int CCourierFont::TextHeight(const TWideChar* /*aText*/) {
    return CharHeight(' ');
}

int CCourierFont::CharWidth(int /*aChar*/) {
    return KGlyphWidth * static_cast<int>(iScale);
}

int CCourierFont::TextWidth(const char* aText) {
    return WidthOf(aText);
}

int CCourierFont::TextWidth(const TWideChar* aText) {
    return WidthOf(aText);
}

template <typename TChar>
int CCourierFont::WidthOf(const TChar* aText) {
    if (aText == nullptr) {
        return 0;
    }
    const long long advance = Advance();
    long long width = 0;
    for (; *aText != 0; ++aText) {
        width += advance;
        if (width > INT_MAX) {
            return INT_MAX;
        }
    }
    return static_cast<int>(width);
}

bool CCourierFont::DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                            std::uint32_t aColor) {
    const TPixelSurface surface(aFrameBuffer);
    if (!PutGlyph(surface, PixelOfColor(aColor), aChar, aX, aY)) {
        return false;
    }
    const long long scale = iScale;
    surface.MarkDrawn(aX, aY, aX + KGlyphWidth * scale - 1, aY + KGlyphHeight * scale - 1);
    return true;
}

bool CCourierFont::PutGlyph(const TPixelSurface& aSurface, std::uint16_t aPixel, int aChar, int aX,
                            int aY) {
    if (!aSurface.IsUsable()) {
        return false;
    }
    const int scale = static_cast<int>(iScale);
    // A glyph that would end on the last column or row is refused as well, and a screen
    // smaller than one glyph takes none.
    const long long limitX =
        static_cast<long long>(aSurface.Width()) - static_cast<long long>(KGlyphWidth) * scale;
    const long long limitY =
        static_cast<long long>(aSurface.Height()) - static_cast<long long>(KGlyphHeight) * scale;
    if (aX < 0 || aY < 0 || aX >= limitX || aY >= limitY) {
        return false;
    }
    if (aChar < KFirstCode || aChar > KLastCode) {
        aChar = ' ';
    }
    const std::uint8_t* columns = KGlyphs[aChar - KFirstCode];
    if (aSurface.IsLinear() && aSurface.Layout().iYStep == -2) {
        if (const std::uint64_t* masks = ColumnMasks()) {
            PutColumnsMasked(aSurface, aPixel, columns, aX, aY, masks);
            return true;
        }
    }
    if (aSurface.IsLinear()) {
        PutGlyphByPointer(aSurface, aPixel, columns, aX, aY);
        return true;
    }
    for (int c = 0; c < KGlyphWidth; ++c) {
        for (int r = 0; r < KGlyphHeight; ++r) {
            if ((columns[c] & (1u << r)) == 0) {
                continue;
            }
            const long long left = aX + static_cast<long long>(c) * scale;
            const long long top = aY + static_cast<long long>(r) * scale;
            for (int dx = 0; dx < scale; ++dx) {
                for (int dy = 0; dy < scale; ++dy) {
                    aSurface.Plot(left + dx, top + dy, aPixel);
                }
            }
        }
    }
    return true;
}

// The glyph lies wholly on the screen (PutGlyph checked). Each column of the glyph is reached
// from its top left by the layout's x step; its lit rows, scaled, are stored one by one from
// the column's top by the y step, with no call per pixel.
void CCourierFont::PutGlyphByPointer(const TPixelSurface& aSurface, std::uint16_t aPixel,
                                     const std::uint8_t* aColumns, int aX, int aY) const {
    const int scale = static_cast<int>(iScale);
    const std::ptrdiff_t xStep = aSurface.Layout().iXStep;
    const std::ptrdiff_t yStep = aSurface.Layout().iYStep;
    std::uint8_t* const topLeft = aSurface.At(aX, aY);
    for (int c = 0; c < KGlyphWidth; ++c) {
        for (int dx = 0; dx < scale; ++dx) {
            std::uint8_t* const top = topLeft + (c * scale + dx) * xStep;
            for (unsigned bits = aColumns[c]; bits != 0; bits &= bits - 1) {
                std::uint8_t* at =
                    top + static_cast<std::ptrdiff_t>(__builtin_ctz(bits)) * scale * yStep;
                for (int dy = 0; dy < scale; ++dy, at += yStep) {
                    TPixelSurface::Store(at, aPixel);
                }
            }
        }
    }
}

const std::uint64_t* CCourierFont::ColumnMasks() {
    if (iMasksTried) {
        return iColumnMasks.get();
    }
    iMasksTried = true;
    const int scale = static_cast<int>(iScale);
    if (scale > KMaskedScaleLimit) {
        return nullptr;
    }
    const int words = 2 * scale;  // KGlyphHeight * scale lanes, four a word
    iColumnMasks.reset(new (std::nothrow) std::uint64_t[256 * static_cast<std::size_t>(words)]());
    if (!iColumnMasks) {
        return nullptr;
    }
    for (int bits = 0; bits < 256; ++bits) {
        std::uint64_t* const column =
            iColumnMasks.get() + static_cast<std::ptrdiff_t>(bits) * words;
        for (int lane = 0; lane < KGlyphHeight * scale; ++lane) {
            // Lane 0 is the bottom row of the scaled glyph.
            const int row = (KGlyphHeight * scale - 1 - lane) / scale;
            if ((bits & (1 << row)) != 0) {
                column[lane / 4] |= std::uint64_t{0xFFFF} << (16 * (lane % 4));
            }
        }
    }
    return iColumnMasks.get();
}

// The device's column layout: a glyph column's rows are one run of memory, bottom row lowest.
// Each word of four pixels is blended with the ink where its mask is lit: read, masked, and
// stored whole, or left alone without ink.
void CCourierFont::PutColumnsMasked(const TPixelSurface& aSurface, std::uint16_t aPixel,
                                    const std::uint8_t* aColumns, int aX, int aY,
                                    const std::uint64_t* aMasks) const {
    const int scale = static_cast<int>(iScale);
    const int words = 2 * scale;
    const std::ptrdiff_t xStep = aSurface.Layout().iXStep;
    const std::uint64_t ink = std::uint64_t{aPixel} * 0x0001000100010001ull;
    std::uint8_t* const bottomLeft = aSurface.At(aX, aY + KGlyphHeight * scale - 1);
    for (int c = 0; c < KGlyphWidth; ++c) {
        const std::uint64_t* const masks =
            aMasks + static_cast<std::ptrdiff_t>(aColumns[c]) * words;
        for (int dx = 0; dx < scale; ++dx) {
            std::uint8_t* const low = bottomLeft + (c * scale + dx) * xStep;
            for (int w = 0; w < words; ++w) {
                const std::uint64_t mask = masks[w];
                if (mask == 0) {
                    continue;
                }
                std::uint64_t pixels;
                std::memcpy(&pixels, low + 8 * static_cast<std::ptrdiff_t>(w), sizeof pixels);
                pixels = (pixels & ~mask) | (ink & mask);
                std::memcpy(low + 8 * static_cast<std::ptrdiff_t>(w), &pixels, sizeof pixels);
            }
        }
    }
}

bool CCourierFont::DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                            std::uint32_t aColor) {
    return Draw(aFrameBuffer, aText, aX, aY, aColor);
}

bool CCourierFont::DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                            std::uint32_t aColor) {
    return Draw(aFrameBuffer, aText, aX, aY, aColor);
}

template <typename TChar>
bool CCourierFont::Draw(MFrameBuffer* aFrameBuffer, const TChar* aText, int aX, int aY,
                        std::uint32_t aColor) {
    if (aText == nullptr) {
        return false;
    }
    const TPixelSurface surface(aFrameBuffer);
    const std::uint16_t pixel = PixelOfColor(aColor);
    bool drawn = true;
    // A character that was drawn lies left of the screen's right edge, so the next x cannot
    // overflow.
    int x = aX;
    // The end of the last glyph with ink: a blank after it (a counter's trailing one) draws
    // nothing beyond.
    long long inkEnd = static_cast<long long>(aX) - 1;
    for (; *aText != 0; ++aText, x += Advance()) {
        if (!PutGlyph(surface, pixel, CodeOf(*aText), x, aY)) {
            drawn = false;
            break;
        }
        if (*aText != ' ') {
            inkEnd = x + static_cast<long long>(KGlyphWidth) * iScale - 1;
        }
    }
    // One box for the glyphs drawn.
    if (inkEnd >= aX) {
        surface.MarkDrawn(aX, aY, inkEnd, aY + static_cast<long long>(KGlyphHeight) * iScale - 1);
    }
    return drawn;
}

int CCourierFont::GetMetric(int aKind) {
    const int scale = static_cast<int>(iScale);
    switch (aKind) {
        case EFontLineHeight:
        case EFontAscent:
            return KGlyphHeight * scale;
        case EFontMaxAdvance:
            return KGlyphWidth * scale + 2;
        default:  // the descent is 0: the glyphs' empty bottom row stands for it
            return 0;
    }
}

FixedFontManager::~FixedFontManager() {
    for (CCourierFont*& font : iFonts) {
        delete font;
        font = nullptr;
    }
}

CCourierFont* FixedFontManager::GetFont(int aScale) {
    // Scales outside the table get the nearest one it holds instead of an index past its end.
    const int scale = aScale < 1 ? 1 : (aScale > KMaxFixedFontScale ? KMaxFixedFontScale : aScale);
    if (iFonts[scale] == nullptr) {
        iFonts[scale] = new (std::nothrow) CCourierFont(static_cast<std::uint32_t>(scale));
    }
    return iFonts[scale];
}

FixedFontManager* GetFixedFontManager() {
    if (gFixedFontManager == nullptr) {
        gFixedFontManager = new FixedFontManager;
        (void)std::atexit(DestroyFixedFontManager);  // unregistered, it lives until the end
    }
    return gFixedFontManager;
}

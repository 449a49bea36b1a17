#pragma once

#include <cstdint>

#include "ui/Font.h"
#include "ui/PixelSurface.h"

// FreeType's own handle types, declared here so that users of the fonts need no FreeType
// headers.
struct FT_LibraryRec_;
struct FT_FaceRec_;
using FT_Library = FT_LibraryRec_*;
using FT_Face = FT_FaceRec_*;

// Holds the one FreeType library of the process, open while any TrueType font needs it.
class CFreeTypeManager {
  public:
    CFreeTypeManager() = default;
    // Shuts the library down if it is still open.
    ~CFreeTypeManager();
    CFreeTypeManager(const CFreeTypeManager&) = delete;
    CFreeTypeManager& operator=(const CFreeTypeManager&) = delete;

    // Opens the library on first use and takes one reference to it. Null, with no reference
    // taken, when the library cannot be initialised.
    FT_Library* Acquire();
    // Gives one reference back; the last one shuts the library down.
    void Release();

    bool IsOpen() const { return iLibrary != nullptr; }
    int References() const { return iReferences; }

  private:
    FT_Library iLibrary = nullptr;
    int iReferences = 0;
};

// The process-wide manager: created on first use, destroyed at exit. Null once it has been
// destroyed, so that fonts still alive at that point leave the library alone.
CFreeTypeManager* GetFreeTypeManager();

// A glyph rendered as a 1-bit bitmap, most significant bit first. Row r starts at
// iBits + r * iPitch: the pitch is negative for a bitmap stored bottom row first.
struct TMonoBitmap {
    int iWidth = 0;
    int iRows = 0;
    int iPitch = 0;
    int iLeft = 0;  // pixels from the pen position to the bitmap's left column
    int iTop = 0;   // rows from the bitmap's top row down to the baseline
    const std::uint8_t* iBits = nullptr;
};

// Glyph bitmaps larger than this on either side are refused: no sensible font size gets near,
// and it keeps every size computation far from overflow.
constexpr int KMaxGlyphSide = 4096;

// True when the bitmap's fields describe memory that can be read: sizes within 0 to
// KMaxGlyphSide, and rows at least as long as the pixels they hold. A bitmap without bits is
// sane when its sizes are: nothing of it is read.
bool IsSaneBitmap(const TMonoBitmap& aBitmap);
// True when the bitmap has at least one pixel set.
bool HasInk(const TMonoBitmap& aBitmap);
// Draws the set pixels with the pen position (aX, aY) on the baseline, each pixel clipped.
void DrawMonoBitmap(const TPixelSurface& aSurface, std::uint16_t aPixel, const TMonoBitmap& aBitmap,
                    long long aX, long long aY);

// A TrueType font rendered by FreeType on every call.
class CFreeTypeFont : public MFont {
  public:
    // Opens face 0 of the file at aPixelSize pixels; IsLoaded() tells whether that worked.
    // Kerning is used when wanted and the face has it.
    CFreeTypeFont(const char* aPath, int aPixelSize, bool aKerningWanted);
    // Closes the face, then gives the library reference back.
    ~CFreeTypeFont() override;
    CFreeTypeFont(const CFreeTypeFont&) = delete;
    CFreeTypeFont& operator=(const CFreeTypeFont&) = delete;

    bool IsLoaded() const { return iLoaded; }
    bool UsesKerning() const { return iUseKerning; }

    int CharHeight(int aChar) override;
    int TextHeight(const char* aText) override;
    int TextHeight(const TWideChar* aText) override;
    int CharWidth(int aChar) override;
    int TextWidth(const char* aText) override;
    int TextWidth(const TWideChar* aText) override;
    // (aX, aY) is the pen position on the baseline. False when the glyph cannot be loaded.
    bool DrawChar(MFrameBuffer* aFrameBuffer, int aChar, int aX, int aY,
                  std::uint32_t aColor) override;
    // Stops at the first character that would start at or right of the screen's right edge.
    bool DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                  std::uint32_t aColor) override;
    bool DrawText(MFrameBuffer* aFrameBuffer, const TWideChar* aText, int aX, int aY,
                  std::uint32_t aColor) override;
    int GetMetric(int aKind) override;

    // Loads and renders the character into the face's glyph slot. The bitmap stays valid until
    // the next glyph is loaded. False for a code the face cannot load.
    bool RenderGlyph(int aChar, TMonoBitmap& aBitmap);

    // Pixel sizes outside 1 to KMaxPixelSize leave the font unloaded.
    static constexpr int KMaxPixelSize = 1024;

  private:
    unsigned GlyphIndex(int aChar);
    bool LoadGlyphIndex(unsigned aIndex);
    int AdvanceOfLoaded();
    int FallbackAdvance();
    int PairAdvance(unsigned aPrevious, unsigned aCurrent);
    template <typename TChar>
    int HeightOf(const TChar* aText);
    template <typename TChar>
    int WidthOf(const TChar* aText);
    template <typename TChar>
    bool Draw(MFrameBuffer* aFrameBuffer, const TChar* aText, int aX, int aY, std::uint32_t aColor);

    FT_Library* iLibrary = nullptr;
    FT_Face iFace = nullptr;
    bool iUseKerning = false;
    bool iLoaded = false;
};

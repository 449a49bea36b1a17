#pragma once

class TPixelSurface;

#include <cstdint>
#include <memory>

#include "platform/FrameBuffer.h"

class MBitmapDecompressor;

// A picture the toolkit draws: the skin's state images, screen backgrounds.
class MImage {
  public:
    virtual ~MImage() = default;
    virtual int Width() = 0;
    virtual int Height() = 0;
    virtual int Depth() = 0;
    // Draws the whole image with its top left at (aX, aY); false when nothing was drawn.
    virtual bool Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) = 0;
    // With the image placed at (aX, aY), draws the part of it inside the area (aAreaX, aAreaY,
    // aAreaWidth, aAreaHeight): how a screen repaints its background behind one widget.
    virtual bool DrawPart(MFrameBuffer* aFrameBuffer, int aX, int aY, int aAreaX, int aAreaY,
                          int aAreaWidth, int aAreaHeight) = 0;
};

// The skin's stand-in when a state image file is missing: a 21 x 21 white square with a black
// frame (its rectangle is (x, y) to (x + 20, y + 20), inclusive, like every widget's).
class CDefaultImage : public MImage {
  public:
    int Width() override { return KSide; }
    int Height() override { return KSide; }
    int Depth() override { return 8; }
    bool Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) override;
    // Only ever drawn whole.
    bool DrawPart(MFrameBuffer*, int, int, int, int, int, int) override { return false; }

  protected:
    static constexpr int KSide = 20;
};

// The plain square with a black cross.
class CDefaultCheckOn : public CDefaultImage {
  public:
    bool Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) override;
};

// The plain square with a rounded black dot.
class CDefaultRadioOn : public CDefaultImage {
  public:
    bool Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) override;
};

// The built-in image for a state-image kind (the slot of the enabled image): 1 check on, 5 radio
// on, 2, 6, 9 and 11 the plain square; null for any other kind. The caller owns it.
MImage* CreateBuiltInImage(int aKind);

// RGB 565 of 8-bit channels, the conversion used for every decoded pixel and key colour.
constexpr std::uint16_t Rgb565(int aRed, int aGreen, int aBlue) {
    return static_cast<std::uint16_t>((aRed & 0xF8) << 8 | (aGreen & 0xFC) << 3 |
                                      (aBlue & 0xFF) >> 3);
}

constexpr std::int32_t KNoKeyColor = -1;
// Bits of a stored pixel: the device frame buffer's depth, the only one images are drawn on.
constexpr int KImageDepth = 16;

// A decoded bitmap in RGB 565, stored like the device frame buffer: column by column, each
// column from the bottom row up, so that a column is copied to the screen in one block.
class CImage : public MImage {
  public:
    // Converts every row of an opened decoder. aRed below 0 means no key colour; otherwise
    // pixels whose 565 value equals that of (aRed, aGreen, aBlue) are not drawn.
    CImage(MBitmapDecompressor& aDecoder, int aRed, int aGreen, int aBlue);
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // False when the pixel array could not be allocated.
    bool IsValid() const { return iPixels != nullptr || iWidth == 0 || iHeight == 0; }
    std::int32_t KeyColor() const { return iKeyColor; }

    int Width() override { return static_cast<int>(iWidth); }
    int Height() override { return static_cast<int>(iHeight); }
    int Depth() override { return iDepth; }
    // Draws only an image that lies wholly on a mapped screen of 16-bit pixels; false else.
    bool Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) override;
    // With the image's top left on a mapped screen of 16-bit pixels (false else), draws the
    // image's columns aAreaX - aX to aAreaX - aX + aAreaWidth and aAreaHeight + 2 of its rows,
    // from one above the area's top (from the image's top row when the area starts at or above
    // it), clipped to the image and to the screen's right and bottom edges.
    bool DrawPart(MFrameBuffer* aFrameBuffer, int aX, int aY, int aAreaX, int aAreaY,
                  int aAreaWidth, int aAreaHeight) override;

  private:
    bool Fits(MFrameBuffer* aFrameBuffer, int aX, int aY) const;
    // The top left (aX, aY) lies on a screen the image can be drawn on.
    bool Placeable(MFrameBuffer* aFrameBuffer, int aX, int aY) const;
    // Rows aFirstRow to aLastRow of image column aColumn, to screen column aScreenX with the
    // image's top at screen row aY.
    // Columns aFirstColumn to aLastColumn of the image, its top left at screen (aX, aY).
    void CopyColumns(const TPixelSurface& aSurface, int aX, int aY, std::uint32_t aFirstColumn,
                     std::uint32_t aLastColumn, std::uint32_t aFirstRow,
                     std::uint32_t aLastRow) const;
    void CopyRun(const TPixelSurface& aSurface, int aScreenX, int aY, std::uint32_t aColumn,
                 std::uint32_t aFirstRow, std::uint32_t aLastRow) const;

    std::uint32_t iWidth = 0;
    std::uint32_t iHeight = 0;
    int iDepth = KImageDepth;
    std::int32_t iKeyColor = KNoKeyColor;
    // No pixel has the key colour (or there is none): runs are copied whole.
    bool iCopiesPlain = true;
    std::unique_ptr<std::uint16_t[]> iPixels;
};

// Decodes the BMP file behind aDescriptor (which is closed in every case) into a CImage with
// the key colour (aRed, aGreen, aBlue), or none for aRed below 0. Null when the file is not an
// acceptable BMP or memory runs out. The caller owns the image.
MImage* CreateImage(int aDescriptor, int aRed, int aGreen, int aBlue);

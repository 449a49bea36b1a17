#include "ui/Image.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>

#include "ui/BMPDecompressor.h"
#include "ui/Colors.h"
#include "ui/Draw.h"
#include "ui/PixelSurface.h"
#include "ui/Skin.h"

bool CDefaultImage::Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) {
    FillRect(aFrameBuffer, aX, aY, aX + KSide, aY + KSide, KColorWhite, KCornerSquare);
    DrawRect(aFrameBuffer, aX, aY, aX + KSide, aY + KSide, KColorBlack);
    return true;
}

bool CDefaultCheckOn::Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) {
    CDefaultImage::Draw(aFrameBuffer, aX, aY);
    DrawLine(aFrameBuffer, aX, aY, aX + KSide, aY + KSide, KColorBlack);
    DrawLine(aFrameBuffer, aX, aY + KSide, aX + KSide, aY, KColorBlack);
    return true;
}

bool CDefaultRadioOn::Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) {
    CDefaultImage::Draw(aFrameBuffer, aX, aY);
    FillRect(aFrameBuffer, aX + 5, aY + 5, aX + 16, aY + 16, KColorBlack, KCornerRounded);
    return true;
}

MImage* CreateBuiltInImage(int aKind) {
    switch (aKind) {
        case ESkinImageCheckOn:
            return new (std::nothrow) CDefaultCheckOn;
        case ESkinImageRadioOn:
            return new (std::nothrow) CDefaultRadioOn;
        case ESkinImageCheckOff:
        case ESkinImageRadioOff:
        case ESkinImageSliderHor:
        case ESkinImageSliderVer:
            return new (std::nothrow) CDefaultImage;
        default:
            return nullptr;
    }
}

CImage::CImage(MBitmapDecompressor& aDecoder, int aRed, int aGreen, int aBlue)
    : iKeyColor(aRed < 0 ? KNoKeyColor : Rgb565(aRed, aGreen, aBlue)) {
    const int width = aDecoder.Width();
    const int height = aDecoder.Height();
    if (width <= 0 || height <= 0) {
        return;
    }
    iWidth = static_cast<std::uint32_t>(width);
    iHeight = static_cast<std::uint32_t>(height);
    iPixels.reset(new (std::nothrow) std::uint16_t[static_cast<std::size_t>(iWidth) * iHeight]);
    if (!iPixels) {
        return;  // IsValid() reports it
    }
    bool keyed = false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = aDecoder.Row(y);
        for (std::ptrdiff_t x = 0; x < width; ++x) {
            const std::uint16_t pixel =
                row != nullptr ? Rgb565(row[3 * x], row[3 * x + 1], row[3 * x + 2]) : 0;
            iPixels[static_cast<std::size_t>(x) * iHeight + (iHeight - 1 - y)] = pixel;
            keyed = keyed || static_cast<std::int32_t>(pixel) == iKeyColor;
        }
    }
    // Nothing is ever left out of a picture without its key colour: its runs are plain copies.
    iCopiesPlain = !keyed;
}

bool CImage::Fits(MFrameBuffer* aFrameBuffer, int aX, int aY) const {
    // Wide: an image larger than the screen never fits.
    return Placeable(aFrameBuffer, aX, aY) &&
           static_cast<long long>(aX) + iWidth <=
               static_cast<long long>(aFrameBuffer->GetWidth()) &&
           static_cast<long long>(aY) + iHeight <=
               static_cast<long long>(aFrameBuffer->GetHeight());
}

bool CImage::Placeable(MFrameBuffer* aFrameBuffer, int aX, int aY) const {
    if (iWidth == 0 || iHeight == 0 || !iPixels || aFrameBuffer == nullptr ||
        aFrameBuffer->GetBuffer() == nullptr || aFrameBuffer->GetBitsPerPixel() != KImageDepth) {
        return false;
    }
    return aX >= 0 && aY >= 0 && aX < aFrameBuffer->GetWidth() && aY < aFrameBuffer->GetHeight();
}

void CImage::CopyColumns(const TPixelSurface& aSurface, int aX, int aY, std::uint32_t aFirstColumn,
                         std::uint32_t aLastColumn, std::uint32_t aFirstRow,
                         std::uint32_t aLastRow) const {
    if (iCopiesPlain && aSurface.IsLinear() && aSurface.Layout().iYStep == -2) {
        // Plain runs in the column layout: one copy a column, from column to column by the
        // layout's x step.
        std::uint8_t* target =
            aSurface.At(aX + static_cast<int>(aFirstColumn), aY + static_cast<int>(aLastRow));
        const std::uint16_t* source = iPixels.get() +
                                      static_cast<std::size_t>(aFirstColumn) * iHeight +
                                      (iHeight - 1 - aLastRow);
        const std::size_t bytes = (aLastRow - aFirstRow + 1) * sizeof *source;
        for (std::uint32_t column = aFirstColumn; column <= aLastColumn; ++column) {
            std::memcpy(target, source, bytes);
            target += aSurface.Layout().iXStep;
            source += iHeight;
        }
        return;
    }
    for (std::uint32_t column = aFirstColumn; column <= aLastColumn; ++column) {
        CopyRun(aSurface, aX + static_cast<int>(column), aY, column, aFirstRow, aLastRow);
    }
}

void CImage::CopyRun(const TPixelSurface& aSurface, int aScreenX, int aY, std::uint32_t aColumn,
                     std::uint32_t aFirstRow, std::uint32_t aLastRow) const {
    const std::uint16_t* source =
        iPixels.get() + static_cast<std::size_t>(aColumn) * iHeight + (iHeight - 1 - aLastRow);
    const std::size_t count = aLastRow - aFirstRow + 1;
    // In the device's column layout the run's bottom pixel has the lowest address on both
    // sides; any other layout takes the pixels one by one.
    if (!aSurface.IsLinear() || aSurface.Layout().iYStep != -2) {
        for (std::size_t i = 0; i < count; ++i) {
            if (iCopiesPlain || source[i] != static_cast<std::uint16_t>(iKeyColor)) {
                aSurface.Store(aScreenX, aY + static_cast<int>(aLastRow - i), source[i]);
            }
        }
        return;
    }
    std::uint8_t* target = aSurface.At(aScreenX, aY + static_cast<int>(aLastRow));
    if (iCopiesPlain) {
        std::memcpy(target, source, count * sizeof *source);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (source[i] != static_cast<std::uint16_t>(iKeyColor)) {
            std::memcpy(target + i * sizeof *source, source + i, sizeof *source);
        }
    }
}

bool CImage::Draw(MFrameBuffer* aFrameBuffer, int aX, int aY) {
    if (!Fits(aFrameBuffer, aX, aY)) {
        return false;
    }
    const TPixelSurface surface(aFrameBuffer);
    CopyColumns(surface, aX, aY, 0, iWidth - 1, 0, iHeight - 1);
    surface.MarkDrawn(
        TArea{aX, aY, aX + static_cast<int>(iWidth) - 1, aY + static_cast<int>(iHeight) - 1});
    return true;
}

bool CImage::DrawPart(MFrameBuffer* aFrameBuffer, int aX, int aY, int aAreaX, int aAreaY,
                      int aAreaWidth, int aAreaHeight) {
    if (!Placeable(aFrameBuffer, aX, aY)) {
        return false;
    }
    if (aAreaWidth < 0 || aAreaHeight < 0) {
        return true;
    }
    // Wide arithmetic: the area comes from widgets and may lie anywhere.
    long long firstColumn = static_cast<long long>(aAreaX) - aX;
    long long lastColumn = firstColumn + aAreaWidth;
    if (firstColumn < 0) {
        firstColumn = 0;
    }
    // A picture larger than the screen (a skin made for a larger unit) shows its top-left part.
    const long long columns =
        std::min<long long>(iWidth, static_cast<long long>(aFrameBuffer->GetWidth()) - aX);
    if (lastColumn > columns - 1) {
        lastColumn = columns - 1;
    }
    // From the row above the area's top (when the area starts below the image's top) through
    // row aAreaY + aAreaHeight, the bottom edge of a widget's frame.
    const long long firstRow = aAreaY > aY ? static_cast<long long>(aAreaY) - aY - 1 : 0;
    long long lastRow = firstRow + aAreaHeight + 1;
    const long long rows =
        std::min<long long>(iHeight, static_cast<long long>(aFrameBuffer->GetHeight()) - aY);
    if (lastRow > rows - 1) {
        lastRow = rows - 1;
    }
    if (firstColumn > lastColumn || firstRow > lastRow) {
        return true;
    }
    const TPixelSurface surface(aFrameBuffer);
    CopyColumns(surface, aX, aY, static_cast<std::uint32_t>(firstColumn),
                static_cast<std::uint32_t>(lastColumn), static_cast<std::uint32_t>(firstRow),
                static_cast<std::uint32_t>(lastRow));
    surface.MarkDrawn(TArea{aX + static_cast<int>(firstColumn), aY + static_cast<int>(firstRow),
                            aX + static_cast<int>(lastColumn), aY + static_cast<int>(lastRow)});
    return true;
}

MImage* CreateImage(int aDescriptor, int aRed, int aGreen, int aBlue) {
    CBMPDecompressor decoder;
    if (!decoder.Open(aDescriptor)) {
        return nullptr;
    }
    CImage* image = new (std::nothrow) CImage(decoder, aRed, aGreen, aBlue);
    if (image != nullptr && !image->IsValid()) {
        delete image;
        image = nullptr;
    }
    return image;
}

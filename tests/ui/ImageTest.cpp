#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/MarkedFrameBuffer.h"
#include "support/MemoryFrameBuffer.h"
#include "ui/BMPDecompressor.h"
#include "ui/Image.h"

namespace {

constexpr std::uint16_t KScreen = 0x1234;  // what the frame buffer holds before drawing
constexpr std::uint16_t KWhite = 0xFFFF;
constexpr std::uint16_t KBlack = 0x0000;
constexpr std::uint16_t KKey = 0xF800;

// A decoder that hands out rows given as 565-able triples, top row first.
class CTableDecoder : public MBitmapDecompressor {
  public:
    CTableDecoder(int aWidth, int aHeight, std::vector<std::uint8_t> aRgb)
        : iWidth(aWidth), iHeight(aHeight), iRgb(std::move(aRgb)) {}
    bool Open(int) override { return true; }
    void Close() override {}
    int Width() override { return iWidth; }
    int Height() override { return iHeight; }
    bool IsMonochrome() override { return false; }
    const std::uint8_t* Row(int aY) override {
        return iRgb.data() + static_cast<std::size_t>(aY) * iWidth * 3;
    }

  private:
    int iWidth;
    int iHeight;
    std::vector<std::uint8_t> iRgb;
};

// A picture whose every pixel differs: red = 8 x column, green = 4 x row, blue 8, so the 565
// value tells the position; pixels listed in aKeyed are pure red instead.
std::unique_ptr<CImage> Picture(int aWidth, int aHeight, int aKeyRed,
                                const std::vector<std::pair<int, int>>& aKeyed = {}) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < aHeight; ++y) {
        for (int x = 0; x < aWidth; ++x) {
            bool keyed = false;
            for (const auto& point : aKeyed) {
                keyed = keyed || (point.first == x && point.second == y);
            }
            rgb.push_back(keyed ? 255 : static_cast<std::uint8_t>(8 * x));
            rgb.push_back(keyed ? 0 : static_cast<std::uint8_t>(4 * y));
            rgb.push_back(keyed ? 0 : 8);
        }
    }
    CTableDecoder decoder(aWidth, aHeight, rgb);
    return std::make_unique<CImage>(decoder, aKeyRed, 0, 0);
}

std::uint16_t PicturePixel(int aX, int aY) {
    return Rgb565(8 * aX, 4 * aY, 8);
}

void FillScreen(CMemoryFrameBuffer& aScreen) {
    for (int x = 0; x < aScreen.GetWidth(); ++x) {
        for (int y = 0; y < aScreen.GetHeight(); ++y) {
            aScreen.SetPixel(x, y, KScreen);
        }
    }
}

CMemoryFrameBuffer Screen(int aWidth, int aHeight) {
    CMemoryFrameBuffer screen(aWidth, aHeight);
    FillScreen(screen);
    return screen;
}

// Every pixel of the screen: the picture's where aInside says so, the old content elsewhere.
// Positions relative to the image are wide: the image may be placed at INT_MIN.
template <typename TInside>
void ExpectScreen(CMemoryFrameBuffer& aScreen, int aLeft, int aTop, TInside aInside) {
    for (int y = 0; y < aScreen.GetHeight(); ++y) {
        for (int x = 0; x < aScreen.GetWidth(); ++x) {
            const long long column = static_cast<long long>(x) - aLeft;
            const long long row = static_cast<long long>(y) - aTop;
            const std::uint16_t expected =
                aInside(column, row) ? PicturePixel(static_cast<int>(column), static_cast<int>(row))
                                     : KScreen;
            ASSERT_EQ(aScreen.Pixel(x, y), expected) << "at " << x << ", " << y;
        }
    }
    EXPECT_TRUE(aScreen.GuardsIntact());
}

TEST(Image, ConvertsTo565InTheDeviceColumnLayout) {
    const std::unique_ptr<CImage> image = Picture(3, 2, -1);
    EXPECT_EQ(image->Width(), 3);
    EXPECT_EQ(image->Height(), 2);
    EXPECT_EQ(image->Depth(), 16);
    EXPECT_EQ(image->KeyColor(), KNoKeyColor);
    // 8-bit channels keep their top 5, 6 and 5 bits.
    EXPECT_EQ(Rgb565(255, 255, 255), 0xFFFF);
    EXPECT_EQ(Rgb565(250, 2, 5), 0xF800);
    EXPECT_EQ(Rgb565(7, 3, 7), 0x0000);
    EXPECT_EQ(Rgb565(0, 0, 128), 0x0010);
    EXPECT_EQ(Rgb565(8, 4, 8), 0x0821);
    // Drawn at the origin of a screen exactly its size: the image's store is the screen's.
    CMemoryFrameBuffer screen = Screen(3, 2);
    ASSERT_TRUE(image->Draw(&screen, 0, 0));
    ExpectScreen(screen, 0, 0, [](long long, long long) { return true; });
}

TEST(Image, DrawsWholeImageOnlyWhereItFits) {
    struct TCase {
        const char* iLegend;
        int iX;
        int iY;
        bool iDrawn;
    };
    // A 4 x 3 image on a 10 x 8 screen.
    const TCase cases[] = {
        {"origin", 0, 0, true},
        {"inside", 3, 2, true},
        {"touching the bottom right corner", 6, 5, true},
        {"one column over the right edge", 7, 0, false},
        {"one row over the bottom edge", 0, 6, false},
        {"one column left of the screen", -1, 0, false},
        {"one row above the screen", 0, -1, false},
        {"far negative", INT_MIN, INT_MIN, false},
        {"far positive", INT_MAX, INT_MAX, false},
    };
    const std::unique_ptr<CImage> image = Picture(4, 3, -1);
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CMarkedFrameBuffer screen(10, 8);
        FillScreen(screen);
        screen.BeginCall();
        EXPECT_EQ(image->Draw(&screen, test.iX, test.iY), test.iDrawn);
        EXPECT_TRUE(screen.MarksCoverChanges());
        ExpectScreen(screen, test.iX, test.iY, [&](long long aX, long long aY) {
            return test.iDrawn && aX >= 0 && aX < 4 && aY >= 0 && aY < 3;
        });
    }
}

TEST(Image, RefusesScreensItCannotDrawOn) {
    const std::unique_ptr<CImage> image = Picture(4, 3, -1);
    // Larger than the screen in one direction: never drawn whole, wherever it is put.
    CMemoryFrameBuffer narrow = Screen(3, 8);
    EXPECT_FALSE(image->Draw(&narrow, 0, 0));
    EXPECT_TRUE(narrow.GuardsIntact());
    CMemoryFrameBuffer unmapped(10, 8);
    unmapped.SetMapped(false);
    EXPECT_FALSE(image->Draw(&unmapped, 0, 0));
    CMemoryFrameBuffer deep(10, 8, 32);
    EXPECT_FALSE(image->Draw(&deep, 0, 0));
    EXPECT_FALSE(image->Draw(nullptr, 0, 0));
    // An empty image draws nothing.
    CTableDecoder empty(0, 0, {});
    CImage nothing(empty, -1, 0, 0);
    EXPECT_TRUE(nothing.IsValid());
    CMemoryFrameBuffer screen = Screen(10, 8);
    EXPECT_FALSE(nothing.Draw(&screen, 0, 0));
    EXPECT_FALSE(nothing.DrawPart(&screen, 0, 0, 0, 0, 5, 5));
}

TEST(Image, KeyColourPixelsLeaveTheScreenAlone) {
    // Pure red and (250, 2, 5) both convert to 0xF800.
    std::vector<std::uint8_t> rgb = {255, 0, 0, 250, 2, 5, 0, 0, 255, 248, 4, 0};
    CTableDecoder decoder(2, 2, rgb);
    CImage keyed(decoder, 255, 0, 0);
    EXPECT_EQ(keyed.KeyColor(), KKey);
    CMemoryFrameBuffer screen = Screen(4, 4);
    ASSERT_TRUE(keyed.Draw(&screen, 1, 1));
    EXPECT_EQ(screen.Pixel(1, 1), KScreen);
    EXPECT_EQ(screen.Pixel(2, 1), KScreen);
    EXPECT_EQ(screen.Pixel(1, 2), 0x001F);
    EXPECT_EQ(screen.Pixel(2, 2), 0xF820);  // one green step off the key: drawn
    EXPECT_TRUE(screen.GuardsIntact());

    // Without a key the same image draws red.
    CImage opaque(decoder, -1, 0, 0);
    ASSERT_TRUE(opaque.Draw(&screen, 1, 1));
    EXPECT_EQ(screen.Pixel(1, 1), KKey);
    EXPECT_EQ(screen.Pixel(2, 1), KKey);
}

TEST(Image, DrawPartCopiesTheAreaWithTheRowsAroundIt) {
    struct TCase {
        const char* iLegend;
        int iAreaX;
        int iAreaY;
        int iAreaWidth;
        int iAreaHeight;
        int iFirstColumn;  // inclusive ranges drawn; first > last: nothing
        int iLastColumn;
        int iFirstRow;
        int iLastRow;
    };
    // A 12 x 10 image at the origin of a 16 x 12 screen.
    const TCase cases[] = {
        {"inside: one row above the area through its bottom edge", 3, 4, 2, 3, 3, 5, 3, 7},
        {"area at the top: rows from 0, two more than its height", 3, 0, 2, 3, 3, 5, 0, 4},
        {"area one row down: starts at row 0", 0, 1, 0, 0, 0, 0, 0, 1},
        {"area over the right edge", 10, 2, 5, 1, 10, 11, 1, 3},
        {"area over the bottom edge", 0, 8, 1, 5, 0, 1, 7, 9},
        {"area left of the image", -3, 2, 4, 1, 0, 1, 1, 3},
        {"area beyond the image", 13, 2, 2, 1, 1, 0, 0, -1},
        {"area below the image", 2, 11, 2, 2, 1, 0, 0, -1},
        {"negative width", 2, 2, -1, 2, 1, 0, 0, -1},
        {"huge area", 0, 0, INT_MAX, INT_MAX, 0, 11, 0, 9},
        {"huge area ending left of the image", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1, 0, 0, -1},
    };
    const std::unique_ptr<CImage> image = Picture(12, 10, -1);
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CMemoryFrameBuffer screen = Screen(16, 12);
        EXPECT_TRUE(image->DrawPart(&screen, 0, 0, test.iAreaX, test.iAreaY, test.iAreaWidth,
                                    test.iAreaHeight));
        ExpectScreen(screen, 0, 0, [&](long long aX, long long aY) {
            return aX >= test.iFirstColumn && aX <= test.iLastColumn && aY >= test.iFirstRow &&
                   aY <= test.iLastRow;
        });
    }
}

TEST(Image, DrawPartAwayFromTheOriginAndWithAKey) {
    // Placed at (2, 1): the area is in screen coordinates, columns and rows counted from it.
    const std::unique_ptr<CImage> image = Picture(6, 5, 255, {{3, 2}});
    CMemoryFrameBuffer screen = Screen(10, 8);
    EXPECT_TRUE(image->DrawPart(&screen, 2, 1, 4, 3, 2, 1));
    ExpectScreen(screen, 2, 1, [](long long aX, long long aY) {
        return aX >= 2 && aX <= 4 && aY >= 1 && aY <= 3 && !(aX == 3 && aY == 2);
    });
}

// A background made for a larger screen shows its top-left part: DrawPart clips to the screen's
// right and bottom edges what Draw would refuse whole. Its top left must lie on the screen.
TEST(Image, DrawPartClipsAPictureLargerThanTheScreen) {
    struct TCase {
        const char* iLegend;
        int iX, iY;  // where the picture's top left is placed
        int iAreaX, iAreaY, iAreaWidth, iAreaHeight;
        bool iResult;
        int iLastColumn, iLastRow;  // of the picture, drawn from column and row 0
    };
    // A 12 x 10 picture on an 8 x 6 screen.
    const TCase cases[] = {
        {"the whole screen as a screen repaints it", 0, 0, 0, 0, 7, 5, true, 7, 5},
        {"an area beyond the screen", 0, 0, 0, 0, 20, 20, true, 7, 5},
        {"placed inside the screen", 3, 2, 3, 2, 20, 20, true, 4, 3},
        {"placed on the last pixel", 7, 5, 0, 0, 20, 20, true, 0, 0},
        {"placed right of the screen", 8, 0, 0, 0, 20, 20, false, -1, -1},
        {"placed below the screen", 0, 6, 0, 0, 20, 20, false, -1, -1},
        {"placed left of the screen", -1, 0, 0, 0, 20, 20, false, -1, -1},
        {"placed above the screen", 0, -1, 0, 0, 20, 20, false, -1, -1},
    };
    const std::unique_ptr<CImage> image = Picture(12, 10, -1);
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CMemoryFrameBuffer screen = Screen(8, 6);
        EXPECT_EQ(image->DrawPart(&screen, test.iX, test.iY, test.iAreaX, test.iAreaY,
                                  test.iAreaWidth, test.iAreaHeight),
                  test.iResult);
        ExpectScreen(screen, test.iX, test.iY, [&](long long aX, long long aY) {
            return aX >= 0 && aX <= test.iLastColumn && aY >= 0 && aY <= test.iLastRow;
        });
    }
    // Wider than the screen and keyed: the key's pixels are left alone there too.
    const std::unique_ptr<CImage> keyed = Picture(12, 4, 255, {{1, 1}});
    CMemoryFrameBuffer screen = Screen(8, 6);
    EXPECT_TRUE(keyed->DrawPart(&screen, 0, 0, 0, 0, 7, 5));
    ExpectScreen(screen, 0, 0, [](long long aX, long long aY) {
        return aX <= 7 && aY <= 3 && !(aX == 1 && aY == 1);
    });
}

// Pixels of the built-in 21 x 21 squares at (column, row), 0 to 20.
std::uint16_t PlainPixel(int aX, int aY) {
    return aX == 0 || aY == 0 || aX == 20 || aY == 20 ? KBlack : KWhite;
}

std::uint16_t CheckPixel(int aX, int aY) {
    return aX == aY || aX + aY == 20 ? KBlack : PlainPixel(aX, aY);
}

// The dot: columns 5 to 16, each shortened at both ends by 4, 2, 1, 1 for its distance 0, 1, 2,
// 3 to the nearer side.
std::uint16_t RadioPixel(int aX, int aY) {
    if (aX >= 5 && aX <= 16) {
        const int distance = std::min(aX - 5, 16 - aX);
        const int inset = distance == 0 ? 4 : distance == 1 ? 2 : distance <= 3 ? 1 : 0;
        if (aY >= 5 + inset && aY <= 16 - inset) {
            return KBlack;
        }
    }
    return PlainPixel(aX, aY);
}

// The built-in stand-ins on a 30 x 30 screen at (4, 5): every pixel of the screen.
TEST(Image, BuiltInImagesPixelByPixel) {
    struct TCase {
        int iKind;
        std::uint16_t (*iPixel)(int, int);
    };
    const TCase cases[] = {{2, PlainPixel},  {6, PlainPixel}, {9, PlainPixel},
                           {11, PlainPixel}, {1, CheckPixel}, {5, RadioPixel}};
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iKind);
        const std::unique_ptr<MImage> image(CreateBuiltInImage(test.iKind));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Width(), 20);
        EXPECT_EQ(image->Height(), 20);
        EXPECT_EQ(image->Depth(), 8);
        CMemoryFrameBuffer screen = Screen(30, 30);
        EXPECT_FALSE(image->DrawPart(&screen, 4, 5, 0, 0, 30, 30));
        EXPECT_TRUE(image->Draw(&screen, 4, 5));
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 30; ++x) {
                const bool inside = x >= 4 && x <= 24 && y >= 5 && y <= 25;
                ASSERT_EQ(screen.Pixel(x, y), inside ? test.iPixel(x - 4, y - 5) : KScreen)
                    << "at " << x << ", " << y;
            }
        }
        // Half off the screen: clipped, nothing written outside the pixels.
        EXPECT_TRUE(image->Draw(&screen, 20, -10));
        EXPECT_TRUE(screen.GuardsIntact());
    }
    for (int kind : {-1, 0, 3, 4, 7, 8, 10, 12, 13}) {
        EXPECT_EQ(CreateBuiltInImage(kind), nullptr) << kind;
    }
}

TEST(Image, CreateImageFromAFile) {
    const std::string path = std::string(FIXTRAIL_SOURCE_DIR) + "/tests/ui/data/rgb24.bmp";
    // Row 2 ends in pure red and in (250, 2, 5): both are the key.
    const std::unique_ptr<MImage> keyed(CreateImage(open(path.c_str(), O_RDONLY), 255, 0, 0));
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->Width(), 5);
    CMemoryFrameBuffer screen = Screen(5, 3);
    ASSERT_TRUE(keyed->Draw(&screen, 0, 0));
    EXPECT_EQ(screen.Pixel(0, 0), KScreen);  // pure red in row 0 is the key too
    EXPECT_EQ(screen.Pixel(3, 2), KScreen);
    EXPECT_EQ(screen.Pixel(4, 2), KScreen);
    EXPECT_EQ(screen.Pixel(1, 0), 0x07E0);
    EXPECT_EQ(screen.Pixel(1, 1), Rgb565(200, 100, 50));

    EXPECT_EQ(CreateImage(-1, -1, 0, 0), nullptr);
    // A file that is not a BMP: null, and its descriptor is closed.
    const int descriptor =
        open((std::string(FIXTRAIL_SOURCE_DIR) + "/CMakeLists.txt").c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(CreateImage(descriptor, -1, 0, 0), nullptr);
    EXPECT_EQ(fcntl(descriptor, F_GETFD), -1);
}

}  // namespace

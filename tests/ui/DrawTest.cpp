#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/MarkedFrameBuffer.h"
#include "ui/Colors.h"
#include "ui/Draw.h"

namespace {

// Distinct bytes, so a pixel written by halves or with its bytes swapped shows.
constexpr std::uint16_t KInk = 0x5AC3;
constexpr std::uint8_t KPaperByte = 0x11;
constexpr std::uint16_t KPaper = 0x1111;

// Memory layouts a frame buffer may report. Only the device's column layout can take two
// pixels per store; the others must come out the same through single stores. All but the last
// also describe themselves as strides; the last is the device layout asked pixel by pixel.
enum class TLayout { Column, RowMajor, ColumnTopFirst, ColumnOffByOnePixel, ColumnOffsetsOnly };

const char* LayoutName(TLayout aLayout) {
    switch (aLayout) {
        case TLayout::Column:
            return "column layout";
        case TLayout::RowMajor:
            return "row-major";
        case TLayout::ColumnTopFirst:
            return "columns with y upwards in memory";
        case TLayout::ColumnOffByOnePixel:
            return "column layout two bytes in (pairs unaligned)";
        case TLayout::ColumnOffsetsOnly:
            return "column layout, offsets only";
    }
    return "";
}

constexpr TLayout KLayouts[] = {TLayout::Column, TLayout::RowMajor, TLayout::ColumnTopFirst,
                                TLayout::ColumnOffByOnePixel, TLayout::ColumnOffsetsOnly};

// A logical aWidth × aHeight screen in a larger guarded memory, in one of the layouts above.
class CLayoutFrameBuffer : public CMarkedFrameBuffer {
  public:
    CLayoutFrameBuffer(int aWidth, int aHeight, TLayout aLayout)
        : CMarkedFrameBuffer(aWidth, aHeight + 2),
          iScreenWidth(aWidth),
          iScreenHeight(aHeight),
          iLayout(aLayout) {}

    int GetWidth() override { return iScreenWidth; }
    int GetHeight() override { return iScreenHeight; }
    int GetPixelOffset(int aX, int aY) override {
        switch (iLayout) {
            case TLayout::Column:
            case TLayout::ColumnOffsetsOnly:
                break;
            case TLayout::RowMajor:
                return 2 * (aY * iScreenWidth + aX);
            case TLayout::ColumnTopFirst:
                return 2 * (aX * iScreenHeight + aY);
            case TLayout::ColumnOffByOnePixel:
                return 2 + ColumnLayoutOffset(aX, aY, iScreenHeight, 2);
        }
        return ColumnLayoutOffset(aX, aY, iScreenHeight, 2);
    }
    bool GetPixelLayout(TPixelLayout* aLayout) override {
        *aLayout = ColumnLayout(iScreenHeight, 2);
        switch (iLayout) {
            case TLayout::Column:
                break;
            case TLayout::RowMajor:
                *aLayout = {0, 2, 2 * iScreenWidth};
                break;
            case TLayout::ColumnTopFirst:
                *aLayout = {0, 2 * iScreenHeight, 2};
                break;
            case TLayout::ColumnOffByOnePixel:
                aLayout->iOrigin += 2;
                break;
            case TLayout::ColumnOffsetsOnly:
                return false;
        }
        return true;
    }

  private:
    int iScreenWidth;
    int iScreenHeight;
    TLayout iLayout;
};

// The exact size with the plain in-memory frame buffer for the device layout, so its guards
// sit right against the pixels.
std::unique_ptr<CMarkedFrameBuffer> MakeFrameBuffer(int aWidth, int aHeight, TLayout aLayout) {
    std::unique_ptr<CMarkedFrameBuffer> frameBuffer;
    if (aLayout == TLayout::Column) {
        frameBuffer = std::make_unique<CMarkedFrameBuffer>(aWidth, aHeight);
    } else {
        frameBuffer = std::make_unique<CLayoutFrameBuffer>(aWidth, aHeight, aLayout);
    }
    frameBuffer->Fill(KPaperByte);
    return frameBuffer;
}

using TPicture = std::vector<std::string>;  // top row first; '#' ink, '.' paper

std::string Render(CMemoryFrameBuffer& aFrameBuffer) {
    std::string text;
    for (int y = 0; y < aFrameBuffer.GetHeight(); ++y) {
        text += "\n  ";
        for (int x = 0; x < aFrameBuffer.GetWidth(); ++x) {
            const std::uint16_t pixel = aFrameBuffer.Pixel(x, y);
            text += pixel == KInk ? '#' : pixel == KPaper ? '.' : '?';
        }
    }
    return text;
}

// Every pixel as pictured, and not one byte written outside the screen's pixels.
::testing::AssertionResult Shows(CMemoryFrameBuffer& aFrameBuffer, const TPicture& aPicture) {
    const int width = aFrameBuffer.GetWidth();
    const int height = aFrameBuffer.GetHeight();
    std::string expected;
    for (const std::string& row : aPicture) {
        expected += "\n  " + row;
    }
    const std::string actual = Render(aFrameBuffer);
    if (static_cast<int>(aPicture.size()) != height || actual != expected) {
        return ::testing::AssertionFailure() << "expected" << expected << "\ndrawn" << actual;
    }
    std::vector<bool> isPixel(aFrameBuffer.Size(), false);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            const int offset = aFrameBuffer.GetPixelOffset(x, y);
            isPixel[offset] = isPixel[offset + 1] = true;
        }
    }
    for (std::size_t i = 0; i < isPixel.size(); ++i) {
        if (!isPixel[i] && aFrameBuffer.Pixels()[i] != KPaperByte) {
            return ::testing::AssertionFailure() << "byte " << i << " outside the screen written";
        }
    }
    if (!aFrameBuffer.GuardsIntact()) {
        return ::testing::AssertionFailure() << "write outside the pixel memory";
    }
    return ::testing::AssertionSuccess();
}

// One primitive call; the test tables list them as data.
struct TDraw {
    enum TKind { EHLine, EVLine, ELine, ERect, EFill } iKind;
    int iArgs[4];
    std::uint32_t iColor;
    int iCorner;
};

TDraw HLine(int aX0, int aY, int aX1, std::uint32_t aColor = KInk) {
    return {TDraw::EHLine, {aX0, aY, aX1, 0}, aColor, 0};
}
TDraw VLine(int aX, int aY0, int aY1, std::uint32_t aColor = KInk) {
    return {TDraw::EVLine, {aX, aY0, aY1, 0}, aColor, 0};
}
TDraw Line(int aX0, int aY0, int aX1, int aY1) {
    return {TDraw::ELine, {aX0, aY0, aX1, aY1}, KInk, 0};
}
TDraw Rect(int aX0, int aY0, int aX1, int aY1) {
    return {TDraw::ERect, {aX0, aY0, aX1, aY1}, KInk, 0};
}
TDraw Fill(int aX0, int aY0, int aX1, int aY1, int aCorner, std::uint32_t aColor = KInk) {
    return {TDraw::EFill, {aX0, aY0, aX1, aY1}, aColor, aCorner};
}

void Apply(MFrameBuffer* aFrameBuffer, const TDraw& aDraw) {
    const int* a = aDraw.iArgs;
    switch (aDraw.iKind) {
        case TDraw::EHLine:
            DrawHLine(aFrameBuffer, a[0], a[1], a[2], aDraw.iColor);
            break;
        case TDraw::EVLine:
            DrawVLine(aFrameBuffer, a[0], a[1], a[2], aDraw.iColor);
            break;
        case TDraw::ELine:
            DrawLine(aFrameBuffer, a[0], a[1], a[2], a[3], aDraw.iColor);
            break;
        case TDraw::ERect:
            DrawRect(aFrameBuffer, a[0], a[1], a[2], a[3], aDraw.iColor);
            break;
        case TDraw::EFill:
            FillRect(aFrameBuffer, a[0], a[1], a[2], a[3], aDraw.iColor, aDraw.iCorner);
            break;
    }
}

struct TDrawCase {
    const char* iLegend;
    int iWidth;
    int iHeight;
    std::vector<TDraw> iDraws;
    TPicture iPicture;
};

void RunCases(const std::vector<TDrawCase>& aCases) {
    for (const TDrawCase& drawCase : aCases) {
        for (TLayout layout : KLayouts) {
            SCOPED_TRACE(std::string(drawCase.iLegend) + ", " + LayoutName(layout));
            auto frameBuffer = MakeFrameBuffer(drawCase.iWidth, drawCase.iHeight, layout);
            for (const TDraw& draw : drawCase.iDraws) {
                frameBuffer->BeginCall();
                Apply(frameBuffer.get(), draw);
                EXPECT_TRUE(frameBuffer->MarksCoverChanges());
            }
            EXPECT_TRUE(Shows(*frameBuffer, drawCase.iPicture));
        }
    }
}

TEST(Draw, VerticalRunsWriteExactlyTheirPixels) {
    const TPicture blank(6, "...");
    const TPicture rows1To5 = {"...", ".#.", ".#.", ".#.", ".#.", ".#."};
    RunCases({
        {"one pixel at odd y", 3, 6, {VLine(1, 3, 3)}, {"...", "...", "...", ".#.", "...", "..."}},
        {"one pixel at even y", 3, 6, {VLine(1, 2, 2)}, {"...", "...", ".#.", "...", "...", "..."}},
        {"two from odd y", 3, 6, {VLine(1, 1, 2)}, {"...", ".#.", ".#.", "...", "...", "..."}},
        {"two from even y", 3, 6, {VLine(1, 2, 3)}, {"...", "...", ".#.", ".#.", "...", "..."}},
        {"odd start, odd end", 3, 6, {VLine(1, 1, 5)}, rows1To5},
        {"even start, even end",
         3,
         6,
         {VLine(0, 0, 4)},
         {"#..", "#..", "#..", "#..", "#..", "..."}},
        {"whole last column", 3, 6, {VLine(2, 0, 5)}, TPicture(6, "..#")},
        {"end beyond the bottom edge stops at it", 3, 6, {VLine(1, 1, 100)}, rows1To5},
        {"negative end counts as beyond the bottom edge",
         3,
         6,
         {VLine(1, 4, -1)},
         {"...", "...", "...", "...", ".#.", ".#."}},
        {"start beyond end", 3, 6, {VLine(1, 4, 2)}, blank},
        {"negative start draws nothing", 3, 6, {VLine(1, -1, 3)}, blank},
        {"start on the height draws nothing", 3, 6, {VLine(1, 6, 9)}, blank},
        {"column beyond either side",
         3,
         6,
         {VLine(3, 0, 5), VLine(-1, 0, 5), VLine(INT_MIN, 0, 5)},
         blank},
        {"colour bits above 15 ignored", 3, 6, {VLine(1, 1, 5, 0xBEEF0000u | KInk)}, rows1To5},
        // With an odd height the pair words of alternate columns are unaligned.
        {"odd height, whole first column", 3, 7, {VLine(0, 0, 6)}, TPicture(7, "#..")},
        {"odd height, whole second column", 3, 7, {VLine(1, 0, 6)}, TPicture(7, ".#.")},
        // Clamped only to the height, these runs would end in a pair whose second pixel is the
        // top of the column before, or in front of the pixel memory.
        {"odd height, even start, end clamped",
         3,
         7,
         {VLine(1, 2, 50), VLine(0, 4, 50)},
         {"...", "...", ".#.", ".#.", "##.", "##.", "##."}},
        {"one-pixel screen", 1, 1, {VLine(0, 0, 5)}, {"#"}},
    });
}

TEST(Draw, HorizontalRunsClipAtTheRightEdgeOnly) {
    const TPicture blank(3, ".....");
    RunCases({
        {"run inside", 5, 3, {HLine(1, 1, 3)}, {".....", ".###.", "....."}},
        {"end beyond the right edge stops at it",
         5,
         3,
         {HLine(2, 1, 100)},
         {".....", "..###", "....."}},
        {"negative end counts as beyond the right edge",
         5,
         3,
         {HLine(2, 2, -1)},
         {".....", ".....", "..###"}},
        {"negative start draws nothing", 5, 3, {HLine(-1, 1, 3)}, blank},
        {"start beyond end", 5, 3, {HLine(3, 1, 1)}, blank},
        {"start on the width", 5, 3, {HLine(5, 1, 9)}, blank},
        {"row beyond the top or bottom", 5, 3, {HLine(0, 3, 4), HLine(0, -1, 4)}, blank},
        {"colour bits above 15 ignored",
         5,
         3,
         {HLine(0, 0, 4, 0xFFFF0000u | KInk)},
         {"#####", ".....", "....."}},
        {"one-pixel screen", 1, 1, {HLine(0, 0, 5)}, {"#"}},
    });
}

TEST(Draw, LinesFollowBresenhamInEitherDirection) {
    const TPicture shallow = {"#....", ".##..", "...##", "....."};
    const TPicture steep = {"#..", "#..", ".#.", ".#.", "..#", "..#"};
    RunCases({
        {"(0,0)-(4,2)", 5, 4, {Line(0, 0, 4, 2)}, shallow},
        {"(4,2)-(0,0)", 5, 4, {Line(4, 2, 0, 0)}, shallow},
        {"y steps up from the larger y",
         5,
         4,
         {Line(4, 0, 0, 2)},
         {"...##", ".##..", "#....", "....."}},
        {"y-major (0,0)-(2,5)", 3, 6, {Line(0, 0, 2, 5)}, steep},
        {"y-major (2,5)-(0,0)", 3, 6, {Line(2, 5, 0, 0)}, steep},
        {"y-major, x steps left from the larger x",
         3,
         6,
         {Line(0, 5, 2, 0)},
         {"..#", "..#", ".#.", ".#.", "#..", "#.."}},
        {"diagonal through negative coordinates",
         5,
         4,
         {Line(-2, -2, 6, 6)},
         {"#....", ".#...", "..#..", "...#."}},
        {"one point", 5, 4, {Line(2, 1, 2, 1)}, {".....", "..#..", ".....", "....."}},
        // Only a few steps of these are on screen: the walk must neither start at the far end
        // nor go on to it (2^31 steps each).
        {"far end on the right",
         5,
         4,
         {Line(0, 1, INT_MAX, 2)},
         {".....", "#####", ".....", "....."}},
        {"far end below", 5, 4, {Line(4, 0, 3, INT_MAX)}, TPicture(4, "....#")},
        {"far end above, x-major",
         5,
         4,
         {Line(0, 2, INT_MAX, 11 - INT_MAX)},
         {"..#..", ".#...", "#....", "....."}},
        {"far end above, y-major", 5, 4, {Line(2, 3, 3, INT_MIN)}, TPicture(4, "..#..")},
        {"far end on the left",
         5,
         4,
         {Line(INT_MIN, 3, 4, 3)},
         {".....", ".....", ".....", "#####"}},
        {"one-pixel screen", 1, 1, {Line(0, 0, 3, 3)}, {"#"}},
    });
}

// The line rule step by step over the whole line, every pixel clipped: what DrawLine, which
// starts and stops at the screen's edges, must match.
void ReferenceLine(CMemoryFrameBuffer& aFrameBuffer, int aX0, int aY0, int aX1, int aY1) {
    auto plot = [&](int aX, int aY) {
        if (aX >= 0 && aY >= 0 && aX < aFrameBuffer.GetWidth() && aY < aFrameBuffer.GetHeight()) {
            aFrameBuffer.SetPixel(aX, aY, KInk);
        }
    };
    const bool yMajor = std::abs(aX0 - aX1) < std::abs(aY0 - aY1);
    int major = yMajor ? aY0 : aX0;
    int minor = yMajor ? aX0 : aY0;
    int majorEnd = yMajor ? aY1 : aX1;
    int minorEnd = yMajor ? aX1 : aY1;
    if (major > majorEnd) {
        std::swap(major, majorEnd);
        std::swap(minor, minorEnd);
    }
    const int dMajor = majorEnd - major;
    const int dMinor = std::abs(minorEnd - minor);
    const int step = minor > minorEnd ? -1 : 1;
    int error = 2 * dMinor - dMajor;
    yMajor ? plot(minor, major) : plot(major, minor);
    while (major < majorEnd) {
        if (error >= 0) {
            error += 2 * (dMinor - dMajor);
            minor += step;
        } else {
            error += 2 * dMinor;
        }
        ++major;
        yMajor ? plot(minor, major) : plot(major, minor);
    }
}

TEST(Draw, LinesFromOffScreenMatchTheWholeWalk) {
    const int coordinates[] = {-23, -11, -7, -4, -1, 0, 1, 2, 3, 5, 6, 8, 12, 30};
    for (int x0 : coordinates) {
        for (int y0 : coordinates) {
            for (int x1 : coordinates) {
                for (int y1 : coordinates) {
                    CMemoryFrameBuffer drawn(7, 5);
                    CMemoryFrameBuffer expected(7, 5);
                    DrawLine(&drawn, x0, y0, x1, y1, KInk);
                    ReferenceLine(expected, x0, y0, x1, y1);
                    ASSERT_EQ(Render(drawn), Render(expected))
                        << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ")";
                }
            }
        }
    }
}

TEST(Draw, RectangleOutlinesTakeCornersInAnyOrder) {
    const TPicture outline = {"#####", "#...#", "#...#", "#####"};
    RunCases({
        {"top-left, bottom-right", 5, 4, {Rect(0, 0, 4, 3)}, outline},
        {"bottom-right, top-left", 5, 4, {Rect(4, 3, 0, 0)}, outline},
        {"top-right, bottom-left", 5, 4, {Rect(4, 0, 0, 3)}, outline},
        {"beyond the right and bottom edges",
         5,
         4,
         {Rect(2, 1, 9, 9)},
         {".....", "..###", "..#..", "..#.."}},
        // A negative left side drops both horizontal runs and the left column.
        {"negative left side", 5, 4, {Rect(-1, 1, 3, 2)}, {".....", "...#.", "...#.", "....."}},
        {"negative top side", 5, 4, {Rect(1, -1, 3, 2)}, {".....", ".....", ".###.", "....."}},
        {"one-pixel screen", 1, 1, {Rect(0, 0, 0, 0)}, {"#"}},
    });
}

TEST(Draw, FilledRectanglesCutTheirCornersByMode) {
    const TPicture mode1 = {".#######.", "#########", "#########", "#########", "#########",
                            "#########", "#########", "#########", ".#######."};
    RunCases({
        {"corner 0", 9, 9, {Fill(0, 0, 8, 8, 0)}, TPicture(9, "#########")},
        {"corner 1", 9, 9, {Fill(0, 0, 8, 8, 1)}, mode1},
        {"corner 2",
         9,
         9,
         {Fill(0, 0, 8, 8, 2)},
         {"..#####..", ".#######.", "#########", "#########", "#########", "#########", "#########",
          ".#######.", "..#####.."}},
        {"corner 3",
         9,
         9,
         {Fill(0, 0, 8, 8, 3)},
         {"...###...", "..#####..", ".#######.", "#########", "#########", "#########", ".#######.",
          "..#####..", "...###..."}},
        {"corner 4",
         9,
         9,
         {Fill(0, 0, 8, 8, 4)},
         {"....#....", "..#####..", ".#######.", ".#######.", "#########", ".#######.", ".#######.",
          "..#####..", "....#...."}},
        {"corner 5 acts as 1", 9, 9, {Fill(0, 0, 8, 8, 5)}, mode1},
        {"corner -1 acts as 1", 9, 9, {Fill(0, 0, 8, 8, -1)}, mode1},
        {"corner INT_MIN acts as 1", 9, 9, {Fill(0, 0, 8, 8, INT_MIN)}, mode1},
    });
}

TEST(Draw, FilledRectanglesClipAndSkipEmptyColumns) {
    RunCases({
        {"corner 4, three columns wide",
         3,
         7,
         {Fill(0, 0, 2, 6, 4)},
         {"...", "...", ".#.", ".#.", ".#.", "...", "..."}},
        // The outer columns' bottoms come out negative; they must not fill to the bottom edge.
        {"corner 4, too short for any column", 3, 7, {Fill(0, 0, 2, 2, 4)}, TPicture(7, "...")},
        {"start column beyond end column", 3, 3, {Fill(2, 0, 1, 2, 0)}, TPicture(3, "...")},
        {"beyond the left and bottom edges",
         5,
         4,
         {Fill(-2, 1, 2, 9, 0)},
         {".....", "###..", "###..", "###.."}},
        {"beyond the right edge",
         5,
         4,
         {Fill(3, 1, INT_MAX, 2, 0)},
         {".....", "...##", "...##", "....."}},
        {"above the top edge draws nothing", 5, 4, {Fill(0, -1, 4, 2, 0)}, TPicture(4, ".....")},
        // Distances count from the rectangle's sides, not the screen's: column 0 is the
        // rectangle's second.
        {"corner 4 with the left side off screen",
         5,
         9,
         {Fill(-1, 0, 3, 8, 4)},
         {".....", ".#...", "###..", "###..", "####.", "###..", "###..", ".#...", "....."}},
        {"whole columns at odd height",
         4,
         7,
         {Fill(0, 0, 3, 6, 0, 0xABCD0000u | KInk)},
         TPicture(7, "####")},
        {"one-pixel screen", 1, 1, {Fill(0, 0, 5, 5, 0)}, {"#"}},
    });
}

TEST(Draw, NothingIsWrittenWithoutAUsableFrameBuffer) {
    CMemoryFrameBuffer unmapped(4, 4);
    unmapped.Fill(KPaperByte);
    unmapped.SetMapped(false);
    CMemoryFrameBuffer eightBit(4, 4, 8);
    eightBit.Fill(KPaperByte);
    CMemoryFrameBuffer empty(0, 4);
    CLayoutFrameBuffer negative(-4, -4, TLayout::Column);
    for (MFrameBuffer* frameBuffer :
         std::vector<MFrameBuffer*>{nullptr, &unmapped, &eightBit, &empty, &negative}) {
        DrawHLine(frameBuffer, 0, 0, 3, KInk);
        DrawVLine(frameBuffer, 3, 0, 3, KInk);
        DrawLine(frameBuffer, 0, 0, 3, 3, KInk);
        DrawRect(frameBuffer, 0, 0, 3, 3, KInk);
        FillRect(frameBuffer, 0, 0, 3, 3, KInk, 0);
    }
    for (CMemoryFrameBuffer* frameBuffer : {&unmapped, &eightBit}) {
        for (std::size_t i = 0; i < frameBuffer->Size(); ++i) {
            ASSERT_EQ(frameBuffer->Pixels()[i], KPaperByte) << "byte " << i;
        }
        EXPECT_TRUE(frameBuffer->GuardsIntact());
    }
}

// The device layout's pixel offsets, counted.
class CCountingFrameBuffer : public CMemoryFrameBuffer {
  public:
    using CMemoryFrameBuffer::CMemoryFrameBuffer;
    int GetPixelOffset(int aX, int aY) override {
        ++iOffsetCalls;
        return CMemoryFrameBuffer::GetPixelOffset(aX, aY);
    }
    int iOffsetCalls = 0;
};

TEST(Draw, VerticalRunAsksForAFewAddressesNotOnePerPixel) {
    CCountingFrameBuffer frameBuffer(2, 240);
    DrawVLine(&frameBuffer, 1, 1, 238, KInk);
    EXPECT_LE(frameBuffer.iOffsetCalls, 4);
    FillRect(&frameBuffer, 0, 0, 1, 239, KInk, 0);
    EXPECT_LE(frameBuffer.iOffsetCalls, 12);
    for (int y = 0; y < 240; ++y) {
        ASSERT_EQ(frameBuffer.Pixel(0, y), KInk) << y;
        ASSERT_EQ(frameBuffer.Pixel(1, y), KInk) << y;
    }
}

// Each RGB 565 value is its 8-bit components cut to 5, 6 and 5 bits: a mistyped digit in one
// of the constants breaks the pair.
TEST(Colors, NamedValuesMatchTheirEightBitComponents) {
    struct TNamed {
        const char* iName;
        std::uint32_t iValue;
        int iRed, iGreen, iBlue;
    };
    const TNamed colors[] = {
        {"Black", KColorBlack, 0, 0, 0},
        {"White", KColorWhite, 255, 255, 255},
        {"LightGray", KColorLightGray, 198, 198, 198},
        {"Gray", KColorGray, 132, 130, 132},
        {"Yellow", KColorYellow, 255, 255, 0},
        {"LightBlue", KColorLightBlue, 198, 198, 255},
        {"MidBlue", KColorMidBlue, 132, 130, 255},
        {"LightCyan", KColorLightCyan, 66, 255, 255},
        {"Red", KColorRed, 255, 0, 0},
        {"Green", KColorGreen, 0, 255, 0},
        {"Olive", KColorOlive, 132, 130, 0},
        {"LightGreen", KColorLightGreen, 66, 255, 66},
        {"Blue", KColorBlue, 0, 0, 255},
        {"Magenta", KColorMagenta, 255, 0, 255},
        {"Purple", KColorPurple, 132, 0, 132},
        {"Pink", KColorPink, 255, 130, 132},
    };
    for (const TNamed& color : colors) {
        SCOPED_TRACE(color.iName);
        const int packed = (color.iRed >> 3) << 11 | (color.iGreen >> 2) << 5 | color.iBlue >> 3;
        EXPECT_EQ(color.iValue, static_cast<std::uint32_t>(packed));
    }
}

}  // namespace

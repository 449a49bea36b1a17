#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/MarkedFrameBuffer.h"
#include "support/MemoryFrameBuffer.h"
#include "ui/CourierFont.h"

namespace {

constexpr std::uint16_t KInk = 0x07E0;

// Rows of '#' (the ink colour) and '.' (anything else) for the area aWidth x aHeight at (aX, aY).
std::vector<std::string> Picture(CMemoryFrameBuffer& aFb, int aX, int aY, int aWidth, int aHeight) {
    std::vector<std::string> rows;
    for (int y = aY; y < aY + aHeight; ++y) {
        std::string row;
        for (int x = aX; x < aX + aWidth; ++x) {
            row += aFb.Pixel(x, y) == KInk ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

int InkCount(CMemoryFrameBuffer& aFb) {
    int count = 0;
    for (int y = 0; y < aFb.GetHeight(); ++y) {
        for (int x = 0; x < aFb.GetWidth(); ++x) {
            count += aFb.Pixel(x, y) == KInk ? 1 : 0;
        }
    }
    return count;
}

// Each pixel of the picture as an aScale x aScale block.
std::vector<std::string> Enlarged(const std::vector<std::string>& aRows, int aScale) {
    std::vector<std::string> rows;
    for (const std::string& row : aRows) {
        std::string wide;
        for (char pixel : row) {
            wide += std::string(aScale, pixel);
        }
        for (int i = 0; i < aScale; ++i) {
            rows.push_back(wide);
        }
    }
    return rows;
}

struct TGlyphCase {
    int iChar;
    std::vector<std::string> iRows;
};

const TGlyphCase KGlyphCases[] = {
    {'A', {".###.", "#...#", "#...#", "#...#", "#####", "#...#", "#...#", "....."}},
    {'g', {".....", ".####", "#...#", "#...#", ".####", "....#", ".###.", "....."}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###.", "....."}},
    {'~', {".....", ".....", ".....", ".##.#", "#..#.", ".....", ".....", "....."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#..", "....."}},
};

TEST(CourierFont, DrawsGlyphsOfTheTableAtScaleOneAndTwo) {
    for (const TGlyphCase& glyph : KGlyphCases) {
        for (int scale : {1, 2}) {
            SCOPED_TRACE(std::string("char ") + static_cast<char>(glyph.iChar) + " scale " +
                         std::to_string(scale));
            CMemoryFrameBuffer fb(32, 24);
            CCourierFont font(scale);
            ASSERT_TRUE(font.DrawChar(&fb, glyph.iChar, 3, 2, KInk));
            EXPECT_EQ(Picture(fb, 3, 2, 5 * scale, 8 * scale), Enlarged(glyph.iRows, scale));
            // No ink outside the glyph's box.
            int inBox = 0;
            for (const std::string& row : Enlarged(glyph.iRows, scale)) {
                for (char pixel : row) {
                    inBox += pixel == '#' ? 1 : 0;
                }
            }
            EXPECT_EQ(InkCount(fb), inBox);
            EXPECT_TRUE(fb.GuardsIntact());
        }
    }
}

TEST(CourierFont, EveryGlyphLeavesItsBottomRowEmpty) {
    for (int code = CCourierFont::KFirstCode; code <= CCourierFont::KLastCode; ++code) {
        for (std::uint8_t column : CCourierFont::KGlyphs[code - CCourierFont::KFirstCode]) {
            EXPECT_EQ(column & 0x80, 0) << "code " << code;
        }
    }
}

TEST(CourierFont, TwoLettersAtScaleTwoSitElevenPixelsApart) {
    CMemoryFrameBuffer fb(40, 20);
    CCourierFont font(2);
    EXPECT_EQ(font.TextWidth("AB"), 22);
    EXPECT_EQ(font.TextHeight("AB"), 16);
    ASSERT_TRUE(font.DrawText(&fb, "AB", 1, 1, KInk));
    // 'B' opens with a full column (0x7F): rows 0 to 13 of screen columns 12 and 13.
    for (int y = 1; y < 15; ++y) {
        EXPECT_EQ(fb.Pixel(12, y), KInk) << y;
        EXPECT_EQ(fb.Pixel(13, y), KInk) << y;
    }
    // The gap column between them and the last column of 'A' at scale 2 (x = 1 + 10).
    for (int y = 0; y < 20; ++y) {
        EXPECT_NE(fb.Pixel(11, y), KInk) << y;
    }
}

TEST(CourierFont, WritesTheLowHalfOfTheColour) {
    CMemoryFrameBuffer fb(16, 16);
    fb.Fill(0);
    CCourierFont font(1);
    ASSERT_TRUE(font.DrawChar(&fb, '!', 0, 0, 0xABCD0000u | KInk));
    EXPECT_EQ(fb.Pixel(2, 0), KInk);
    EXPECT_EQ(fb.Pixel(0, 0), 0);
}

TEST(CourierFont, RefusesCharactersThatDoNotFitEntirely) {
    // A 20 x 16 screen and 5 x 8 glyphs.
    struct TCase {
        const char* iLegend;
        int iX;
        int iY;
        bool iDrawn;
    };
    const TCase cases[] = {
        {"inside", 0, 0, true},
        {"last column that fits", 20 - 5 - 1, 0, true},
        {"would end on the last column", 20 - 5, 0, false},
        {"last row that fits", 0, 16 - 8 - 1, true},
        {"would end on the last row", 0, 16 - 8, false},
        {"beyond the right edge", 100, 0, false},
        {"left of the screen", -1, 0, false},
        {"above the screen", 0, -1, false},
        {"far negative", INT_MIN, INT_MIN, false},
        {"far positive", INT_MAX, INT_MAX, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CMarkedFrameBuffer fb(20, 16);
        CCourierFont font(1);
        fb.BeginCall();
        EXPECT_EQ(font.DrawChar(&fb, 'A', c.iX, c.iY, KInk), c.iDrawn);
        EXPECT_TRUE(fb.MarksCoverChanges());
        EXPECT_EQ(InkCount(fb) > 0, c.iDrawn);
        EXPECT_TRUE(fb.GuardsIntact());
    }
}

TEST(CourierFont, TextStopsAtTheFirstCharacterThatDoesNotFit) {
    CMemoryFrameBuffer fb(20, 10);
    CCourierFont font(1);
    // From x = 3 the characters start at 3, 9 and 15; 15 + 5 is not below 20.
    EXPECT_FALSE(font.DrawText(&fb, "!!!", 3, 0, KInk));
    EXPECT_EQ(InkCount(fb), 2 * 6);  // '!' has six pixels
    EXPECT_EQ(fb.Pixel(5, 0), KInk);
    EXPECT_EQ(fb.Pixel(11, 0), KInk);
    EXPECT_NE(fb.Pixel(17, 0), KInk);
    EXPECT_TRUE(fb.GuardsIntact());

    EXPECT_TRUE(font.DrawText(&fb, "", 2, 0, KInk));
    EXPECT_FALSE(font.DrawText(&fb, static_cast<const char*>(nullptr), 2, 0, KInk));
}

TEST(CourierFont, CodesOutsideTheTableDrawAsSpaces) {
    const int codes[] = {0x1F, 0x7F, 0x80, 0xFF, -1, 0x10000, INT_MIN, INT_MAX};
    for (int code : codes) {
        SCOPED_TRACE(code);
        CMemoryFrameBuffer fb(16, 16);
        CCourierFont font(1);
        EXPECT_TRUE(font.DrawChar(&fb, code, 1, 1, KInk));
        EXPECT_EQ(InkCount(fb), 0);
        EXPECT_EQ(font.CharWidth(code), 5);
    }
    // Bytes above 0x7F in byte text are codes 0x80 to 0xFF, not negative ones.
    CMemoryFrameBuffer fb(32, 16);
    CCourierFont font(1);
    EXPECT_TRUE(font.DrawText(&fb, "\xE9\xFF", 0, 0, KInk));
    EXPECT_EQ(InkCount(fb), 0);
}

TEST(CourierFont, WideTextDrawsLikeByteText) {
    const TWideChar wide[] = {'H', 'i', 0x20AC, 0x1F600, 0xFFFFFFFFu, '!', 0};
    const char bytes[] = "Hi   !";
    CMemoryFrameBuffer fromWide(64, 16);
    CMemoryFrameBuffer fromBytes(64, 16);
    CCourierFont font(1);
    EXPECT_TRUE(font.DrawText(&fromWide, wide, 1, 2, KInk));
    EXPECT_TRUE(font.DrawText(&fromBytes, bytes, 1, 2, KInk));
    EXPECT_EQ(Picture(fromWide, 0, 0, 64, 16), Picture(fromBytes, 0, 0, 64, 16));
    EXPECT_EQ(font.TextWidth(wide), 6 * 6);
    EXPECT_EQ(font.TextHeight(wide), 8);
}

TEST(CourierFont, MetricsFollowTheScale) {
    for (int scale : {1, 2, 3, 23}) {
        SCOPED_TRACE(scale);
        CCourierFont font(scale);
        EXPECT_EQ(font.CharHeight('A'), 8 * scale);
        EXPECT_EQ(font.CharWidth('A'), 5 * scale);
        EXPECT_EQ(font.TextHeight(""), 8 * scale);
        EXPECT_EQ(font.TextHeight("Ag"), 8 * scale);
        EXPECT_EQ(font.TextWidth(""), 0);
        EXPECT_EQ(font.TextWidth("abc"), 3 * (5 * scale + 1));
        EXPECT_EQ(font.TextWidth(static_cast<const char*>(nullptr)), 0);
        EXPECT_EQ(font.GetMetric(EFontLineHeight), 8 * scale);
        EXPECT_EQ(font.GetMetric(EFontMaxAdvance), 5 * scale + 2);
        EXPECT_EQ(font.GetMetric(EFontAscent), 8 * scale);
        EXPECT_EQ(font.GetMetric(EFontDescent), 0);
        for (int kind : {-1, 4, 1000, INT_MIN}) {
            EXPECT_EQ(font.GetMetric(kind), 0) << "kind " << kind;
        }
    }
}

TEST(CourierFont, DrawsNothingIntoAFrameBufferItCannotUse) {
    CCourierFont font(1);
    CMemoryFrameBuffer unmapped(16, 16);
    unmapped.SetMapped(false);
    EXPECT_FALSE(font.DrawChar(&unmapped, 'A', 0, 0, KInk));
    EXPECT_FALSE(font.DrawText(&unmapped, "A", 0, 0, KInk));
    // Its pixels are 8 bits: 16-bit stores would run past them.
    CMemoryFrameBuffer shallow(16, 16, 8);
    EXPECT_FALSE(font.DrawChar(&shallow, 'A', 0, 0, KInk));
    EXPECT_TRUE(shallow.GuardsIntact());
    EXPECT_FALSE(font.DrawChar(nullptr, 'A', 0, 0, KInk));
    // A screen smaller than one glyph takes none.
    CMemoryFrameBuffer tiny(4, 4);
    EXPECT_FALSE(font.DrawChar(&tiny, 'A', 0, 0, KInk));
    EXPECT_TRUE(tiny.GuardsIntact());
}

TEST(FixedFontManager, KeepsOneFontPerScaleWithinItsTable) {
    FixedFontManager manager;
    CCourierFont* two = manager.GetFont(2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->Scale(), 2u);
    EXPECT_EQ(manager.GetFont(2), two);
    EXPECT_NE(manager.GetFont(3), two);

    struct TCase {
        int iAsked;
        std::uint32_t iGiven;
    };
    const TCase cases[] = {{1, 1},        {23, 23}, {24, 23}, {1000, 23},
                           {INT_MAX, 23}, {0, 1},   {-1, 1},  {INT_MIN, 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iAsked);
        CCourierFont* font = manager.GetFont(c.iAsked);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->Scale(), c.iGiven);
        EXPECT_EQ(font, manager.GetFont(static_cast<int>(c.iGiven)));
    }
    EXPECT_EQ(CCourierFont(0).Scale(), 1u);
    EXPECT_EQ(CCourierFont(0x80000000u).Scale(), 23u);
}

TEST(FixedFontManager, ProcessWideManagerIsMadeOnce) {
    FixedFontManager* manager = GetFixedFontManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(GetFixedFontManager(), manager);
    EXPECT_EQ(manager->GetFont(2)->CharWidth('x'), 10);
}

}  // namespace

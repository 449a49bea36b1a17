#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/MarkedFrameBuffer.h"
#include "support/MemoryFrameBuffer.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"
#include "ui/BitmappedFont.h"
#include "ui/FreeTypeFont.h"

namespace {

constexpr const char* KDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr std::uint16_t KInk = 0xF800;
constexpr int KSize = 16;

// The box holding every pixel of the ink colour; empty (iRight < iLeft) when there is none.
struct TInkBox {
    int iLeft = INT_MAX;
    int iTop = INT_MAX;
    int iRight = INT_MIN;
    int iBottom = INT_MIN;
    int iCount = 0;
};

TInkBox InkBox(CMemoryFrameBuffer& aFb) {
    TInkBox box;
    for (int y = 0; y < aFb.GetHeight(); ++y) {
        for (int x = 0; x < aFb.GetWidth(); ++x) {
            if (aFb.Pixel(x, y) == KInk) {
                box.iLeft = std::min(box.iLeft, x);
                box.iRight = std::max(box.iRight, x);
                box.iTop = std::min(box.iTop, y);
                box.iBottom = std::max(box.iBottom, y);
                ++box.iCount;
            }
        }
    }
    return box;
}

bool SamePixels(CMemoryFrameBuffer& aOne, CMemoryFrameBuffer& aOther, int aFromX = 0,
                int aToX = INT_MAX) {
    for (int y = 0; y < aOne.GetHeight(); ++y) {
        for (int x = aFromX; x < aOne.GetWidth() && x < aToX; ++x) {
            if (aOne.Pixel(x, y) != aOther.Pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

int References() {
    return GetFreeTypeManager()->References();
}

class FreeTypeFont : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::access(KDejaVuSans, R_OK) != 0) {
            GTEST_SKIP() << KDejaVuSans << " is missing (Debian package fonts-dejavu-core)";
        }
    }
};

TEST_F(FreeTypeFont, OpensATrueTypeFileAndHoldsTheLibraryWhileAlive) {
    const int before = References();
    {
        CFreeTypeFont font(KDejaVuSans, KSize, true);
        ASSERT_TRUE(font.IsLoaded());
        EXPECT_TRUE(GetFreeTypeManager()->IsOpen());
        EXPECT_EQ(References(), before + 1);
        {
            CFreeTypeFont second(KDejaVuSans, 24, false);
            EXPECT_EQ(References(), before + 2);
        }
        EXPECT_EQ(References(), before + 1);
    }
    EXPECT_EQ(References(), before);
    EXPECT_EQ(GetFreeTypeManager()->IsOpen(), before > 0);
}

TEST_F(FreeTypeFont, FilesThatAreNoFontLeaveItUnloaded) {
    CTempRoot root;
    const std::string text = root.Path("/notafont.ttf");
    root.Write("/notafont.ttf", "Arial 16\n0 0 255\n");
    const std::string empty = root.Path("/empty.ttf");
    root.Write("/empty.ttf", "");
    const std::string longPath = "/tmp/" + std::string(5000, 'x') + ".ttf";
    struct TCase {
        const char* iLegend;
        const char* iPath;
        int iSize;
    };
    const TCase cases[] = {
        {"missing file", "/nonexistent/Arial.ttf", KSize},
        {"text file", text.c_str(), KSize},
        {"empty file", empty.c_str(), KSize},
        {"directory", root.Root().c_str(), KSize},
        {"over-long path", longPath.c_str(), KSize},
        {"empty path", "", KSize},
        {"null path", nullptr, KSize},
        {"size 0", KDejaVuSans, 0},
        {"negative size", KDejaVuSans, -16},
        {"huge size", KDejaVuSans, INT_MAX},
    };
    const int before = References();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        {
            CFreeTypeFont font(c.iPath, c.iSize, true);
            EXPECT_FALSE(font.IsLoaded());
            CMemoryFrameBuffer fb(16, 16);
            EXPECT_FALSE(font.DrawChar(&fb, 'A', 2, 12, KInk));
            EXPECT_EQ(font.TextWidth("Ab"), 0);
            EXPECT_EQ(font.TextHeight("Ab"), 0);
            EXPECT_EQ(font.CharWidth('A'), 0);
            EXPECT_EQ(font.GetMetric(EFontLineHeight), 0);
            EXPECT_EQ(InkBox(fb).iCount, 0);
        }
        EXPECT_EQ(References(), before);
    }
}

TEST_F(FreeTypeFont, DrawsAGlyphInsideItsBoxOnTheBaseline) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    CMemoryFrameBuffer fb(48, 48);
    const int x = 10;
    const int baseline = 30;
    ASSERT_TRUE(font.DrawChar(&fb, 'A', x, baseline, KInk));
    const TInkBox box = InkBox(fb);
    // A capital stands on the baseline, as tall as CharHeight and no wider than its advance.
    EXPECT_GT(box.iCount, 20);
    EXPECT_EQ(box.iBottom, baseline - 1);
    EXPECT_EQ(box.iTop, baseline - font.CharHeight('A'));
    EXPECT_GE(box.iLeft, x);
    EXPECT_LT(box.iRight, x + font.CharWidth('A'));
    EXPECT_GT(font.CharHeight('A'), KSize / 2);
    EXPECT_LE(font.CharHeight('A'), KSize);

    // The same pixels as its rendered bitmap.
    TMonoBitmap bitmap;
    ASSERT_TRUE(font.RenderGlyph('A', bitmap));
    EXPECT_EQ(box.iLeft, x + bitmap.iLeft);
    EXPECT_EQ(box.iRight - box.iLeft + 1, bitmap.iWidth);
    EXPECT_EQ(box.iBottom - box.iTop + 1, bitmap.iRows);
    EXPECT_TRUE(fb.GuardsIntact());
}

// The height of a glyph is its top bearing when the baseline crosses its rows, and its row count
// when the glyph lies wholly above the baseline or wholly below it.
TEST_F(FreeTypeFont, CharHeightOfGlyphsOnEitherSideOfTheBaseline) {
    enum TPlace { EAcross, EAbove, EBelow };
    struct TCase {
        int iChar;
        TPlace iPlace;
    };
    const TCase cases[] = {{'g', EAcross}, {'(', EAcross}, {'\'', EAbove},
                           {'-', EAbove},  {'^', EAbove},  {'_', EBelow}};
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    for (const TCase& test : cases) {
        SCOPED_TRACE(static_cast<char>(test.iChar));
        TMonoBitmap bitmap;
        ASSERT_TRUE(font.RenderGlyph(test.iChar, bitmap));
        ASSERT_GT(bitmap.iRows, 0);
        // The glyph really lies where the case says: its ink, drawn on a baseline.
        CMemoryFrameBuffer fb(48, 48);
        const int baseline = 24;
        ASSERT_TRUE(font.DrawChar(&fb, test.iChar, 10, baseline, KInk));
        const TInkBox box = InkBox(fb);
        ASSERT_EQ(box.iTop, baseline - bitmap.iTop);
        ASSERT_EQ(box.iBottom - box.iTop + 1, bitmap.iRows);
        switch (test.iPlace) {
            case EAcross:
                ASSERT_TRUE(box.iTop < baseline && box.iBottom >= baseline);
                EXPECT_EQ(font.CharHeight(test.iChar), bitmap.iTop);
                break;
            case EAbove:
                ASSERT_LT(box.iBottom, baseline - 1);  // clear of the baseline's row
                EXPECT_EQ(font.CharHeight(test.iChar), bitmap.iRows);
                break;
            case EBelow:
                ASSERT_GT(box.iTop, baseline);  // a negative top bearing
                EXPECT_EQ(font.CharHeight(test.iChar), bitmap.iRows);
                break;
        }
    }
}

TEST_F(FreeTypeFont, TextStaysInsideItsBox) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    CMemoryFrameBuffer fb(120, 48);
    const int x = 5;
    const int y = 8;
    const char* text = "Hg, jq!";
    ASSERT_TRUE(font.DrawText(&fb, text, x, y, KInk));
    const TInkBox box = InkBox(fb);
    const int height = font.TextHeight(text);
    const int descent = -font.GetMetric(EFontDescent);
    EXPECT_GE(box.iLeft, x);
    EXPECT_LT(box.iRight, x + font.TextWidth(text));
    EXPECT_EQ(box.iTop, y);              // (x, y) is the top left: the tallest character touches y
    EXPECT_GT(box.iBottom, y + height);  // the descenders reach below the baseline...
    EXPECT_LE(box.iBottom, y + height + descent);  // ...but not below the descent
    EXPECT_EQ(font.TextHeight(""), 0);
    EXPECT_LT(font.TextHeight("ace"), font.TextHeight("Ace"));
}

TEST_F(FreeTypeFont, MetricsAreThoseOfTheSize) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    const int lineHeight = font.GetMetric(EFontLineHeight);
    const int ascent = font.GetMetric(EFontAscent);
    const int descent = font.GetMetric(EFontDescent);
    EXPECT_GE(lineHeight, KSize);
    EXPECT_LE(lineHeight, 2 * KSize);
    EXPECT_GT(ascent, KSize / 2);
    EXPECT_LE(ascent, KSize);
    EXPECT_LT(descent, 0);
    EXPECT_LE(ascent - descent, lineHeight + 1);
    EXPECT_GE(font.GetMetric(EFontMaxAdvance), font.CharWidth('W'));
    for (int kind : {-1, 4, INT_MAX}) {
        EXPECT_EQ(font.GetMetric(kind), 0) << kind;
    }
    // A larger size scales them up.
    CFreeTypeFont large(KDejaVuSans, 2 * KSize, true);
    EXPECT_GT(large.GetMetric(EFontLineHeight), lineHeight);
    EXPECT_GT(large.CharWidth('M'), font.CharWidth('M'));
}

TEST_F(FreeTypeFont, KerningShiftsTheCharacterAfterThePair) {
    CFreeTypeFont kerned(KDejaVuSans, KSize, true);
    CFreeTypeFont plain(KDejaVuSans, KSize, false);
    ASSERT_TRUE(kerned.IsLoaded() && plain.IsLoaded());
    ASSERT_TRUE(kerned.UsesKerning());
    EXPECT_FALSE(plain.UsesKerning());
    EXPECT_EQ(plain.TextWidth("To"), plain.CharWidth('T') + plain.CharWidth('o'));
    const int kerning = kerned.TextWidth("To") - plain.TextWidth("To");
    ASSERT_LT(kerning, 0);  // 'o' tucks under the bar of 'T'

    // 'T' and 'o' are drawn at the same places by both; the kerning of the pair moves the
    // third character only.
    CMemoryFrameBuffer withKerning(80, 40);
    CMemoryFrameBuffer without(80, 40);
    ASSERT_TRUE(kerned.DrawText(&withKerning, "To|", 2, 4, KInk));
    ASSERT_TRUE(plain.DrawText(&without, "To|", 2, 4, KInk));
    const int third = 2 + plain.TextWidth("To");
    EXPECT_TRUE(SamePixels(withKerning, without, 0, third + kerning));
    EXPECT_EQ(InkBox(withKerning).iRight - InkBox(without).iRight, kerning);
}

TEST_F(FreeTypeFont, WideAndByteTextAgree) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    const TWideChar wide[] = {'W', 'a', 'v', 0xE9, 0};
    CMemoryFrameBuffer fromWide(80, 40);
    CMemoryFrameBuffer fromBytes(80, 40);
    // A byte above 0x7F is the character of that code (here U+00E9).
    ASSERT_TRUE(font.DrawText(&fromWide, wide, 3, 3, KInk));
    ASSERT_TRUE(font.DrawText(&fromBytes, "Wav\xE9", 3, 3, KInk));
    EXPECT_TRUE(SamePixels(fromWide, fromBytes));
    EXPECT_EQ(font.TextWidth(wide), font.TextWidth("Wav\xE9"));
    EXPECT_EQ(font.TextHeight(wide), font.TextHeight("Wav\xE9"));
}

TEST_F(FreeTypeFont, CodesBeyondTheFontAreHandled) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    CMemoryFrameBuffer fb(64, 32);
    // Codes the face does not map draw its missing-character box.
    EXPECT_TRUE(font.DrawChar(&fb, 0x10FFFF, 2, 20, KInk));
    EXPECT_GT(InkBox(fb).iCount, 0);
    EXPECT_GT(font.CharWidth(0x10FFFF), 0);
    // Negative codes (and wide codes past the int range) are no characters: not drawn, and
    // as wide as the size's largest advance.
    CMemoryFrameBuffer empty(64, 32);
    EXPECT_FALSE(font.DrawChar(&empty, -1, 2, 20, KInk));
    EXPECT_FALSE(font.DrawChar(&empty, INT_MIN, 2, 20, KInk));
    EXPECT_EQ(font.CharWidth(-1), font.GetMetric(EFontMaxAdvance));
    const TWideChar wide[] = {'A', 0xFFFFFFFFu, 'B', 0};
    EXPECT_FALSE(font.DrawText(&empty, wide, 2, 2, KInk));
    EXPECT_EQ(font.TextWidth(wide), font.TextWidth("AB") + font.GetMetric(EFontMaxAdvance));
    EXPECT_TRUE(empty.GuardsIntact());
}

TEST_F(FreeTypeFont, ClipsAtEveryEdge) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    struct TCase {
        const char* iLegend;
        int iX;
        int iY;
        bool iInk;
    };
    const TCase cases[] = {
        {"across the left edge", -6, 2, true},
        {"across the top edge", 2, -6, true},
        {"across the right edge", 26, 2, true},
        {"across the bottom edge", 2, 12, true},
        {"far left", -1000, 2, false},
        {"far below", 2, 1000, false},
        {"int minimum", INT_MIN, INT_MIN, false},
        {"int maximum", INT_MAX, INT_MAX, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CMarkedFrameBuffer fb(32, 24);
        fb.BeginCall();
        EXPECT_TRUE(font.DrawText(&fb, "MW", c.iX, c.iY, KInk));
        EXPECT_TRUE(fb.MarksCoverChanges());
        EXPECT_EQ(InkBox(fb).iCount > 0, c.iInk);
        EXPECT_TRUE(fb.GuardsIntact());
    }
}

TEST_F(FreeTypeFont, TextStopsAtTheRightEdge) {
    CFreeTypeFont font(KDejaVuSans, KSize, true);
    ASSERT_TRUE(font.IsLoaded());
    // The first character starting at or right of the edge ends the drawing; every character
    // before it draws.
    CMemoryFrameBuffer fb(30, 24);
    EXPECT_TRUE(font.DrawText(&fb, "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", 0, 2, KInk));
    EXPECT_EQ(InkBox(fb).iRight, 29);
    EXPECT_TRUE(fb.GuardsIntact());
    CMemoryFrameBuffer unmapped(30, 24);
    unmapped.SetMapped(false);
    EXPECT_FALSE(font.DrawText(&unmapped, "M", 0, 2, KInk));
    EXPECT_FALSE(font.DrawText(&fb, static_cast<const char*>(nullptr), 0, 2, KInk));
}

// Runs only in a process of its own, started by the test below. Its fonts are destroyed by an
// exit handler registered before the FreeType manager existed, so they go after the manager.
TEST(FreeTypeFontAtExit, DISABLED_FontsOutliveTheManager) {
    static CFreeTypeFont* font = nullptr;
    static CCachedFreeTypeFont* cached = nullptr;
    std::atexit([] {
        delete font;
        delete cached;
        std::printf("fonts destroyed after the manager\n");
    });
    font = new CFreeTypeFont(KDejaVuSans, KSize, true);
    cached = new CCachedFreeTypeFont(KDejaVuSans, KSize);
    ASSERT_TRUE(font->IsLoaded());
    ASSERT_GT(cached->CharWidth('A'), 0);  // its face is open too
}

TEST_F(FreeTypeFont, FontsDestroyedAfterTheManagerAtExitLeaveTheLibraryAlone) {
    const TToolRun run = RunTool(
        "ui_tests", {"--gtest_filter=FreeTypeFontAtExit.*", "--gtest_also_run_disabled_tests"});
    EXPECT_EQ(run.iStatus, 0) << run.iErr;
    EXPECT_NE(run.iOut.find("fonts destroyed after the manager"), std::string::npos) << run.iOut;
}

}  // namespace

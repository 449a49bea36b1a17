#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/TempRoot.h"
#include "ui/ColorScheme.h"
#include "ui/CourierFont.h"
#include "ui/Skin.h"
#include "ui/UIWidget.h"

namespace {

constexpr std::uint16_t KInk = 0x5AC3;
constexpr std::uint16_t KFill = 0x1234;

// A widget that only draws its text; the text helpers are what is under test.
class CTextWidget : public MUIWidget {
  public:
    CTextWidget(const TRect& aRect, const char* aText) : MUIWidget(aRect, aText, nullptr) {}
    void Draw() override { (void)DrawText(iRect, KInk, iTextFlags); }
    bool HandleTouch(const TouchEvent&) override { return false; }
    bool HandleKey(int) override { return false; }
};

// The smallest rectangle holding every pixel of aColor; width 0 when there is none.
TRect InkBox(CMemoryVirtualScreen& aScreen, std::uint16_t aColor) {
    int left = aScreen.GetWidth(), top = aScreen.GetHeight(), right = -1, bottom = -1;
    for (int x = 0; x < aScreen.GetWidth(); ++x) {
        for (int y = 0; y < aScreen.GetHeight(); ++y) {
            if (aScreen.Pixel(x, y) == aColor) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? TRect() : TRect(left, top, right - left + 1, bottom - top + 1);
}

// Rows [aTop, aTop + aHeight) hold some ink.
bool InkInRows(CMemoryVirtualScreen& aScreen, int aTop, int aHeight) {
    for (int y = aTop; y < aTop + aHeight && y < aScreen.GetHeight(); ++y) {
        for (int x = 0; x < aScreen.GetWidth(); ++x) {
            if (aScreen.Pixel(x, y) == KInk) {
                return true;
            }
        }
    }
    return false;
}

// Widgets draw on a memory screen with the scale-1 fixed font (6 pixels a character, 8 high,
// so one line of multi-line text takes 13), and the skin comes from an empty directory.
class UIWidget : public ::testing::Test {
  protected:
    UIWidget() : iSavedRoot(SkinRoot()) {
        SetDefaultWidgetScreen(&iScreen);
        SetSkinRoot(iSkinRoot.Root().c_str());
    }
    ~UIWidget() override {
        SetDefaultWidgetScreen(nullptr);
        SetSkinRoot(iSavedRoot.c_str());
    }

    CTextWidget* Make(const TRect& aRect, const char* aText, std::uint32_t aFlags) {
        iWidget.reset(new CTextWidget(aRect, aText));
        iWidget->SetFont(&iFont);
        iWidget->SetTextFlags(aFlags);
        return iWidget.get();
    }

    CMemoryVirtualScreen iScreen{320, 240};
    CCourierFont iFont{1};
    CTempRoot iSkinRoot;
    std::string iSavedRoot;
    std::unique_ptr<CTextWidget> iWidget;
};

TEST_F(UIWidget, HitTestIncludesLeftAndTopEdgesOnly) {
    struct TCase {
        const char* iLegend;
        TRect iRect;
        int iX, iY;
        bool iInside;
    } const cases[] = {
        {"top left corner", {10, 20, 30, 40}, 10, 20, true},
        {"last column and row", {10, 20, 30, 40}, 39, 59, true},
        {"x = x + width", {10, 20, 30, 40}, 40, 30, false},
        {"y = y + height", {10, 20, 30, 40}, 15, 60, false},
        {"left of x", {10, 20, 30, 40}, 9, 30, false},
        {"above y", {10, 20, 30, 40}, 15, 19, false},
        {"negative origin", {-10, -10, 5, 5}, -6, -6, true},
        {"zero width", {10, 20, 0, 40}, 10, 20, false},
        {"negative width", {10, 20, -5, 40}, 8, 20, false},
        {"edge at the end of int", {INT32_MAX - 1, 0, 5, 5}, INT32_MAX, 0, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        EXPECT_EQ(Make(c.iRect, nullptr, 0)->Contains(c.iX, c.iY), c.iInside);
    }
}

TEST_F(UIWidget, FocusAndEnabledRules) {
    CTextWidget* widget = Make({0, 0, 10, 10}, "caption", 0);
    EXPECT_TRUE(widget->IsEnabled());
    EXPECT_FALSE(widget->IsFocused());
    EXPECT_EQ(widget->FrameBuffer(), &iScreen);

    // Focusing a disabled widget enables it; disabling a focused one removes the focus.
    EXPECT_TRUE(widget->SetEnabled(false));
    EXPECT_TRUE(widget->SetFocus(true));
    EXPECT_TRUE(widget->IsEnabled());
    EXPECT_TRUE(widget->SetEnabled(false));
    EXPECT_FALSE(widget->IsFocused());

    EXPECT_TRUE(widget->IsVisible());
    EXPECT_FALSE(Make({5, 5, 0, 10}, "x", 0)->IsVisible());
}

TEST_F(UIWidget, FontAndSchemeResolvedAtEveryDraw) {
    CTextWidget* widget = Make({0, 0, 10, 10}, nullptr, 0);
    widget->SetFont(nullptr);
    widget->SetFontIndex(ESkinFontBig);
    EXPECT_EQ(widget->ResolveFont(), GetSkin()->GetFont(ESkinFontBig));
    widget->SetFontIndex(99);
    EXPECT_EQ(widget->ResolveFont(), nullptr);
    widget->SetText("x");
    EXPECT_FALSE(widget->DrawText(widget->Rect(), KInk, 0));

    GetSkin()->SetSchemeIndex(5);
    MColorScheme* five = widget->ResolveColorScheme();
    EXPECT_EQ(five->ScreenBackground(), SchemeTableColor(5, KSchemeScreenBackground));
    GetSkin()->SetSchemeIndex(9);
    EXPECT_EQ(widget->ResolveColorScheme()->ScreenBackground(),
              SchemeTableColor(9, KSchemeScreenBackground));
    CDefaultColorScheme own(3);
    widget->SetColorScheme(&own);
    EXPECT_EQ(widget->ResolveColorScheme(), &own);
}

// "AB" is 12 by 8 pixels (the last glyph column is blank): ink spans 11 columns from x.
TEST_F(UIWidget, SingleLineFlagsPlaceTheText) {
    struct TCase {
        const char* iLegend;
        std::uint32_t iFlags;
        int iLeft, iTop;
    } const cases[] = {
        {"top left", 0, 20, 30},
        {"centred horizontally", KTextCentreHorizontal, 20 + (40 - 12) / 2, 30},
        {"centred vertically", KTextCentreVertical, 20, 30 + (20 - 8) / 2},
        {"centred both ways", KTextCentred, 34, 36},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        iScreen.Memory().Fill(0);
        EXPECT_TRUE(
            Make({20, 30, 40, 20}, "AB", c.iFlags)->DrawText({20, 30, 40, 20}, KInk, c.iFlags));
        const TRect ink = InkBox(iScreen, KInk);
        EXPECT_EQ(ink.iX, c.iLeft);
        EXPECT_GE(ink.iY, c.iTop);
        EXPECT_LT(ink.iY + ink.iHeight, c.iTop + 9);
        EXPECT_LE(ink.iX + ink.iWidth, c.iLeft + 12);
    }
}

TEST_F(UIWidget, CentredTextWiderThanItsAreaIsNotSeen) {
    for (std::uint32_t flags : {KTextCentreHorizontal, KTextCentreVertical}) {
        SCOPED_TRACE(flags);
        iScreen.Memory().Fill(0);
        // 12 x 8 text in a 4 x 4 area: the unsigned halving puts it far off screen.
        (void)Make({100, 100, 4, 4}, "AB", flags)->DrawText({100, 100, 4, 4}, KInk, flags);
        EXPECT_EQ(InkBox(iScreen, KInk).iWidth, 0);
    }
    EXPECT_TRUE(Make({0, 0, 4, 4}, nullptr, 0)->DrawText({0, 0, 4, 4}, KInk, 0));
}

TEST_F(UIWidget, DrawFaceFillsThenWritesTheCaption) {
    CTextWidget* widget = Make({10, 10, 60, 20}, "OK", KTextCentred);
    widget->DrawFace(KInk, KFill);
    EXPECT_EQ(iScreen.Pixel(40, 12), KFill);
    EXPECT_EQ(iScreen.Pixel(70, 20), KFill);  // the fill covers x + width
    EXPECT_NE(iScreen.Pixel(71, 20), KFill);
    const TRect ink = InkBox(iScreen, KInk);
    EXPECT_EQ(ink.iX, 10 + (60 - 12) / 2);
}

// Layout of multi-line text: where each line's ink starts and how many lines there are.
TEST_F(UIWidget, MultiLineWrapsAtSpaces) {
    struct TCase {
        const char* iLegend;
        const char* iText;
        int iWidth;
        std::uint32_t iFlags;
        int iLines;     // lines with ink, 13 pixels apart from the area's top
        int iFirstInk;  // columns of ink on the first line (from the ink box of its band)
    } const cases[] = {
        // "one two" is 42 wide, "one two six" 66: a 50-pixel line takes two words.
        {"three words, two fit", "one two six", 50, KTextMultiLine, 2, 41},
        {"flag 8 as well", "one two six", 50, KTextMultiLineAlt, 2, 41},
        {"everything fits", "one two six", 200, KTextMultiLine, 1, 65},
        {"newline runs are one break", "one\n\n\ntwo", 200, KTextMultiLine, 2, 17},
        {"leading newlines dropped", "\n\none", 200, KTextMultiLine, 1, 17},
        {"spaces trimmed", "   one   ", 200, KTextMultiLine, 1, 17},
        // 10 characters in a 30-pixel line: 5 fit (30 wide), the word is broken there.
        {"over-wide word is broken", "abcdefghij", 30, KTextMultiLine, 2, 29},
        {"over-wide word after a short one", "ab abcdefghij", 30, KTextMultiLine, 3, 11},
        {"zero width: one character a line", "ab c", 0, KTextMultiLine, 3, 5},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        iScreen.Memory().Fill(0);
        const TRect area(10, 20, c.iWidth, 200);
        EXPECT_TRUE(Make(area, c.iText, c.iFlags)->DrawText(area, KInk, c.iFlags));
        int lines = 0;
        while (InkInRows(iScreen, 20 + 13 * lines, 13)) {
            ++lines;
        }
        EXPECT_EQ(lines, c.iLines);
        EXPECT_FALSE(InkInRows(iScreen, 20 + 13 * lines, 240));
        // Ink of the first line: every pixel column of its band.
        int right = -1;
        for (int x = 0; x < iScreen.GetWidth(); ++x) {
            for (int y = 20; y < 33; ++y) {
                if (iScreen.Pixel(x, y) == KInk) {
                    right = x;
                }
            }
        }
        EXPECT_EQ(InkBox(iScreen, KInk).iX, 10);
        EXPECT_EQ(right - 10 + 1, c.iFirstInk);
    }
}

TEST_F(UIWidget, MultiLineCentresEachLineInItsBand) {
    const TRect area(0, 0, 100, 100);
    Make(area, "ab\ncdef", KTextMultiLine | KTextCentred)
        ->DrawText(area, KInk, KTextMultiLine | KTextCentred);
    // "ab" (12 wide) centred in 100: x 44; the band is 10 high: y (10 - 8) / 2 = 1.
    EXPECT_EQ(InkBox(iScreen, KInk).iX, 38);  // "cdef" is 24 wide: x 38
    EXPECT_TRUE(InkInRows(iScreen, 1, 8));
    EXPECT_FALSE(InkInRows(iScreen, 0, 1));
}

TEST_F(UIWidget, MultiLineStopsAtTheBottom) {
    // Room for two lines (26 pixels): the third is not drawn and the result says so.
    const TRect area(0, 0, 50, 26);
    EXPECT_FALSE(Make(area, "one\ntwo\nsix", KTextMultiLine)->DrawText(area, KInk, KTextMultiLine));
    EXPECT_TRUE(InkInRows(iScreen, 13, 13));
    EXPECT_FALSE(InkInRows(iScreen, 26, 200));
    // A line wrapped past the bottom still counts as used.
    iScreen.Memory().Fill(0);
    const TRect one(0, 0, 50, 13);
    EXPECT_TRUE(Make(one, "one two six", KTextMultiLine)->DrawText(one, KInk, KTextMultiLine));
    EXPECT_FALSE(InkInRows(iScreen, 13, 200));
}

// The fixed font that notes where each line was handed to it: a line past the screen's bottom
// edge draws no pixel, so only this tells whether layout went on below the screen.
class CLineRecordingFont : public CCourierFont {
  public:
    using CCourierFont::DrawText;
    CLineRecordingFont() : CCourierFont(1) {}
    bool DrawText(MFrameBuffer* aFrameBuffer, const char* aText, int aX, int aY,
                  std::uint32_t aColor) override {
        iLineTops.push_back(aY);
        return CCourierFont::DrawText(aFrameBuffer, aText, aX, aY, aColor);
    }
    std::vector<int> iLineTops;
};

// Layout stops at the area's bottom or at the screen's, whichever comes first: an area ending
// above the screen's bottom edge stops at its own, one reaching below stops at the screen's.
// Each line takes 13 pixels; the screen is 240 high.
TEST_F(UIWidget, MultiLineStopsAtTheAreaOrTheScreenBottom) {
    struct TCase {
        const char* iLegend;
        const char* iText;
        TRect iArea;
        bool iResult;
        std::vector<int> iLineTops;
    } const cases[] = {
        // "one two six ten" wraps word by word in 30 pixels: one line cut three times.
        {"wrapped, area ends above the screen's bottom",
         "one two six ten",
         TRect(0, 200, 30, 26),
         true,
         {200, 213}},
        {"wrapped, area reaches below the screen",
         "one two six ten",
         TRect(0, 220, 30, 100),
         true,
         {220, 233}},
        {"lines, area ends above the screen's bottom",
         "one\ntwo\nsix\nten",
         TRect(0, 200, 30, 26),
         false,
         {200, 213}},
        {"lines, area reaches below the screen",
         "one\ntwo\nsix\nten",
         TRect(0, 220, 30, 100),
         true,
         {220, 233}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CLineRecordingFont font;
        CTextWidget widget(c.iArea, c.iText);
        widget.SetFont(&font);
        EXPECT_EQ(widget.DrawText(c.iArea, KInk, KTextMultiLine), c.iResult);
        EXPECT_EQ(font.iLineTops, c.iLineTops);
    }
}

// Only empty lines are dropped: a line of spaces draws nothing but keeps a line's height, also in
// a font that gives it none, as the skin's bitmap fonts do.
TEST_F(UIWidget, MultiLineOfSpacesTakesALine) {
    class CBitmapLikeFont : public CCourierFont {
      public:
        using CCourierFont::CCourierFont;
        using CCourierFont::TextHeight;
        int TextHeight(const char* aText) override {
            return *aText == '\0' ? 0 : CCourierFont::TextHeight(aText);
        }
    } font(1);
    const TRect area(0, 0, 100, 100);
    CTextWidget* widget = Make(area, "one\n   \ntwo", KTextMultiLine);
    widget->SetFont(&font);
    EXPECT_TRUE(widget->DrawText(area, KInk, KTextMultiLine));
    EXPECT_TRUE(InkInRows(iScreen, 0, 13));
    EXPECT_FALSE(InkInRows(iScreen, 13, 13));
    EXPECT_TRUE(InkInRows(iScreen, 26, 13));
    EXPECT_FALSE(InkInRows(iScreen, 39, 200));
}

// Texts beyond the 500-byte working buffer lay out to their end, without running over it.
TEST_F(UIWidget, MultiLineLongerThanTheWorkingBuffer) {
    std::string words;
    for (int i = 0; i < 120; ++i) {
        words += "abcd ";  // 600 bytes; 10 words (294 pixels) to a 300-pixel line
    }
    const std::string word(600, 'w');  // 50 characters (300 pixels) to a line
    const std::string* const texts[] = {&words, &word};
    for (const std::string* text : texts) {
        SCOPED_TRACE(text == &words ? "words" : "one word");
        iScreen.Memory().Fill(0);
        const TRect area(0, 0, 300, 240);
        EXPECT_TRUE(
            Make(area, text->c_str(), KTextMultiLine)->DrawText(area, KInk, KTextMultiLine));
        EXPECT_TRUE(InkInRows(iScreen, 11 * 13, 13));  // the twelfth line
        EXPECT_FALSE(InkInRows(iScreen, 12 * 13, 240));
        EXPECT_TRUE(iScreen.Memory().GuardsIntact());
    }
}

}  // namespace

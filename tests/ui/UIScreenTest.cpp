#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/ScriptedInputReader.h"
#include "support/TempRoot.h"
#include "support/UIFakes.h"
#include "ui/ColorScheme.h"
#include "ui/Skin.h"
#include "ui/UIEventLoop.h"
#include "ui/UIScreen.h"

namespace {

constexpr std::uint16_t KPaper = 0x0101;
constexpr std::uint16_t KImageInk = 0x7E7E;

// An image that paints the area it is asked for and tells when it is destroyed.
class CFakeImage : public MImage {
  public:
    CFakeImage(int aWidth, int aHeight, bool* aDestroyed = nullptr)
        : iWidth(aWidth), iHeight(aHeight), iDestroyed(aDestroyed) {}
    ~CFakeImage() override {
        if (iDestroyed != nullptr) {
            *iDestroyed = true;
        }
    }
    int Width() override { return iWidth; }
    int Height() override { return iHeight; }
    int Depth() override { return 16; }
    bool Draw(MFrameBuffer*, int, int) override { return false; }
    bool DrawPart(MFrameBuffer* aFrameBuffer, int aX, int aY, int aAreaX, int aAreaY,
                  int aAreaWidth, int aAreaHeight) override {
        ++iParts;
        iPlacedAt = {aX, aY, 0, 0};
        iLastArea = {aAreaX, aAreaY, aAreaWidth, aAreaHeight};
        if (!iPaints) {
            return false;  // as an image on a screen it cannot be drawn on
        }
        // One pixel, so that the fill around it stays visible to the test.
        static_cast<CMemoryVirtualScreen*>(aFrameBuffer)
            ->Memory()
            .SetPixel(aAreaX, aAreaY, KImageInk);
        return true;
    }
    int iWidth, iHeight;
    bool* iDestroyed;
    bool iPaints = true;
    int iParts = 0;
    TRect iPlacedAt, iLastArea;
};

class CCountingChild : public MUIWidget {
  public:
    explicit CCountingChild(int* aDraws)
        : MUIWidget({1, 1, 2, 2}, nullptr, nullptr), iDraws(aDraws) {}
    void Draw() override { ++*iDraws; }
    bool HandleTouch(const TouchEvent&) override { return false; }
    bool HandleKey(int) override { return false; }
    int* iDraws;
};

class CTestScreen : public CUIScreen {
  public:
    explicit CTestScreen(int aScheme) : CUIScreen(aScheme) {
        AddChild(new CCountingChild(&iDraws));
    }
    int iDraws = 0;  // draws of the whole screen, counted by its child
};

// Screens on a 64 x 48 memory screen, the skin from an empty directory, and the process's event
// loop working on fakes (it is put back afterwards).
class UIScreen : public ::testing::Test {
  protected:
    UIScreen() : iSavedRoot(SkinRoot()) {
        SetSkinRoot(iSkinRoot.Root().c_str());
        CUIEventLoop* loop = CUIEventLoop::Instance();
        loop->SetInputReader(&iReader);
        loop->SetFrameBuffer(&iScreen);
        loop->SetSleeper(&iSleeper);
        loop->SetOwnerSource(&iOwner);
        loop->SetIdleHandler(&iIdle);
        loop->SetScreen(nullptr);
        iScreen.Memory().Fill(0x01);
    }
    ~UIScreen() override {
        CUIEventLoop* loop = CUIEventLoop::Instance();
        loop->SetInputReader(nullptr);
        loop->SetFrameBuffer(nullptr);
        loop->SetSleeper(nullptr);
        loop->SetOwnerSource(nullptr);
        loop->SetIdleHandler(nullptr);
        loop->SetScreen(nullptr);
        SetSkinRoot(iSavedRoot.c_str());
    }

    CMemoryVirtualScreen iScreen{64, 48};
    CUseScreen iUseScreen{&iScreen};
    CScriptedInputReader iReader;
    CRecordingSleeper iSleeper;
    CFixedOwner iOwner{0, 1};
    CIdleScript iIdle;
    CTempRoot iSkinRoot;
    std::string iSavedRoot;
};

// The fill is left out only when the image covers both corners (x, y) and (x + w, y + h) and
// draws the area.
TEST_F(UIScreen, BackgroundFillAndImage) {
    const std::uint16_t schemeBackground =
        static_cast<std::uint16_t>(SchemeTableColor(2, KSchemeScreenBackground));
    struct TCase {
        const char* iLegend;
        std::uint32_t iColor;
        int iImageWidth, iImageHeight;  // 0: no image
        bool iImagePaints;
        std::uint16_t iFill;  // KPaper: no fill
    } const cases[] = {
        {"no image, no colour: the scheme's", 0, 0, 0, true, schemeBackground},
        {"own colour", 0x4321, 0, 0, true, 0x4321},
        {"image covers the area", 0x4321, 31, 21, true, KPaper},
        {"image one column short", 0x4321, 30, 21, true, 0x4321},
        {"image one row short", 0x4321, 31, 20, true, 0x4321},
        {"image covers the area but cannot draw it", 0x4321, 31, 21, false, 0x4321},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CUIScreen screen(2);
        CFakeImage* image =
            c.iImageWidth > 0 ? new CFakeImage(c.iImageWidth, c.iImageHeight) : nullptr;
        if (image != nullptr) {
            image->iPaints = c.iImagePaints;
        }
        screen.SetBackground(c.iColor, image);
        iScreen.Memory().Fill(0x01);
        screen.DrawBackground({10, 10, 20, 10});
        EXPECT_EQ(iScreen.Pixel(20, 15), c.iFill);
        EXPECT_EQ(iScreen.Pixel(30, 15), c.iFill);  // x + width is filled too
        EXPECT_EQ(iScreen.Pixel(31, 15), KPaper);
        if (image != nullptr && c.iImagePaints) {
            EXPECT_EQ(iScreen.Pixel(10, 10), KImageInk);  // drawn after the fill
            EXPECT_EQ(image->iPlacedAt.iX, 0);
            EXPECT_EQ(image->iLastArea.iWidth, 20);
        }
    }
}

TEST_F(UIScreen, SetBackgroundKeepsTheSameImageAndRedrawsOnChange) {
    bool firstGone = false;
    bool secondGone = false;
    CFakeImage* first = new CFakeImage(64, 48, &firstGone);
    CFakeImage* second = new CFakeImage(64, 48, &secondGone);
    {
        CTestScreen screen(2);
        struct TStep {
            const char* iLegend;
            std::uint32_t iColor;
            CFakeImage* iImage;
            int iDraws;
            bool iFirstGone;
        } const steps[] = {
            {"new image", 5, first, 1, false},
            {"same colour and image: nothing", 5, first, 1, false},
            {"new colour, same image", 6, first, 2, false},
            {"another image", 6, second, 3, true},
        };
        for (const TStep& step : steps) {
            SCOPED_TRACE(step.iLegend);
            screen.SetBackground(step.iColor, step.iImage);
            EXPECT_EQ(screen.BackgroundImage(), step.iImage);
            EXPECT_EQ(screen.iDraws, step.iDraws);
            EXPECT_EQ(firstGone, step.iFirstGone);
        }
        EXPECT_FALSE(secondGone);
    }
    EXPECT_TRUE(secondGone);  // the screen owns its image
}

TEST_F(UIScreen, SelectSchemeMakesItCurrentAndRepaints) {
    CTestScreen screen(2);
    screen.SelectScheme(9);
    EXPECT_EQ(screen.SchemeIndex(), 9);
    EXPECT_EQ(GetSkin()->GetSchemeIndex(), 9);
    EXPECT_EQ(screen.BackgroundColor(), SchemeTableColor(9, KSchemeScreenBackground));
    EXPECT_EQ(screen.iDraws, 1);
    EXPECT_EQ(iScreen.Pixel(40, 40), SchemeTableColor(9, KSchemeScreenBackground) & 0xFFFF);
}

// The main screen runs; on its second pass a dialog runs modally and closes itself with a result;
// the main screen comes back, is redrawn and its scheme is current again.
TEST_F(UIScreen, ModalScreenReturnsToTheOuterScreen) {
    CUIEventLoop* loop = CUIEventLoop::Instance();
    CTestScreen main(3);
    CTestScreen dialog(7);
    GetSkin()->SetSchemeIndex(KInitialColorScheme);
    int dialogResult = -1;
    int mainDrawsAfterDialog = -1;
    iIdle.iAction = [&](CUIEventLoop* aLoop) {
        switch (iIdle.iCalls) {
            case 2:
                EXPECT_EQ(GetSkin()->GetSchemeIndex(), 3);
                dialogResult = dialog.Run();
                // Back in the main screen's pass, which ends with its redraw.
                EXPECT_EQ(aLoop->GetScreen(), &main);
                EXPECT_TRUE(aLoop->IsRedrawRequested());
                EXPECT_FALSE(aLoop->IsStopRequested());
                EXPECT_EQ(GetSkin()->GetSchemeIndex(), 3);
                mainDrawsAfterDialog = main.iDraws;
                break;
            case 3:
                EXPECT_EQ(aLoop->GetScreen(), &dialog);
                EXPECT_EQ(GetSkin()->GetSchemeIndex(), 7);
                break;
            case 4:
                dialog.SetResult(5);
                dialog.Close();
                break;
            case 6:
                EXPECT_EQ(main.iDraws, mainDrawsAfterDialog + 1);
                main.Close();
                break;
        }
    };
    EXPECT_EQ(main.Run(), 0);
    EXPECT_EQ(dialogResult, 5);
    EXPECT_EQ(iIdle.iCalls, 6);
    EXPECT_EQ(dialog.iDraws, 1);  // its Close does not redraw it
    EXPECT_EQ(main.iDraws, 2);
    EXPECT_EQ(GetSkin()->GetSchemeIndex(), KInitialColorScheme);
    EXPECT_EQ(loop->GetScreen(), &main);  // no screen was current before
}

TEST_F(UIScreen, DestroyedScreenIsNoLongerCurrent) {
    CUIScreen* screen = new CUIScreen(2);
    CUIEventLoop::Instance()->SetScreen(screen);
    delete screen;
    EXPECT_EQ(CUIEventLoop::Instance()->GetScreen(), nullptr);
}

}  // namespace

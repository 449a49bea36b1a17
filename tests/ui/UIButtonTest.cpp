#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/ScriptedInputReader.h"
#include "support/TempRoot.h"
#include "support/TestColorScheme.h"
#include "support/UIFakes.h"
#include "ui/Colors.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UIEventLoop.h"
#include "ui/UIScreen.h"
#include "ui/UIWidgetGroup.h"

namespace {

// What happened, in order: display updates (with the fill colour the watched button showed),
// flash pauses and notifications.
using TLog = std::vector<std::string>;

class CLoggingScreen : public CMemoryVirtualScreen {
  public:
    CLoggingScreen(int aWidth, int aHeight, TLog& aLog)
        : CMemoryVirtualScreen(aWidth, aHeight), iLog(aLog) {}
    void Watch(int aX, int aY) {
        iWatchX = aX;
        iWatchY = aY;
    }
    void Update(bool aOnlyWhenOwner) override {
        CMemoryVirtualScreen::Update(aOnlyWhenOwner);
        iLog.push_back("update " + std::to_string(Pixel(iWatchX, iWatchY)));
    }

  private:
    TLog& iLog;
    int iWatchX = 0;
    int iWatchY = 0;
};

class CListener : public MUIWidget::MUIWidgetEvents {
  public:
    explicit CListener(TLog& aLog) : iLog(aLog) {}
    void OnWidgetEvent(MUIWidget* aSource) override {
        iSources.push_back(aSource);
        iLog.push_back("notify " + std::to_string(aSource->Id()));
    }
    int Count(const MUIWidget* aSource) const {
        int count = 0;
        for (const MUIWidget* source : iSources) {
            count += source == aSource;
        }
        return count;
    }

    std::vector<MUIWidget*> iSources;

  private:
    TLog& iLog;
};

// A group whose background is the screen's green.
class CTestGroup : public CUIWidgetGroup {
  public:
    CTestGroup() : CUIWidgetGroup(TRect(0, 0, 159, 119)) {}
    void DrawBackground(const TRect&) override {}
};

std::string Update(std::uint32_t aColor) {
    return "update " + std::to_string(aColor);
}

// Buttons on a 160 x 120 memory screen with the test scheme and the fixed font of an empty
// skin. Button A is at (10, 10), B right of it; (x + 4, y + 10) shows a button's fill.
class UIButton : public ::testing::Test {
  protected:
    UIButton() : iSavedRoot(SkinRoot()) {
        SetDefaultWidgetScreen(&iScreen);
        SetSkinRoot(iSkinRoot.Root().c_str());
        iSleeper.iOnSleep = [this](std::uint32_t aMicroseconds) {
            iLog.push_back("sleep " + std::to_string(aMicroseconds));
        };
        CUIEventLoop::Instance()->SetSleeper(&iSleeper);
        // Made after the default screen is set: a widget keeps the screen it was made with.
        iGroup.reset(new CTestGroup);
        iA = Add("A", TRect(10, 10, 60, 20), 1);
        iB = Add("B", TRect(80, 10, 60, 20), 2);
        iScreen.Watch(14, 20);
    }
    ~UIButton() override {
        iGroup.reset();
        CUIEventLoop::Instance()->SetSleeper(nullptr);
        SetDefaultWidgetScreen(nullptr);
        SetSkinRoot(iSavedRoot.c_str());
    }

    CUIButton* Add(const char* aText, const TRect& aRect, int aId) {
        auto* button = new CUIButton(aRect, aText, &iListener);
        button->SetColorScheme(&iScheme);
        button->SetId(aId);
        EXPECT_TRUE(iGroup->AddChild(button));
        return button;
    }
    std::uint16_t Fill(const CUIButton* aButton) {
        return iScreen.Pixel(aButton->Rect().iX + 4, aButton->Rect().iY + 10);
    }
    // Pixels of aColor inside the button's rectangle.
    int Count(const CUIButton* aButton, std::uint32_t aColor) {
        const TRect& r = aButton->Rect();
        int count = 0;
        for (int x = r.iX; x < r.iX + r.iWidth; ++x) {
            for (int y = r.iY; y < r.iY + r.iHeight; ++y) {
                count += iScreen.Pixel(x, y) == aColor;
            }
        }
        return count;
    }
    bool Touch(int aX, int aY, int aPressure) {
        return iGroup->HandleTouch(TouchAt(aX, aY, aPressure));
    }

    TLog iLog;
    CLoggingScreen iScreen{160, 120, iLog};
    CRecordingSleeper iSleeper;
    CListener iListener{iLog};
    CTestScheme iScheme;
    CTempRoot iSkinRoot;
    std::string iSavedRoot;
    std::unique_ptr<CTestGroup> iGroup;
    CUIButton* iA = nullptr;
    CUIButton* iB = nullptr;
};

TEST_F(UIButton, LookFollowsState) {
    struct TCase {
        const char* iLegend;
        bool iEnabled;
        bool iFocused;
        bool iPressed;
        std::uint32_t iFill;
        std::uint32_t iText;
    };
    const TCase cases[] = {
        {"normal", true, false, false, KColorBlue, KColorWhite},
        {"pressed swaps the colours", true, false, true, KColorWhite, KColorBlue},
        {"focused", true, true, false, KColorBlue, KColorRed},
        {"focused and pressed", true, true, true, KColorRed, KColorBlue},
        {"disabled", false, false, false, KColorBlue, KColorGray},
        {"disabled and pressed", false, false, true, KColorGray, KColorBlue},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        iScreen.Memory().Fill(0);
        iA->SetFocus(c.iFocused);
        iA->SetEnabled(c.iEnabled);
        // Straight to the button: the group would not route to a disabled one.
        EXPECT_TRUE(iA->HandleTouch(TouchAt(20, 20, c.iPressed ? 1 : 0)));
        EXPECT_EQ(iA->IsPressed(), c.iPressed);
        EXPECT_EQ(Fill(iA), c.iFill);
        EXPECT_GT(Count(iA, c.iText), 0) << "no caption in the text colour";
        // The rounded fill covers one pixel more to the right and below.
        EXPECT_EQ(iScreen.Pixel(70, 20), c.iFill);
        EXPECT_EQ(iScreen.Pixel(71, 20), 0);
        iListener.iSources.clear();
    }
}

// Each row is a pen path over the group: A at x 10 to 69, B at 80 to 139, nothing at 150.
TEST_F(UIButton, NotifiesOnlyForAReleaseInsideTheButtonPressed) {
    struct TStep {
        int iX;
        int iPressure;
    };
    struct TCase {
        const char* iLegend;
        std::vector<TStep> iPath;
        int iA;
        int iB;
    };
    const TCase cases[] = {
        {"tap on A", {{20, 1}, {20, 0}}, 1, 0},
        {"pen resting on A", {{20, 1}, {21, 1}, {22, 1}, {22, 0}}, 1, 0},
        {"slide from A onto B, lift on B", {{20, 1}, {90, 1}, {90, 0}}, 0, 1},
        {"slide from A off every button", {{20, 1}, {150, 1}, {150, 0}}, 0, 0},
        {"slide off A and back", {{20, 1}, {150, 1}, {30, 1}, {30, 0}}, 1, 0},
        {"two taps", {{20, 1}, {20, 0}, {20, 1}, {20, 0}}, 2, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        iListener.iSources.clear();
        iScreen.Memory().Fill(0);
        iGroup->Draw();
        for (const TStep& step : c.iPath) {
            Touch(step.iX, 20, step.iPressure);
        }
        EXPECT_EQ(iListener.Count(iA), c.iA);
        EXPECT_EQ(iListener.Count(iB), c.iB);
        EXPECT_EQ(iListener.iSources.size(), static_cast<std::size_t>(c.iA + c.iB));
        EXPECT_FALSE(iA->IsPressed());
        EXPECT_FALSE(iB->IsPressed());
        EXPECT_EQ(Fill(iA), KColorBlue);
        EXPECT_EQ(Fill(iB), KColorBlue);
    }
}

TEST_F(UIButton, PenRestingOnTheButtonDrawsOnce) {
    EXPECT_TRUE(Touch(20, 20, 1));
    EXPECT_EQ(Fill(iA), KColorWhite);
    // Paint over the fill: a second drawing would repair it.
    iScreen.Memory().SetPixel(14, 20, KColorMagenta);
    EXPECT_TRUE(Touch(22, 21, 1));
    EXPECT_EQ(Fill(iA), KColorMagenta);
}

class CWatchingListener : public MUIWidget::MUIWidgetEvents {
  public:
    explicit CWatchingListener(CMemoryVirtualScreen& aScreen) : iScreen(aScreen) {}
    void OnWidgetEvent(MUIWidget*) override { iFills.push_back(iScreen.Pixel(14, 20)); }

    std::vector<std::uint16_t> iFills;

  private:
    CMemoryVirtualScreen& iScreen;
};

TEST_F(UIButton, ListenerSeesTheNormalLook) {
    CWatchingListener listener(iScreen);
    iA->SetListener(&listener);
    Touch(20, 20, 1);
    Touch(20, 20, 0);
    EXPECT_EQ(listener.iFills, std::vector<std::uint16_t>{KColorBlue});
}

TEST_F(UIButton, SelectFlashesThePressedLookThenNotifiesOnce) {
    // Not focused yet: the group focuses the focus holder (A, the first) before handing it
    // the key, so the pressed look is the focused one, Highlight.
    EXPECT_TRUE(iGroup->HandleKey(KKeySelect));
    const TLog expected = {Update(KColorRed), "sleep 50000", Update(KColorBlue), "notify 1"};
    EXPECT_EQ(iLog, expected);
    EXPECT_TRUE(iA->IsFocused());
    EXPECT_FALSE(iA->IsPressed());
}

TEST_F(UIButton, KeysOtherThanSelectAreNotTaken) {
    for (int key : {0, 1, 2, 5, 7, 10}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(iA->HandleKey(key));
    }
    EXPECT_TRUE(iLog.empty());
}

TEST_F(UIButton, DisabledButtonsTakeNoInputThroughTheGroup) {
    iA->SetEnabled(false);
    iB->SetEnabled(false);
    iScreen.Memory().Fill(0);
    EXPECT_FALSE(Touch(20, 20, 1));
    EXPECT_FALSE(Touch(20, 20, 0));
    EXPECT_FALSE(iGroup->HandleKey(KKeySelect));
    EXPECT_FALSE(iGroup->HandleKey(KKeyNext));
    EXPECT_TRUE(iLog.empty());
    EXPECT_EQ(Fill(iA), 0) << "a disabled button was redrawn";
}

TEST_F(UIButton, DisabledButtonIsSkippedByTheFocus) {
    iA->SetEnabled(false);
    EXPECT_TRUE(iGroup->HandleKey(KKeySelect));
    EXPECT_EQ(iListener.iSources, std::vector<MUIWidget*>{iB});
}

TEST_F(UIButton, WithoutListenerStillHandlesTheTap) {
    iA->SetListener(nullptr);
    EXPECT_TRUE(Touch(20, 20, 1));
    EXPECT_TRUE(Touch(20, 20, 0));
    EXPECT_TRUE(iA->HandleKey(KKeySelect));
    EXPECT_TRUE(iListener.iSources.empty());
}

TEST_F(UIButton, ZeroWidthButtonDrawsNothing) {
    auto* hidden = Add("H", TRect(10, 50, 0, 20), 3);
    iScreen.Memory().Fill(0);
    hidden->Draw();
    EXPECT_EQ(iScreen.Pixel(10, 60), 0);
}

// The application's handler may rebuild the screen from inside the notification.
class CDeletingListener : public MUIWidget::MUIWidgetEvents {
  public:
    explicit CDeletingListener(CUIWidgetGroup& aGroup) : iGroup(aGroup) {}
    void OnWidgetEvent(MUIWidget* aSource) override { iDeleted += iGroup.DeleteChild(aSource); }

    int iDeleted = 0;

  private:
    CUIWidgetGroup& iGroup;
};

TEST_F(UIButton, ListenerMayDestroyTheButton) {
    CDeletingListener listener(*iGroup);
    iA->SetListener(&listener);
    iB->SetListener(&listener);
    Touch(20, 20, 1);
    EXPECT_TRUE(Touch(20, 20, 0));
    EXPECT_TRUE(iB->HandleKey(KKeySelect));
    EXPECT_EQ(listener.iDeleted, 2);
    EXPECT_EQ(iGroup->ChildCount(), 0);
}

// The same paths through the event loop, fed by the scripted input reader.
TEST_F(UIButton, EventLoopDeliversOneNotificationPerTap) {
    CUIScreen screen(KInitialColorScheme);
    auto* a = new CUIButton(TRect(10, 10, 60, 20), "A", &iListener);
    auto* b = new CUIButton(TRect(80, 10, 60, 20), "B", &iListener);
    a->SetId(1);
    b->SetId(2);
    ASSERT_TRUE(screen.AddChild(a));
    ASSERT_TRUE(screen.AddChild(b));
    CScriptedInputReader input;
    CFixedOwner owner(7, 7);
    CUIEventLoop loop;
    loop.SetInputReader(&input);
    loop.SetFrameBuffer(&iScreen);
    loop.SetOwnerSource(&owner);
    loop.SetScreen(&screen);
    loop.Step();  // the display is this process's from the first pass

    input.PressAt(20, 20);
    input.PressAt(90, 20);  // slid onto B
    input.Release();
    input.PressAt(90, 20);
    input.Release();
    while (input.PendingTouches() > 0) {
        loop.Step();
    }
    EXPECT_EQ(iListener.Count(a), 0) << "A was left before the pen was lifted";
    EXPECT_EQ(iListener.Count(b), 2) << "two lifts on B";

    iScreen.ResetCounts();
    input.Key(KKeySelect);  // to the focus holder, A
    loop.Step();
    EXPECT_EQ(iListener.Count(a), 1);
    EXPECT_EQ(iScreen.Updates(), 3) << "the flash's two and the pass's own";
    EXPECT_FALSE(a->IsPressed());
    EXPECT_FALSE(b->IsPressed());
}

}  // namespace

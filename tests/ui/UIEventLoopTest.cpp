#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "platform/DisplayOwner.h"
#include "support/ForkedRun.h"
#include "support/MemoryVirtualScreen.h"
#include "support/ScriptedInputReader.h"
#include "support/TempRoot.h"
#include "support/UIFakes.h"
#include "ui/UIEventLoop.h"
#include "ui/UIScreen.h"

namespace {

constexpr int KOwnPid = 42;

// A screen that counts draws and answers input with set results.
class CProbeScreen : public CUIScreen {
  public:
    CProbeScreen() : CUIScreen(2) {}
    void Draw() override { ++iDraws; }
    bool HandleTouch(const TouchEvent& aEvent) override {
        iTouches.push_back(aEvent);
        return iTouchResult;
    }
    bool HandleKey(int aKey) override {
        iKeys.push_back(aKey);
        return iKeyResult;
    }
    int iDraws = 0;
    std::vector<TouchEvent> iTouches;
    std::vector<int> iKeys;
    bool iTouchResult = true;
    bool iKeyResult = true;
};

class UIEventLoop : public ::testing::Test {
  protected:
    UIEventLoop() {
        iLoop.SetInputReader(&iReader);
        iLoop.SetFrameBuffer(&iScreen);
        iLoop.SetSleeper(&iSleeper);
        iLoop.SetOwnerSource(&iOwner);
        iLoop.SetIdleHandler(&iIdle);
        iLoop.SetScreen(&iProbe);
    }

    CMemoryVirtualScreen iScreen{64, 48};
    CUseScreen iUseScreen{&iScreen};
    CScriptedInputReader iReader;
    CRecordingSleeper iSleeper;
    CFixedOwner iOwner{0, KOwnPid};
    CIdleScript iIdle;
    CProbeScreen iProbe;
    CUIEventLoop iLoop;
};

TEST_F(UIEventLoop, QuietPassesCallTheIdleHandlerAndUpdateNothing) {
    for (int pass = 1; pass <= 3; ++pass) {
        iLoop.Step();
        EXPECT_EQ(iIdle.iCalls, pass);
    }
    EXPECT_EQ(iScreen.Updates(), 0);
    EXPECT_EQ(iProbe.iDraws, 0);
    EXPECT_EQ(iReader.TouchReads(), 3);
    EXPECT_EQ(iReader.KeyReads(), 3);
    EXPECT_TRUE(iSleeper.iSleeps.empty());  // Step itself never sleeps
}

TEST_F(UIEventLoop, OneTouchAndOneKeyPerPassTheLastResultDecides) {
    struct TCase {
        const char* iLegend;
        bool iTouch, iKey;  // an event of that kind is queued
        bool iTouchResult, iKeyResult;
        bool iUpdate;
    } const cases[] = {
        {"touch handled, no key", true, false, true, false, true},
        {"touch ignored, no key", true, false, false, false, false},
        {"key handled alone", false, true, false, true, true},
        {"touch handled, key ignored: the key decides", true, true, true, false, false},
        {"touch ignored, key handled", true, true, false, true, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        iScreen.ResetCounts();
        iProbe.iTouches.clear();
        iProbe.iKeys.clear();
        iProbe.iTouchResult = c.iTouchResult;
        iProbe.iKeyResult = c.iKeyResult;
        for (int i = 0; i < 2; ++i) {  // two of each: one stays queued
            if (c.iTouch) {
                iReader.PressAt(10 + i, 20);
            }
            if (c.iKey) {
                iReader.Key(KKeyNext);
            }
        }
        iLoop.Step();
        EXPECT_EQ(iProbe.iTouches.size(), c.iTouch ? 1u : 0u);
        EXPECT_EQ(iProbe.iKeys.size(), c.iKey ? 1u : 0u);
        EXPECT_EQ(iScreen.Updates(), c.iUpdate ? 1 : 0);
        if (c.iTouch) {
            EXPECT_EQ(iProbe.iTouches[0].x, 10);
            EXPECT_EQ(iProbe.iTouches[0].pressure, 1);
        }
        EXPECT_EQ(iReader.PendingTouches(), c.iTouch ? 1u : 0u);
        EXPECT_EQ(iReader.PendingKeys(), c.iKey ? 1u : 0u);
        iLoop.Step();  // the second pair
        iLoop.Step();
        EXPECT_EQ(iReader.PendingTouches() + iReader.PendingKeys(), 0u);
    }
    EXPECT_TRUE(iScreen.LastOnlyWhenShown());
}

TEST_F(UIEventLoop, NoScreenNoInput) {
    iLoop.SetScreen(nullptr);
    iReader.PressAt(1, 1);
    iLoop.RequestRedraw();
    iLoop.Step();
    EXPECT_EQ(iIdle.iCalls, 1);
    EXPECT_EQ(iReader.PendingTouches(), 1u);
    EXPECT_EQ(iScreen.Updates(), 0);
}

TEST_F(UIEventLoop, RedrawRequestsAreServedUnlessAStopIsPending) {
    iLoop.RequestRedraw();
    iLoop.Step();
    EXPECT_EQ(iProbe.iDraws, 1);
    EXPECT_EQ(iScreen.Updates(), 1);
    EXPECT_FALSE(iLoop.IsRedrawRequested());
    iLoop.Step();
    EXPECT_EQ(iProbe.iDraws, 1);

    // Stop and redraw in one pass: the redraw is left for the loop that goes on.
    iLoop.RequestStop();
    iLoop.RequestRedraw();
    iLoop.Step();
    EXPECT_EQ(iProbe.iDraws, 1);
    EXPECT_TRUE(iLoop.IsRedrawRequested());
}

// The back buffer still holds the picture when the display comes back: update, no redraw.
TEST_F(UIEventLoop, DisplayComingBackIsUpdatedOnce) {
    struct TPass {
        int iActive;
        bool iUpdate;
    } const passes[] = {
        {KOwnPid, true},  // owner at the first pass: the previous one was 0
        {KOwnPid, false}, {0, false}, {KOwnPid, true}, {77, false}, {77, false}, {KOwnPid, true},
    };
    int pass = 0;
    for (const TPass& p : passes) {
        SCOPED_TRACE(++pass);
        iScreen.ResetCounts();
        iOwner.iActive = p.iActive;
        iLoop.Step();
        EXPECT_EQ(iScreen.Updates(), p.iUpdate ? 1 : 0);
        // The device showed another picture: the whole screen is copied, not what was drawn.
        EXPECT_EQ(iScreen.WholeCopiesDue(), p.iUpdate ? 1 : 0);
    }
    EXPECT_EQ(iProbe.iDraws, 0);

    // An ignored touch in that same pass does not cancel it: the other program's picture must
    // not stay on the screen.
    iOwner.iActive = 0;
    iLoop.Step();
    iOwner.iActive = KOwnPid;
    iProbe.iTouchResult = false;
    iReader.PressAt(1, 1);
    iScreen.ResetCounts();
    iLoop.Step();
    EXPECT_EQ(iScreen.Updates(), 1);
}

// Taken and given back between two passes, the display is not seen coming back; while shown,
// the whole screen goes again once a second all the same.
TEST_F(UIEventLoop, AShownScreenIsCopiedWholeOnceASecond) {
    iOwner.iActive = KOwnPid;
    iLoop.Step();  // came back
    iScreen.ResetCounts();
    for (int pass = 1; pass <= 2 * CUIEventLoop::KWholeCopyPasses; ++pass) {
        iLoop.Step();
    }
    EXPECT_EQ(iScreen.Invalidates(), 2);
    EXPECT_EQ(iScreen.Updates(), 2);
}

TEST_F(UIEventLoop, RunShowsTheScreenThenPassesUntilStopped) {
    iLoop.RequestStop();  // cleared on entry: a stale request does not end the new run
    iLoop.RequestRedraw();
    iIdle.iAction = [this](CUIEventLoop* aLoop) {
        EXPECT_EQ(aLoop, &iLoop);
        if (iIdle.iCalls == 3) {
            aLoop->RequestStop();
        }
    };
    iLoop.Run();
    EXPECT_EQ(iIdle.iCalls, 3);
    EXPECT_EQ(iProbe.iDraws, 1);  // the initial draw; the stale redraw request was dropped
    EXPECT_EQ(iScreen.Updates(), 1);
    EXPECT_EQ(iScreen.Invalidates(), 1);  // a screen of its own: copied whole
    EXPECT_EQ(iSleeper.iSleeps, (std::vector<std::uint32_t>{50000, 50000, 50000}));
}

TEST_F(UIEventLoop, NestedRunEndsOnlyTheInnerLoop) {
    int innerPasses = 0;
    iIdle.iAction = [&](CUIEventLoop* aLoop) {
        if (iIdle.iCalls == 2) {
            aLoop->Run();  // nested: its own passes call this handler too
            aLoop->ClearStopRequest();
        } else if (iIdle.iCalls > 2 && iIdle.iCalls <= 4) {
            ++innerPasses;
            if (iIdle.iCalls == 4) {
                aLoop->RequestStop();
            }
        } else if (iIdle.iCalls == 6) {
            aLoop->RequestStop();
        }
    };
    iLoop.Run();
    EXPECT_EQ(innerPasses, 2);
    EXPECT_EQ(iIdle.iCalls, 6);
    EXPECT_EQ(iSleeper.iSleeps.size(), 6u);
}

// The real owner word, in a child with a device root of its own.
TEST(UIEventLoopOwnerWord, DisplayHandedBackThroughTheSharedWord) {
    const int status = RunInChild([] {
        CTempRoot root;
        CMemoryVirtualScreen screen(16, 16);
        CScriptedInputReader reader;
        CRecordingSleeper sleeper;
        CUIEventLoop loop;
        loop.SetInputReader(&reader);
        loop.SetFrameBuffer(&screen);
        loop.SetSleeper(&sleeper);
        const int own = static_cast<int>(::getpid());
        const int other = own + 1;
        const int words[] = {other, own, own, 0, own};
        const int updates[] = {0, 1, 1, 1, 2};
        for (int i = 0; i < 5; ++i) {
            SetActivePid(words[i]);
            loop.Step();
            EXPECT_EQ(screen.Updates(), updates[i]) << "pass " << i;
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace

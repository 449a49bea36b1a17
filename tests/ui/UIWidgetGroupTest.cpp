#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/UIFakes.h"
#include "ui/UIWidgetGroup.h"

namespace {

// What probes saw, in order: "A press 5,5", "B release 9,9", "A key 6", "A draw", "A gone".
using TJournal = std::vector<std::string>;

class CProbe : public MUIWidget {
  public:
    CProbe(const char* aName, const TRect& aRect, TJournal& aJournal)
        : MUIWidget(aRect, nullptr, nullptr), iName(aName), iJournal(aJournal) {}
    ~CProbe() override { iJournal.push_back(iName + " gone"); }

    void Draw() override { iJournal.push_back(iName + " draw"); }
    bool HandleTouch(const TouchEvent& aEvent) override {
        iJournal.push_back(iName + (aEvent.pressure != 0 ? " press " : " release ") +
                           std::to_string(aEvent.x) + "," + std::to_string(aEvent.y));
        const bool result = iTouchResult;
        if (iOnTouch) {
            iOnTouch();  // may destroy this probe
        }
        return result;
    }
    bool HandleKey(int aKey) override {
        iJournal.push_back(iName + " key " + std::to_string(aKey));
        return iKeyResult;
    }

    std::string iName;
    TJournal& iJournal;
    bool iTouchResult = true;
    bool iKeyResult = true;
    std::function<void()> iOnTouch;
};

class CTestGroup : public CUIWidgetGroup {
  public:
    CTestGroup() : CUIWidgetGroup({0, 0, 320, 240}) {}
    void DrawBackground(const TRect&) override {}
};

// Makes aScreen the one widgets draw on while it lives: declared before the widgets it serves.
class UIWidgetGroup : public ::testing::Test {
  protected:
    CProbe* Add(const char* aName, const TRect& aRect) {
        CProbe* probe = new CProbe(aName, aRect, iJournal);
        EXPECT_TRUE(iGroup.AddChild(probe));
        return probe;
    }
    bool Touch(int aX, int aY, int aPressure) {
        return iGroup.HandleTouch(TouchAt(aX, aY, aPressure));
    }
    // The journal since the last call.
    TJournal Take() {
        TJournal taken;
        taken.swap(iJournal);
        return taken;
    }

    CMemoryVirtualScreen iScreen{320, 240};
    CUseScreen iUseScreen{&iScreen};
    TJournal iJournal;  // outlives the group: children write to it when destroyed
    CTestGroup iGroup;
};

TEST_F(UIWidgetGroup, TouchGoesToTheFirstEnabledChildUnderThePen) {
    CProbe* a = Add("A", {0, 0, 50, 50});
    Add("B", {20, 20, 50, 50});  // overlaps A in 20..49
    Add("C", {100, 0, 0, 50});   // zero width: never hit
    struct TCase {
        const char* iLegend;
        bool iAEnabled;
        int iX, iY;
        const char* iReceiver;  // null: nobody
    } const cases[] = {
        {"overlap: the lower slot wins", true, 30, 30, "A press 30,30"},
        {"disabled A: the touch falls to B", false, 30, 30, "B press 30,30"},
        {"x = x + width is outside A", true, 50, 30, "B press 50,30"},
        {"nobody there", true, 200, 200, nullptr},
        {"zero-width child", true, 100, 10, nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        a->SetEnabled(c.iAEnabled);
        EXPECT_EQ(Touch(c.iX, c.iY, 1), c.iReceiver != nullptr);
        const TJournal journal = Take();
        // The release of the previous target (if any) comes first.
        if (c.iReceiver != nullptr) {
            ASSERT_FALSE(journal.empty());
            EXPECT_EQ(journal.back(), c.iReceiver);
        }
        Touch(300, 230, 0);  // lift the pen off everything between cases
        Take();
    }
}

TEST_F(UIWidgetGroup, PenSlidingOffReleasesTheWidgetItLeft) {
    CProbe* a = Add("A", {0, 0, 50, 50});
    CProbe* b = Add("B", {60, 0, 50, 50});
    EXPECT_TRUE(Touch(10, 10, 1));
    EXPECT_EQ(iGroup.TouchTarget(), a);
    EXPECT_TRUE(Touch(12, 10, 1));  // moving on the same widget: no release
    EXPECT_EQ(Take(), (TJournal{"A press 10,10", "A press 12,10"}));

    // Onto B: A is released at B's point first, then B is pressed.
    a->iTouchResult = false;
    b->iTouchResult = false;
    EXPECT_FALSE(Touch(70, 10, 1));
    EXPECT_EQ(Take(), (TJournal{"A release 70,10", "B press 70,10"}));
    EXPECT_EQ(iGroup.TouchTarget(), b);

    // Off every widget: B is released, and nothing is the target any more.
    b->iTouchResult = true;
    EXPECT_TRUE(Touch(200, 200, 1));
    EXPECT_EQ(Take(), (TJournal{"B release 200,200"}));
    EXPECT_EQ(iGroup.TouchTarget(), nullptr);
    EXPECT_FALSE(Touch(200, 200, 0));
    EXPECT_TRUE(Take().empty());
}

// However the stored touch target goes, the group forgets it and the next touch calls no freed
// widget (AddressSanitizer builds would report one).
TEST_F(UIWidgetGroup, DestroyedTouchTargetIsForgotten) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way == 0 ? "DeleteChild" : way == 1 ? "delete" : "its own handler");
        CProbe* a = Add("A", {0, 0, 50, 50});
        Add("B", {60, 0, 50, 50});
        if (way == 2) {
            a->iOnTouch = [this, a] { iGroup.DeleteChild(a); };
        }
        Touch(10, 10, 1);
        if (way == 0) {
            EXPECT_TRUE(iGroup.DeleteChild(a));
        } else if (way == 1) {
            delete a;
        }
        EXPECT_EQ(iGroup.TouchTarget(), nullptr);
        EXPECT_EQ(iGroup.ChildCount(), 1);
        EXPECT_FALSE(iGroup.HasChild(a));
        Take();
        Touch(70, 10, 1);
        EXPECT_EQ(Take(), (TJournal{"B press 70,10"}));
        iGroup.DeleteAllChildren();
        EXPECT_EQ(iGroup.TouchTarget(), nullptr);
        Take();
    }
}

TEST_F(UIWidgetGroup, OwnershipOfChildren) {
    TJournal outside;
    CProbe stranger("S", {0, 0, 1, 1}, outside);
    EXPECT_FALSE(iGroup.DeleteChild(&stranger));
    EXPECT_FALSE(iGroup.AddChild(nullptr));

    for (int i = 0; i < KMaxChildren; ++i) {
        Add("X", {0, 0, 1, 1});
    }
    CProbe* extra = new CProbe("E", {0, 0, 1, 1}, iJournal);
    EXPECT_FALSE(iGroup.AddChild(extra));  // full: stays with the caller
    EXPECT_EQ(extra->Parent(), nullptr);
    delete extra;

    // A child deleted frees its slot for the next one; a child cannot be added twice.
    CProbe* first = static_cast<CProbe*>(iGroup.Child(0));
    EXPECT_EQ(first->Parent(), &iGroup);
    EXPECT_FALSE(iGroup.AddChild(first));
    EXPECT_TRUE(iGroup.DeleteChild(first));
    EXPECT_EQ(iGroup.Child(0), nullptr);
    CProbe* replacement = Add("R", {0, 0, 1, 1});
    EXPECT_EQ(iGroup.Child(0), replacement);
    Take();
    iGroup.DeleteAllChildren();
    EXPECT_EQ(iGroup.ChildCount(), 0);
    EXPECT_EQ(Take().size(), static_cast<std::size_t>(KMaxChildren));
}

TEST_F(UIWidgetGroup, SingleFocusableChildTakesTheFocusThenTheKeys) {
    Add("off", {0, 0, 5, 5})->SetEnabled(false);
    Add("hidden", {0, 0, 0, 5});
    CProbe* only = Add("A", {0, 0, 5, 5});
    EXPECT_TRUE(iGroup.HandleKey(KKeyNext));
    EXPECT_TRUE(only->IsFocused());
    EXPECT_EQ(Take(), (TJournal{"A draw"}));
    EXPECT_EQ(iScreen.Updates(), 1);

    // No other candidate: the key goes to the focused child, whose result is returned.
    only->iKeyResult = false;
    EXPECT_FALSE(iGroup.HandleKey(KKeyNext));
    EXPECT_EQ(Take(), (TJournal{"A key 4"}));
    EXPECT_EQ(iScreen.Updates(), 1);
}

TEST_F(UIWidgetGroup, FocusMovesAndWraps) {
    CProbe* a = Add("A", {0, 0, 5, 5});
    Add("off", {0, 0, 5, 5})->SetEnabled(false);
    CProbe* b = Add("B", {0, 0, 5, 5});
    CProbe* c = Add("C", {0, 0, 5, 5});
    struct TStep {
        int iKey;
        CProbe* iFocused;
        TJournal iJournal;
    } const steps[] = {
        // Nothing focused: key 3 searches from the last slot, key 4 would from the first.
        {KKeyPrevious, c, {"C draw"}},
        {KKeyNext, a, {"C draw", "A draw"}},  // wraps from slot 63 to 0
        {KKeyNext, b, {"A draw", "B draw"}},  // skips the disabled child
        {KKeyPrevious, a, {"B draw", "A draw"}},
        {KKeyPrevious, c, {"A draw", "C draw"}},  // wraps from 0 to 63
    };
    int updates = 0;
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.iFocused->iName);
        EXPECT_TRUE(iGroup.HandleKey(step.iKey));
        EXPECT_EQ(Take(), step.iJournal);
        EXPECT_EQ(iScreen.Updates(), ++updates);
        for (CProbe* probe : {a, b, c}) {
            EXPECT_EQ(probe->IsFocused(), probe == step.iFocused) << probe->iName;
        }
    }
}

TEST_F(UIWidgetGroup, OtherKeysGoToTheFocusHolder) {
    EXPECT_FALSE(iGroup.HandleKey(KKeySelect));  // no child at all
    CProbe* a = Add("A", {0, 0, 5, 5});
    CProbe* b = Add("B", {0, 0, 5, 5});
    // Nothing focused: the first focusable child (searching forwards) is focused and gets it.
    EXPECT_TRUE(iGroup.HandleKey(KKeySelect));
    EXPECT_EQ(Take(), (TJournal{"A draw", "A key 6"}));
    EXPECT_TRUE(a->IsFocused());
    EXPECT_EQ(iScreen.Updates(), 0);
    // A focused child keeps the keys, without a redraw.
    b->SetFocus(true);
    a->SetFocus(false);
    EXPECT_TRUE(iGroup.HandleKey(9));
    EXPECT_EQ(Take(), (TJournal{"B key 9"}));
    EXPECT_FALSE(iGroup.MoveFocus(0));
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/TempRoot.h"
#include "support/TestColorScheme.h"
#include "support/UIFakes.h"
#include "ui/Colors.h"
#include "ui/Skin.h"
#include "ui/UIRadioButton.h"
#include "ui/UIWidgetGroup.h"

namespace {

const std::string KSampleSkin = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root";
constexpr std::uint16_t KBackground = KColorGreen;

class CListener : public MUIWidget::MUIWidgetEvents {
  public:
    void OnWidgetEvent(MUIWidget* aSource) override { iSources.push_back(aSource); }
    std::vector<MUIWidget*> iSources;
};

constexpr int KChain = 5;

// A chain of five radio buttons 20 pixels apart on a 160 x 120 memory screen, linked the way
// the application links them, with the fixed font and built-in images of an empty skin.
class UIRadioButton : public ::testing::Test {
  protected:
    UIRadioButton() : iSavedRoot(SkinRoot()) {
        SetDefaultWidgetScreen(&iScreen);
        SetSkinRoot(iSkinRoot.Root().c_str());
        iGroup.reset(new CPaintingGroup(KBackground));
        CUIRadioButton* previous = nullptr;
        for (int i = 0; i < KChain; ++i) {
            auto* button = new CUIRadioButton(TRect(10, 10 + 20 * i, 100, 18), "Choice", &iListener,
                                              previous, nullptr);
            button->SetColorScheme(&iScheme);
            button->SetId(i);
            if (previous != nullptr) {
                previous->SetNext(button);
            }
            EXPECT_TRUE(iGroup->AddChild(button));
            iButtons[i] = button;
            previous = button;
        }
    }
    ~UIRadioButton() override {
        iGroup.reset();
        SetDefaultWidgetScreen(nullptr);
        SetSkinRoot(iSavedRoot.c_str());
    }

    bool Touch(int aX, int aY, int aPressure) {
        return iGroup->HandleTouch(TouchAt(aX, aY, aPressure));
    }
    // The ids of the buttons that redrew, in order.
    std::vector<int> Redrawn() const {
        std::vector<int> ids;
        for (const TRect& area : iGroup->iAreas) {
            ids.push_back((area.iY - 10) / 20);
        }
        return ids;
    }
    std::vector<int> Checked() const {
        std::vector<int> ids;
        for (int i = 0; i < KChain; ++i) {
            if (iButtons[i]->IsChecked()) {
                ids.push_back(i);
            }
        }
        return ids;
    }
    int Count(const TRect& aRect, std::uint32_t aColor) {
        int count = 0;
        for (int x = aRect.iX; x < aRect.iX + aRect.iWidth; ++x) {
            for (int y = aRect.iY; y < aRect.iY + aRect.iHeight; ++y) {
                count += iScreen.Pixel(x, y) == aColor;
            }
        }
        return count;
    }

    CMemoryVirtualScreen iScreen{160, 120};
    CTempRoot iSkinRoot;
    std::string iSavedRoot;
    CTestScheme iScheme;
    CListener iListener;
    std::unique_ptr<CPaintingGroup> iGroup;
    CUIRadioButton* iButtons[KChain] = {};
};

TEST_F(UIRadioButton, ChoosingOneUnchecksTheWholeChainAndNotifiesOnce) {
    struct TCase {
        const char* iLegend;
        int iBefore;  // -1: none checked
        int iChosen;
        bool iByKey;
        std::vector<int> iRedrawn;
    };
    const TCase cases[] = {
        {"middle, none checked", -1, 2, false, {2}},
        {"middle, first checked (previous links)", 0, 2, false, {0, 2}},
        {"middle, last checked (next links)", 4, 2, false, {4, 2}},
        {"middle, neighbour checked", 1, 2, false, {1, 2}},
        {"first, last checked", 4, 0, false, {4, 0}},
        {"last, first checked", 0, 4, false, {0, 4}},
        {"middle by select, first checked", 0, 2, true, {0, 2}},
        {"middle by select, last checked", 4, 2, true, {4, 2}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        for (CUIRadioButton* button : iButtons) {
            button->SetChecked(false);
        }
        if (c.iBefore >= 0) {
            iButtons[c.iBefore]->SetChecked(true);
        }
        iGroup->iAreas.clear();
        iListener.iSources.clear();
        const int y = 10 + 20 * c.iChosen + 5;
        if (c.iByKey) {
            EXPECT_TRUE(iButtons[c.iChosen]->HandleKey(KKeySelect));
        } else {
            EXPECT_FALSE(Touch(20, y, 1)) << "a press does nothing";
            EXPECT_TRUE(Touch(20, y, 0));
        }
        EXPECT_EQ(Checked(), std::vector<int>{c.iChosen});
        EXPECT_EQ(iListener.iSources, std::vector<MUIWidget*>{iButtons[c.iChosen]});
        EXPECT_EQ(Redrawn(), c.iRedrawn);
    }
}

TEST_F(UIRadioButton, InputThatChangesNothingIsNotTaken) {
    struct TCase {
        const char* iLegend;
        bool iChecked;
        int iKey;  // 0: a touch
        int iX;
        int iPressure;
    };
    const TCase cases[] = {
        {"release on a checked button", true, 0, 20, 0},
        {"press on an unchecked button", false, 0, 20, 1},
        {"release outside an unchecked button", false, 0, 120, 0},
        {"release on the right edge (outside)", false, 0, 110, 0},
        {"select on a checked button", true, KKeySelect, 0, 0},
        {"next on an unchecked button", false, KKeyNext, 0, 0},
        {"an unknown key", false, 9, 0, 0},
    };
    CUIRadioButton* button = iButtons[1];
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        button->SetChecked(c.iChecked);
        iGroup->iAreas.clear();
        iListener.iSources.clear();
        if (c.iKey != 0) {
            EXPECT_FALSE(button->HandleKey(c.iKey));
        } else {
            EXPECT_FALSE(button->HandleTouch(TouchAt(c.iX, 35, c.iPressure)));
        }
        EXPECT_EQ(button->IsChecked(), c.iChecked);
        EXPECT_TRUE(iListener.iSources.empty());
        EXPECT_TRUE(iGroup->iAreas.empty()) << "something redrew";
    }
}

TEST_F(UIRadioButton, SetCheckedRedrawsOnlyOnChangeAndNeverNotifies) {
    iButtons[3]->SetChecked(true);
    iButtons[3]->SetChecked(true);
    iButtons[1]->SetChecked(false);
    EXPECT_EQ(Redrawn(), std::vector<int>{3});
    iButtons[3]->SetChecked(false);
    EXPECT_EQ(Redrawn(), (std::vector<int>{3, 3}));
    EXPECT_TRUE(Checked().empty());
    EXPECT_TRUE(iListener.iSources.empty());
}

TEST_F(UIRadioButton, ChainClosedIntoARingStillEnds) {
    iButtons[KChain - 1]->SetNext(iButtons[0]);
    iButtons[0]->SetPrevious(iButtons[KChain - 1]);
    iButtons[1]->SetChecked(true);
    iButtons[3]->SetChecked(true);
    EXPECT_EQ(Checked(), std::vector<int>{3});
}

// A destroyed button leaves its chain or ring: its neighbours are linked to each other, and
// checking one of them reaches only buttons that exist.
TEST_F(UIRadioButton, DestroyedButtonLeavesItsChain) {
    iButtons[KChain - 1]->SetNext(iButtons[0]);
    iButtons[0]->SetPrevious(iButtons[KChain - 1]);
    // The middle of the ring: 1 and 3 now meet.
    ASSERT_TRUE(iGroup->DeleteChild(iButtons[2]));
    EXPECT_EQ(iButtons[1]->Next(), iButtons[3]);
    EXPECT_EQ(iButtons[3]->Previous(), iButtons[1]);
    // The ring's end of the chain as built: 3 and 0 close the ring.
    ASSERT_TRUE(iGroup->DeleteChild(iButtons[4]));
    EXPECT_EQ(iButtons[3]->Next(), iButtons[0]);
    EXPECT_EQ(iButtons[0]->Previous(), iButtons[3]);
    ASSERT_TRUE(iGroup->DeleteChild(iButtons[1]));
    // A ring of two left with one: linked to nothing, not to itself.
    EXPECT_EQ(iButtons[0]->Next(), iButtons[3]);
    EXPECT_EQ(iButtons[0]->Previous(), iButtons[3]);
    ASSERT_TRUE(iGroup->DeleteChild(iButtons[3]));
    ASSERT_EQ(iButtons[0]->Next(), nullptr);
    ASSERT_EQ(iButtons[0]->Previous(), nullptr);
    EXPECT_TRUE(Touch(20, 15, 0));
    EXPECT_TRUE(iButtons[0]->IsChecked());

    // The end of an open chain: the one before it ends the chain.
    CUIRadioButton first(TRect(), "", nullptr, nullptr, nullptr);
    auto* last = new CUIRadioButton(TRect(), "", nullptr, &first, nullptr);
    first.SetNext(last);
    delete last;
    EXPECT_EQ(first.Next(), nullptr);
}

TEST_F(UIRadioButton, CaptionColourFollowsState) {
    struct TCase {
        const char* iLegend;
        bool iEnabled;
        bool iFocused;
        std::uint32_t iColor;
    };
    const TCase cases[] = {
        {"enabled", true, false, KColorYellow},
        {"focused", true, true, KColorRed},
        {"disabled", false, false, KColorGray},
    };
    CUIRadioButton* button = iButtons[0];
    const TRect caption(35, 10, 75, 18);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        button->SetFocus(c.iFocused);
        button->SetEnabled(c.iEnabled);
        button->Draw();
        EXPECT_GT(Count(caption, c.iColor), 0);
    }
}

TEST_F(UIRadioButton, CaptionStartsThreePixelsAfterTheImage) {
    CUIRadioButton* button = iButtons[0];
    const int imageWidth = GetSkin()->GetImage(ESkinImageRadioOff)->Width();
    button->Draw();
    const int captionX = 10 + imageWidth + 3;
    EXPECT_EQ(Count(TRect(10 + imageWidth + 1, 10, 2, 19), KColorYellow), 0);
    EXPECT_GT(Count(TRect(captionX, 10, 12, 19), KColorYellow), 0);
}

TEST_F(UIRadioButton, ZeroWidthButtonDrawsNothing) {
    iButtons[0]->SetRect(TRect(10, 10, 0, 18));
    iScreen.Memory().Fill(0);
    iButtons[0]->Draw();
    iButtons[1]->SetChecked(true);  // unchecks the hidden one, which redraws nothing
    iButtons[0]->SetChecked(true);
    EXPECT_EQ(Redrawn(), (std::vector<int>{1, 1}));
    EXPECT_EQ(Count(TRect(0, 0, 160, 30), 0), 160 * 30);
}

// The image of each state is the skin's own: the sample skin has a different picture for each.
TEST_F(UIRadioButton, StateImageComesFromTheSkin) {
    SetSkinRoot(KSampleSkin.c_str());
    MUISkin* skin = GetSkin();
    struct TCase {
        const char* iLegend;
        bool iEnabled;
        bool iChecked;
        int iImage;
    };
    const TCase cases[] = {
        {"enabled, checked", true, true, ESkinImageRadioOn},
        {"enabled, unchecked", true, false, ESkinImageRadioOff},
        {"disabled, checked", false, true, ESkinImageRadioOnDis},
        {"disabled, unchecked", false, false, ESkinImageRadioOffDis},
    };
    // A button 30 high: a 20-high image is drawn 5 pixels down.
    CUIRadioButton* button = iButtons[0];
    button->SetRect(TRect(10, 10, 100, 30));
    button->SetText(nullptr);
    std::vector<std::vector<std::uint16_t>> pictures;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        MImage* image = skin->GetImage(c.iImage);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->Height(), 20);
        CMemoryVirtualScreen expected(160, 120);
        // The same background under the expected picture; the image's key colour shows it.
        for (int x = 10; x < 10 + image->Width(); ++x) {
            for (int y = 10; y < 40; ++y) {
                expected.Memory().SetPixel(x, y, KBackground);
            }
        }
        ASSERT_TRUE(image->Draw(&expected, 10, 15));

        button->SetEnabled(c.iEnabled);
        button->SetChecked(c.iChecked);
        iScreen.Memory().Fill(0);
        button->Draw();
        std::vector<std::uint16_t> picture;
        int differences = 0;
        for (int x = 10; x < 10 + image->Width(); ++x) {
            for (int y = 10; y < 40; ++y) {
                picture.push_back(iScreen.Pixel(x, y));
                differences += iScreen.Pixel(x, y) != expected.Pixel(x, y);
            }
        }
        EXPECT_EQ(differences, 0);
        for (const auto& other : pictures) {
            EXPECT_NE(picture, other) << "two states look the same in the sample skin";
        }
        pictures.push_back(picture);
    }
}

}  // namespace

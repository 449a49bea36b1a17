#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/TempRoot.h"
#include "support/UIFakes.h"
#include "ui/ColorScheme.h"
#include "ui/Colors.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UILabel.h"
#include "ui/UIWidgetGroup.h"

namespace {

constexpr std::uint16_t KBackground = KColorGreen;

class CCountingListener : public MUIWidget::MUIWidgetEvents {
  public:
    void OnWidgetEvent(MUIWidget*) override { ++iCount; }
    int iCount = 0;
};

// Labels on a 160 x 120 memory screen with the fixed font of an empty skin (scale 2: 12
// pixels a character, 16 high).
class UILabel : public ::testing::Test {
  protected:
    UILabel() : iSavedRoot(SkinRoot()) {
        SetDefaultWidgetScreen(&iScreen);
        SetSkinRoot(iSkinRoot.Root().c_str());
        iGroup.reset(new CPaintingGroup(KBackground));
        iLabel = new CUILabel(TRect(10, 10, 100, 20), "Label");
        EXPECT_TRUE(iGroup->AddChild(iLabel));
    }
    ~UILabel() override {
        iGroup.reset();
        SetDefaultWidgetScreen(nullptr);
        SetSkinRoot(iSavedRoot.c_str());
    }

    // Pixels of aColor in the rectangle (aX, aY, aWidth, aHeight).
    int Count(int aX, int aY, int aWidth, int aHeight, std::uint32_t aColor) {
        int count = 0;
        for (int x = aX; x < aX + aWidth; ++x) {
            for (int y = aY; y < aY + aHeight; ++y) {
                count += iScreen.Pixel(x, y) == aColor;
            }
        }
        return count;
    }

    CMemoryVirtualScreen iScreen{160, 120};
    CTempRoot iSkinRoot;
    std::string iSavedRoot;
    std::unique_ptr<CPaintingGroup> iGroup;
    CUILabel* iLabel = nullptr;
};

TEST_F(UILabel, DefaultsPlaceTheTextTopLeftInTheLabelFont) {
    EXPECT_EQ(iLabel->TextFlags(), 0u);
    EXPECT_EQ(iLabel->FontIndex(), ESkinFontLabel);
    EXPECT_EQ(iLabel->OwnTextColor(), 0u);
    EXPECT_EQ(iLabel->Listener(), nullptr);
    EXPECT_FALSE(iLabel->IsEnabled());
}

TEST_F(UILabel, NeverEnabledNorFocused) {
    EXPECT_FALSE(iLabel->SetEnabled(true));
    EXPECT_FALSE(iLabel->SetFocus(true));
    EXPECT_FALSE(iLabel->IsEnabled());
    EXPECT_FALSE(iLabel->IsFocused());
    TouchEvent touch;
    touch.x = 20;
    touch.y = 20;
    EXPECT_FALSE(iLabel->HandleTouch(touch));
    for (int key : {KKeyPrevious, KKeyNext, KKeySelect}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(iLabel->HandleKey(key));
        EXPECT_FALSE(iGroup->HandleKey(key)) << "the group found something to focus";
        EXPECT_FALSE(iLabel->IsFocused());
    }
}

TEST_F(UILabel, TouchesPassThroughToAWidgetBelow) {
    CCountingListener listener;
    // The label has the lower slot, so it would win the hit test if it took touches.
    ASSERT_TRUE(iGroup->AddChild(new CUIButton(TRect(0, 0, 150, 40), "Under", &listener)));
    TouchEvent touch;
    touch.x = 20;
    touch.y = 20;
    touch.pressure = 1;
    EXPECT_TRUE(iGroup->HandleTouch(touch));
    touch.pressure = 0;
    EXPECT_TRUE(iGroup->HandleTouch(touch));
    EXPECT_EQ(listener.iCount, 1);
}

TEST_F(UILabel, TextColourZeroFollowsTheScheme) {
    struct TCase {
        const char* iLegend;
        std::uint32_t iOwnColor;
        int iScheme;
        std::uint32_t iExpected;
    };
    const TCase cases[] = {
        {"scheme 0", 0, 0, SchemeTableColor(0, KSchemeForeground)},
        {"the initial scheme", 0, KInitialColorScheme, SchemeTableColor(2, KSchemeForeground)},
        {"scheme 9", 0, 9, SchemeTableColor(9, KSchemeForeground)},
        {"own colour over scheme 0", KColorRed, 0, KColorRed},
        {"own colour over scheme 9", KColorRed, 9, KColorRed},
        {"black means the scheme's", KColorBlack, 9, SchemeTableColor(9, KSchemeForeground)},
    };
    MUISkin* skin = GetSkin();
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        ASSERT_NE(c.iExpected, KBackground) << "the test cannot see this colour";
        skin->SetSchemeIndex(c.iScheme);
        iLabel->SetTextColor(c.iOwnColor);
        EXPECT_EQ(iLabel->TextColor(), c.iExpected);
        iLabel->Draw();
        EXPECT_GT(Count(10, 10, 100, 20, c.iExpected), 0) << "no text in that colour";
    }
    skin->SetSchemeIndex(KInitialColorScheme);
}

TEST_F(UILabel, DrawsOverTheParentsBackgroundWithoutAFill) {
    iScreen.Memory().Fill(0);
    iLabel->SetTextColor(KColorWhite);
    iLabel->Draw();
    ASSERT_EQ(iGroup->iAreas.size(), 1u);
    const TRect& area = iGroup->iAreas[0];
    EXPECT_EQ(area.iX, 10);
    EXPECT_EQ(area.iY, 10);
    EXPECT_EQ(area.iWidth, 100);
    EXPECT_EQ(area.iHeight, 20);
    const int text = Count(10, 10, 101, 21, KColorWhite);
    EXPECT_GT(text, 0);
    // Everything else in the rectangle is the parent's background: no fill of its own.
    EXPECT_EQ(Count(10, 10, 101, 21, KBackground) + text, 101 * 21);
    // Flags 0: the text starts at the top left corner.
    EXPECT_GT(Count(10, 10, 6, 4, KColorWhite), 0);
    EXPECT_EQ(Count(72, 10, 38, 20, KColorWhite), 0) << "five characters, 12 pixels each";
    EXPECT_EQ(iScreen.Pixel(9, 10), 0);
    EXPECT_EQ(iScreen.Pixel(10, 32), 0);
}

TEST_F(UILabel, ZeroWidthLabelDrawsNothing) {
    iLabel->SetRect(TRect(10, 10, 0, 20));
    iScreen.Memory().Fill(0);
    iLabel->Draw();
    EXPECT_TRUE(iGroup->iAreas.empty());
    EXPECT_EQ(Count(0, 0, 160, 120, 0), 160 * 120);
}

}  // namespace

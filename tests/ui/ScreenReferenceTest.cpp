// Whole screens drawn into a memory frame buffer and compared with reference pictures in
// tests/ui/reference/ (binary PPM), by the rules of support/ReferencePicture.h.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "support/MemoryVirtualScreen.h"
#include "support/ReferencePicture.h"
#include "support/ScriptedInputReader.h"
#include "support/TempRoot.h"
#include "support/TestColorScheme.h"
#include "support/UIFakes.h"
#include "ui/ColorScheme.h"
#include "ui/Colors.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UIEventLoop.h"
#include "ui/UILabel.h"
#include "ui/UIRadioButton.h"
#include "ui/UIScreen.h"

namespace {

const std::string KReferenceDir = std::string(FIXTRAIL_SOURCE_DIR) + "/tests/ui/reference/";
const std::string KOutputDir = std::string(FIXTRAIL_BIN_DIR) + "/";
const std::string KSampleSkin = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root";
// The sample skin's background as drawn for a 480 x 272 unit (scripts/make-skin.py --back-size).
const std::string KLargeBack = std::string(FIXTRAIL_SOURCE_DIR) + "/data/skin-480x272/Back.bmp";

void ExpectMatchesReference(CMemoryVirtualScreen& aScreen, const std::string& aName) {
    ExpectPictureMatches(Snapshot(aScreen), KReferenceDir + aName + ".ppm",
                         KOutputDir + aName + "_err.ppm");
}

bool Exists(const std::string& aPath) {
    struct stat status {};
    return ::stat(aPath.c_str(), &status) == 0;
}

// A small screen of the kind the application shows: two buttons (one disabled), a label and a
// pair of radio buttons, in the skin's initial colour scheme.
class ScreenReference : public ::testing::Test {
  protected:
    ScreenReference() : iSavedRoot(SkinRoot()) {}
    ~ScreenReference() override {
        iUi.reset();
        SetDefaultWidgetScreen(nullptr);
        SetSkinRoot(iSavedRoot.c_str());
    }

    struct TUi {
        explicit TUi(int aWidth, int aHeight) : iScreen(aWidth, aHeight) {
            SetDefaultWidgetScreen(&iScreen);
            iUiScreen.reset(new CUIScreen(KInitialColorScheme));
            iStart = new CUIButton(TRect(6, 6, 70, 26), "Start", nullptr);
            auto* save = new CUIButton(TRect(84, 6, 70, 26), "Save", nullptr);
            save->SetEnabled(false);
            iLabel = new CUILabel(TRect(6, 40, 148, 18), "Log 0042");
            iAppend = new CUIRadioButton(TRect(6, 66, 72, 24), "Add", nullptr, nullptr, nullptr);
            iNew = new CUIRadioButton(TRect(82, 66, 72, 24), "New", nullptr, iAppend, nullptr);
            iAppend->SetNext(iNew);
            iAppend->SetChecked(true);
            for (MUIWidget* widget :
                 {static_cast<MUIWidget*>(iStart), static_cast<MUIWidget*>(save),
                  static_cast<MUIWidget*>(iLabel), static_cast<MUIWidget*>(iAppend),
                  static_cast<MUIWidget*>(iNew)}) {
                EXPECT_TRUE(iUiScreen->AddChild(widget));
            }
            GetSkin()->SetSchemeIndex(KInitialColorScheme);
            iScreen.Memory().Fill(0);
            iUiScreen->Draw();
        }
        CMemoryVirtualScreen iScreen;
        std::unique_ptr<CUIScreen> iUiScreen;
        CUIButton* iStart = nullptr;
        CUILabel* iLabel = nullptr;
        CUIRadioButton* iAppend = nullptr;
        CUIRadioButton* iNew = nullptr;
    };

    void Build(int aWidth, int aHeight) { iUi.reset(new TUi(aWidth, aHeight)); }

    std::string iSavedRoot;
    // The radio buttons' caption colour is the process's, set by the last skin loaded with a
    // control font file: every picture starts from the colour its skin gives.
    CControlColorGuard iControlColor{KColorBlack};
    std::unique_ptr<TUi> iUi;
};

TEST_F(ScreenReference, FixedFont) {
    CTempRoot emptyRoot;
    SetSkinRoot(emptyRoot.Root().c_str());
    Build(160, 120);
    ExpectMatchesReference(iUi->iScreen, "screen_fixed_160x120");
}

// The pen taps "New" and then rests on "Start", fed through the event loop.
TEST_F(ScreenReference, FixedFontAfterInput) {
    CTempRoot emptyRoot;
    SetSkinRoot(emptyRoot.Root().c_str());
    Build(160, 120);
    CScriptedInputReader input;
    CFixedOwner owner(7, 7);
    CUIEventLoop loop;
    loop.SetInputReader(&input);
    loop.SetFrameBuffer(&iUi->iScreen);
    loop.SetOwnerSource(&owner);
    loop.SetScreen(iUi->iUiScreen.get());
    input.PressAt(100, 78);
    input.Release();
    input.PressAt(30, 18);
    while (input.PendingTouches() > 0) {
        loop.Step();
    }
    EXPECT_TRUE(iUi->iNew->IsChecked());
    EXPECT_FALSE(iUi->iAppend->IsChecked());
    EXPECT_TRUE(iUi->iStart->IsPressed());
    ExpectMatchesReference(iUi->iScreen, "screen_fixed_160x120_input");
}

// The sample skin's background picture is 320 x 240: on a smaller screen it would not be drawn.
TEST_F(ScreenReference, SampleSkin) {
    for (const char* font : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"}) {
        if (!Exists(KSampleSkin + "/skin/" + font)) {
            GTEST_SKIP() << "the sample skin was built without " << font
                         << " (Debian package fonts-dejavu-core)";
        }
    }
    SetSkinRoot(KSampleSkin.c_str());
    Build(320, 240);
    ExpectMatchesReference(iUi->iScreen, "screen_skin_320x240");
}

// A skin made for a 480 x 272 unit on a 320 x 240 one: its background shows its top-left part
// behind everything, and a label whose text changes is repainted from it.
TEST_F(ScreenReference, BackgroundLargerThanTheScreen) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeDirectory("/skin"));
    root.Write("/skin/Back.bmp", ReadWholeFile(KLargeBack));
    SetSkinRoot(root.Root().c_str());
    Build(320, 240);
    ASSERT_EQ(GetSkin()->GetImage(ESkinImageBack)->Width(), 480);
    iUi->iLabel->SetText("Running");
    iUi->iLabel->Draw();
    iUi->iLabel->SetText("Stopped");
    iUi->iLabel->Draw();
    ExpectMatchesReference(iUi->iScreen, "screen_back480x272_320x240");
}

// Each widget given its own text (and extra text) back keeps it: the screen is drawn as before.
TEST_F(ScreenReference, TextSetToItselfIsKept) {
    CTempRoot emptyRoot;
    SetSkinRoot(emptyRoot.Root().c_str());
    Build(160, 120);
    for (MUIWidget* widget :
         {static_cast<MUIWidget*>(iUi->iStart), static_cast<MUIWidget*>(iUi->iLabel),
          static_cast<MUIWidget*>(iUi->iAppend)}) {
        widget->SetText(widget->Text());
        widget->SetExtraText("an extra text of some length");
        widget->SetExtraText(widget->ExtraText());
        EXPECT_STREQ(widget->ExtraText(), "an extra text of some length");
    }
    iUi->iScreen.Memory().Fill(0);
    iUi->iUiScreen->Draw();
    ExpectMatchesReference(iUi->iScreen, "screen_fixed_160x120");
}

// A ring of three radio buttons loses its middle one; the pen then chooses the third, which
// unchecks the first across the gap.
TEST_F(ScreenReference, RadioButtonTakenOutOfItsRing) {
    CTempRoot emptyRoot;
    SetSkinRoot(emptyRoot.Root().c_str());
    Build(160, 120);
    CUIRadioButton* add = iUi->iAppend;
    auto* off = new CUIRadioButton(TRect(6, 92, 72, 24), "Off", nullptr, iUi->iNew, add);
    iUi->iNew->SetNext(off);
    add->SetPrevious(off);
    ASSERT_TRUE(iUi->iUiScreen->AddChild(off));
    ASSERT_TRUE(iUi->iUiScreen->DeleteChild(iUi->iNew));
    iUi->iNew = nullptr;
    ASSERT_EQ(add->Next(), off);
    ASSERT_EQ(off->Previous(), add);
    TouchEvent touch;
    touch.x = 30;
    touch.y = 104;
    touch.pressure = 1;
    (void)iUi->iUiScreen->HandleTouch(touch);
    touch.pressure = 0;
    EXPECT_TRUE(iUi->iUiScreen->HandleTouch(touch));
    EXPECT_TRUE(off->IsChecked());
    EXPECT_FALSE(add->IsChecked());
    iUi->iScreen.Memory().Fill(0);
    iUi->iUiScreen->Draw();
    ExpectMatchesReference(iUi->iScreen, "screen_fixed_160x120_ring");
}

// The control font named with a folder below the skin directory; the label font named by an
// absolute path, which is refused, while its size still chooses the fixed font's scale 3.
TEST_F(ScreenReference, FontNamedWithAFolder) {
    const std::string dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans";
    if (!Exists(dejaVu + ".ttf")) {
        GTEST_SKIP() << dejaVu << ".ttf is missing (Debian package fonts-dejavu-core)";
    }
    CTempRoot root;
    ASSERT_TRUE(root.MakeDirectory("/skin"));
    ASSERT_TRUE(root.MakeDirectory("/skin/fonts"));
    root.Write("/skin/fonts/DejaVuSans.ttf", ReadWholeFile(dejaVu + ".ttf"));
    root.Write("/skin/ControlFont.txt", "fonts/DejaVuSans 15\n0 0 0\n");
    root.Write("/skin/ButtonFont.txt", dejaVu + " 26\n");
    SetSkinRoot(root.Root().c_str());
    Build(160, 120);
    ExpectMatchesReference(iUi->iScreen, "screen_fonts_160x120");
}

}  // namespace

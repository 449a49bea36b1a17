// Whole screens drawn into a memory frame buffer and compared with reference pictures in
// tests/ui/reference/ (binary PPM). A missing reference is written from the current drawing;
// FIXTRAIL_UPDATE_REFERENCES=1 rewrites them all. On a mismatch the drawing is written as
// <name>_err.ppm beside the test program, to be looked at against the reference.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/MemoryVirtualScreen.h"
#include "support/ScriptedInputReader.h"
#include "support/TempRoot.h"
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

// A picture row by row, top row first, in RGB 565.
struct TPicture {
    int iWidth = 0;
    int iHeight = 0;
    std::vector<std::uint16_t> iPixels;

    std::uint16_t At(int aX, int aY) const {
        return iPixels[static_cast<std::size_t>(aY) * iWidth + aX];
    }
};

TPicture Snapshot(CMemoryVirtualScreen& aScreen) {
    TPicture picture;
    picture.iWidth = aScreen.GetWidth();
    picture.iHeight = aScreen.GetHeight();
    for (int y = 0; y < picture.iHeight; ++y) {
        for (int x = 0; x < picture.iWidth; ++x) {
            picture.iPixels.push_back(aScreen.Pixel(x, y));
        }
    }
    return picture;
}

// 565 to 888 by repeating the top bits, so that white is 255 and the way back is exact.
void WritePpm(const std::string& aPath, const TPicture& aPicture) {
    std::string bytes = "P6\n" + std::to_string(aPicture.iWidth) + " " +
                        std::to_string(aPicture.iHeight) + "\n255\n";
    for (std::uint16_t pixel : aPicture.iPixels) {
        const int red = pixel >> 11;
        const int green = (pixel >> 5) & 0x3F;
        const int blue = pixel & 0x1F;
        bytes += static_cast<char>(red << 3 | red >> 2);
        bytes += static_cast<char>(green << 2 | green >> 4);
        bytes += static_cast<char>(blue << 3 | blue >> 2);
    }
    std::ofstream out(aPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The next header number of a PPM, skipping white space and comments; -1 when there is none.
int HeaderNumber(const std::string& aBytes, std::size_t& aPosition) {
    while (aPosition < aBytes.size()) {
        if (aBytes[aPosition] == '#') {
            aPosition = aBytes.find('\n', aPosition);
        } else if (std::strchr(" \t\r\n", aBytes[aPosition]) != nullptr) {
            ++aPosition;
        } else {
            break;
        }
    }
    int value = -1;
    while (aPosition < aBytes.size() && aBytes[aPosition] >= '0' && aBytes[aPosition] <= '9') {
        value = (value < 0 ? 0 : value * 10) + (aBytes[aPosition++] - '0');
    }
    return value;
}

// False when the file is missing or is not an 8-bit binary PPM.
bool ReadPpm(const std::string& aPath, TPicture& aPicture) {
    std::ifstream in(aPath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.compare(0, 2, "P6") != 0) {
        return false;
    }
    std::size_t position = 2;
    aPicture.iWidth = HeaderNumber(bytes, position);
    aPicture.iHeight = HeaderNumber(bytes, position);
    const int maximum = HeaderNumber(bytes, position);
    ++position;  // the single white space before the samples
    if (aPicture.iWidth <= 0 || aPicture.iHeight <= 0 || maximum != 255 ||
        bytes.size() - position !=
            static_cast<std::size_t>(aPicture.iWidth) * aPicture.iHeight * 3) {
        return false;
    }
    aPicture.iPixels.clear();
    for (std::size_t i = position; i < bytes.size(); i += 3) {
        const auto red = static_cast<std::uint8_t>(bytes[i]);
        const auto green = static_cast<std::uint8_t>(bytes[i + 1]);
        const auto blue = static_cast<std::uint8_t>(bytes[i + 2]);
        aPicture.iPixels.push_back(
            static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | blue >> 3));
    }
    return true;
}

bool UpdateRequested() {
    const char* value = std::getenv("FIXTRAIL_UPDATE_REFERENCES");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

void ExpectMatchesReference(CMemoryVirtualScreen& aScreen, const std::string& aName) {
    const TPicture actual = Snapshot(aScreen);
    const std::string referencePath = KReferenceDir + aName + ".ppm";
    const std::string errorPath = KOutputDir + aName + "_err.ppm";
    TPicture reference;
    const bool found = ReadPpm(referencePath, reference);
    if (!found || UpdateRequested()) {
        ::mkdir(KReferenceDir.c_str(), 0755);
        WritePpm(referencePath, actual);
        std::printf("Reference picture written: %s\n", referencePath.c_str());
        return;
    }
    std::remove(errorPath.c_str());
    ASSERT_EQ(actual.iWidth, reference.iWidth);
    ASSERT_EQ(actual.iHeight, reference.iHeight);
    int differences = 0;
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < actual.iHeight; ++y) {
        for (int x = 0; x < actual.iWidth; ++x) {
            if (actual.At(x, y) != reference.At(x, y)) {
                if (differences++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
    }
    if (differences > 0) {
        WritePpm(errorPath, actual);
        ADD_FAILURE() << differences << " pixels differ from " << referencePath
                      << ", the first at (" << firstX << ", " << firstY << "): " << std::hex
                      << actual.At(firstX, firstY) << " instead of " << reference.At(firstX, firstY)
                      << std::dec << "; the drawing is in " << errorPath;
    }
}

bool Exists(const std::string& aPath) {
    struct stat status {};
    return ::stat(aPath.c_str(), &status) == 0;
}

class COwnDisplay : public MDisplayOwnerSource {
  public:
    int ActivePid() override { return 7; }
    int OwnPid() override { return 7; }
};

// The radio buttons' caption colour is the process's, set by the last skin loaded with a
// control font file: every picture starts from the colour its skin gives.
class CControlColorGuard {
  public:
    CControlColorGuard() : iColor(ControlTextColor()) { SetControlTextColor(KColorBlack); }
    ~CControlColorGuard() { SetControlTextColor(iColor); }

  private:
    std::uint32_t iColor;
};

// A small screen of the kind the application shows: two buttons (one disabled), a label and a
// pair of radio buttons, in the skin's initial colour scheme.
class ScreenReferenceTest : public ::testing::Test {
  protected:
    ScreenReferenceTest() : iSavedRoot(SkinRoot()) {}
    ~ScreenReferenceTest() override {
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
            auto* label = new CUILabel(TRect(6, 40, 148, 18), "Log 0042");
            iAppend = new CUIRadioButton(TRect(6, 66, 72, 24), "Add", nullptr, nullptr, nullptr);
            iNew = new CUIRadioButton(TRect(82, 66, 72, 24), "New", nullptr, iAppend, nullptr);
            iAppend->SetNext(iNew);
            iAppend->SetChecked(true);
            for (MUIWidget* widget :
                 {static_cast<MUIWidget*>(iStart), static_cast<MUIWidget*>(save),
                  static_cast<MUIWidget*>(label), static_cast<MUIWidget*>(iAppend),
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
        CUIRadioButton* iAppend = nullptr;
        CUIRadioButton* iNew = nullptr;
    };

    void Build(int aWidth, int aHeight) { iUi.reset(new TUi(aWidth, aHeight)); }

    std::string iSavedRoot;
    CControlColorGuard iControlColor;
    std::unique_ptr<TUi> iUi;
};

TEST_F(ScreenReferenceTest, FixedFont) {
    CTempRoot emptyRoot;
    SetSkinRoot(emptyRoot.Root().c_str());
    Build(160, 120);
    ExpectMatchesReference(iUi->iScreen, "screen_fixed_160x120");
}

// The pen taps "New" and then rests on "Start", fed through the event loop.
TEST_F(ScreenReferenceTest, FixedFontAfterInput) {
    CTempRoot emptyRoot;
    SetSkinRoot(emptyRoot.Root().c_str());
    Build(160, 120);
    CScriptedInputReader input;
    COwnDisplay owner;
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
TEST_F(ScreenReferenceTest, SampleSkin) {
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

}  // namespace

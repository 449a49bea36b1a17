#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>

#include "support/MemoryFrameBuffer.h"
#include "support/OpenDescriptors.h"
#include "support/TempRoot.h"
#include "support/TestColorScheme.h"
#include "ui/BitmappedFont.h"
#include "ui/ColorScheme.h"
#include "ui/CourierFont.h"
#include "ui/Skin.h"

namespace {

const std::string KSampleSkin = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root";
const std::string KTestData = std::string(FIXTRAIL_SOURCE_DIR) + "/tests/ui/data/";

bool Exists(const std::string& aPath) {
    struct stat status {};
    return stat(aPath.c_str(), &status) == 0;
}

// A skin root with an empty skin directory under a fresh temporary root.
class CSkinDirectory {
  public:
    CSkinDirectory() {
        iRoot.MakeDirectory("/card");
        iRoot.MakeDirectory("/card/skin");
    }
    std::string Root() const { return iRoot.Path("/card"); }
    std::string Path(const std::string& aName) const { return iRoot.Path("/card/skin/" + aName); }
    void Write(const std::string& aName, const std::string& aBytes) const {
        iRoot.Write("/card/skin/" + aName, aBytes);
    }
    void Copy(const std::string& aName, const std::string& aHostPath) const {
        Write(aName, ReadWholeFile(aHostPath));
    }

  private:
    CTempRoot iRoot;
};

const char* CachedFontPath(MFont* aFont) {
    auto* font = dynamic_cast<CCachedFreeTypeFont*>(aFont);
    return font != nullptr ? font->Path() : "";
}

// The dynamic type of an image; void for none.
const std::type_info& TypeOf(MImage* aImage) {
    if (aImage == nullptr) {
        return typeid(void);
    }
    return typeid(*aImage);
}

bool EndsWith(const std::string& aText, const std::string& aEnd) {
    return aText.size() >= aEnd.size() &&
           aText.compare(aText.size() - aEnd.size(), aEnd.size(), aEnd) == 0;
}

TEST(Skin, EmptySkinDirectoryFallsBackEverywhere) {
    CControlColorGuard color(0x1234);
    CSkinDirectory directory;
    for (const std::string& root : {directory.Root(), directory.Root() + "/no-such-root"}) {
        SCOPED_TRACE(root);
        CDefaultSkin skin(root.c_str());
        // Fonts: the fixed font, scale 2 up to size 20, 3 above; none owned by the skin.
        FixedFontManager* fixed = GetFixedFontManager();
        EXPECT_EQ(skin.GetFont(ESkinFontControl), fixed->GetFont(2));
        for (int number : {1, 2, 3}) {
            EXPECT_EQ(skin.GetFont(number), fixed->GetFont(2)) << number;
        }
        EXPECT_EQ(skin.GetFont(ESkinFontBig), fixed->GetFont(3));
        for (int number : {0, 1, 4}) {
            EXPECT_TRUE(skin.IsFontShared(number)) << number;
        }
        EXPECT_EQ(skin.GetFont(5), nullptr);
        EXPECT_EQ(skin.GetFont(-1), nullptr);
        EXPECT_EQ(ControlTextColor(), 0x1234u);  // no control font file: colour untouched

        // Images: no background, built-in drawings, disabled slots sharing the enabled object.
        EXPECT_EQ(skin.GetImage(ESkinImageBack), nullptr);
        struct TSlot {
            int iSlot;
            const std::type_info& iType;
        };
        const TSlot builtIn[] = {{1, typeid(CDefaultCheckOn)}, {2, typeid(CDefaultImage)},
                                 {5, typeid(CDefaultRadioOn)}, {6, typeid(CDefaultImage)},
                                 {9, typeid(CDefaultImage)},   {11, typeid(CDefaultImage)}};
        for (const TSlot& slot : builtIn) {
            MImage* image = skin.GetImage(slot.iSlot);
            ASSERT_NE(image, nullptr) << slot.iSlot;
            EXPECT_EQ(TypeOf(image), slot.iType) << slot.iSlot;
        }
        const int shared[][2] = {{3, 1}, {4, 2}, {7, 5}, {8, 6}, {10, 9}, {12, 11}};
        for (const auto& pair : shared) {
            EXPECT_EQ(skin.GetImage(pair[0]), skin.GetImage(pair[1])) << pair[0];
        }
        EXPECT_NE(skin.GetImage(2), skin.GetImage(6));
        for (int number : {13, 14, 15, 16, -1}) {
            EXPECT_EQ(skin.GetImage(number), nullptr) << number;
        }
    }
}

TEST(Skin, SchemeIndexStartsAtTwo) {
    CSkinDirectory directory;
    CDefaultSkin skin(directory.Root().c_str());
    CDefaultColorSchemeManager* schemes = GetColorSchemeManager();
    EXPECT_EQ(skin.GetSchemeIndex(), 2);
    EXPECT_EQ(skin.GetColorScheme(), schemes->GetScheme(2));
    skin.SetSchemeIndex(10);
    EXPECT_EQ(skin.GetSchemeIndex(), 10);
    EXPECT_EQ(skin.GetColorScheme(), schemes->GetScheme(10));
}

TEST(Skin, ImagesFromFilesAndTheirKeys) {
    CSkinDirectory directory;
    const std::string picture = KTestData + "rgb24.bmp";
    directory.Copy("Back.bmp", picture);
    directory.Copy("CheckOnDis.bmp", picture);  // without CheckOn.bmp
    directory.Copy("RadioOn.bmp", picture);
    directory.Copy("RadioOnDis.bmp", picture);
    directory.Copy("SliderVer.bmp", picture);
    directory.Copy("BlueLabirinth.bmp", picture);
    CDefaultSkin skin(directory.Root().c_str());

    auto* back = dynamic_cast<CImage*>(skin.GetImage(ESkinImageBack));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->KeyColor(), KNoKeyColor);
    EXPECT_EQ(TypeOf(skin.GetImage(1)), typeid(CDefaultCheckOn));
    for (int slot : {3, 5, 7, 11}) {
        auto* image = dynamic_cast<CImage*>(skin.GetImage(slot));
        ASSERT_NE(image, nullptr) << slot;
        EXPECT_EQ(image->KeyColor(), 0xF800) << slot;
    }
    EXPECT_NE(skin.GetImage(7), skin.GetImage(5));
    EXPECT_EQ(skin.GetImage(12), skin.GetImage(11));  // a loaded image is shared too

    // Background pictures are fresh, keyless, and the caller's.
    std::unique_ptr<MImage> first(skin.GetImage(ESkinImageBlueLabirinth));
    std::unique_ptr<MImage> second(skin.GetImage(ESkinImageBlueLabirinth));
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(dynamic_cast<CImage*>(first.get())->KeyColor(), KNoKeyColor);
    EXPECT_EQ(skin.GetImage(ESkinImageRedLabirinth), nullptr);
}

// Whatever lies on the card in place of a skin file, the skin falls back, leaks no descriptor
// and does not hang.
TEST(Skin, HostileFilesFallBack) {
    CControlColorGuard color(0x1234);
    CSkinDirectory directory;
    directory.Write("Back.bmp", "BM not really");
    directory.Write("CheckOn.bmp", ReadWholeFile(KTestData + "rgb24.bmp").substr(0, 70));
    ASSERT_EQ(mkdir(directory.Path("RadioOn.bmp").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(directory.Path("CheckOff.bmp").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(directory.Path("ControlFont.txt").c_str(), 0600), 0);
    directory.Write("ButtonFont.txt", "Broken 18\n");
    directory.Write("Broken.ttf", std::string(4096, 'x'));
    directory.Write("BigFont.txt", "Pipe 30\n");
    ASSERT_EQ(mkfifo(directory.Path("Pipe.ttf").c_str(), 0600), 0);

    const int before = OpenDescriptors();
    {
        CDefaultSkin skin(directory.Root().c_str());
        EXPECT_EQ(skin.GetImage(ESkinImageBack), nullptr);
        EXPECT_EQ(TypeOf(skin.GetImage(1)), typeid(CDefaultCheckOn));
        EXPECT_EQ(TypeOf(skin.GetImage(2)), typeid(CDefaultImage));
        EXPECT_EQ(TypeOf(skin.GetImage(5)), typeid(CDefaultRadioOn));
        EXPECT_EQ(skin.GetFont(ESkinFontControl), GetFixedFontManager()->GetFont(2));
        EXPECT_EQ(skin.GetFont(ESkinFontButton), GetFixedFontManager()->GetFont(2));
        EXPECT_EQ(skin.GetFont(ESkinFontBig), GetFixedFontManager()->GetFont(3));
        EXPECT_EQ(ControlTextColor(), 0x1234u);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// The control font file "Times 18" / "0 0 255": the colour is set whatever font is found, and
// the font is Times, then Arial, then the fixed font of scale 2, always at 18 pixels. A name is
// a file below the skin directory; a refused name goes to Arial but keeps its size.
TEST(Skin, ControlFontFileChoosesFontSizeAndColour) {
    const std::string dejaVu = KSampleSkin + "/skin/DejaVuSans.ttf";
    if (!Exists(dejaVu)) {
        GTEST_SKIP() << dejaVu << " is missing (Debian package fonts-dejavu-core)";
    }
    std::unique_ptr<MFont> at18(LoadCachedFont(dejaVu.c_str(), 18));
    std::unique_ptr<MFont> at16(LoadCachedFont(dejaVu.c_str(), 16));
    ASSERT_NE(at18, nullptr);
    // The button's and the big font's own sizes, where their elements have no file.
    std::unique_ptr<MFont> at20(LoadCachedFont(dejaVu.c_str(), 20));
    std::unique_ptr<MFont> at24(LoadCachedFont(dejaVu.c_str(), 24));
    ASSERT_NE(at18->GetMetric(EFontLineHeight), at16->GetMetric(EFontLineHeight));
    ASSERT_NE(at20->GetMetric(EFontLineHeight), at24->GetMetric(EFontLineHeight));

    struct TCase {
        const char* iLegend;
        const char* iDescription;  // null: no ControlFont.txt
        const char* iTimes;        // where Times.ttf is in the skin directory; null: nowhere
        bool iArial;               // Arial.ttf present
        const char* iFontFile;     // expected file; null: the fixed font
        int iSize;
        std::uint32_t iColor;  // 0x1234: unchanged
    };
    const TCase cases[] = {
        {"named font", "Times 18\n0 0 255\n", "Times.ttf", true, "/Times.ttf", 18, 0x001F},
        {"named font missing: Arial", "Times 18\n0 0 255\n", nullptr, true, "/Arial.ttf", 18,
         0x001F},
        {"neither: fixed font", "Times 18\n0 0 255\n", nullptr, false, nullptr, 18, 0x001F},
        {"no file: Arial at 16", nullptr, "Times.ttf", true, "/Arial.ttf", 16, 0x1234},
        {"empty file: Arial at 16", "", "Times.ttf", true, "/Arial.ttf", 16, 0x1234},
        {"size 0 keeps 16", "Times 0\n", "Times.ttf", false, "/Times.ttf", 16, 0x1234},
        {"garbage size: no colour", "Times x18\n0 0 255\n", "Times.ttf", false, "/Times.ttf", 16,
         0x1234},
        {"name in a folder", "fonts/Times 18\n", "fonts/Times.ttf", true, "/fonts/Times.ttf", 18,
         0x1234},
        {"name in a folder, file elsewhere: Arial", "fonts/Times 18\n", "Times.ttf", true,
         "/Arial.ttf", 18, 0x1234},
        {"name leaving the skin: Arial, size kept", "../Times 18\n", "Times.ttf", true,
         "/Arial.ttf", 18, 0x1234},
        {"absolute name: Arial, size kept", "/Times 18\n", "Times.ttf", true, "/Arial.ttf", 18,
         0x1234},
        {"64-character name: Arial, size kept",
         "TimesTimesTimesTimesTimesTimesTimesTimesTimesTimesTimesTimesTime"
         " 18\n",
         "Times.ttf", true, "/Arial.ttf", 18, 0x1234},
        {"refused name, no Arial: fixed font, size kept", "../Times 24\n", "Times.ttf", false,
         nullptr, 24, 0x1234},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CControlColorGuard color(0x1234);
        CSkinDirectory directory;
        if (test.iDescription != nullptr) {
            directory.Write("ControlFont.txt", test.iDescription);
        }
        if (test.iTimes != nullptr) {
            ::mkdir(directory.Path("fonts").c_str(), 0755);
            directory.Copy(test.iTimes, dejaVu);
        }
        if (test.iArial) {
            directory.Copy("Arial.ttf", dejaVu);
        }
        CDefaultSkin skin(directory.Root().c_str());
        MFont* font = skin.GetFont(ESkinFontControl);
        ASSERT_NE(font, nullptr);
        if (test.iFontFile == nullptr) {
            EXPECT_EQ(font, GetFixedFontManager()->GetFont(test.iSize <= 20 ? 2 : 3));
            EXPECT_TRUE(skin.IsFontShared(ESkinFontControl));
        } else {
            EXPECT_PRED2(EndsWith, CachedFontPath(font), std::string("/skin") + test.iFontFile);
            EXPECT_FALSE(skin.IsFontShared(ESkinFontControl));
            EXPECT_EQ(font->GetMetric(EFontLineHeight),
                      (test.iSize == 18 ? at18 : at16)->GetMetric(EFontLineHeight));
        }
        EXPECT_EQ(ControlTextColor(), test.iColor);
        // The other elements have no file: Arial at their own sizes, or the fixed font.
        for (const auto& [number, arial] : {std::make_pair(int{ESkinFontButton}, at20.get()),
                                            std::make_pair(int{ESkinFontBig}, at24.get())}) {
            EXPECT_EQ(skin.IsFontShared(number), !test.iArial) << number;
            if (test.iArial) {
                EXPECT_EQ(skin.GetFont(number)->GetMetric(EFontLineHeight),
                          arial->GetMetric(EFontLineHeight))
                    << number;
            }
        }
    }
}

TEST(Skin, ParsesFontDescriptions) {
    struct TCase {
        const char* iLegend;
        std::string iText;
        bool iReadColor;
        const char* iName;
        int iSize;
        bool iHasColor;
        std::uint32_t iColor;
    };
    const std::string name63(63, 'n');
    const TCase cases[] = {
        {"name, size and colour", "Times 18\n0 0 255\n", true, "Times", 18, true, 0x001F},
        {"colour not asked for", "Times 18\n0 0 255\n", false, "Times", 18, false, 0},
        {"no colour line", "Times 18\n", true, "Times", 18, false, 0},
        {"565 packing", "F 1\n255 255 255", true, "F", 1, true, 0xFFFF},
        {"channels keep their top bits", "F 1\n7 3 7", true, "F", 1, true, 0x0000},
        {"signs", "F +18 +1 +2 -0", true, "F", 18, true, 0x0000},
        {"empty", "", true, "", 0, false, 0},
        {"blanks only", " \t\r\n", true, "", 0, false, 0},
        {"name only", "Times", true, "Times", 0, false, 0},
        {"size not a number stops", "Times 18px 0 0 255", true, "Times", 0, false, 0},
        {"size out of range is read past", "Times -5\n1 2 3", true, "Times", 0, true, 0x0000},
        {"size 128", "Times 128", true, "Times", 128, false, 0},
        {"size 129", "Times 129", true, "Times", 0, false, 0},
        {"size of 30 digits", "Times 123456789012345678901234567890", true, "Times", 0, false, 0},
        {"lone sign", "Times - 1 2 3", true, "Times", 0, false, 0},
        {"channel 256", "Times 18 256 0 0", true, "Times", 18, false, 0},
        {"channel -1", "Times 18 0 -1 0", true, "Times", 18, false, 0},
        {"two channels", "Times 18 1 2", true, "Times", 18, false, 0},
        {"63-character name", name63 + " 12", true, name63.c_str(), 12, false, 0},
        {"64-character name is dropped", name63 + "n 12 1 2 3", true, "", 12, true, 0x0000},
        {"a folder in the name", "fonts/b 12", true, "fonts/b", 12, false, 0},
        {"dots within a name", "a..b/.c../d 12", true, "a..b/.c../d", 12, false, 0},
        {"absolute name is dropped", "/usr/share/b 12", true, "", 12, false, 0},
        {"'..' is dropped", ".. 12", true, "", 12, false, 0},
        {"'..' first is dropped", "../b 12", true, "", 12, false, 0},
        {"'..' within is dropped", "fonts/../../b 12", true, "", 12, false, 0},
        {"'..' last is dropped", "fonts/.. 12", true, "", 12, false, 0},
        {"NUL ends a word", std::string("Ti\0mes 18", 9), true, "Ti", 0, false, 0},
        {"high bytes are name bytes", "\xC3\xA9t\xC3\xA9 9", true, "\xC3\xA9t\xC3\xA9", 9, false,
         0},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        const TFontDescription description =
            ParseFontDescription(test.iText.data(), test.iText.size(), test.iReadColor);
        EXPECT_STREQ(description.iName, test.iName);
        EXPECT_EQ(description.iSize, test.iSize);
        EXPECT_EQ(description.iHasColor, test.iHasColor);
        if (test.iHasColor) {
            EXPECT_EQ(description.iColor, test.iColor);
        }
    }
    EXPECT_STREQ(ParseFontDescription(nullptr, 10, true).iName, "");
}

TEST(Skin, SampleSkinLoadsEverything) {
    ASSERT_TRUE(Exists(KSampleSkin + "/skin/Back.bmp")) << "the build assembles " << KSampleSkin;
    CControlColorGuard color(0x1234);
    CDefaultSkin skin(KSampleSkin.c_str());
    struct TSize {
        int iFirstSlot;
        int iLastSlot;
        int iWidth;
        int iHeight;
    };
    const TSize sizes[] = {{1, 8, 20, 20}, {9, 10, 12, 20}, {11, 12, 20, 12}};
    for (const TSize& size : sizes) {
        for (int slot = size.iFirstSlot; slot <= size.iLastSlot; ++slot) {
            auto* image = dynamic_cast<CImage*>(skin.GetImage(slot));
            ASSERT_NE(image, nullptr) << slot;
            EXPECT_EQ(image->Width(), size.iWidth) << slot;
            EXPECT_EQ(image->Height(), size.iHeight) << slot;
            EXPECT_EQ(image->KeyColor(), 0xF800) << slot;
            for (int other = 0; other < slot; ++other) {
                EXPECT_NE(skin.GetImage(other), image) << slot << " shares with " << other;
            }
        }
    }
    // The background: the screen's navy (0x0010) along its right and bottom edges, where a
    // larger screen continues it with its colour fill.
    MImage* back = skin.GetImage(ESkinImageBack);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->Width(), 320);
    ASSERT_EQ(back->Height(), 240);
    CMemoryFrameBuffer screen(480, 272);
    ASSERT_TRUE(back->Draw(&screen, 0, 0));
    for (int y = 0; y < 240; ++y) {
        ASSERT_EQ(screen.Pixel(319, y), 0x0010) << y;
    }
    for (int x = 0; x < 320; ++x) {
        ASSERT_EQ(screen.Pixel(x, 239), 0x0010) << x;
    }
    // A radio button's corner is transparent, its centre is not.
    CMemoryFrameBuffer small(20, 20);
    small.Fill(0x55);
    ASSERT_TRUE(skin.GetImage(ESkinImageRadioOn)->Draw(&small, 0, 0));
    EXPECT_EQ(small.Pixel(0, 0), 0x5555);
    EXPECT_NE(small.Pixel(10, 10), 0x5555);

    if (!Exists(KSampleSkin + "/skin/DejaVuSans.ttf")) {
        GTEST_SKIP() << "the sample skin was built without DejaVu (fonts-dejavu-core)";
    }
    for (int number : {0, 1, 4}) {
        EXPECT_FALSE(skin.IsFontShared(number)) << number;
        EXPECT_PRED2(EndsWith, CachedFontPath(skin.GetFont(number)), ".ttf");
    }
    EXPECT_NE(ControlTextColor(), 0x1234u);
}

// The process-wide skin follows the root; a new skin starts at scheme 2 again.
TEST(Skin, SetSkinRootDiscardsTheSkin) {
    CSkinDirectory plain;
    CSkinDirectory withBack;
    withBack.Copy("Back.bmp", KTestData + "rgb24.bmp");

    SetSkinRoot(plain.Root().c_str());
    EXPECT_EQ(std::string(SkinRoot()), plain.Root());
    MUISkin* skin = GetSkin();
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(GetSkin(), skin);
    EXPECT_EQ(skin->GetImage(ESkinImageBack), nullptr);
    skin->SetSchemeIndex(7);

    SetSkinRoot(withBack.Root().c_str());
    skin = GetSkin();
    EXPECT_NE(skin->GetImage(ESkinImageBack), nullptr);
    EXPECT_EQ(skin->GetSchemeIndex(), 2);

    // Null keeps the root and still reloads.
    skin->SetSchemeIndex(7);
    SetSkinRoot(nullptr);
    EXPECT_EQ(std::string(SkinRoot()), withBack.Root());
    EXPECT_EQ(GetSkin()->GetSchemeIndex(), 2);

    // A root beyond 99 characters is cut to 99.
    const std::string longRoot = withBack.Root() + "/" + std::string(150, 'r');
    SetSkinRoot(longRoot.c_str());
    EXPECT_EQ(std::string(SkinRoot()), longRoot.substr(0, 99));
    EXPECT_EQ(GetSkin()->GetImage(ESkinImageBack), nullptr);
    SetSkinRoot("./");
}

// The device's own root lives under FIXTRAIL_ROOT; any other root is a host path.
TEST(Skin, DefaultRootIsADevicePath) {
    CTempRoot device;
    device.MakeDirectory("/mnt/sdcard/skin");
    device.Write("/mnt/sdcard/skin/Back.bmp", ReadWholeFile(KTestData + "rgb24.bmp"));
    SetSkinRoot(KDefaultSkinRoot);
    EXPECT_STREQ(SkinRoot(), "/mnt/sdcard/");
    EXPECT_NE(GetSkin()->GetImage(ESkinImageBack), nullptr);
    // Given as a host path, the same directory is used as it is.
    SetSkinRoot(device.Path("/mnt/sdcard").c_str());
    EXPECT_NE(GetSkin()->GetImage(ESkinImageBack), nullptr);
    SetSkinRoot("./");
}

}  // namespace

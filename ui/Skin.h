#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/DevicePath.h"
#include "ui/ColorScheme.h"
#include "ui/Font.h"
#include "ui/Image.h"

// The toolkit's look: three fonts, thirteen state images, three background pictures and the
// number of the current colour scheme.
class MUISkin {
  public:
    virtual ~MUISkin() = default;
    // The scheme whose number is the current scheme index.
    virtual MColorScheme* GetColorScheme() = 0;
    // A TSkinFont number; the skin owns the font. Null for any other number.
    virtual MFont* GetFont(int aNumber) = 0;
    // A TSkinImage number. 0 to 12 give the skin's own image (may be null); 13 to 15 load a
    // fresh background picture that the caller owns (null when its file is missing).
    virtual MImage* GetImage(int aNumber) = 0;
    virtual void SetSchemeIndex(int aIndex) = 0;
    virtual int GetSchemeIndex() = 0;
};

enum TSkinFont {
    ESkinFontControl = 0,  // widgets' default
    ESkinFontButton = 1,   // 1 to 3
    ESkinFontLabel = 3,    // labels' default: the button font
    ESkinFontBig = 4,
};

enum TSkinImage {
    ESkinImageBack = 0,
    ESkinImageCheckOn = 1,
    ESkinImageCheckOff = 2,
    ESkinImageCheckOnDis = 3,
    ESkinImageCheckOffDis = 4,
    ESkinImageRadioOn = 5,
    ESkinImageRadioOff = 6,
    ESkinImageRadioOnDis = 7,
    ESkinImageRadioOffDis = 8,
    ESkinImageSliderHor = 9,
    ESkinImageSliderHorDis = 10,
    ESkinImageSliderVer = 11,
    ESkinImageSliderVerDis = 12,
    ESkinImageBlueLabirinth = 13,
    ESkinImageRedLabirinth = 14,
    ESkinImageGreenLabirinth = 15,
};
constexpr int KSkinImageSlots = 16;

// The skin files live in the directory "skin" under the skin root.
constexpr const char* KSkinDirectory = "skin";
// The device's root: the SD card. This root alone is a fixed path of the device and is opened
// through DevicePath(); any other root (one given on the command line) is a host path.
constexpr const char* KDefaultSkinRoot = KCardDirectory;
constexpr std::size_t KSkinRootSize = 100;  // the root buffer, terminator included

// What a font description file ("ControlFont.txt": "DejaVuSans 16" and, for the control font,
// a second line "255 255 255") says.
constexpr int KMaxFontName = 63;
constexpr int KMaxFontSize = 128;                  // pixels; larger sizes are not taken
constexpr std::size_t KMaxFontDescription = 1024;  // bytes read of a description file

struct TFontDescription {
    // Empty when missing, too long, absolute or holding a ".." component: the name, below the
    // skin directory, of a TrueType file without its extension ("fonts/DejaVuSans").
    char iName[KMaxFontName + 1] = {};
    int iSize = 0;  // 0 unless a size of 1 to KMaxFontSize was read
    bool iHasColor = false;
    std::uint32_t iColor = 0;  // RGB 565 of the colour line
};

// Reads the words of a description file: a font name, a size and, when aReadColor, red, green
// and blue of 0 to 255. Words are separated by spaces and control bytes; reading stops at the
// first word that is not what comes next, and what was read before it stays.
TFontDescription ParseFontDescription(const char* aText, std::size_t aLength, bool aReadColor);

// The skin loaded from the directory "skin" under aRoot. Missing or unusable files fall back:
// a font to "Arial" and then to the fixed font, a state image to a built-in drawing, a disabled
// image to its enabled one (the two slots then share one object).
class CDefaultSkin : public MUISkin {
  public:
    explicit CDefaultSkin(const char* aRoot);
    ~CDefaultSkin() override;
    CDefaultSkin(const CDefaultSkin&) = delete;
    CDefaultSkin& operator=(const CDefaultSkin&) = delete;

    MColorScheme* GetColorScheme() override;
    MFont* GetFont(int aNumber) override;
    MImage* GetImage(int aNumber) override;
    void SetSchemeIndex(int aIndex) override { iSchemeIndex = aIndex; }
    int GetSchemeIndex() override { return iSchemeIndex; }

    // True when the font of that number is the process's fixed font, not one of the skin's.
    bool IsFontShared(int aNumber) const;

  private:
    struct TFontSlot {
        MFont* iFont = nullptr;
        bool iShared = false;
    };

    void LoadFont(TFontSlot& aSlot, const char* aElement, int aDefaultSize, bool aReadColor);
    MFont* LoadFontFile(const char* aName, int aSize) const;
    MImage* LoadImage(const char* aName, bool aTransparent) const;
    void LoadWithBuiltIn(int aSlot);
    void LoadWithEnabled(int aSlot, int aEnabledSlot);
    // The host path of a file of the skin directory; false when it does not fit.
    bool FilePath(char* aPath, std::size_t aSize, const char* aName, const char* aSuffix,
                  const char* aExtension) const;

    int iSchemeIndex = KInitialColorScheme;
    TFontSlot iControlFont;
    TFontSlot iButtonFont;
    TFontSlot iBigFont;
    MImage* iImages[KSkinImageSlots] = {};
    char iRoot[KSkinRootSize] = {};
};

// The process-wide skin, created on first use on the current skin root; destroyed at exit.
MUISkin* GetSkin();
// Makes aPath (at most 99 characters of it) the skin root and discards the current skin, so
// that the next GetSkin() loads a new one from there. Fonts and images the old skin handed
// out are gone with it. A null path keeps the root and still discards the skin.
void SetSkinRoot(const char* aPath);
// The current skin root as set.
const char* SkinRoot();

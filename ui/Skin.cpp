#include "ui/Skin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

#include "platform/DevicePath.h"
#include "platform/FixedString.h"
#include "platform/RegularFile.h"
#include "ui/BitmappedFont.h"
#include "ui/CourierFont.h"

namespace {

constexpr const char* KFallbackFontName = "Arial";
constexpr const char* KFontSuffix = "Font";
constexpr int KControlFontSize = 16;
constexpr int KButtonFontSize = 20;
constexpr int KBigFontSize = 24;
// The fixed font stands in at scale 2 up to this size and at scale 3 above it.
constexpr int KLargestScale2Size = 20;
constexpr int KKeyRed = 255;  // key colour of transparent images: pure red, 565 0xF800
constexpr int KNoKey = -1;

struct TImageFile {
    const char* iName;
    bool iTransparent;
};

const TImageFile KImageFiles[KSkinImageSlots] = {
    {"Back", false},           {"CheckOn", true},        {"CheckOff", true},
    {"CheckOnDis", true},      {"CheckOffDis", true},    {"RadioOn", true},
    {"RadioOff", true},        {"RadioOnDis", true},     {"RadioOffDis", true},
    {"SliderHor", true},       {"SliderHorDis", true},   {"SliderVer", true},
    {"SliderVerDis", true},    {"BlueLabirinth", false}, {"RedLabirinth", false},
    {"GreenLabirinth", false},
};

char gSkinRoot[KSkinRootSize] = "./";  // until the application sets its root
CDefaultSkin* gSkin = nullptr;

void DestroySkin() {
    delete gSkin;
    gSkin = nullptr;
}

bool IsSeparator(char aByte) {
    return static_cast<unsigned char>(aByte) <= ' ' || aByte == 0x7F;
}

class TWords {
  public:
    TWords(const char* aText, std::size_t aLength) : iText(aText), iEnd(aText + aLength) {}

    // The next word, or false at the end of the text.
    bool Next(const char*& aWord, std::size_t& aLength) {
        while (iText < iEnd && IsSeparator(*iText)) {
            ++iText;
        }
        if (iText == iEnd) {
            return false;
        }
        aWord = iText;
        while (iText < iEnd && !IsSeparator(*iText)) {
            ++iText;
        }
        aLength = static_cast<std::size_t>(iText - aWord);
        return true;
    }

    // The next word as a whole decimal number (optional sign) within aMin to aMax; false for
    // anything else. An out-of-range number is consumed but not taken.
    bool NextNumber(long aMin, long aMax, long& aValue, bool& aInRange) {
        const char* word;
        std::size_t length;
        if (!Next(word, length)) {
            return false;
        }
        std::size_t i = 0;
        const bool negative = word[0] == '-';
        if (word[0] == '-' || word[0] == '+') {
            ++i;
        }
        if (i == length) {
            return false;
        }
        long value = 0;
        bool huge = false;
        for (; i < length; ++i) {
            if (word[i] < '0' || word[i] > '9') {
                return false;
            }
            if (value > 100000) {
                huge = true;  // keep the number a number without overflowing
            } else {
                value = value * 10 + (word[i] - '0');
            }
        }
        aValue = negative ? -value : value;
        aInRange = !huge && aValue >= aMin && aValue <= aMax;
        return true;
    }

  private:
    const char* iText;
    const char* iEnd;
};

// A relative path that stays below the skin directory: "DejaVuSans" or "fonts/DejaVuSans", but
// not "/usr/share/fonts/x" nor one with a ".." component.
bool IsFontNameBelowSkin(const char* aName, std::size_t aLength) {
    if (aLength > static_cast<std::size_t>(KMaxFontName) || aName[0] == '/') {
        return false;
    }
    const char* component = aName;
    const char* end = aName + aLength;
    while (component < end) {
        const char* slash = static_cast<const char*>(
            std::memchr(component, '/', static_cast<std::size_t>(end - component)));
        const char* componentEnd = slash != nullptr ? slash : end;
        if (componentEnd - component == 2 && component[0] == '.' && component[1] == '.') {
            return false;
        }
        component = componentEnd + 1;
    }
    return true;
}

}  // namespace

TFontDescription ParseFontDescription(const char* aText, std::size_t aLength, bool aReadColor) {
    TFontDescription description;
    if (aText == nullptr) {
        return description;
    }
    TWords words(aText, aLength);
    const char* name;
    std::size_t nameLength;
    if (!words.Next(name, nameLength)) {
        return description;
    }
    // A name that cannot be a file below the skin directory is dropped, which sends the load to
    // "Arial"; the rest of the file still counts.
    if (IsFontNameBelowSkin(name, nameLength)) {
        std::memcpy(description.iName, name, nameLength);
        description.iName[nameLength] = '\0';
    }
    long size;
    bool sizeInRange;
    if (!words.NextNumber(1, KMaxFontSize, size, sizeInRange)) {
        return description;
    }
    if (sizeInRange) {
        description.iSize = static_cast<int>(size);
    }
    if (!aReadColor) {
        return description;
    }
    long channels[3];
    bool allInRange = true;
    for (long& channel : channels) {
        bool inRange;
        if (!words.NextNumber(0, 255, channel, inRange)) {
            return description;
        }
        allInRange = allInRange && inRange;
    }
    if (allInRange) {
        description.iHasColor = true;
        description.iColor = Rgb565(static_cast<int>(channels[0]), static_cast<int>(channels[1]),
                                    static_cast<int>(channels[2]));
    }
    return description;
}

CDefaultSkin::CDefaultSkin(const char* aRoot) {
    (void)BoundedCopy(iRoot, aRoot, KSkinRootSize);  // a longer root is cut, as it always was
    LoadFont(iControlFont, "Control", KControlFontSize, true);
    LoadFont(iButtonFont, "Button", KButtonFontSize, false);
    LoadFont(iBigFont, "Big", KBigFontSize, false);

    iImages[ESkinImageBack] = LoadImage(KImageFiles[ESkinImageBack].iName, false);
    for (int slot :
         {ESkinImageCheckOn, ESkinImageCheckOff, ESkinImageRadioOn, ESkinImageRadioOff}) {
        LoadWithBuiltIn(slot);
    }
    LoadWithEnabled(ESkinImageCheckOnDis, ESkinImageCheckOn);
    LoadWithEnabled(ESkinImageCheckOffDis, ESkinImageCheckOff);
    LoadWithEnabled(ESkinImageRadioOnDis, ESkinImageRadioOn);
    LoadWithEnabled(ESkinImageRadioOffDis, ESkinImageRadioOff);
    LoadWithBuiltIn(ESkinImageSliderHor);
    LoadWithEnabled(ESkinImageSliderHorDis, ESkinImageSliderHor);
    LoadWithBuiltIn(ESkinImageSliderVer);
    LoadWithEnabled(ESkinImageSliderVerDis, ESkinImageSliderVer);
}

CDefaultSkin::~CDefaultSkin() {
    for (TFontSlot* slot : {&iControlFont, &iButtonFont, &iBigFont}) {
        if (!slot->iShared) {
            delete slot->iFont;
        }
    }
    // A disabled slot may share its enabled slot's image: destroy each object once.
    for (int slot = 0; slot < KSkinImageSlots; ++slot) {
        if (iImages[slot] == nullptr) {
            continue;
        }
        for (int later = slot + 1; later < KSkinImageSlots; ++later) {
            if (iImages[later] == iImages[slot]) {
                iImages[later] = nullptr;
            }
        }
        delete iImages[slot];
    }
}

bool CDefaultSkin::FilePath(char* aPath, std::size_t aSize, const char* aName, const char* aSuffix,
                            const char* aExtension) const {
    const int written = std::snprintf(aPath, aSize, "%s/%s/%s%s.%s", iRoot, KSkinDirectory, aName,
                                      aSuffix, aExtension);
    if (written < 0 || static_cast<std::size_t>(written) >= aSize) {
        return false;
    }
    if (std::strcmp(iRoot, KDefaultSkinRoot) != 0) {
        return true;
    }
    const TDevicePath device = DevicePath(aPath);
    const std::size_t length = std::strlen(device.c_str());
    if (!device.IsValid() || length >= aSize) {
        return false;
    }
    std::memcpy(aPath, device.c_str(), length + 1);
    return true;
}

void CDefaultSkin::LoadFont(TFontSlot& aSlot, const char* aElement, int aDefaultSize,
                            bool aReadColor) {
    char path[KMaxDevicePath];
    TFontDescription description;
    bool found = false;
    if (FilePath(path, sizeof path, aElement, KFontSuffix, "txt")) {
        const int descriptor = OpenRegularFile(path, O_RDONLY);
        if (descriptor >= 0) {
            found = true;
            char text[KMaxFontDescription];
            std::size_t length = 0;
            while (length < sizeof text) {
                const ssize_t got = ::read(descriptor, text + length, sizeof text - length);
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                if (got <= 0) {
                    break;
                }
                length += static_cast<std::size_t>(got);
            }
            (void)::close(descriptor);
            description = ParseFontDescription(text, length, aReadColor);
        }
    }
    const char* name = found ? description.iName : KFallbackFontName;
    int size = aDefaultSize;
    // A size read counts even when the name beside it was refused.
    if (found && description.iSize != 0) {
        size = description.iSize;
    }
    if (description.iHasColor) {
        SetControlTextColor(description.iColor);
    }

    aSlot.iFont = LoadFontFile(name, size);
    aSlot.iShared = aSlot.iFont == nullptr;
    if (aSlot.iShared) {
        aSlot.iFont = LoadFontFile(KFallbackFontName, size);
        aSlot.iShared = aSlot.iFont == nullptr;
    }
    if (aSlot.iShared) {
        aSlot.iFont = GetFixedFontManager()->GetFont(size <= KLargestScale2Size ? 2 : 3);
    }
}

MFont* CDefaultSkin::LoadFontFile(const char* aName, int aSize) const {
    char path[KMaxDevicePath];
    if (aName[0] == '\0' || !FilePath(path, sizeof path, aName, "", "ttf")) {
        return nullptr;
    }
    // Only a regular file: FreeType would block on a FIFO and read a device without end.
    struct stat status {};
    if (::stat(path, &status) != 0 || !S_ISREG(status.st_mode)) {
        return nullptr;
    }
    return LoadCachedFont(path, aSize);
}

MImage* CDefaultSkin::LoadImage(const char* aName, bool aTransparent) const {
    char path[KMaxDevicePath];
    if (!FilePath(path, sizeof path, aName, "", "bmp")) {
        return nullptr;
    }
    const int descriptor = OpenRegularFile(path, O_RDONLY);
    if (descriptor < 0) {
        return nullptr;
    }
    return aTransparent ? CreateImage(descriptor, KKeyRed, 0, 0)
                        : CreateImage(descriptor, KNoKey, 0, 0);
}

void CDefaultSkin::LoadWithBuiltIn(int aSlot) {
    MImage* builtIn = CreateBuiltInImage(aSlot);
    MImage* loaded = LoadImage(KImageFiles[aSlot].iName, KImageFiles[aSlot].iTransparent);
    if (loaded != nullptr) {
        delete builtIn;
        iImages[aSlot] = loaded;
    } else {
        iImages[aSlot] = builtIn;
    }
}

void CDefaultSkin::LoadWithEnabled(int aSlot, int aEnabledSlot) {
    MImage* loaded = LoadImage(KImageFiles[aSlot].iName, KImageFiles[aSlot].iTransparent);
    iImages[aSlot] = loaded != nullptr ? loaded : iImages[aEnabledSlot];
}

MColorScheme* CDefaultSkin::GetColorScheme() {
    return GetColorSchemeManager()->GetScheme(iSchemeIndex);
}

MFont* CDefaultSkin::GetFont(int aNumber) {
    switch (aNumber) {
        case ESkinFontControl:
            return iControlFont.iFont;
        case ESkinFontButton:
        case 2:
        case ESkinFontLabel:
            return iButtonFont.iFont;
        case ESkinFontBig:
            return iBigFont.iFont;
        default:
            return nullptr;
    }
}

bool CDefaultSkin::IsFontShared(int aNumber) const {
    switch (aNumber) {
        case ESkinFontControl:
            return iControlFont.iShared;
        case ESkinFontButton:
        case 2:
        case ESkinFontLabel:
            return iButtonFont.iShared;
        case ESkinFontBig:
            return iBigFont.iShared;
        default:
            return false;
    }
}

MImage* CDefaultSkin::GetImage(int aNumber) {
    if (aNumber < 0 || aNumber >= KSkinImageSlots) {
        return nullptr;
    }
    if (aNumber >= ESkinImageBlueLabirinth) {
        return LoadImage(KImageFiles[aNumber].iName, false);
    }
    return iImages[aNumber];
}

MUISkin* GetSkin() {
    static bool registered = false;
    if (gSkin == nullptr) {
        gSkin = new (std::nothrow) CDefaultSkin(gSkinRoot);
        // After the first skin: exit handlers run in reverse, so the skin goes before the font
        // managers it used while loading.
        if (!registered) {
            (void)std::atexit(DestroySkin);  // unregistered, it lives until the end
            registered = true;
        }
    }
    return gSkin;
}

void SetSkinRoot(const char* aPath) {
    if (aPath != nullptr) {
        (void)BoundedCopy(gSkinRoot, aPath, KSkinRootSize);
    }
    DestroySkin();
}

const char* SkinRoot() {
    return gSkinRoot;
}

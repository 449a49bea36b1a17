// The input as a font description file: parsed as the control font's and as another element's,
// then read by a skin from a skin directory of its own, as ControlFont.txt beside no fonts.
//
// Checked: the name is a terminated word of at most 63 bytes without separators, relative and
// without a ".." component; the size is 0 or 1 to 128; a colour is an RGB 565 value and is read
// only for the control font; the skin, finding no font file, ends with the fixed fonts (of the
// size read, whatever became of the name) and sets the control text colour exactly when the
// file gives one.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "ui/ColorScheme.h"
#include "ui/CourierFont.h"
#include "ui/Skin.h"

namespace {

std::string DescriptionPath() {
    return std::string(gFuzzRoot) + "/skin/ControlFont.txt";
}

void CheckDescription(const TFontDescription& aDescription, bool aReadColor) {
    const std::size_t length = strnlen(aDescription.iName, sizeof aDescription.iName);
    Check(length <= static_cast<std::size_t>(KMaxFontName));
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(aDescription.iName[i]);
        Check(byte > ' ' && byte != 0x7F);
    }
    Check(aDescription.iName[0] != '/');
    const std::string components = "/" + std::string(aDescription.iName, length) + "/";
    Check(components.find("/../") == std::string::npos);
    Check(aDescription.iSize == 0 ||
          (aDescription.iSize >= 1 && aDescription.iSize <= KMaxFontSize));
    Check(aDescription.iColor <= 0xFFFF);
    Check(aReadColor || !aDescription.iHasColor);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    static const bool KRootMade = MakeFuzzRoot("font", {"/skin"}, false);
    Check(KRootMade);
    const char* text = reinterpret_cast<const char*>(aData);
    const TFontDescription control = ParseFontDescription(text, aSize, true);
    CheckDescription(control, true);
    const TFontDescription other = ParseFontDescription(text, aSize, false);
    CheckDescription(other, false);
    Check(std::strcmp(control.iName, other.iName) == 0 && control.iSize == other.iSize);

    // The skin reads only the start of a file.
    const TFontDescription head =
        ParseFontDescription(text, aSize < KMaxFontDescription ? aSize : KMaxFontDescription, true);
    std::FILE* file = std::fopen(DescriptionPath().c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(aData, 1, aSize, file) == aSize && std::fclose(file) == 0);
    const std::uint32_t KUnset = 0x10000;  // beyond 16 bits: no colour line gives it
    SetControlTextColor(KUnset);
    {
        CDefaultSkin skin(gFuzzRoot);
        // The size counts even when the name was refused.
        const int size = head.iSize != 0 ? head.iSize : 16;
        Check(skin.GetFont(ESkinFontControl) == GetFixedFontManager()->GetFont(size <= 20 ? 2 : 3));
        Check(skin.IsFontShared(ESkinFontControl));
        Check(ControlTextColor() == (head.iHasColor ? head.iColor : KUnset));
    }
    return 0;
}

#include "ui/UIWidget.h"

#include <cstring>
#include <new>

#include "ui/Draw.h"
#include "ui/Skin.h"
#include "ui/UIWidgetGroup.h"

namespace {

MVirtualScreen* gDefaultWidgetScreen = nullptr;

// A heap copy of aText; null for null text or when memory runs out.
char* CopyText(const char* aText) {
    if (aText == nullptr) {
        return nullptr;
    }
    const std::size_t length = std::strlen(aText);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr) {
        std::memcpy(copy, aText, length + 1);
    }
    return copy;
}

// aOrigin plus half the unsigned difference of the two sizes: a text larger than its area lands
// far off the screen instead of being pulled back onto it.
std::int32_t CentredStart(std::int32_t aOrigin, std::int32_t aAreaSize, int aTextSize) {
    const std::uint32_t offset =
        (static_cast<std::uint32_t>(aAreaSize) - static_cast<std::uint32_t>(aTextSize)) / 2;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(aOrigin) + offset);
}

// The width of aLine's first aLength bytes.
int PrefixWidth(MFont* aFont, char* aLine, int aLength) {
    const char saved = aLine[aLength];
    aLine[aLength] = '\0';
    const int width = aFont->TextWidth(aLine);
    aLine[aLength] = saved;
    return width;
}

// How many of the aLength bytes of aLine fit in aWidth pixels: cut at the last space that leaves
// a part that fits, or, when one word alone is too wide, before its first character that
// overflows, keeping at least one. aResume is set to where the text after the kept part goes on,
// aLength when nothing is left over.
int FittingLength(MFont* aFont, char* aLine, int aLength, int aWidth, int& aResume) {
    int kept = aLength;
    aResume = aLength;
    while (kept > 0 && PrefixWidth(aFont, aLine, kept) > aWidth) {
        int space = kept - 1;
        while (space > 0 && aLine[space] != ' ') {
            --space;
        }
        if (space == 0) {
            // One word too wide for the line: as many of its characters as fit, at least one.
            int fits = 1;
            while (fits < kept && PrefixWidth(aFont, aLine, fits + 1) <= aWidth) {
                ++fits;
            }
            aResume = fits;
            return fits;
        }
        kept = space;
        aResume = space + 1;
    }
    return kept;
}

// Fills aLine with what of [aText, aEnd) goes on one line of aWidth pixels: a piece of at most
// KTextLineBuffer - 1 bytes, without its outer spaces, cut to fit. Returns where the next line
// starts.
const char* FitLine(MFont* aFont, int aWidth, const char* aText, const char* aEnd,
                    char (&aLine)[KTextLineBuffer]) {
    const std::ptrdiff_t available = aEnd - aText;
    const int pieceLength =
        static_cast<int>(available < KTextLineBuffer - 1 ? available : KTextLineBuffer - 1);
    int first = 0;
    while (first < pieceLength && aText[first] == ' ') {
        ++first;
    }
    int last = pieceLength;
    while (last > first && aText[last - 1] == ' ') {
        --last;
    }
    const int length = last - first;
    std::memcpy(aLine, aText + first, static_cast<std::size_t>(length));
    aLine[length] = '\0';
    int resume = 0;
    const int kept = FittingLength(aFont, aLine, length, aWidth, resume);
    aLine[kept] = '\0';
    return resume < length ? aText + first + resume : aText + pieceLength;
}

// The height a line takes; an empty one, or one of glyphs without height, takes that of "A".
int LineHeight(MFont* aFont, const char* aLine) {
    const int height = aFont->TextHeight(aLine);
    return height != 0 ? height : aFont->TextHeight("A");
}

}  // namespace

MVirtualScreen* DefaultWidgetScreen() {
    return gDefaultWidgetScreen != nullptr ? gDefaultWidgetScreen : GetVirtualScreen();
}

void SetDefaultWidgetScreen(MVirtualScreen* aScreen) {
    gDefaultWidgetScreen = aScreen;
}

MUIWidget::MUIWidget(const TRect& aRect, const char* aText, MUIWidgetEvents* aListener)
    : iRect(aRect),
      iListener(aListener),
      iText(CopyText(aText)),
      iFrameBuffer(DefaultWidgetScreen()) {}

MUIWidget::~MUIWidget() {
    if (iParent != nullptr) {
        iParent->ChildDestroyed(this);
    }
    delete[] iText;
    delete[] iExtraText;
}

// The copy is made before the old text goes: aText may be the widget's own text.
void MUIWidget::SetText(const char* aText) {
    char* copy = CopyText(aText);
    delete[] iText;
    iText = copy;
}

void MUIWidget::SetColorScheme(MColorScheme* aScheme) {
    iColorScheme = aScheme;
}

void MUIWidget::SetFont(MFont* aFont) {
    iFont = aFont;
}

bool MUIWidget::SetEnabled(bool aEnabled) {
    iEnabled = aEnabled;
    if (!aEnabled) {
        SetFocus(false);
    }
    return true;
}

void MUIWidget::SetExtraText(const char* aText) {
    char* copy = CopyText(aText);
    delete[] iExtraText;
    iExtraText = copy;
}

bool MUIWidget::SetFocus(bool aFocus) {
    iFocused = aFocus;
    if (aFocus) {
        SetEnabled(true);
    }
    return true;
}

bool MUIWidget::IsVisible() const {
    return iRect.iWidth != 0;
}

MFont* MUIWidget::ResolveFont() const {
    return iFont != nullptr ? iFont : GetSkin()->GetFont(iFontIndex);
}

MColorScheme* MUIWidget::ResolveColorScheme() const {
    return iColorScheme != nullptr ? iColorScheme : GetSkin()->GetColorScheme();
}

bool MUIWidget::DrawText(const TRect& aArea, std::uint32_t aColor, std::uint32_t aFlags) {
    if (iText == nullptr) {
        return true;
    }
    MFont* font = ResolveFont();
    if (font == nullptr) {
        return false;
    }
    if ((aFlags & (KTextMultiLine | KTextMultiLineAlt)) != 0) {
        return DrawLines(font, aArea, aColor, aFlags);
    }
    return DrawLine(font, iText, aArea, aColor, aFlags);
}

bool MUIWidget::DrawLine(MFont* aFont, const char* aText, const TRect& aArea, std::uint32_t aColor,
                         std::uint32_t aFlags) {
    std::int32_t x = aArea.iX;
    std::int32_t y = aArea.iY;
    if ((aFlags & KTextCentreHorizontal) != 0) {
        x = CentredStart(aArea.iX, aArea.iWidth, aFont->TextWidth(aText));
    }
    if ((aFlags & KTextCentreVertical) != 0) {
        y = CentredStart(aArea.iY, aArea.iHeight, aFont->TextHeight(aText));
    }
    return aFont->DrawText(iFrameBuffer, aText, x, y, aColor);
}

// Lays the text out line by line: newline runs separate lines (empty lines are dropped), and a
// line wider than the area is cut at its last space that leaves a part that fits, the rest going
// on the next line. The working buffer holds one line, or the first KTextLineBuffer - 1 bytes of
// a longer one; what follows such a piece is laid out after it, so a long text shows as much as
// the area has room for. A word wider than the area is broken before the character that
// overflows; a character wider than the area on its own still takes a line, so layout always
// moves on.
bool MUIWidget::DrawLines(MFont* aFont, const TRect& aArea, std::uint32_t aColor,
                          std::uint32_t aFlags) {
    const std::int64_t bottom = static_cast<std::int64_t>(aArea.iY) + aArea.iHeight;
    const std::int64_t screenHeight = iFrameBuffer != nullptr ? iFrameBuffer->GetHeight() : 0;
    const std::uint32_t lineFlags = aFlags & KTextCentred;
    const int width = aArea.iWidth;
    char line[KTextLineBuffer];
    std::int64_t y = aArea.iY;
    const char* next = iText;
    for (;;) {
        while (*next == '\n') {
            ++next;
        }
        if (*next == '\0') {
            return true;
        }
        if (y >= bottom) {
            return false;
        }
        const char* end = std::strchr(next, '\n');
        if (end == nullptr) {
            end = next + std::strlen(next);
        }
        for (const char* rest = next; rest < end;) {
            if (y >= bottom || y >= screenHeight) {
                break;  // no room: the rest of this line is not shown
            }
            rest = FitLine(aFont, width, rest, end, line);
            (void)DrawLine(aFont, line,
                           TRect(aArea.iX, static_cast<std::int32_t>(y), width, KTextLineBand),
                           aColor, lineFlags);
            y += LineHeight(aFont, line) + KTextLineGap;
        }
        next = end;
    }
}

void MUIWidget::DrawFace(std::uint32_t aTextColor, std::uint32_t aFillColor) {
    FillRect(iFrameBuffer, iRect.iX, iRect.iY, iRect.iX + iRect.iWidth, iRect.iY + iRect.iHeight,
             aFillColor, KCornerRounded);
    (void)DrawText(iRect, aTextColor, iTextFlags);
}

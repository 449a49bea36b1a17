#include "ui/UILabel.h"

#include "ui/Skin.h"
#include "ui/UIWidgetGroup.h"

CUILabel::CUILabel(const TRect& aRect, const char* aText) : MUIWidget(aRect, aText, nullptr) {
    iFontIndex = ESkinFontLabel;
    // Not through SetEnabled, which a label refuses.
    iEnabled = false;
}

void CUILabel::Draw() {
    if (!IsVisible()) {
        return;
    }
    // The old text is wiped by the background, not by a fill: a label sits on the screen's
    // picture.
    if (iParent != nullptr) {
        iParent->DrawBackground(iRect);
    }
    (void)DrawText(iRect, TextColor(), iTextFlags);
}

bool CUILabel::HandleTouch(const TouchEvent&) {
    return false;
}

bool CUILabel::HandleKey(int) {
    return false;
}

bool CUILabel::SetEnabled(bool) {
    return false;
}

bool CUILabel::SetFocus(bool) {
    return false;
}

std::uint32_t CUILabel::TextColor() {
    return iTextColor != 0 ? iTextColor : ResolveColorScheme()->Foreground();
}

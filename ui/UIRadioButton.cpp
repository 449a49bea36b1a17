#include "ui/UIRadioButton.h"

#include "ui/Skin.h"
#include "ui/UIWidgetGroup.h"

CUIRadioButton::CUIRadioButton(const TRect& aRect, const char* aText, MUIWidgetEvents* aListener,
                               CUIRadioButton* aPrevious, CUIRadioButton* aNext)
    : MUIWidget(aRect, aText, aListener), iPrevious(aPrevious), iNext(aNext) {
    iTextFlags = KTextCentreVertical;
}

CUIRadioButton::~CUIRadioButton() {
    CUIRadioButton* previous = iPrevious != this ? iPrevious : nullptr;
    CUIRadioButton* next = iNext != this ? iNext : nullptr;
    // In a ring of two the one left must not end up linked to itself.
    if (previous != nullptr && previous->iNext == this) {
        previous->iNext = next != previous ? next : nullptr;
    }
    if (next != nullptr && next->iPrevious == this) {
        next->iPrevious = previous != next ? previous : nullptr;
    }
}

std::uint32_t CUIRadioButton::StateColor(MColorScheme* aScheme) const {
    if (iFocused) {
        return aScheme->Highlight();
    }
    return iEnabled ? aScheme->ControlText() : aScheme->DisabledForeground();
}

int CUIRadioButton::StateImage() const {
    if (iEnabled) {
        return iChecked ? ESkinImageRadioOn : ESkinImageRadioOff;
    }
    return iChecked ? ESkinImageRadioOnDis : ESkinImageRadioOffDis;
}

void CUIRadioButton::Draw() {
    if (!IsVisible()) {
        return;
    }
    if (iParent != nullptr) {
        iParent->DrawBackground(iRect);
    }
    std::int32_t captionX = iRect.iX;
    if (MImage* image = GetSkin()->GetImage(StateImage())) {
        // Halved unsigned, like centred text: an image taller than the button lands far below
        // the screen and is not drawn, rather than overlapping the widget above.
        const std::uint32_t offset = (static_cast<std::uint32_t>(iRect.iHeight) -
                                      static_cast<std::uint32_t>(image->Height())) /
                                     2;
        (void)image->Draw(iFrameBuffer, iRect.iX,
                          static_cast<std::int32_t>(static_cast<std::uint32_t>(iRect.iY) + offset));
        captionX = iRect.iX + image->Width() + KRadioCaptionGap;
    }
    // The caption area keeps the button's full width: it only matters for centring flags.
    (void)DrawText(TRect(captionX, iRect.iY, iRect.iWidth, iRect.iHeight),
                   StateColor(ResolveColorScheme()), iTextFlags);
}

void CUIRadioButton::SetChecked(bool aChecked) {
    if (aChecked == iChecked) {
        return;
    }
    iChecked = aChecked;
    if (aChecked) {
        // A chain closed into a ring would otherwise be walked for ever.
        for (CUIRadioButton* other = iNext; other != nullptr && other != this;
             other = other->iNext) {
            other->SetChecked(false);
        }
        for (CUIRadioButton* other = iPrevious; other != nullptr && other != this;
             other = other->iPrevious) {
            other->SetChecked(false);
        }
    }
    Draw();
}

// The listener comes last: it may destroy this button.
void CUIRadioButton::Choose() {
    SetChecked(true);
    if (iListener != nullptr) {
        iListener->OnWidgetEvent(this);
    }
}

bool CUIRadioButton::HandleTouch(const TouchEvent& aEvent) {
    if (aEvent.pressure != 0 || iChecked || !Contains(aEvent.x, aEvent.y)) {
        return false;
    }
    Choose();
    return true;
}

bool CUIRadioButton::HandleKey(int aKey) {
    if (aKey != KKeySelect || iChecked) {
        return false;
    }
    Choose();
    return true;
}

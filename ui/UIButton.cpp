#include "ui/UIButton.h"

#include "ui/UIEventLoop.h"

CUIButton::CUIButton(const TRect& aRect, const char* aText, MUIWidgetEvents* aListener)
    : MUIWidget(aRect, aText, aListener) {
    iTextFlags = KTextCentred;
}

std::uint32_t CUIButton::StateColor(MColorScheme* aScheme) const {
    if (iFocused) {
        return aScheme->Highlight();
    }
    return iEnabled ? aScheme->Foreground() : aScheme->DisabledForeground();
}

void CUIButton::Draw() {
    // A zero-width widget is hidden; the rounded fill would still paint a column of pixels.
    if (!IsVisible()) {
        return;
    }
    MColorScheme* scheme = ResolveColorScheme();
    const std::uint32_t state = StateColor(scheme);
    const std::uint32_t background = scheme->WidgetBackground();
    if (iPressed) {
        DrawFace(background, state);
    } else {
        DrawFace(state, background);
    }
}

bool CUIButton::HandleTouch(const TouchEvent& aEvent) {
    if (aEvent.pressure != 0) {
        // The pen resting on the button sends a stream of presses: only the first redraws.
        if (!iPressed) {
            iPressed = true;
            Draw();
        }
        return true;
    }
    iPressed = false;
    Draw();
    // The group hands a button the pen's new position when the pen slides off it, so a release
    // outside is a cancelled tap. The listener comes last: it may destroy this button.
    if (Contains(aEvent.x, aEvent.y) && iListener != nullptr) {
        iListener->OnWidgetEvent(this);
    }
    return true;
}

bool CUIButton::HandleKey(int aKey) {
    if (aKey != KKeySelect) {
        return false;
    }
    Flash();
    if (iListener != nullptr) {
        iListener->OnWidgetEvent(this);
    }
    return true;
}

// Without a pen there is no press to see, so the select key shows one for a moment.
void CUIButton::Flash() {
    iPressed = true;
    Draw();
    UpdateDisplay();
    iPressed = false;
    CUIEventLoop::Instance()->Sleep(KButtonFlashTime);
    Draw();
    UpdateDisplay();
}

void CUIButton::UpdateDisplay() {
    if (iFrameBuffer != nullptr) {
        iFrameBuffer->Update(true);
    }
}

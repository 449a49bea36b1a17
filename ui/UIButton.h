#pragma once

#include "ui/UIWidget.h"

// How long the select key shows a button pressed before it acts, in microseconds.
constexpr std::uint32_t KButtonFlashTime = 50000;

// A rounded, filled push button. The pen going down shows it pressed (fill and text colours
// swapped); lifting the pen redraws it normally and, when the pen was lifted inside it, tells
// the listener. The select key flashes it and tells the listener.
class CUIButton : public MUIWidget {
  public:
    // The caption is centred both ways in the control font.
    CUIButton(const TRect& aRect, const char* aText, MUIWidgetEvents* aListener);

    void Draw() override;
    // Always true: every touch changes or may change the look.
    bool HandleTouch(const TouchEvent& aEvent) override;
    // Key 6 (select) flashes the button and tells the listener; other keys are not taken.
    bool HandleKey(int aKey) override;

    bool IsPressed() const { return iPressed; }

  private:
    // The text colour of the normal look, the fill of the pressed one.
    std::uint32_t StateColor(MColorScheme* aScheme) const;
    void Flash();
    void UpdateDisplay();

    bool iPressed = false;
};

#pragma once

#include "ui/UIWidget.h"

// Static text over the screen's background: no fill of its own, never enabled and never
// focused, so touches and focus pass it by.
class CUILabel : public MUIWidget {
  public:
    // Top-left text in the label font; no listener.
    CUILabel(const TRect& aRect, const char* aText);

    // The parent's background in the label's rectangle, then the text.
    void Draw() override;
    bool HandleTouch(const TouchEvent& aEvent) override;
    bool HandleKey(int aKey) override;
    // A label never takes input: both do nothing and return false.
    bool SetEnabled(bool aEnabled) override;
    bool SetFocus(bool aFocus) override;

    // The text colour if set, else the scheme's Foreground (looked up at every draw).
    virtual std::uint32_t TextColor();

    // 0 (black too) means the scheme's Foreground.
    void SetTextColor(std::uint32_t aColor) { iTextColor = aColor; }
    std::uint32_t OwnTextColor() const { return iTextColor; }

  private:
    std::uint32_t iTextColor = 0;
};

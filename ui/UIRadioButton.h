#pragma once

#include "ui/UIWidget.h"

// Pixels between a radio button's state image and its caption.
constexpr int KRadioCaptionGap = 3;

// A state image from the skin followed by a caption, drawn over the parent's background. The
// buttons of one choice are chained by their previous and next links: checking one unchecks
// every other button of its chain.
class CUIRadioButton : public MUIWidget {
  public:
    // The links are not owned. The caption is centred vertically in the control font. The
    // button before this one in a chain is not changed: its next link is the caller's to set.
    CUIRadioButton(const TRect& aRect, const char* aText, MUIWidgetEvents* aListener,
                   CUIRadioButton* aPrevious, CUIRadioButton* aNext);
    // Leaves the chain: the neighbours that point at this button are linked to each other.
    ~CUIRadioButton() override;

    void Draw() override;
    // A release inside an unchecked button checks it and tells the listener; true then only.
    bool HandleTouch(const TouchEvent& aEvent) override;
    // Key 6 (select) on an unchecked button checks it and tells the listener; true then only.
    bool HandleKey(int aKey) override;

    // Checking unchecks the rest of the chain. Every button that changes redraws itself; one
    // that keeps its state does nothing. Does not tell the listener.
    virtual void SetChecked(bool aChecked);

    bool IsChecked() const { return iChecked; }
    CUIRadioButton* Previous() const { return iPrevious; }
    CUIRadioButton* Next() const { return iNext; }
    void SetPrevious(CUIRadioButton* aPrevious) { iPrevious = aPrevious; }
    void SetNext(CUIRadioButton* aNext) { iNext = aNext; }

  private:
    // The caption colour.
    std::uint32_t StateColor(MColorScheme* aScheme) const;
    // The TSkinImage number of the state image.
    int StateImage() const;
    void Choose();

    bool iChecked = false;
    CUIRadioButton* iPrevious;
    CUIRadioButton* iNext;
};

#pragma once

#include <cstdint>

#include "ui/Image.h"
#include "ui/UIWidgetGroup.h"

// The top-level group: covers the whole display, paints a background (a colour and an image)
// and can run the event loop modally until it is closed.
class CUIScreen : public CUIWidgetGroup {
  public:
    // The rectangle (0, 0, width - 1, height - 1) of the screen DefaultWidgetScreen() gives.
    explicit CUIScreen(int aSchemeIndex);
    // Destroys the background image; the event loop forgets the screen if it was current.
    ~CUIScreen() override;

    // Background first, then every child.
    void Draw() override;
    // The background image (the skin's "Back" one without an image of its own) placed at the
    // screen's top left, over a fill in the background colour (the scheme's ScreenBackground
    // when 0) unless the image covers the whole area.
    void DrawBackground(const TRect& aArea) override;
    // The same, square: what the screen's own drawing leaves in aArea, corners included, for
    // wiping what a widget drew there before.
    void RestoreBackground(const TRect& aArea);

    // Stores the colour and takes ownership of aImage (destroying the old one) unless it is the
    // image the screen already has. Redraws when either changed.
    virtual void SetBackground(std::uint32_t aColor, MImage* aImage);
    // Makes scheme aIndex the screen's and the skin's current one, takes its ScreenBackground as
    // the background colour and redraws.
    virtual void SelectScheme(int aIndex);
    // Runs the process's event loop on this screen until Close; then makes the screen that was
    // current before current again (redrawn on the next pass) and restores the skin's scheme.
    // Returns the result field.
    virtual int Run();
    // Ends the innermost running loop and asks it to redraw the screen that becomes current.
    virtual void Close();

    std::uint32_t BackgroundColor() const { return iBackgroundColor; }
    MImage* BackgroundImage() const { return iBackgroundImage; }
    int Result() const { return iResult; }
    void SetResult(int aResult) { iResult = aResult; }
    int SchemeIndex() const { return iSchemeIndex; }

  protected:
    // DrawBackground with the colour fill's corner mode.
    void PaintBackground(const TRect& aArea, int aCorner);

    std::uint32_t iBackgroundColor = 0;
    MImage* iBackgroundImage = nullptr;
    int iResult = 0;
    int iSchemeIndex;
};

#include "ui/UIScreen.h"

#include "ui/Draw.h"
#include "ui/Skin.h"
#include "ui/UIEventLoop.h"

namespace {

// The whole display of the screen DefaultWidgetScreen() gives (right and bottom inclusive, as
// every widget rectangle is drawn).
TRect DisplayRect() {
    MVirtualScreen* screen = DefaultWidgetScreen();
    return TRect(0, 0, screen->GetWidth() - 1, screen->GetHeight() - 1);
}

}  // namespace

CUIScreen::CUIScreen(int aSchemeIndex)
    : CUIWidgetGroup(DisplayRect()), iSchemeIndex(aSchemeIndex) {}

CUIScreen::~CUIScreen() {
    // Children go first, while the screen is still whole: a child's destructor that calls back
    // into its parent must not reach a half-destroyed screen.
    DeleteAllChildren();
    delete iBackgroundImage;
    if (CUIEventLoop* loop = CUIEventLoop::ExistingInstance()) {
        loop->ForgetScreen(this);
    }
}

void CUIScreen::Draw() {
    DrawBackground(iRect);
    CUIWidgetGroup::Draw();
}

void CUIScreen::DrawBackground(const TRect& aArea) {
    PaintBackground(aArea, KCornerRounded);
}

void CUIScreen::RestoreBackground(const TRect& aArea) {
    PaintBackground(aArea, KCornerSquare);
}

void CUIScreen::PaintBackground(const TRect& aArea, int aCorner) {
    MImage* image =
        iBackgroundImage != nullptr ? iBackgroundImage : GetSkin()->GetImage(ESkinImageBack);
    bool covered = false;
    if (image != nullptr) {
        // The image's extent placed at the screen's top left, both ends inclusive.
        const std::int64_t left = iRect.iX;
        const std::int64_t top = iRect.iY;
        const std::int64_t right = left + image->Width() - 1;
        const std::int64_t bottom = top + image->Height() - 1;
        const std::int64_t areaRight = static_cast<std::int64_t>(aArea.iX) + aArea.iWidth;
        const std::int64_t areaBottom = static_cast<std::int64_t>(aArea.iY) + aArea.iHeight;
        covered = aArea.iX >= left && aArea.iX <= right && aArea.iY >= top && aArea.iY <= bottom &&
                  areaRight >= left && areaRight <= right && areaBottom >= top &&
                  areaBottom <= bottom;
    }
    // A covered area is the image's alone. An image that could not draw it (a screen of another
    // depth, a stand-in that draws only whole) leaves it to the colour, like a missing image.
    if (covered && image->DrawPart(iFrameBuffer, iRect.iX, iRect.iY, aArea.iX, aArea.iY,
                                   aArea.iWidth, aArea.iHeight)) {
        return;
    }
    std::uint32_t color = iBackgroundColor;
    MColorScheme* scheme = color == 0 ? ResolveColorScheme() : nullptr;
    if (scheme != nullptr) {
        color = scheme->ScreenBackground();
    }
    FillRect(iFrameBuffer, aArea.iX, aArea.iY, aArea.iX + aArea.iWidth, aArea.iY + aArea.iHeight,
             color, aCorner);
    if (image != nullptr && !covered) {
        (void)image->DrawPart(iFrameBuffer, iRect.iX, iRect.iY, aArea.iX, aArea.iY, aArea.iWidth,
                              aArea.iHeight);
    }
}

void CUIScreen::SetBackground(std::uint32_t aColor, MImage* aImage) {
    bool changed = aColor != iBackgroundColor;
    iBackgroundColor = aColor;
    if (aImage != iBackgroundImage) {
        delete iBackgroundImage;
        iBackgroundImage = aImage;
        changed = true;
    }
    if (changed) {
        Draw();
    }
}

void CUIScreen::SelectScheme(int aIndex) {
    iSchemeIndex = aIndex;
    MUISkin* skin = GetSkin();
    skin->SetSchemeIndex(aIndex);
    if (MColorScheme* scheme = skin->GetColorScheme()) {
        iBackgroundColor = scheme->ScreenBackground();
    }
    Draw();
}

int CUIScreen::Run() {
    iResult = 0;
    CUIEventLoop* loop = CUIEventLoop::Instance();
    MUISkin* skin = GetSkin();
    CUIScreen* previous = loop->GetScreen();
    const int previousScheme = skin->GetSchemeIndex();
    skin->SetSchemeIndex(iSchemeIndex);
    loop->SetScreen(this);
    loop->Run();
    loop->ClearStopRequest();
    if (previous != nullptr) {
        loop->SetScreen(previous);
        loop->RequestRedraw();
    }
    // The skin may have been replaced meanwhile (a new skin root): set the one there is now.
    GetSkin()->SetSchemeIndex(previousScheme);
    return iResult;
}

void CUIScreen::Close() {
    CUIEventLoop* loop = CUIEventLoop::Instance();
    loop->RequestStop();
    loop->RequestRedraw();
}

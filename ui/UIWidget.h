#pragma once

#include <cstdint>

#include "platform/InputReader.h"
#include "platform/VirtualScreen.h"
#include "ui/ColorScheme.h"
#include "ui/Font.h"

class CUIWidgetGroup;

// A rectangle of the logical screen. A point is inside when iX <= x < iX + iWidth and
// iY <= y < iY + iHeight; drawing covers one pixel more to the right and below.
struct TRect {
    std::int32_t iX = 0;
    std::int32_t iY = 0;
    std::int32_t iWidth = 0;
    std::int32_t iHeight = 0;

    constexpr TRect() = default;
    constexpr TRect(std::int32_t aX, std::int32_t aY, std::int32_t aWidth, std::int32_t aHeight)
        : iX(aX), iY(aY), iWidth(aWidth), iHeight(aHeight) {}

    // Computed in 64 bits: a rectangle near the end of the int range has no wrapped-around edge.
    constexpr bool Contains(std::int32_t aX, std::int32_t aY) const {
        return iX <= aX && static_cast<std::int64_t>(aX) < static_cast<std::int64_t>(iX) + iWidth &&
               iY <= aY && static_cast<std::int64_t>(aY) < static_cast<std::int64_t>(iY) + iHeight;
    }
};

// Text flags of a widget.
constexpr std::uint32_t KTextCentreHorizontal = 1;
constexpr std::uint32_t KTextCentreVertical = 2;
constexpr std::uint32_t KTextCentred = KTextCentreHorizontal | KTextCentreVertical;
// Either bit lays the text out over several lines, wrapped at spaces.
constexpr std::uint32_t KTextMultiLine = 4;
constexpr std::uint32_t KTextMultiLineAlt = 8;

// Bytes of the working buffer that holds one line of multi-line text, terminator included.
constexpr int KTextLineBuffer = 500;
// Pixels between the lines of multi-line text, added to the text height.
constexpr int KTextLineGap = 5;
// Height of the band each line of multi-line text is vertically centred in.
constexpr int KTextLineBand = 10;

// The virtual screen that widgets draw on when they are made: the process's (GetVirtualScreen())
// unless another one was chosen, as tests and tools do before they build widgets. The event loop
// updates the same screen by default.
MVirtualScreen* DefaultWidgetScreen();
// Null goes back to the process's virtual screen.
void SetDefaultWidgetScreen(MVirtualScreen* aScreen);

// The base of every widget: a rectangle, an optional text, font and colour scheme (the skin's
// when not set, looked up at every draw), the enabled and focused states and a listener told
// when the user activates the widget.
class MUIWidget {
  public:
    // Told after the user activates a widget.
    class MUIWidgetEvents {
      public:
        virtual void OnWidgetEvent(MUIWidget* aSource) = 0;
        virtual ~MUIWidgetEvents() = default;
    };

    // The text is copied; aText and aListener may be null.
    MUIWidget(const TRect& aRect, const char* aText, MUIWidgetEvents* aListener);
    // A widget still in a group leaves it (the group forgets its slot and its touch target).
    virtual ~MUIWidget();
    MUIWidget(const MUIWidget&) = delete;
    MUIWidget& operator=(const MUIWidget&) = delete;

    virtual void Draw() = 0;
    // True when the event was handled and the display needs an update.
    virtual bool HandleTouch(const TouchEvent& aEvent) = 0;
    virtual bool HandleKey(int aKey) = 0;
    // Stores a copy (null: no text). Does not redraw.
    virtual void SetText(const char* aText);
    virtual void SetColorScheme(MColorScheme* aScheme);
    virtual void SetFont(MFont* aFont);
    // Disabling also takes the focus away.
    virtual bool SetEnabled(bool aEnabled);
    virtual void SetExtraText(const char* aText);
    // Focusing also enables.
    virtual bool SetFocus(bool aFocus);
    // A widget of zero width is hidden: it draws nothing and never takes the focus.
    virtual bool IsVisible() const;

    // The hit test.
    bool Contains(int aX, int aY) const { return iRect.Contains(aX, aY); }

    // Draws the widget's text in aArea with the layout aFlags. True without text; false when no
    // font can be found, a single line could not be drawn whole, or multi-line text ran out of
    // room before its last line.
    bool DrawText(const TRect& aArea, std::uint32_t aColor, std::uint32_t aFlags);
    // The rounded rectangle (x, y)-(x + width, y + height) in aFillColor, then the text in the
    // widget's rectangle with its text flags.
    void DrawFace(std::uint32_t aTextColor, std::uint32_t aFillColor);

    // The widget's font, or the skin's font of the widget's font index; may be null.
    MFont* ResolveFont() const;
    // The widget's scheme, or the skin's current one.
    MColorScheme* ResolveColorScheme() const;

    const TRect& Rect() const { return iRect; }
    void SetRect(const TRect& aRect) { iRect = aRect; }
    const char* Text() const { return iText; }
    const char* ExtraText() const { return iExtraText; }
    std::uint32_t TextFlags() const { return iTextFlags; }
    void SetTextFlags(std::uint32_t aFlags) { iTextFlags = aFlags; }
    MColorScheme* ColorScheme() const { return iColorScheme; }
    MFont* Font() const { return iFont; }
    int FontIndex() const { return iFontIndex; }
    void SetFontIndex(int aIndex) { iFontIndex = aIndex; }
    bool IsEnabled() const { return iEnabled; }
    bool IsFocused() const { return iFocused; }
    int Id() const { return iId; }
    void SetId(int aId) { iId = aId; }
    MUIWidgetEvents* Listener() const { return iListener; }
    void SetListener(MUIWidgetEvents* aListener) { iListener = aListener; }
    MVirtualScreen* FrameBuffer() const { return iFrameBuffer; }
    void SetFrameBuffer(MVirtualScreen* aFrameBuffer) { iFrameBuffer = aFrameBuffer; }
    CUIWidgetGroup* Parent() const { return iParent; }

  protected:
    TRect iRect;
    MColorScheme* iColorScheme = nullptr;
    MUIWidgetEvents* iListener;
    char* iText = nullptr;
    std::uint32_t iTextFlags = 0;
    MFont* iFont = nullptr;
    bool iEnabled = true;
    char* iExtraText = nullptr;
    bool iFocused = false;
    int iFontIndex = 0;
    int iId = 0;
    MVirtualScreen* iFrameBuffer;
    CUIWidgetGroup* iParent = nullptr;

  private:
    friend class CUIWidgetGroup;

    bool DrawLine(MFont* aFont, const char* aText, const TRect& aArea, std::uint32_t aColor,
                  std::uint32_t aFlags);
    bool DrawLines(MFont* aFont, const TRect& aArea, std::uint32_t aColor, std::uint32_t aFlags);
};

#include "app/MainScreen.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "app/Application.h"
#include "app/ScreenCapture.h"
#include "nmea/CaptureCycle.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DisplayOwner.h"
#include "ui/CourierFont.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UILabel.h"
#include "ui/UIRadioButton.h"

#include "Version.h"

namespace {

constexpr const char* KTitle = "Fixtrail v" FIXTRAIL_VERSION;
constexpr const char* KStatusStopped = "Stopped";
constexpr const char* KStatusRunning = "Running";
constexpr int KCounterBuffer = 128;
// The counters in the order RefreshValues draws them, four to a row from the left: the
// texts around each number, and the count of the capture state it shows.
struct TCounter {
    const char* iPrefix;
    const char* iSuffix;
    int CCaptureState::*iMember;
};
constexpr TCounter KCounterTable[] = {
    {"Tot.=", "", &CCaptureState::TotalCount},   {"GGA=", "", &CCaptureState::GgaCount},
    {"GLL=", "", &CCaptureState::GllCount},      {"GSA=", "", &CCaptureState::GsaCount},
    {"\?\?\?=", "", &CCaptureState::OtherCount}, {"GSV=", "", &CCaptureState::GsvCount},
    {"VTG=", "", &CCaptureState::VtgCount},      {"RMC=", " ", &CCaptureState::RmcCount}};
constexpr int KCountersPerRow = 4;

// Counts from here up may be written in millions ("Tot.=2147M"), when nothing else fits.
constexpr int KMillionsFrom = 10000000;

// The counter's text, as "%d" would write the number, or its millions with an "M" (a refresh
// formats the two or so that changed; the stdio machinery would be most of its cost).
void FormatCounter(char* aText, std::size_t aSize, int aIndex, int aValue, bool aMillions) {
    char digits[24];
    std::size_t count = 0;
    long long value = aValue;
    const bool negative = value < 0;
    value = negative ? -value : value;
    if (aMillions) {
        value /= 1000000;
    }
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::size_t length = 0;
    auto put = [&](char aChar) {
        if (length + 1 < aSize) {
            aText[length++] = aChar;
        }
    };
    for (const char* c = KCounterTable[aIndex].iPrefix; *c != '\0'; ++c) {
        put(*c);
    }
    if (negative) {
        put('-');
    }
    while (count > 0) {
        put(digits[--count]);
    }
    if (aMillions) {
        put('M');
    }
    for (const char* c = KCounterTable[aIndex].iSuffix; *c != '\0'; ++c) {
        put(*c);
    }
    aText[length] = '\0';
}

// True when aText, its trailing blanks left out, fits aLabel's width in aFont and ends on the
// screen (the fixed font draws no glyph that would touch its right edge).
bool TextFits(MFont* aFont, const CUILabel& aLabel, const char* aText, int aScreenWidth) {
    if (aFont == nullptr) {
        return false;
    }
    char text[KCounterBuffer];
    std::size_t length = std::strlen(aText);
    while (length > 0 && aText[length - 1] == ' ') {
        --length;
    }
    length = std::min(length, sizeof text - 1);
    std::memcpy(text, aText, length);
    text[length] = '\0';
    const long long width = aFont->TextWidth(text);
    const TRect& rect = aLabel.Rect();
    return width <= rect.iWidth && rect.iX + width <= aScreenWidth;
}

// Two drawn areas share a pixel.
bool Overlap(const TDrawnArea& aLeft, const TDrawnArea& aRight) {
    return aLeft.iX0 <= aLeft.iX1 && aRight.iX0 <= aRight.iX1 && aLeft.iX0 <= aRight.iX1 &&
           aRight.iX0 <= aLeft.iX1 && aLeft.iY0 <= aRight.iY1 && aRight.iY0 <= aLeft.iY1;
}

TDrawnArea Join(const TDrawnArea& aLeft, const TDrawnArea& aRight) {
    if (aLeft.iX0 > aLeft.iX1) {
        return aRight;
    }
    if (aRight.iX0 > aRight.iX1) {
        return aLeft;
    }
    return {std::min(aLeft.iX0, aRight.iX0), std::min(aLeft.iY0, aRight.iY0),
            std::max(aLeft.iX1, aRight.iX1), std::max(aLeft.iY1, aRight.iY1)};
}

// Adds to aDraw every widget whose area meets that of one in it; true when any was added.
template <int N>
bool CloseOverOverlaps(bool (&aDraw)[N], const TDrawnArea (&aAreas)[N]) {
    bool added = false;
    for (bool grew = true; grew;) {
        grew = false;
        for (int i = 0; i < N; ++i) {
            for (int j = 0; j < N && !aDraw[i]; ++j) {
                if (aDraw[j] && Overlap(aAreas[i], aAreas[j])) {
                    aDraw[i] = true;
                    grew = true;
                    added = true;
                }
            }
        }
    }
    return added;
}

bool SameText(const char* aShown, const char* aText) {
    return aShown != nullptr && std::strcmp(aShown, aText) == 0;
}

// Without a state record (not made yet, or freed by Exit) the screen shows a stopped program
// with default settings.
const CCaptureState& StateOrDefault() {
    static const CCaptureState defaults;
    return gCaptureState != nullptr ? *gCaptureState : defaults;
}

}  // namespace

CMainScreen::CMainScreen() : CUIScreen(KMainScreenScheme) {
    SetBackground(KMainScreenBackground, nullptr);

    MVirtualScreen* screen = DefaultWidgetScreen();
    iScreenWidth = screen->GetWidth();
    iScreenHeight = screen->GetHeight();
    const std::int32_t w = iScreenWidth;
    iCaptionWidth = w / 3 - 5;
    iValueWidth = w - iCaptionWidth - 5;
    iButtonWidth = (w - 5 * 5) / 4;
    iRadioWidth = w / 4 - 5;
    iTitleWidth = w;

    // Each row is derived from the one above: the radio rows sit 5 pixels above their captions.
    iTitleY = iOriginY + iMarginY;
    iFileNameY = iTitleY + iRowHeight;
    iLogModeY = iFileNameY + iRowHeight;
    iLogModeRadioY = iLogModeY - iMarginY;
    iDecodeY = iLogModeRadioY + iRowHeight;
    iDecodeRadioY = iDecodeY - iMarginY;
    iStatusY = iDecodeY + iRowHeight;
    iCounterRow1Y = iStatusY + iRowHeight + iMarginY;
    iCounterRow2Y = iCounterRow1Y + iRowHeight + iMarginY;
    iButtonY = iScreenHeight - iButtonHeight - iMarginY;

    iColumn1X = iOriginX + iMarginX;
    iColumn2X = iColumn1X + iMarginX + iButtonWidth;
    iColumn3X = iColumn2X + iMarginX + iButtonWidth;
    iColumn4X = iColumn3X + iMarginX + iButtonWidth;
    iCaptionX = iMarginX;
    iValueX = iMarginX + iCaptionWidth + iMarginX;
    iRadio1X = w / 2;
    iRadio2X = (3 * w) / 4;

    const CCaptureState& state = StateOrDefault();
    const std::uint32_t caption = state.CaptionColor;
    const std::uint32_t value = state.ValueColor;

    iStartStopButton = AddButton(iColumn1X, "Start");
    iExitButton = AddButton(iColumn4X, "Exit");
    iSaveButton = AddButton(iColumn2X, "Save");
    iHideButton = AddButton(iColumn3X, "Hide");

    iTitle = AddLabel(TRect(iCaptionX, iTitleY, iTitleWidth, iTitleHeight), KTitle, caption);
    iFileNameCaption = AddCaption(iFileNameY, "File name", caption);
    iFileNameValue = AddLabel(TRect(iValueX, iFileNameY, iValueWidth, iValueHeight), "", value);
    iLogModeCaption = AddCaption(iLogModeY, "Log mode", caption);
    AddRadioPair(iLogModeRadioY, iAppendRadio, "append", KIdLogAppend, iNewRadio, "new", KIdLogNew);
    iDecodeCaption = AddCaption(iDecodeY, "Decode frames", caption);
    AddRadioPair(iDecodeRadioY, iYesRadio, "yes", KIdDecodeYes, iNoRadio, "no", KIdDecodeNo);
    iStatusCaption = AddCaption(iStatusY, "Status", caption);
    iStatusValue = AddLabel(TRect(iValueX, iStatusY, iValueWidth, iValueHeight),
                            state.RunState == Stopped ? KStatusStopped : KStatusRunning, value);

    static_assert(std::size(KCounterTable) == KCounters, "one table row per counter");
    const std::int32_t columns[KCountersPerRow] = {iColumn1X, iColumn2X, iColumn3X, iColumn4X};
    const std::int32_t rows[] = {iCounterRow1Y, iCounterRow2Y};
    for (int i = 0; i < KCounters; ++i) {
        const TRect rect(columns[i % KCountersPerRow], rows[i / KCountersPerRow], iButtonWidth,
                         iRowHeight);
        iCounters[i] = AddLabel(rect, "", value);
    }

    // The toolkit's radio button keeps its flag private: SetChecked before anything is shown
    // only paints the back buffer, which the first full draw paints over anyway.
    CheckSettings(state);
}

CUIButton* CMainScreen::AddButton(std::int32_t aX, const char* aText) {
    auto* button = new CUIButton(TRect(aX, iButtonY, iButtonWidth, iButtonHeight), aText, this);
    AddChild(button);
    return button;
}

CUILabel* CMainScreen::AddLabel(const TRect& aRect, const char* aText, std::uint32_t aColor) {
    auto* label = new CUILabel(aRect, aText);
    label->SetTextColor(aColor);
    AddChild(label);
    return label;
}

CUILabel* CMainScreen::AddCaption(std::int32_t aY, const char* aText, std::uint32_t aColor) {
    return AddLabel(TRect(iCaptionX, aY, iCaptionWidth, iRowHeight), aText, aColor);
}

void CMainScreen::AddRadioPair(std::int32_t aY, CUIRadioButton*& aFirst, const char* aFirstText,
                               int aFirstId, CUIRadioButton*& aSecond, const char* aSecondText,
                               int aSecondId) {
    aFirst = new CUIRadioButton(TRect(iRadio1X, aY, iRadioWidth, iRadioHeight), aFirstText, this,
                                nullptr, nullptr);
    aFirst->SetId(aFirstId);
    AddChild(aFirst);
    aSecond = new CUIRadioButton(TRect(iRadio2X, aY, iRadioWidth, iRadioHeight), aSecondText, this,
                                 aFirst, nullptr);
    aFirst->SetNext(aSecond);
    aSecond->SetId(aSecondId);
    AddChild(aSecond);
}

void CMainScreen::CheckSettings(const CCaptureState& aState) {
    iAppendRadio->SetChecked(aState.LogMode == LogAppend);
    iNewRadio->SetChecked(aState.LogMode == LogNewFile);
    iYesRadio->SetChecked(aState.DecodeMode == DecodeOn);
    iNoRadio->SetChecked(aState.DecodeMode == DecodeOff);
}

const char* CMainScreen::StatusText() const {
    const CCaptureState& state = StateOrDefault();
    // A log that could not be written says so until the next run opens one.
    if (state.RunState != Stopped) {
        if (state.LogWriteFailed()) {
            return KStatusRunningNoLog;
        }
        return gNmeaParser != nullptr && !gNmeaParser->IsFeedOpen() ? KStatusRunningNoFeed
                                                                    : KStatusRunning;
    }
    if (iSaveFailed) {
        return KStatusNotSaved;
    }
    return iStartFailed || state.LogWriteFailed() ? KStatusNoLog : KStatusStopped;
}

void CMainScreen::RefreshControls() {
    const CCaptureState& state = StateOrDefault();
    iTitle->Draw();
    iFileNameCaption->Draw();
    iLogModeCaption->Draw();
    iDecodeCaption->Draw();
    iStatusCaption->Draw();
    iStartStopButton->SetText(state.RunState == Stopped ? "Start" : "Stop");
    iStartStopButton->Draw();
    iExitButton->Draw();
    iHideButton->Draw();
    iSaveButton->SetEnabled(state.RunState == Stopped);
    iSaveButton->Draw();
    iFrameBuffer->Update(true);
}

void CMainScreen::RefreshValues() {
    const CCaptureState& state = StateOrDefault();
    MUIWidget* order[KValueWidgets];
    ValueWidgets(order);
    // What each value widget draws is kept, for RefreshChangedValues.
    iExtentsKnown = true;
    iFileNameValue->SetText(state.LogFileName);
    DrawValue(0, *order[0]);

    CheckSettings(state);
    for (int i = 1; i < KStatusIndex; ++i) {
        DrawValue(i, *order[i]);
    }

    iStatusValue->SetText(StatusText());
    DrawValue(KStatusIndex, *order[KStatusIndex]);

    CounterValues(state, iShownCounts);
    for (int i = 0; i < KCounters; ++i) {
        SetCounterText(i, iShownCounts[i]);
        DrawValue(KFirstCounter + i, *iCounters[i]);
    }
    iCountsShown = true;
    iValuesBehind = false;
    iFrameBuffer->Update(true);
}

void CMainScreen::SetCounterText(int aIndex, int aValue) {
    CUILabel& label = *iCounters[aIndex];
    MFont* own = GetSkin()->GetFont(label.FontIndex());
    MFont* small = GetFixedFontManager()->GetFont(1);
    char text[KCounterBuffer];
    FormatCounter(text, sizeof text, aIndex, aValue, false);
    // Drawn as ever when it fits; else smaller; a count too long even then in millions. No
    // counter's pixels fall outside its label, so none overwrites a neighbour.
    MFont* font = TextFits(own, label, text, iScreenWidth) ? own : small;
    if (font == small && !TextFits(small, label, text, iScreenWidth) &&
        (aValue >= KMillionsFrom || aValue <= -KMillionsFrom)) {
        FormatCounter(text, sizeof text, aIndex, aValue, true);
        font = TextFits(own, label, text, iScreenWidth) ? own : small;
    }
    label.SetFont(font == own ? nullptr : font);
    if (!SameText(label.Text(), text)) {
        label.SetText(text);
        iCounterRedraw[aIndex] = true;
    }
}

void CMainScreen::ValueWidgets(MUIWidget* (&aOrder)[KValueWidgets]) const {
    MUIWidget* const first[KFirstCounter] = {iFileNameValue, iAppendRadio, iNewRadio,
                                             iYesRadio,      iNoRadio,     iStatusValue};
    for (int i = 0; i < KFirstCounter; ++i) {
        aOrder[i] = first[i];
    }
    for (int i = 0; i < KCounters; ++i) {
        aOrder[KFirstCounter + i] = iCounters[i];
    }
}

void CMainScreen::DrawValue(int aIndex, MUIWidget& aWidget) {
    TDrawnArea drawn;
    (void)iFrameBuffer->TakeDrawnBounds(&drawn);  // drawn before: not this widget's
    if (aIndex != 0 && aIndex < KStatusIndex) {
        aWidget.Draw();
        if (!iFrameBuffer->TakeDrawnBounds(&iExtents[aIndex])) {
            iExtentsKnown = false;
        }
        return;
    }
    // A value label first wipes all it drew last time, corners and all (its own fill is
    // rounded, and leaves the corners of a longer text standing), then draws its text.
    const TRect& rect = aWidget.Rect();
    const TDrawnArea box = {rect.iX, rect.iY, rect.iX + rect.iWidth, rect.iY + rect.iHeight};
    const TDrawnArea wiped = iExtentsKnown ? Join(box, iExtents[aIndex]) : box;
    RestoreBackground(TRect(wiped.iX0, wiped.iY0, wiped.iX1 - wiped.iX0, wiped.iY1 - wiped.iY0));
    (void)iFrameBuffer->TakeDrawnBounds(&drawn);  // the wipe: not what the label draws
    auto& label = static_cast<CUILabel&>(aWidget);
    (void)label.DrawText(rect, label.TextColor(), label.TextFlags());
    if (!iFrameBuffer->TakeDrawnBounds(&drawn)) {
        iExtentsKnown = false;
    }
    iExtents[aIndex] = Join(box, drawn);
}

void CMainScreen::CounterValues(const CCaptureState& aState, int (&aValues)[KCounters]) const {
    for (int i = 0; i < KCounters; ++i) {
        aValues[i] = aState.*KCounterTable[i].iMember;
    }
}

bool CMainScreen::RadiosShow(const CCaptureState& aState) const {
    return iAppendRadio->IsChecked() == (aState.LogMode == LogAppend) &&
           iNewRadio->IsChecked() == (aState.LogMode == LogNewFile) &&
           iYesRadio->IsChecked() == (aState.DecodeMode == DecodeOn) &&
           iNoRadio->IsChecked() == (aState.DecodeMode == DecodeOff);
}

void CMainScreen::RefreshChangedValues() {
    if (!IsDisplayOwner(true)) {
        iValuesBehind = true;
        return;
    }
    const CCaptureState& state = StateOrDefault();
    // The settings change only by commands, which redraw everything; should they differ
    // anyway, so does this. So it does on a screen that does not say what was drawn, and
    // after anything else drew since the last refresh (a full draw, a focus moved): what it
    // drew may lie under values that are not drawn again here.
    TDrawnArea other;
    const bool otherDrawing = !iFrameBuffer->TakeDrawnBounds(&other) || other.iX0 <= other.iX1;
    if (otherDrawing || !iCountsShown || !iExtentsKnown || !RadiosShow(state)) {
        RefreshValues();
        return;
    }
    MUIWidget* order[KValueWidgets];
    ValueWidgets(order);
    bool draw[KValueWidgets] = {};
    if (!SameText(iFileNameValue->Text(), state.LogFileName)) {
        iFileNameValue->SetText(state.LogFileName);
        draw[0] = true;
    }
    const char* status = StatusText();
    if (!SameText(iStatusValue->Text(), status)) {
        iStatusValue->SetText(status);
        draw[KStatusIndex] = true;
    }
    int counts[KCounters];
    CounterValues(state, counts);
    for (int i = 0; i < KCounters; ++i) {
        if (counts[i] == iShownCounts[i]) {
            continue;
        }
        iShownCounts[i] = counts[i];
        iCounterRedraw[i] = false;
        SetCounterText(i, counts[i]);
        draw[KFirstCounter + i] = iCounterRedraw[i];
    }
    // Text is not clipped to its widget: a long value runs into its neighbours. Every widget
    // whose drawing (before or after the change) meets that of one drawn is drawn as well,
    // all in RefreshValues' order: every pixel any of them touches then ends as the full
    // redraw leaves it, and no other pixel changes. A changed text shows where it reaches only
    // once drawn: when that meets more widgets, they all are drawn again.
    TDrawnArea areas[KValueWidgets];
    for (int i = 0; i < KValueWidgets; ++i) {
        areas[i] = iExtents[i];
    }
    (void)CloseOverOverlaps(draw, areas);
    for (;;) {
        for (int i = 0; i < KValueWidgets; ++i) {
            if (draw[i]) {
                DrawValue(i, *order[i]);
                areas[i] = Join(areas[i], iExtents[i]);
            }
        }
        if (!iExtentsKnown) {
            RefreshValues();
            return;
        }
        if (!CloseOverOverlaps(draw, areas)) {
            break;
        }
    }
    iValuesBehind = false;
    iFrameBuffer->Update(true);
}

void CMainScreen::OnWidgetEvent(MUIWidget* aWidget) {
    iStartFailed = false;
    iSaveFailed = false;
    CCaptureState* state = gCaptureState;
    CNmeaParser* parser = gNmeaParser;
    if (state == nullptr || parser == nullptr) {
        return;
    }
    if (aWidget == iStartStopButton) {
        if (state->RunState == Stopped) {
            iStartFailed = !StartCapture(*state, *parser);
        } else if (state->RunState == Running) {
            StopCapture(*state, *parser);
        }
    } else if (aWidget == iHideButton) {
        // A stopped program has nothing to capture while hidden: it stays Stopped, so that the
        // run state always tells whether a log and the feed are open.
        if (state->RunState == Running) {
            state->RunState = RunningHidden;
        }
        if (GetActivePid() != 0) {
            SetActivePid(0);
        }
    } else if (aWidget == iExitButton) {
        ExitApplication();
        return;
    } else if (aWidget == iSaveButton && state->RunState == Stopped) {
        iSaveFailed = !state->SaveConfig();
        RefreshValues();
    } else if (state->RunState == Stopped) {
        switch (aWidget->Id()) {
            case KIdLogAppend:
                state->LogMode = LogAppend;
                break;
            case KIdLogNew:
                state->LogMode = LogNewFile;
                break;
            case KIdDecodeYes:
                state->DecodeMode = DecodeOn;
                break;
            case KIdDecodeNo:
                state->DecodeMode = DecodeOff;
                break;
            default:
                break;
        }
    }
    RefreshControls();
    RefreshValues();
}

void CMainScreen::ExitApplication() {
    CCaptureState* state = gCaptureState;
    // Whatever the run state says, only what is open is closed.
    state->CloseLog();
    gNmeaParser->CloseFeed();
    if (state->LogMode == LogAppend) {
        state->AdvanceLogCounter();
    }
    (void)state->SaveConfig();
    CaptureScreen(KApplicationName);
    DisconnectNavigationServer();
    gExampleHandler.SetCaptureState(nullptr);
    gCaptureState = nullptr;
    delete state;
    std::exit(0);
}

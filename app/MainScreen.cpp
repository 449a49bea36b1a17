#include "app/MainScreen.h"

#include <algorithm>
#include <climits>
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
#include "platform/VirtualScreen.h"
#include "ui/CourierFont.h"
#include "ui/Font.h"
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

// The counter's text, as "%d" would write the number, or its millions with an "M" (a pass's
// refresh formats the few that changed; the stdio machinery would be most of its cost).
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
                                                                    : state.Receiver.StatusText();
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
        (void)SetCounterText(i, iShownCounts[i]);
        DrawValue(KFirstCounter + i, *iCounters[i]);
    }
    iCountsShown = true;
    iValuesBehind = false;
    iFrameBuffer->Update(true);
}

bool CMainScreen::SetCounterText(int aIndex, int aValue) {
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
    if (SameText(label.Text(), text)) {
        return false;
    }
    label.SetText(text);
    return true;
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

void CMainScreen::DrawValue(int aIndex, MUIWidget& aWidget, bool aWholeBox) {
    TArea drawn;
    (void)iFrameBuffer->TakeDrawnBounds(&drawn);  // drawn before: not this widget's
    if (aIndex != 0 && aIndex < KStatusIndex) {
        aWidget.Draw();
        if (!iFrameBuffer->TakeDrawnBounds(&iExtents[aIndex])) {
            iExtentsKnown = false;
        }
        return;
    }
    auto& label = static_cast<CUILabel&>(aWidget);
    if (!aWholeBox && iExtentsKnown && DrawChangedCells(aIndex, label)) {
        return;
    }
    // A value label first wipes all its text drew last time, corners and all (its own fill is
    // rounded, and leaves the corners of a longer text standing), then draws its text. The
    // rest of its box holds the background since its last drawing: only the whole value
    // redraw wipes the whole box.
    const TArea& old = iExtents[aIndex];
    const TArea wiped = aWholeBox || !iExtentsKnown ? BoxOf(aWidget).Join(old) : old;
    Wipe(wiped);
    (void)label.DrawText(label.Rect(), label.TextColor(), label.TextFlags());
    if (!iFrameBuffer->TakeDrawnBounds(&iExtents[aIndex])) {
        iExtentsKnown = false;
    }
    KeepShownText(aIndex, label);
}

bool CMainScreen::DrawChangedCells(int aIndex, CUILabel& aLabel) {
    // In the fixed font every character has a cell of its own, its glyph inside it: the cells
    // of the part the old and the new text share stay as they are, and only the rest of the
    // old text is wiped and the rest of the new one drawn.
    auto* font = dynamic_cast<CCourierFont*>(aLabel.ResolveFont());
    const char* text = aLabel.Text();
    if (font == nullptr || font != iShownFonts[aIndex] || aLabel.TextFlags() != 0 ||
        text == nullptr) {
        return false;
    }
    const char* shown = iShownTexts[aIndex];
    std::size_t same = 0;
    while (text[same] != '\0' && text[same] == shown[same]) {
        ++same;
    }
    const TRect& rect = aLabel.Rect();
    const long long cut = rect.iX + static_cast<long long>(same) * font->TextWidth(" ");
    TArea& extent = iExtents[aIndex];
    if (cut > extent.iX1 + 1LL || cut > INT_MAX) {
        return false;  // an old text drawn elsewhere than its cells say
    }
    TArea rest = extent;
    rest.iX0 = std::max(extent.iX0, static_cast<int>(cut));
    Wipe(rest);
    (void)font->DrawText(iFrameBuffer, text + same, static_cast<int>(cut), rect.iY,
                         aLabel.TextColor());
    TArea drawn;
    if (!iFrameBuffer->TakeDrawnBounds(&drawn)) {
        iExtentsKnown = false;
    }
    TArea kept = extent;
    kept.iX1 = static_cast<int>(cut) - 1;
    extent = kept.Join(drawn);
    KeepShownText(aIndex, aLabel);
    return true;
}

void CMainScreen::Wipe(const TArea& aArea) {
    if (!aArea.Empty()) {
        RestoreBackground(
            TRect(aArea.iX0, aArea.iY0, aArea.iX1 - aArea.iX0, aArea.iY1 - aArea.iY0));
    }
    TArea wiped;
    (void)iFrameBuffer->TakeDrawnBounds(&wiped);  // the wipe: not what the label draws
}

void CMainScreen::KeepShownText(int aIndex, CUILabel& aLabel) {
    const char* text = aLabel.Text() != nullptr ? aLabel.Text() : "";
    (void)std::snprintf(iShownTexts[aIndex], sizeof iShownTexts[aIndex], "%s", text);
    // A text longer than the copy can hold is never taken for the same again.
    iShownFonts[aIndex] =
        std::strlen(text) < sizeof iShownTexts[aIndex] ? aLabel.ResolveFont() : nullptr;
}

TArea CMainScreen::BoxOf(const MUIWidget& aWidget) {
    const TRect& rect = aWidget.Rect();
    return {rect.iX, rect.iY, rect.iX + rect.iWidth, rect.iY + rect.iHeight};
}

void CMainScreen::CounterValues(const CCaptureState& aState, int (&aValues)[KCounters]) const {
    for (int i = 0; i < KCounters; ++i) {
        aValues[i] = aState.*KCounterTable[i].iMember;
    }
}

bool CMainScreen::SettingsShown(const CCaptureState& aState) const {
    return iAppendRadio->IsChecked() == (aState.LogMode == LogAppend) &&
           iNewRadio->IsChecked() == (aState.LogMode == LogNewFile) &&
           iYesRadio->IsChecked() == (aState.DecodeMode == DecodeOn) &&
           iNoRadio->IsChecked() == (aState.DecodeMode == DecodeOff);
}

bool CMainScreen::NeedsAllValues(const CCaptureState& aState) {
    // After anything else drew since the last refresh (a full draw, a focus moved), on a
    // screen that does not say what was drawn, or with settings the radio buttons do not show
    // (they change only by commands, which redraw everything): all of them. So with a new log
    // file name, whose label meets the radio buttons, and when a value drew outside its own
    // box onto another widget, whose pixels its wipe would take (a trailing blank's glyph box
    // beyond the label meets nothing).
    TArea other;
    if (!iFrameBuffer->TakeDrawnBounds(&other) || !other.Empty() || !iCountsShown ||
        !iExtentsKnown || !SettingsShown(aState) ||
        !SameText(iFileNameValue->Text(), aState.LogFileName)) {
        return true;
    }
    MUIWidget* order[KValueWidgets];
    ValueWidgets(order);
    for (int i = KStatusIndex; i < KValueWidgets; ++i) {
        if (!BoxOf(*order[i]).Holds(iExtents[i]) && MeetsAnotherWidget(iExtents[i], order[i])) {
            return true;
        }
    }
    return false;
}

bool CMainScreen::MeetsAnotherWidget(const TArea& aArea, const MUIWidget* aWidget) {
    for (int i = 0; i < ChildCount(); ++i) {
        const MUIWidget* other = Child(i);
        if (other != aWidget && BoxOf(*other).Meets(aArea)) {
            return true;
        }
    }
    return false;
}

void CMainScreen::RefreshChangedValues() {
    if (!iFrameBuffer->IsShown()) {
        iValuesBehind = true;
        return;
    }
    const CCaptureState& state = StateOrDefault();
    if (NeedsAllValues(state)) {
        RefreshValues();
        return;
    }
    // The status and the counters lie apart, each inside its own box: each changed one is
    // drawn alone, and no other pixel changes.
    const char* status = StatusText();
    if (!SameText(iStatusValue->Text(), status)) {
        iStatusValue->SetText(status);
        DrawValue(KStatusIndex, *iStatusValue, false);
    }
    int counts[KCounters];
    CounterValues(state, counts);
    for (int i = 0; i < KCounters; ++i) {
        if (counts[i] != iShownCounts[i]) {
            iShownCounts[i] = counts[i];
            if (SetCounterText(i, counts[i])) {
                DrawValue(KFirstCounter + i, *iCounters[i], false);
            }
        }
    }
    iValuesBehind = false;
    iFrameBuffer->Update(true);
}

void CMainScreen::OnWidgetEvent(MUIWidget* aWidget) {
    const bool exitFailed = iExitFailed;
    iStartFailed = false;
    iSaveFailed = false;
    iExitFailed = false;
    CCaptureState* state = gCaptureState;
    CNmeaParser* parser = gNmeaParser;
    if (state == nullptr || parser == nullptr) {
        return;
    }
    if (aWidget == iStartStopButton) {
        if (state->RunState == Stopped) {
            iStartFailed = !StartCapture(*state, *parser);
            iExitAdvanced = iExitAdvanced && iStartFailed;  // a new run takes the number
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
        // Not shown from now on: the screen copies nothing, and whole once shown again.
        iFrameBuffer->SetShown(false);
    } else if (aWidget == iExitButton) {
        ExitApplication(exitFailed);
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

void CMainScreen::ExitApplication(bool aAgain) {
    CCaptureState* state = gCaptureState;
    if (!aAgain) {
        // Whatever the run state says, only what is open is closed.
        state->CloseLog();
        gNmeaParser->CloseFeed();
        state->RunState = Stopped;
        // An Exit that could not save advanced the counter already: a later one after other
        // commands must not skip a number.
        if (state->LogMode == LogAppend && !iExitAdvanced) {
            state->AdvanceLogCounter();
            iExitAdvanced = true;
        }
    }
    // Settings and counter that cannot be saved are not dropped in silence: the user learns of
    // it, may free some room, and ends the program with a second Exit.
    if (!state->SaveConfig() && !aAgain) {
        iSaveFailed = true;
        iExitFailed = true;
        RefreshControls();
        RefreshValues();
        return;
    }
    CaptureScreen(KApplicationName);
    DisconnectNavigationServer();
    gExampleHandler.SetCaptureState(nullptr);
    gCaptureState = nullptr;
    delete state;
    std::exit(0);
}

#include "app/MainScreen.h"

#include <cstdio>
#include <cstdlib>

#include "app/Application.h"
#include "app/ScreenCapture.h"
#include "nmea/CaptureCycle.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DisplayOwner.h"
#include "ui/UIButton.h"
#include "ui/UILabel.h"
#include "ui/UIRadioButton.h"

#include "Version.h"

namespace {

constexpr const char* KTitle = "Fixtrail v" FIXTRAIL_VERSION;
constexpr const char* KStatusStopped = "Stopped";
constexpr const char* KStatusRunning = "Running";
constexpr int KCounterBuffer = 128;

CUILabel* MakeLabel(const TRect& aRect, const char* aText, std::uint32_t aColor) {
    CUILabel* label = new CUILabel(aRect, aText);
    label->SetTextColor(aColor);
    return label;
}

void ShowText(CUILabel* aLabel, const char* aText) {
    aLabel->SetText(aText);
    aLabel->Draw();
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

    iStartStopButton =
        new CUIButton(TRect(iColumn1X, iButtonY, iButtonWidth, iButtonHeight), "Start", this);
    AddChild(iStartStopButton);
    iExitButton =
        new CUIButton(TRect(iColumn4X, iButtonY, iButtonWidth, iButtonHeight), "Exit", this);
    AddChild(iExitButton);
    iSaveButton =
        new CUIButton(TRect(iColumn2X, iButtonY, iButtonWidth, iButtonHeight), "Save", this);
    AddChild(iSaveButton);
    iHideButton =
        new CUIButton(TRect(iColumn3X, iButtonY, iButtonWidth, iButtonHeight), "Hide", this);
    AddChild(iHideButton);

    iTitle = MakeLabel(TRect(iCaptionX, iTitleY, iTitleWidth, iTitleHeight), KTitle, caption);
    AddChild(iTitle);
    iFileNameCaption =
        MakeLabel(TRect(iCaptionX, iFileNameY, iCaptionWidth, iRowHeight), "File name", caption);
    AddChild(iFileNameCaption);
    iFileNameValue = MakeLabel(TRect(iValueX, iFileNameY, iValueWidth, iValueHeight), "", value);
    AddChild(iFileNameValue);
    iLogModeCaption =
        MakeLabel(TRect(iCaptionX, iLogModeY, iCaptionWidth, iRowHeight), "Log mode", caption);
    AddChild(iLogModeCaption);

    iAppendRadio = new CUIRadioButton(TRect(iRadio1X, iLogModeRadioY, iRadioWidth, iRadioHeight),
                                      "append", this, nullptr, nullptr);
    iAppendRadio->SetId(KIdLogAppend);
    AddChild(iAppendRadio);
    iNewRadio = new CUIRadioButton(TRect(iRadio2X, iLogModeRadioY, iRadioWidth, iRadioHeight),
                                   "new", this, iAppendRadio, nullptr);
    iAppendRadio->SetNext(iNewRadio);
    iNewRadio->SetId(KIdLogNew);
    AddChild(iNewRadio);

    iDecodeCaption =
        MakeLabel(TRect(iCaptionX, iDecodeY, iCaptionWidth, iRowHeight), "Decode frames", caption);
    AddChild(iDecodeCaption);
    iYesRadio = new CUIRadioButton(TRect(iRadio1X, iDecodeRadioY, iRadioWidth, iRadioHeight), "yes",
                                   this, nullptr, nullptr);
    iYesRadio->SetId(KIdDecodeYes);
    AddChild(iYesRadio);
    iNoRadio = new CUIRadioButton(TRect(iRadio2X, iDecodeRadioY, iRadioWidth, iRadioHeight), "no",
                                  this, iYesRadio, nullptr);
    iYesRadio->SetNext(iNoRadio);
    iNoRadio->SetId(KIdDecodeNo);
    AddChild(iNoRadio);

    iStatusCaption =
        MakeLabel(TRect(iCaptionX, iStatusY, iCaptionWidth, iRowHeight), "Status", caption);
    AddChild(iStatusCaption);
    iStatusValue = MakeLabel(TRect(iValueX, iStatusY, iValueWidth, iValueHeight),
                             state.RunState == Stopped ? KStatusStopped : KStatusRunning, value);
    AddChild(iStatusValue);

    CUILabel** const counters[] = {&iTotalCounter, &iGgaCounter, &iGllCounter, &iGsaCounter,
                                   &iOtherCounter, &iGsvCounter, &iVtgCounter, &iRmcCounter};
    const std::int32_t columns[] = {iColumn1X, iColumn2X, iColumn3X, iColumn4X};
    for (int i = 0; i < 8; ++i) {
        const std::int32_t y = i < 4 ? iCounterRow1Y : iCounterRow2Y;
        *counters[i] = MakeLabel(TRect(columns[i % 4], y, iButtonWidth, iRowHeight), "", value);
        AddChild(*counters[i]);
    }

    // The toolkit's radio button keeps its flag private: SetChecked before anything is shown
    // only paints the back buffer, which the first full draw paints over anyway.
    iAppendRadio->SetChecked(state.LogMode == LogAppend);
    iNewRadio->SetChecked(state.LogMode == LogNewFile);
    iYesRadio->SetChecked(state.DecodeMode == DecodeOn);
    iNoRadio->SetChecked(state.DecodeMode == DecodeOff);
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
    iFileNameValue->SetText(state.LogFileName);
    iFileNameValue->Draw();

    iAppendRadio->SetChecked(state.LogMode == LogAppend);
    iNewRadio->SetChecked(state.LogMode == LogNewFile);
    iYesRadio->SetChecked(state.DecodeMode == DecodeOn);
    iNoRadio->SetChecked(state.DecodeMode == DecodeOff);
    iAppendRadio->Draw();
    iNewRadio->Draw();
    iYesRadio->Draw();
    iNoRadio->Draw();

    iStatusValue->SetText(StatusText());
    iStatusValue->Draw();

    // Every counter text fits: the longest is "Tot.=-2147483648".
    char text[KCounterBuffer];
    (void)std::snprintf(text, sizeof text, "Tot.=%d", state.TotalCount);
    ShowText(iTotalCounter, text);
    (void)std::snprintf(text, sizeof text, "GGA=%d", state.GgaCount);
    ShowText(iGgaCounter, text);
    (void)std::snprintf(text, sizeof text, "GLL=%d", state.GllCount);
    ShowText(iGllCounter, text);
    (void)std::snprintf(text, sizeof text, "GSA=%d", state.GsaCount);
    ShowText(iGsaCounter, text);
    (void)std::snprintf(text, sizeof text, "\?\?\?=%d", state.OtherCount);
    ShowText(iOtherCounter, text);
    (void)std::snprintf(text, sizeof text, "GSV=%d", state.GsvCount);
    ShowText(iGsvCounter, text);
    (void)std::snprintf(text, sizeof text, "VTG=%d", state.VtgCount);
    ShowText(iVtgCounter, text);
    (void)std::snprintf(text, sizeof text, "RMC=%d ", state.RmcCount);
    ShowText(iRmcCounter, text);
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

#pragma once

#include <cstdint>

#include "ui/UIScreen.h"
#include "ui/UIWidget.h"

class CCaptureState;
class CUIButton;
class CUILabel;
class CUIRadioButton;

constexpr int KMainScreenScheme = 10;
constexpr std::uint32_t KMainScreenBackground = 0x0010;  // red 0, green 0, blue 128

// Ids of the setting radio buttons: the hundreds name the setting, the units its value.
constexpr int KIdLogAppend = 210;
constexpr int KIdLogNew = 211;
constexpr int KIdDecodeYes = 310;
constexpr int KIdDecodeNo = 311;

// The status value after a Start whose log file could not be opened, shown until the next
// command, so the user sees why nothing runs; and after a run whose log could not be written
// (card full or failing), shown until the next Start.
constexpr const char* KStatusNoLog = "Stopped: no log";
// The status value while a run goes on but its log can no longer be written.
constexpr const char* KStatusRunningNoLog = "Running: no log";
// The status value after a Save or an Exit that could not write config.txt (write-protected
// or full card), shown until the next command; a second Exit then ends the program unsaved.
constexpr const char* KStatusNotSaved = "Stopped: not saved";
// The status value while a run waits for its feed, which could not be opened; the run tries
// again about once a second.
constexpr const char* KStatusRunningNoFeed = "Running: no feed";

// The program's only screen: title, log file name, the two settings, the run status, eight
// counters and the Start/Stop, Save, Hide and Exit buttons. It listens to its own buttons and
// acts on the process's capture state and parser (gCaptureState, gNmeaParser).
class CMainScreen : public CUIScreen, public MUIWidget::MUIWidgetEvents {
  public:
    // Lays the widgets out for the size of DefaultWidgetScreen(); the radio buttons show the
    // settings of gCaptureState from the first drawing on.
    CMainScreen();

    void OnWidgetEvent(MUIWidget* aWidget) override;

    // Redraws captions and buttons; Start/Stop and Save follow the run state.
    void RefreshControls();
    // Writes file name, settings, status and counters into their widgets and redraws them.
    void RefreshValues();
    // The same picture as RefreshValues for the cost of the change, after a pass handled
    // sentences: only the values whose text changed are drawn, and the display gets only the
    // pixels drawn. While the display is not shown nothing is drawn; ValuesBehind() then says
    // so until the next refresh.
    void RefreshChangedValues();
    bool ValuesBehind() const { return iValuesBehind; }

  private:
    static constexpr int KCounters = 8;
    static constexpr int KShownTextSize = 64;

    // Construction steps: each adds its widgets at once, so the order of the calls is the
    // order the widgets are drawn and numbered in.
    CUIButton* AddButton(std::int32_t aX, const char* aText);
    CUILabel* AddLabel(const TRect& aRect, const char* aText, std::uint32_t aColor);
    CUILabel* AddCaption(std::int32_t aY, const char* aText, std::uint32_t aColor);
    // Two radio buttons on row aY that exclude each other.
    void AddRadioPair(std::int32_t aY, CUIRadioButton*& aFirst, const char* aFirstText,
                      int aFirstId, CUIRadioButton*& aSecond, const char* aSecondText,
                      int aSecondId);
    // Checks the radio buttons that show aState's settings.
    void CheckSettings(const CCaptureState& aState);

    // The exit sequence; aAgain: the Exit right after one whose save failed, which ends the
    // program whatever the save does.
    void ExitApplication(bool aAgain);
    const char* StatusText() const;
    // The radio buttons show aState's settings.
    bool SettingsShown(const CCaptureState& aState) const;
    // RefreshChangedValues cannot draw only the changed values (see there).
    bool NeedsAllValues(const CCaptureState& aState);
    // File name, radio buttons, status and counters, in the order RefreshValues draws them.
    static constexpr int KStatusIndex = 5;
    static constexpr int KFirstCounter = 6;
    static constexpr int KValueWidgets = KFirstCounter + KCounters;
    void ValueWidgets(MUIWidget* (&aOrder)[KValueWidgets]) const;
    // Draws the aIndex-th of them and keeps where it drew (a label: its text); a label wipes
    // its whole box first when aWholeBox, else only where its text was.
    void DrawValue(int aIndex, MUIWidget& aWidget, bool aWholeBox = true);
    // Sets counter aIndex's text and font for aValue; true when its text changed.
    bool SetCounterText(int aIndex, int aValue);
    // DrawValue of a label in the fixed font over its last text: only the cells that differ.
    // False, drawing nothing, when that cannot be done.
    bool DrawChangedCells(int aIndex, CUILabel& aLabel);
    // The screen's background in aArea, not counted as any widget's drawing.
    void Wipe(const TArea& aArea);
    // Remembers the text and font value aIndex was drawn with.
    void KeepShownText(int aIndex, CUILabel& aLabel);
    // The pixels a widget's own drawing covers.
    static TArea BoxOf(const MUIWidget& aWidget);
    // aArea meets the box of a widget of the screen other than aWidget.
    bool MeetsAnotherWidget(const TArea& aArea, const MUIWidget* aWidget);
    // The counters in drawing order, and their values in aValues.
    void CounterValues(const CCaptureState& aState, int (&aValues)[KCounters]) const;

    // Widget pointers: owned by the widget group once added.
    CUILabel* iFileNameCaption = nullptr;
    CUILabel* iFileNameValue = nullptr;
    CUILabel* iLogModeCaption = nullptr;
    CUILabel* iStatusCaption = nullptr;
    CUILabel* iStatusValue = nullptr;
    CUILabel* iTitle = nullptr;
    CUILabel* iDecodeCaption = nullptr;
    CUIButton* iStartStopButton = nullptr;
    CUIButton* iExitButton = nullptr;
    CUIButton* iSaveButton = nullptr;
    CUIButton* iHideButton = nullptr;
    CUIRadioButton* iAppendRadio = nullptr;
    CUIRadioButton* iNewRadio = nullptr;
    CUIRadioButton* iYesRadio = nullptr;
    CUIRadioButton* iNoRadio = nullptr;

    // Layout, computed once from the display size.
    std::int32_t iMarginX = 5;
    std::int32_t iMarginY = 5;
    std::int32_t iOriginX = 0;
    std::int32_t iOriginY = 0;
    std::int32_t iScreenWidth = 0;
    std::int32_t iScreenHeight = 0;
    std::int32_t iCaptionWidth = 0;
    std::int32_t iRowHeight = 25;
    std::int32_t iValueWidth = 0;
    std::int32_t iValueHeight = 25;
    std::int32_t iButtonWidth = 0;
    std::int32_t iButtonHeight = 40;
    std::int32_t iRadioWidth = 0;
    std::int32_t iRadioHeight = 25;
    std::int32_t iTitleWidth = 0;
    std::int32_t iTitleHeight = 25;
    std::int32_t iTitleY = 0;
    std::int32_t iFileNameY = 0;
    std::int32_t iLogModeY = 0;
    std::int32_t iLogModeRadioY = 0;
    std::int32_t iDecodeY = 0;
    std::int32_t iDecodeRadioY = 0;
    std::int32_t iStatusY = 0;
    std::int32_t iCounterRow1Y = 0;
    std::int32_t iCounterRow2Y = 0;
    std::int32_t iButtonY = 0;
    std::int32_t iColumn1X = 0;
    std::int32_t iColumn2X = 0;
    std::int32_t iColumn3X = 0;
    std::int32_t iColumn4X = 0;
    std::int32_t iCaptionX = 0;
    std::int32_t iValueX = 0;
    std::int32_t iRadio1X = 0;
    std::int32_t iRadio2X = 0;

    // The last Start found no log file to open; cleared by the next command.
    bool iStartFailed = false;
    // The last Save or Exit could not write config.txt; cleared by the next command.
    bool iSaveFailed = false;
    // The last command was an Exit whose save failed: the next Exit ends the program.
    bool iExitFailed = false;
    // An Exit advanced the log counter for the run it ended; cleared when a run starts.
    bool iExitAdvanced = false;
    // The counter labels in drawing order (Total, GGA, GLL, GSA, other, GSV, VTG, RMC), and
    // the values their texts show.
    CUILabel* iCounters[KCounters] = {};
    int iShownCounts[KCounters] = {};
    bool iCountsShown = false;
    // Where each value widget drew last (a label: its text), when the screen says so.
    TArea iExtents[KValueWidgets];
    // The text and font each value label was drawn with last (font null: unknown).
    char iShownTexts[KValueWidgets][KShownTextSize] = {};
    MFont* iShownFonts[KValueWidgets] = {};
    bool iExtentsKnown = false;
    // Values changed while another process owned the display.
    bool iValuesBehind = false;
};

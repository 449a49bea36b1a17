#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/MainScreen.h"
#include "nmea/CaptureCycle.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DisplayOwner.h"
#include "support/DeviceRoot.h"
#include "support/FileSizeLimit.h"
#include "support/ForkedRun.h"
#include "support/MemoryVirtualScreen.h"
#include "support/ReferencePicture.h"
#include "support/SmallFileSystem.h"
#include "support/TempRoot.h"
#include "ui/Colors.h"
#include "ui/Skin.h"
#include "ui/UIButton.h"
#include "ui/UILabel.h"
#include "ui/UIRadioButton.h"

namespace {

// Slots of the screen's children, in the order they are added.
enum TSlot {
    EStartStop,
    EExit,
    ESave,
    EHide,
    ETitle,
    EFileNameCaption,
    EFileNameValue,
    ELogModeCaption,
    EAppend,
    ENew,
    EDecodeCaption,
    EYes,
    ENo,
    EStatusCaption,
    EStatusValue,
    ETotal,
    EGga,
    EGll,
    EGsa,
    EOther,
    EGsv,
    EVtg,
    ERmc,
    ESlotCount
};

// The process-wide objects the screen works on, made and released around each test.
class CScreenFixture {
  public:
    CScreenFixture(int aWidth, int aHeight) : iScreen(aWidth, aHeight) {
        // No skin folder there: the fixed font and the built-in drawings.
        SetSkinRoot("/nonexistent-fixtrail-skin/");
        SetDefaultWidgetScreen(&iScreen);
        gCaptureState = new CCaptureState(KColorWhite, KColorYellow);
        gNmeaParser = new CNmeaParser;
    }
    ~CScreenFixture() {
        delete gMainScreen;
        gMainScreen = nullptr;
        delete gCaptureState;
        gCaptureState = nullptr;
        delete gNmeaParser;
        gNmeaParser = nullptr;
        SetDefaultWidgetScreen(nullptr);
    }
    CScreenFixture(const CScreenFixture&) = delete;
    CScreenFixture& operator=(const CScreenFixture&) = delete;

    CMainScreen& Build() {
        gMainScreen = new CMainScreen;
        return *gMainScreen;
    }
    MUIWidget* Widget(int aSlot) const { return gMainScreen->Child(aSlot); }
    const char* Text(int aSlot) const {
        const char* text = Widget(aSlot)->Text();
        return text != nullptr ? text : "";
    }
    CUIRadioButton* Radio(int aSlot) const { return dynamic_cast<CUIRadioButton*>(Widget(aSlot)); }
    void Command(int aSlot) const { gMainScreen->OnWidgetEvent(Widget(aSlot)); }
    // A tap: the pen down and up at the centre of the widget.
    void Tap(int aSlot) const {
        const TRect& r = Widget(aSlot)->Rect();
        TouchEvent event;
        event.x = r.iX + r.iWidth / 2;
        event.y = r.iY + r.iHeight / 2;
        event.pressure = 1;
        gMainScreen->HandleTouch(event);
        event.pressure = 0;
        gMainScreen->HandleTouch(event);
    }

    CMemoryVirtualScreen iScreen;
};

struct TRectCase {
    TSlot iSlot;
    TRect iRect;
};

void ExpectLayout(int aWidth, int aHeight, const TRectCase* aCases, int aCount) {
    CScreenFixture fixture(aWidth, aHeight);
    fixture.Build();
    ASSERT_EQ(gMainScreen->ChildCount(), ESlotCount);
    for (int i = 0; i < aCount; ++i) {
        const TRectCase& c = aCases[i];
        SCOPED_TRACE(std::to_string(aWidth) + "x" + std::to_string(aHeight) + " slot " +
                     std::to_string(c.iSlot) + " " + fixture.Text(c.iSlot));
        const TRect& r = fixture.Widget(c.iSlot)->Rect();
        EXPECT_EQ(r.iX, c.iRect.iX);
        EXPECT_EQ(r.iY, c.iRect.iY);
        EXPECT_EQ(r.iWidth, c.iRect.iWidth);
        EXPECT_EQ(r.iHeight, c.iRect.iHeight);
    }
}

TEST(MainScreen, LaysOutEveryWidgetFromA320x240Display) {
    // CW 101, VW 214, BW 73, RW 75; columns 5, 83, 161, 239; radios at 160 and 240.
    const TRectCase cases[] = {
        {EStartStop, {5, 195, 73, 40}},
        {EExit, {239, 195, 73, 40}},
        {ESave, {83, 195, 73, 40}},
        {EHide, {161, 195, 73, 40}},
        {ETitle, {5, 5, 320, 25}},
        {EFileNameCaption, {5, 30, 101, 25}},
        {EFileNameValue, {111, 30, 214, 25}},
        {ELogModeCaption, {5, 55, 101, 25}},
        {EAppend, {160, 50, 75, 25}},
        {ENew, {240, 50, 75, 25}},
        {EDecodeCaption, {5, 75, 101, 25}},
        {EYes, {160, 70, 75, 25}},
        {ENo, {240, 70, 75, 25}},
        {EStatusCaption, {5, 100, 101, 25}},
        {EStatusValue, {111, 100, 214, 25}},
        {ETotal, {5, 130, 73, 25}},
        {EGga, {83, 130, 73, 25}},
        {EGll, {161, 130, 73, 25}},
        {EGsa, {239, 130, 73, 25}},
        {EOther, {5, 160, 73, 25}},
        {EGsv, {83, 160, 73, 25}},
        {EVtg, {161, 160, 73, 25}},
        {ERmc, {239, 160, 73, 25}},
    };
    ExpectLayout(320, 240, cases, ESlotCount);
}

TEST(MainScreen, LaysOutEveryWidgetFromA480x272Display) {
    // CW 155, VW 320, BW 113, RW 115; columns 5, 123, 241, 359; radios at 240 and 360.
    const TRectCase cases[] = {
        {EStartStop, {5, 227, 113, 40}},
        {EExit, {359, 227, 113, 40}},
        {ESave, {123, 227, 113, 40}},
        {EHide, {241, 227, 113, 40}},
        {ETitle, {5, 5, 480, 25}},
        {EFileNameCaption, {5, 30, 155, 25}},
        {EFileNameValue, {165, 30, 320, 25}},
        {ELogModeCaption, {5, 55, 155, 25}},
        {EAppend, {240, 50, 115, 25}},
        {ENew, {360, 50, 115, 25}},
        {EDecodeCaption, {5, 75, 155, 25}},
        {EYes, {240, 70, 115, 25}},
        {ENo, {360, 70, 115, 25}},
        {EStatusCaption, {5, 100, 155, 25}},
        {EStatusValue, {165, 100, 320, 25}},
        {ETotal, {5, 130, 113, 25}},
        {EGga, {123, 130, 113, 25}},
        {EGll, {241, 130, 113, 25}},
        {EGsa, {359, 130, 113, 25}},
        {EOther, {5, 160, 113, 25}},
        {EGsv, {123, 160, 113, 25}},
        {EVtg, {241, 160, 113, 25}},
        {ERmc, {359, 160, 113, 25}},
    };
    ExpectLayout(480, 272, cases, ESlotCount);
}

TEST(MainScreen, CreatesTheWidgetsWithTheirTextsColoursAndIds) {
    CScreenFixture fixture(320, 240);
    CMainScreen& screen = fixture.Build();
    EXPECT_EQ(screen.SchemeIndex(), KMainScreenScheme);
    EXPECT_EQ(screen.BackgroundColor(), 0x0010u);
    EXPECT_EQ(screen.BackgroundImage(), nullptr);

    enum TKind { EButton, ELabel, ERadio };
    struct TCase {
        TSlot iSlot;
        TKind iKind;
        const char* iText;
        std::uint32_t iColor;  // a label's own text colour
        int iId;
    } const cases[] = {
        {EStartStop, EButton, "Start", 0, 0},
        {EExit, EButton, "Exit", 0, 0},
        {ESave, EButton, "Save", 0, 0},
        {EHide, EButton, "Hide", 0, 0},
        {ETitle, ELabel, "Fixtrail v1.4", KColorYellow, 0},
        {EFileNameCaption, ELabel, "File name", KColorYellow, 0},
        {EFileNameValue, ELabel, "", KColorWhite, 0},
        {ELogModeCaption, ELabel, "Log mode", KColorYellow, 0},
        {EAppend, ERadio, "append", 0, 210},
        {ENew, ERadio, "new", 0, 211},
        {EDecodeCaption, ELabel, "Decode frames", KColorYellow, 0},
        {EYes, ERadio, "yes", 0, 310},
        {ENo, ERadio, "no", 0, 311},
        {EStatusCaption, ELabel, "Status", KColorYellow, 0},
        {EStatusValue, ELabel, "Stopped", KColorWhite, 0},
        {ETotal, ELabel, "", KColorWhite, 0},
        {EGga, ELabel, "", KColorWhite, 0},
        {EGll, ELabel, "", KColorWhite, 0},
        {EGsa, ELabel, "", KColorWhite, 0},
        {EOther, ELabel, "", KColorWhite, 0},
        {EGsv, ELabel, "", KColorWhite, 0},
        {EVtg, ELabel, "", KColorWhite, 0},
        {ERmc, ELabel, "", KColorWhite, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iText[0] != '\0' ? c.iText : std::to_string(c.iSlot).c_str());
        MUIWidget* widget = fixture.Widget(c.iSlot);
        EXPECT_STREQ(fixture.Text(c.iSlot), c.iText);
        EXPECT_EQ(widget->Id(), c.iId);
        switch (c.iKind) {
            case EButton:
                ASSERT_NE(dynamic_cast<CUIButton*>(widget), nullptr);
                EXPECT_EQ(widget->Listener(), &screen);
                break;
            case ERadio:
                ASSERT_NE(dynamic_cast<CUIRadioButton*>(widget), nullptr);
                EXPECT_EQ(widget->Listener(), &screen);
                break;
            case ELabel:
                ASSERT_NE(dynamic_cast<CUILabel*>(widget), nullptr);
                EXPECT_EQ(dynamic_cast<CUILabel*>(widget)->OwnTextColor(), c.iColor);
                break;
        }
    }
}

TEST(MainScreen, ChainsEachPairAndChecksTheLoadedSettings) {
    struct TCase {
        const char* iLegend;
        TLogMode iLogMode;
        TDecodeMode iDecodeMode;
        bool iAppend, iNew, iYes, iNo;
    } const cases[] = {
        {"append, decoding on", LogAppend, DecodeOn, true, false, true, false},
        {"new, decoding off", LogNewFile, DecodeOff, false, true, false, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CScreenFixture fixture(320, 240);
        gCaptureState->LogMode = c.iLogMode;
        gCaptureState->DecodeMode = c.iDecodeMode;
        fixture.Build();
        EXPECT_EQ(fixture.Radio(EAppend)->IsChecked(), c.iAppend);
        EXPECT_EQ(fixture.Radio(ENew)->IsChecked(), c.iNew);
        EXPECT_EQ(fixture.Radio(EYes)->IsChecked(), c.iYes);
        EXPECT_EQ(fixture.Radio(ENo)->IsChecked(), c.iNo);

        EXPECT_EQ(fixture.Radio(EAppend)->Previous(), nullptr);
        EXPECT_EQ(fixture.Radio(EAppend)->Next(), fixture.Radio(ENew));
        EXPECT_EQ(fixture.Radio(ENew)->Previous(), fixture.Radio(EAppend));
        EXPECT_EQ(fixture.Radio(ENew)->Next(), nullptr);
        EXPECT_EQ(fixture.Radio(EYes)->Previous(), nullptr);
        EXPECT_EQ(fixture.Radio(EYes)->Next(), fixture.Radio(ENo));
        EXPECT_EQ(fixture.Radio(ENo)->Previous(), fixture.Radio(EYes));
        EXPECT_EQ(fixture.Radio(ENo)->Next(), nullptr);
    }
}

TEST(MainScreen, RefreshValuesFormatsEveryCounterAndTheStatus) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    CScreenFixture fixture(320, 240);
    gNmeaParser->OpenFeed("/var/run/gpsfeed");
    CCaptureState& state = *gCaptureState;
    state.TotalCount = 123456;
    state.GgaCount = 1;
    state.GllCount = 22;
    state.GsaCount = 333;
    state.OtherCount = 4;
    state.GsvCount = 0;
    state.VtgCount = -5;
    state.RmcCount = 7;
    std::snprintf(state.LogFileName, sizeof state.LogFileName, "nmea_0042.nmea");
    fixture.Build();
    fixture.iScreen.ResetCounts();
    gMainScreen->RefreshValues();
    EXPECT_EQ(fixture.iScreen.Updates(), 1);
    EXPECT_TRUE(fixture.iScreen.LastOnlyWhenShown());

    const struct {
        TSlot iSlot;
        const char* iText;
    } texts[] = {
        {ETotal, "Tot.=123456"},   {EGga, "GGA=1"},      {EGll, "GLL=22"},
        {EGsa, "GSA=333"},         {EOther, "\?\?\?=4"}, {EGsv, "GSV=0"},
        {EVtg, "VTG=-5"},          {ERmc, "RMC=7 "},     {EFileNameValue, "nmea_0042.nmea"},
        {EStatusValue, "Stopped"},
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(t.iText);
        EXPECT_STREQ(fixture.Text(t.iSlot), t.iText);
    }

    const struct {
        const char* iLegend;
        TRunState iRunState;
        const char* iStatus;
        const char* iStartStop;
        bool iSaveEnabled;
    } states[] = {
        {"stopped", Stopped, "Stopped", "Start", true},
        {"running", Running, "Running", "Stop", false},
        {"hidden", RunningHidden, "Running", "Stop", false},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.iLegend);
        state.RunState = s.iRunState;
        fixture.iScreen.ResetCounts();
        gMainScreen->RefreshControls();
        gMainScreen->RefreshValues();
        EXPECT_EQ(fixture.iScreen.Updates(), 2);
        EXPECT_STREQ(fixture.Text(EStatusValue), s.iStatus);
        EXPECT_STREQ(fixture.Text(EStartStop), s.iStartStop);
        EXPECT_EQ(fixture.Widget(ESave)->IsEnabled(), s.iSaveEnabled);
    }
}

const std::string KSampleSkinRoot = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root";
const std::string KAppReferenceDir = std::string(FIXTRAIL_SOURCE_DIR) + "/tests/app/reference/";

// The whole screen drawn as the program draws it at start-up and after a command.
void DrawWhole(CMainScreen& aScreen) {
    aScreen.Draw();
    aScreen.RefreshControls();
    aScreen.RefreshValues();
}

// Every counter at aValue: drawn in the label's font when it fits, else in the fixed font at
// scale 1, and from 10,000,000 up in millions; never a pixel outside its label (the 4-pixel
// gaps and the neighbours stay as without any counter), whatever the skin.
TEST(MainScreen, LongCountsStayLegibleInsideTheirLabels) {
    const struct {
        int iValue;
        const char* iTotal;
        const char* iRmc;
        const char* iReference;  // a picture looked at, or null
    } cases[] = {
        {2234, "Tot.=2234", "RMC=2234 ", "counts-4-digits"},
        {20000, "Tot.=20000", "RMC=20000 ", nullptr},
        {123456, "Tot.=123456", "RMC=123456 ", nullptr},
        {9999999, "Tot.=9999999", "RMC=9999999 ", nullptr},
        {12345678, "Tot.=12M", "RMC=12345678 ", "counts-8-digits"},
        {2147483647, "Tot.=2147M", "RMC=2147M ", nullptr},
    };
    for (const bool sample : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(sample ? "sample skin, " : "no skin, ") + c.iTotal);
            CScreenFixture fixture(320, 240);
            if (sample) {
                SetSkinRoot(KSampleSkinRoot.c_str());
            }
            CCaptureState& state = *gCaptureState;
            for (int CCaptureState::*count :
                 {&CCaptureState::TotalCount, &CCaptureState::GgaCount, &CCaptureState::GllCount,
                  &CCaptureState::GsaCount, &CCaptureState::OtherCount, &CCaptureState::GsvCount,
                  &CCaptureState::VtgCount, &CCaptureState::RmcCount}) {
                state.*count = c.iValue;
            }
            DrawWhole(fixture.Build());
            EXPECT_STREQ(fixture.Text(ETotal), c.iTotal);
            EXPECT_STREQ(fixture.Text(ERmc), c.iRmc);
            const TPicture counted = Snapshot(fixture.iScreen);
            if (c.iReference != nullptr) {
                const std::string name = std::string("main-") + c.iReference + "-320x240-" +
                                         (sample ? "sample" : "none");
                ExpectPictureMatches(counted, KAppReferenceDir + name + ".ppm",
                                     std::string(FIXTRAIL_BIN_DIR) + "/" + name + "_err.ppm");
            }
            for (int slot = ETotal; slot <= ERmc; ++slot) {
                fixture.Widget(slot)->SetText("");
            }
            fixture.iScreen.Memory().Fill(0);
            gMainScreen->Draw();
            const TPicture blank = Snapshot(fixture.iScreen);
            int outside = 0;
            for (int y = 0; y < 240; ++y) {
                for (int x = 0; x < 320; ++x) {
                    bool inside = false;
                    for (int slot = ETotal; slot <= ERmc; ++slot) {
                        const TRect& r = fixture.Widget(slot)->Rect();
                        inside = inside || (x >= r.iX && x <= r.iX + r.iWidth && y >= r.iY &&
                                            y <= r.iY + r.iHeight);
                    }
                    outside += !inside && counted.At(x, y) != blank.At(x, y) ? 1 : 0;
                }
            }
            EXPECT_EQ(outside, 0) << "pixels drawn outside the counter labels";
        }
    }
}

// After 1,234 sentences, Stop, Start and Stop: every value shows exactly what a whole redraw
// shows, nothing of the longer texts before (a stroke after "Tot.=0", a dot of the "R" of
// "Running" in a corner of "Stopped").
TEST(MainScreen, AShorterValueLeavesNothingOfTheLongerOne) {
    for (const bool sample : {false, true}) {
        SCOPED_TRACE(sample ? "sample skin" : "no skin");
        CScreenFixture fixture(320, 240);
        if (sample) {
            SetSkinRoot(KSampleSkinRoot.c_str());
        }
        CCaptureState& state = *gCaptureState;
        state.TotalCount = 1234;
        state.RmcCount = 617;
        state.RunState = Running;
        DrawWhole(fixture.Build());
        state.TotalCount = 0;
        state.RmcCount = 0;
        state.RunState = Stopped;
        gMainScreen->RefreshControls();
        gMainScreen->RefreshValues();
        const TPicture refreshed = Snapshot(fixture.iScreen);

        CMemoryVirtualScreen wholeScreen(320, 240);
        SetDefaultWidgetScreen(&wholeScreen);
        {
            CMainScreen whole;
            DrawWhole(whole);
        }
        SetDefaultWidgetScreen(&fixture.iScreen);
        EXPECT_EQ(DescribeDifferences(refreshed, Snapshot(wholeScreen)), "");
    }
}

TEST(MainScreen, StartAndStopOpenAndCloseTheNumberedLog) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    CScreenFixture fixture(320, 240);
    CCaptureState& state = *gCaptureState;
    state.LogCounter = 7;
    state.TotalCount = 9;
    fixture.Build();

    fixture.Tap(EStartStop);
    EXPECT_EQ(state.RunState, Running);
    EXPECT_NE(state.LogFile, nullptr);
    EXPECT_STREQ(fixture.Text(EFileNameValue), "nmea_0007.nmea");
    EXPECT_STREQ(fixture.Text(EStatusValue), "Running");
    EXPECT_STREQ(fixture.Text(EStartStop), "Stop");
    EXPECT_STREQ(fixture.Text(ETotal), "Tot.=0");
    EXPECT_FALSE(fixture.Widget(ESave)->IsEnabled());
    EXPECT_TRUE(root.Exists("/mnt/sdcard/fixtrail/nmea_0007.nmea"));

    fixture.Tap(EStartStop);
    EXPECT_EQ(state.RunState, Stopped);
    EXPECT_EQ(state.LogFile, nullptr);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Stopped");
    EXPECT_STREQ(fixture.Text(EStartStop), "Start");
    EXPECT_TRUE(fixture.Widget(ESave)->IsEnabled());

    // Append mode reuses the file; new-file mode takes the next number whose file does not
    // exist yet at each start (nmea_0007.nmea exists by now).
    const struct {
        const char* iLegend;
        TLogMode iLogMode;
        const char* iFirst;
        const char* iSecond;
    } modes[] = {
        {"append", LogAppend, "nmea_0007.nmea", "nmea_0007.nmea"},
        {"new", LogNewFile, "nmea_0008.nmea", "nmea_0009.nmea"},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.iLegend);
        state.LogCounter = 7;
        state.LogMode = m.iLogMode;
        fixture.Command(EStartStop);
        EXPECT_STREQ(state.LogFileName, m.iFirst);
        fixture.Command(EStartStop);
        fixture.Command(EStartStop);
        EXPECT_STREQ(state.LogFileName, m.iSecond);
        fixture.Command(EStartStop);
        EXPECT_EQ(state.RunState, Stopped);
    }
}

TEST(MainScreen, StartWithoutALogShowsWhyUntilTheNextCommand) {
    CTempRoot root;
    root.RemoveDirectory("/mnt/sdcard/fixtrail");
    CScreenFixture fixture(320, 240);
    fixture.Build();
    fixture.Command(EStartStop);
    EXPECT_EQ(gCaptureState->RunState, Stopped);
    EXPECT_EQ(gCaptureState->LogFile, nullptr);
    EXPECT_STREQ(fixture.Text(EStatusValue), KStatusNoLog);
    EXPECT_STREQ(fixture.Text(EStartStop), "Start");

    fixture.Command(ENew);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Stopped");
}

// A card that fills up during a run: the counters go on, and the status says the log does not.
TEST(MainScreen, ALogThatCannotBeWrittenShowsUntilTheNextStart) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    CScreenFixture fixture(320, 240);
    fixture.Build();
    {
        CFileSizeLimit full(4);
        ASSERT_TRUE(full.IsSet());
        fixture.Command(EStartStop);
        ASSERT_EQ(gCaptureState->RunState, Running);
        EXPECT_STREQ(fixture.Text(EStatusValue), "Running");
        gCaptureState->WriteLog("GPGGA,1", 7, nullptr);
        gCaptureState->FlushLog(false);
        gMainScreen->RefreshValues();
        EXPECT_STREQ(fixture.Text(EStatusValue), KStatusRunningNoLog);

        fixture.Command(EStartStop);
        EXPECT_STREQ(fixture.Text(EStatusValue), KStatusNoLog);
        fixture.Command(ENew);
        EXPECT_STREQ(fixture.Text(EStatusValue), KStatusNoLog);
    }

    ASSERT_EQ(::unlink(root.Path("/mnt/sdcard/fixtrail/nmea_0000.nmea").c_str()), 0);
    fixture.Command(EStartStop);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Running");
}

// A run whose feed is not there yet goes on and says so; the capture step opens the feed
// once it is there, and the status follows.
TEST(MainScreen, StartWithoutAFeedRunsAndShowsTheMissingFeed) {
    CTempRoot root;
    CScreenFixture fixture(320, 240);
    fixture.Build();
    fixture.Command(EStartStop);
    EXPECT_EQ(gCaptureState->RunState, Running);
    EXPECT_NE(gCaptureState->LogFile, nullptr);
    EXPECT_STREQ(fixture.Text(EStatusValue), KStatusRunningNoFeed);
    EXPECT_STREQ(fixture.Text(EStartStop), "Stop");

    ASSERT_TRUE(root.MakeFeed());
    ASSERT_TRUE(RetryFeed(*gCaptureState, *gNmeaParser, gCaptureState->FeedAttemptMs + 1000));
    gMainScreen->RefreshValues();
    EXPECT_STREQ(fixture.Text(EStatusValue), "Running");

    fixture.Command(EStartStop);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Stopped");
}

// While running, the status says what the receiver says, once the feed is there.
TEST(MainScreen, TheStatusSaysWhatTheReceiverSaysOnceTheFeedIsThere) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    CScreenFixture fixture(320, 240);
    fixture.Build();
    fixture.Command(EStartStop);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Running");
    gCaptureState->Receiver.OnSentence("GNGGA,123519,,,,,0,00,,,M,,M,,*75");
    gMainScreen->RefreshValues();
    EXPECT_STREQ(fixture.Text(EStatusValue), "Running: no fix");
    gNmeaParser->CloseFeed();
    gMainScreen->RefreshValues();
    EXPECT_STREQ(fixture.Text(EStatusValue), KStatusRunningNoFeed);
}

// A Save that cannot write config.txt says so until the next command; the old file stays.
TEST(MainScreen, SaveThatFailsShowsUntilTheNextCommand) {
    CTempRoot root;
    root.Write("/mnt/sdcard/fixtrail/config.txt", "logsaving new\n");
    ASSERT_TRUE(root.MakeDirectory("/mnt/sdcard/fixtrail/config.txt.tmp"));
    CScreenFixture fixture(320, 240);
    fixture.Build();
    fixture.Command(ESave);
    EXPECT_STREQ(fixture.Text(EStatusValue), KStatusNotSaved);
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/config.txt"), "logsaving new\n");
    fixture.Command(ENew);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Stopped");

    fixture.Command(ESave);
    EXPECT_STREQ(fixture.Text(EStatusValue), KStatusNotSaved);
    root.RemoveDirectory("/mnt/sdcard/fixtrail/config.txt.tmp");
    fixture.Command(ESave);
    EXPECT_STREQ(fixture.Text(EStatusValue), "Stopped");
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/config.txt"),
              "logsaving new\nframedecoding no\nlogcounter 0\n");
}

TEST(MainScreen, SettingsChangeOnlyWhileStopped) {
    CTempRoot root;
    CScreenFixture fixture(320, 240);
    CCaptureState& state = *gCaptureState;
    state.LogMode = LogAppend;
    state.DecodeMode = DecodeOff;
    fixture.Build();

    fixture.Tap(ENew);
    fixture.Tap(EYes);
    EXPECT_EQ(state.LogMode, LogNewFile);
    EXPECT_EQ(state.DecodeMode, DecodeOn);
    EXPECT_TRUE(fixture.Radio(ENew)->IsChecked());
    EXPECT_FALSE(fixture.Radio(EAppend)->IsChecked());

    // While running the radio button checks itself, then the refresh puts the setting back.
    const TRunState states[] = {Running, RunningHidden};
    for (TRunState runState : states) {
        SCOPED_TRACE(runState);
        state.RunState = runState;
        fixture.Tap(EAppend);
        fixture.Tap(ENo);
        EXPECT_EQ(state.LogMode, LogNewFile);
        EXPECT_EQ(state.DecodeMode, DecodeOn);
        EXPECT_TRUE(fixture.Radio(ENew)->IsChecked());
        EXPECT_FALSE(fixture.Radio(EAppend)->IsChecked());
        EXPECT_TRUE(fixture.Radio(EYes)->IsChecked());
        EXPECT_FALSE(fixture.Radio(ENo)->IsChecked());
    }
    // Nothing reached the card without a Save.
    EXPECT_FALSE(root.Exists("/mnt/sdcard/fixtrail/config.txt"));
}

TEST(MainScreen, SaveWritesTheConfigurationOnlyWhileStopped) {
    CTempRoot root;
    CScreenFixture fixture(320, 240);
    CCaptureState& state = *gCaptureState;
    fixture.Build();
    state.RunState = Running;  // the button is disabled then; the handler must not save either
    fixture.Command(ESave);
    EXPECT_FALSE(root.Exists("/mnt/sdcard/fixtrail/config.txt"));

    state.RunState = Stopped;
    state.LogMode = LogNewFile;
    state.DecodeMode = DecodeOn;
    state.LogCounter = 12;
    fixture.Command(ESave);
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/config.txt"),
              "logsaving new\nframedecoding yes\nlogcounter 12\n");
}

// The owner word and exit(0) belong to a process: each case runs in a child of its own.
TEST(MainScreen, HideGivesTheDisplayUpAndKeepsTheRunStateTruthful) {
    const struct {
        const char* iLegend;
        TRunState iBefore, iAfter;
    } cases[] = {
        {"running goes on hidden", Running, RunningHidden},
        {"stopped stays stopped", Stopped, Stopped},
        {"hidden stays hidden", RunningHidden, RunningHidden},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CTempRoot root;
        WriteOwnerWord(root, 0);
        const int status = RunInChild([&c] {
            SetActivePid(static_cast<int>(::getpid()));
            CScreenFixture fixture(320, 240);
            gCaptureState->RunState = c.iBefore;
            fixture.Build();
            fixture.Command(EHide);
            EXPECT_EQ(gCaptureState->RunState, c.iAfter);
            EXPECT_EQ(GetActivePid(), 0);
            return 0;
        });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(ReadOwnerWord(root), 0);
    }
}

// The log is what matters most: closed before the configuration is written, it is whole even
// when the card fails at the save. Here the save ends the process (a file size limit that the
// configuration exceeds, with its signal's default action).
TEST(MainScreen, ExitWhileRunningClosesTheLogBeforeTheSave) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    MakeRawFrameBuffer(root);
    WriteOwnerWord(root, 0);
    const int status = RunInChild([&root] {
        CScreenFixture fixture(320, 240);
        fixture.Build();
        fixture.Command(EStartStop);
        gCaptureState->WriteLog("GPGGA,1", 7, nullptr);  // still in the stream's buffer
        const rlimit noCore{0, 0};
        const rlimit limit{16, 16};
        if (::setrlimit(RLIMIT_CORE, &noCore) != 0 || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 2;
        }
        std::signal(SIGXFSZ, SIG_DFL);
        fixture.Command(EExit);
        return 1;  // not reached
    });
    EXPECT_EQ(status, 128 + SIGXFSZ);
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/nmea_0000.nmea"), "$GPGGA,1\n");
}

TEST(MainScreen, ExitClosesWhatIsOpenSavesCapturesAndEndsWithZero) {
    const struct {
        const char* iLegend;
        TLogMode iLogMode;
        bool iStart, iHide, iMarker;
        const char* iConfig;
    } cases[] = {
        {"running, append, marker", LogAppend, true, false, true,
         "logsaving append\nframedecoding no\nlogcounter 4\n"},
        {"stopped, new, no marker", LogNewFile, false, false, false,
         "logsaving new\nframedecoding no\nlogcounter 3\n"},
        {"hidden while stopped, append", LogAppend, false, true, false,
         "logsaving append\nframedecoding no\nlogcounter 4\n"},
        {"hidden while running, new", LogNewFile, true, true, true,
         "logsaving new\nframedecoding no\nlogcounter 4\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CTempRoot root;
        MakeRawFrameBuffer(root);
        root.Write("/dev/fb", std::string(320 * 240 * 2, '\x5a'));
        WriteOwnerWord(root, 0);
        if (c.iMarker) {
            root.Write("/mnt/sdcard/fixtrail/capture", "");
        }
        const int status = RunInChild([&c] {
            CScreenFixture fixture(320, 240);
            gCaptureState->LogCounter = 3;
            gCaptureState->LogMode = c.iLogMode;
            fixture.Build();
            ConnectNavigationServer();
            if (c.iStart) {
                fixture.Command(EStartStop);
                gCaptureState->WriteLog("GPGGA,1", 7, nullptr);
            }
            if (c.iHide) {
                fixture.Command(EHide);
            }
            fixture.Command(EExit);
            return 1;  // not reached
        });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/config.txt"), c.iConfig);
        if (c.iStart) {
            EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/nmea_0003.nmea"), "$GPGGA,1\n");
        }
        bool captured = false;
        if (DIR* directory = ::opendir(root.Path("/mnt/sdcard/fixtrail").c_str())) {
            while (const dirent* entry = ::readdir(directory)) {
                const std::string name = entry->d_name;
                if (name.rfind("img", 0) == 0) {
                    captured = true;
                    EXPECT_EQ(name.size(), 3u + 14u + 4u) << name;
                    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/" + name), root.Read("/dev/fb"));
                }
            }
            ::closedir(directory);
        }
        EXPECT_EQ(captured, c.iMarker);
    }
}

// A run on a card with no room at all, ended by an Exit, in a child: aThen goes on from there
// and says when the Exit that may end the program comes (the child's status: 0 when that Exit
// ended it, 3 when the first one did).
bool gLaterExit = false;
int AfterAnExitOnAFullCard(CSmallFileSystem& aCard,
                           const std::function<void(CScreenFixture&)>& aThen) {
    return RunInChild([&] {
        CScreenFixture fixture(320, 240);
        fixture.Build();
        fixture.Command(EStartStop);
        EXPECT_TRUE(aCard.Fill());
        std::atexit([] { gLaterExit ? (void)0 : ::_exit(3); });
        fixture.Command(EExit);
        aThen(fixture);
        return 1;  // not reached: the last Exit ends the program
    });
}

// Settings that cannot be saved are not lost in silence: the first Exit on a card with no room
// at all stops the run and says so, the second ends the program.
TEST(MainScreen, ExitThatCannotSaveSaysSoAndASecondExitEnds) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    MakeRawFrameBuffer(root);
    CSmallFileSystem card(root.Path("/mnt/sdcard/fixtrail"));
    SKIP_WITHOUT_SMALL_FILE_SYSTEM(card);
    EXPECT_EQ(AfterAnExitOnAFullCard(card,
                                     [](CScreenFixture& aFixture) {
                                         EXPECT_EQ(gCaptureState->RunState, Stopped);
                                         EXPECT_STREQ(aFixture.Text(EStatusValue), KStatusNotSaved);
                                         gLaterExit = true;
                                         aFixture.Command(EExit);
                                     }),
              0);
}

// An Exit that could not save has advanced the counter of its run already: after a Save that
// finds room again, the next Exit saves that number, it does not skip one.
TEST(MainScreen, AnExitAfterAFailedOneAdvancesTheCounterOnce) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    MakeRawFrameBuffer(root);
    CSmallFileSystem card(root.Path("/mnt/sdcard/fixtrail"));
    SKIP_WITHOUT_SMALL_FILE_SYSTEM(card);
    EXPECT_EQ(AfterAnExitOnAFullCard(card,
                                     [&card](CScreenFixture& aFixture) {
                                         card.Free();
                                         aFixture.Command(ESave);
                                         gLaterExit = true;
                                         aFixture.Command(EExit);
                                     }),
              0);
    EXPECT_EQ(root.Read(KConfigPath), "logsaving append\nframedecoding no\nlogcounter 1\n");
}

}  // namespace

// The display path that draws and copies only what changed, against the plain one: the same
// recording handled pass by pass leaves the device's frame buffer byte for byte as a full
// redraw of every value followed by a full copy leaves it, at both panel sizes, with and
// without the sample skin, for every device model's copy, and after the display comes back
// from another process.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MainScreen.h"
#include "nmea/CaptureCycle.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DisplayOwner.h"
#include "platform/VirtualScreen.h"
#include "support/ForkedRun.h"
#include "support/MemoryFrameBuffer.h"
#include "support/ScriptedInputReader.h"
#include "support/TempRoot.h"
#include "ui/Colors.h"
#include "ui/Draw.h"
#include "ui/Skin.h"
#include "ui/UIEventLoop.h"

namespace {

const std::string KRecording =
    std::string(FIXTRAIL_SOURCE_DIR) + "/data/marineapi_Navibe-GM720.txt";
const std::string KSampleSkinRoot = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root";

constexpr std::size_t KPassBytes = 300;  // a pass's worth of feed: a few sentences
constexpr int KPasses = 40;
// Passes during which another process owns the display.
constexpr int KAwayFrom = 20;
constexpr int KAwayTo = 24;
// The pass at which the log file's name changes (its label overlaps the radio buttons).
constexpr int KRenamePass = 10;
// The pass before which the whole screen is drawn, in its children's order, as the event loop
// draws it when it starts or is asked to (captions overlap values there).
constexpr int KFullDrawPass = 30;
constexpr int KPaintOverPass = 33;

std::string ReadAll(const std::string& aPath) {
    std::string bytes;
    if (std::FILE* file = std::fopen(aPath.c_str(), "rb")) {
        char buffer[4096];
        std::size_t count = 0;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            bytes.append(buffer, count);
        }
        std::fclose(file);
    }
    return bytes;
}

struct TDisplayCase {
    int iWidth;
    int iHeight;
    bool iSampleSkin;
    int iModel;
};

std::string Describe(const TDisplayCase& aCase) {
    return std::to_string(aCase.iWidth) + "x" + std::to_string(aCase.iHeight) +
           (aCase.iSampleSkin ? " sample skin" : " no skin") + ", model " +
           std::to_string(aCase.iModel);
}

// The first pass whose device bytes differ, or -1.
int FirstDifferingPass(const TDisplayCase& aCase, const std::string& aFeed) {
    SetSkinRoot(aCase.iSampleSkin ? KSampleSkinRoot.c_str() : "/nonexistent-fixtrail-skin/");
    const int self = static_cast<int>(::getpid());
    SetActivePid(self);

    // The optimised path: the application's own capture events and idle step, on a virtual
    // screen that copies what was drawn.
    CMemoryFrameBuffer device(aCase.iWidth, aCase.iHeight);
    CVirtualScreen screen(&device, aCase.iModel);
    // The plain path: every value redrawn, then the whole screen copied.
    CMemoryFrameBuffer plainDevice(aCase.iWidth, aCase.iHeight);
    CVirtualScreen plainScreen(&plainDevice, aCase.iModel);

    gCaptureState = new CCaptureState(KColorWhite, KColorYellow);
    gNmeaParser = new CNmeaParser;
    gCaptureState->DecodeMode = DecodeOn;
    gCaptureState->ComposeLogFileName();
    gCaptureState->LogFile = std::fopen("/dev/null", "w");
    gCaptureState->RunState = Running;

    SetDefaultWidgetScreen(&plainScreen);
    std::unique_ptr<CMainScreen> plain(new CMainScreen);
    SetDefaultWidgetScreen(&screen);
    gMainScreen = new CMainScreen;
    GetSkin()->SetSchemeIndex(KMainScreenScheme);
    EXPECT_EQ(GetSkin()->GetImage(ESkinImageBack) != nullptr, aCase.iSampleSkin);
    for (CMainScreen* main : {gMainScreen, plain.get()}) {
        main->Draw();
        main->RefreshControls();
        main->RefreshValues();
    }

    CScriptedInputReader input;
    plainScreen.SetShown(true);
    CUIEventLoop loop;
    loop.SetInputReader(&input);
    loop.SetFrameBuffer(&screen);
    loop.SetIdleHandler(&gIdler);
    loop.Step();  // the loop notices that it owns the display

    CApplicationCaptureEvents events;
    int differing = -1;
    for (int pass = 0; pass < KPasses && differing < 0; ++pass) {
        const std::size_t first = static_cast<std::size_t>(pass) * KPassBytes;
        // The display comes back in a pass without sentences: only the idle step can bring
        // the values drawn while it was away up to date.
        if (first < aFeed.size() && pass != KAwayTo) {
            const std::string bytes = aFeed.substr(first, KPassBytes);
            gNmeaParser->Assemble(bytes.data(), bytes.size());
        }
        if (pass == KRenamePass) {
            std::snprintf(gCaptureState->LogFileName, sizeof gCaptureState->LogFileName,
                          "nmea_0042.nmea");
        }
        if (pass == KFullDrawPass) {
            gMainScreen->Draw();
            plain->Draw();
        }
        if (pass == KPaintOverPass) {
            // Something else paints over the values between passes.
            FillRect(&screen, 0, 0, aCase.iWidth / 2, aCase.iHeight / 2, KColorBlack, 0);
            FillRect(&plainScreen, 0, 0, aCase.iWidth / 2, aCase.iHeight / 2, KColorBlack, 0);
        }
        const bool away = pass >= KAwayFrom && pass < KAwayTo;
        SetActivePid(away ? static_cast<int>(::getppid()) : self);
        loop.Step();  // notices whose the display is, and tells the screen
        HandleQueuedSentences(*gCaptureState, *gNmeaParser, &events);
        if (away) {
            device.Fill(0x5A);  // the other process's picture
            continue;
        }
        plain->RefreshValues();
        plainScreen.Invalidate();
        plainScreen.Update(false);
        if (std::memcmp(device.Pixels(), plainDevice.Pixels(), device.Size()) != 0 ||
            !device.GuardsIntact()) {
            differing = pass;
        }
    }
    EXPECT_EQ(gCaptureState->TotalCount > 50, true) << "too few sentences to compare";

    delete gMainScreen;
    gMainScreen = nullptr;
    plain.reset();
    SetDefaultWidgetScreen(nullptr);
    delete gNmeaParser;
    gNmeaParser = nullptr;
    delete gCaptureState;
    gCaptureState = nullptr;
    return differing;
}

TEST(DisplayPath, ShowsWhatTheFullRedrawShowsAfterEveryPass) {
    const std::string feed = ReadAll(KRecording);
    ASSERT_GT(feed.size(), static_cast<std::size_t>(KPasses) * KPassBytes / 2) << KRecording;
    // Every number the driver may give: 2 to 5 fixed 320 x 240 row-major, 8 and 9 row-major,
    // the others straight.
    std::vector<TDisplayCase> cases;
    for (const bool sample : {false, true}) {
        for (const int model : {1, 2, 3, 4, 5, 6, 7, 8, 9}) {
            cases.push_back({320, 240, sample, model});
            cases.push_back({480, 272, sample, model});
        }
    }
    for (const TDisplayCase& displayCase : cases) {
        SCOPED_TRACE(Describe(displayCase));
        CTempRoot root;
        const int status = RunInChild([&] {
            const int pass = FirstDifferingPass(displayCase, feed);
            EXPECT_EQ(pass, -1) << "first pass whose frame buffer differs";
            return ::testing::Test::HasFailure() ? 1 : 0;
        });
        EXPECT_EQ(status, 0);
    }
}

}  // namespace

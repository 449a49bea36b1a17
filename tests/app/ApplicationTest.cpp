#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "app/Application.h"
#include "app/MainScreen.h"
#include "app/VelmorFileLayer.h"
#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"
#include "platform/DisplayOwner.h"
#include "support/DeviceRoot.h"
#include "support/ForkedRun.h"
#include "support/MemoryVirtualScreen.h"
#include "support/TempRoot.h"
#include "ui/Skin.h"
#include "ui/UIEventLoop.h"
#include "ui/UIRadioButton.h"

namespace {

// Files of message pairs addressed to the program in the run directory.
int MessageFiles(const CTempRoot& aRoot) {
    int count = 0;
    if (DIR* directory = ::opendir(aRoot.Path("/var/run").c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            count += std::string(entry->d_name).find(".fixtrail.") != std::string::npos;
        }
        ::closedir(directory);
    }
    return count;
}

TEST(Application, TheFirstArgumentIsTheRootOnlyWithTwoOrMore) {
    char program[] = "fixtrail";
    char first[] = "/host/card/";
    char second[] = "x";
    char third[] = "y";
    char* argv[] = {program, first, second, third, nullptr};
    const struct {
        int iArgc;
        const char* iRoot;
    } cases[] = {
        {1, "/mnt/sdcard/"},
        {2, "/mnt/sdcard/"},
        {3, "/host/card/"},
        {4, "/host/card/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iArgc);
        EXPECT_STREQ(SkinRootArgument(c.iArgc, argv), c.iRoot);
    }
}

TEST(Application, ConnectMakesTheClientOnceAndDisconnectReleasesIt) {
    ASSERT_TRUE(ConnectNavigationServer());
    MVelmorCommunicationLayerInterface* layer = gClientLayer;
    ASSERT_NE(layer, nullptr);
    ASSERT_NE(gNavigationClient, nullptr);
    EXPECT_EQ(gNavigationClient->iLayer, layer);
    auto* fileLayer = dynamic_cast<CVelmorFileLayer*>(layer);
    ASSERT_NE(fileLayer, nullptr);
    EXPECT_STREQ(fileLayer->OwnName(), "client");
    EXPECT_STREQ(fileLayer->PeerName(), "VelmorNavigationServer");
    EXPECT_EQ(fileLayer->ProcessId(), static_cast<std::uint32_t>(::getpid()));

    EXPECT_TRUE(ConnectNavigationServer());
    EXPECT_EQ(gClientLayer, layer);

    DisconnectNavigationServer();
    EXPECT_EQ(gClientLayer, nullptr);
    EXPECT_EQ(gNavigationClient, nullptr);
    DisconnectNavigationServer();  // nothing left: nothing happens
}

// Notes which settings the main screen showed when the first picture went to the display.
class CFirstPictureScreen : public CMemoryVirtualScreen {
  public:
    using CMemoryVirtualScreen::CMemoryVirtualScreen;
    void Update(bool aOnlyWhenOwner) override {
        if (!iShown && gMainScreen != nullptr) {
            iShown = true;
            iNewShown = Checked(9);
            iYesShown = Checked(11);
        }
        CMemoryVirtualScreen::Update(aOnlyWhenOwner);
    }
    bool iShown = false;
    bool iNewShown = false;
    bool iYesShown = false;

  private:
    static bool Checked(int aSlot) {
        return dynamic_cast<CUIRadioButton*>(gMainScreen->Child(aSlot))->IsChecked();
    }
};

// Pixels that still hold aPixel, inside the 4-pixel border whose rounded corners the screen
// leaves as they are.
int PixelsLeft(CMemoryVirtualScreen& aScreen, std::uint16_t aPixel) {
    int count = 0;
    for (int y = 4; y < aScreen.GetHeight() - 4; ++y) {
        for (int x = 4; x < aScreen.GetWidth() - 4; ++x) {
            count += aScreen.Pixel(x, y) == aPixel;
        }
    }
    return count;
}

// Start-up and the message that brings a hidden program back, in a process of their own: they
// make the process-wide objects and map the owner word.
TEST(Application, StartsWithTheLoadedSettingsAndComesBackOnAMessage) {
    CTempRoot root;
    WriteOwnerWord(root, 0);
    root.Write(KConfigPath, "logsaving new\nframedecoding yes\nlogcounter 41\n");
    const int status = RunInChild([&root] {
        CFirstPictureScreen screen(320, 240);
        SetDefaultWidgetScreen(&screen);
        SetSkinRoot("/nonexistent-fixtrail-skin/");
        char program[] = "fixtrail";
        char* argv[] = {program, nullptr};
        EXPECT_EQ(InitApplication(1, argv), 0);
        // The configuration was loaded before the screen was built: not even the first
        // picture shows the default settings.
        EXPECT_TRUE(screen.iShown);
        EXPECT_TRUE(screen.iNewShown);
        EXPECT_TRUE(screen.iYesShown);

        EXPECT_EQ(gCaptureState->LogCounter, 41);
        EXPECT_EQ(gCaptureState->RunState, Stopped);
        EXPECT_NE(gNmeaParser, nullptr);
        EXPECT_NE(gClientLayer, nullptr);
        CUIEventLoop* loop = CUIEventLoop::Instance();
        EXPECT_EQ(loop->GetScreen(), gMainScreen);
        EXPECT_EQ(loop->IdleHandler(), &gIdler);
        // The settings show from the first drawing; the counters were refreshed.
        auto radio = [](int aSlot) {
            return dynamic_cast<CUIRadioButton*>(gMainScreen->Child(aSlot))->IsChecked();
        };
        EXPECT_FALSE(radio(8));   // append
        EXPECT_TRUE(radio(9));    // new
        EXPECT_TRUE(radio(11));   // yes
        EXPECT_FALSE(radio(12));  // no
        EXPECT_STREQ(gMainScreen->Child(0)->Text(), "Start");
        EXPECT_STREQ(gMainScreen->Child(14)->Text(), "Stopped");
        EXPECT_STREQ(gMainScreen->Child(15)->Text(), "Tot.=0");

        // Hidden while running, then a message addressed to the program.
        gCaptureState->RunState = RunningHidden;
        MVelmorCommunicationLayerInterface* server =
            CreateFileLayer("VelmorNavigationServer", "fixtrail", -1);
        server->BeginRequest();
        server->AddArgument("show");
        SdkDelete(server->Send());
        SdkDelete(server);
        EXPECT_EQ(MessageFiles(root), 2);
        screen.ResetCounts();
        // Whatever the back buffer held while hidden, the screen comes back whole.
        screen.Memory().Fill(0x5a);
        gIdler.OnIdle(loop);
        EXPECT_EQ(gCaptureState->RunState, Running);
        EXPECT_EQ(GetActivePid(), static_cast<int>(::getpid()));
        EXPECT_GE(screen.Updates(), 1);
        EXPECT_EQ(PixelsLeft(screen, 0x5a5a), 0);
        EXPECT_STREQ(gMainScreen->Child(0)->Text(), "Stop");
        // The message was taken: no file of the pair is left in the run directory.
        EXPECT_EQ(MessageFiles(root), 0);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace

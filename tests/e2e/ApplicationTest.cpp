// The real fixtrail program in a simulated device root, driven only through its device files:
// touch records, sentences into the feed FIFO, message pairs through `fixtrail-sim message`;
// checked through the frame buffer, the owner word, the log and config.txt it leaves on the
// card.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/SimulatedApplication.h"

namespace {

// Centres of the main screen's controls at 320x240 (CMainScreen's layout).
constexpr TPoint KNewRadio{277, 62};
constexpr TPoint KYesRadio{197, 82};
constexpr TPoint KStartStop{41, 215};
constexpr TPoint KSave{119, 215};
constexpr TPoint KHide{197, 215};
constexpr TPoint KExit{275, 215};

class Application : public CSimulatedDeviceTest {
  protected:
    void SetUp() override {
        CSimulatedDeviceTest::SetUp();
        InitDevice();
    }
};

TEST_F(Application, CaptureLogsWhatTheDecoderMakesAndExitKeepsNumbering) {
    const std::string recording =
        std::string(FIXTRAIL_SOURCE_DIR) + "/data/marineapi_Navibe-GM720.txt";
    const TToolRun decoded = RunTool("fixtrail-decode", {recording});
    ASSERT_EQ(decoded.iStatus, 0);
    ASSERT_FALSE(decoded.iOut.empty());
    {
        CApplication application;
        WaitForScreen(application);
        Tap(KYesRadio);
        Tap(KStartStop);
        Feed(CTempRoot::ReadFile(recording));
        EXPECT_TRUE(PollFor([&] { return Log(0) == decoded.iOut; }))
            << "log of " << Log(0).size() << " bytes, decoder " << decoded.iOut.size();
        Tap(KStartStop);
        Tap(KExit);
        EXPECT_EQ(application.WaitForExit(), 0);
    }
    EXPECT_EQ(Config(), "logsaving append\nframedecoding yes\nlogcounter 1\n");

    // The next run goes on with the next number and keeps the decoding setting.
    CApplication second;
    WaitForScreen(second);
    Tap(KStartStop);
    Feed(KSentences);
    EXPECT_TRUE(PollFor([&] { return Log(1).find(KSentences.substr(0, 20)) == 0; }));
    EXPECT_EQ(Log(0), decoded.iOut) << "the first log must stay as it was";
}

TEST_F(Application, SaveWritesTheChangedSettings) {
    CApplication application;
    WaitForScreen(application);
    Tap(KNewRadio);
    Tap(KYesRadio);
    Tap(KSave);
    const std::string expected = "logsaving new\nframedecoding yes\nlogcounter 0\n";
    EXPECT_TRUE(PollFor([&] { return Config() == expected; })) << Config();
}

TEST_F(Application, HiddenApplicationKeepsCapturingAndAMessageBringsItBack) {
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop);
    Tap(KHide);
    ASSERT_TRUE(PollFor([&] { return Owner() == 0; })) << "owner " << Owner();
    Feed(KSentences);
    // Decoding off: each sentence logged as it came, ending in a bare line feed.
    const std::string logged =
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n"
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";
    EXPECT_TRUE(PollFor([&] { return Log(0) == logged; })) << Log(0);

    const TToolRun message = RunTool("fixtrail-sim", {"message", iRoot.Root(), "show"});
    ASSERT_EQ(message.iStatus, 0) << message.iErr;
    EXPECT_TRUE(PollFor([&] { return Owner() == application.Pid(); })) << "owner " << Owner();
}

TEST_F(Application, ExitWritesTheScreenCaptureWhenMarked) {
    iRoot.Write("/mnt/sdcard/fixtrail/capture", "");
    CApplication application;
    WaitForScreen(application);
    Tap(KExit);
    EXPECT_EQ(application.WaitForExit(), 0);

    std::vector<std::string> images;
    if (DIR* directory = ::opendir(iRoot.Path("/mnt/sdcard/fixtrail").c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name.compare(0, 3, "img") == 0 && name.size() > 4 &&
                name.compare(name.size() - 4, 4, ".raw") == 0) {
                images.push_back(name);
            }
        }
        ::closedir(directory);
    }
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(iRoot.Read("/mnt/sdcard/fixtrail/" + images[0]).size(), 320u * 240u * 2u);
}

// The GPS daemon's part: the whole recording, never faster than the line carries it.
TEST_F(Application, FeedReplaysTheRecordingAtTheLineRate) {
    const std::string recording =
        std::string(FIXTRAIL_SOURCE_DIR) + "/data/marineapi_Garmin-GPS76.txt";
    const std::string bytes = CTempRoot::ReadFile(recording);
    ASSERT_FALSE(bytes.empty());
    const int descriptor = ::open(iRoot.Path("/var/run/gpsfeed").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(descriptor, 0);
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    CToolRun feed("fixtrail-sim", {"feed", iRoot.Root(), recording, "--baud", "115200"});
    std::string received;
    EXPECT_TRUE(PollFor([&] {
        char chunk[4096];
        ssize_t count;
        while ((count = ::read(descriptor, chunk, sizeof chunk)) > 0) {
            received.append(chunk, static_cast<std::size_t>(count));
        }
        return received.size() >= bytes.size();
    }));
    timespec end{};
    ::clock_gettime(CLOCK_MONOTONIC, &end);
    EXPECT_EQ(feed.Finish(), 0) << feed.Err();
    ::close(descriptor);
    EXPECT_EQ(received, bytes);
    const double seconds = static_cast<double>(end.tv_sec - start.tv_sec) +
                           static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
    EXPECT_GE(seconds, 0.9 * static_cast<double>(bytes.size()) / 11520.0);
}

// run lays the root out, installs the skin and hands back the application's exit status.
TEST_F(Application, RunStartsTheApplicationWithTheSkinInstalled) {
#ifdef FIXTRAIL_TOOL_EMULATOR
    GTEST_SKIP() << "run starts the ARM program itself, which only the device can execute";
#endif
    const std::string skin = iRoot.Path("/skin-source");
    ASSERT_EQ(::mkdir(skin.c_str(), 0755), 0);
    iRoot.Write("/skin-source/Marker.txt", "skin file");
    CToolRun run("fixtrail-sim", {"run", iRoot.Root(), "--skin", skin});
    ASSERT_TRUE(PollFor([&] { return Owner() > 0; }));
    EXPECT_EQ(iRoot.Read("/mnt/sdcard/skin/Marker.txt"), "skin file");
    Tap(KExit);
    EXPECT_EQ(run.Finish(), 0) << run.Err();
}

}  // namespace

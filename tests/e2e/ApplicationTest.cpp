// The real fixtrail program in a simulated device root, driven only through its device files:
// touch records, sentences into the feed FIFO, message pairs through `fixtrail-sim message`;
// checked through the frame buffer, the owner word, the log and config.txt it leaves on the
// card.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
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
        Feed(ReadWholeFile(recording));
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

// KSentences as the log holds them with decoding off.
const std::string KLogged =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n"
    "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";

TEST_F(Application, HiddenApplicationKeepsCapturingAndAMessageBringsItBack) {
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop);
    Tap(KHide);
    ASSERT_TRUE(PollFor([&] { return Owner() == 0; })) << "owner " << Owner();
    Feed(KSentences);
    // Decoding off: each sentence logged as it came, ending in a bare line feed.
    EXPECT_TRUE(PollFor([&] { return Log(0) == KLogged; })) << Log(0);

    const TToolRun message = RunTool("fixtrail-sim", {"message", iRoot.Root(), "show"});
    ASSERT_EQ(message.iStatus, 0) << message.iErr;
    EXPECT_TRUE(PollFor([&] { return Owner() == application.Pid(); })) << "owner " << Owner();
}

// New-file mode, so that each run's log shows what that run alone assembled.
TEST_F(Application, ASentenceCutByStopIsNotFinishedByTheNextRun) {
    const std::string gll = "$GPGLL,4916.45,N,12311.12,W,225444,A*31\r\n";
    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    CApplication application;
    WaitForScreen(application);
    Tap(KNewRadio);
    Tap(KStartStop);
    Feed(gga + "$GPRMC,123519,A,48");
    const std::string firstRun = gga.substr(0, gga.size() - 2) + "\n";
    ASSERT_TRUE(PollFor([&] { return Log(0) == firstRun; })) << Log(0);
    Tap(KStartStop);
    // Stopped once the feed has no reader: bytes written before that would be drained by the
    // next Start instead of read.
    ASSERT_TRUE(PollFor([&] { return !CFeedWriter(iRoot.Path(KFeedPath)).IsOpen(); }));
    Tap(KStartStop);
    Feed("5444,A*31\r\n" + gll);
    const std::string secondRun = gll.substr(0, gll.size() - 2) + "\n";
    EXPECT_TRUE(PollFor([&] { return Log(1) == secondRun; })) << Log(1);
    Tap(KStartStop);
    Tap(KExit);
    EXPECT_EQ(application.WaitForExit(), 0);
    EXPECT_EQ(Log(0), firstRun);
    EXPECT_EQ(Log(1), secondRun);
}

// A long run, made short: noise on the line, the feed's daemon restarting (its FIFO made anew)
// and the log reaching a file-size limit. Every whole sentence is logged once, across the
// numbered files; the program neither dies nor stops logging.
TEST_F(Application, ALongRunKeepsEverySentenceThroughNoiseARestartedFeedAndASizeLimit) {
    CApplication application;
    WaitForScreen(application);
    const rlimit limit{300, RLIM_INFINITY};
    ASSERT_EQ(::prlimit(application.Pid(), RLIMIT_FSIZE, &limit, nullptr), 0);
    Tap(KStartStop);
    const char noisy[] =
        "$GPGLL,4916.45,N,1231\0"
        "1.12,W,225444,A*31\r\n";
    Feed(std::string(noisy, sizeof noisy - 1) + KSentences);
    const std::string logged = KLogged + KLogged;
    ASSERT_TRUE(PollFor([&] { return Log(0) == KLogged; })) << Log(0);
    ASSERT_EQ(::unlink(iRoot.Path(KFeedPath).c_str()), 0);
    ASSERT_TRUE(iRoot.MakeFeed());
    Feed(KSentences + KSentences + KSentences);
    EXPECT_TRUE(PollFor([&] { return Log(0) + Log(1) == logged + logged; })) << Log(1);
    EXPECT_LE(Log(0).size(), 300u);
    Tap(KStartStop);
    Tap(KExit);
    EXPECT_EQ(application.WaitForExit(), 0);
    EXPECT_EQ(Config(), "logsaving append\nframedecoding no\nlogcounter 2\n");
}

// A power cut (SIGKILL) leaves config.txt's counter behind the files: the next run in new-file
// mode still gets a file of its own.
TEST_F(Application, AfterAPowerCutNewFileModeDoesNotContinueTheCutRunsFile) {
    iRoot.Write(KConfigPath, "logsaving new\nframedecoding no\nlogcounter 0\n");
    for (int run = 0; run < 2; ++run) {
        CApplication application;
        WaitForScreen(application);
        Tap(KStartStop);
        Feed(KSentences);
        EXPECT_TRUE(PollFor([&] { return Log(run) == KLogged; })) << run << ": " << Log(run);
    }  // SIGKILL
    EXPECT_EQ(Log(0), KLogged);
}

// Anyone may leave a FIFO on the card under a name the program opens. None may hang it: not
// start-up (config.txt), not Start (the log file), not Exit (the capture marker, after the
// configuration was saved).
TEST_F(Application, FifosOnTheCardHangNeitherStartUpNorStartNorExit) {
    const char* const fifos[] = {"/mnt/sdcard/fixtrail/config.txt",
                                 "/mnt/sdcard/fixtrail/nmea_0000.nmea",
                                 "/mnt/sdcard/fixtrail/capture"};
    for (const char* fifo : fifos) {
        ASSERT_EQ(::mkfifo(iRoot.Path(fifo).c_str(), 0600), 0) << fifo;
    }
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop);
    Tap(KExit);
    EXPECT_EQ(application.WaitForExit(), 0) << "the program hung";
    // The saved configuration took config.txt's place; the log was never opened.
    EXPECT_EQ(Config(), "logsaving append\nframedecoding no\nlogcounter 1\n");
    struct stat info {};
    ASSERT_EQ(::lstat(iRoot.Path(fifos[1]).c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    ASSERT_EQ(::lstat(iRoot.Path(fifos[2]).c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// The display can come back through the owner word alone, written by a launcher or another
// program: the hidden run is then a shown one, so Stop stops it.
TEST_F(Application, AHiddenRunGivenTheDisplayBackWithoutAMessageCanBeStopped) {
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop);
    Feed(KSentences);
    Tap(KHide);
    ASSERT_TRUE(PollFor([&] { return Owner() == 0; })) << "owner " << Owner();

    // Written in place, as another toolkit process stores into its mapping.
    const int word = ::open(iRoot.Path(KOwnerFilePath).c_str(), O_WRONLY);
    ASSERT_GE(word, 0);
    const std::uint32_t pid = static_cast<std::uint32_t>(application.Pid());
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(pid), static_cast<unsigned char>(pid >> 8),
        static_cast<unsigned char>(pid >> 16), static_cast<unsigned char>(pid >> 24)};
    ASSERT_EQ(::pwrite(word, bytes, sizeof bytes, 0), 4);
    ::close(word);
    // A pass that looked at the word just before it changed could still read the tap while
    // hidden; the next passes are the ones under test.
    SleepMs(300);

    Tap(KStartStop);
    // Stopped: the feed is closed, and the settings take a change and a Save again.
    EXPECT_TRUE(PollFor([&] { return !CFeedWriter(iRoot.Path(KFeedPath)).IsOpen(); }))
        << "the run was not stopped";
    Tap(KNewRadio);
    Tap(KSave);
    const std::string expected = "logsaving new\nframedecoding no\nlogcounter 0\n";
    EXPECT_TRUE(PollFor([&] { return Config() == expected; })) << Config();
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
    const std::string bytes = ReadWholeFile(recording);
    ASSERT_FALSE(bytes.empty());
    const int descriptor = ::open(iRoot.Path(KFeedPath).c_str(), O_RDONLY | O_NONBLOCK);
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

// Without --skin, run takes the build's sample skin from beside bin/ (InstalledTest.cpp covers
// an install prefix).
TEST_F(Application, RunInstallsTheSampleSkinByDefault) {
#ifdef FIXTRAIL_TOOL_EMULATOR
    GTEST_SKIP() << "run starts the ARM program itself, which only the device can execute";
#endif
    CToolRun run("fixtrail-sim", {"run", iRoot.Root()});
    ASSERT_TRUE(PollFor([&] { return Owner() > 0; }));
    const std::string sample = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root/skin/";
    for (const char* name : {"Back.bmp", "ControlFont.txt", "DejaVuSans.ttf"}) {
        const std::string installed = iRoot.Read(std::string("/mnt/sdcard/skin/") + name);
        EXPECT_FALSE(installed.empty()) << name;
        EXPECT_TRUE(installed == ReadWholeFile(sample + name)) << name;
    }
    Tap(KExit);
    EXPECT_EQ(run.Finish(), 0) << run.Err();
}

}  // namespace

// The main screen of the real program as the device shows it, read back from the frame buffer
// with `fixtrail-sim shot` and compared pixel for pixel with reference PNGs, by the rules of
// support/ReferencePicture.h. The start-up references are the README's screenshots in docs/.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "nmea/ReceiverState.h"
#include "support/PngPicture.h"
#include "support/SimulatedApplication.h"

namespace {

const std::string KSourceDir = FIXTRAIL_SOURCE_DIR;
const std::string KOutputDir = std::string(FIXTRAIL_BIN_DIR) + "/";
const std::string KSampleSkin = std::string(FIXTRAIL_BIN_DIR) + "/../skin-root/skin";

// Centres of the main screen's controls (CMainScreen's layout at 480x272).
constexpr TPoint KAppendRadio480{297, 62};
constexpr TPoint KNewRadio480{417, 62};
constexpr TPoint KYesRadio480{297, 82};
constexpr TPoint KStartStop480{61, 247};
constexpr TPoint KExit480{415, 247};

class MainScreenShot : public CSimulatedDeviceTest {
  protected:
    // The sample skin where the program looks for it, on the SD card.
    void InstallSampleSkin() {
        ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/skin"));
        DIR* directory = ::opendir(KSampleSkin.c_str());
        ASSERT_NE(directory, nullptr) << KSampleSkin;
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name[0] != '.') {
                iRoot.Write("/mnt/sdcard/skin/" + name, ReadWholeFile(KSampleSkin + "/" + name));
            }
        }
        ::closedir(directory);
    }

    // Writes the panel's picture to aPath, as PNG or, with aPpm, as PPM.
    bool Shot(const std::string& aPath, bool aPpm) {
        std::vector<std::string> arguments{"shot", iRoot.Root(), aPath};
        if (aPpm) {
            arguments.push_back("--ppm");
        }
        return RunTool("fixtrail-sim", arguments).iStatus == 0;
    }

    bool Shot(TPicture& aPicture) {
        const std::string path = iRoot.Path("/shot.ppm");
        return Shot(path, true) && ReadPpm(path, aPicture);
    }

    // The screen may still be drawing when a test gets here, so it is looked at until it matches
    // or the time is up; the last picture compared is then kept as <aName>_err.ppm.
    void ExpectScreenMatches(const std::string& aReference, const std::string& aName,
                             const TLeftOut& aLeftOut = {}) {
        if (ReferenceMissing(aReference) || ReferenceUpdateRequested()) {
            WriteReference(aReference);
            return;
        }
        TPicture reference;
        ASSERT_TRUE(ReadPng(aReference, reference)) << aReference << " is not a readable PNG";
        const std::string errorPath = KOutputDir + aName + "_err.ppm";
        std::remove(errorPath.c_str());
        TPicture actual;
        std::string differences;
        const bool matched = PollFor([&] {
            differences = Shot(actual) ? DescribeDifferences(actual, reference, aLeftOut)
                                       : "no picture could be taken";
            return differences.empty();
        });
        if (!matched) {
            WritePpm(errorPath, actual);
            ADD_FAILURE() << aReference << ": " << differences << "; the screen is in "
                          << errorPath;
        }
    }

    // A new reference is the screen once it has settled: two pictures in a row alike.
    void WriteReference(const std::string& aReference) {
        TPicture previous;
        TPicture current;
        ASSERT_TRUE(PollFor([&] {
            previous = current;
            SleepMs(200);
            return Shot(current) && !previous.iPixels.empty() &&
                   DescribeDifferences(current, previous).empty();
        })) << "the screen never settled";
        ASSERT_TRUE(Shot(aReference, false));
        std::printf("Reference picture written: %s\n", aReference.c_str());
    }
};

// Size and skin ("none": the fixed font; "sample": the sample skin with its TrueType fonts).
class StartUpScreen : public MainScreenShot,
                      public ::testing::WithParamInterface<std::tuple<std::string, std::string>> {};

TEST_P(StartUpScreen, MatchesTheReference) {
    const std::string size = std::get<0>(GetParam());
    const std::string skin = std::get<1>(GetParam());
    InitDevice(size);
    if (skin == "sample") {
        InstallSampleSkin();
    }
    CApplication application;
    WaitForScreen(application);
    const std::string name = "main-" + size + "-" + skin;
    ExpectScreenMatches(KSourceDir + "/docs/" + name + ".png", name);
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndSkins, StartUpScreen,
    ::testing::Combine(::testing::Values(std::string("320x240"), std::string("480x272")),
                       ::testing::Values(std::string("none"), std::string("sample"))),
    [](const auto& aInfo) {
        return "Size" + std::get<0>(aInfo.param) + "_" + std::get<1>(aInfo.param);
    });

// Centres of the main screen's controls at 320x240.
constexpr TPoint KStartStop320{41, 215};
constexpr TPoint KSave320{119, 215};
constexpr TPoint KYes320{197, 82};
constexpr TPoint KExit320{275, 215};

// A Save that cannot write config.txt (here a FIFO in place of its temporary file, which must
// not hang the program either) says so on the status line; so does the first Exit, and the
// second ends the program unsaved.
TEST_F(MainScreenShot, ASaveThatFailsShowsNotSaved) {
    InitDevice("320x240");
    ASSERT_EQ(::mkfifo(iRoot.Path("/mnt/sdcard/fixtrail/config.txt.tmp").c_str(), 0600), 0);
    CApplication application;
    WaitForScreen(application);
    Tap(KSave320);
    ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/not-saved-320x240-none.png",
                        "not-saved-320x240-none");
    Tap(KExit320);
    ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/not-saved-320x240-none.png",
                        "not-saved-320x240-none");
    Tap(KExit320);
    EXPECT_EQ(application.WaitForExit(), 0);
    EXPECT_FALSE(iRoot.Exists("/mnt/sdcard/fixtrail/config.txt"));
}

// A Start while the feed is missing: the run goes on and says so; once the feed is there the
// run opens it by itself, captures and shows "Running".
TEST_F(MainScreenShot, AStartWithoutItsFeedRunsAndCapturesOnceTheFeedIsThere) {
    InitDevice("320x240");
    ASSERT_EQ(::unlink(iRoot.Path("/var/run/gpsfeed").c_str()), 0);
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop320);
    ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/running-no-feed-320x240-none.png",
                        "running-no-feed-320x240-none");
    ASSERT_TRUE(iRoot.MakeFeed());
    Feed(KSentences);
    const std::string logged =
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n"
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";
    EXPECT_TRUE(PollFor([&] { return Log(0) == logged; })) << Log(0);
    ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/running-fed-320x240-none.png",
                        "running-fed-320x240-none");
}

// A receiver that goes on talking, in sentences that say nothing of its fix, while the screen
// is looked at: however long that takes on a loaded machine, three seconds of silence do not
// turn what the status says into "no data". Only the total changes meanwhile.
class CKeepTalking {
  public:
    static inline const std::string KLogged = "$GPGSV,1,1,00*79\n";  // what each adds to the log

    explicit CKeepTalking(CFeedWriter& aWriter)
        : iThread([this, &aWriter] {
              for (; !iStop; SleepMs(300)) {
                  iSent += aWriter.WriteAll("$GPGSV,1,1,00*79\r\n") ? 1 : 0;
              }
          }) {}
    ~CKeepTalking() { (void)Stop(); }
    CKeepTalking(const CKeepTalking&) = delete;
    CKeepTalking& operator=(const CKeepTalking&) = delete;

    // Stops talking: how many sentences were sent.
    std::size_t Stop() {
        iStop = true;
        if (iThread.joinable()) {
            iThread.join();
        }
        return iSent;
    }

  private:
    std::atomic<bool> iStop{false};
    std::size_t iSent = 0;
    std::thread iThread;
};

// The total's label at 320x240 (column 1, first counter row), left out where it keeps counting.
constexpr TLeftOut KTotal320{5, 125, 73, 25};

// What the receiver says, from real recordings fed through the feed, which stays open: a
// receiver before its first fix, one with a fix, and then silence.
TEST_F(MainScreenShot, TheStatusSaysWhatTheReceiverSays) {
    InitDevice("320x240");
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop320);
    const std::unique_ptr<CFeedWriter> writer = OpenFeedWriter();
    ASSERT_TRUE(writer->IsOpen()) << "the capture never opened the feed";
    std::size_t logged = 0;
    const struct {
        const char* iRecording;
        const char* iPicture;
    } steps[] = {
        {"marineapi_Garmin-GPS15H-nofix.txt", "running-no-fix-320x240-none"},
        {"gpsbabel_track_nmea+ms.txt", "running-fix-320x240-none"},
        {nullptr, "running-no-data-320x240-none"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.iPicture);
        if (step.iRecording != nullptr) {
            const std::string recording = KSourceDir + "/data/" + step.iRecording;
            ASSERT_TRUE(writer->WriteAll(ReadWholeFile(recording))) << "more than the pipe holds";
            CKeepTalking talking(*writer);
            logged += ReadWholeFile(recording + ".raw").size();             // decoding is off
            ASSERT_TRUE(PollFor([&] { return Log(0).size() >= logged; }));  // the rest comes after
            ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/" + step.iPicture + ".png",
                                step.iPicture, KTotal320);
            logged += talking.Stop() * CKeepTalking::KLogged.size();
        } else {
            SleepMs(static_cast<int>(CReceiverState::KSilenceMs) + 500);
            ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/" + step.iPicture + ".png",
                                step.iPicture, KTotal320);
        }
    }
}

// 1,234 sentences on the real program's screen: the counts of four digits, too long for their
// labels in the fixed font at its size, are drawn small enough to fit, each inside its label.
// The picture is the one that stays: the receiver silent after the last sentence.
TEST_F(MainScreenShot, FourDigitCountsAreLegible) {
    InitDevice("320x240");
    CApplication application;
    WaitForScreen(application);
    Tap(KYes320);
    Tap(KStartStop320);
    std::string fed;
    for (int i = 0; i < 617; ++i) {
        fed += KSentences;
    }
    iRoot.Write("/fed.nmea", fed);
    const TToolRun decoded = RunTool("fixtrail-decode", {iRoot.Path("/fed.nmea")});
    ASSERT_EQ(decoded.iStatus, 0);
    Feed(fed);
    ASSERT_TRUE(PollFor([&] { return Log(0) == decoded.iOut; }));
    SleepMs(static_cast<int>(CReceiverState::KSilenceMs) + 500);
    ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/running-1234-320x240-none.png",
                        "running-1234-320x240-none");
}

// A whole session on the larger panel in new-file mode: every Start names a new log, the
// settings cannot change while running, the counters reach the screen, and Exit leaves the
// next number for the next run.
TEST_F(MainScreenShot, NewFileSessionAt480x272) {
    InitDevice("480x272");
    InstallSampleSkin();
    iRoot.Write("/fed.nmea", KSentences);
    const TToolRun decoded = RunTool("fixtrail-decode", {iRoot.Path("/fed.nmea")});
    ASSERT_EQ(decoded.iStatus, 0);
    {
        CApplication application;
        WaitForScreen(application);
        Tap(KNewRadio480);
        Tap(KYesRadio480);
        Tap(KStartStop480);
        Tap(KAppendRadio480);  // ignored while running
        Feed(KSentences);
        EXPECT_TRUE(PollFor([&] { return Log(0) == decoded.iOut; })) << Log(0);
        Tap(KStartStop480);
        ExpectScreenMatches(KSourceDir + "/tests/e2e/reference/stopped-480x272-sample.png",
                            "stopped-480x272-sample");
        Tap(KStartStop480);
        EXPECT_TRUE(PollFor([&] { return iRoot.Exists("/mnt/sdcard/fixtrail/nmea_0001.nmea"); }));
        Tap(KStartStop480);
        Tap(KExit480);
        EXPECT_EQ(application.WaitForExit(), 0);
    }
    EXPECT_EQ(Config(), "logsaving new\nframedecoding yes\nlogcounter 2\n");

    CApplication second;
    WaitForScreen(second);
    Tap(KStartStop480);
    EXPECT_TRUE(PollFor([&] { return iRoot.Exists("/mnt/sdcard/fixtrail/nmea_0002.nmea"); }));
    EXPECT_EQ(Log(0), decoded.iOut) << "an earlier log must stay as it was";
}

// A skin made for the 480x272 unit on a 320x240 one: the top-left part of its background fills
// the screen, and the status line is repainted from it when Start and then Stop change it.
TEST_F(MainScreenShot, SkinMadeForALargerScreen) {
    InitDevice("320x240");
    InstallSampleSkin();
    iRoot.Write("/mnt/sdcard/skin/Back.bmp",
                ReadWholeFile(KSourceDir + "/data/skin-480x272/Back.bmp"));
    CApplication application;
    WaitForScreen(application);
    Tap(KStartStop320);
    Tap(KStartStop320);
    ExpectScreenMatches(KSourceDir + "/docs/main-320x240-skin480x272.png",
                        "main-320x240-skin480x272");
}

}  // namespace

// The programs as users get them, not as the build leaves them: the desktop tools installed by
// `cmake --install` into a temporary prefix, and, in the device's cross build, the SD-card
// bundle packed by CPack and unpacked into a fresh simulated device.

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "Version.h"
#include "support/PngPicture.h"
#include "support/SimulatedApplication.h"
#include "support/TempDirectory.h"

#if defined(FIXTRAIL_INSTALL_BUILD_DIR) || defined(FIXTRAIL_SDCARD_CONFIG)

namespace {

const std::string KSourceDir = FIXTRAIL_SOURCE_DIR;
const std::string KReference320Sample = KSourceDir + "/docs/main-320x240-sample.png";

// Centres of the main screen's controls at 320x240 (CMainScreen's layout).
constexpr TPoint KStartStop{41, 215};
constexpr TPoint KExit{275, 215};

bool IsExecutableFile(const std::string& aPath) {
    struct stat info {};
    return ::stat(aPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(aPath.c_str(), X_OK) == 0;
}

class Installed : public CSimulatedDeviceTest {
  protected:
    // The panel equals aReference once the screen has settled; aShot is the `fixtrail-sim`
    // command that takes the picture, without "shot ROOT OUT". Leaves <aName>_err.ppm in the
    // build's bin/ when it never does.
    void ExpectScreenMatches(const std::vector<std::string>& aShot, const std::string& aReference,
                             const std::string& aName) {
        TPicture reference;
        ASSERT_TRUE(ReadPng(aReference, reference)) << aReference;
        const std::string shotPath = iRoot.Path("/shot.ppm");
        std::vector<std::string> shot = aShot;
        shot.insert(shot.end(), {"shot", iRoot.Root(), shotPath, "--ppm"});
        TPicture actual;
        std::string differences;
        const bool matched = PollFor([&] {
            differences = RunCommand(shot).iStatus == 0 && ReadPpm(shotPath, actual)
                              ? DescribeDifferences(actual, reference)
                              : "no picture could be taken";
            return differences.empty();
        });
        if (!matched) {
            const std::string errorPath = std::string(FIXTRAIL_BIN_DIR) + "/" + aName + "_err.ppm";
            WritePpm(errorPath, actual);
            ADD_FAILURE() << aReference << ": " << differences << "; the screen is in "
                          << errorPath;
        }
    }
};

#ifdef FIXTRAIL_INSTALL_BUILD_DIR

// `cmake --install` into a fresh prefix; then only what is there is used.
TEST_F(Installed, DesktopToolsRunFromATemporaryPrefix) {
    CTempDirectory prefix("installed");
    ASSERT_FALSE(prefix.Path().empty());
    const TToolRun install = RunCommand({FIXTRAIL_CMAKE_COMMAND, "--install",
                                         FIXTRAIL_INSTALL_BUILD_DIR, "--prefix", prefix.Path()});
    ASSERT_EQ(install.iStatus, 0) << install.iOut << install.iErr;
    const std::string bin = prefix.Path() + "/" + FIXTRAIL_INSTALL_BINDIR + "/";
    const std::string man = prefix.Path() + "/" + FIXTRAIL_INSTALL_MANDIR + "/man1/";

    // The manual pages, made from --help, name the version and every sim command.
    for (const char* tool : {"fixtrail-decode", "fixtrail-sim"}) {
        SCOPED_TRACE(tool);
        ASSERT_TRUE(IsExecutableFile(bin + tool));
        const TToolRun version = RunCommand({bin + tool, "--version"});
        EXPECT_EQ(version.iOut, std::string(tool) + " " + FIXTRAIL_VERSION + "\n");
        const std::string page = ReadWholeFile(man + tool + ".1");
        std::string title;
        for (const char* c = tool; *c != '\0'; ++c) {
            title += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        }
        EXPECT_NE(page.find("\n.TH " + title + " \"1\""), std::string::npos) << page.substr(0, 200);
        EXPECT_NE(page.find(std::string(tool) + " " + FIXTRAIL_VERSION), std::string::npos);
    }
    EXPECT_NE(ReadWholeFile(man + "fixtrail-sim.1").find("launcherd"), std::string::npos);

    const std::string recording = KSourceDir + "/data/gpsbabel_track_nmea+ms.txt";
    const TToolRun decoded = RunCommand({bin + "fixtrail-decode", recording});
    EXPECT_EQ(decoded.iStatus, 0);
    EXPECT_TRUE(decoded.iOut == ReadWholeFile(recording + ".decoded"));

    // run finds the application and the sample skin in the prefix: the start-up screen is the
    // sample skin's, fonts included.
    CToolRun run({bin + "fixtrail-sim", "run", iRoot.Root()});
    ASSERT_TRUE(PollFor([&] { return Owner() > 0; })) << "the application never started";
    ExpectScreenMatches({bin + "fixtrail-sim"}, KReference320Sample, "installed-320x240-sample");
    Tap(KExit);
    EXPECT_EQ(run.Finish(), 0) << run.Err();
}

#endif  // FIXTRAIL_INSTALL_BUILD_DIR

#ifdef FIXTRAIL_SDCARD_CONFIG

std::set<std::string> Entries(const std::string& aDirectory) {
    std::set<std::string> names;
    if (DIR* directory = ::opendir(aDirectory.c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.insert(name);
            }
        }
        ::closedir(directory);
    }
    return names;
}

// Packed by CPack as `make sdcard` packs it, unpacked at the card's root of a fresh device whose
// card holds no fixtrail folder yet (the program does not make its own), and run from there.
TEST_F(Installed, SdCardBundleRunsFromTheUnpackedCard) {
    CTempDirectory packages("installed");
    ASSERT_FALSE(packages.Path().empty());
    const TToolRun pack = RunCommand(
        {FIXTRAIL_CPACK_COMMAND, "--config", FIXTRAIL_SDCARD_CONFIG, "-B", packages.Path()});
    ASSERT_EQ(pack.iStatus, 0) << pack.iOut << pack.iErr;
    const std::string archive = packages.Path() + "/" + FIXTRAIL_SDCARD_ARCHIVE;
    ASSERT_EQ(std::string(FIXTRAIL_SDCARD_ARCHIVE), std::string("fixtrail-sdcard-") +
                                                        FIXTRAIL_VERSION + "-" +
                                                        FIXTRAIL_SDCARD_ARCH + ".tar.gz");

    InitDevice();
    iRoot.RemoveDirectory("/mnt/sdcard/fixtrail");
    const std::string card = iRoot.Path("/mnt/sdcard");
    ASSERT_EQ(Entries(card), std::set<std::string>{});
    const TToolRun unpack = RunCommand({"tar", "-xzf", archive, "-C", card});
    ASSERT_EQ(unpack.iStatus, 0) << unpack.iErr;

    EXPECT_EQ(Entries(card), (std::set<std::string>{"fixtrail", "skin"}));
    EXPECT_EQ(Entries(card + "/fixtrail"), (std::set<std::string>{"fixtrail", "README.txt"}));
    const std::set<std::string> skin = Entries(card + "/skin");
    for (const char* name : {"Back.bmp", "ControlFont.txt", "DejaVuSans.ttf", "DejaVuSans-Bold.ttf",
                             "DejaVuFonts-LICENSE.txt"}) {
        EXPECT_EQ(skin.count(name), 1u) << name;
    }
    const std::string program = card + "/fixtrail/fixtrail";
    ASSERT_TRUE(IsExecutableFile(program));

    // Static (no program interpreter) and stripped (no symbol table).
    const TToolRun elf = RunCommand({FIXTRAIL_READELF, "--program-headers", "--sections", program});
    ASSERT_EQ(elf.iStatus, 0) << elf.iErr;
    EXPECT_EQ(elf.iOut.find("INTERP"), std::string::npos);
    EXPECT_EQ(elf.iOut.find(".symtab"), std::string::npos);
    EXPECT_NE(elf.iOut.find(".text"), std::string::npos);
    // Built for the oldest core its bundle names: ARMv7 passing floats in VFP registers, or
    // ARMv5TE with floating point in software calls.
    const TToolRun attributes = RunCommand({FIXTRAIL_READELF, "-A", program});
    ASSERT_EQ(attributes.iStatus, 0) << attributes.iErr;
    const bool hardFloat = std::string(FIXTRAIL_SDCARD_ARCH) == "armhf";
    EXPECT_NE(attributes.iOut.find(hardFloat ? "Tag_CPU_arch: v7\n" : "Tag_CPU_arch: v5TE\n"),
              std::string::npos)
        << attributes.iOut;
    EXPECT_EQ(attributes.iOut.find("Tag_ABI_VFP_args: VFP registers") != std::string::npos,
              hardFloat)
        << attributes.iOut;

    // From the card as the device starts it: no argument, so the skin root is /mnt/sdcard/.
    iRoot.Write("/mnt/sdcard/fixtrail/capture", "");
    CApplication application(TargetCommand(program, {}));
    WaitForScreen(application);
    ExpectScreenMatches(ToolCommand("fixtrail-sim", {}), KReference320Sample,
                        "sdcard-320x240-sample");

    Tap(KStartStop);
    Feed(KSentences);
    const std::string logged =
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\n"
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\n";
    EXPECT_TRUE(PollFor([&] { return Log(0) == logged; })) << Log(0);
    Tap(KStartStop);
    Tap(KExit);
    EXPECT_EQ(application.WaitForExit(), 0);
    EXPECT_EQ(Config(), "logsaving append\nframedecoding no\nlogcounter 1\n");
    bool captured = false;
    for (const std::string& name : Entries(card + "/fixtrail")) {
        captured = captured || (name.rfind("img", 0) == 0 && name.size() == 21);
    }
    EXPECT_TRUE(captured) << "no screen capture in the card's fixtrail folder";
}

#endif  // FIXTRAIL_SDCARD_CONFIG

}  // namespace

#endif  // FIXTRAIL_INSTALL_BUILD_DIR || FIXTRAIL_SDCARD_CONFIG

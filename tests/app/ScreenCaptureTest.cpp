#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/ScreenCapture.h"
#include "support/ForkedRun.h"
#include "support/TempRoot.h"

namespace {

std::vector<std::string> CaptureFiles(const CTempRoot& aRoot, const std::string& aDirectory) {
    std::vector<std::string> names;
    if (DIR* directory = ::opendir(aRoot.Path(aDirectory).c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name.rfind("img", 0) == 0) {
                names.push_back(name);
            }
        }
        ::closedir(directory);
    }
    return names;
}

std::string StampedName(std::time_t aTime) {
    std::tm local{};
    localtime_r(&aTime, &local);
    char name[64];
    std::strftime(name, sizeof name, "img%Y%m%d%H%M%S.raw", &local);
    return name;
}

TEST(ScreenCapture, CopiesTheDisplayMemoryOnlyWhenTheMarkerExists) {
    // Bytes of every value, so that no text-mode translation or early stop goes unnoticed.
    std::string display;
    for (int i = 0; i < 70000; ++i) {
        display.push_back(static_cast<char>(i * 7 + i / 256));
    }
    const struct {
        const char* iLegend;
        const char* iMarker;  // null: no marker
        bool iCaptured;
    } cases[] = {
        {"no marker", nullptr, false},
        {"empty marker", "", true},
        {"marker with content", "anything", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iLegend);
        CTempRoot root;
        root.MakeDirectory("/dev");
        root.Write(KFrameBufferPath, display);
        if (c.iMarker != nullptr) {
            root.Write("/mnt/sdcard/fixtrail/capture", c.iMarker);
        }
        const std::time_t before = std::time(nullptr);
        CaptureScreen("fixtrail");
        const std::time_t after = std::time(nullptr);
        const std::vector<std::string> files = CaptureFiles(root, "/mnt/sdcard/fixtrail");
        if (!c.iCaptured) {
            EXPECT_TRUE(files.empty());
            continue;
        }
        ASSERT_EQ(files.size(), 1u);
        EXPECT_TRUE(files[0] == StampedName(before) || files[0] == StampedName(after)) << files[0];
        EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/" + files[0]), display);
    }
}

// The user reads the name against the device's clock: local time, not UTC. A zone 13:45 east
// of UTC gives another hour whatever the time of day. In a child, so that the zone stays there.
TEST(ScreenCapture, TheNameIsTheLocalTime) {
    CTempRoot root;
    root.MakeDirectory("/dev");
    root.Write(KFrameBufferPath, "pixels");
    root.Write("/mnt/sdcard/fixtrail/capture", "");
    const int status = RunInChild([&root] {
        ::setenv("TZ", "<+1345>-13:45", 1);
        ::tzset();
        const std::time_t before = std::time(nullptr);
        CaptureScreen("fixtrail");
        const std::time_t after = std::time(nullptr);
        const std::vector<std::string> files = CaptureFiles(root, "/mnt/sdcard/fixtrail");
        EXPECT_EQ(files.size(), 1u);
        std::tm utc{};
        gmtime_r(&before, &utc);
        char utcName[64];
        std::strftime(utcName, sizeof utcName, "img%Y%m%d%H%M%S.raw", &utc);
        EXPECT_NE(StampedName(before), utcName);
        for (const std::string& file : files) {
            EXPECT_TRUE(file == StampedName(before) || file == StampedName(after)) << file;
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(ScreenCapture, ASecondCaptureInTheSameSecondReplacesTheFirst) {
    CTempRoot root;
    root.MakeDirectory("/dev");
    root.Write("/mnt/sdcard/fixtrail/capture", "");
    root.Write(KFrameBufferPath, std::string(1000, 'a'));
    CaptureScreen("fixtrail");
    root.Write(KFrameBufferPath, std::string(10, 'b'));
    CaptureScreen("fixtrail");
    const std::vector<std::string> files = CaptureFiles(root, "/mnt/sdcard/fixtrail");
    ASSERT_FALSE(files.empty());
    // Unless the clock turned a second in between, one file holds the second picture.
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/" + files.back()).substr(0, 10),
              std::string(10, 'b'));
    for (const std::string& name : files) {
        const std::string bytes = root.Read("/mnt/sdcard/fixtrail/" + name);
        EXPECT_TRUE(bytes == std::string(10, 'b') || bytes == std::string(1000, 'a')) << name;
    }
}

// A FIFO as the marker would block the open, and with it the Exit, for ever: no capture.
TEST(ScreenCapture, AMarkerThatIsNoRegularFileIsRefusedWithoutBlocking) {
    CTempRoot root;
    root.MakeDirectory("/dev");
    root.Write(KFrameBufferPath, "x");
    ASSERT_EQ(::mkfifo(root.Path("/mnt/sdcard/fixtrail/capture").c_str(), 0600), 0);
    EXPECT_EQ(RunInChild(
                  [] {
                      CaptureScreen("fixtrail");
                      return 0;
                  },
                  5),
              0)
        << "142: the open blocked (SIGALRM)";
    EXPECT_TRUE(CaptureFiles(root, "/mnt/sdcard/fixtrail").empty());
}

TEST(ScreenCapture, FailsQuietly) {
    CTempRoot root;
    root.Write("/mnt/sdcard/fixtrail/capture", "");
    // No display device: nothing is written.
    CaptureScreen("fixtrail");
    EXPECT_TRUE(CaptureFiles(root, "/mnt/sdcard/fixtrail").empty());
    // A name whose paths do not fit, and none at all.
    const std::string longName(200, 'n');
    root.MakeDirectory("/mnt/sdcard/" + longName);
    root.Write("/mnt/sdcard/" + longName + "/capture", "");
    root.MakeDirectory("/dev");
    root.Write(KFrameBufferPath, "x");
    CaptureScreen(longName.c_str());
    EXPECT_TRUE(CaptureFiles(root, "/mnt/sdcard/" + longName).empty());
    CaptureScreen(nullptr);
}

}  // namespace

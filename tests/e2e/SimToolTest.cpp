// fixtrail-sim as the e2e tests and the demo use it: run as a separate program over a device
// root, its files, records and pictures checked byte for byte.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/RawFrameBuffer.h"
#include "platform/VirtualScreen.h"
#include "support/Descriptor.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"

namespace {

struct TToolResult {
    int iStatus;
    std::string iOutput;  // standard output, then standard error
};

TToolResult RunTool(const std::vector<std::string>& aArgs) {
    const TToolRun run = ::RunTool("fixtrail-sim", aArgs);
    return {run.iStatus, run.iOut + run.iErr};
}

// The reading end of a device FIFO, opened without blocking as the application opens it.
class CFifoReader {
  public:
    explicit CFifoReader(const std::string& aPath)
        : iDescriptor(::open(aPath.c_str(), O_RDONLY | O_NONBLOCK)) {}

    bool IsOpen() const { return iDescriptor.IsOpen(); }
    std::string ReadAll() {
        std::string bytes;
        char chunk[256];
        ssize_t count;
        while ((count = ::read(iDescriptor.Get(), chunk, sizeof chunk)) > 0) {
            bytes.append(chunk, static_cast<std::size_t>(count));
        }
        return bytes;
    }

  private:
    CDescriptor iDescriptor;
};

std::string Bytes(std::initializer_list<int> aBytes) {
    std::string bytes;
    for (const int byte : aBytes) {
        bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

char KindOf(const std::string& aPath) {
    struct stat status {};
    if (::lstat(aPath.c_str(), &status) != 0) {
        return '-';
    }
    return S_ISREG(status.st_mode)    ? 'f'
           : S_ISDIR(status.st_mode)  ? 'd'
           : S_ISFIFO(status.st_mode) ? 'p'
                                      : '?';
}

// --- pictures --------------------------------------------------------------------------------

// Different at every neighbour and under every flip, and with fixed colours in the corners so
// that a turned picture shows at once.
std::uint16_t Pattern(int aX, int aY, int aWidth, int aHeight) {
    if (aX == 0 && aY == 0) {
        return 0xffff;  // white, top left
    }
    if (aX == aWidth - 1 && aY == 0) {
        return 0xf800;  // red, top right
    }
    if (aX == 0 && aY == aHeight - 1) {
        return 0x07e0;  // green, bottom left
    }
    if (aX == aWidth - 1 && aY == aHeight - 1) {
        return 0x8410;  // mid grey, bottom right
    }
    return static_cast<std::uint16_t>(aX * 131 + aY * 7919);
}

struct TPicture {
    int iWidth = 0;
    int iHeight = 0;
    std::string iRgb;
    std::uint8_t At(int aX, int aY, int aChannel) const {
        return static_cast<std::uint8_t>(
            iRgb[(static_cast<std::size_t>(aY) * iWidth + aX) * 3 + aChannel]);
    }
};

bool ReadPpm(const std::string& aPath, TPicture* aPicture) {
    const std::string bytes = ReadWholeFile(aPath);
    int consumed = 0;
    if (std::sscanf(bytes.c_str(), "P6 %d %d 255%n", &aPicture->iWidth, &aPicture->iHeight,
                    &consumed) != 2 ||
        consumed == 0) {
        return false;
    }
    aPicture->iRgb = bytes.substr(static_cast<std::size_t>(consumed) + 1);  // one space after 255
    return aPicture->iRgb.size() == static_cast<std::size_t>(aPicture->iWidth) *
                                        static_cast<std::size_t>(aPicture->iHeight) * 3;
}

// Every pixel against the pattern widened to 8 bits by bit replication; one failure per
// picture, with its place, rather than thousands.
void ExpectPicture(const TPicture& aPicture, int aWidth, int aHeight) {
    ASSERT_EQ(aPicture.iWidth, aWidth);
    ASSERT_EQ(aPicture.iHeight, aHeight);
    for (int y = 0; y < aHeight; ++y) {
        for (int x = 0; x < aWidth; ++x) {
            const unsigned pixel = Pattern(x, y, aWidth, aHeight);
            const unsigned red = pixel >> 11, green = (pixel >> 5) & 63, blue = pixel & 31;
            const unsigned expected[3] = {red << 3 | red >> 2, green << 2 | green >> 4,
                                          blue << 3 | blue >> 2};
            for (int channel = 0; channel < 3; ++channel) {
                if (aPicture.At(x, y, channel) != expected[channel]) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << channel << ": "
                                  << int(aPicture.At(x, y, channel)) << ", expected "
                                  << expected[channel];
                    return;
                }
            }
        }
    }
    // The corners, spelt out: the widening keeps full scale at 255.
    const int right = aWidth - 1, bottom = aHeight - 1;
    const int corners[][5] = {{0, 0, 255, 255, 255},
                              {right, 0, 255, 0, 0},
                              {0, bottom, 0, 255, 0},
                              {right, bottom, 132, 130, 132}};
    for (const auto& corner : corners) {
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_EQ(aPicture.At(corner[0], corner[1], channel), corner[2 + channel])
                << "corner (" << corner[0] << ", " << corner[1] << ")";
        }
    }
}

void WriteFrameBuffer(const std::string& aPath, const std::vector<std::uint16_t>& aPixels) {
    std::fstream file(aPath, std::ios::in | std::ios::out | std::ios::binary);
    file.write(reinterpret_cast<const char*>(aPixels.data()),
               static_cast<std::streamsize>(aPixels.size() * sizeof(std::uint16_t)));
}

// --- init ------------------------------------------------------------------------------------

TEST(SimTool, InitLaysOutTheDeviceRoot) {
    CTempRoot temp;
    const std::string root = temp.Root() + "/device";  // not there yet
    const TToolResult run = RunTool({"init", root});
    ASSERT_EQ(run.iStatus, 0) << run.iOutput;

    struct TEntry {
        const char* iPath;
        char iKind;
        const char* iContent;  // null: not checked
    } const entries[] = {
        {"/sys/class/graphics/fb0/virtual_size", 'f', "320,240\n"},
        {"/sys/class/graphics/fb0/bits_per_pixel", 'f', "16\n"},
        {"/proc/orbelia/modelid", 'f', "7\n"},
        {"/dev/fb", 'f', nullptr},
        {"/dev/ts", 'p', nullptr},
        {"/dev/remote", 'p', nullptr},
        {"/var/run/gpsfeed", 'p', nullptr},
        {"/var/run", 'd', nullptr},
        {"/mnt/sdcard/fixtrail", 'd', nullptr},
    };
    for (const TEntry& entry : entries) {
        SCOPED_TRACE(entry.iPath);
        EXPECT_EQ(KindOf(root + entry.iPath), entry.iKind);
        if (entry.iContent != nullptr) {
            EXPECT_EQ(ReadWholeFile(root + entry.iPath), entry.iContent);
        }
    }
    EXPECT_EQ(ReadWholeFile(root + "/dev/fb"), std::string(320 * 240 * 2, '\0'));
}

TEST(SimTool, InitAgainKeepsAnUnchangedScreenAndResizesAnother) {
    CTempRoot temp;
    const std::string& root = temp.Root();
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);
    WriteFrameBuffer(root + "/dev/fb", {0x1234});

    // A running application may have the same-sized file mapped: its picture stays.
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);
    const std::string kept = ReadWholeFile(root + "/dev/fb");
    ASSERT_EQ(kept.size(), 320u * 240 * 2);
    EXPECT_EQ(kept.substr(0, 2), Bytes({0x34, 0x12}));
    EXPECT_EQ(KindOf(root + "/dev/ts"), 'p');

    // A program that maps the old file keeps a whole mapping: a file shrunk under it would
    // give it a bus error at its first write past the new end.
    ASSERT_EQ(RunTool({"init", root, "--size", "640x480"}).iStatus, 0);
    const std::size_t mappedBytes = 640u * 480 * 2;
    const int mapped = ::open((root + "/dev/fb").c_str(), O_RDWR);
    ASSERT_GE(mapped, 0);
    void* memory = ::mmap(nullptr, mappedBytes, PROT_READ | PROT_WRITE, MAP_SHARED, mapped, 0);
    ::close(mapped);
    ASSERT_NE(memory, MAP_FAILED);
    const TToolResult resized = RunTool({"init", root, "--size", "480x272", "--model=8"});
    ASSERT_EQ(resized.iStatus, 0) << resized.iOutput;
    static_cast<volatile char*>(memory)[mappedBytes - 1] = 1;
    ::munmap(memory, mappedBytes);
    EXPECT_EQ(ReadWholeFile(root + "/dev/fb"), std::string(480 * 272 * 2, '\0'));
    EXPECT_EQ(temp.Read("/sys/class/graphics/fb0/virtual_size"), "480,272\n");
    EXPECT_EQ(temp.Read("/proc/orbelia/modelid"), "8\n");

    // Options left out take their defaults again.
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);
    EXPECT_EQ(ReadWholeFile(root + "/dev/fb").size(), 320u * 240 * 2);
    EXPECT_EQ(temp.Read("/proc/orbelia/modelid"), "7\n");
}

// --- command line ----------------------------------------------------------------------------

TEST(SimTool, RejectsBadCommandLinesAndFailsCleanly) {
    CTempRoot temp;
    const std::string bare = temp.Root() + "/bare";  // never initialised
    const std::string root = temp.Root() + "/device";
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);
    const std::string blocked = temp.Root() + "/blocked";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((blocked + "/dev").c_str(), 0755), 0);
    std::ofstream(blocked + "/dev/ts") << "not a pipe";

    struct TCase {
        const char* iLegend;
        std::vector<std::string> iArgs;
        int iStatus;
    } const cases[] = {
        {"no command", {}, 2},
        {"unknown command", {"poke", root}, 2},
        {"missing root", {"init"}, 2},
        {"empty root", {"init", ""}, 2},
        {"extra operand", {"init", root, "more"}, 2},
        {"size without height", {"init", root, "--size", "320"}, 2},
        {"zero width", {"init", root, "--size", "0x240"}, 2},
        {"size with junk", {"init", root, "--size=320x240x"}, 2},
        {"negative model", {"init", root, "--model", "-1"}, 2},
        {"option without value", {"init", root, "--model"}, 2},
        {"unknown option", {"tap", root, "1", "2", "--bogus"}, 2},
        {"flag with value", {"tap", root, "1", "2", "--wait=1"}, 2},
        {"missing Y", {"tap", root, "1"}, 2},
        {"X beyond 16 bits", {"press", root, "32768", "0"}, 2},
        {"Y not a number", {"release", root, "0", "y"}, 2},
        {"code beyond a byte", {"key", root, "256"}, 2},
        {"negative code", {"key", root, "-1"}, 2},
        {"shot without file", {"shot", root}, 2},
        {"zero scale", {"window", root, "--scale", "0"}, 2},
        {"no reader on the remote", {"key", root, "3"}, 1},
        {"no reader on the touch screen", {"tap", root, "1", "2"}, 1},
        {"input into a root never made", {"key", bare, "3"}, 1},
        {"shot of a root never made", {"shot", bare, temp.Root() + "/x.png"}, 1},
        {"a file where a FIFO goes", {"init", blocked}, 1},
        {"input into that file", {"tap", blocked, "1", "2"}, 1},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        const TToolResult run = RunTool(test.iArgs);
        EXPECT_EQ(run.iStatus, test.iStatus) << run.iOutput;
        EXPECT_EQ(run.iOutput.rfind("fixtrail-sim: ", 0), 0u) << run.iOutput;
        if (test.iStatus == 1) {
            EXPECT_EQ(std::count(run.iOutput.begin(), run.iOutput.end(), '\n'), 1) << run.iOutput;
        }
    }
    EXPECT_EQ(KindOf(bare), '-') << "a failing command must not make a root";
}

TEST(SimTool, EveryCommandHasHelp) {
    for (const char* command : {"init", "tap", "press", "release", "key", "shot", "window"}) {
        SCOPED_TRACE(command);
        const TToolResult run = RunTool({command, "--help"});
        EXPECT_EQ(run.iStatus, 0);
        EXPECT_EQ(run.iOutput.rfind(std::string("usage: fixtrail-sim ") + command + " ROOT", 0), 0u)
            << run.iOutput;
    }
    EXPECT_EQ(RunTool({"--help"}).iStatus, 0);
}

// --- input records ---------------------------------------------------------------------------

TEST(SimTool, InputCommandsWriteTheDriversRecords) {
    CTempRoot temp;
    const std::string& root = temp.Root();
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);

    const std::string press1020 = Bytes({1, 0, 10, 0, 20, 0, 0, 0});
    const std::string release1020 = Bytes({0, 0, 10, 0, 20, 0, 0, 0});
    struct TCase {
        const char* iLegend;
        std::vector<std::string> iArgs;
        std::string iTouch;
        std::string iRemote;
    } const cases[] = {
        {"tap: pen down, then up at the same place",
         {"tap", root, "10", "20"},
         press1020 + release1020,
         ""},
        {"press, little-endian, negative y",
         {"press", root, "300", "-2"},
         Bytes({1, 0, 0x2c, 0x01, 0xfe, 0xff, 0, 0}),
         ""},
        {"release at the 16-bit limits",
         {"release", root, "32767", "-32768"},
         Bytes({0, 0, 0xff, 0x7f, 0x00, 0x80, 0, 0}),
         ""},
        {"key: the code at offset 5", {"key", root, "10"}, "", Bytes({0, 0, 0, 0, 0, 10, 0, 0})},
        {"key: unknown code 0", {"key", root, "0"}, "", std::string(8, '\0')},
        {"key: unknown code 255", {"key", root, "255"}, "", Bytes({0, 0, 0, 0, 0, 255, 0, 0})},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CFifoReader touch(root + "/dev/ts");
        CFifoReader remote(root + "/dev/remote");
        ASSERT_TRUE(touch.IsOpen() && remote.IsOpen());
        const TToolResult run = RunTool(test.iArgs);
        ASSERT_EQ(run.iStatus, 0) << run.iOutput;
        EXPECT_EQ(touch.ReadAll(), test.iTouch);
        EXPECT_EQ(remote.ReadAll(), test.iRemote);
    }
}

TEST(SimTool, WaitsForAReaderWhenAsked) {
    CTempRoot temp;
    const std::string& root = temp.Root();
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);
    CToolRun run("fixtrail-sim", {"key", root, "4", "--wait"});
    ::usleep(300 * 1000);  // the tool finds no reader at first
    CFifoReader remote(root + "/dev/remote");
    ASSERT_TRUE(remote.IsOpen());
    ASSERT_EQ(run.Finish(), 0) << run.Err();
    EXPECT_EQ(remote.ReadAll(), Bytes({0, 0, 0, 0, 0, 4, 0, 0}));
}

// --- shot ------------------------------------------------------------------------------------

struct TPanelCase {
    const char* iLegend;
    const char* iSize;  // as the driver reports it
    int iModel;
    bool iRowMajor;  // the panel's memory; otherwise the column layout
    int iWidth;      // the logical landscape screen
    int iHeight;
};

const TPanelCase KPanelCases[] = {
    {"model 7: column layout", "320x240", 7, false, 320, 240},
    {"model 7 reported portrait: still landscape", "240x320", 7, false, 320, 240},
    {"unknown model 12: column layout", "480x272", 12, false, 480, 272},
    {"model 8: row-major at the screen's size", "480x272", 8, true, 480, 272},
    {"model 3: row-major 320 x 240 panel", "320x240", 3, true, 320, 240},
};

// Lays out aRoot with the panel of aCase.
bool InitPanel(const std::string& aRoot, const TPanelCase& aCase) {
    return RunTool({"init", aRoot, "--size", aCase.iSize, "--model", std::to_string(aCase.iModel)})
               .iStatus == 0;
}

TEST(SimTool, ShotShowsTheLogicalPictureOfEachPanelLayout) {
    for (const TPanelCase& test : KPanelCases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot temp;
        const std::string& root = temp.Root();
        ASSERT_TRUE(InitPanel(root, test));
        const int width = test.iWidth, height = test.iHeight;
        std::vector<std::uint16_t> memory(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // Column layout: one run per column, the bottom pixel first.
                const std::size_t index =
                    test.iRowMajor ? static_cast<std::size_t>(y) * width + x
                                   : static_cast<std::size_t>(x) * height + (height - 1 - y);
                memory[index] = Pattern(x, y, width, height);
            }
        }
        WriteFrameBuffer(root + "/dev/fb", memory);

        const TToolResult run = RunTool({"shot", root, root + "/shot.ppm", "--ppm"});
        ASSERT_EQ(run.iStatus, 0) << run.iOutput;
        TPicture picture;
        ASSERT_TRUE(ReadPpm(root + "/shot.ppm", &picture));
        ExpectPicture(picture, width, height);
    }
}

// What the application's virtual screen puts on the device is what the shot shows, for each
// copy method.
TEST(SimTool, ShotMatchesWhatTheVirtualScreenCopiesToTheDevice) {
    for (const TPanelCase& test : KPanelCases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot temp;
        const std::string& root = temp.Root();
        ASSERT_TRUE(InitPanel(root, test));
        {
            CRawFrameBuffer device((root + "/dev/fb").c_str(),
                                   (root + KFrameBufferSizePath).c_str(),
                                   (root + KFrameBufferDepthPath).c_str());
            ASSERT_NE(device.GetBuffer(), nullptr);
            CVirtualScreen screen(&device, test.iModel);
            for (int y = 0; y < test.iHeight; ++y) {
                for (int x = 0; x < test.iWidth; ++x) {
                    const std::uint16_t pixel = Pattern(x, y, test.iWidth, test.iHeight);
                    std::memcpy(screen.GetBuffer() + screen.GetPixelOffset(x, y), &pixel,
                                sizeof pixel);
                }
            }
            screen.Update(false);
        }
        ASSERT_EQ(RunTool({"shot", root, root + "/shot.ppm", "--ppm"}).iStatus, 0);
        TPicture picture;
        ASSERT_TRUE(ReadPpm(root + "/shot.ppm", &picture));
        ExpectPicture(picture, test.iWidth, test.iHeight);
    }
}

TEST(SimTool, ShotWritesAnRgbPng) {
    CTempRoot temp;
    const std::string& root = temp.Root();
    ASSERT_EQ(RunTool({"init", root, "--size", "480x272"}).iStatus, 0);
    const TToolResult run = RunTool({"shot", root, root + "/shot.png"});
    ASSERT_EQ(run.iStatus, 0) << run.iOutput;
    const std::string png = ReadWholeFile(root + "/shot.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}));
    // IHDR first: length 13, width and height big-endian, 8 bits per channel, colour type 2.
    EXPECT_EQ(png.substr(8, 8), Bytes({0, 0, 0, 13, 'I', 'H', 'D', 'R'}));
    EXPECT_EQ(png.substr(16, 10), Bytes({0, 0, 0x01, 0xe0, 0, 0, 0x01, 0x10, 8, 2}));
}

// --- window ----------------------------------------------------------------------------------

TEST(SimTool, WindowRunsHeadless) {
    CTempRoot temp;
    const std::string& root = temp.Root();
    ASSERT_EQ(RunTool({"init", root}).iStatus, 0);
    CScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    const TToolResult run = RunTool({"window", root, "--frames", "3"});
    if (run.iOutput.find("built without a window") != std::string::npos) {
        GTEST_SKIP() << "fixtrail-sim was built without SDL2";
    }
    EXPECT_EQ(run.iStatus, 0) << run.iOutput;
}

}  // namespace

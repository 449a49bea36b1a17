#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/DisplayOwner.h"
#include "platform/FrameBuffer.h"
#include "platform/InputReader.h"
#include "support/DeviceRoot.h"
#include "support/ForkedRun.h"

namespace {

struct TSample {
    std::int16_t iPressure;
    std::int16_t iX;
    std::int16_t iY;
};

std::string TouchRecord(const TSample& aSample) {
    // pressure, x, y, padding: 16-bit fields in the processor's byte order
    const std::int16_t fields[4] = {aSample.iPressure, aSample.iX, aSample.iY, 0x5555};
    std::string record(KInputRecordSize, '\0');
    std::memcpy(&record[0], fields, sizeof fields);
    return record;
}

std::string RemoteRecord(std::uint8_t aCode) {
    std::string record(KInputRecordSize, '\xEE');  // only the code at offset 5 counts
    record[5] = static_cast<char>(aCode);
    return record;
}

// The device end that the driver (here, the test) writes records into.
class CDeviceWriter {
  public:
    explicit CDeviceWriter(const std::string& aHostPath)
        : iDescriptor(::open(aHostPath.c_str(), O_WRONLY | O_NONBLOCK)) {}
    ~CDeviceWriter() {
        if (iDescriptor >= 0) {
            ::close(iDescriptor);
        }
    }
    CDeviceWriter(const CDeviceWriter&) = delete;
    CDeviceWriter& operator=(const CDeviceWriter&) = delete;

    bool Write(const std::string& aBytes) {
        return ::write(iDescriptor, aBytes.data(), aBytes.size()) ==
               static_cast<ssize_t>(aBytes.size());
    }
    // Bytes still queued for a reader.
    int Pending() const {
        int count = -1;
        return ::ioctl(iDescriptor, FIONREAD, &count) == 0 ? count : -1;
    }

  private:
    int iDescriptor;
};

// A device root with a frame buffer and the two input FIFOs.
class CInputRoot : public CTempRoot {
  public:
    CInputRoot() {
        MakeRawFrameBuffer(*this);
        MakeDeviceFifo(*this, KTouchPath);
        MakeDeviceFifo(*this, KRemotePath);
    }
    std::string Touch() const { return Path(KTouchPath); }
    std::string Remote() const { return Path(KRemotePath); }
};

// Runs aBody in a child that owns the display.
int RunAsOwner(const std::function<int()>& aBody) {
    return RunInChild([&] {
        SetActivePid(static_cast<int>(::getpid()));
        return aBody();
    });
}

struct TTouchStep {
    TSample iSample;
    bool iEvent;
};

struct TTouchCase {
    const char* iLegend;
    std::vector<TTouchStep> iSteps;
};

const TTouchCase KTouchCases[] = {
    {"first sample at the origin without pressure is taken for the last one",
     {{{0, 0, 0}, false}, {{0, 4, 4}, false}, {{0, 5, 0}, true}}},
    {"pen held still wandering by up to 4 pixels",
     {{{1, 100, 100}, true},
      {{1, 104, 100}, false},
      {{1, 100, 96}, false},
      {{1, 96, 104}, false},
      {{1, 104, 104}, false}}},
    // Measured from the last sample handed on, not from the last one read.
    {"slow drift", {{{1, 100, 100}, true}, {{1, 104, 100}, false}, {{1, 108, 100}, true}}},
    {"a wander of 5 in either axis",
     {{{1, 100, 100}, true}, {{1, 105, 100}, true}, {{1, 105, 95}, true}, {{1, 100, 95}, true}}},
    {"pen down and up at the same place",
     {{{1, 50, 50}, true}, {{0, 50, 50}, true}, {{1, 50, 50}, true}}},
    {"any change of pressure", {{{1, 10, 10}, true}, {{2, 10, 10}, true}, {{2, 11, 10}, false}}},
    {"negative values keep their sign", {{{-1, -3, -300}, true}, {{-1, -32768, 32767}, true}}},
};

TEST(InputReader, TouchSamplesPassTheJitterFilter) {
    for (const TTouchCase& test : KTouchCases) {
        SCOPED_TRACE(test.iLegend);
        CInputRoot root;
        const int status = RunAsOwner([&] {
            CVXInputReader reader(root.Touch().c_str(), root.Remote().c_str());
            EXPECT_EQ(reader.ScreenHeight(), 240);
            CDeviceWriter touch(root.Touch());
            for (std::size_t i = 0; i < test.iSteps.size(); ++i) {
                const TTouchStep& step = test.iSteps[i];
                SCOPED_TRACE("sample " + std::to_string(i));
                EXPECT_TRUE(touch.Write(TouchRecord(step.iSample)));
                TouchEvent event{-7, -7, -7};
                EXPECT_EQ(reader.ReadTouch(&event), step.iEvent);
                if (step.iEvent) {
                    EXPECT_EQ(event.x, step.iSample.iX);
                    EXPECT_EQ(event.y, step.iSample.iY);
                    EXPECT_EQ(event.pressure, step.iSample.iPressure);
                }
                EXPECT_EQ(touch.Pending(), 0);
            }
            return 0;
        });
        EXPECT_EQ(status, 0);
    }
}

// 2 s of a held pen at 100 Hz, then the lift: the samples the filter drops do not use up the
// call, so the lift comes at the next one; still one event a call.
TEST(InputReader, ALiftAfterAHeldPenComesAtTheNextRead) {
    CInputRoot root;
    const int status = RunAsOwner([&] {
        CVXInputReader reader(root.Touch().c_str(), root.Remote().c_str());
        CDeviceWriter touch(root.Touch());
        TouchEvent event;
        touch.Write(TouchRecord({1, 100, 100}));
        EXPECT_TRUE(reader.ReadTouch(&event));
        std::string held;
        for (int i = 0; i < 200; ++i) {
            held += TouchRecord({1, static_cast<std::int16_t>(100 + i % 3), 100});
        }
        EXPECT_TRUE(touch.Write(held + TouchRecord({0, 101, 100}) + TouchRecord({1, 10, 10})));
        EXPECT_TRUE(reader.ReadTouch(&event));
        EXPECT_EQ(event.pressure, 0);
        EXPECT_EQ(touch.Pending(), KInputRecordSize);
        EXPECT_TRUE(reader.ReadTouch(&event));
        EXPECT_EQ(event.x, 10);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(InputReader, JitterIsMeasuredPerReader) {
    CInputRoot root;
    MakeDeviceFifo(root, "/dev/ts2");
    const int status = RunAsOwner([&] {
        CVXInputReader first(root.Touch().c_str(), root.Remote().c_str());
        CVXInputReader second(root.Path("/dev/ts2").c_str(), root.Remote().c_str());
        CDeviceWriter firstTouch(root.Touch());
        CDeviceWriter secondTouch(root.Path("/dev/ts2"));
        TouchEvent event;
        firstTouch.Write(TouchRecord({1, 100, 100}));
        EXPECT_TRUE(first.ReadTouch(&event));
        // The first reader's pen says nothing about the second reader's device.
        secondTouch.Write(TouchRecord({1, 100, 100}));
        EXPECT_TRUE(second.ReadTouch(&event));
        secondTouch.Write(TouchRecord({0, 0, 0}));
        EXPECT_TRUE(second.ReadTouch(&event));
        firstTouch.Write(TouchRecord({1, 102, 102}));
        EXPECT_FALSE(first.ReadTouch(&event));
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(InputReader, OnlyWholeRecordsAreEvents) {
    CInputRoot root;
    const int status = RunAsOwner([&] {
        CVXInputReader reader(root.Touch().c_str(), root.Remote().c_str());
        CDeviceWriter touch(root.Touch());
        CDeviceWriter remote(root.Remote());
        TouchEvent event;
        int key = 99;
        EXPECT_FALSE(reader.ReadTouch(&event));  // nothing pending
        EXPECT_FALSE(reader.ReadKey(&key));
        EXPECT_EQ(key, 0);

        touch.Write(TouchRecord({1, 20, 30}).substr(0, 5));
        EXPECT_FALSE(reader.ReadTouch(&event));
        EXPECT_EQ(touch.Pending(), 0);  // the piece is gone, the next record starts afresh
        touch.Write(TouchRecord({1, 20, 30}));
        EXPECT_TRUE(reader.ReadTouch(&event));
        EXPECT_EQ(event.x, 20);

        remote.Write(RemoteRecord(3).substr(0, 5));
        key = 99;
        EXPECT_FALSE(reader.ReadKey(&key));
        EXPECT_EQ(key, 0);
        // One and a half records: the whole one, then the rest alone.
        remote.Write(RemoteRecord(3) + RemoteRecord(4).substr(0, 4));
        EXPECT_TRUE(reader.ReadKey(&key));
        EXPECT_EQ(key, 1);
        EXPECT_FALSE(reader.ReadKey(&key));
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(InputReader, RemoteCodesAreTranslatedToKeys) {
    struct TCodeCase {
        std::uint8_t iCode;
        int iKey;
    };
    const TCodeCase cases[] = {{1, 8}, {2, 5},  {3, 1},  {4, 4}, {5, 9},  {6, 7},  {7, 3},
                               {8, 2}, {9, 10}, {10, 6}, {0, 0}, {11, 0}, {255, 0}};
    CInputRoot root;
    const int status = RunAsOwner([&] {
        CVXInputReader reader(root.Touch().c_str(), root.Remote().c_str());
        CDeviceWriter remote(root.Remote());
        for (const TCodeCase& test : cases) {
            SCOPED_TRACE("code " + std::to_string(test.iCode));
            remote.Write(RemoteRecord(test.iCode));
            int key = 99;
            EXPECT_TRUE(reader.ReadKey(&key));  // consumed even when no key is known
            EXPECT_EQ(key, test.iKey);
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(InputReader, RecordsWaitForTheDisplayOwner) {
    CInputRoot root;
    const int status = RunInChild([&] {
        CVXInputReader reader(root.Touch().c_str(), root.Remote().c_str());
        CDeviceWriter touch(root.Touch());
        CDeviceWriter remote(root.Remote());
        touch.Write(TouchRecord({1, 20, 30}));
        remote.Write(RemoteRecord(5));
        for (int owner : {0, static_cast<int>(::getppid())}) {
            SCOPED_TRACE(owner);
            SetActivePid(owner);
            TouchEvent event;
            int key = 99;
            EXPECT_FALSE(reader.ReadTouch(&event));
            EXPECT_FALSE(reader.ReadKey(&key));
            EXPECT_EQ(key, 0);
            EXPECT_EQ(touch.Pending(), KInputRecordSize);
            EXPECT_EQ(remote.Pending(), KInputRecordSize);
        }
        SetActivePid(static_cast<int>(::getpid()));
        TouchEvent event;
        int key = 0;
        EXPECT_TRUE(reader.ReadTouch(&event));
        EXPECT_EQ(event.y, 30);
        EXPECT_TRUE(reader.ReadKey(&key));
        EXPECT_EQ(key, 9);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(InputReader, MissingRemoteLeavesStandardInputAloneAndTouchWorking) {
    CInputRoot root;
    const int status = RunAsOwner([&] {
        // A remote record on standard input: a reader that took descriptor 0 would read it.
        int input[2];
        if (::pipe(input) != 0 || ::dup2(input[0], STDIN_FILENO) < 0) {
            return 2;
        }
        const std::string record = RemoteRecord(3);
        (void)::write(input[1], record.data(), record.size());
        {
            CVXInputReader reader(root.Touch().c_str(), root.Path("/dev/missing").c_str());
            CDeviceWriter touch(root.Touch());
            int key = 99;
            EXPECT_FALSE(reader.ReadKey(&key));
            EXPECT_EQ(key, 0);
            touch.Write(TouchRecord({1, 20, 30}));
            TouchEvent event;
            EXPECT_TRUE(reader.ReadTouch(&event));
        }
        int pending = -1;
        EXPECT_EQ(::ioctl(STDIN_FILENO, FIONREAD, &pending), 0) << "standard input was closed";
        EXPECT_EQ(pending, KInputRecordSize);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(InputReader, MissingTouchDeviceLeavesTheRemoteWorking) {
    CInputRoot root;
    const int status = RunAsOwner([&] {
        CVXInputReader reader(root.Path("/dev/missing").c_str(), root.Remote().c_str());
        CDeviceWriter remote(root.Remote());
        TouchEvent event;
        EXPECT_FALSE(reader.ReadTouch(&event));
        remote.Write(RemoteRecord(10));
        int key = 0;
        EXPECT_TRUE(reader.ReadKey(&key));
        EXPECT_EQ(key, 6);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

// A touch device this process may only read (as the driver's node often is) is opened for
// reading. Root may open anything for writing: the child then gives its rights up first.
TEST(InputReader, ATouchDeviceThatCannotBeWrittenIsStillRead) {
    CInputRoot root;
    ASSERT_EQ(::chmod(root.Root().c_str(), 0755), 0);
    const int status = RunAsOwner([&] {
        (void)GetFrameBuffer();  // the frame buffer is not what this test takes away
        const int keeper = ::open(root.Touch().c_str(), O_RDONLY | O_NONBLOCK);
        CDeviceWriter touch(root.Touch());
        ::close(keeper);
        if (::chmod(root.Touch().c_str(), 0444) != 0) {
            return 2;
        }
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 3;
        }
        EXPECT_LT(::open(root.Touch().c_str(), O_RDWR | O_NONBLOCK), 0);
        CVXInputReader reader(root.Touch().c_str(), root.Remote().c_str());
        EXPECT_TRUE(touch.Write(TouchRecord({1, 120, 80})));
        TouchEvent event{};
        EXPECT_TRUE(reader.ReadTouch(&event));
        EXPECT_EQ(event.x, 120);
        EXPECT_EQ(event.y, 80);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(GetInputReader, ReadsTheDevicesOfTheRoot) {
    CInputRoot root;
    const int status = RunAsOwner([&] {
        MInputReader* reader = GetInputReader();
        EXPECT_EQ(GetInputReader(), reader);
        CDeviceWriter touch(root.Touch());
        CDeviceWriter remote(root.Remote());
        touch.Write(TouchRecord({1, 300, 200}));
        remote.Write(RemoteRecord(7));
        TouchEvent event;
        int key = 0;
        EXPECT_TRUE(reader->ReadTouch(&event));
        EXPECT_EQ(event.x, 300);
        EXPECT_TRUE(reader->ReadKey(&key));
        EXPECT_EQ(key, 3);
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace

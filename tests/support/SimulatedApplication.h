#pragma once

// The real fixtrail program in a simulated device root, and the ways a test reaches it: only
// its device files. Touch records go through `fixtrail-sim tap`, sentences into the feed FIFO;
// what it shows is read back from the frame buffer and the owner word.

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/DevicePath.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"

constexpr int KPollMs = 20000;       // generous: the tests also run under the sanitizers
constexpr unsigned KTestBound = 90;  // seconds; a hung test ends the program instead of CI

inline void SleepMs(int aMs) {
    timespec pause{aMs / 1000, (aMs % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0) {
    }
}

inline long ElapsedMs(const timespec& aStart) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - aStart.tv_sec) * 1000L + (now.tv_nsec - aStart.tv_nsec) / 1000000L;
}

// Checks aCondition every 10 ms until it holds or aMs have passed, however long a check takes.
inline bool PollFor(const std::function<bool()>& aCondition, int aMs = KPollMs) {
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    while (ElapsedMs(start) < aMs) {
        if (aCondition()) {
            return true;
        }
        SleepMs(10);
    }
    return aCondition();
}

namespace SimulatedApplicationDetail {

// The applications running now, for the time-out handler.
inline volatile sig_atomic_t gLivePids[8] = {};

// A test out of time ends here: its destructors will not run, so the programs it started are
// killed first, or they would run on and hold ctest's output pipe open.
inline void OnTestBound(int) {
    for (volatile sig_atomic_t& pid : gLivePids) {
        if (pid > 0) {
            (void)::kill(pid, SIGKILL);
        }
    }
    const char message[] = "the test ran out of time; the application was killed\n";
    (void)!::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(1);
}

inline void Track(pid_t aOld, pid_t aNew) {
    for (volatile sig_atomic_t& pid : gLivePids) {
        if (pid == aOld) {
            pid = aNew;
            return;
        }
    }
}

}  // namespace SimulatedApplicationDetail

// The application as a child process; killed when the test ends with it still running.
class CApplication {
  public:
    CApplication() : CApplication(ToolCommand("fixtrail", {})) {}
    // The program started by the command aCommand (e.g. another copy of it, under the emulator).
    explicit CApplication(const std::vector<std::string>& aCommand)
        : iPid(SpawnQuietCommand(aCommand)) {
        if (iPid > 0) {
            SimulatedApplicationDetail::Track(0, iPid);
        }
    }
    ~CApplication() {
        if (iPid > 0 && !iEnded) {
            (void)::kill(iPid, SIGKILL);
            (void)::waitpid(iPid, nullptr, 0);
        }
        if (iPid > 0) {
            SimulatedApplicationDetail::Track(iPid, 0);
        }
    }
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    pid_t Pid() const { return iPid; }
    // Waits for the program to end: its exit status, -1 when it does not end in time.
    int WaitForExit() {
        if (iPid <= 0) {
            return -1;  // waitpid(-1) would reap any child of the test
        }
        PollFor([this] {
            int status = 0;
            if (!iEnded && ::waitpid(iPid, &status, WNOHANG) == iPid) {
                iEnded = true;
                iStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            return iEnded;
        });
        return iEnded ? iStatus : -1;
    }

  private:
    pid_t iPid;
    bool iEnded = false;
    int iStatus = -1;
};

// A GGA and an RMC sentence as a receiver sends them.
inline const std::string KSentences =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
    "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

struct TPoint {
    int iX;
    int iY;
};

// A fresh device root per test, laid out by `fixtrail-sim init`; a hung test is ended by alarm.
// In a cross build the program and the tools run under the emulator, as every test program.
class CSimulatedDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        struct sigaction timeOut {};
        timeOut.sa_handler = SimulatedApplicationDetail::OnTestBound;
        ::sigemptyset(&timeOut.sa_mask);
        ::sigaction(SIGALRM, &timeOut, nullptr);
        ::alarm(KTestBound);
    }
    void TearDown() override { ::alarm(0); }

    void InitDevice(const std::string& aSize = "320x240") {
        const TToolRun run = RunTool("fixtrail-sim", {"init", iRoot.Root(), "--size", aSize});
        ASSERT_EQ(run.iStatus, 0) << run.iErr;
    }

    void Tap(const TPoint& aPoint) {
        const TToolRun run = RunTool(
            "fixtrail-sim",
            {"tap", iRoot.Root(), std::to_string(aPoint.iX), std::to_string(aPoint.iY), "--wait"});
        ASSERT_EQ(run.iStatus, 0) << run.iErr;
    }

    // The pid in the owner word, 4 bytes little-endian; -1 while it is not there.
    long Owner() const {
        const std::string word = iRoot.Read(KOwnerFilePath);
        if (word.size() < 4) {
            return -1;
        }
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | static_cast<unsigned char>(word[static_cast<std::size_t>(i)]);
        }
        return static_cast<long>(value);
    }

    // Started, owning the display and with its screen in the frame buffer.
    void WaitForScreen(const CApplication& aApplication) {
        ASSERT_GT(aApplication.Pid(), 0);
        ASSERT_TRUE(PollFor([&] { return Owner() == aApplication.Pid(); }));
        ASSERT_TRUE(PollFor([&] {
            return iRoot.Read(KFrameBufferPath).find_first_not_of('\0') != std::string::npos;
        })) << "the start-up screen never reached the frame buffer";
    }

    // A writer of the feed once the capture has opened it; not open when it never did.
    std::unique_ptr<CFeedWriter> OpenFeedWriter() {
        std::unique_ptr<CFeedWriter> writer;
        (void)PollFor([&] {
            writer = std::make_unique<CFeedWriter>(iRoot.Path(KFeedPath));
            return writer->IsOpen();
        });
        return writer;
    }

    // Writes aBytes into the feed once the capture has opened it.
    void Feed(const std::string& aBytes) {
        const std::unique_ptr<CFeedWriter> writer = OpenFeedWriter();
        ASSERT_TRUE(writer->IsOpen()) << "the capture never opened the feed";
        std::size_t sent = 0;
        ASSERT_TRUE(PollFor([&] {
            sent += writer->Write(aBytes.data() + sent, aBytes.size() - sent);
            return sent == aBytes.size();
        }));
    }

    std::string Log(int aNumber) const {
        char name[64];
        std::snprintf(name, sizeof name, "/mnt/sdcard/fixtrail/nmea_%04d.nmea", aNumber);
        return iRoot.Read(name);
    }

    std::string Config() const { return iRoot.Read(KConfigPath); }

    CTempRoot iRoot;
};

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/DisplayOwner.h"
#include "platform/Launcher.h"
#include "platform/ProcessTable.h"
#include "support/ForkedRun.h"
#include "support/LauncherDaemon.h"
#include "support/TempRoot.h"

extern char** environ;

namespace {

int CountEntries() {
    const TProcessTable* table = LaunchedProcesses();
    int count = 0;
    for (int i = 0; table != nullptr && i < KMaxLaunchedProcesses; ++i) {
        count += table->iEntries[i].iPid != 0 ? 1 : 0;
    }
    return count;
}

TEST(ProcessTable, ASlaveLaunchesNothing) {
    CTempRoot root;
    root.Write(KOwnerFilePath, std::string(4, '\0'));  // another process came first
    CLauncherDaemon daemon(root.Root());
    const std::string command = "touch " + root.Path("/made");
    CChildProcess child([&command] {
        (void)GetActivePid();
        EXPECT_EQ(LaunchProcess(command.c_str()), 0);
        EXPECT_EQ(LaunchedProcesses(), nullptr);
        return 0;
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.Output(), "Opening in SLAVE mode\n");
    ::usleep(100000);  // time enough for a launched touch to have run
    EXPECT_FALSE(root.Exists("/made"));
}

TEST(ProcessTable, KeepsLaunchedCommandsAndClearsEndedOnes) {
    CTempRoot root;
    CLauncherDaemon daemon(root.Root());
    CChildProcess child([] {
        (void)GetActivePid();
        const int sleeper = LaunchProcess("sleep 30");
        EXPECT_GT(sleeper, 0);
        EXPECT_EQ(LaunchProcess("sleep 30"), sleeper);  // already running: not launched again

        const int quick = LaunchProcess("exit 0");
        EXPECT_GT(quick, 0);
        SetActivePid(quick);  // it took the display before it ended
        for (int i = 0; i < 500 && CountEntries() == 2; ++i) {
            ::usleep(10000);
            ReapExitedProcesses();
        }
        EXPECT_EQ(CountEntries(), 1);
        EXPECT_EQ(GetActivePid(), 0);
        std::printf("reaped\n");

        // The ended command is free to run again; the other's owner stays untouched.
        SetActivePid(sleeper);
        const int again = LaunchProcess("exit 0");
        EXPECT_GT(again, 0);
        EXPECT_EQ(GetActivePid(), sleeper);
        std::printf("%d %d %d\n", sleeper, quick, again);
        return 0;
    });
    ASSERT_EQ(child.Wait(), 0);
    int sleeper = 0;
    int quick = 0;
    int again = 0;
    const std::string& out = child.Output();
    ASSERT_EQ(std::sscanf(out.c_str() + out.rfind('\n', out.size() - 2) + 1, "%d %d %d", &sleeper,
                          &quick, &again),
              3);
    const std::string expected =
        "Opening in MASTER mode\nchild_pid is " + std::to_string(sleeper) + "\nchild_pid is " +
        std::to_string(quick) + "\nFound zombie process [exit 0] with id " + std::to_string(quick) +
        "\nreaped\nchild_pid is " + std::to_string(again) + "\n";
    EXPECT_EQ(out.substr(0, expected.size()), expected);
}

// True once aPid has ended: gone, or a zombie its parent (the daemon) has not collected yet.
bool HasEnded(int aPid) {
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(aPid) + "/stat");
    const std::size_t end = stat.rfind(')');
    return end == std::string::npos || stat.compare(end, 4, ") Z ") == 0;
}

// A command whose process ended is launched again by LaunchProcess itself, without anyone
// reaping in between: the table is cleared of ended entries before it is searched.
TEST(ProcessTable, ALaunchClearsEndedEntriesFirst) {
    CTempRoot root;
    CLauncherDaemon daemon(root.Root());
    CChildProcess child([] {
        (void)GetActivePid();
        const int first = LaunchProcess("exit 0");
        EXPECT_GT(first, 0);
        for (int i = 0; i < 500 && !HasEnded(first); ++i) {
            ::usleep(10000);
        }
        EXPECT_TRUE(HasEnded(first));
        const int second = LaunchProcess("exit 0");
        EXPECT_GT(second, 0);
        EXPECT_NE(second, first);
        EXPECT_EQ(CountEntries(), 1);
        return 0;
    });
    ASSERT_EQ(child.Wait(), 0);
    EXPECT_NE(child.Output().find("Found zombie process [exit 0]"), std::string::npos)
        << child.Output();
}

TEST(ProcessTable, RefusesAFullTableAndOverlongCommands) {
    CTempRoot root;
    CLauncherDaemon daemon(root.Root());
    CChildProcess child([] {
        (void)GetActivePid();
        std::vector<int> pids;
        for (int i = 0; i < KMaxLaunchedProcesses; ++i) {
            pids.push_back(LaunchProcess(("sleep 30 #" + std::to_string(i)).c_str()));
            EXPECT_GT(pids.back(), 0);
        }
        std::printf("full\n");
        EXPECT_EQ(LaunchProcess("sleep 30 #new"), 0);
        EXPECT_EQ(LaunchProcess("sleep 30 #3"), pids[3]);  // still found when full
        return 0;
    });
    ASSERT_EQ(child.Wait(), 0);
    const std::string& out = child.Output();
    EXPECT_EQ(out.substr(out.find("full\n")), "full\nMaximum (10) processes are running!\n");

    // An entry holds 127 bytes of command; a longer one could never be found again.
    const std::string fits = "sleep 30 #" + std::string(KMaxLaunchCommand - 11, 'x');
    root.RemoveDirectory(KOwnerFilePath);  // the next process is a MASTER again
    CChildProcess lengths([&fits] {
        (void)GetActivePid();
        const std::string tooLong = fits + "x";
        EXPECT_EQ(LaunchProcess(tooLong.c_str()), KLaunchCommandTooLong);
        EXPECT_EQ(CountEntries(), 0);
        const int pid = LaunchProcess(fits.c_str());
        EXPECT_GT(pid, 0);
        EXPECT_EQ(LaunchProcess(fits.c_str()), pid);
        return 0;
    });
    EXPECT_EQ(lengths.Wait(), 0);
    EXPECT_NE(lengths.Output().find("Command too long for the process table (at most 127 "
                                    "bytes)!\n"),
              std::string::npos);
}

TEST(ProcessTable, AFailedLaunchIsReportedAndNotStored) {
    CTempRoot root;  // no daemon
    CChildProcess child([] {
        (void)GetActivePid();
        EXPECT_EQ(LaunchProcess("true"), -1);
        EXPECT_EQ(CountEntries(), 0);
        return 0;
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(child.Output(),
              "Opening in MASTER mode\nchild_pid is -1\nLaunching additional process failed!\n");
}

}  // namespace

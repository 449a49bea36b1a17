#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DisplayOwner.h"
#include "support/DeviceRoot.h"
#include "support/ForkedRun.h"

namespace {

constexpr int KMaster = 10;
constexpr int KSlave = 11;

// Opens the owner word and reports the role this process got.
int OpenAndReportRole() {
    (void)GetActivePid();
    return IsMasterProcess() ? KMaster : KSlave;
}

// A pid that named a process a moment ago and names none now.
pid_t EndedPid() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    int status;
    (void)::waitpid(pid, &status, 0);
    return pid;
}

TEST(DisplayOwner, FirstProcessIsMasterAndLaterOnesAreSlaves) {
    CTempRoot root;
    CChildProcess first([] {
        EXPECT_FALSE(IsMasterProcess());  // no role before the word is opened
        const int role = OpenAndReportRole();
        // Opened once per process: no second role line.
        EXPECT_EQ(GetActivePid(), 0);
        SetActivePid(0);
        EXPECT_FALSE(IsDisplayOwner(true));
        return role;
    });
    EXPECT_EQ(first.Wait(), KMaster);
    EXPECT_EQ(first.Output(), "Opening in MASTER mode\n");
    EXPECT_EQ(root.Read(KOwnerFilePath), std::string(4, '\0'));

    for (int i = 0; i < 2; ++i) {
        CChildProcess later(OpenAndReportRole);
        EXPECT_EQ(later.Wait(), KSlave);
        EXPECT_EQ(later.Output(), "Opening in SLAVE mode\n");
    }
}

TEST(DisplayOwner, OfTwoProcessesStartingTogetherExactlyOneIsMaster) {
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        CTempRoot root;
        CStartGate gate;
        auto body = [&gate] {
            gate.Wait();
            return OpenAndReportRole();
        };
        CChildProcess one(body);
        CChildProcess two(body);
        gate.Open();
        const int roles[] = {one.Wait(), two.Wait()};
        EXPECT_EQ(roles[0] + roles[1], KMaster + KSlave) << roles[0] << " " << roles[1];
        for (const CChildProcess* child : {&one, &two}) {
            const bool master = child == &one ? roles[0] == KMaster : roles[1] == KMaster;
            EXPECT_EQ(child->Output(),
                      master ? "Opening in MASTER mode\n" : "Opening in SLAVE mode\n");
        }
        EXPECT_EQ(root.Read(KOwnerFilePath), std::string(4, '\0'));
    }
}

TEST(DisplayOwner, WordIsSharedBetweenLiveProcesses) {
    CTempRoot root;
    CStartGate firstWrote;
    CStartGate secondWrote;
    // Each waits for the other's store while both keep their mappings.
    CChildProcess first([&] {
        SetActivePid(1111);
        firstWrote.Open();
        secondWrote.Wait();
        EXPECT_EQ(GetActivePid(), 2222);
        return 0;
    });
    CChildProcess second([&] {
        firstWrote.Wait();
        EXPECT_EQ(GetActivePid(), 1111);
        SetActivePid(2222);
        secondWrote.Open();
        return 0;
    });
    // The parent holds neither gate's writing end, or the children would wait for it.
    firstWrote.Open();
    secondWrote.Open();
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(ReadOwnerWord(root), 2222);
}

TEST(DisplayOwner, OwnerTestComparesTheWordWithThisProcess) {
    CTempRoot root;
    const int status = RunInChild([] {
        const int self = static_cast<int>(::getpid());
        for (int owner : {0, self + 1, static_cast<int>(::getppid()), self}) {
            SCOPED_TRACE(owner);
            SetActivePid(owner);
            EXPECT_EQ(GetActivePid(), owner);
            EXPECT_EQ(IsDisplayOwner(true), owner == self);
            EXPECT_TRUE(IsDisplayOwner(false));
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(DisplayOwner, TakesTheDisplayOnlyWhenNoLiveProcessHasIt) {
    struct TCase {
        const char* iLegend;
        std::int32_t iWord;  // -1: this process
        bool iTaken;
    };
    const TCase cases[] = {
        {"nobody", 0, true},
        {"a process that has ended", static_cast<std::int32_t>(EndedPid()), true},
        {"beyond any pid", 0x7FFFFFFF, true},
        {"a live other process", static_cast<std::int32_t>(::getpid()), false},
        {"this process already", -1, true},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot root;
        WriteOwnerWord(root, test.iWord);
        int childPid = 0;
        {
            CChildProcess child([&] {
                if (test.iWord == -1) {
                    SetActivePid(static_cast<int>(::getpid()));
                }
                return TakeDisplayIfFree() ? 1 : 0;
            });
            childPid = child.Pid();
            EXPECT_EQ(child.Wait(), test.iTaken ? 1 : 0);
        }
        EXPECT_EQ(ReadOwnerWord(root), test.iTaken ? childPid : test.iWord);
    }
}

// Disabled until TakeDisplayIfFree stops asking kill() about a negative word: kill(-1, 0)
// probes every process and kill(-n, 0) a process group, so a garbage word that names no process
// keeps the display from a program that runs alone.
TEST(DisplayOwner, NegativeWordNamesNoProcess) {
    for (std::int32_t word : {-1, -static_cast<std::int32_t>(::getpgrp())}) {
        SCOPED_TRACE(word);
        CTempRoot root;
        WriteOwnerWord(root, word);
        EXPECT_EQ(RunInChild([] { return TakeDisplayIfFree() ? 1 : 0; }), 1);
    }
}

TEST(DisplayOwner, LeftoverOwnerFileOfAnyLengthIsUsable) {
    struct TCase {
        const char* iLegend;
        std::string iBytes;
        std::int32_t iWord;
    };
    const TCase cases[] = {
        {"empty", std::string(), 0},
        // Extended with zero bytes, never mapped past its end.
        {"two bytes", std::string("\x39\x30", 2), 0x3039},
        {"three bytes", std::string("\x01\x00\x00", 3), 1},
        {"longer than the word", std::string("\x39\x30\x00\x00garbage", 11), 0x3039},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot root;
        root.Write(KOwnerFilePath, test.iBytes);
        CChildProcess child([&] {
            EXPECT_EQ(GetActivePid(), test.iWord);
            SetActivePid(0x01020304);
            return IsMasterProcess() ? KMaster : KSlave;
        });
        EXPECT_EQ(child.Wait(), KSlave);
        EXPECT_EQ(child.Output(), "Opening in SLAVE mode\n");
        const std::string file = root.Read(KOwnerFilePath);
        EXPECT_GE(file.size(), 4u);
        EXPECT_EQ(ReadOwnerWord(root), 0x01020304);
    }
}

// What other processes do to the file while this one runs: cut it short (no owner, and never a
// fault), remove it (no owner; a later store makes a new one), or replace it by a new file that
// names another process (followed within a few reads).
TEST(DisplayOwner, OwnerFileChangedMidRunIsFollowed) {
    CTempRoot root;
    const int status = RunInChild([&] {
        SetActivePid(static_cast<int>(::getpid()));
        EXPECT_TRUE(IsDisplayOwner(true));
        EXPECT_EQ(::truncate(root.Path(KOwnerFilePath).c_str(), 0), 0);
        EXPECT_EQ(GetActivePid(), 0);
        EXPECT_EQ(::unlink(root.Path(KOwnerFilePath).c_str()), 0);
        SetActivePid(static_cast<int>(::getpid()));
        EXPECT_EQ(ReadOwnerWord(root), static_cast<std::int32_t>(::getpid()));
        const std::int32_t other = 4242;
        root.Write("/var/run/uipidshm.new", std::string(reinterpret_cast<const char*>(&other), 4));
        EXPECT_EQ(
            ::rename(root.Path("/var/run/uipidshm.new").c_str(), root.Path(KOwnerFilePath).c_str()),
            0);
        int seen = 0;
        for (int read = 0; read < 8 && seen != 4242; ++read) {
            seen = GetActivePid();
        }
        EXPECT_EQ(seen, 4242);
        EXPECT_FALSE(IsDisplayOwner(true));
        return 0;
    });
    EXPECT_EQ(status, 0);
}

// An owner that has ended but is not reaped yet still answers kill(): it owns nothing.
TEST(DisplayOwner, AZombieOwnsNothing) {
    CTempRoot root;
    const pid_t zombie = ::fork();
    if (zombie == 0) {
        ::_exit(0);
    }
    ::usleep(50000);  // ended, not reaped
    WriteOwnerWord(root, static_cast<std::int32_t>(zombie));
    EXPECT_EQ(RunInChild([] { return TakeDisplayIfFree() ? 1 : 0; }), 1);
    int raw = 0;
    (void)::waitpid(zombie, &raw, 0);
}

TEST(DisplayOwner, OwnerFileThatCannotBeOpenedEndsTheProcess) {
    {
        SCOPED_TRACE("no run directory");
        CTempRoot root;
        root.RemoveDirectory("/var/run");
        CChildProcess child([] { return GetActivePid() == 0 ? 0 : 2; });
        EXPECT_EQ(child.Wait(), 1);
        EXPECT_EQ(child.Output(), "Error: cannot open uipid file.\n");
    }
    {
        SCOPED_TRACE("a directory in its place");
        CTempRoot root;
        root.MakeDirectory(KOwnerFilePath);
        CChildProcess child([] {
            SetActivePid(1);
            return 0;
        });
        EXPECT_EQ(child.Wait(), 1);
        EXPECT_EQ(child.Output(), "Opening in SLAVE mode\nError: cannot open uipid file.\n");
    }
}

}  // namespace

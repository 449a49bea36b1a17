// fixtrail-sim's launcher daemon and its client commands, run as separate programs over a
// device root.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/LauncherDaemon.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"

extern char** environ;

namespace {

constexpr unsigned KTestBoundSeconds = 60;

class Launcherd : public ::testing::Test {
  protected:
    void SetUp() override {
        ::alarm(KTestBoundSeconds);
        iDaemon = std::make_unique<CLauncherDaemon>(iRoot.Root());
        ASSERT_TRUE(iDaemon->IsReady());
    }
    void TearDown() override {
        iDaemon.reset();
        ::alarm(0);
    }
    int StopDaemon() { return iDaemon->Stop(); }
    TToolRun Sim(const std::string& aCommand, const std::string& aOperand) {
        return RunTool("fixtrail-sim", {aCommand, iRoot.Root(), aOperand});
    }
    // The status line of `wait` once aPid has ended ("PID STATUS"), empty after about 5 s.
    std::string WaitForEnd(const std::string& aPid) {
        for (int i = 0; i < 100; ++i) {
            const TToolRun wait = Sim("wait", aPid);
            if (wait.iOut.compare(0, aPid.size() + 1, aPid + " ") == 0) {
                return wait.iOut;
            }
            ::usleep(50000);
        }
        return "";
    }
    // Gone, or a zombie waiting for whoever inherited it; within about 5 s.
    bool HasEnded(const std::string& aPid) {
        for (int i = 0; i < 100; ++i, ::usleep(50000)) {
            const std::string stat = ReadWholeFile("/proc/" + aPid + "/stat");
            const std::size_t name = stat.rfind(')');
            if (stat.empty() || (name != std::string::npos && stat.compare(name, 3, ") Z") == 0)) {
                return true;
            }
        }
        return false;
    }
    // The daemon's reply to one raw request.
    std::string Ask(const std::string& aRequest) {
        const int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, iRoot.Path("/var/run/launchsock").c_str(),
                     sizeof address.sun_path - 1);
        std::string reply;
        if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::write(client, aRequest.data(), aRequest.size()) ==
                static_cast<ssize_t>(aRequest.size())) {
            (void)::shutdown(client, SHUT_WR);  // a request without NUL ends here
            char buffer[256];
            ssize_t count;
            while ((count = ::read(client, buffer, sizeof buffer)) > 0) {
                reply.append(buffer, static_cast<std::size_t>(count));
            }
        }
        (void)::close(client);
        return reply;
    }

    CTempRoot iRoot;
    std::unique_ptr<CLauncherDaemon> iDaemon;
};

TEST_F(Launcherd, LaunchesWithTheRootWaitsAndKills) {
    const TToolRun launched =
        Sim("launch", "echo \"$FIXTRAIL_ROOT\" > \"$FIXTRAIL_ROOT/env\"; exit 3");
    ASSERT_EQ(launched.iStatus, 0) << launched.iErr;
    const std::string pid = launched.iOut.substr(0, launched.iOut.find('\n'));
    EXPECT_EQ(WaitForEnd(pid), pid + " " + std::to_string(3 << 8) + "\n");
    EXPECT_EQ(iRoot.Read("/env"), iRoot.Root() + "\n");

    // The shell starts a program of its own: the kill must end that one too.
    const TToolRun sleeper =
        Sim("launch", "sleep 30 & echo $! > \"$FIXTRAIL_ROOT/sleep.pid\"; wait");
    ASSERT_EQ(sleeper.iStatus, 0);
    const std::string sleeping = sleeper.iOut.substr(0, sleeper.iOut.find('\n'));
    EXPECT_EQ(Sim("wait", sleeping).iOut, "0 0\n");  // still running
    std::string grandchild;
    for (int i = 0; i < 100 && grandchild.empty(); ++i, ::usleep(50000)) {
        grandchild = iRoot.Read("/sleep.pid");
    }
    ASSERT_FALSE(grandchild.empty());
    grandchild.pop_back();  // the line feed
    const TToolRun killed = Sim("kill", sleeping);
    EXPECT_EQ(killed.iStatus, 0);
    EXPECT_EQ(killed.iOut, "0\n");
    EXPECT_EQ(WaitForEnd(sleeping), sleeping + " " + std::to_string(SIGTERM) + "\n");
    EXPECT_TRUE(HasEnded(grandchild)) << "sleep " << grandchild << " outlived the kill";
    // Only its own children: pid 1 is not one of them.
    EXPECT_EQ(Sim("kill", "1").iOut, "-1\n");
    EXPECT_EQ(Sim("wait", "1").iOut, "-1 0\n");

    // A program left in the background by a shell that has ended ends with the daemon.
    const TToolRun detached = Sim("launch", "sleep 30 & echo $! > \"$FIXTRAIL_ROOT/bg.pid\"");
    const std::string shell = detached.iOut.substr(0, detached.iOut.find('\n'));
    EXPECT_EQ(WaitForEnd(shell), shell + " 0\n");
    std::string background = iRoot.Read("/bg.pid");
    ASSERT_FALSE(background.empty());
    background.pop_back();
    StopDaemon();
    EXPECT_TRUE(HasEnded(background)) << "sleep " << background << " outlived the daemon";
}

TEST_F(Launcherd, AnswersBadRequestsAndRefusesASecondDaemon) {
    struct TCase {
        const char* iLegend;
        std::string iRequest;
        std::string iReply;
    };
    const TCase cases[] = {
        {"unknown word", std::string("HELLO\0", 6), "ERROR"},
        {"wait without pid", std::string("WAIT4 x\0", 8), "ERROR"},
        {"kill of zero", std::string("KILL 0\0", 7), "ERROR"},
        {"no NUL before hang-up", "LAUNCH true", "ERROR"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        EXPECT_EQ(Ask(test.iRequest), test.iReply);
    }
    const TToolRun second = RunTool("fixtrail-sim", {"launcherd", iRoot.Root()});
    EXPECT_EQ(second.iStatus, 1);
    EXPECT_NE(second.iErr.find("already listens"), std::string::npos);

    // Stopped, it removes its socket; the client then fails at once.
    const int status = StopDaemon();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(iRoot.Exists("/var/run/launchsock"));
    const TToolRun orphan = Sim("launch", "true");
    EXPECT_EQ(orphan.iStatus, 1);
    EXPECT_EQ(orphan.iOut, "-1\n");
}

}  // namespace

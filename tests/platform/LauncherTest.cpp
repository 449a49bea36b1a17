#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/Launcher.h"
#include "support/LauncherDaemon.h"
#include "support/TempRoot.h"

extern char** environ;

namespace {

constexpr unsigned KTestBoundSeconds = 30;  // a hung exchange ends the test program

// A daemon that takes one connection, keeps the request and answers aReply (or hangs up
// without a word), for replies the real daemon never gives.
class CFakeDaemon {
  public:
    CFakeDaemon(const std::string& aRoot, std::string aReply, bool aAnswer = true)
        : iReply(std::move(aReply)), iAnswer(aAnswer) {
        iListener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = aRoot + KLauncherSocketPath;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        (void)::unlink(path.c_str());
        if (::bind(iListener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(iListener, 4) == 0) {
            iThread = std::thread([this] { Serve(); });
        }
    }
    ~CFakeDaemon() {
        iStop = true;
        if (iThread.joinable()) {
            iThread.join();
        }
        (void)::close(iListener);
    }
    // The request bytes received, NUL included; empty when no client came. Valid after Join.
    const std::string& Request() {
        iStop = true;
        if (iThread.joinable()) {
            iThread.join();
        }
        return iRequest;
    }

  private:
    void Serve() {
        pollfd ready{iListener, POLLIN, 0};
        while (!iStop && ::poll(&ready, 1, 20) <= 0) {
        }
        if (iStop && ::poll(&ready, 1, 0) <= 0) {
            return;
        }
        const int client = ::accept(iListener, nullptr, nullptr);
        char byte;
        while (::read(client, &byte, 1) == 1) {
            iRequest.push_back(byte);
            if (byte == '\0') {
                break;
            }
        }
        if (iAnswer) {
            (void)::write(client, iReply.data(), iReply.size());
        }
        (void)::close(client);
    }

    std::string iReply;
    bool iAnswer;
    int iListener = -1;
    std::atomic<bool> iStop{false};
    std::thread iThread;
    std::string iRequest;
};

class Launcher : public ::testing::Test {
  protected:
    void SetUp() override { ::alarm(KTestBoundSeconds); }
    void TearDown() override { ::alarm(0); }
    CTempRoot iRoot;
};

// Polls WAIT4 until the daemon reports aPid ended; its status, or -1 after about 5 s.
int WaitForEnd(int aPid) {
    for (int i = 0; i < 500; ++i) {
        int collected = 0;
        int status = 0;
        LauncherWait(aPid, collected, status);
        if (collected == aPid) {
            return status;
        }
        ::usleep(10000);
    }
    return -1;
}

TEST_F(Launcher, LaunchesWaitsAndKillsThroughTheDaemon) {
    CLauncherDaemon daemon(iRoot.Root());
    ASSERT_TRUE(daemon.IsReady());

    const int ended = LauncherLaunch("exit 7");
    ASSERT_GT(ended, 0);
    const int status = WaitForEnd(ended);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);

    const std::string made = iRoot.Path("/made");
    const char* argv[] = {"touch", made.c_str(), nullptr};
    const int touched = LauncherLaunchArgs(argv);
    ASSERT_GT(touched, 0);
    EXPECT_EQ(WaitForEnd(touched), 0);
    EXPECT_TRUE(iRoot.Exists("/made"));

    const int running = LauncherLaunch("sleep 30");
    ASSERT_GT(running, 0);
    int collected = -5;
    int code = -5;
    LauncherWait(running, collected, code);
    EXPECT_NE(collected, running);
    EXPECT_EQ(LauncherKill(running), 0);
    const int killed = WaitForEnd(running);
    ASSERT_TRUE(WIFSIGNALED(killed));
    EXPECT_EQ(WTERMSIG(killed), SIGTERM);
    EXPECT_EQ(LauncherKill(running), -1);  // no longer one of the daemon's
}

TEST_F(Launcher, WithoutADaemonEveryRequestFailsAtOnce) {
    // At once: a connection that could not be made answers -1 to its first look, so no request
    // waits for a reply that cannot come (counted, not timed: the machine may be busy).
    CLauncherConnection connection;
    connection.Open(KLauncherSocketPath);
    EXPECT_EQ(connection.State(), -1);
    char reply[8];
    EXPECT_EQ(connection.Receive(reply, sizeof reply), -1);

    EXPECT_EQ(LauncherLaunch("true"), -1);
    const char* argv[] = {"true", nullptr};
    EXPECT_EQ(LauncherLaunchArgs(argv), -1);
    int collected = 5;
    int status = 5;
    LauncherWait(123, collected, status);
    EXPECT_EQ(collected, 0);
    EXPECT_EQ(LauncherKill(123), -1);
}

enum class TRequest { ELaunch, EArgs, EWait, EKill };

TEST_F(Launcher, ParsesRepliesAndSendsExactRequests) {
    const std::string longReply = "PID 1" + std::string(KLauncherReplySize, ' ');
    struct TCase {
        const char* iLegend;
        TRequest iRequest;
        std::string iReply;
        bool iAnswer;
        int iFirst;   // launch and kill result, or the collected pid
        int iSecond;  // the wait status
        std::string iSent;
    };
    const std::string sentLaunch("LAUNCH run me\0", 14);
    const std::string sentArgs("LAUNCH prog -x y\0", 17);
    const std::string sentWait("WAIT4 77\0", 9);
    const std::string sentKill("KILL 77\0", 8);
    const TCase cases[] = {
        {"pid", TRequest::ELaunch, "PID 123", true, 123, 0, sentLaunch},
        {"no number", TRequest::ELaunch, "PID", true, -1, 0, sentLaunch},
        {"no word", TRequest::ELaunch, "123", true, -1, 0, sentLaunch},
        {"word only", TRequest::ELaunch, "PID x", true, -1, 0, sentLaunch},
        {"out of range", TRequest::ELaunch, "PID 99999999999", true, -1, 0, sentLaunch},
        {"zero is no process", TRequest::ELaunch, "PID 0", true, -1, 0, sentLaunch},
        {"negative is no process", TRequest::ELaunch, "PID -5", true, -1, 0, sentLaunch},
        {"hung up", TRequest::ELaunch, "", false, -1, 0, sentLaunch},
        {"longer than a reply", TRequest::ELaunch, longReply, true, -1, 0, sentLaunch},
        {"argument vector", TRequest::EArgs, "PID 5", true, 5, 0, sentArgs},
        {"argument vector garbage", TRequest::EArgs, "ERROR", true, -1, 0, sentArgs},
        {"ended", TRequest::EWait, "123 0", true, 123, 0, sentWait},
        {"one number", TRequest::EWait, "123", true, 0, 0, sentWait},
        {"garbage", TRequest::EWait, "x y", true, 0, 0, sentWait},
        {"wait hung up", TRequest::EWait, "", false, 0, 0, sentWait},
        {"killed", TRequest::EKill, "0", true, 0, 0, sentKill},
        {"refused", TRequest::EKill, "-1", true, -1, 0, sentKill},
        {"kill garbage", TRequest::EKill, "yes", true, -1, 0, sentKill},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        CFakeDaemon fake(iRoot.Root(), test.iReply, test.iAnswer);
        int first = -9;
        int second = 0;
        const char* argv[] = {"prog", "-x", "y", nullptr};
        switch (test.iRequest) {
            case TRequest::ELaunch:
                first = LauncherLaunch("run me");
                break;
            case TRequest::EArgs:
                first = LauncherLaunchArgs(argv);
                break;
            case TRequest::EWait:
                LauncherWait(77, first, second);
                break;
            case TRequest::EKill:
                first = LauncherKill(77);
                break;
        }
        EXPECT_EQ(first, test.iFirst);
        EXPECT_EQ(second, test.iSecond);
        EXPECT_EQ(fake.Request(), test.iSent);
    }
}

TEST_F(Launcher, AnArgumentVectorMustFitItsBuffer) {
    // "LAUNCH " (7 bytes), the argument and the NUL: 1,016 bytes of argument fill 1,024 exactly.
    for (const std::size_t length : {std::size_t{1016}, std::size_t{1017}, std::size_t{5000}}) {
        SCOPED_TRACE(length);
        CFakeDaemon fake(iRoot.Root(), "PID 9");
        const std::string argument(length, 'a');
        const char* argv[] = {argument.c_str(), nullptr};
        const bool fits = length <= 1016;
        EXPECT_EQ(LauncherLaunchArgs(argv), fits ? 9 : -1);
        EXPECT_EQ(fake.Request().size(), fits ? 1024u : 0u);  // refused before connecting
    }
    CFakeDaemon fake(iRoot.Root(), "PID 9");
    const char* empty[] = {nullptr};
    EXPECT_EQ(LauncherLaunchArgs(empty), -1);
}

}  // namespace

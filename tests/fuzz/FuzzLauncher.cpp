// The launcher client against a fake daemon: a thread of this process listening on the socket
// of a private FIXTRAIL_ROOT made on the first run, which reads each request up to its NUL,
// answers it with one write of the reply the input gives, and hangs up. The input is a series
// of at most 8 exchanges, each a selector byte (its low 2 bits: launch, launch of an argument
// vector, wait or kill), a length byte and that many reply bytes (fewer at the input's end).
// An empty reply is a daemon hanging up without a word. The daemon always answers or hangs up
// at once, so no exchange waits on the client's polling beyond a pause or two.
//
// Checked: every call returns; the daemon received exactly the request the call documents; a
// reply of 128 bytes or more, or none, fails the call; otherwise the result is what the reply
// says read as %d would read it, numbers beyond an int refused: a launch gives the number after
// a leading "PID" when it is positive, or -1; a wait gives both numbers of a reply that starts with
// two, or 0 and 0; a kill gives the leading number, or -1. The reply is parsed up to its first NUL
// only.

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "FuzzSupport.h"
#include "platform/DevicePath.h"
#include "platform/Launcher.h"

namespace {

constexpr int KMaxExchanges = 8;
constexpr int KFuzzPid = 77;

std::string SocketPath() {
    return std::string(gFuzzRoot) + KLauncherSocketPath;
}

class CFakeDaemon {
  public:
    bool Start() {
        iListener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = SocketPath();
        if (iListener < 0 || path.size() >= sizeof address.sun_path) {
            return false;
        }
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        if (bind(iListener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(iListener, 4) != 0) {
            return false;
        }
        iThread = std::thread([this] { Serve(); });
        return true;
    }
    void Stop() {
        iStop = true;
        if (iThread.joinable()) {
            iThread.join();
        }
        if (iListener >= 0) {
            (void)close(iListener);
        }
    }
    // The reply for the next connection; the request it brings is kept for Request().
    void Expect(const std::string& aReply) {
        const std::lock_guard<std::mutex> lock(iMutex);
        iReply = aReply;
        iRequest.clear();
    }
    std::string Request() {
        const std::lock_guard<std::mutex> lock(iMutex);
        return iRequest;
    }

  private:
    void Serve() {
        pollfd ready{iListener, POLLIN, 0};
        while (!iStop) {
            if (poll(&ready, 1, 20) <= 0) {
                continue;
            }
            const int client = accept(iListener, nullptr, nullptr);
            if (client < 0) {
                continue;
            }
            const std::lock_guard<std::mutex> lock(iMutex);
            // The whole request first: unread bytes at the close would reset the connection.
            char byte;
            while (read(client, &byte, 1) == 1) {
                iRequest.push_back(byte);
                if (byte == '\0') {
                    break;
                }
            }
            if (!iReply.empty()) {
                (void)write(client, iReply.data(), iReply.size());
            }
            (void)close(client);
        }
    }

    int iListener = -1;
    std::atomic<bool> iStop{false};
    std::thread iThread;
    std::mutex iMutex;
    std::string iReply;
    std::string iRequest;
};

CFakeDaemon* gDaemon = nullptr;

void StopDaemon() {
    if (gDaemon != nullptr) {
        gDaemon->Stop();
        delete gDaemon;
        gDaemon = nullptr;
    }
}

bool MakeRoot() {
    if (!MakeFuzzRoot("launcher", {"/var", "/var/run"}, true)) {
        return false;
    }
    (void)std::atexit(StopDaemon);  // run before the root's removal, registered earlier
    gDaemon = new CFakeDaemon;
    return gDaemon->Start();
}

// The integer at aText as %d reads it: white space, an optional sign, at least one digit; false
// when there is none or it does not fit an int. Advances aText past it.
bool ScanInt(const char*& aText, int& aValue) {
    const char* text = aText;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    if (*text < '0' || *text > '9') {
        return false;
    }
    long long magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= 1LL << 32) {
            magnitude = magnitude * 10 + (*text - '0');
        }
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX) {
        return false;
    }
    aValue = static_cast<int>(value);
    aText = text;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    static const bool KRootMade = MakeRoot();
    Check(KRootMade);
    std::size_t offset = 0;
    for (int exchange = 0; exchange < KMaxExchanges && offset + 2 <= aSize; ++exchange) {
        const int kind = aData[offset] & 3;
        std::size_t length = aData[offset + 1];
        offset += 2;
        if (length > aSize - offset) {
            length = aSize - offset;
        }
        const std::string reply(reinterpret_cast<const char*>(aData + offset), length);
        offset += length;

        // The reply as the client keeps it: refused when empty or not shorter than its buffer,
        // read up to its first NUL.
        const bool answered = !reply.empty() && reply.size() < KLauncherReplySize;
        const char* text = reply.c_str();
        gDaemon->Expect(reply);
        switch (kind) {
            case 0:
            case 1: {
                int expected = -1;
                const char* number = text + 3;
                if (!answered || std::strncmp(text, "PID", 3) != 0 || !ScanInt(number, expected) ||
                    expected <= 0) {
                    expected = -1;
                }
                int pid;
                if (kind == 0) {
                    pid = LauncherLaunch("run me");
                    Check(gDaemon->Request() == std::string("LAUNCH run me", 14));
                } else {
                    const char* argv[] = {"prog", "-x", "y", nullptr};
                    pid = LauncherLaunchArgs(argv);
                    Check(gDaemon->Request() == std::string("LAUNCH prog -x y", 17));
                }
                Check(pid == expected);
                break;
            }
            case 2: {
                int first = 0;
                int second = 0;
                if (!answered || !ScanInt(text, first) || !ScanInt(text, second)) {
                    first = 0;
                    second = 0;
                }
                int collected = -5;
                int status = -5;
                LauncherWait(KFuzzPid, collected, status);
                Check(gDaemon->Request() == std::string("WAIT4 77", 9));
                Check(collected == first && status == second);
                break;
            }
            default: {
                int expected = -1;
                if (!answered || !ScanInt(text, expected)) {
                    expected = -1;
                }
                Check(LauncherKill(KFuzzPid) == expected);
                Check(gDaemon->Request() == std::string("KILL 77", 8));
                break;
            }
        }
    }
    return 0;
}

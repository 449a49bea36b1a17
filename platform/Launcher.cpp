#include "platform/Launcher.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"
#include "platform/FixedString.h"

namespace {

// "PID %d": the word, any white space, a number. Only a positive number names a process: the
// daemon's own failure is -1, and 0 or another negative number must not reach kill() as a pid
// (it would mean a process group).
bool ParsePidReply(const char* aReply, int& aPid) {
    if (std::strncmp(aReply, "PID", 3) != 0) {
        return false;
    }
    const char* text = aReply + 3;
    int pid = 0;
    if (!ParseInt(text, pid) || pid <= 0) {
        return false;
    }
    aPid = pid;
    return true;
}

// Sends aRequest on a new connection and reads the reply into aReply (KLauncherReplySize
// bytes), polling every aPollUs. The reply length, or -1.
int Exchange(const char* aRequest, char* aReply, int aPollUs) {
    CLauncherConnection* connection = new CLauncherConnection;
    connection->Open(KLauncherSocketPath);
    connection->Send(aRequest);
    // One byte more than a reply may hold: a longer one is refused instead of cut.
    char buffer[KLauncherReplySize + 1];
    int count;
    while ((count = connection->Receive(buffer, KLauncherReplySize)) == 0) {
        ::usleep(static_cast<useconds_t>(aPollUs));
    }
    delete connection;
    if (count < 0 || count >= KLauncherReplySize) {
        return -1;
    }
    std::memcpy(aReply, buffer, static_cast<std::size_t>(count));
    aReply[count] = '\0';
    return count;
}

}  // namespace

void CLauncherConnection::Open(const char* aPath) {
    Close();
    iState = -1;
    const TDevicePath path = DevicePath(aPath);
    const std::size_t length = std::strlen(path.c_str());
    // A path that does not fit the address would connect somewhere else once cut.
    if (!path.IsValid() || length >= sizeof iAddress.sun_path) {
        return;
    }
    iSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (iSocket < 0) {
        return;
    }
    // select's set holds FD_SETSIZE descriptors; a higher one cannot be waited on.
    if (iSocket >= FD_SETSIZE) {
        (void)::close(iSocket);
        iSocket = -1;
        return;
    }
    std::memset(&iAddress, 0, sizeof iAddress);
    iAddress.sun_family = AF_UNIX;
    std::memcpy(iAddress.sun_path, path.c_str(), length + 1);
    // The address's real size: Linux refuses a length beyond sockaddr_un.
    iState = ::connect(iSocket, reinterpret_cast<const sockaddr*>(&iAddress), sizeof iAddress);
}

void CLauncherConnection::Send(const char* aRequest) {
    if (iState == -1) {
        return;
    }
    const std::size_t length = std::strlen(aRequest) + 1;
    // A daemon that has gone away must break the connection, not end this process by SIGPIPE.
    ssize_t written;
    do {
        written = ::send(iSocket, aRequest, length, MSG_NOSIGNAL);
    } while (written < 0 && errno == EINTR);
    if (written < 0 || static_cast<std::size_t>(written) != length) {
        iState = -1;
    }
}

int CLauncherConnection::Receive(char* aBuffer, int aSize) {
    if (iState == -1) {
        return -1;
    }
    FD_ZERO(&iReadSet);
    FD_SET(iSocket, &iReadSet);
    timeval timeout{0, KLauncherSelectTimeoutUs};
    iState = ::select(iSocket + 1, &iReadSet, nullptr, nullptr, &timeout);
    if (iState < 0) {
        if (errno == EINTR) {
            iState = 0;  // a signal is not the daemon's answer: look again
            return 0;
        }
        return -1;
    }
    if (iState == 0) {
        return 0;
    }
    ssize_t count;
    do {
        count = ::read(iSocket, aBuffer, static_cast<std::size_t>(aSize));
    } while (count < 0 && errno == EINTR);
    return count > 0 ? static_cast<int>(count) : -1;
}

void CLauncherConnection::Close() {
    if (iSocket >= 0) {
        (void)::close(iSocket);
        iSocket = -1;
    }
}

int LauncherLaunch(const char* aCommandLine) {
    if (aCommandLine == nullptr) {
        return -1;
    }
    const std::size_t size = std::strlen(aCommandLine) + 8;
    char* request = static_cast<char*>(std::malloc(size));
    if (request == nullptr) {
        return -1;
    }
    (void)std::snprintf(request, size, "LAUNCH %s", aCommandLine);  // sized for it above
    char reply[KLauncherReplySize];
    const int count = Exchange(request, reply, KLauncherLaunchPollUs);
    std::free(request);
    int pid = -1;
    if (count < 0 || !ParsePidReply(reply, pid)) {
        return -1;
    }
    return pid;
}

int LauncherLaunchArgs(const char* const* aArgv) {
    if (aArgv == nullptr || aArgv[0] == nullptr) {
        return -1;
    }
    char request[KLauncherArgsRequestSize];
    std::size_t used = static_cast<std::size_t>(std::snprintf(request, sizeof request, "LAUNCH"));
    for (const char* const* argument = aArgv; *argument != nullptr; ++argument) {
        const std::size_t length = std::strlen(*argument);
        // The space, the argument and the final NUL must all fit.
        if (length + 2 > sizeof request - used) {
            return -1;
        }
        request[used++] = ' ';
        std::memcpy(request + used, *argument, length + 1);
        used += length;
    }
    char reply[KLauncherReplySize];
    int pid = -1;
    if (Exchange(request, reply, KLauncherLaunchPollUs) < 0 || !ParsePidReply(reply, pid)) {
        return -1;
    }
    return pid;
}

void LauncherWait(int aPid, int& aCollectedPid, int& aStatus) {
    aCollectedPid = 0;
    aStatus = 0;
    char request[KLauncherShortRequestSize];
    (void)std::snprintf(request, sizeof request, "WAIT4 %d", aPid);  // fits: 17 at most
    char reply[KLauncherReplySize];
    if (Exchange(request, reply, KLauncherWaitPollUs) < 0) {
        return;
    }
    const char* text = reply;
    int collected = 0;
    int status = 0;
    if (ParseInt(text, collected) && ParseInt(text, status)) {
        aCollectedPid = collected;
        aStatus = status;
    }
}

int LauncherKill(int aPid) {
    char request[KLauncherShortRequestSize];
    (void)std::snprintf(request, sizeof request, "KILL %d", aPid);  // fits: 16 at most
    char reply[KLauncherReplySize];
    if (Exchange(request, reply, KLauncherWaitPollUs) < 0) {
        return -1;
    }
    const char* text = reply;
    int answer = -1;
    return ParseInt(text, answer) ? answer : -1;
}

#include "tools/sim/Launcherd.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "platform/DevicePath.h"
#include "platform/Launcher.h"

namespace {

constexpr int KAcceptPollMs = 100;       // how often the loop looks at the stop flag
constexpr int KRequestTimeoutMs = 2000;  // a client that sends nothing must not stall the rest
constexpr std::size_t KMaxRequest = 65536;

volatile sig_atomic_t gStop = 0;

void OnStopSignal(int) {
    gStop = 1;
}

// The children, by pid: true while running; ended ones keep their wait status until reported.
// Each child leads a process group, which may outlive it (programs its shell put in the
// background): the groups are kept until they are empty, so that the daemon's end reaches them.
struct TChildren {
    std::map<pid_t, bool> iRunning;
    std::map<pid_t, int> iEnded;
    std::set<pid_t> iGroups;

    void Reap() {
        int status = 0;
        pid_t pid;
        while ((pid = ::waitpid(-1, &status, WNOHANG)) > 0) {
            iRunning.erase(pid);
            iEnded[pid] = status;
        }
        // A group id is not reused while the group has members, so one still there is ours.
        for (auto group = iGroups.begin(); group != iGroups.end();) {
            group = ::kill(-*group, 0) != 0 && errno == ESRCH ? iGroups.erase(group) : ++group;
        }
    }
};

// SIGTERM to the child's group, or to the child alone if it has none (setpgid failed).
bool Terminate(pid_t aChild) {
    return ::kill(-aChild, SIGTERM) == 0 || ::kill(aChild, SIGTERM) == 0;
}

bool ParsePid(const char* aText, pid_t& aPid) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(aText, &end, 10);
    if (end == aText || *end != '\0' || errno == ERANGE || value <= 0 || value > INT_MAX) {
        return false;
    }
    aPid = static_cast<pid_t>(value);
    return true;
}

pid_t Launch(const char* aCommandLine) {
    // Held back over the fork: a stop signal that reaches the child before it has its own
    // dispositions would otherwise run the daemon's handler there and be lost.
    sigset_t stopSignals;
    sigset_t previous;
    ::sigemptyset(&stopSignals);
    ::sigaddset(&stopSignals, SIGTERM);
    ::sigaddset(&stopSignals, SIGINT);
    ::sigprocmask(SIG_BLOCK, &stopSignals, &previous);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Ignored signals stay ignored across exec; the program gets the defaults.
        (void)::signal(SIGPIPE, SIG_DFL);
        (void)::signal(SIGTERM, SIG_DFL);
        (void)::signal(SIGINT, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        // Its own process group: a kill must also reach what the shell started.
        (void)::setpgid(0, 0);
        ::execl("/bin/sh", "sh", "-c", aCommandLine, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid > 0) {
        (void)::setpgid(pid, pid);  // set on both sides, whichever runs first
    }
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    return pid;
}

std::string Answer(const std::string& aRequest, TChildren& aChildren) {
    char reply[KLauncherReplySize];  // every reply fits, two numbers at the most
    const char* request = aRequest.c_str();
    pid_t pid = 0;
    aChildren.Reap();
    if (std::strncmp(request, "LAUNCH ", 7) == 0) {
        const pid_t child = Launch(request + 7);
        if (child > 0) {
            aChildren.iRunning[child] = true;
            aChildren.iGroups.insert(child);
        }
        (void)std::snprintf(reply, sizeof reply, "PID %d",
                            child > 0 ? static_cast<int>(child) : -1);
    } else if (std::strncmp(request, "WAIT4 ", 6) == 0 && ParsePid(request + 6, pid)) {
        const auto ended = aChildren.iEnded.find(pid);
        if (ended != aChildren.iEnded.end()) {
            (void)std::snprintf(reply, sizeof reply, "%d %d", static_cast<int>(pid), ended->second);
            aChildren.iEnded.erase(ended);
        } else {
            (void)std::snprintf(reply, sizeof reply, "%d 0",
                                aChildren.iRunning.count(pid) ? 0 : -1);
        }
    } else if (std::strncmp(request, "KILL ", 5) == 0 && ParsePid(request + 5, pid)) {
        // Only its own children: a client must not reach any other process on the host.
        const bool own = aChildren.iRunning.count(pid) != 0;
        (void)std::snprintf(reply, sizeof reply, "%d", own && Terminate(pid) ? 0 : -1);
    } else {
        (void)std::snprintf(reply, sizeof reply, "ERROR");
    }
    return reply;
}

// Reads one request up to its NUL. False when the client closes, stalls or sends too much.
bool ReadRequest(int aClient, std::string& aRequest) {
    char chunk[512];
    while (aRequest.size() < KMaxRequest) {
        pollfd ready{aClient, POLLIN, 0};
        const int polled = ::poll(&ready, 1, KRequestTimeoutMs);
        if (polled < 0 && errno == EINTR && !gStop) {
            continue;
        }
        if (polled <= 0) {
            return false;
        }
        const ssize_t count = ::read(aClient, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        const void* nul = std::memchr(chunk, '\0', static_cast<std::size_t>(count));
        if (nul != nullptr) {
            aRequest.append(chunk, static_cast<const char*>(nul) - chunk);
            return true;
        }
        aRequest.append(chunk, static_cast<std::size_t>(count));
    }
    return false;
}

void Serve(int aClient, TChildren& aChildren) {
    std::string request;
    const std::string reply = ReadRequest(aClient, request) ? Answer(request, aChildren) : "ERROR";
    (void)::send(aClient, reply.data(), reply.size(), MSG_NOSIGNAL);
    (void)::close(aClient);
}

}  // namespace

bool RunLauncherDaemon(const std::string& aRoot, std::string* aError) {
    if (::setenv(KDeviceRootVariable, aRoot.c_str(), 1) != 0) {
        *aError = "cannot set " + std::string(KDeviceRootVariable);
        return false;
    }
    const std::string path = DevicePath(KLauncherSocketPath).c_str();
    // Bound under a private name and renamed into place once listening, so that a client that
    // sees the socket can connect to it.
    const std::string temporary = path + "." + std::to_string(::getpid());
    sockaddr_un address{};
    if (path.empty() || temporary.size() >= sizeof address.sun_path) {
        *aError = "socket path too long for a local socket: " + path;
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, temporary.c_str(), temporary.size() + 1);

    // A daemon already answering there is left alone; a socket left by an ended one is replaced.
    CLauncherConnection probe;
    probe.Open(KLauncherSocketPath);
    if (probe.State() == 0) {
        *aError = "a launcher daemon already listens on " + path;
        return false;
    }
    probe.Close();

    // Close-on-exec: the launched programs must not hold the daemon's sockets.
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        *aError = std::string("cannot create a socket: ") + std::strerror(errno);
        return false;
    }
    (void)::unlink(temporary.c_str());
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        *aError = "cannot listen on " + path + ": " + std::strerror(errno);
        (void)::unlink(temporary.c_str());
        (void)::close(listener);
        return false;
    }

    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    ::sigemptyset(&stop.sa_mask);
    ::sigaction(SIGTERM, &stop, nullptr);
    ::sigaction(SIGINT, &stop, nullptr);
    (void)::signal(SIGPIPE, SIG_IGN);
    std::printf("launcherd: listening on %s\n", path.c_str());
    (void)std::fflush(stdout);  // the line is for whoever started it; it may have gone

    TChildren children;
    while (!gStop) {
        pollfd ready{listener, POLLIN, 0};
        const int polled = ::poll(&ready, 1, KAcceptPollMs);
        children.Reap();
        if (polled <= 0) {
            continue;
        }
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Serve(client, children);
        }
    }

    (void)::unlink(path.c_str());
    (void)::close(listener);
    children.Reap();
    for (const pid_t group : children.iGroups) {
        (void)Terminate(group);
    }
    for (const auto& child : children.iRunning) {
        int status;
        (void)::waitpid(child.first, &status, 0);
    }
    return true;
}

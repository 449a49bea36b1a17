#pragma once

#include <sys/select.h>
#include <sys/un.h>

#include "platform/DevicePath.h"

// Client of the launcher daemon: toolkit processes never fork programs themselves, they ask the
// daemon on /var/run/launchsock. One short-lived connection per request; the request is ASCII
// text sent with its terminating NUL, the reply one short text without terminator.
//
// There is no overall time limit: a request waits until the daemon answers, closes the
// connection or the connection breaks. A daemon that keeps the connection open without
// answering blocks the caller; that is the daemon's contract to keep, not ours to guess a limit.

constexpr int KLauncherReplySize = 128;         // a reply holds fewer than this many bytes
constexpr int KLauncherArgsRequestSize = 1024;  // composed argument-vector requests must fit
constexpr int KLauncherShortRequestSize = 128;  // WAIT4 and KILL requests
constexpr int KLauncherLaunchPollUs = 10000;    // pause between reads for a launch reply
constexpr int KLauncherWaitPollUs = 1000;       // pause between reads for a wait or kill reply
constexpr long KLauncherSelectTimeoutUs = 100;  // how long one receive waits for data

// One request's connection. The state is the result of the last connect or select; -1 marks a
// broken connection, after which Send does nothing and Receive returns -1.
class CLauncherConnection {
  public:
    CLauncherConnection() = default;
    ~CLauncherConnection() { Close(); }
    CLauncherConnection(const CLauncherConnection&) = delete;
    CLauncherConnection& operator=(const CLauncherConnection&) = delete;

    // Connects to the device path aPath (redirected under FIXTRAIL_ROOT). Reports nothing: a
    // failure leaves the state at -1.
    void Open(const char* aPath);
    // Writes aRequest and its NUL in one write; a failed or short write breaks the connection.
    void Send(const char* aRequest);
    // Waits KLauncherSelectTimeoutUs for data, then reads at most aSize bytes into aBuffer:
    // the count, 0 when nothing has arrived yet, -1 when the connection is broken or closed.
    int Receive(char* aBuffer, int aSize);
    void Close();

    int State() const { return iState; }

  private:
    int iSocket = -1;
    sockaddr_un iAddress{};
    int iState = -1;
    fd_set iReadSet{};
};

// Starts aCommandLine; the new pid, or -1.
int LauncherLaunch(const char* aCommandLine);
// Starts the program of aArgv (strings ended by a null pointer), sent joined with single
// spaces; the new pid, or -1. -1 without contacting the daemon when the vector is empty or the
// request does not fit KLauncherArgsRequestSize bytes.
int LauncherLaunchArgs(const char* const* aArgv);
// Asks whether aPid has ended: aCollectedPid equals aPid once it has, with its status in
// aStatus. Both are 0 unless the reply held two integers.
void LauncherWait(int aPid, int& aCollectedPid, int& aStatus);
// Asks the daemon to kill aPid; its integer answer, or -1.
int LauncherKill(int aPid);

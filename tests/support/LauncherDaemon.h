#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/Launcher.h"
#include "support/ToolRun.h"

// The simulator's launcher daemon on a device root, started as its own process (under the
// emulator in cross builds) and ended with SIGTERM, which ends its children too.
class CLauncherDaemon {
  public:
    explicit CLauncherDaemon(const std::string& aRoot)
        : iPid(SpawnQuietTool("fixtrail-sim", {"launcherd", aRoot})) {
        // The daemon renames its socket into place once it listens.
        const std::string socket = aRoot + KLauncherSocketPath;
        for (int i = 0; i < 1000 && iPid > 0 && ::access(socket.c_str(), F_OK) != 0; ++i) {
            ::usleep(10000);
        }
        iReady = ::access(socket.c_str(), F_OK) == 0;
    }
    ~CLauncherDaemon() { Stop(); }
    CLauncherDaemon(const CLauncherDaemon&) = delete;
    CLauncherDaemon& operator=(const CLauncherDaemon&) = delete;

    bool IsReady() const { return iReady; }
    // Ends the daemon; its wait status, -1 when it was not running.
    int Stop() {
        int status = -1;
        if (iPid > 0) {
            (void)::kill(iPid, SIGTERM);
            (void)::waitpid(iPid, &status, 0);
            iPid = -1;
        }
        return status;
    }

  private:
    pid_t iPid;
    bool iReady = false;
};

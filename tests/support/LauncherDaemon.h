#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Launcher.h"

extern char** environ;

// The simulator's launcher daemon on a device root, started as its own process (under the
// emulator in cross builds) and ended with SIGTERM, which ends its children too.
class CLauncherDaemon {
  public:
    explicit CLauncherDaemon(const std::string& aRoot) {
        std::vector<std::string> words;
#ifdef FIXTRAIL_TOOL_EMULATOR
        words.push_back(FIXTRAIL_TOOL_EMULATOR);
#endif
        words.push_back(std::string(FIXTRAIL_BIN_DIR) + "/fixtrail-sim");
        words.push_back("launcherd");
        words.push_back(aRoot);
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (::posix_spawnp(&iPid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            iPid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        // The daemon renames its socket into place once it listens.
        const std::string socket = aRoot + KLauncherSocketPath;
        for (int i = 0; i < 1000 && iPid > 0 && ::access(socket.c_str(), F_OK) != 0; ++i) {
            ::usleep(10000);
        }
        iReady = ::access(socket.c_str(), F_OK) == 0;
    }
    ~CLauncherDaemon() {
        Stop();
    }
    CLauncherDaemon(const CLauncherDaemon&) = delete;
    CLauncherDaemon& operator=(const CLauncherDaemon&) = delete;

    bool IsReady() const {
        return iReady;
    }
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
    pid_t iPid = -1;
    bool iReady = false;
};

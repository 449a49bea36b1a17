#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/DevicePath.h"
#include "tools/sim/SimRun.h"

extern char** environ;

namespace {

bool CopyFile(const std::string& aFrom, const std::string& aTo, std::string* aError) {
    std::ifstream in(aFrom, std::ios::binary);
    std::ofstream out(aTo, std::ios::binary | std::ios::trunc);
    if (!in || !out || !(out << in.rdbuf())) {
        *aError = "cannot copy " + aFrom + " to " + aTo;
        return false;
    }
    return true;
}

int WaitStatus(pid_t aPid) {
    int status = 0;
    while (::waitpid(aPid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

pid_t Spawn(char** aArgv, std::string* aError) {
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, aArgv[0], nullptr, nullptr, aArgv, environ);
    if (error != 0) {
        *aError = std::string("cannot start ") + aArgv[0] + ": " + std::strerror(error);
        return -1;
    }
    return pid;
}

}  // namespace

bool CopySkin(const std::string& aFrom, const std::string& aTo, std::string* aError) {
    DIR* directory = ::opendir(aFrom.c_str());
    if (directory == nullptr) {
        *aError = "cannot read the skin directory " + aFrom + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::mkdir(aTo.c_str(), 0755) == 0 || errno == EEXIST;
    if (!ok) {
        *aError = "cannot make " + aTo + ": " + std::strerror(errno);
    }
    while (ok) {
        const dirent* entry = ::readdir(directory);
        if (entry == nullptr) {
            break;
        }
        const std::string from = aFrom + "/" + entry->d_name;
        struct stat info {};
        if (::stat(from.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            ok = CopyFile(from, aTo + "/" + entry->d_name, aError);
        }
    }
    ::closedir(directory);
    return ok;
}

int RunApplication(const std::string& aProgram, const std::string& aRoot,
                   const std::vector<std::string>& aArguments, bool aWindow, int aScale,
                   std::string* aError) {
    if (::setenv(KDeviceRootVariable, aRoot.c_str(), 1) != 0) {
        *aError = std::string("cannot set ") + KDeviceRootVariable;
        return -1;
    }
    std::vector<std::string> words{aProgram};
    words.insert(words.end(), aArguments.begin(), aArguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t application = Spawn(argv.data(), aError);
    if (application < 0) {
        return -1;
    }
    if (!aWindow) {
        return WaitStatus(application);
    }
    // The window runs as a second child, so that whichever ends first ends the other: closing
    // the window takes the panel away, and an application that exits leaves nothing to show.
    std::string tool = OwnDirectory() + "/fixtrail-sim";
    std::string command = "window";
    std::string root = aRoot;
    std::string scaleOption = "--scale";
    std::string scale = std::to_string(aScale);
    char* windowArgv[] = {tool.data(),        command.data(), root.data(),
                          scaleOption.data(), scale.data(),   nullptr};
    const pid_t window = Spawn(windowArgv, aError);
    if (window < 0) {
        (void)::kill(application, SIGTERM);
        (void)WaitStatus(application);
        return -1;
    }
    int status = 0;
    pid_t ended;
    while ((ended = ::waitpid(-1, &status, 0)) != application && ended != window) {
        if (ended < 0 && errno != EINTR) {
            *aError = std::string("cannot wait for the application: ") + std::strerror(errno);
            return -1;
        }
    }
    if (ended == window) {
        (void)::kill(application, SIGTERM);
        return WaitStatus(application);
    }
    (void)::kill(window, SIGTERM);
    (void)WaitStatus(window);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string OwnDirectory() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string own(path, static_cast<std::size_t>(length));
    const std::size_t slash = own.rfind('/');
    return slash == std::string::npos ? "." : own.substr(0, slash);
}

bool LocateSimFiles(const std::string& aOwnDirectory, const std::string& aInstalledProgram,
                    const std::string& aInstalledSkin, TSimFiles* aFiles, std::string* aError) {
    const TSimFiles layouts[] = {
        {aOwnDirectory + "/fixtrail", aOwnDirectory + "/../skin-root/skin"},
        {aOwnDirectory + "/" + aInstalledProgram, aOwnDirectory + "/" + aInstalledSkin},
    };
    for (const TSimFiles& layout : layouts) {
        if (::access(layout.iProgram.c_str(), X_OK) == 0) {
            *aFiles = layout;
            return true;
        }
    }
    *aError = "cannot find the application: neither " + layouts[0].iProgram + " nor " +
              layouts[1].iProgram + " can be run";
    return false;
}

#include "platform/ProcessTable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DisplayOwner.h"
#include "platform/Launcher.h"

namespace {

TProcessTable* gTable = nullptr;

}  // namespace

const TProcessTable* LaunchedProcesses() {
    return gTable;
}

void ReapExitedProcesses() {
    if (gTable == nullptr) {
        return;
    }
    for (TLaunchedProcess& entry : gTable->iEntries) {
        if (entry.iPid == 0) {
            continue;
        }
        int collected = 0;
        int status = 0;
        LauncherWait(entry.iPid, collected, status);
        if (collected != entry.iPid) {
            continue;
        }
        std::printf("Found zombie process [%s] with id %d\n", entry.iCommand,
                    static_cast<int>(entry.iPid));
        if (GetActivePid() == entry.iPid) {
            SetActivePid(0);
        }
        entry.iCommand[0] = '\0';
        entry.iPid = 0;
    }
}

int LaunchProcess(const char* aCommand) {
    if (!IsMasterProcess()) {
        return 0;
    }
    if (gTable == nullptr) {
        gTable = static_cast<TProcessTable*>(std::calloc(1, sizeof(TProcessTable)));
        if (gTable == nullptr) {
            return 0;
        }
    }
    if (aCommand == nullptr) {
        return -1;
    }
    if (std::strlen(aCommand) >= KMaxLaunchCommand) {
        std::printf("Command too long for the process table (at most %d bytes)!\n",
                    KMaxLaunchCommand - 1);
        return KLaunchCommandTooLong;
    }
    ReapExitedProcesses();
    for (const TLaunchedProcess& entry : gTable->iEntries) {
        if (entry.iPid != 0 && std::strcmp(entry.iCommand, aCommand) == 0) {
            return entry.iPid;
        }
    }
    TLaunchedProcess* free = nullptr;
    for (TLaunchedProcess& entry : gTable->iEntries) {
        if (entry.iPid == 0) {
            free = &entry;
            break;
        }
    }
    if (free == nullptr) {
        std::printf("Maximum (%d) processes are running!\n", KMaxLaunchedProcesses);
        return 0;
    }
    const int pid = LauncherLaunch(aCommand);
    std::printf("child_pid is %d\n", pid);
    if (pid > 0) {
        free->iPid = pid;
        std::memcpy(free->iCommand, aCommand, std::strlen(aCommand) + 1);
    } else {
        std::puts("Launching additional process failed!");
    }
    return pid;
}

#pragma once

#include <cstdint>

// The programs the MASTER process has launched through the launcher daemon, at most
// KMaxLaunchedProcesses at once, so that the same command is not started twice and ended ones
// are noticed. Created on first use, zeroed; lives until the process ends.

constexpr int KMaxLaunchedProcesses = 10;
constexpr int KMaxLaunchCommand = 128;  // an entry's command, its NUL included

struct TLaunchedProcess {
    char iCommand[KMaxLaunchCommand];  // NUL-terminated; empty in a free entry
    std::int32_t iPid;                 // 0 marks a free entry
};

struct TProcessTable {
    TLaunchedProcess iEntries[KMaxLaunchedProcesses];
};
static_assert(sizeof(TProcessTable) == 1320, "the table's layout is fixed");

// Result of LaunchProcess for a command that cannot be kept in an entry.
constexpr int KLaunchCommandTooLong = -1;

// Starts aCommand through the launcher unless the table already holds it, whose pid is then
// returned. 0 in a SLAVE process, without a table or with a full table; the launcher's result
// (<= 0) when launching fails; KLaunchCommandTooLong, without launching, for a command of
// KMaxLaunchCommand bytes or more, which no entry could hold and so never match again.
int LaunchProcess(const char* aCommand);
// Clears the entries whose processes have ended; an ended display owner leaves the owner word 0.
void ReapExitedProcesses();
// The table, or null before the first launch in the MASTER.
const TProcessTable* LaunchedProcesses();

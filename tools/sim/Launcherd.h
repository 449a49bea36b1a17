#pragma once

#include <string>

// The simulated device's launcher daemon: listens on ROOT/var/run/launchsock and answers one
// NUL-terminated request per connection with one short reply:
//   LAUNCH command line  ->  "PID n"   (n = -1 when no process could be started)
//   WAIT4 pid            ->  "pid status" once that child has ended (status as waitpid gives
//                            it, reported once), "0 0" while it runs, "-1 0" for a pid that is
//                            not one of its children
//   KILL pid             ->  "0", or "-1" for a pid that is not a running child of its own;
//                            SIGTERM goes to the child's process group, so that what its shell
//                            started ends with it
//   anything else        ->  "ERROR"
// Commands run through /bin/sh -c, each in a process group of its own, with FIXTRAIL_ROOT=ROOT
// in their environment. Runs until SIGTERM or SIGINT, then sends SIGTERM to every group it
// started that still has members, even when its shell has ended, and removes the socket. False
// with a one-line reason when it cannot start.
bool RunLauncherDaemon(const std::string& aRoot, std::string* aError);

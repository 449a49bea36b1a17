#pragma once

#include <sys/types.h>

#include <cstdio>

// Opening files that lie on the SD card, where anyone may have left anything under a name the
// program uses. A FIFO there would block a plain open until some other process opens its other
// end, and a device would feed or swallow bytes without end: only regular files are taken.
// Paths are host paths (what DevicePath gives).

// open(2) of aPath with aFlags (O_CREAT creates with aMode, less the umask), never blocking in
// the open itself. -1 when the open fails or aPath is not a regular file (a FIFO, device,
// directory or socket; nothing is created or truncated then). The descriptor is returned in
// blocking mode, close-on-exec.
int OpenRegularFile(const char* aPath, int aFlags, mode_t aMode = 0666);

// fopen(3) with the same refusal: aMode "r", "w" or "a", each optionally with 'b' and '+'.
// "w" truncates only once the file is known to be regular. Null on failure.
std::FILE* OpenRegularStream(const char* aPath, const char* aMode);

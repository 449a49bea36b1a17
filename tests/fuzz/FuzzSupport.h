#pragma once

// What the fuzz targets share: the check that ends a run, and a private directory for the files
// a target needs, made on its first run.

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "platform/DevicePath.h"
#include "tests/support/TempDirectory.h"

// Ends the run as a crash, which the fuzzer reports together with the input.
inline void Check(bool aCondition) {
    if (!aCondition) {
        std::abort();
    }
}

// The directory MakeFuzzRoot made; empty before (and after a failure).
inline char gFuzzRoot[64] = {};

inline void RemoveFuzzRoot() {
    RemoveTree(gFuzzRoot);
}

// Makes gFuzzRoot, "fixtrail-fuzz-<aName>-XXXXXX" on a memory file system when there is one
// (every input is written there, some of them synced) or else under $TMPDIR or /tmp, with
// aDirectories in it, each after its parent, and removes it with all it holds at exit. With
// aDeviceRoot it becomes FIXTRAIL_ROOT, so that parallel runs and the host's own /dev, /var and
// /mnt stay apart. False when any of it fails.
inline bool MakeFuzzRoot(const char* aName, std::initializer_list<const char*> aDirectories,
                         bool aDeviceRoot) {
    const std::string root = MakeTempDirectory(std::string("fuzz-") + aName, true);
    if (root.empty() || root.size() >= sizeof gFuzzRoot) {
        RemoveTree(root);
        return false;
    }
    root.copy(gFuzzRoot, root.size());
    gFuzzRoot[root.size()] = '\0';
    (void)std::atexit(RemoveFuzzRoot);  // unregistered, the directory stays behind
    for (const char* directory : aDirectories) {
        char path[sizeof gFuzzRoot + 64];
        const int length = std::snprintf(path, sizeof path, "%s%s", gFuzzRoot, directory);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof path ||
            mkdir(path, 0700) != 0) {
            return false;
        }
    }
    return !aDeviceRoot || setenv(KDeviceRootVariable, gFuzzRoot, 1) == 0;
}

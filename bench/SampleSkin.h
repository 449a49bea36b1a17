#pragma once

#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

// The sample skin's root for the benchmarks that draw: FIXTRAIL_SKIN_ROOT, else the build's
// skin-root beside bin/.
inline std::string SampleSkinRoot() {
    if (const char* root = std::getenv("FIXTRAIL_SKIN_ROOT")) {
        return root;
    }
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "skin-root";
    }
    path[length] = '\0';
    std::string directory(path);
    directory.erase(directory.rfind('/'));
    return directory + "/../skin-root";
}

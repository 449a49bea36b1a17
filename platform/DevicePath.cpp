#include "platform/DevicePath.h"

#include <cstdio>
#include <cstdlib>

TDevicePath DevicePath(const char* aPath) {
    TDevicePath path;
    const char* root = std::getenv(KDeviceRootVariable);
    if (root == nullptr) {
        root = "";
    }
    // A root given with a trailing slash must not double the separator of an absolute path.
    const char* separator = "";
    std::size_t rootLength = 0;
    while (root[rootLength] != '\0') {
        ++rootLength;
    }
    while (rootLength > 0 && root[rootLength - 1] == '/' && aPath[0] == '/') {
        --rootLength;
    }
    if (rootLength > 0 && aPath[0] != '/') {
        separator = "/";
    }
    const int written = std::snprintf(path.iText, sizeof path.iText, "%.*s%s%s",
                                      static_cast<int>(rootLength), root, separator, aPath);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof path.iText) {
        path.iText[0] = '\0';
    }
    return path;
}

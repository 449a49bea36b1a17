#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int OpenRegularFile(const char* aPath, int aFlags, mode_t aMode) {
    if (aPath == nullptr || aPath[0] == '\0') {
        return -1;
    }
    // O_NONBLOCK makes the open of a FIFO return at once (a reader's open succeeds, a writer's
    // fails without a reader); O_TRUNC is left to the caller, who knows by then what it opened.
    const int flags = (aFlags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int descriptor;
    do {
        descriptor = ::open(aPath, flags, aMode);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
        return -1;
    }
    struct stat status {};
    const int fileFlags = ::fcntl(descriptor, F_GETFL);
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || fileFlags < 0 ||
        ::fcntl(descriptor, F_SETFL, fileFlags & ~O_NONBLOCK) != 0 ||
        ((aFlags & O_TRUNC) != 0 && ::ftruncate(descriptor, 0) != 0)) {
        (void)::close(descriptor);
        return -1;
    }
    return descriptor;
}

std::FILE* OpenRegularStream(const char* aPath, const char* aMode) {
    if (aMode == nullptr) {
        return nullptr;
    }
    const bool update = std::strchr(aMode, '+') != nullptr;
    int flags;
    switch (aMode[0]) {
        case 'r':
            flags = update ? O_RDWR : O_RDONLY;
            break;
        case 'w':
            flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
            break;
        case 'a':
            flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
            break;
        default:
            return nullptr;
    }
    const int descriptor = OpenRegularFile(aPath, flags);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* stream = ::fdopen(descriptor, aMode);
    if (stream == nullptr) {
        (void)::close(descriptor);
    }
    return stream;
}

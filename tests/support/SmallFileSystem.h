#pragma once

// A full card, made real: a small tmpfs mounted over a directory (the simulated card's
// application directory), which a filler file fills to the last block, so that writes fail
// with ENOSPC as on a full SD card. Mounting takes root; where that is not possible, IsMounted
// is false and the test skips. Unmounted at the end of the scope.

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <string>

class CSmallFileSystem {
  public:
    CSmallFileSystem(const std::string& aHostDirectory, const char* aSize = "64k")
        : iDirectory(aHostDirectory) {
        const std::string options = std::string("size=") + aSize;
        iMounted = ::mount("fixtrail-test", iDirectory.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~CSmallFileSystem() {
        if (iMounted) {
            (void)::umount2(iDirectory.c_str(), MNT_DETACH);
        }
    }
    CSmallFileSystem(const CSmallFileSystem&) = delete;
    CSmallFileSystem& operator=(const CSmallFileSystem&) = delete;

    bool IsMounted() const { return iMounted; }
    // Takes every free block: true once a write found no room.
    bool Fill() const {
        const int filler = ::open(FillerPath().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (filler < 0) {
            return false;
        }
        const char block[512] = {};
        ssize_t written;
        while ((written = ::write(filler, block, sizeof block)) > 0) {
        }
        const bool full = written < 0 && errno == ENOSPC;
        ::close(filler);
        return full;
    }
    // Room again: the filler goes.
    void Free() const { (void)::unlink(FillerPath().c_str()); }

  private:
    std::string FillerPath() const { return iDirectory + "/filler"; }

    std::string iDirectory;
    bool iMounted = false;
};

#define SKIP_WITHOUT_SMALL_FILE_SYSTEM(aFileSystem)                                             \
    if (!(aFileSystem).IsMounted()) {                                                           \
        GTEST_SKIP() << "a small tmpfs cannot be mounted here (needs root): no real full card"; \
    }

#pragma once

// A full card, made real: a small tmpfs mounted over a directory of the simulated card, which
// Fill takes to its last block, so that writes fail with ENOSPC as on a full SD card (aOptions
// may also limit its files, "nr_inodes=N"). Mounting takes root; without it IsMounted is false
// and the test skips. Unmounted at the end.

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <string>

class CSmallFileSystem {
  public:
    explicit CSmallFileSystem(const std::string& aHostDirectory, const char* aOptions = "size=64k")
        : iDirectory(aHostDirectory),
          iMounted(::mount("fixtrail-test", aHostDirectory.c_str(), "tmpfs", 0, aOptions) == 0) {}
    ~CSmallFileSystem() {
        if (iMounted) {
            (void)::umount2(iDirectory.c_str(), MNT_DETACH);
        }
    }
    CSmallFileSystem(const CSmallFileSystem&) = delete;
    CSmallFileSystem& operator=(const CSmallFileSystem&) = delete;

    bool IsMounted() const { return iMounted; }
    // True once a write found no room.
    bool Fill() const {
        const int filler = ::open((iDirectory + "/filler").c_str(), O_WRONLY | O_CREAT, 0600);
        const char block[512] = {};
        while (filler >= 0 && ::write(filler, block, sizeof block) > 0) {
        }
        const bool full = errno == ENOSPC;
        (void)::close(filler);
        return full;
    }
    void Free() const { (void)::unlink((iDirectory + "/filler").c_str()); }

  private:
    std::string iDirectory;
    bool iMounted;
};

#define SKIP_WITHOUT_SMALL_FILE_SYSTEM(aFileSystem) \
    if (!(aFileSystem).IsMounted())                 \
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)"

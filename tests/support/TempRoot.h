#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "platform/DevicePath.h"
#include "support/Descriptor.h"
#include "support/HostFiles.h"
#include "support/TempDirectory.h"

// Sets an environment variable for the life of the object (unsets it for a null value) and puts
// back what was there before.
class CScopedEnv {
  public:
    CScopedEnv(const char* aName, const char* aValue) : iName(aName) {
        if (const char* old = std::getenv(aName)) {
            iOld = old;
        }
        if (aValue != nullptr) {
            setenv(aName, aValue, 1);
        } else {
            unsetenv(aName);
        }
    }
    ~CScopedEnv() {
        if (iOld) {
            setenv(iName.c_str(), iOld->c_str(), 1);
        } else {
            unsetenv(iName.c_str());
        }
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

  private:
    std::string iName;
    std::optional<std::string> iOld;
};

// A simulated device root for one test: a fresh directory holding mnt/sdcard/fixtrail and
// var/run, with FIXTRAIL_ROOT pointing at it. Everything under it is removed at the end.
class CTempRoot {
  public:
    CTempRoot() : iRoot(MakeRoot()), iEnv(KDeviceRootVariable, iRoot.c_str()) {
        MakeDirectory("/mnt");
        MakeDirectory("/mnt/sdcard");
        MakeDirectory("/mnt/sdcard/fixtrail");
        MakeDirectory("/var");
        MakeDirectory("/var/run");
    }
    ~CTempRoot() { RemoveTree(iRoot); }
    CTempRoot(const CTempRoot&) = delete;
    CTempRoot& operator=(const CTempRoot&) = delete;

    const std::string& Root() const { return iRoot; }
    // Where the device path aDevicePath ("/var/run/gpsfeed") lives in this root.
    std::string Path(const std::string& aDevicePath) const { return iRoot + aDevicePath; }

    bool MakeDirectory(const std::string& aDevicePath) const {
        return ::mkdir(Path(aDevicePath).c_str(), 0755) == 0;
    }
    // The GPS feed of the device as a named pipe, as the simulator provides it.
    bool MakeFeed() const { return ::mkfifo(Path(KFeedPath).c_str(), 0600) == 0; }
    bool Exists(const std::string& aDevicePath) const {
        struct stat info {};
        return ::lstat(Path(aDevicePath).c_str(), &info) == 0;
    }
    // The whole content of a file, empty when it cannot be read.
    std::string Read(const std::string& aDevicePath) const {
        return ReadWholeFile(Path(aDevicePath));
    }
    void Write(const std::string& aDevicePath, const std::string& aBytes) const {
        std::ofstream out(Path(aDevicePath), std::ios::binary | std::ios::trunc);
        out.write(aBytes.data(), static_cast<std::streamsize>(aBytes.size()));
    }
    // Removes a directory of the root with everything in it.
    void RemoveDirectory(const std::string& aDevicePath) const { RemoveTree(Path(aDevicePath)); }

  private:
    static std::string MakeRoot() {
        std::string root = MakeTempDirectory("root");
        if (root.empty()) {
            std::perror("mkdtemp");
            std::abort();  // every test after this would touch the wrong files
        }
        return root;
    }

    std::string iRoot;
    CScopedEnv iEnv;
};

// The writing end of a feed pipe, opened without blocking: it can only be opened while a reader
// (the capture run) has the pipe open.
class CFeedWriter {
  public:
    explicit CFeedWriter(const std::string& aHostPath)
        : iDescriptor(::open(aHostPath.c_str(), O_WRONLY | O_NONBLOCK)) {}

    bool IsOpen() const { return iDescriptor.IsOpen(); }
    // Writes what the pipe accepts of aCount bytes; returns how many it took (0 when full).
    std::size_t Write(const char* aBytes, std::size_t aCount) {
        if (!iDescriptor.IsOpen() || aCount == 0) {
            return 0;
        }
        ssize_t written;
        do {
            written = ::write(iDescriptor.Get(), aBytes, aCount);
        } while (written < 0 && errno == EINTR);
        return written > 0 ? static_cast<std::size_t>(written) : 0;
    }
    // Writes all of aBytes, which must fit in the pipe.
    bool WriteAll(const std::string& aBytes) {
        return Write(aBytes.data(), aBytes.size()) == aBytes.size();
    }
    // Bytes in the pipe that no reader has taken yet.
    int Unread() const {
        int count = 0;
        return iDescriptor.IsOpen() && ::ioctl(iDescriptor.Get(), FIONREAD, &count) == 0 ? count
                                                                                         : -1;
    }
    void Close() { iDescriptor.Close(); }

  private:
    CDescriptor iDescriptor;
};

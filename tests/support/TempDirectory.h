#pragma once

// A private directory for one test, fuzz run or benchmark: made fresh, removed with everything
// in it. Tests, fuzz targets and benchmarks all take theirs from here.

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Where temporary files go: $TMPDIR, else /tmp. With aInMemory, /dev/shm where it can be
// written: runs that write and sync every input, and benchmarks, keep the disk out of it.
inline std::string TempBase(bool aInMemory = false) {
    if (aInMemory && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    const char* base = std::getenv("TMPDIR");
    return base != nullptr && *base != '\0' ? base : "/tmp";
}

// Makes the fresh directory "<TempBase>/fixtrail-<aName>-XXXXXX": its path, empty on failure.
inline std::string MakeTempDirectory(const std::string& aName, bool aInMemory = false) {
    std::string pattern = TempBase(aInMemory) + "/fixtrail-" + aName + "-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

namespace TempDirectoryDetail {
inline int RemoveEntry(const char* aPath, const struct stat*, int, struct FTW*) {
    (void)std::remove(aPath);
    return 0;  // go on: what can be removed is
}
}  // namespace TempDirectoryDetail

// Removes aPath with everything under it; links are removed, not followed.
inline void RemoveTree(const std::string& aPath) {
    if (!aPath.empty()) {
        (void)::nftw(aPath.c_str(), TempDirectoryDetail::RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
}

// MakeTempDirectory for the life of the object.
class CTempDirectory {
  public:
    explicit CTempDirectory(const std::string& aName, bool aInMemory = false)
        : iPath(MakeTempDirectory(aName, aInMemory)) {}
    ~CTempDirectory() { RemoveTree(iPath); }
    CTempDirectory(const CTempDirectory&) = delete;
    CTempDirectory& operator=(const CTempDirectory&) = delete;

    // Empty when the directory could not be made.
    const std::string& Path() const { return iPath; }

  private:
    std::string iPath;
};

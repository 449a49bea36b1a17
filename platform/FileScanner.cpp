#include "platform/FileScanner.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"
#include "platform/Locations.h"

namespace {

constexpr const char* KSkippedVolume = "initrd";
constexpr int KPendingStep = 1024;

DIR* Stream(void* aDirectory) {
    return static_cast<DIR*>(aDirectory);
}

bool IsDotName(const char* aName) {
    return aName[0] == '.' && (aName[1] == '\0' || (aName[1] == '.' && aName[2] == '\0'));
}

// Stat through the device root; aPath is terminated.
bool StatDevicePath(const char* aPath, struct stat& aInfo) {
    const TDevicePath path = DevicePath(aPath);
    return path.IsValid() && ::stat(path.c_str(), &aInfo) == 0;
}

}  // namespace

CFileScanner::CFileScanner(const char* aPath, int aFlags, int aPendingSize)
    : iPendingSize(aPendingSize > KScanMinPendingSize ? aPendingSize : KScanMinPendingSize),
      iFlags(aFlags & ~(KAllVolumes | KOpen | KVolumesOnly)) {
    const CFixedString path = CFixedString::View(aPath);
    Construct(path.Data(), path.Length());
}

CFileScanner::CFileScanner(const CFixedString& aPath, int aFlags, int aPendingSize)
    : iPendingSize(aPendingSize > KScanMinPendingSize ? aPendingSize : KScanMinPendingSize),
      iFlags(aFlags & ~(KAllVolumes | KOpen | KVolumesOnly)) {
    Construct(aPath.Data(), aPath.Length());
}

void CFileScanner::Construct(const char* aPath, int aLength) {
    iEntry.iPath = &iPath;
    const CFixedString path = CFixedString::View(aPath, aLength);
    if (path.Compare(CFixedString::View(KScanAllVolumesPath)) == 0) {
        iPath.Zero();
        iFlags |= KAllVolumes;
        if ((iFlags & KScanDirectoriesOnly) != 0) {
            iFlags |= KVolumesOnly;
        }
    } else {
        iPath.AssignZ(path);
    }
    iStartLength = iPath.Length();
    if ((iFlags & (KScanRecursive | KAllVolumes)) == 0) {
        return;
    }
    // Short of memory, settle for less, down to the smallest useful size.
    int size = iPendingSize;
    for (;;) {
        iPending = static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
        if (iPending != nullptr || size < KScanMinPendingSize + KPendingStep) {
            break;
        }
        size -= KPendingStep;
    }
    if (iPending != nullptr) {
        iPendingSize = size;
    }
}

CFileScanner::~CFileScanner() {
    CloseDirectory();
    std::free(iPending);
}

bool CFileScanner::OpenDirectory() {
    CloseDirectory();
    // An empty path names no directory on the device (under a device root it would name the
    // root itself).
    if (iPath.Length() == 0) {
        return false;
    }
    const TDevicePath path = DevicePath(iPath.PtrZ());
    DIR* stream = path.IsValid() ? ::opendir(path.c_str()) : nullptr;
    if (stream == nullptr) {
        return false;
    }
    iDirectory = stream;
    iFlags |= KOpen;
    return true;
}

void CFileScanner::CloseDirectory() {
    if (iDirectory != nullptr) {
        (void)::closedir(Stream(iDirectory));
        iDirectory = nullptr;
    }
    iFlags &= ~KOpen;
}

bool CFileScanner::Push(const char* aRelative, int aLength) {
    if (iPending == nullptr || aLength < 0 || aLength + 1 > iPendingSize - iPendingUsed) {
        return false;  // dropped: that directory is not visited
    }
    std::memcpy(iPending + iPendingUsed, aRelative, static_cast<std::size_t>(aLength));
    iPendingUsed += aLength;
    iPending[iPendingUsed++] = '\0';
    return true;
}

bool CFileScanner::PopAndOpen() {
    while (iPendingUsed > 0) {
        // The last path ends at iPendingUsed - 1; it starts after the NUL before it.
        int start = iPendingUsed - 1;
        while (start > 0 && iPending[start - 1] != '\0') {
            --start;
        }
        iPath.SetLength(iStartLength);
        iPath.Append(iPending + start, iPendingUsed - 1 - start);
        iPendingUsed = start;
        iBaseLength = iPath.Length();
        if (OpenDirectory()) {
            return true;
        }
    }
    return false;
}

const TFileScanEntry* CFileScanner::First() {
    CloseDirectory();
    iPendingUsed = 0;
    if ((iFlags & KAllVolumes) != 0) {
        return FirstAllVolumes();
    }
    if ((iFlags & KScanRecursive) != 0 && iPending == nullptr) {
        return nullptr;
    }
    iPath.SetLength(iStartLength);
    iBaseLength = iStartLength;
    if (!OpenDirectory()) {
        return nullptr;
    }
    return Next();
}

const TFileScanEntry* CFileScanner::FirstAllVolumes() {
    if (iPending == nullptr) {
        return nullptr;
    }
    // "<ROOT>" leaves the path empty: pending paths are the volumes' whole paths.
    iStartLength = 0;
    iPath.Assign(KVolumesDirectory);
    iBaseLength = iPath.Length();
    if (!OpenDirectory()) {
        return nullptr;
    }
    if ((iFlags & KVolumesOnly) != 0) {
        // The volumes themselves are the entries: Next lists /mnt/ with the volume filter.
        return Next();
    }
    DIR* stream = Stream(iDirectory);
    while (const dirent* entry = ::readdir(stream)) {
        if (IsDotName(entry->d_name) || std::strcmp(entry->d_name, KSkippedVolume) == 0) {
            continue;
        }
        iPath.SetLength(iBaseLength);
        iPath.Append(entry->d_name);
        iPath.AppendChar(PathSeparator());
        if (DirectoryExists(iPath)) {
            (void)Push(iPath.Data(), iPath.Length());
        }
    }
    CloseDirectory();
    return PopAndOpen() ? Next() : nullptr;
}

const TFileScanEntry* CFileScanner::Next() {
    const bool special =
        (iFlags & (KScanRecursive | KAllVolumes)) != 0 && (iFlags & KVolumesOnly) == 0;
    while ((iFlags & KOpen) != 0) {
        const dirent* entry = ::readdir(Stream(iDirectory));
        if (entry == nullptr) {
            CloseDirectory();
            if (special && PopAndOpen()) {
                continue;
            }
            return nullptr;
        }
        // With a base that ends in '/' the dot entries are always directories and always
        // rejected, and the directory entry's own type is the answer stat would give: no
        // system call per entry then, which matters to a listing repeated many times a second.
        const bool based = iBaseLength > 0 && iPath[iBaseLength - 1] == PathSeparator();
        if (based && IsDotName(entry->d_name)) {
            continue;
        }
        iPath.SetLength(iBaseLength);
        iPath.Append(entry->d_name);
        // A name the path cannot hold whole, with its NUL, is skipped: looked up cut short it
        // would find nothing, and one such file must not hide every entry after it.
        if (iPath.Length() - iBaseLength != static_cast<int>(std::strlen(entry->d_name)) ||
            iPath.Length() >= iPath.Capacity()) {
            continue;
        }
        bool directory = false;
        if (based && entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) {
            directory = entry->d_type == DT_DIR;
        } else {
            // Unknown type or a link to follow: stat decides. An entry that has gone since the
            // listing, or a dangling link, is skipped like a name that doesn't fit.
            struct stat info {};
            if (!StatDevicePath(iPath.PtrZ(), info)) {
                continue;
            }
            directory = S_ISDIR(info.st_mode);
        }
        if (directory) {
            // A directory's name needs room for its '/' as well.
            if (iPath.Length() + 1 >= iPath.Capacity()) {
                continue;
            }
            iPath.AppendChar(PathSeparator());
        }
        iPath.PtrZ();
        const int nameLength = iPath.Length() - iBaseLength;
        const char* name = iPath.Data() + iBaseLength;
        if (directory && (std::strcmp(name, "./") == 0 || std::strcmp(name, "../") == 0)) {
            continue;
        }
        if (directory && (iFlags & KScanRecursive) != 0 && (iFlags & KVolumesOnly) == 0) {
            // Every subdirectory is visited, whether or not the filter returns it.
            (void)Push(iPath.Data() + iStartLength, iPath.Length() - iStartLength);
        }
        if ((iFlags & KScanFilesOnly) != 0 && directory) {
            continue;
        }
        if ((iFlags & KScanDirectoriesOnly) != 0 && !directory) {
            continue;
        }
        if ((iFlags & KVolumesOnly) != 0) {
            if (std::strcmp(name, "initrd/") == 0 || !DirectoryExists(iPath)) {
                continue;
            }
        }
        iEntry.iIsDirectory = directory ? 1 : 0;
        iEntry.iNameLength = nameLength;
        return &iEntry;
    }
    return nullptr;
}

#pragma once

#include "platform/FixedString.h"

// Scanner option bits, given to the constructor.
constexpr int KScanRecursive = 0x1;                    // descend into subdirectories
constexpr int KScanFilesOnly = 0x10000;                // only entries that aren't directories
constexpr int KScanDirectoriesOnly = 0x20000;          // only directories
constexpr const char* KScanAllVolumesPath = "<ROOT>";  // the path that lists every volume

constexpr int KScanPathCapacity = 256;
constexpr int KScanMinPendingSize = 2048;

// One entry of a listing; the record and its path string belong to the scanner and are reused
// for every entry.
struct TFileScanEntry {
    int iIsDirectory = 0;
    // The directory being listed followed by the entry's name, terminated; a directory's name
    // ends with '/'. Device path text.
    const CFixedString* iPath = nullptr;
    // Characters of the name part: those after the directory being listed.
    int iNameLength = 0;

    const char* Path() const { return iPath->Data(); }
    const char* Name() const { return iPath->Data() + (iPath->Length() - iNameLength); }
};

// Lists the entries of a directory one at a time without allocating per entry:
//
//   CFileScanner scanner("/var/run/", KScanFilesOnly, 2048);
//   for (const TFileScanEntry* e = scanner.First(); e != nullptr; e = scanner.Next()) ...
//
// Names are appended to the path given, so a directory path must end with '/'. The directory
// is opened, and entries are examined, through DevicePath; the paths returned are the
// device's. The dot entries are never returned. Order is the directory stream's. An entry is
// never returned cut short: one whose path (with a directory's '/') would be longer than 255
// characters is skipped.
//
// With KScanRecursive every subdirectory (returned or not) is listed after the directory that
// holds it, subdirectories last in, first out; an entry's name part is its name within its own
// directory. The path "<ROOT>" lists every volume under /mnt/ (except initrd) instead; with
// KScanDirectoriesOnly it returns the volume directories themselves.
class CFileScanner {
  public:
    // aPendingSize: bytes for the directories still to visit (at least 2,048), allocated only
    // for the recursive and all-volumes modes.
    CFileScanner(const char* aPath, int aFlags, int aPendingSize);
    CFileScanner(const CFixedString& aPath, int aFlags, int aPendingSize);
    virtual ~CFileScanner();
    CFileScanner(const CFileScanner&) = delete;
    CFileScanner& operator=(const CFileScanner&) = delete;

    // Starts the listing: the first accepted entry, or null (missing, unreadable or empty
    // directory; no pending buffer in the two special modes).
    const TFileScanEntry* First();
    // The next accepted entry; null ends the listing.
    const TFileScanEntry* Next();

    int Flags() const { return iFlags; }
    int PendingSize() const { return iPendingSize; }
    bool HasPendingBuffer() const { return iPending != nullptr; }

  private:
    static constexpr int KAllVolumes = 0x2;
    static constexpr int KOpen = 0x100;
    static constexpr int KVolumesOnly = 0x200;

    void Construct(const char* aPath, int aLength);
    bool OpenDirectory();
    void CloseDirectory();
    bool Push(const char* aRelative, int aLength);
    bool PopAndOpen();
    const TFileScanEntry* FirstAllVolumes();

    TFixedString<KScanPathCapacity> iPath;
    int iBaseLength = 0;
    int iPendingUsed = 0;
    char* iPending = nullptr;
    int iPendingSize = 0;
    TFileScanEntry iEntry;
    int iFlags = 0;
    // The open directory stream (a DIR*), null when none is open.
    void* iDirectory = nullptr;
    // Length of the starting directory: pending paths are relative to it.
    int iStartLength = 0;
};

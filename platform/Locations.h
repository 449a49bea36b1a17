#pragma once

#include "platform/FixedString.h"

// Numbered file locations of the device: application code never spells a directory itself.
// Ids 0 to 37; the messaging uses the run-time directory, id 26, "/var/run/". The table is in
// Locations.cpp. Paths composed here are device path text; the file-system operations below
// open them through DevicePath.

constexpr int KLocationCount = 38;
constexpr int KLocationRunTime = 26;  // "/var/run/"
constexpr int KLocationPathCapacity = 256;

// The root of aId followed by its relative directory, terminated. The result is one
// process-wide string, overwritten by every GetLocationPath and GetFilePath call. An id outside
// 0..37 gives the SD card root, as id 0 does.
CFixedString& GetLocationPath(int aId);
// GetLocationPath(aId) with aName appended, terminated; the same shared string. A path longer
// than 255 characters gives the empty string, which names no file: every operation below, and
// every CStdioFile open, fails on it rather than acting on a path cut short.
CFixedString& GetFilePath(int aId, const char* aName);
CFixedString& GetFilePath(int aId, const CFixedString& aName);

// The path separator, '/'.
char PathSeparator();

// Candidate directories of a location (at most two). Path composition asks for them and uses
// the single composed directory when there are none, which on this device is always.
class CDirectoryList {
  public:
    static constexpr int KMaxCount = 2;

    CDirectoryList() = default;
    virtual ~CDirectoryList();
    CDirectoryList(const CDirectoryList&) = delete;
    CDirectoryList& operator=(const CDirectoryList&) = delete;

    int Count() const { return iCount; }
    // aIndex in 0..Count()-1.
    const CFixedString& At(int aIndex) const { return iDirectories[aIndex]; }
    // False when the list is full.
    bool Add(const char* aDirectory);

  private:
    int iCount = 0;
    TFixedString<KLocationPathCapacity> iDirectories[KMaxCount];
};

// The candidate directories of aId (none on this device).
void GetLocationCandidates(int aId, CDirectoryList& aList);

// File-system operations on device paths. Each terminates the path first (TerminatePath) and
// fails (false or -1) on an empty path or one with no room for its NUL.
// A directory that stat reports and that is readable (access R_OK).
bool DirectoryExists(CFixedString& aPath);
bool DirectoryExists(const char* aPath);
// A regular file that stat reports and that is readable.
bool FileExists(CFixedString& aPath);
bool FileExists(const char* aPath);
// mkdir with mode 0755: 0 or -1.
int CreateDirectory(CFixedString& aPath);
int CreateDirectory(const char* aPath);
// unlink: 0 or -1.
int RemoveFile(CFixedString& aPath);
int RemoveFile(const char* aPath);

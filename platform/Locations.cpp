#include "platform/Locations.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/DevicePath.h"

namespace {

// Most locations live on the SD card; two are the folders of other programs of the device on
// the card.
struct TLocation {
    const char* iRoot;
    const char* iName;  // one level, without '/'; null: the location is the root itself
    int iParent;        // a nested location's parent id, else -1
};

// Id 0 has no entry of its own and resolves to the card root. 16 ids are a root itself, 18
// have a one-level name and 3 (3, 5, 9) are subdirectories of one of those.
constexpr TLocation KLocations[KLocationCount] = {
    /*  0 */ {KCardDirectory, nullptr, -1},
    /*  1 */ {KCardDirectory, "navigation", -1},
    /*  2 */ {KCardDirectory, "maps", -1},
    /*  3 */ {KCardDirectory, "overlays", 2},
    /*  4 */ {KCardDirectory, "voices", -1},
    /*  5 */ {KCardDirectory, "tts", 4},
    /*  6 */ {KCardDirectory, "poi", -1},
    /*  7 */ {KCardDirectory, "routes", -1},
    /*  8 */ {KCardDirectory, "tracks", -1},
    /*  9 */ {KCardDirectory, "archive", 8},
    /* 10 */ {KCardDirectory, "favourites", -1},
    /* 11 */ {KCardDirectory, "skins", -1},
    /* 12 */ {KCardDirectory, "fonts", -1},
    /* 13 */ {KCardDirectory, "languages", -1},
    /* 14 */ {KCardDirectory, "music", -1},
    /* 15 */ {KCardDirectory, "photos", -1},
    /* 16 */ {KCardDirectory, "videos", -1},
    /* 17 */ {KCardDirectory, "logs", -1},
    /* 18 */ {KCardDirectory, "updates", -1},
    /* 19 */ {KCardDirectory, "backup", -1},
    /* 20 */ {KCardDirectory, "settings", -1},
    /* 21 */ {KCardDirectory, "screenshots", -1},
    /* 22 */ {KCardDirectory, nullptr, -1},
    /* 23 */ {KCardDirectory, nullptr, -1},
    /* 24 */ {KCardDirectory, nullptr, -1},
    /* 25 */ {KCardDirectory, nullptr, -1},
    /* 26 */ {KRunTimeDirectory, nullptr, -1},
    /* 27 */ {KCardDirectory, nullptr, -1},
    /* 28 */ {KFlashDirectory, nullptr, -1},
    /* 29 */ {KCardDirectory, nullptr, -1},
    /* 30 */ {KMediaPlayerDirectory, nullptr, -1},
    /* 31 */ {KPhotoViewerDirectory, nullptr, -1},
    /* 32 */ {KCardDirectory, nullptr, -1},
    /* 33 */ {KCardDirectory, nullptr, -1},
    /* 34 */ {KCardDirectory, nullptr, -1},
    /* 35 */ {KCardDirectory, nullptr, -1},
    /* 36 */ {KCardDirectory, nullptr, -1},
    /* 37 */ {KCardDirectory, nullptr, -1},
};

const TLocation& Location(int aId) {
    return KLocations[aId >= 0 && aId < KLocationCount ? aId : 0];
}

// The one result string of GetLocationPath and GetFilePath; made on first use, destroyed at
// exit.
CFixedString& ResultString() {
    static TFixedString<KLocationPathCapacity> result;
    return result;
}

void AppendName(CFixedString& aPath, const char* aName) {
    aPath.Append(aName);
    aPath.AppendChar(PathSeparator());
}

}  // namespace

char PathSeparator() {
    return '/';
}

CDirectoryList::~CDirectoryList() = default;

bool CDirectoryList::Add(const char* aDirectory) {
    if (iCount >= KMaxCount) {
        return false;
    }
    iDirectories[iCount++].AssignZ(aDirectory);
    return true;
}

void GetLocationCandidates(int /*aId*/, CDirectoryList& /*aList*/) {
    // This device keeps every location in one place: no candidates.
}

CFixedString& GetLocationPath(int aId) {
    const TLocation& location = Location(aId);
    CDirectoryList candidates;
    GetLocationCandidates(aId, candidates);

    CFixedString& result = ResultString();
    if (candidates.Count() > 0) {
        result.AssignZ(candidates.At(0));
        return result;
    }
    TFixedString<KLocationPathCapacity> root;
    root.Assign(location.iRoot);
    result.Zero();
    if (location.iParent >= 0) {
        AppendName(result, KLocations[location.iParent].iName);
    }
    if (location.iName != nullptr) {
        AppendName(result, location.iName);
    }
    result.Insert(0, root);
    result.PtrZ();
    return result;
}

CFixedString& GetFilePath(int aId, const char* aName) {
    const CFixedString name = CFixedString::View(aName);
    return GetFilePath(aId, name);
}

CFixedString& GetFilePath(int aId, const CFixedString& aName) {
    // aName may be the result string itself (a path from an earlier call): take its text
    // before the location overwrites it.
    TFixedString<KLocationPathCapacity> name;
    name.Assign(aName);
    const bool nameFits = aName.Length() <= name.Capacity();
    CFixedString& result = GetLocationPath(aId);
    // Cut to fit, the path would name another file (a sibling whose name is a prefix of this
    // one): a path that does not fit whole names nothing.
    if (!nameFits || result.Length() + name.Length() > result.Capacity() - 1) {
        result.Zero();
        return result;
    }
    result.AppendZ(name);
    return result;
}

// ---- File-system operations: opened through DevicePath, device path text kept by the caller.

namespace {

// Where the device path aPath is opened; not valid for an empty path, which names nothing on
// the device (under a device root it would otherwise name the root itself).
TDevicePath OpenPath(CFixedString& aPath) {
    // A path with no room for its NUL would be cut to name another file: it names nothing.
    if (!aPath.TerminatePath()) {
        return TDevicePath();
    }
    return aPath.Data()[0] != '\0' ? DevicePath(aPath.Data()) : TDevicePath();
}

bool StatPath(CFixedString& aPath, struct stat& aInfo, TDevicePath& aDevicePath) {
    aDevicePath = OpenPath(aPath);
    return aDevicePath.IsValid() && ::stat(aDevicePath.c_str(), &aInfo) == 0;
}

}  // namespace

bool DirectoryExists(CFixedString& aPath) {
    struct stat info {};
    TDevicePath path;
    return StatPath(aPath, info, path) && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

bool FileExists(CFixedString& aPath) {
    struct stat info {};
    TDevicePath path;
    return StatPath(aPath, info, path) && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

int CreateDirectory(CFixedString& aPath) {
    const TDevicePath path = OpenPath(aPath);
    return path.IsValid() && ::mkdir(path.c_str(), 0755) == 0 ? 0 : -1;
}

int RemoveFile(CFixedString& aPath) {
    const TDevicePath path = OpenPath(aPath);
    return path.IsValid() && ::unlink(path.c_str()) == 0 ? 0 : -1;
}

bool DirectoryExists(const char* aPath) {
    CFixedString view = CFixedString::View(aPath);
    return DirectoryExists(view);
}

bool FileExists(const char* aPath) {
    CFixedString view = CFixedString::View(aPath);
    return FileExists(view);
}

int CreateDirectory(const char* aPath) {
    CFixedString view = CFixedString::View(aPath);
    return CreateDirectory(view);
}

int RemoveFile(const char* aPath) {
    CFixedString view = CFixedString::View(aPath);
    return RemoveFile(view);
}

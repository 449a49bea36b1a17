#include "platform/DisplayOwner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DevicePath.h"

namespace {

// Reads of the word between two looks at whether the file at the path is still the one open:
// a pass reads it once or a few times.
constexpr unsigned KReadsBetweenFollows = 4;

// The process's view of the shared owner file, opened once and followed when it is replaced.
// The word is read and written through the descriptor, never mapped: a mapping of a file cut
// short faults on the next access, a read of it is only short.
struct TOwnerFile {
    bool iOpened = false;
    bool iMaster = false;
    int iDescriptor = -1;
    unsigned iReadsSinceFollow = 0;
};

TOwnerFile gOwner;

[[noreturn]] void FailOwnerFile() {
    std::puts("Error: cannot open uipid file.");
    std::exit(1);
}

// A file of fewer than 4 bytes (a new one the MASTER has not sized yet, or one a crash left
// short) is extended with zero bytes, which read as no owner, for the processes that map it.
bool SizeOwnerFile(int aDescriptor) {
    struct stat status {};
    return ::fstat(aDescriptor, &status) == 0 &&
           (status.st_size >= 4 || ::ftruncate(aDescriptor, 4) == 0);
}

void OpenSharedPidFile() {
    gOwner.iOpened = true;
    const TDevicePath path = DevicePath(KOwnerFilePath);
    // Created exclusively: of two processes starting at the same moment, one is the MASTER.
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    if (descriptor >= 0) {
        std::puts("Opening in MASTER mode");
        gOwner.iMaster = true;
    } else if (errno == EEXIST) {
        std::puts("Opening in SLAVE mode");
        descriptor = ::open(path.c_str(), O_RDWR);
    }
    if (descriptor < 0) {
        FailOwnerFile();
    }
    if (!SizeOwnerFile(descriptor)) {
        (void)::close(descriptor);
        FailOwnerFile();
    }
    gOwner.iDescriptor = descriptor;
}

// Another process may replace the file (a new one naming another owner) or remove it: the word
// is then the new file's, or none while there is no file. Never fatal after the first open.
void FollowOwnerFile() {
    gOwner.iReadsSinceFollow = 0;
    const TDevicePath path = DevicePath(KOwnerFilePath);
    struct stat atPath {};
    struct stat opened {};
    const bool present = ::stat(path.c_str(), &atPath) == 0;
    if (gOwner.iDescriptor >= 0 && present && ::fstat(gOwner.iDescriptor, &opened) == 0 &&
        opened.st_dev == atPath.st_dev && opened.st_ino == atPath.st_ino) {
        return;
    }
    if (gOwner.iDescriptor >= 0) {
        (void)::close(gOwner.iDescriptor);
        gOwner.iDescriptor = -1;
    }
    if (present) {
        const int descriptor = ::open(path.c_str(), O_RDWR);
        if (descriptor >= 0 && !SizeOwnerFile(descriptor)) {
            (void)::close(descriptor);
            return;
        }
        gOwner.iDescriptor = descriptor;
    }
}

void OpenOrFollow() {
    if (!gOwner.iOpened) {
        OpenSharedPidFile();
    } else if (++gOwner.iReadsSinceFollow >= KReadsBetweenFollows) {
        FollowOwnerFile();
    }
}

// True when aPid names a process that has not ended: a zombie (Z) or a dying one (X) has, and
// kill() still succeeds for them.
bool IsLiveProcess(int aPid) {
    if (aPid <= 0) {
        return false;  // a negative word names no process (kill would read it as a group)
    }
    if (::kill(aPid, 0) != 0 && errno == ESRCH) {
        return false;
    }
    char path[32];
    (void)std::snprintf(path, sizeof path, "/proc/%d/stat", aPid);
    const int descriptor = ::open(path, O_RDONLY);
    if (descriptor < 0) {
        return errno != ENOENT;  // no /proc to ask: kill's answer stands
    }
    char text[512];
    const ssize_t count = ::read(descriptor, text, sizeof text - 1);
    (void)::close(descriptor);
    if (count <= 0) {
        return true;
    }
    text[count] = '\0';
    // "pid (name) S ...": the name may hold anything, the state follows its last ')'.
    const char* end = std::strrchr(text, ')');
    if (end == nullptr || end[1] != ' ') {
        return true;
    }
    return end[2] != 'Z' && end[2] != 'X';
}

}  // namespace

int GetActivePid() {
    OpenOrFollow();
    std::int32_t word = 0;
    if (gOwner.iDescriptor < 0 ||
        ::pread(gOwner.iDescriptor, &word, sizeof word, 0) != static_cast<ssize_t>(sizeof word)) {
        return 0;  // a missing or short file: no owner
    }
    return word;
}

void SetActivePid(int aPid) {
    // A store goes to the file there is now, never to one that was replaced or removed.
    if (!gOwner.iOpened) {
        OpenSharedPidFile();
    } else {
        FollowOwnerFile();
    }
    if (gOwner.iDescriptor < 0) {
        // The file went away: a new one holds the word from now on.
        const TDevicePath path = DevicePath(KOwnerFilePath);
        gOwner.iDescriptor = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
        if (gOwner.iDescriptor < 0) {
            return;
        }
    }
    const std::int32_t word = aPid;
    (void)::pwrite(gOwner.iDescriptor, &word, sizeof word, 0);
}

bool IsDisplayOwner(bool aCheck) {
    return !aCheck || GetActivePid() == static_cast<int>(::getpid());
}

bool IsMasterProcess() {
    return gOwner.iMaster;
}

bool TakeDisplayIfFree() {
    // A pid left behind by a process that has ended owns nothing: a crashed program must not
    // keep the display from everyone after it.
    if (!IsLiveProcess(GetActivePid())) {
        SetActivePid(static_cast<int>(::getpid()));
    }
    return IsDisplayOwner(true);
}

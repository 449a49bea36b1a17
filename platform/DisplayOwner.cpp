#include "platform/DisplayOwner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/DevicePath.h"

namespace {

// The process's view of the shared owner file, opened once and kept until the process ends.
struct TOwnerWord {
    bool iOpened = false;
    bool iMaster = false;
    int iDescriptor = -1;
    volatile std::int32_t* iWord = nullptr;  // another process may change it at any time
};

TOwnerWord gOwner;

[[noreturn]] void FailOwnerFile() {
    std::puts("Error: cannot open uipid file.");
    std::exit(1);
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
    // A new file (the MASTER may not have sized it yet) or one left truncated by a crash has
    // fewer than 4 bytes; mapping past its end would fault on the first access. The extension
    // reads as 0: no owner.
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 ||
        (status.st_size < 4 && ::ftruncate(descriptor, 4) != 0)) {
        (void)::close(descriptor);
        FailOwnerFile();
    }
    void* word = ::mmap(nullptr, 4, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (word == MAP_FAILED) {
        (void)::close(descriptor);
        return;  // no mapping: no process is seen as owner, and nothing is stored
    }
    gOwner.iDescriptor = descriptor;
    gOwner.iWord = static_cast<volatile std::int32_t*>(word);
}

}  // namespace

int GetActivePid() {
    if (!gOwner.iOpened) {
        OpenSharedPidFile();
    }
    return gOwner.iWord != nullptr ? *gOwner.iWord : 0;
}

void SetActivePid(int aPid) {
    if (!gOwner.iOpened) {
        OpenSharedPidFile();
    }
    if (gOwner.iWord != nullptr) {
        *gOwner.iWord = aPid;
    }
}

bool IsDisplayOwner(bool aCheck) {
    return !aCheck || GetActivePid() == static_cast<int>(::getpid());
}

bool IsMasterProcess() {
    return gOwner.iMaster;
}

bool TakeDisplayIfFree() {
    // A pid left behind by a process that has ended owns nothing: a crashed program must not
    // keep the display from everyone after it. A negative word names no process (kill would
    // read it as a process group).
    const int owner = GetActivePid();
    if (owner <= 0 || (::kill(owner, 0) != 0 && errno == ESRCH)) {
        SetActivePid(static_cast<int>(::getpid()));
    }
    return IsDisplayOwner(true);
}

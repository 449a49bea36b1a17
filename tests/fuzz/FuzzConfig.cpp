// The input as config.txt, read into a fresh state record, then the names and the save built
// from whatever it set. The file lives under a private FIXTRAIL_ROOT made on the first run.
//
// Checked: the two settings are 0 or 1 whatever the file says; the log file name and path are
// what printf makes of the counter and fit their arrays; the counter advance wraps past 10000
// and never overflows; saving and loading again gives the same settings and counter.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nmea/CaptureState.h"
#include "platform/DevicePath.h"

namespace {

// On a memory file system when there is one: the save syncs the file and its directory, which
// on a disk costs more than the rest of a run.
char gRoot[64] = "/tmp/fixtrail-fuzz-config-XXXXXX";

void Check(bool aCondition) {
    if (!aCondition) {
        std::abort();
    }
}

void RemoveRoot() {
    (void)std::remove(DevicePath(KConfigPath).c_str());
    (void)std::remove(DevicePath("/mnt/sdcard/fixtrail/config.txt.tmp").c_str());
    const std::string root = gRoot;
    for (const char* directory : {"/mnt/sdcard/fixtrail", "/mnt/sdcard", "/mnt", ""}) {
        (void)rmdir((root + directory).c_str());
    }
}

// The application directory under a root of this process alone, so that parallel runs and
// the host's /mnt stay apart.
bool MakeRoot() {
    if (access("/dev/shm", W_OK) == 0) {
        std::snprintf(gRoot, sizeof gRoot, "/dev/shm/fixtrail-fuzz-config-XXXXXX");
    }
    if (mkdtemp(gRoot) == nullptr) {
        return false;
    }
    const std::string root = gRoot;
    for (const char* directory : {"/mnt", "/mnt/sdcard", "/mnt/sdcard/fixtrail"}) {
        if (mkdir((root + directory).c_str(), 0700) != 0) {
            return false;
        }
    }
    setenv(KDeviceRootVariable, gRoot, 1);
    std::atexit(RemoveRoot);
    return true;
}

bool IsTerminated(const char* aText, std::size_t aCapacity) {
    return std::memchr(aText, '\0', aCapacity) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    static const bool KRootMade = MakeRoot();
    Check(KRootMade);
    std::FILE* file = std::fopen(DevicePath(KConfigPath).c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(aData, 1, aSize, file) == aSize && std::fclose(file) == 0);

    CCaptureState state;
    state.LoadConfig();
    Check(state.LogMode == LogAppend || state.LogMode == LogNewFile);
    Check(state.DecodeMode == DecodeOn || state.DecodeMode == DecodeOff);
    const int loaded = state.LogCounter;

    // Saved and loaded into a record whose settings all differ from the first.
    Check(state.SaveConfig());
    CCaptureState reloaded;
    reloaded.LogMode = 1 - state.LogMode;
    reloaded.DecodeMode = 1 - state.DecodeMode;
    reloaded.LogCounter = loaded == 0 ? 1 : 0;
    reloaded.LoadConfig();
    Check(reloaded.LogMode == state.LogMode && reloaded.DecodeMode == state.DecodeMode &&
          reloaded.LogCounter == loaded);

    state.ComposeLogFileName();
    Check(IsTerminated(state.LogFileName, sizeof state.LogFileName) &&
          IsTerminated(state.LogPath, sizeof state.LogPath));
    char name[64];
    std::snprintf(name, sizeof name, "nmea_%04d.nmea", loaded);
    Check(std::strcmp(state.LogFileName, name) == 0);
    Check(std::string(state.LogPath) == std::string(KAppDirectory) + "/" + name);

    // In new-file mode naming the file has already advanced the counter once.
    const int advanced = loaded >= KMaxLogCounter ? 0 : loaded + 1;
    Check(state.LogCounter == (state.LogMode == LogNewFile ? advanced : loaded));
    state.LogCounter = loaded;
    state.AdvanceLogCounter();
    Check(state.LogCounter == advanced);
    return 0;
}

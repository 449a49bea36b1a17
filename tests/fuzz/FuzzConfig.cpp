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

#include "FuzzSupport.h"
#include "nmea/CaptureState.h"
#include "platform/DevicePath.h"

namespace {

bool IsTerminated(const char* aText, std::size_t aCapacity) {
    return std::memchr(aText, '\0', aCapacity) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    // On a memory file system when there is one: the save syncs the file and its directory,
    // which on a disk costs more than the rest of a run.
    static const bool KRootMade =
        MakeFuzzRoot("config", {"/mnt", "/mnt/sdcard", "/mnt/sdcard/fixtrail"}, true);
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
    reloaded.LogMode = state.LogMode == LogAppend ? LogNewFile : LogAppend;
    reloaded.DecodeMode = state.DecodeMode == DecodeOn ? DecodeOff : DecodeOn;
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

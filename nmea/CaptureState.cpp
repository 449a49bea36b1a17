#include "nmea/CaptureState.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <string_view>

#include "nmea/FieldNumbers.h"
#include "platform/DevicePath.h"
#include "platform/RegularFile.h"

namespace {

constexpr const char* KLogModeWords[] = {"append", "new"};
constexpr const char* KDecodeModeWords[] = {"yes", "no"};
constexpr char KSeparator[] = "----------------------------------------\n";
constexpr std::int64_t KSyncIntervalMs = 1000;
// A configuration line is a few words; longer text from a damaged card is cut, not stored.
constexpr std::size_t KMaxConfigLine = 4096;

// Syncs the directory so that a file renamed into it survives a power cut.
void SyncDirectory(const char* aDevicePath) {
    const TDevicePath path = DevicePath(aDevicePath);
    const int directory = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (directory >= 0) {
        (void)::fsync(directory);
        (void)::close(directory);
    }
}

// key = the text before the first space, value = the text after it; a line without a space is
// both. The words are found anywhere in them, tested in this order.
void ApplyConfigLine(CCaptureState& aState, std::string_view aLine) {
    std::string_view key = aLine;
    std::string_view value = aLine;
    const std::size_t space = aLine.find(' ');
    if (space != std::string_view::npos) {
        key = aLine.substr(0, space);
        value = aLine.substr(space + 1);
    }
    const auto contains = [](std::string_view aText, std::string_view aWord) {
        return aText.find(aWord) != std::string_view::npos;
    };
    if (contains(key, "logsaving")) {
        if (contains(value, KLogModeWords[LogAppend])) {
            aState.LogMode = LogAppend;
        } else if (contains(value, KLogModeWords[LogNewFile])) {
            aState.LogMode = LogNewFile;
        }
    } else if (contains(key, "framedecoding")) {
        if (contains(value, KDecodeModeWords[DecodeOn])) {
            aState.DecodeMode = DecodeOn;
        } else if (contains(value, KDecodeModeWords[DecodeOff])) {
            aState.DecodeMode = DecodeOff;
        }
    } else if (contains(key, "logcounter")) {
        const std::string number(value);
        (void)ScanInteger(number.c_str(), aState.LogCounter);
    }
}

}  // namespace

std::int64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

const char* LogModeWord(TLogMode aLogMode) {
    return aLogMode == LogNewFile ? KLogModeWords[LogNewFile] : KLogModeWords[LogAppend];
}

const char* DecodeModeWord(TDecodeMode aDecodeMode) {
    return aDecodeMode == DecodeOn ? KDecodeModeWords[DecodeOn] : KDecodeModeWords[DecodeOff];
}

CCaptureState::~CCaptureState() {
    CloseLog();
}

void CCaptureState::ComposeLogFileName() {
    // Both fit: the name has 21 characters at the most, the directory is a constant.
    (void)std::snprintf(LogFileName, sizeof LogFileName, "%s_%04d.%s", "nmea", LogCounter, "nmea");
    (void)std::snprintf(LogPath, sizeof LogPath, "%s/%s", KAppDirectory, LogFileName);
    if (LogMode != LogAppend) {
        AdvanceLogCounter();
    }
}

void CCaptureState::AdvanceLogCounter() {
    // Compared before adding: a counter loaded as INT_MAX wraps to 0 instead of overflowing.
    LogCounter = LogCounter >= KMaxLogCounter ? 0 : LogCounter + 1;
}

bool CCaptureState::SaveConfig() const {
    // Written beside config.txt, synced, then renamed over it: a power cut leaves either the
    // old file or the new one, never a truncated one.
    const TDevicePath tempPath = DevicePath(KConfigTempPath);
    const TDevicePath configPath = DevicePath(KConfigPath);
    // Like every file the program opens on the card, only a regular file: a FIFO left under
    // one of these names would otherwise hang the program until someone opened its other end.
    std::FILE* file = OpenRegularStream(tempPath.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    const bool written =
        std::fprintf(file, "logsaving %s\nframedecoding %s\nlogcounter %d\n", LogModeWord(LogMode),
                     DecodeModeWord(DecodeMode), LogCounter) > 0 &&
        std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(tempPath.c_str(), configPath.c_str()) != 0) {
        (void)std::remove(tempPath.c_str());
        return false;
    }
    SyncDirectory(KAppDirectory);
    return true;
}

void CCaptureState::LoadConfig() {
    const TDevicePath path = DevicePath(KConfigPath);
    std::FILE* file = OpenRegularStream(path.c_str(), "r");
    if (file == nullptr) {
        return;
    }
    // Lines are read byte by byte: a NUL inside one (a damaged card) is just another byte.
    std::string line;
    line.reserve(KMaxConfigLine);
    int c;
    do {
        c = std::getc(file);
        if (c == '\n' || c == EOF) {
            ApplyConfigLine(*this, line);
            line.clear();
        } else if (line.size() < KMaxConfigLine) {
            line += static_cast<char>(c);  // beyond the limit the rest of the line is dropped
        }
    } while (c != EOF);
    (void)std::fclose(file);  // read only: nothing is lost
}

bool CCaptureState::OpenLog() {
    CloseLog();
    const TDevicePath path = DevicePath(LogPath);
    LogFile = OpenRegularStream(path.c_str(), "a");
    iLogUnsynced = false;
    iLogWriteFailed = false;
    iLogSyncTime = MonotonicMs();
    return LogFile != nullptr;
}

void CCaptureState::WriteLog(const char* aSentence, std::size_t aLength,
                             const std::string* aReport) {
    if (LogFile == nullptr) {
        return;
    }
    // A failed write shows in the stream's error flag, which the next sync checks.
    (void)std::fputc('$', LogFile);
    (void)std::fwrite(aSentence, 1, aLength, LogFile);
    (void)std::fputc('\n', LogFile);
    if (aReport != nullptr) {
        (void)std::fwrite(KSeparator, 1, sizeof KSeparator - 1, LogFile);
        (void)std::fwrite(aReport->data(), 1, aReport->size(), LogFile);
        (void)std::fwrite(KSeparator, 1, sizeof KSeparator - 1, LogFile);
    }
    iLogUnsynced = true;
}

void CCaptureState::FlushLog(bool aSync) {
    if (LogFile == nullptr || !iLogUnsynced) {
        return;
    }
    // The stream keeps its error indicator, so a write that failed before this flush shows too.
    if (std::fflush(LogFile) != 0 || std::ferror(LogFile) != 0) {
        iLogWriteFailed = true;
    }
    const std::int64_t now = MonotonicMs();
    if (aSync || now - iLogSyncTime >= KSyncIntervalMs) {
        if (::fsync(fileno(LogFile)) != 0 && errno != EINVAL) {  // EINVAL: cannot be synced
            iLogWriteFailed = true;
        }
        iLogSyncTime = now;
        iLogUnsynced = false;
    }
}

void CCaptureState::CloseLog() {
    if (LogFile == nullptr) {
        return;
    }
    FlushLog(true);
    if (std::fclose(LogFile) != 0) {
        iLogWriteFailed = true;
    }
    LogFile = nullptr;
}

void CCaptureState::ResetCounters() {
    TotalCount = 0;
    GgaCount = 0;
    GllCount = 0;
    GsaCount = 0;
    GsvCount = 0;
    VtgCount = 0;
    RmcCount = 0;
    OtherCount = 0;
}

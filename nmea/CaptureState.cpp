#include "nmea/CaptureState.h"

#include <fcntl.h>
#include <sys/stat.h>
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

// A pass's sentences at a fast receiver's rate; more are written at once, so that callers that
// never flush (benchmarks, the fuzzer) keep their memory bounded.
constexpr std::size_t KLogQueueLimit = std::size_t{16} * 1024;
// "logsaving append\nframedecoding yes\nlogcounter -2147483648\n" and then some.
constexpr std::size_t KConfigText = 96;

// Syncs the directory so that a file renamed into it survives a power cut.
void SyncDirectory(const char* aDevicePath, CCaptureState::TSyncCall aSync) {
    const TDevicePath path = DevicePath(aDevicePath);
    const int directory = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (directory >= 0) {
        (void)aSync(directory);
        (void)::close(directory);
    }
}

// Writes aCount bytes at the descriptor's offset; how many were written. When short, errno
// says why.
std::size_t WriteAll(int aDescriptor, const char* aBytes, std::size_t aCount) {
    std::size_t done = 0;
    while (done < aCount) {
        const ssize_t written = ::write(aDescriptor, aBytes + done, aCount - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return done;
        }
        done += static_cast<std::size_t>(written);
    }
    return done;
}

// The card has no room left for a new file: full, over quota, or at the size limit.
bool IsNoRoom(int aError) {
    return aError == ENOSPC || aError == EDQUOT || aError == EFBIG;
}

// Writes the whole text to a new temporary file, synced, and renames it over config.txt. The
// errno of the first failure is kept in aError.
bool ReplaceConfig(const char* aText, std::size_t aLength, CCaptureState::TSyncCall aSync,
                   int& aError) {
    const TDevicePath tempPath = DevicePath(KConfigTempPath);
    const TDevicePath configPath = DevicePath(KConfigPath);
    // Like every file the program opens on the card, only a regular file: a FIFO left under
    // one of these names would otherwise hang the program until someone opened its other end.
    const int file = OpenRegularFile(tempPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
    if (file < 0) {
        aError = errno;
        return false;
    }
    bool done = WriteAll(file, aText, aLength) == aLength && aSync(file) == 0;
    aError = done ? 0 : errno;
    if (::close(file) != 0 && done) {
        done = false;
        aError = errno;
    }
    if (done && std::rename(tempPath.c_str(), configPath.c_str()) != 0) {
        done = false;
        aError = errno;
    }
    if (!done) {
        (void)std::remove(tempPath.c_str());
    }
    return done;
}

// The last resort on a full card: config.txt rewritten where it lies. Its blocks are its own,
// and the three lines take about the room they took before.
bool RewriteConfigInPlace(const char* aText, std::size_t aLength, CCaptureState::TSyncCall aSync) {
    const TDevicePath configPath = DevicePath(KConfigPath);
    const int file = OpenRegularFile(configPath.c_str(), O_WRONLY | O_CREAT);
    if (file < 0) {
        return false;
    }
    bool done = WriteAll(file, aText, aLength) == aLength &&
                ::ftruncate(file, static_cast<off_t>(aLength)) == 0 && aSync(file) == 0;
    done = ::close(file) == 0 && done;
    return done;
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

int CCaptureState::DefaultSync(int aDescriptor) {
    return ::fsync(aDescriptor);
}

bool CCaptureState::SaveConfig() const {
    char text[KConfigText];
    const int length =
        std::snprintf(text, sizeof text, "logsaving %s\nframedecoding %s\nlogcounter %d\n",
                      LogModeWord(LogMode), DecodeModeWord(DecodeMode), LogCounter);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text) {
        return false;
    }
    // Written beside config.txt, synced, then renamed over it: a power cut leaves either the
    // old file or the new one, never a truncated one.
    int error = 0;
    if (ReplaceConfig(text, static_cast<std::size_t>(length), iSync, error)) {
        SyncDirectory(KAppDirectory, iSync);
        return true;
    }
    // A full card has no room for the copy; settings and counter would be lost on Exit.
    return IsNoRoom(error) && RewriteConfigInPlace(text, static_cast<std::size_t>(length), iSync);
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

bool CCaptureState::ComposeUnusedLogFileName() {
    for (int tries = 0; tries <= KMaxLogCounter; ++tries) {
        ComposeLogFileName();
        const TDevicePath path = DevicePath(LogPath);
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
            return true;
        }
        if (LogMode == LogAppend) {
            AdvanceLogCounter();  // in new-file mode the name already did
        }
    }
    return false;
}

bool CCaptureState::OpenLog() {
    CloseLog();
    iLogWriteFailed = false;
    iLogRollOvers = 0;
    return OpenLogFile();
}

bool CCaptureState::OpenLogFile() {
    const TDevicePath path = DevicePath(LogPath);
    // Read as well: the last byte tells whether an earlier run left a cut line.
    LogFile = OpenRegularStream(path.c_str(), "a+");
    iLogFromPath = LogFile != nullptr;
    iLogNeedsLineEnd = true;
    iLogUnsynced = false;
    iLogSyncTime = MonotonicMs();
    return LogFile != nullptr;
}

void CCaptureState::WriteLog(const char* aSentence, std::size_t aLength,
                             const std::string* aReport) {
    if (LogFile == nullptr && !iLogNextDue) {
        return;
    }
    iLogQueue += '$';
    iLogQueue.append(aSentence, aLength);
    iLogQueue += '\n';
    if (aReport != nullptr) {
        iLogQueue.append(KSeparator, sizeof KSeparator - 1);
        iLogQueue += *aReport;
        iLogQueue.append(KSeparator, sizeof KSeparator - 1);
    }
    iRecordEnds.push_back(iLogQueue.size());
    if (iLogQueue.size() >= KLogQueueLimit) {
        WriteQueued();
    }
}

bool CCaptureState::EndWithLineFeed(int aDescriptor) {
    struct stat info {};
    char last = '\n';
    // Standard output, a pipe or /dev/null: nothing to look at.
    if (::fstat(aDescriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        ::pread(aDescriptor, &last, 1, info.st_size - 1) == 1 && last != '\n' &&
        WriteAll(aDescriptor, "\n", 1) != 1) {
        return false;
    }
    iLogNeedsLineEnd = false;
    return true;
}

void CCaptureState::WriteQueued() {
    // A roll-over whose next file could not be made tries again with every write, so that
    // the run's log goes on once the card lets it.
    if (LogFile == nullptr && iLogNextDue) {
        (void)OpenNextLogFile();
    }
    std::size_t from = 0;  // the records before it are written, or lost
    while (LogFile != nullptr && from < iLogQueue.size()) {
        const int descriptor = fileno(LogFile);
        if (iLogNeedsLineEnd && !EndWithLineFeed(descriptor)) {
            iLogWriteFailed = true;
            break;
        }
        const off_t start = ::lseek(descriptor, 0, SEEK_END);  // -1 on a pipe
        const std::size_t count = iLogQueue.size() - from;
        const std::size_t written = WriteAll(descriptor, iLogQueue.data() + from, count);
        iLogUnsynced = iLogUnsynced || written > 0;
        if (written == count) {
            iLogWriteFailed = false;
            break;
        }
        const int error = errno;
        // Only whole records stay: a cut one is taken back, so that the file ends on a line
        // end and the record can go whole into the next file.
        std::size_t kept = from;
        for (std::size_t end : iRecordEnds) {
            if (end > from && end <= from + written) {
                kept = end;
            }
        }
        if (from + written > kept &&
            (start < 0 || ::ftruncate(descriptor, start + static_cast<off_t>(kept - from)) != 0)) {
            iLogNeedsLineEnd = true;
        }
        // A file that holds nothing yet would not do better under another number.
        const bool held = start > 0 || kept > from;
        from = kept;
        if (error == EFBIG && held && RollOverLog()) {
            continue;
        }
        // What is queued now is lost: later passes try again with their own sentences.
        iLogWriteFailed = true;
        iLogNeedsLineEnd = true;
        break;
    }
    if (LogFile == nullptr) {
        iLogWriteFailed = true;  // the next file could not be opened
    }
    iLogQueue.clear();
    iRecordEnds.clear();
}

bool CCaptureState::RollOverLog() {
    if (!iLogFromPath) {
        return false;  // a stream the caller gave (standard output) has no next file
    }
    (void)iSync(fileno(LogFile));
    (void)std::fclose(LogFile);
    LogFile = nullptr;
    // The full file keeps its number; the run goes on under the next one that is free.
    if (LogMode == LogAppend) {
        AdvanceLogCounter();
    }
    (void)ComposeUnusedLogFileName();
    iLogNextDue = true;
    return OpenNextLogFile();
}

bool CCaptureState::OpenNextLogFile() {
    if (!OpenLogFile()) {
        return false;
    }
    iLogNextDue = false;
    ++iLogRollOvers;  // the screen names the new file once it is there
    return true;
}

void CCaptureState::FlushLog(bool aSync, std::int64_t aNowMs) {
    if (LogFile == nullptr && !iLogNextDue) {
        return;
    }
    if (!iLogQueue.empty()) {
        WriteQueued();
    }
    if (LogFile == nullptr || !iLogUnsynced) {
        return;
    }
    if (aSync || aNowMs - iLogSyncTime >= KSyncIntervalMs) {
        if (iSync(fileno(LogFile)) != 0 && errno != EINVAL) {  // EINVAL: cannot be synced
            iLogWriteFailed = true;
        }
        iLogSyncTime = aNowMs;
        iLogUnsynced = false;
    }
}

void CCaptureState::CloseLog() {
    iLogNextDue = false;
    if (LogFile == nullptr) {
        return;
    }
    FlushLog(true);
    if (LogFile != nullptr && std::fclose(LogFile) != 0) {
        iLogWriteFailed = true;
    }
    LogFile = nullptr;
    iLogFromPath = false;
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

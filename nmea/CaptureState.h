#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "nmea/ReceiverState.h"
#include "platform/DevicePath.h"

constexpr int KMaxLogCounter = 10000;  // the counter runs 0 to 10000 inclusive

// Milliseconds of the monotonic clock, for intervals only.
std::int64_t MonotonicMs();

enum TRunState { Stopped = 0, Running = 1, RunningHidden = 2 };
enum TLogMode { LogAppend = 0, LogNewFile = 1 };
enum TDecodeMode { DecodeOn = 0, DecodeOff = 1 };

// The application state record shared by the capture engine and the main screen: settings,
// log numbering, the counters of the current run, the run state and the open log file.
class CCaptureState {
  public:
    // The colours of the main screen's value and caption labels, by default the toolkit's white
    // and yellow (RGB 565).
    explicit CCaptureState(std::uint32_t aValueColor = 0xFFFF, std::uint32_t aCaptionColor = 0xFFE0)
        : ValueColor(aValueColor), CaptionColor(aCaptionColor), iSync(DefaultSync) {}
    ~CCaptureState();
    CCaptureState(const CCaptureState&) = delete;
    CCaptureState& operator=(const CCaptureState&) = delete;

    // Names the log file after LogCounter ("nmea_0007.nmea") and, in new-file mode, advances
    // the counter so that the next run gets a file of its own.
    void ComposeLogFileName();
    // The same, but a number whose file already exists on the card is passed over (the counter
    // lives in memory until Save or Exit, so a power cut can leave it behind the files): in
    // new-file mode every run gets a file of its own. False when every number is taken; the
    // name is then that of the last one tried.
    bool ComposeUnusedLogFileName();
    // LogCounter + 1, back to 0 past 10000.
    void AdvanceLogCounter();
    // Writes config.txt; false when it could not be written (the old file is then intact).
    // When the card has no room for the temporary copy, the file is rewritten in place.
    bool SaveConfig() const;
    // Reads config.txt; a missing file, one that is no regular file (a FIFO would block the
    // start-up) or a line it does not understand changes nothing.
    void LoadConfig();

    // Opens LogPath for appending; false when it cannot be opened or is no regular file.
    bool OpenLog();
    // Queues "$<sentence>\n" and, if given, the report between two separator lines; they reach
    // the file at the next FlushLog (or once a pass's worth is queued).
    void WriteLog(const char* aSentence, std::size_t aLength, const std::string* aReport);
    // Writes what is queued, whole sentences only, each on a line of its own: a file that does
    // not end in a line feed (a cut last line) gets one first. A log that can grow no more
    // (EFBIG: a file-size limit, FAT32's 4 GiB) is continued in the next unused numbered file.
    // Syncs the file to the card when aSync or a second has passed since the last sync.
    void FlushLog(bool aSync, std::int64_t aNowMs = MonotonicMs());
    // Flushes, syncs and closes the log if it is open.
    void CloseLog();
    // True while the log cannot be written (card full, removed or failing): the last write or
    // sync failed, and sentences counted since then are not in the file. A later write that
    // succeeds clears it; so does the next open.
    bool LogWriteFailed() const { return iLogWriteFailed; }
    // How often the run's log was continued in a new file: the file name changed.
    int LogRollOvers() const { return iLogRollOvers; }

    // The call that syncs a descriptor to the card (fsync); tests count and fail syncs here.
    using TSyncCall = int (*)(int aDescriptor);
    void SetSyncCall(TSyncCall aSync) { iSync = aSync; }

    void ResetCounters();

    TLogMode LogMode = LogAppend;
    TDecodeMode DecodeMode = DecodeOff;
    int LogCounter = 0;
    int TotalCount = 0;
    int GgaCount = 0;
    int GllCount = 0;
    int GsaCount = 0;
    int GsvCount = 0;
    int VtgCount = 0;
    int RmcCount = 0;
    int OtherCount = 0;
    TRunState RunState = Stopped;
    char LogPath[128] = {};
    char LogFileName[32] = {};
    std::FILE* LogFile = nullptr;
    std::uint32_t ValueColor;
    std::uint32_t CaptionColor;
    // Monotonic milliseconds of the run's last attempt to open the feed.
    std::int64_t FeedAttemptMs = 0;
    // The run has had its feed open: a feed opened again after a loss holds this run's
    // sentences, where the first one may hold what came before the run.
    bool FeedWasOpen = false;
    // What the receiver says during the run, for the status line.
    CReceiverState Receiver;

  private:
    static int DefaultSync(int aDescriptor);
    void WriteQueued();
    bool EndWithLineFeed(int aDescriptor);
    bool RollOverLog();
    bool OpenLogFile();
    bool OpenNextLogFile();

    std::string iLogQueue;                 // whole records not yet written
    std::vector<std::size_t> iRecordEnds;  // where each record in iLogQueue ends
    bool iLogUnsynced = false;             // written, but not yet synced to the card
    bool iLogNeedsLineEnd = false;         // opened, or a write failed: check the last byte
    bool iLogFromPath = false;             // opened from LogPath, so it may roll over
    bool iLogNextDue = false;              // rolled over, but the next file is not open yet
    std::int64_t iLogSyncTime = 0;         // monotonic milliseconds of the last sync
    bool iLogWriteFailed = false;
    int iLogRollOvers = 0;
    TSyncCall iSync;
};

// The configuration words, indexed by the setting's value.
const char* LogModeWord(TLogMode aLogMode);
const char* DecodeModeWord(TDecodeMode aDecodeMode);

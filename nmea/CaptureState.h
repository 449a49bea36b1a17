#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "nmea/ReceiverState.h"
#include "platform/DevicePath.h"

constexpr int KMaxLogCounter = 10000;  // the counter runs 0 to 10000 inclusive

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
        : ValueColor(aValueColor), CaptionColor(aCaptionColor) {}
    ~CCaptureState();
    CCaptureState(const CCaptureState&) = delete;
    CCaptureState& operator=(const CCaptureState&) = delete;

    // Names the log file after LogCounter ("nmea_0007.nmea") and, in new-file mode, advances
    // the counter so that the next run gets a file of its own.
    void ComposeLogFileName();
    // LogCounter + 1, back to 0 past 10000.
    void AdvanceLogCounter();
    // Writes config.txt; false when it could not be written (the old file is then intact).
    bool SaveConfig() const;
    // Reads config.txt; a missing file, one that is no regular file (a FIFO would block the
    // start-up) or a line it does not understand changes nothing.
    void LoadConfig();

    // Opens LogPath for appending; false when it cannot be opened or is no regular file.
    bool OpenLog();
    // Writes "$<sentence>\n" and, if given, the report between two separator lines.
    void WriteLog(const char* aSentence, std::size_t aLength, const std::string* aReport);
    // Flushes what the stream holds; syncs it to the card when aSync or a second has passed.
    void FlushLog(bool aSync);
    // Flushes, syncs and closes the log if it is open.
    void CloseLog();
    // True when a write, flush, sync or close of the log failed since it was last opened (card
    // full, removed or failing): what was counted since may be missing from the file.
    bool LogWriteFailed() const { return iLogWriteFailed; }

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
    // What the receiver says during the run, for the status line.
    CReceiverState Receiver;

  private:
    bool iLogUnsynced = false;      // written and flushed, but not yet synced to the card
    std::int64_t iLogSyncTime = 0;  // monotonic milliseconds of the last sync
    bool iLogWriteFailed = false;
};

// Milliseconds of the monotonic clock, for intervals only.
std::int64_t MonotonicMs();

// The configuration words, indexed by the setting's value.
const char* LogModeWord(TLogMode aLogMode);
const char* DecodeModeWord(TDecodeMode aDecodeMode);

#pragma once

#include <cstdint>
#include <string>

#include "nmea/CaptureState.h"
#include "nmea/NmeaParser.h"

// What the capture cycle asks of the rest of the application, which the engine does not know:
// the main screen, the display and the navigation-server messages.
class MCaptureEvents {
  public:
    virtual ~MCaptureEvents() = default;
    // Redraws the main screen's status, file name and counter labels from the state record.
    virtual void RefreshCounters() = 0;
    // Shows what was redrawn on the display.
    virtual void UpdateDisplay() = 0;
    // Handles the pending navigation-server messages addressed to this application.
    virtual void ServeMessages() = 0;
};

// What the capture cycle asks of each read of the feed; the engine never takes more than its
// CNmeaParser::KChunkCapacity in one read.
constexpr int KFeedReadLimit = 200;
constexpr int KMaxReadsPerPass = 16;  // reads per pass while the feed has data

constexpr std::int64_t KFeedRetryMs = 1000;  // a run without its feed tries again this often

// Starts a run from Stopped: counters to 0, log file named and opened, feed opened and drained,
// sentence assembly started afresh (waiting for '$', nothing pending or queued).
// False when the run state is not Stopped or the log file cannot be opened (directory missing,
// card full or write-protected): nothing is opened, and the run state, the counters and the
// log counter are unchanged; the log file name names the file that could not be opened.
// A feed that cannot be opened does not stop the run: the user asked to capture, and the
// capture step opens the feed once it is there (RetryFeed).
bool StartCapture(CCaptureState& aState, CNmeaParser& aParser);

// While a run has no feed and KFeedRetryMs have passed since the last attempt (aNowMs on the
// clock of MonotonicMs), tries to open it again and drains it as StartCapture does. True when
// the feed opened in this call.
bool RetryFeed(CCaptureState& aState, CNmeaParser& aParser, std::int64_t aNowMs);

// Ends a Running run: the log file flushed, synced and closed, the feed closed. The counters
// keep their values.
void StopCapture(CCaptureState& aState, CNmeaParser& aParser);

// One idle step of the event loop. While a run is active: opens a missing feed when due
// (RetryFeed; the screen is told when it opens), reads the feed, handles every
// sentence it completed, and shows the counters while the screen is ours (and the status once
// the receiver falls silent). In every run state, finally: serves the pending messages.
void CaptureStep(CCaptureState& aState, CNmeaParser& aParser, MCaptureEvents& aEvents);

// Handles the sentences queued in the parser: each is logged, decoded and counted when
// decoding is on, and added to the total. aEvents, if given, is told once after them when any
// were handled and the run state is Running. Returns how many sentences were handled.
int HandleQueuedSentences(CCaptureState& aState, CNmeaParser& aParser, MCaptureEvents* aEvents);

// Logs one sentence and, with decoding on, its report; counts it. The receiver state hears
// every sentence, decoding on or off. aFields and aReport are working storage, reused from one
// sentence to the next.
void HandleSentence(CCaptureState& aState, const std::string& aSentence, TFieldList& aFields,
                    std::string& aReport);

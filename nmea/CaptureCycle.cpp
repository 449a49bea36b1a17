#include "nmea/CaptureCycle.h"

#include <cstring>

#include "nmea/SentenceType.h"

namespace {

// Counters are plain ints that the screen prints; after 2^31 sentences they wrap rather than
// overflow.
void Count(int& aCounter) {
    aCounter = static_cast<int>(static_cast<unsigned>(aCounter) + 1u);
}

// Parses the sentence by its type, of any talker (GNGGA is a GGA), appends its report and
// counts it under that type.
void DecodeAndCount(CCaptureState& aState, const TFieldList& aFields, std::string& aReport) {
    switch (SentenceTypeOf(aFields[0])) {
        case TSentenceType::Gga:
            CNmeaParser::AppendReport(aReport, CNmeaParser::ParseGga(aFields, true));
            Count(aState.GgaCount);
            break;
        case TSentenceType::Gll:
            CNmeaParser::AppendReport(aReport, CNmeaParser::ParseGll(aFields));
            Count(aState.GllCount);
            break;
        case TSentenceType::Gsa:
            CNmeaParser::AppendReport(aReport, CNmeaParser::ParseGsa(aFields));
            Count(aState.GsaCount);
            break;
        case TSentenceType::Gsv:
            CNmeaParser::AppendReport(aReport, CNmeaParser::ParseGsv(aFields));
            Count(aState.GsvCount);
            break;
        case TSentenceType::Vtg:
            CNmeaParser::AppendReport(aReport, CNmeaParser::ParseVtg(aFields));
            Count(aState.VtgCount);
            break;
        case TSentenceType::Rmc:
            CNmeaParser::AppendReport(aReport, CNmeaParser::ParseRmc(aFields, true));
            Count(aState.RmcCount);
            break;
        case TSentenceType::Other:
            CNmeaParser::AppendFieldList(aReport, aFields);
            Count(aState.OtherCount);
            break;
    }
}

// Opens the feed; the run's first feed is drained of what it had buffered before the run
// wanted it, one opened again after a loss keeps what it holds.
void OpenRunFeed(CCaptureState& aState, CNmeaParser& aParser, std::int64_t aNowMs) {
    aState.FeedAttemptMs = aNowMs;
    aParser.OpenFeed(KFeedPath);
    if (aParser.IsFeedOpen() && !aState.FeedWasOpen) {
        aParser.DrainFeed(CNmeaParser::KChunkCapacity);
    }
    aState.FeedWasOpen = aState.FeedWasOpen || aParser.IsFeedOpen();
}

}  // namespace

bool StartCapture(CCaptureState& aState, CNmeaParser& aParser) {
    if (aState.RunState != Stopped) {
        return false;
    }
    // A start that fails must not use up a file number: the user retries once the card is
    // back, and the run then writes the file the screen named.
    const int counter = aState.LogCounter;
    if (aState.LogMode == LogNewFile) {
        (void)aState.ComposeUnusedLogFileName();  // all 10001 taken: the last one is continued
    } else {
        aState.ComposeLogFileName();
    }
    if (!aState.OpenLog()) {
        aState.LogCounter = counter;
        return false;
    }
    aState.ResetCounters();
    aState.Receiver.Start(MonotonicMs());
    aState.FeedWasOpen = false;
    OpenRunFeed(aState, aParser, MonotonicMs());
    // What the last run left half-assembled belongs to a feed that has since been closed: its
    // tail in this run's bytes would make a line no receiver sent.
    aParser.ResetAssembly();
    aState.RunState = Running;
    return true;
}

bool RetryFeed(CCaptureState& aState, CNmeaParser& aParser, std::int64_t aNowMs) {
    if ((aState.RunState != Running && aState.RunState != RunningHidden) || aParser.IsFeedOpen() ||
        aNowMs - aState.FeedAttemptMs < KFeedRetryMs) {
        return false;
    }
    OpenRunFeed(aState, aParser, aNowMs);
    return aParser.IsFeedOpen();
}

void StopCapture(CCaptureState& aState, CNmeaParser& aParser) {
    if (aState.RunState != Running) {
        return;
    }
    aState.CloseLog();
    aParser.CloseFeed();
    aState.RunState = Stopped;
}

void CaptureStep(CCaptureState& aState, CNmeaParser& aParser, MCaptureEvents& aEvents) {
    if (aState.RunState == Running || aState.RunState == RunningHidden) {
        const std::int64_t now = MonotonicMs();
        // "Running: no feed" becomes "Running" as soon as the feed is there, and back when
        // the feed goes away.
        bool statusChanged = !aParser.IsFeedOpen() && RetryFeed(aState, aParser, now);
        const bool feedWasOpen = aParser.IsFeedOpen();
        // One read of 200 bytes per 50 ms pass caps the feed at 4 KB/s; read again while the
        // feed has more, so that a fast receiver does not fall behind until its pipe overflows.
        for (int reads = 0; reads < KMaxReadsPerPass && aParser.ReadFeed(KFeedReadLimit); ++reads) {
        }
        if (feedWasOpen && !aParser.IsFeedOpen()) {
            aState.FeedAttemptMs = now;  // the next attempt about a second from now
            statusChanged = true;
        }
        HandleQueuedSentences(aState, aParser, &aEvents);
        // A receiver that falls silent shows without a sentence to bring the news.
        if (aState.Receiver.Update(MonotonicMs(), aParser.IsFeedOpen()) &&
            aState.RunState == Running) {
            aEvents.RefreshCounters();
            aEvents.UpdateDisplay();
        }
        const bool failedBefore = aState.LogWriteFailed();
        const int rollOversBefore = aState.LogRollOvers();
        aState.FlushLog(false, now);
        // The flush is where a full or failing card shows, and where the log moves on to its
        // next file: tell the user now, not a sentence later, which may never come.
        statusChanged = statusChanged || failedBefore != aState.LogWriteFailed() ||
                        rollOversBefore != aState.LogRollOvers();
        if (statusChanged && aState.RunState == Running) {
            aEvents.RefreshCounters();
            aEvents.UpdateDisplay();
        }
    }
    aEvents.ServeMessages();
}

int HandleQueuedSentences(CCaptureState& aState, CNmeaParser& aParser, MCaptureEvents* aEvents) {
    std::string sentence;
    TFieldList fields;
    std::string report;
    int handled = 0;
    while (aParser.NextSentence(sentence)) {
        HandleSentence(aState, sentence, fields, report);
        ++handled;
    }
    // Once for all of them: the screen ends as a refresh after each would leave it, and the
    // drawing costs one sentence's instead of a pass's worth.
    if (aEvents != nullptr && handled > 0 && aState.RunState == Running) {
        aEvents->RefreshCounters();
        aEvents->UpdateDisplay();
    }
    return handled;
}

void HandleSentence(CCaptureState& aState, const std::string& aSentence, TFieldList& aFields,
                    std::string& aReport) {
    aState.Receiver.OnSentence(aSentence);
    const std::string* report = nullptr;
    if (aState.DecodeMode == DecodeOn) {
        CNmeaParser::SplitFields(aSentence, aFields);
        aReport.clear();
        DecodeAndCount(aState, aFields, aReport);
        report = &aReport;
    }
    aState.WriteLog(aSentence.data(), aSentence.size(), report);
    Count(aState.TotalCount);
}

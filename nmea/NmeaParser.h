#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "nmea/Frames.h"

// The fields of one sentence: f[0] is the sentence type, the last one the checksum text.
using TFieldList = std::vector<std::string>;

// The capture engine: owns the GPS feed, cuts its bytes into sentences, parses the six
// sentence types it understands into frame records and builds their readable reports.
// One exists per process; every operation runs on the event-loop thread.
class CNmeaParser {
  public:
    enum TAssemblyState { WaitStart = 0, InSentence = 1 };

    static constexpr unsigned long KFeedIoctl = 0x5305;  // understood by the feed driver only
    static constexpr int KMaxSentence = 255;             // characters between '$' and its end
    // The engine's chunk buffer: no read of the feed takes more bytes than this, whatever the
    // caller asks (the capture cycle asks for KFeedReadLimit, the drain for all of it).
    static constexpr int KChunkCapacity = 255;
    static constexpr std::size_t KMaxField = 24;  // a field this long ends the split

    CNmeaParser() = default;
    ~CNmeaParser();
    CNmeaParser(const CNmeaParser&) = delete;
    CNmeaParser& operator=(const CNmeaParser&) = delete;

    // --- Feed --------------------------------------------------------------------------------

    // Opens the feed non-blocking and sends it the feed ioctl. Always true: a path that cannot
    // be opened leaves the descriptor at -1, and every read then simply finds no data. A
    // terminal feed never becomes the program's controlling terminal, so neither its data nor
    // a hang-up can signal the program.
    bool OpenFeed(const char* aPath);
    // The first of /var/run/gpsfeed, /dev/gpsdata, /dev/gpspipe that opens; false if none does.
    bool OpenDefaultFeed();
    // Reads and discards what the feed has buffered, in reads of up to aChunkLimit bytes.
    void DrainFeed(int aChunkLimit);
    // Closes the feed if it is open; the descriptor number is kept, as it was.
    void CloseFeed();
    // One non-blocking read of up to aByteLimit (at most 255) bytes, assembled into sentences.
    // False when the read returned nothing: no data yet, end of feed, an error or no feed.
    // A feed that is gone is closed (IsFeedOpen turns false), so that it can be opened anew: a
    // read error (a terminal unplugged), or end of file while the path now names another file
    // or none (the daemon re-made its FIFO). End of file on the same FIFO is a receiver that
    // paused; it stays open.
    bool ReadFeed(int aByteLimit);
    // Cuts the bytes of one read into sentences, as ReadFeed does after reading them. A NUL
    // drops the sentence it falls in; the bytes after it are still examined.
    void Assemble(const char* aBytes, std::size_t aCount);
    // The input has ended (a recording read to its end): a last sentence without its line
    // end is queued.
    void FinishInput();
    // Forgets every sentence begun or queued: assembly waits for '$', nothing is pending or
    // queued. A new capture run starts here, so that no sentence spans two runs.
    void ResetAssembly();

    // Removes and returns the oldest queued sentence; empty when none is queued.
    std::string NextSentence();
    // The same into aSentence, reusing its storage; false when none is queued.
    bool NextSentence(std::string& aSentence);

    int FeedDescriptor() const { return iFeedDescriptor; }
    bool IsFeedOpen() const { return iFeedOpen; }
    TAssemblyState AssemblyState() const { return iState; }
    std::string PendingSentence() const { return std::string(iPending, iPendingLength); }
    std::size_t QueuedSentences() const { return iQueue.size(); }

    // --- Parsing -----------------------------------------------------------------------------

    // Splits at every ',' and '*'; consecutive separators give empty fields.
    static TFieldList SplitFields(const std::string& aSentence);
    // The same into aFields, reusing its storage.
    static void SplitFields(const std::string& aSentence, TFieldList& aFields);
    // XOR of f[0] and ",f[i]" for every field but the last: the NMEA checksum of the sentence.
    static std::uint8_t ComputeChecksum(const TFieldList& aFields);
    // True when aText starts with two upper-case hex digits giving aComputed.
    static bool VerifyChecksum(std::uint8_t aComputed, const std::string& aText);
    static CFrameTime ParseTime(const std::string& aText);  // hhmmss.fff
    static CFrameDate ParseDate(const std::string& aText);  // ddmmyy

    // Each parser fills its record in field order and stops at the first missing field; the
    // record is then invalid, with the members not reached at their default values. The frame
    // name is the sentence's own first field when that is of the record's type, of whichever
    // talker ("GNGGA").
    static CGgaFrame ParseGga(const TFieldList& aFields, bool aCheckChecksum);
    static CRmcFrame ParseRmc(const TFieldList& aFields, bool aCheckChecksum);
    static CGsvFrame ParseGsv(const TFieldList& aFields);
    static CGsaFrame ParseGsa(const TFieldList& aFields);
    static CVtgFrame ParseVtg(const TFieldList& aFields);
    static CGllFrame ParseGll(const TFieldList& aFields);

    // --- Reports -----------------------------------------------------------------------------

    // Readable reports, one "Label : value" line per item, ending with the validity line.
    static std::string DecodeRmc(const CRmcFrame& aFrame);
    static std::string DecodeVtg(const CVtgFrame& aFrame);
    static std::string DecodeGsv(const CGsvFrame& aFrame);
    static std::string DecodeGsa(const CGsaFrame& aFrame);
    static std::string DecodeGll(const CGllFrame& aFrame);
    static std::string DecodeGga(const CGgaFrame& aFrame);
    // The report of a sentence of any other type: one "Field #%2d : %s" line per field.
    static std::string DecodeFieldList(const TFieldList& aFields);

    // The same reports appended to aReport, for callers that reuse one buffer.
    static void AppendReport(std::string& aReport, const CRmcFrame& aFrame);
    static void AppendReport(std::string& aReport, const CVtgFrame& aFrame);
    static void AppendReport(std::string& aReport, const CGsvFrame& aFrame);
    static void AppendReport(std::string& aReport, const CGsaFrame& aFrame);
    static void AppendReport(std::string& aReport, const CGllFrame& aFrame);
    static void AppendReport(std::string& aReport, const CGgaFrame& aFrame);
    static void AppendFieldList(std::string& aReport, const TFieldList& aFields);

  private:
    void EndSentence();
    bool FeedPathReplaced() const;

    TAssemblyState iState = WaitStart;
    int iFeedDescriptor = -1;
    bool iFeedOpen = false;
    std::string iFeedPath;  // the device path the open feed came from
    char iPending[KMaxSentence + 1] = {};
    int iPendingLength = 0;
    std::deque<std::string> iQueue;
};

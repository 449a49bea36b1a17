#pragma once

#include <cstdint>
#include <string>

// What the receiver says during a run, as the status line shows it.
enum class TReceiverStatus {
    Unknown,  // nothing that tells has arrived yet
    NoData,   // the feed is open, but no sentence has arrived for KSilenceMs
    NoFix,    // the latest GGA (fix quality 0), RMC or GLL (status V) says there is no fix
    Fix       // the latest says there is one (quality above 0, status A)
};

// Follows the receiver from the sentences of a run, whatever their talker and whether
// decoding is on: it reads the one field it needs of GGA, RMC and GLL, without splitting the
// sentence or building a record. Sentences of those types count only when their checksum is
// right (where they have one).
class CReceiverState {
  public:
    static constexpr std::int64_t KSilenceMs = 3000;

    // A run begins at aNowMs (monotonic milliseconds): nothing heard, the silence clock starts.
    void Start(std::int64_t aNowMs);
    // One whole sentence as queued: its text between '$' and the line end.
    void OnSentence(const std::string& aSentence);
    // Once per capture pass. The silence clock runs only while the feed is open: a feed just
    // (re)opened has three seconds to speak. True when Status() changed in this call.
    bool Update(std::int64_t aNowMs, bool aFeedOpen);

    TReceiverStatus Status() const { return iSilent ? TReceiverStatus::NoData : iFix; }
    // The status line while running: "Running", "Running: no data", "Running: no fix" or
    // "Running: fix".
    const char* StatusText() const;

  private:
    std::int64_t iHeardMs = 0;  // when a sentence was last heard, or the clock restarted
    bool iHeard = false;        // a sentence has arrived since the last Update
    bool iSilent = false;
    TReceiverStatus iFix = TReceiverStatus::Unknown;
};

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
    // One whole sentence as queued: its text between '$' and the line end. Every sentence
    // comes here, decoding on or off: what cannot tell is let go after a few compares.
    void OnSentence(const std::string& aSentence) {
        if (!iHeard) {
            Hear(aSentence);
        }
        if (MayTellFix(aSentence)) {
            ReadFix(aSentence);
        }
    }
    // Once per capture pass. The silence clock runs only while the feed is open: a feed just
    // (re)opened has three seconds to speak. True when Status() changed in this call.
    bool Update(std::int64_t aNowMs, bool aFeedOpen);

    TReceiverStatus Status() const { return iSilent ? TReceiverStatus::NoData : iFix; }
    // The status line while running: "Running", "Running: no data", "Running: no fix" or
    // "Running: fix".
    const char* StatusText() const;

  private:
    // GGA, GLL or RMC in the type's place of the address: a sentence that may tell the fix.
    static bool MayTellFix(const std::string& aSentence) {
        const char* text = aSentence.c_str();
        return aSentence.size() > 5 && ((text[2] == 'G' && ((text[3] == 'G' && text[4] == 'A') ||
                                                            (text[3] == 'L' && text[4] == 'L'))) ||
                                        (text[2] == 'R' && text[3] == 'M' && text[4] == 'C'));
    }
    void Hear(const std::string& aSentence);
    void ReadFix(const std::string& aSentence);

    std::int64_t iHeardMs = 0;  // when a sentence was last heard, or the clock restarted
    bool iHeard = false;        // a sentence has arrived since the last Update
    bool iSilent = false;
    TReceiverStatus iFix = TReceiverStatus::Unknown;
};

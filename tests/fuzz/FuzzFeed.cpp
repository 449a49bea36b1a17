// Feed bytes through assembly and the whole per-sentence handling with decoding on. The first
// byte is the read size (0 stands for the capture cycle's 200), the rest is the feed.
//
// Checked: every queued sentence is 1 to 255 characters without '$', CR, LF or NUL; a read never
// queues more sentences than it had bytes; the counters add up; and, for feeds without a NUL
// (which ends the examination of a read), the sentences do not depend on how the feed was cut.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "nmea/CaptureCycle.h"

namespace {

std::FILE* NullLog() {
    static std::FILE* const KLog = std::fopen("/dev/null", "w");
    return KLog;
}

bool IsWellFormed(const std::string& aSentence) {
    return !aSentence.empty() && aSentence.size() <= CNmeaParser::KMaxSentence &&
           aSentence.find_first_of(std::string("$\r\n\0", 4)) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
    if (aSize == 0) {
        return 0;
    }
    const std::size_t readSize = aData[0] == 0 ? KFeedReadLimit : aData[0];
    const char* feed = reinterpret_cast<const char*>(aData + 1);
    const std::size_t feedSize = aSize - 1;

    CCaptureState state;
    state.DecodeMode = DecodeOn;
    state.LogFile = NullLog();
    CNmeaParser parser;
    std::vector<std::string> handledSentences;
    std::string sentence;
    TFieldList fields;
    std::string report;
    for (std::size_t offset = 0; offset < feedSize; offset += readSize) {
        const std::size_t count = std::min(readSize, feedSize - offset);
        parser.Assemble(feed + offset, count);
        Check(parser.QueuedSentences() <= count);
        // Drained after every read, as the capture cycle does, so memory stays bounded.
        while (parser.NextSentence(sentence)) {
            Check(IsWellFormed(sentence));
            HandleSentence(state, sentence, fields, report);
            handledSentences.push_back(sentence);
        }
        Check(parser.PendingSentence().size() <= CNmeaParser::KMaxSentence);
    }
    Check(parser.NextSentence().empty());
    const int typed = state.GgaCount + state.GllCount + state.GsaCount + state.GsvCount +
                      state.VtgCount + state.RmcCount + state.OtherCount;
    Check(state.TotalCount == static_cast<int>(handledSentences.size()));
    Check(state.TotalCount == typed);
    state.LogFile = nullptr;  // shared by every run: not the state's to close

    if (std::memchr(feed, '\0', feedSize) == nullptr) {
        CNmeaParser whole;
        whole.Assemble(feed, feedSize);
        for (const std::string& expected : handledSentences) {
            Check(whole.NextSentence(sentence) && sentence == expected);
        }
        Check(whole.QueuedSentences() == 0 && whole.PendingSentence() == parser.PendingSentence());
    }
    return 0;
}

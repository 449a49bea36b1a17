#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nmea/CaptureCycle.h"
#include "support/Descriptor.h"
#include "support/FakeCaptureEvents.h"
#include "support/FileSizeLimit.h"
#include "support/ForkedRun.h"
#include "support/OpenDescriptors.h"
#include "support/SmallFileSystem.h"
#include "support/TempRoot.h"

namespace {

const std::string KSeparator = std::string(40, '-') + "\n";

const std::string KGga = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
const std::string KGgaReport =
    "Frame name           : GPGGA\n"
    "Time                 : 12:35:19 000\n"
    "Latitude             : 4807.038 N\n"
    "Longitude            : 01131.000 E\n"
    "Fix Qualification    : 1\n"
    "Satellites number    : 8\n"
    "Horizontal Dilution  : 0.9\n"
    "Altitude             : 545.4 M\n"
    "Geoid Fix            : 46.9 M\n"
    "Checksum             : 47\n"
    "Frame Validity       : valid\n";

std::string FeedLines(const std::vector<std::string>& aSentences) {
    std::string bytes;
    for (const std::string& sentence : aSentences) {
        bytes += "$" + sentence + "\r\n";
    }
    return bytes;
}

std::string Decoded(const std::string& aSentence, const std::string& aReport) {
    return "$" + aSentence + "\n" + KSeparator + aReport + KSeparator;
}

// A capture run over a simulated device whose GPS feed is a named pipe that the test writes.
class CaptureCycle : public testing::Test {
  protected:
    CaptureCycle() { EXPECT_TRUE(iRoot.MakeFeed()); }

    // Starts a run and connects the test's end of the feed.
    void Start(TDecodeMode aDecodeMode) {
        iState.DecodeMode = aDecodeMode;
        ASSERT_TRUE(StartCapture(iState, iParser));
        iWriter = std::make_unique<CFeedWriter>(iRoot.Path(KFeedPath));
        ASSERT_TRUE(iWriter->IsOpen());
    }
    // Writes aBytes into the feed and runs one idle step.
    void Feed(const std::string& aBytes) {
        ASSERT_TRUE(iWriter->WriteAll(aBytes));
        CaptureStep(iState, iParser, iEvents);
    }
    void Stop() {
        StopCapture(iState, iParser);
        iWriter.reset();
    }
    std::string Log(const std::string& aFileName) const {
        return iRoot.Read(std::string(KAppDirectory) + "/" + aFileName);
    }
    std::string Log() const { return Log(iState.LogFileName); }
    int SumOfCounts() const {
        return iState.GgaCount + iState.GllCount + iState.GsaCount + iState.GsvCount +
               iState.VtgCount + iState.RmcCount + iState.OtherCount;
    }

    CTempRoot iRoot;
    CCaptureState iState;
    CNmeaParser iParser;
    CFakeCaptureEvents iEvents{&iState};
    std::unique_ptr<CFeedWriter> iWriter;
};

TEST_F(CaptureCycle, DecodingOffLogsRawLinesAndCountsOnlyTheTotal) {
    Start(DecodeOff);
    Feed(FeedLines({KGga, KGga, KGga}));
    Stop();
    EXPECT_EQ(Log(), "$" + KGga + "\n$" + KGga + "\n$" + KGga + "\n");
    EXPECT_EQ(iState.TotalCount, 3);
    EXPECT_EQ(iState.GgaCount, 0);
    EXPECT_EQ(SumOfCounts(), 0);
}

TEST_F(CaptureCycle, DecodingOnFollowsEachLineWithItsReport) {
    Start(DecodeOn);
    Feed(FeedLines({KGga, KGga, KGga}));
    Stop();
    const std::string one = Decoded(KGga, KGgaReport);
    EXPECT_EQ(Log(), one + one + one);
    EXPECT_EQ(iState.TotalCount, 3);
    EXPECT_EQ(iState.GgaCount, 3);
}

// The six types from any talker: two upper-case letters, not "P" (a maker's own sentence),
// then the type, then the end of the address. The report names the sentence as it came.
TEST_F(CaptureCycle, TheSixTypesCountFromAnyTalkerAndNothingElseDoes) {
    const struct {
        int CCaptureState::*iCount;
        std::vector<std::string> iSentences;
    } cases[] = {
        {&CCaptureState::GgaCount, {"GNGGA,235647.00,3403.47,N*61", "GPGGA,1*00", "GPGGA"}},
        {&CCaptureState::RmcCount, {"GNRMC,1"}},
        {&CCaptureState::GsvCount, {"GLGSV,1,1,0*00", "GAGSV,1,1,0", "BDGSV,1,1,0"}},
        {&CCaptureState::GsaCount, {"GBGSA,A,3"}},
        {&CCaptureState::VtgCount, {"GNVTG,1"}},
        {&CCaptureState::GllCount, {"IIGLL,1"}},
        {&CCaptureState::OtherCount,
         {"PGRMC,1", "PUGGA,1", "gpgga,1", "GpGGA,1", "GPgga,1", "G1GGA,1", "GGGA,1", "GPSGGA,1",
          "GPGGAX,1", "!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0*26", "AIVDM,1,1,,A,1,0*26",
          "GPZDA,201530.00,04,07,2002,00,00*60"}},
    };
    Start(DecodeOn);
    std::size_t logged = 0;
    for (const auto& c : cases) {
        for (const std::string& sentence : c.iSentences) {
            SCOPED_TRACE(sentence);
            const int before = iState.*c.iCount;
            Feed(FeedLines({sentence}));
            EXPECT_EQ(iState.*c.iCount, before + 1);
            // The report opens with the sentence's own name, or lists its fields.
            const bool other = c.iCount == &CCaptureState::OtherCount;
            const std::string head = "$" + sentence + "\n" + KSeparator +
                                     (other ? "Field # 0 : " : "Frame name           : ") +
                                     sentence.substr(0, sentence.find_first_of(",*")) + "\n";
            const std::string log = Log();
            EXPECT_EQ(log.compare(logged, head.size(), head), 0) << log.substr(logged);
            logged = log.size();
        }
    }
    EXPECT_EQ(SumOfCounts(), iState.TotalCount);
    Stop();
}

// What the receiver says reaches the state in the pass that brings it, decoding off too; a
// silent feed shows once three seconds have passed (the run's start moved back to say so).
TEST_F(CaptureCycle, TheStepFollowsWhatTheReceiverSays) {
    for (const TDecodeMode mode : {DecodeOff, DecodeOn}) {
        SCOPED_TRACE(mode == DecodeOn ? "decoding on" : "decoding off");
        Start(mode);
        EXPECT_STREQ(iState.Receiver.StatusText(), "Running") << "a new run has heard nothing";
        Feed(FeedLines({"GNGGA,123519,,,,,0,00,,,M,,M,,*75", "GPGSV,1,1,00*79"}));
        EXPECT_STREQ(iState.Receiver.StatusText(), "Running: no fix");
        Feed(FeedLines({KGga}));
        EXPECT_STREQ(iState.Receiver.StatusText(), "Running: fix");
        const int refreshes = iEvents.iRefreshCalls;
        const int updates = iEvents.iUpdateCalls;
        CaptureStep(iState, iParser, iEvents);
        EXPECT_EQ(iEvents.iRefreshCalls, refreshes) << "nothing new, nothing drawn";

        iState.Receiver.Start(MonotonicMs() - CReceiverState::KSilenceMs);
        CaptureStep(iState, iParser, iEvents);
        EXPECT_STREQ(iState.Receiver.StatusText(), "Running: no data");
        EXPECT_EQ(iEvents.iRefreshCalls, refreshes + 1);
        EXPECT_EQ(iEvents.iUpdateCalls, updates + 1);
        Stop();
    }
}

TEST_F(CaptureCycle, InvalidSentenceOfAKnownTypeIsCountedUnderItsType) {
    Start(DecodeOn);
    // Too few fields, and wrong checksums (47 and 6A are right): both types are checked.
    std::string badGga = KGga;
    badGga.back() = '8';
    Feed(FeedLines({"GPGGA,1*00", badGga,
                    "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6B"}));
    Stop();
    EXPECT_EQ(iState.GgaCount, 2);
    EXPECT_EQ(iState.RmcCount, 1);
    EXPECT_EQ(iState.OtherCount, 0);
    const std::string log = Log();
    const std::string invalid = "Frame Validity       : invalid\n" + KSeparator;
    int invalidReports = 0;
    for (std::size_t at = log.find(invalid); at != std::string::npos;
         at = log.find(invalid, at + 1)) {
        ++invalidReports;
    }
    EXPECT_EQ(invalidReports, 3);
    EXPECT_NE(log.find("$" + badGga + "\n"), std::string::npos);
}

TEST_F(CaptureCycle, WithDecodingOnTheTotalIsTheSumOfTheSevenCounts) {
    Start(DecodeOn);
    Feed(FeedLines({
        KGga,
        "GPGLL,4916.45,N,12311.12,W,225444,A*31",
        "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
        "GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75",
        "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48",
        "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
        "GPZDA,201530.00,04,07,2002,00,00*60",
        "PGRME,15.0,M,45.0,M,25.0,M*1C",
        "gpgga,lower,case*00",
        "GPGSV,1*00",
    }));
    Stop();
    EXPECT_EQ(iState.TotalCount, 10);
    EXPECT_EQ(SumOfCounts(), iState.TotalCount);
    const int counts[] = {iState.GgaCount, iState.GllCount, iState.GsaCount,  iState.GsvCount,
                          iState.VtgCount, iState.RmcCount, iState.OtherCount};
    const int expected[] = {1, 1, 1, 2, 1, 1, 3};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(counts[i], expected[i]);
    }
}

TEST_F(CaptureCycle, StopThenStartRestartsTheCountersAndAppendsToTheSameFile) {
    Start(DecodeOn);
    Feed(FeedLines({KGga, KGga}));
    Stop();
    // The screen shows the last run's figures until the next start.
    EXPECT_EQ(iState.TotalCount, 2);
    EXPECT_EQ(iState.GgaCount, 2);
    const std::string firstFile = iState.LogFileName;

    Start(DecodeOff);
    EXPECT_EQ(iState.TotalCount, 0);
    EXPECT_EQ(iState.GgaCount, 0);
    EXPECT_EQ(iState.LogFileName, firstFile);
    Feed(FeedLines({"GPZDA*00"}));
    Stop();
    EXPECT_EQ(iState.TotalCount, 1);
    EXPECT_EQ(Log(), Decoded(KGga, KGgaReport) + Decoded(KGga, KGgaReport) + "$GPZDA*00\n");
    EXPECT_EQ(iState.LogCounter, 0);
}

TEST_F(CaptureCycle, NewModeGivesEachRunItsOwnFile) {
    iState.LogMode = LogNewFile;
    iState.LogCounter = 9;
    Start(DecodeOff);
    Feed(FeedLines({"A*01"}));
    Stop();
    Start(DecodeOff);
    Feed(FeedLines({"B*02"}));
    Stop();
    EXPECT_EQ(Log("nmea_0009.nmea"), "$A*01\n");
    EXPECT_EQ(Log("nmea_0010.nmea"), "$B*02\n");
    EXPECT_EQ(iState.LogCounter, 11);
}

// A sentence cut by Stop must not be finished by the next run's bytes: the receiver never sent
// the line the two halves would make.
TEST_F(CaptureCycle, ASentenceCutByStopIsNotSplicedIntoTheNextRun) {
    iState.LogMode = LogNewFile;
    Start(DecodeOn);
    Feed(FeedLines({KGga}) + "$GPRMC,123519,A,48");
    Stop();
    Start(DecodeOn);
    Feed("07.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n$GPZDA*00\r\n");
    Stop();
    const std::string zda = Decoded("GPZDA*00", "Field # 0 : GPZDA\nField # 1 : 00\n");
    EXPECT_EQ(Log("nmea_0000.nmea"), Decoded(KGga, KGgaReport));
    EXPECT_EQ(Log("nmea_0001.nmea"), zda);
    EXPECT_EQ(iState.RmcCount, 0);
    EXPECT_EQ(iState.TotalCount, 1);

    // Nor is anything else assembly holds when a run starts: sentences queued but not yet
    // taken, and a pending one.
    iParser.Assemble("$QUEUED*00\r\n$PART", 17);
    ASSERT_EQ(iParser.QueuedSentences(), 1u);
    Start(DecodeOn);
    EXPECT_EQ(iParser.AssemblyState(), CNmeaParser::WaitStart);
    EXPECT_EQ(iParser.PendingSentence(), "");
    EXPECT_EQ(iParser.QueuedSentences(), 0u);
    Feed("IAL*00\r\n$GPZDA*00\r\n");
    Stop();
    EXPECT_EQ(Log("nmea_0002.nmea"), zda);
}

// Once per pass that handled sentences, after the last of them.
TEST_F(CaptureCycle, ShownScreenIsRefreshedAfterEveryPassThatHandledSentences) {
    Start(DecodeOff);
    Feed(FeedLines({"A", "B", "C"}));
    EXPECT_EQ(iEvents.iShownTotals, (std::vector<int>{3}));
    EXPECT_EQ(iEvents.iUpdateCalls, 1);
    CaptureStep(iState, iParser, iEvents);  // nothing new
    Feed(FeedLines({"D"}));
    EXPECT_EQ(iEvents.iShownTotals, (std::vector<int>{3, 4}));
    EXPECT_EQ(iEvents.iUpdateCalls, 2);
}

// The failure shows at the flush after the sentences: the screen is told at once, and once.
TEST_F(CaptureCycle, AFullCardIsShownInThePassThatFindsIt) {
    CFileSizeLimit full(2);  // smaller than any line: no file, this or a next one, takes one
    ASSERT_TRUE(full.IsSet());
    Start(DecodeOff);
    Feed(FeedLines({"A", "B"}));
    EXPECT_TRUE(iState.LogWriteFailed());
    EXPECT_EQ(iEvents.iShownTotals, (std::vector<int>{2, 2}));
    Feed(FeedLines({"C"}));
    EXPECT_EQ(iEvents.iShownTotals, (std::vector<int>{2, 2, 3}));
    EXPECT_EQ(iState.TotalCount, 3);
}

TEST_F(CaptureCycle, HiddenRunLogsAndCountsWithoutDrawing) {
    Start(DecodeOn);
    iState.RunState = RunningHidden;
    Feed(FeedLines({KGga, KGga, KGga}));
    EXPECT_EQ(iState.TotalCount, 3);
    EXPECT_EQ(iState.GgaCount, 3);
    EXPECT_EQ(iEvents.iRefreshCalls, 0);
    EXPECT_EQ(iEvents.iUpdateCalls, 0);
    EXPECT_EQ(iEvents.iServeCalls, 1);
    EXPECT_EQ(Log().size(), 3 * Decoded(KGga, KGgaReport).size());

    // Shown again: the counters catch up with the first sentence drawn.
    iState.RunState = Running;
    Feed(FeedLines({KGga}));
    EXPECT_EQ(iEvents.iShownTotals, (std::vector<int>{4}));
    Stop();
}

TEST_F(CaptureCycle, MessagesAreServedInEveryRunState) {
    // Stopped: no feed read, nothing logged, but the messages are still served.
    CaptureStep(iState, iParser, iEvents);
    EXPECT_EQ(iEvents.iServeCalls, 1);
    EXPECT_EQ(iState.TotalCount, 0);

    Start(DecodeOff);
    CaptureStep(iState, iParser, iEvents);  // no data yet
    EXPECT_EQ(iEvents.iServeCalls, 2);
    iState.RunState = RunningHidden;
    Feed(FeedLines({"A"}));
    EXPECT_EQ(iEvents.iServeCalls, 3);
    iState.RunState = Running;
    Stop();
    CaptureStep(iState, iParser, iEvents);
    EXPECT_EQ(iEvents.iServeCalls, 4);
    EXPECT_EQ(iEvents.iRefreshCalls, 0);
}

TEST_F(CaptureCycle, StartAndStopActOnlyFromTheirOwnState) {
    Start(DecodeOff);
    EXPECT_FALSE(StartCapture(iState, iParser));  // already running
    EXPECT_EQ(iState.RunState, Running);

    // The Start/Stop button does nothing while the screen is handed over.
    iState.RunState = RunningHidden;
    StopCapture(iState, iParser);
    EXPECT_EQ(iState.RunState, RunningHidden);
    EXPECT_NE(iState.LogFile, nullptr);
    EXPECT_FALSE(StartCapture(iState, iParser));
    Feed(FeedLines({"A"}));
    EXPECT_EQ(Log(), "$A\n");

    iState.RunState = Running;
    Stop();
    EXPECT_EQ(iState.RunState, Stopped);
    EXPECT_EQ(iState.LogFile, nullptr);
    // The feed goes with the run: no reader holds the pipe any more.
    EXPECT_FALSE(CFeedWriter(iRoot.Path(KFeedPath)).IsOpen());
    StopCapture(iState, iParser);  // again: nothing to do
    EXPECT_EQ(iState.RunState, Stopped);
}

TEST_F(CaptureCycle, StartDiscardsWhatTheFeedHadBuffered) {
    // A reader of our own lets the stale bytes into the pipe before the run exists.
    const int earlyReader = ::open(iRoot.Path(KFeedPath).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(earlyReader, 0);
    {
        CFeedWriter stale(iRoot.Path(KFeedPath));
        ASSERT_TRUE(stale.WriteAll(FeedLines({"STALE*00", "STALE*01"})));
        Start(DecodeOff);
        EXPECT_EQ(stale.Unread(), 0);
    }
    ::close(earlyReader);
    Feed(FeedLines({"FRESH*02"}));
    Stop();
    EXPECT_EQ(Log(), "$FRESH*02\n");
}

struct TFeedCase {
    const char* iLegend;
    std::string iBytes;
    std::string iLog;
};

const std::string K255(255, 'x');

const TFeedCase KFeedCases[] = {
    {"'$' inside a sentence ends it and opens the next", "$AB$CD\r", "$AB\n$CD\n"},
    {"cut-off sentence followed by a GGA", "$GPGSV,2,1,07,19,25,189,51,09,,,00,22$GPGGA,1*61\r\n",
     "$GPGSV,2,1,07,19,25,189,51,09,,,00,22\n$GPGGA,1*61\n"},
    {"'$' then CR is never queued, and what follows is handled in the same pass",
     "$\r$GPZDA*00\r\n$\r\n$B*01\r\n", "$GPZDA*00\n$B*01\n"},
    {"'$$' is not an empty sentence", "$$X*01\r$$$Y*02\r\n", "$X*01\n$Y*02\n"},
    {"LF alone ends a sentence", "$A*01\n$B*02\n", "$A*01\n$B*02\n"},
    {"CR alone ends a sentence", "$A*01\r$B*02\r", "$A*01\n$B*02\n"},
    {"blank lines and noise between sentences", "junk\r\n\n\r$A*01\r\r\n\n  $B*02\n",
     "$A*01\n$B*02\n"},
    {"255 characters are one sentence", "$" + K255 + "\r\n$A*01\r\n", "$" + K255 + "\n$A*01\n"},
    {"over-long: 255 queued, the rest skipped up to the next '$' of the same read",
     "$" + K255 + std::string(45, 'y') + "\r\n$GPGGA*00\r\n", "$" + K255 + "\n$GPGGA*00\n"},
    {"over-long tail holding a '$' starts a sentence there", "$" + K255 + "yy$B*02\r\n",
     "$" + K255 + "\n$B*02\n"},
    {"a NUL drops only its sentence",
     std::string("$GPGLL,4916.45,N,1231\0"
                 "1.12,W*31\r\n$A*01\r\n",
                 40),
     "$A*01\n"},
};

TEST(CaptureCycleFeed, FeedBytesBecomeLogLines) {
    for (const TFeedCase& test : KFeedCases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot root;
        ASSERT_TRUE(root.MakeFeed());
        CCaptureState state;
        CNmeaParser parser;
        CFakeCaptureEvents events;
        ASSERT_TRUE(StartCapture(state, parser));
        CFeedWriter writer(root.Path(KFeedPath));
        ASSERT_TRUE(writer.WriteAll(test.iBytes));
        CaptureStep(state, parser, events);
        EXPECT_EQ(writer.Unread(), 0);
        EXPECT_EQ(parser.QueuedSentences(), 0u);
        StopCapture(state, parser);
        EXPECT_EQ(root.Read(std::string(KAppDirectory) + "/" + state.LogFileName), test.iLog);
        int lines = 0;
        for (char c : test.iLog) {
            lines += c == '\n';
        }
        EXPECT_EQ(state.TotalCount, lines);
    }
}

TEST(CaptureCycleStart, LogThatCannotBeOpenedLeavesTheRunStopped) {
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    root.RemoveDirectory(KAppDirectory);
    CCaptureState state;
    state.LogMode = LogNewFile;
    state.LogCounter = 7;
    state.TotalCount = 12;  // the last run's figures
    CNmeaParser parser;
    CFakeCaptureEvents events;

    EXPECT_FALSE(StartCapture(state, parser));
    EXPECT_EQ(state.RunState, Stopped);
    EXPECT_EQ(state.LogFile, nullptr);
    EXPECT_EQ(parser.FeedDescriptor(), -1);
    // No reader holds the pipe, so the feed was never opened.
    EXPECT_FALSE(CFeedWriter(root.Path(KFeedPath)).IsOpen());
    // A failed start uses up neither the file number nor the figures on screen.
    EXPECT_EQ(state.LogCounter, 7);
    EXPECT_EQ(state.TotalCount, 12);
    CaptureStep(state, parser, events);
    EXPECT_EQ(events.iServeCalls, 1);
    EXPECT_FALSE(root.Exists(KAppDirectory));

    // The card is back: the retry writes the file the screen named.
    ASSERT_TRUE(root.MakeDirectory(KAppDirectory));
    ASSERT_TRUE(StartCapture(state, parser));
    EXPECT_STREQ(state.LogFileName, "nmea_0007.nmea");
    EXPECT_EQ(state.LogCounter, 8);
    EXPECT_EQ(state.TotalCount, 0);
    StopCapture(state, parser);
}

TEST_F(CaptureCycle, LoggedBytesAreInTheFileWhenTheStepReturns) {
    Start(DecodeOn);
    Feed(FeedLines({KGga}));
    // Read through another open while the run goes on: nothing waits in the stream's buffer.
    EXPECT_EQ(Log(), Decoded(KGga, KGgaReport));
    Feed(FeedLines({"GPZDA*00"}));
    EXPECT_EQ(Log(), Decoded(KGga, KGgaReport) +
                         Decoded("GPZDA*00", "Field # 0 : GPZDA\nField # 1 : 00\n"));
    Stop();
}

TEST_F(CaptureCycle, APassReadsUpTo16TimesWhileTheFeedHasData) {
    // 50-byte lines: 3000 bytes fit in one pass of 16 reads of 200 bytes.
    const std::string line = "$GPZDA,201530.00,04,07,2002,00,00*60,padding,xyz\r\n";
    ASSERT_EQ(line.size(), 50u);
    std::string bytes;
    for (int i = 0; i < 60; ++i) {
        bytes += line;
    }
    Start(DecodeOff);
    Feed(bytes);
    EXPECT_EQ(iWriter->Unread(), 0);
    EXPECT_EQ(iState.TotalCount, 60);

    // 4000 bytes: one pass takes 16 * 200 of them, the next pass the rest.
    bytes += std::string(bytes, 0, 1000);
    Feed(bytes);
    EXPECT_EQ(iWriter->Unread(), 4000 - 16 * 200);
    EXPECT_EQ(iState.TotalCount, 60 + 3200 / 50);
    CaptureStep(iState, iParser, iEvents);
    EXPECT_EQ(iWriter->Unread(), 0);
    EXPECT_EQ(iState.TotalCount, 60 + 80);
    Stop();
}

TEST_F(CaptureCycle, OpenFeedClosesThePreviousFeed) {
    const int before = OpenDescriptors();
    for (int i = 0; i < 5; ++i) {
        iParser.OpenFeed(KFeedPath);
    }
    EXPECT_GE(iParser.FeedDescriptor(), 0);
    EXPECT_EQ(OpenDescriptors(), before + 1);
    iParser.CloseFeed();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(CaptureCycle, CloseFeedLeavesAReusedDescriptorAlone) {
    const int other = [this] {
        CNmeaParser parser;
        parser.OpenFeed(KFeedPath);
        const int feed = parser.FeedDescriptor();
        parser.CloseFeed();
        EXPECT_EQ(parser.FeedDescriptor(), feed);  // the number is kept
        // The lowest free number: the one the feed had.
        const int reused = ::open("/dev/null", O_RDONLY);
        EXPECT_EQ(reused, feed);
        parser.CloseFeed();
        EXPECT_NE(::fcntl(reused, F_GETFD), -1);
        return reused;  // the parser's destructor closes nothing either
    }();
    EXPECT_NE(::fcntl(other, F_GETFD), -1);
    ::close(other);
}

TEST_F(CaptureCycle, FeedThatDoesNotExistGivesARunWithoutData) {
    ASSERT_EQ(::unlink(iRoot.Path(KFeedPath).c_str()), 0);
    ASSERT_TRUE(StartCapture(iState, iParser));
    EXPECT_EQ(iParser.FeedDescriptor(), -1);
    CaptureStep(iState, iParser, iEvents);
    EXPECT_EQ(iState.TotalCount, 0);
    EXPECT_EQ(iEvents.iServeCalls, 1);
    StopCapture(iState, iParser);
    EXPECT_EQ(Log(), "");
}

// The user asked to capture: a feed missing at Start is looked for again about once a second,
// and once open it is drained as Start drains it, so the run begins with fresh sentences.
TEST_F(CaptureCycle, AMissingFeedIsOpenedWhenItAppearsAndDrainedAsAtStart) {
    ASSERT_EQ(::unlink(iRoot.Path(KFeedPath).c_str()), 0);
    ASSERT_TRUE(StartCapture(iState, iParser));
    EXPECT_EQ(iState.RunState, Running);
    EXPECT_FALSE(iParser.IsFeedOpen());
    const std::int64_t start = iState.FeedAttemptMs;

    ASSERT_TRUE(iRoot.MakeFeed());
    EXPECT_FALSE(RetryFeed(iState, iParser, start + KFeedRetryMs - 1));
    EXPECT_FALSE(iParser.IsFeedOpen());

    const int earlyReader = ::open(iRoot.Path(KFeedPath).c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(earlyReader, 0);
    {
        CFeedWriter stale(iRoot.Path(KFeedPath));
        ASSERT_TRUE(stale.WriteAll(FeedLines({"STALE*00"})));
        EXPECT_TRUE(RetryFeed(iState, iParser, start + KFeedRetryMs));
        EXPECT_TRUE(iParser.IsFeedOpen());
        EXPECT_EQ(stale.Unread(), 0);
    }
    ::close(earlyReader);
    EXPECT_FALSE(RetryFeed(iState, iParser, start + 10 * KFeedRetryMs)) << "open already";

    iWriter = std::make_unique<CFeedWriter>(iRoot.Path(KFeedPath));
    Feed(FeedLines({"FRESH*02"}));
    Stop();
    EXPECT_EQ(Log(), "$FRESH*02\n");
    EXPECT_FALSE(RetryFeed(iState, iParser, start + 20 * KFeedRetryMs)) << "stopped";
    EXPECT_FALSE(iParser.IsFeedOpen());
}

// The capture step itself retries when due, and tells a shown screen that the feed is there.
TEST_F(CaptureCycle, TheStepOpensADueFeedAndTellsTheScreen) {
    ASSERT_EQ(::unlink(iRoot.Path(KFeedPath).c_str()), 0);
    ASSERT_TRUE(StartCapture(iState, iParser));
    ASSERT_TRUE(iRoot.MakeFeed());
    CaptureStep(iState, iParser, iEvents);
    EXPECT_FALSE(iParser.IsFeedOpen()) << "not due yet";
    EXPECT_EQ(iEvents.iRefreshCalls, 0);

    iState.FeedAttemptMs -= KFeedRetryMs;  // as if a second had passed
    CaptureStep(iState, iParser, iEvents);
    EXPECT_TRUE(iParser.IsFeedOpen());
    EXPECT_EQ(iEvents.iRefreshCalls, 1);
    EXPECT_EQ(iEvents.iUpdateCalls, 1);
    StopCapture(iState, iParser);
}

// A daemon that restarts makes its FIFO anew: the run lets the dead one go, says so, and opens
// the new one about a second later. A writer that pauses behind the same FIFO keeps it. The
// sentence the old feed cut stays as it came, and what the new one holds at once is kept.
TEST_F(CaptureCycle, AFeedWhoseFifoIsMadeAnewIsOpenedAgain) {
    Start(DecodeOff);
    iState.FeedAttemptMs -= 10 * KFeedRetryMs;  // opened long ago
    ASSERT_TRUE(iWriter->WriteAll("$GPGGA,1235"));
    iWriter.reset();
    CaptureStep(iState, iParser, iEvents);
    EXPECT_TRUE(iParser.IsFeedOpen());
    ASSERT_EQ(::unlink(iRoot.Path(KFeedPath).c_str()), 0);
    ASSERT_TRUE(iRoot.MakeFeed());
    CaptureStep(iState, iParser, iEvents);
    CaptureStep(iState, iParser, iEvents);
    EXPECT_FALSE(iParser.IsFeedOpen()) << "closed, and not opened again at once";
    EXPECT_EQ(iEvents.iRefreshCalls, 2) << "the cut sentence, and the missing feed";
    iState.FeedAttemptMs -= KFeedRetryMs;
    // The restarted daemon writes into its FIFO before the retry comes (held open read-write,
    // it needs no reader yet).
    const CDescriptor daemon(::open(iRoot.Path(KFeedPath).c_str(), O_RDWR | O_NONBLOCK));
    const char kNext[] = "19,4807.038,N*47\r\n$B*02\r\n";
    ASSERT_EQ(::write(daemon.Get(), kNext, sizeof kNext - 1),
              static_cast<ssize_t>(sizeof kNext - 1));
    CaptureStep(iState, iParser, iEvents);
    EXPECT_TRUE(iParser.IsFeedOpen());
    StopCapture(iState, iParser);
    EXPECT_EQ(Log(), "$GPGGA,1235\n$B*02\n");
}

// A receiver on a terminal line, in a session without a controlling terminal (as a launcher
// starts the program): neither a ^C in its data nor its hang-up signals the capture, and a line
// plugged in again under the same path is opened anew.
TEST(CaptureCycleFeed, ATerminalFeedNeitherSignalsTheProgramNorIsLostForGood) {
    CTempRoot root;
    const std::string feed = root.Path(KFeedPath);
    const int status = RunInChild([&feed] {
        CCaptureState state;
        CNmeaParser parser;
        CFakeCaptureEvents events;
        auto plugIn = [&feed] {  // a new line, the feed path naming its terminal end
            const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
            (void)::grantpt(master);
            (void)::unlockpt(master);
            (void)::unlink(feed.c_str());
            return ::symlink(::ptsname(master), feed.c_str()) == 0 ? master : -1;
        };
        auto stepUntil = [&](const std::function<bool()>& aDone) {
            for (int pass = 0; pass < 500 && !aDone(); ++pass) {
                CaptureStep(state, parser, events);
                (void)::poll(nullptr, 0, 10);  // the line discipline delivers in its own time
            }
            return aDone();
        };
        int master = plugIn();
        if (master < 0 || ::setsid() < 0 || !StartCapture(state, parser)) {
            return 2;
        }
        EXPECT_EQ(::write(master, "\x03$A*01\r\n", 8), 8);
        EXPECT_TRUE(stepUntil([&] { return state.TotalCount == 1; }));
        ::close(master);  // unplugged: the line hangs up
        EXPECT_TRUE(stepUntil([&] { return !parser.IsFeedOpen(); }));
        master = plugIn();
        state.FeedAttemptMs -= KFeedRetryMs;
        CaptureStep(state, parser, events);
        EXPECT_EQ(::write(master, "$B*02\r\n", 7), 7);
        EXPECT_TRUE(stepUntil([&] { return state.TotalCount == 2; }));
        return 0;
    });
    EXPECT_EQ(status, 0) << "130: SIGINT, 129: SIGHUP ended the capture";
}

// A card that fills during the run loses the sentences of the full card only: no line is cut
// or glued to the next, and with room again the log and the status go on.
TEST_F(CaptureCycle, AFullCardLosesOnlyWhileFullAndNeverGluesTwoLines) {
    CSmallFileSystem card(iRoot.Path(KAppDirectory));
    SKIP_WITHOUT_SMALL_FILE_SYSTEM(card);
    Start(DecodeOff);
    const std::string logged = "$R," + std::string(96, 'x') + "\n";  // one is cut at a block end
    const std::string line = logged.substr(0, 99) + "\r\n";
    Feed(line);
    ASSERT_TRUE(card.Fill());
    for (int sent = 0; sent < 200 && !iState.LogWriteFailed(); ++sent) {
        Feed(line);
    }
    ASSERT_TRUE(iState.LogWriteFailed());
    const int refreshes = iEvents.iRefreshCalls;
    card.Free();
    Feed("$AFTER*01\r\n");
    EXPECT_FALSE(iState.LogWriteFailed());
    EXPECT_EQ(iEvents.iRefreshCalls, refreshes + 2) << "the sentence, and the log back";
    Stop();
    const std::string log = Log();
    std::string expected;
    while (expected.size() + logged.size() < log.size()) {
        expected += logged;
    }
    EXPECT_EQ(log, expected + "$AFTER*01\n");
}

// Hours of a fast receiver, shortened by a small file-size limit (EFBIG, as FAT32 gives at
// 4 GiB): the log goes on in the next numbered file again and again, and every sentence is
// there once and in order, each file ending on a whole line.
TEST(CaptureCycleSoak, EverySentenceIsLoggedOnceAcrossTheRolledOverFiles) {
    const std::string data = std::string(FIXTRAIL_SOURCE_DIR) + "/data/gpsbabel_track_nmea+ms.txt";
    const std::string recording = ReadWholeFile(data);
    const std::string decoded = ReadWholeFile(data + ".decoded");
    const std::string bytes = recording + recording + recording;
    constexpr rlim_t KLimit = 16000;
    CTempRoot root;
    ASSERT_TRUE(root.MakeFeed());
    CCaptureState state;
    state.DecodeMode = DecodeOn;
    state.LogCounter = 3;
    CNmeaParser parser;
    CFakeCaptureEvents events;
    CFileSizeLimit limit(KLimit);
    ASSERT_TRUE(limit.IsSet());
    ASSERT_TRUE(StartCapture(state, parser));
    CFeedWriter writer(root.Path(KFeedPath));
    for (std::size_t sent = 0, pass = 0;
         pass < bytes.size() && (sent < bytes.size() || writer.Unread() > 0); ++pass) {
        sent += writer.Write(bytes.data() + sent, std::min<std::size_t>(4096, bytes.size() - sent));
        CaptureStep(state, parser, events);
    }
    StopCapture(state, parser);
    auto file = [&root](int aNumber) {
        char name[64];
        std::snprintf(name, sizeof name, "%s/nmea_%04d.nmea", KAppDirectory, aNumber);
        return root.Read(name);
    };
    std::string joined;
    int files = 0;
    for (std::string part; !(part = file(3 + files)).empty(); ++files) {
        EXPECT_LE(part.size(), KLimit);
        EXPECT_EQ(part.back(), '\n');
        joined += part;
    }
    EXPECT_TRUE(joined == decoded + decoded + decoded) << joined.size() << " bytes logged";
    EXPECT_GE(files, 10);
    EXPECT_EQ(state.LogRollOvers(), files - 1);
    EXPECT_EQ(state.LogCounter, 3 + files - 1) << "append mode: the counter names the file in use";
}

}  // namespace

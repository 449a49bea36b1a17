// Real receiver recordings replayed through the simulated device's GPS feed pipe; the log file
// each capture run writes is compared byte for byte with the expected log kept beside the
// recording in data/ (scripts/regenerate-golden.sh rebuilds those), and read back as a track
// by gpsbabel, as users do.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "nmea/CaptureCycle.h"
#include "support/FakeCaptureEvents.h"
#include "support/Recordings.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"

namespace {

constexpr std::size_t KWholeFile = 0;

std::string DataFile(const std::string& aName) {
    return ReadWholeFile(KDataDirectory + aName);
}

std::string CountsLine(const CCaptureState& aState) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "total=%d GGA=%d GLL=%d GSA=%d GSV=%d VTG=%d RMC=%d other=%d\n",
                  aState.TotalCount, aState.GgaCount, aState.GllCount, aState.GsaCount,
                  aState.GsvCount, aState.VtgCount, aState.RmcCount, aState.OtherCount);
    return line;
}

// Where two logs part, as "line N, byte M" with both lines: a whole log would drown the report.
std::string FirstDifference(const std::string& aActual, const std::string& aExpected) {
    const auto mismatch =
        std::mismatch(aActual.begin(), aActual.end(), aExpected.begin(), aExpected.end());
    const std::size_t at = static_cast<std::size_t>(mismatch.first - aActual.begin());
    const std::size_t lineStart = aExpected.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1;
    const long line = std::count(aExpected.begin(), aExpected.begin() + from, '\n') + 1;
    auto lineAt = [from](const std::string& aText) {
        return from >= aText.size() ? std::string("<end>")
                                    : aText.substr(from, aText.find('\n', from) - from);
    };
    return "logs differ at byte " + std::to_string(at) + ", line " + std::to_string(line) +
           " (sizes " + std::to_string(aActual.size()) + " and " +
           std::to_string(aExpected.size()) + ")\n  actual:   " + lineAt(aActual) +
           "\n  expected: " + lineAt(aExpected);
}

struct TCaptureResult {
    bool iFinished = false;  // every byte was written and read within the pass limit
    std::string iLog;
    std::string iCounts;
};

// One capture run over aRecording: the test alternates between writing what the pipe accepts
// (at most aWriteSize bytes at a time, KWholeFile for no limit) and one idle step, all on this
// thread, until every byte has been written and read.
TCaptureResult CaptureRecording(const std::string& aRecording, TDecodeMode aDecodeMode,
                                std::size_t aWriteSize) {
    TCaptureResult result;
    CTempRoot root;
    EXPECT_TRUE(root.MakeFeed());
    CCaptureState state;
    state.DecodeMode = aDecodeMode;
    CNmeaParser parser;
    CFakeCaptureEvents events;
    EXPECT_TRUE(StartCapture(state, parser));
    CFeedWriter writer(root.Path(KFeedPath));
    EXPECT_TRUE(writer.IsOpen());

    const std::size_t chunk = aWriteSize == KWholeFile ? aRecording.size() : aWriteSize;
    // One byte a pass is the slowest progress a working capture makes.
    const std::size_t maxPasses = aRecording.size() + 100;
    std::size_t written = 0;
    for (std::size_t pass = 0; pass < maxPasses && writer.IsOpen(); ++pass) {
        if (written < aRecording.size()) {
            written += writer.Write(aRecording.data() + written,
                                    std::min(chunk, aRecording.size() - written));
        }
        CaptureStep(state, parser, events);
        if (written == aRecording.size() && writer.Unread() == 0) {
            result.iFinished = true;
            break;
        }
    }
    writer.Close();
    CaptureStep(state, parser, events);
    CaptureStep(state, parser, events);
    StopCapture(state, parser);

    EXPECT_STREQ(state.LogFileName, "nmea_0000.nmea");
    result.iLog = root.Read("/mnt/sdcard/fixtrail/nmea_0000.nmea");
    result.iCounts = CountsLine(state);
    return result;
}

TEST(GoldenLog, DecodedCaptureOfEachRecordingMatchesItsExpectedLog) {
    for (const char* name : KRecordings) {
        SCOPED_TRACE(name);
        const std::string recording = DataFile(name);
        const std::string expected = DataFile(std::string(name) + ".decoded");
        ASSERT_FALSE(recording.empty());
        ASSERT_FALSE(expected.empty());
        const TCaptureResult result = CaptureRecording(recording, DecodeOn, KWholeFile);
        EXPECT_TRUE(result.iFinished);
        EXPECT_TRUE(result.iLog == expected) << FirstDifference(result.iLog, expected);
        EXPECT_EQ(result.iCounts, DataFile(std::string(name) + ".counts"));
    }
}

TEST(GoldenLog, RawCaptureOfEachRecordingMatchesItsExpectedLog) {
    for (const char* name : KRecordings) {
        SCOPED_TRACE(name);
        const std::string expected = DataFile(std::string(name) + ".raw");
        ASSERT_FALSE(expected.empty());
        const TCaptureResult result = CaptureRecording(DataFile(name), DecodeOff, KWholeFile);
        EXPECT_TRUE(result.iFinished);
        EXPECT_TRUE(result.iLog == expected) << FirstDifference(result.iLog, expected);
        // Without decoding only the total moves; it is the same total.
        const std::string counts = DataFile(std::string(name) + ".counts");
        const std::string total = counts.substr(0, counts.find(' '));
        EXPECT_EQ(result.iCounts, total + " GGA=0 GLL=0 GSA=0 GSV=0 VTG=0 RMC=0 other=0\n");
    }
}

TEST(GoldenLog, HowTheFeedIsSplitIntoReadsDoesNotChangeTheLog) {
    const std::string name = "marineapi_Navibe-GM720.txt";
    const std::string recording = DataFile(name);
    const std::string expected = DataFile(name + ".decoded");
    const std::string counts = DataFile(name + ".counts");
    for (std::size_t writeSize : {std::size_t{1}, std::size_t{7}, std::size_t{200}, KWholeFile}) {
        SCOPED_TRACE(testing::Message() << "writes of " << writeSize << " bytes");
        const TCaptureResult result = CaptureRecording(recording, DecodeOn, writeSize);
        EXPECT_TRUE(result.iFinished);
        EXPECT_TRUE(result.iLog == expected) << FirstDifference(result.iLog, expected);
        EXPECT_EQ(result.iCounts, counts);
    }
}

TEST(GoldenLog, CutOffSentenceDoesNotCostTheNextOne) {
    // Line 76 of the Navibe recording: a GSV cut off by the '$' of a GGA. Both are logged, the
    // GSV reported invalid, the GGA valid.
    const std::string log = DataFile("marineapi_Navibe-GM720.txt.decoded");
    const std::string separator = std::string(40, '-') + "\n";
    const std::string gsv = "$GPGSV,2,1,07,19,25,189,51,09,,,00,22\n";
    const std::string gga =
        "$GPGGA,110826,6013.0600,N,02453.5359,E,1,04,03.4,-00015.9,M,045.5,M,,*61\n";
    const std::size_t at = log.find(gsv);
    ASSERT_NE(at, std::string::npos);
    const std::size_t ggaAt = log.find(gga, at);
    ASSERT_NE(ggaAt, std::string::npos);
    const std::string gsvBlock = log.substr(at, ggaAt - at);
    EXPECT_NE(gsvBlock.find("Frame Validity       : invalid\n" + separator), std::string::npos);
    EXPECT_NE(log.find("Frame Validity       : valid\n", ggaAt), std::string::npos);
    EXPECT_EQ(log.find("Frame Validity       : valid\n", ggaAt),
              log.find("Frame Validity       : ", ggaAt));
}

// --- the logs in gpsbabel ------------------------------------------------------------------

bool InPath(const std::string& aProgram) {
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "";
    for (std::size_t start = 0; start <= directories.size();) {
        std::size_t end = directories.find(':', start);
        end = end == std::string::npos ? directories.size() : end;
        const std::string candidate = directories.substr(start, end - start) + "/" + aProgram;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

struct TTrackPoint {
    std::string iTime;  // "" when the point has none
    std::string iText;  // the whole <trkpt> element
};

// The track points gpsbabel makes of aFile with `gpsbabel -i nmea -f FILE -o gpx -F OUT`.
std::vector<TTrackPoint> GpsbabelTrack(const CTempRoot& aScratch, const std::string& aFile) {
    const std::string gpx = aScratch.Path("/track.gpx");
    const TToolRun run =
        RunCommand({"gpsbabel", "-i", "nmea", "-f", aFile, "-o", "gpx", "-F", gpx});
    EXPECT_EQ(run.iStatus, 0) << aFile << ": " << run.iErr;
    const std::string text = ReadWholeFile(gpx);
    std::vector<TTrackPoint> points;
    const std::string end = "</trkpt>";
    for (std::size_t at = text.find("<trkpt "); at != std::string::npos;
         at = text.find("<trkpt ", at + 1)) {
        const std::size_t close = text.find(end, at);
        if (close == std::string::npos) {
            break;
        }
        TTrackPoint point;
        point.iText = text.substr(at, close + end.size() - at);
        const std::size_t time = point.iText.find("<time>");
        if (time != std::string::npos) {
            point.iTime =
                point.iText.substr(time + 6, point.iText.find("</time>", time) - time - 6);
        }
        points.push_back(point);
    }
    return points;
}

std::vector<std::string> Times(const std::vector<TTrackPoint>& aPoints) {
    std::vector<std::string> times;
    for (const TTrackPoint& point : aPoints) {
        times.push_back(point.iTime);
    }
    return times;
}

bool Contains(const std::vector<std::string>& aList, const std::string& aItem) {
    return std::find(aList.begin(), aList.end(), aItem) != aList.end();
}

struct TTrackDifference {
    const char* iRecording;
    // Fixes the log holds and gpsbabel loses from the recording: a sentence cut off by the next
    // '$' hides that next sentence from it, but the capture logs the two apart.
    std::vector<std::string> iOnlyInLog;
    // Fixes at the same time that differ: gpsbabel joins the fix before the lost sentence with
    // the next one, so that point carries the earlier position.
    std::vector<std::string> iJoined;
};

const TTrackDifference KTrackDifferences[] = {
    // Line 76: a GSV cut off by the GGA of 11:08:26.
    {"marineapi_Navibe-GM720.txt", {"2010-02-13T11:07:42Z"}, {"2010-02-13T11:08:26Z"}},
};

TEST(GoldenLog, GpsbabelReadsTheRecordingsTrackFromEachLogDecodedOrNot) {
    if (!InPath("gpsbabel")) {
        GTEST_SKIP() << "gpsbabel is not installed here (scripts/install-deps.sh installs it): "
                        "the logs were not checked in it";
    }
    CTempRoot scratch;
    int pointsSeen = 0;
    for (const char* name : KRecordings) {
        SCOPED_TRACE(name);
        const std::string recordingPath = KDataDirectory + name;
        const std::vector<TTrackPoint> fromRecording = GpsbabelTrack(scratch, recordingPath);
        TTrackDifference difference{name, {}, {}};
        for (const TTrackDifference& known : KTrackDifferences) {
            if (std::string(known.iRecording) == name) {
                difference = known;
            }
        }
        for (const TDecodeMode mode : {DecodeOn, DecodeOff}) {
            SCOPED_TRACE(mode == DecodeOn ? "decoding on" : "decoding off");
            const TCaptureResult capture = CaptureRecording(DataFile(name), mode, KWholeFile);
            ASSERT_TRUE(capture.iFinished);
            scratch.Write("/capture.nmea", capture.iLog);
            const std::vector<TTrackPoint> fromLog =
                GpsbabelTrack(scratch, scratch.Path("/capture.nmea"));

            std::vector<std::string> expectedTimes;
            for (const TTrackPoint& point : fromLog) {
                if (!Contains(difference.iOnlyInLog, point.iTime)) {
                    expectedTimes.push_back(point.iTime);
                }
            }
            ASSERT_EQ(Times(fromRecording), expectedTimes);
            ASSERT_EQ(fromLog.size(), fromRecording.size() + difference.iOnlyInLog.size());
            std::size_t r = 0;
            for (const TTrackPoint& point : fromLog) {
                if (Contains(difference.iOnlyInLog, point.iTime)) {
                    continue;
                }
                if (!Contains(difference.iJoined, point.iTime)) {
                    EXPECT_EQ(point.iText, fromRecording[r].iText);
                }
                ++r;
                ++pointsSeen;
            }
        }
    }
    EXPECT_GT(pointsSeen, 200) << "the recordings hold far more fixes than that";
}

}  // namespace

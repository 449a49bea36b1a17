#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>

#include "nmea/CaptureState.h"
#include "support/FileSizeLimit.h"
#include "support/ForkedRun.h"
#include "support/SmallFileSystem.h"
#include "support/TempRoot.h"

namespace {

const std::string KSeparator = std::string(40, '-') + "\n";

struct TNamingCase {
    const char* iLegend;
    TLogMode iLogMode;
    int iCounter;
    const char* iFileName;
    int iCounterAfter;
};

const TNamingCase KNamingCases[] = {
    {"append, counter 7", LogAppend, 7, "nmea_0007.nmea", 7},
    {"append keeps its counter", LogAppend, 42, "nmea_0042.nmea", 42},
    {"new mode uses the number, then advances", LogNewFile, 42, "nmea_0042.nmea", 43},
    {"new mode from 0", LogNewFile, 0, "nmea_0000.nmea", 1},
    {"five digits are not cut", LogAppend, 10000, "nmea_10000.nmea", 10000},
    {"new mode at 10000 wraps to 0", LogNewFile, 10000, "nmea_10000.nmea", 0},
    {"new mode at 9999 reaches 10000", LogNewFile, 9999, "nmea_9999.nmea", 10000},
    // logcounter is loaded without a range check; the name must still fit and the counter
    // come back into range.
    {"counter loaded as INT_MAX", LogNewFile, INT_MAX, "nmea_2147483647.nmea", 0},
};

TEST(CaptureState, ComposeLogFileNameNamesTheFileAndAdvancesInNewMode) {
    for (const TNamingCase& test : KNamingCases) {
        SCOPED_TRACE(test.iLegend);
        CCaptureState state;
        state.LogMode = test.iLogMode;
        state.LogCounter = test.iCounter;
        state.ComposeLogFileName();
        EXPECT_STREQ(state.LogFileName, test.iFileName);
        EXPECT_EQ(std::string(state.LogPath), std::string(KAppDirectory) + "/" + test.iFileName);
        EXPECT_EQ(state.LogCounter, test.iCounterAfter);
    }
}

TEST(CaptureState, LogPathStaysTheDevicePathWhileTheFileOpensUnderTheRoot) {
    CTempRoot root;
    CCaptureState state;
    state.LogCounter = 7;
    state.ComposeLogFileName();
    // The path is shown and stored as the device's; only the open goes to the simulated root.
    EXPECT_STREQ(state.LogPath, "/mnt/sdcard/fixtrail/nmea_0007.nmea");
    ASSERT_TRUE(state.OpenLog());
    state.CloseLog();
    EXPECT_TRUE(root.Exists("/mnt/sdcard/fixtrail/nmea_0007.nmea"));
}

TEST(CaptureState, AdvanceLogCounterRunsFrom0To10000) {
    const struct {
        int iFrom;
        int iTo;
    } cases[] = {{0, 1}, {9999, 10000}, {10000, 0}, {10001, 0}, {INT_MAX, 0}, {-1, 0}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.iFrom);
        CCaptureState state;
        state.LogCounter = test.iFrom;
        state.AdvanceLogCounter();
        EXPECT_EQ(state.LogCounter, test.iTo);
    }
}

struct TConfigCase {
    const char* iLegend;
    std::string iContent;
    TLogMode iLogMode;  // expected after loading; the state starts from the values below
    TDecodeMode iDecodeMode;
    int iLogCounter;
};

// Loading starts from a state that differs from the creation values, so that "unchanged" and
// "set to the default" are told apart.
constexpr TLogMode KStartLogMode = LogNewFile;
constexpr TDecodeMode KStartDecodeMode = DecodeOn;
constexpr int KStartCounter = 5;

const std::string KLongJunk(100 * 1024, 'x');
const char KBinaryJunk[] = "\x00\xff\xfe logsaving\x01\n\x80\x81\x82\n\x1b[2J\r\n";

const TConfigCase KConfigCases[] = {
    {"logsaving new", "logsaving append\nlogsaving new\n", LogNewFile, DecodeOn, 5},
    {"logsaving append", "logsaving append\n", LogAppend, DecodeOn, 5},
    {"no space: key and value are the whole line", "logsaving append\nlogsaving=new\n", LogNewFile,
     DecodeOn, 5},
    {"'nothing' contains 'no'", "framedecoding nothing\n", LogNewFile, DecodeOff, 5},
    {"framedecoding yes", "framedecoding no\nframedecoding yes\n", LogNewFile, DecodeOn, 5},
    {"'append' wins over 'new'", "logsaving newappend\n", LogAppend, DecodeOn, 5},
    {"'yes' wins over 'no'", "framedecoding no-yes\n", LogNewFile, DecodeOn, 5},
    {"words are found anywhere in the key", "my_logsaving_key append\n", LogAppend, DecodeOn, 5},
    {"a value that matches no word changes nothing", "logsaving sometimes\nframedecoding maybe\n",
     LogNewFile, DecodeOn, 5},
    {"logcounter 42", "logcounter 42\n", LogNewFile, DecodeOn, 42},
    {"logcounter abc leaves the counter", "logcounter abc\n", LogNewFile, DecodeOn, 5},
    {"logcounter without a value", "logcounter\n", LogNewFile, DecodeOn, 5},
    {"logcounter past INT_MAX saturates", "logcounter 99999999999\n", LogNewFile, DecodeOn,
     INT_MAX},
    {"unknown keys are ignored", "colour red\n\n   \nlogcounter 3\n", LogNewFile, DecodeOn, 3},
    {"Windows line ends", "logsaving append\r\nframedecoding no\r\nlogcounter 42\r\n", LogAppend,
     DecodeOff, 42},
    {"last line without a line end", "framedecoding no\nlogcounter 17", LogNewFile, DecodeOff, 17},
    {"empty file", "", LogNewFile, DecodeOn, 5},
    {"binary garbage lines", std::string(KBinaryJunk, sizeof KBinaryJunk - 1) + "logcounter 8\n",
     LogNewFile, DecodeOn, 8},
    {"100 KB line, then a real one", KLongJunk + "\nlogcounter 42\n", LogNewFile, DecodeOn, 42},
    // The tail of an over-long line is still that line, whose key is "junk": it must not be
    // read as a line of its own.
    {"key words deep inside an over-long line", "junk " + KLongJunk + "logcounter 99\n", LogNewFile,
     DecodeOn, 5},
    {"over-long line whose key is known", "logsaving append " + KLongJunk + "\n", LogAppend,
     DecodeOn, 5},
};

TEST(CaptureState, LoadConfigReadsTheThreeKeys) {
    for (const TConfigCase& test : KConfigCases) {
        SCOPED_TRACE(test.iLegend);
        CTempRoot root;
        root.Write(KConfigPath, test.iContent);
        CCaptureState state;
        state.LogMode = KStartLogMode;
        state.DecodeMode = KStartDecodeMode;
        state.LogCounter = KStartCounter;
        state.LoadConfig();
        EXPECT_EQ(state.LogMode, test.iLogMode);
        EXPECT_EQ(state.DecodeMode, test.iDecodeMode);
        EXPECT_EQ(state.LogCounter, test.iLogCounter);
    }
}

// Disabled until LoadConfig is fixed: the NUL ends the line's C string before its line feed,
// so the line is taken for an over-long one and skipping its "rest" eats the next line.
TEST(CaptureState, NulInsideALineDoesNotCostTheNextLine) {
    CTempRoot root;
    const char content[] = "junk\0 here\nlogcounter 8\n";
    root.Write(KConfigPath, std::string(content, sizeof content - 1));
    CCaptureState state;
    state.LoadConfig();
    EXPECT_EQ(state.LogCounter, 8);
}

TEST(CaptureState, LoadConfigWithoutAFileKeepsTheCreationValues) {
    CTempRoot root;
    CCaptureState state;
    state.LoadConfig();
    EXPECT_EQ(state.LogMode, LogAppend);
    EXPECT_EQ(state.DecodeMode, DecodeOff);
    EXPECT_EQ(state.LogCounter, 0);
}

TEST(CaptureState, SaveConfigWritesExactlyThreeLinesAndNoTemporaryFile) {
    CTempRoot root;
    // An older, longer file is replaced whole, not overwritten in place.
    root.Write(KConfigPath, "logsaving new\nframedecoding yes\nlogcounter 123456\nextra line\n");
    CCaptureState state;
    ASSERT_TRUE(state.SaveConfig());
    EXPECT_EQ(root.Read(KConfigPath), "logsaving append\nframedecoding no\nlogcounter 0\n");
    EXPECT_FALSE(root.Exists(KConfigTempPath));

    state.LogMode = LogNewFile;
    state.DecodeMode = DecodeOn;
    state.LogCounter = 10000;
    ASSERT_TRUE(state.SaveConfig());
    EXPECT_EQ(root.Read(KConfigPath), "logsaving new\nframedecoding yes\nlogcounter 10000\n");
    EXPECT_FALSE(root.Exists(KConfigTempPath));
}

TEST(CaptureState, SavedConfigLoadsBackTheSameSettings) {
    for (TLogMode logMode : {LogAppend, LogNewFile}) {
        for (TDecodeMode decodeMode : {DecodeOn, DecodeOff}) {
            for (int counter : {0, 42, 10000}) {
                SCOPED_TRACE(testing::Message() << "mode " << logMode << " decode " << decodeMode
                                                << " counter " << counter);
                CTempRoot root;
                CCaptureState saved;
                saved.LogMode = logMode;
                saved.DecodeMode = decodeMode;
                saved.LogCounter = counter;
                ASSERT_TRUE(saved.SaveConfig());
                CCaptureState loaded;
                loaded.LogMode = logMode == LogAppend ? LogNewFile : LogAppend;
                loaded.DecodeMode = decodeMode == DecodeOn ? DecodeOff : DecodeOn;
                loaded.LogCounter = counter + 1;
                loaded.LoadConfig();
                EXPECT_EQ(loaded.LogMode, logMode);
                EXPECT_EQ(loaded.DecodeMode, decodeMode);
                EXPECT_EQ(loaded.LogCounter, counter);
            }
        }
    }
}

TEST(CaptureState, SaveConfigIntoAMissingDirectoryFailsAndLeavesNothing) {
    CTempRoot root;
    root.RemoveDirectory(KAppDirectory);
    CCaptureState state;
    EXPECT_FALSE(state.SaveConfig());
    EXPECT_FALSE(root.Exists(KAppDirectory));
    EXPECT_FALSE(root.Exists(KConfigPath));
    EXPECT_FALSE(root.Exists(KConfigTempPath));
}

TEST(CaptureState, FailedSaveLeavesTheOldConfigIntact) {
    CTempRoot root;
    const std::string old = "logsaving new\nframedecoding yes\nlogcounter 9\n";
    root.Write(KConfigPath, old);
    // The temporary file cannot be created where a directory of that name stands.
    ASSERT_TRUE(root.MakeDirectory(KConfigTempPath));
    CCaptureState state;
    EXPECT_FALSE(state.SaveConfig());
    EXPECT_EQ(root.Read(KConfigPath), old);
}

TEST(CaptureState, LogLinesAreTheSentenceAndOptionalReportBetweenSeparators) {
    CTempRoot root;
    const char* const logFile = "/mnt/sdcard/fixtrail/nmea_0003.nmea";
    // The log is appended to, never truncated; an earlier run cut off mid-line (a crash, a
    // power cut) gets its line end first, so that no two sentences share a line.
    root.Write(logFile, "$GPGGA,12351");
    CCaptureState state;
    state.LogCounter = 3;
    state.ComposeLogFileName();
    ASSERT_TRUE(state.OpenLog());

    const std::string sentence = "GPGLL,4916.45,N,12311.12,W,225444,A*31";
    state.WriteLog(sentence.data(), sentence.size(), nullptr);
    state.FlushLog(false);
    // Exactly the text length + 2 bytes, and visible to another reader once flushed.
    EXPECT_EQ(root.Read(logFile).size(), 12 + 1 + sentence.size() + 2);

    const std::string report = "Field # 0 : PGRMZ\nField # 1 : 93\n";
    state.WriteLog("PGRMZ,93", 8, &report);
    // Only aLength bytes of the text are written.
    state.WriteLog("GPZDA,extra", 5, nullptr);
    state.CloseLog();
    EXPECT_EQ(state.LogFile, nullptr);
    state.WriteLog("AFTER", 5, nullptr);  // no log open: nothing happens
    state.CloseLog();

    EXPECT_EQ(root.Read(logFile), "$GPGGA,12351\n$" + sentence + "\n$PGRMZ,93\n" + KSeparator +
                                      report + KSeparator + "$GPZDA\n");
    EXPECT_EQ(KSeparator.size(), 41u);
}

// A full card: the writes are buffered, so the failure shows at the flush, and stays until the
// next run opens its log.
TEST(CaptureState, AFailedLogWriteIsKeptUntilTheNextOpen) {
    CTempRoot root;
    const char* const logFile = "/mnt/sdcard/fixtrail/nmea_0000.nmea";
    CCaptureState state;
    state.ComposeLogFileName();
    {
        CFileSizeLimit full(4);
        ASSERT_TRUE(full.IsSet());
        ASSERT_TRUE(state.OpenLog());
        EXPECT_FALSE(state.LogWriteFailed());
        state.WriteLog("GPGGA,1", 7, nullptr);
        state.FlushLog(false);
        EXPECT_TRUE(state.LogWriteFailed());
        state.CloseLog();
        EXPECT_TRUE(state.LogWriteFailed()) << "the user must still learn of it after the run";
    }

    ASSERT_EQ(::unlink(root.Path(logFile).c_str()), 0);
    ASSERT_TRUE(state.OpenLog());
    EXPECT_FALSE(state.LogWriteFailed());
    state.WriteLog("GPGGA,1", 7, nullptr);
    state.CloseLog();
    EXPECT_FALSE(state.LogWriteFailed());
    EXPECT_EQ(root.Read(logFile), "$GPGGA,1\n");
}

// A log at its size limit whose next file cannot be made yet (no file left on the card): the
// run tries again with every write and goes on in that file once it can be made.
TEST(CaptureState, ARollOverWhoseNextFileCannotBeMadeGoesOnOnceItCan) {
    CTempRoot root;
    CSmallFileSystem card(root.Path(KAppDirectory), "size=64k,nr_inodes=3");
    SKIP_WITHOUT_SMALL_FILE_SYSTEM(card);
    CCaptureState state;
    state.ComposeLogFileName();
    CFileSizeLimit limit(12);
    ASSERT_TRUE(limit.IsSet());
    ASSERT_TRUE(state.OpenLog());
    root.Write(KAppDirectory + std::string("/blocker"), "");  // the card's last file
    state.WriteLog("GPGGA,1", 7, nullptr);
    state.FlushLog(false);
    state.WriteLog("GPGGA,2", 7, nullptr);
    state.FlushLog(false);
    EXPECT_TRUE(state.LogWriteFailed());
    EXPECT_EQ(state.LogRollOvers(), 0) << "no new file to name yet";
    ASSERT_EQ(::unlink(root.Path(KAppDirectory + std::string("/blocker")).c_str()), 0);
    state.WriteLog("GPGGA,3", 7, nullptr);
    state.FlushLog(false);
    EXPECT_FALSE(state.LogWriteFailed());
    EXPECT_EQ(state.LogRollOvers(), 1);
    state.CloseLog();
    EXPECT_EQ(root.Read(KAppDirectory + std::string("/nmea_0000.nmea")), "$GPGGA,1\n");
    EXPECT_EQ(root.Read(KAppDirectory + std::string("/nmea_0001.nmea")), "$GPGGA,3\n");
}

// Anyone may leave a FIFO on the card under one of our names. Opened like a file it would
// block start-up (config.txt), a Save (its temporary file) or a Start (the log) until some
// process opened its other end; it is refused instead, and left where it is.
TEST(CaptureState, FifosUnderItsFileNamesAreRefusedWithoutBlocking) {
    CTempRoot root;
    const char* const log = "/mnt/sdcard/fixtrail/nmea_0000.nmea";
    for (const char* path : {KConfigPath, KConfigTempPath, log}) {
        ASSERT_EQ(::mkfifo(root.Path(path).c_str(), 0600), 0) << path;
    }
    const int status = RunInChild(
        [] {
            CCaptureState state;
            state.LogCounter = 5;
            state.LoadConfig();
            EXPECT_EQ(state.LogCounter, 5);
            EXPECT_FALSE(state.SaveConfig());
            state.LogCounter = 0;
            state.ComposeLogFileName();
            EXPECT_FALSE(state.OpenLog());
            EXPECT_EQ(state.LogFile, nullptr);
            return 0;
        },
        5);
    EXPECT_EQ(status, 0) << "142: an open blocked (SIGALRM), 99: an expectation failed";
    for (const char* path : {KConfigPath, KConfigTempPath, log}) {
        struct stat info {};
        EXPECT_EQ(::lstat(root.Path(path).c_str(), &info), 0) << path;
        EXPECT_TRUE(S_ISFIFO(info.st_mode)) << path;
    }
}

TEST(CaptureState, OpenLogFailsWhenTheDirectoryIsMissing) {
    CTempRoot root;
    root.RemoveDirectory(KAppDirectory);
    CCaptureState state;
    state.ComposeLogFileName();
    EXPECT_FALSE(state.OpenLog());
    EXPECT_EQ(state.LogFile, nullptr);
    state.WriteLog("GPGGA", 5, nullptr);
    state.FlushLog(true);
    state.CloseLog();
    EXPECT_FALSE(root.Exists(KAppDirectory));
}

// Durability: the log is synced about once a second and at its close, config.txt before it is
// renamed into place, then its directory; a sync that fails is a failure.
int gSyncs = 0;
int gSyncResult = 0;
int CountedSync(int) {
    errno = EIO;
    return ++gSyncs, gSyncResult;
}

TEST(CaptureState, LogAndConfigAreSyncedToTheCard) {
    CTempRoot root;
    CCaptureState state;
    state.SetSyncCall(CountedSync);
    state.ComposeLogFileName();
    const std::int64_t opened = MonotonicMs();
    ASSERT_TRUE(state.OpenLog());
    state.WriteLog("A", 1, nullptr);
    state.FlushLog(false, opened + 10);
    EXPECT_EQ(gSyncs, 0) << "not before a second has passed";
    state.FlushLog(false, opened + 2000);
    state.FlushLog(false, opened + 4000);  // nothing new to sync
    EXPECT_EQ(gSyncs, 1);
    state.WriteLog("B", 1, nullptr);
    state.CloseLog();
    EXPECT_EQ(gSyncs, 2);
    ASSERT_TRUE(state.SaveConfig());
    EXPECT_EQ(gSyncs, 4);

    gSyncResult = -1;
    ASSERT_TRUE(state.OpenLog());
    state.WriteLog("C", 1, nullptr);
    state.CloseLog();
    EXPECT_TRUE(state.LogWriteFailed());
    state.LogMode = LogNewFile;
    EXPECT_FALSE(state.SaveConfig());
    EXPECT_EQ(root.Read(KConfigPath), "logsaving append\nframedecoding no\nlogcounter 0\n");
    EXPECT_FALSE(root.Exists(KConfigTempPath));
}

// No room for the temporary copy: config.txt is rewritten where it lies; with no config.txt to
// rewrite, the save fails.
TEST(CaptureState, SaveOnAFullCardRewritesConfigInPlace) {
    CTempRoot root;
    CSmallFileSystem card(root.Path(KAppDirectory));
    SKIP_WITHOUT_SMALL_FILE_SYSTEM(card);
    root.Write(KConfigPath, "logsaving append\nframedecoding no\nlogcounter 9\n");
    ASSERT_TRUE(card.Fill());
    CCaptureState state;
    state.LogCounter = 10;
    EXPECT_TRUE(state.SaveConfig());
    EXPECT_EQ(root.Read(KConfigPath), "logsaving append\nframedecoding no\nlogcounter 10\n");
    ASSERT_EQ(::unlink(root.Path(KConfigPath).c_str()), 0);
    ASSERT_TRUE(card.Fill());
    EXPECT_FALSE(state.SaveConfig());
}

}  // namespace

// fixtrail-decode run as a user runs it: a real process, its output and status.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/Recordings.h"
#include "support/TempRoot.h"
#include "support/ToolRun.h"

namespace {

TToolRun RunTool(const std::vector<std::string>& aArguments,
                 const std::string& aStdin = "/dev/null") {
    return ::RunTool("fixtrail-decode", aArguments, aStdin);
}

TEST(DecodeTool, DecodesAFileIntoTheExpectedLog) {
    for (const char* name : KRecordings) {
        SCOPED_TRACE(name);
        const TToolRun run = RunTool({KDataDirectory + name});
        EXPECT_EQ(run.iStatus, 0);
        EXPECT_TRUE(run.iOut == ReadWholeFile(KDataDirectory + name + ".decoded"));
        EXPECT_EQ(run.iErr, "");
    }
}

TEST(DecodeTool, ReadsStandardInputWithDashOrWithoutAFile) {
    const std::string name = KDataDirectory + "marineapi_Navibe-GM720.txt";
    const std::string expected = ReadWholeFile(name + ".decoded");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"-"}, std::vector<std::string>{}}) {
        SCOPED_TRACE(arguments.empty() ? "no argument" : "-");
        const TToolRun run = RunTool(arguments, name);
        EXPECT_EQ(run.iStatus, 0);
        EXPECT_TRUE(run.iOut == expected);
    }
}

TEST(DecodeTool, RawWritesTheSentencesOnly) {
    for (const char* name : {"marineapi_Garmin-GPS76.txt", "pynmeagps_pygpsdata-nmea4.log"}) {
        SCOPED_TRACE(name);
        const TToolRun run = RunTool({"--raw", KDataDirectory + name});
        EXPECT_EQ(run.iStatus, 0);
        EXPECT_TRUE(run.iOut == ReadWholeFile(KDataDirectory + name + ".raw"));
    }
}

TEST(DecodeTool, CountsGoToStandardErrorAsOneLine) {
    const std::string name = KDataDirectory + "gpsbabel_track_nmea+ms.txt";
    const TToolRun run = RunTool({"--counts", name});
    EXPECT_EQ(run.iStatus, 0);
    EXPECT_EQ(run.iErr, "total=125 GGA=30 GLL=0 GSA=29 GSV=5 VTG=31 RMC=30 other=0\n");
    EXPECT_EQ(run.iErr, ReadWholeFile(name + ".counts"));
    EXPECT_TRUE(run.iOut == ReadWholeFile(name + ".decoded"));

    // With --raw nothing is decoded, so only the total moves.
    const TToolRun raw = RunTool({"--raw", "--counts", "-"}, name);
    EXPECT_EQ(raw.iErr, "total=125 GGA=0 GLL=0 GSA=0 GSV=0 VTG=0 RMC=0 other=0\n");
}

// A NUL costs only the sentence it falls in; a last sentence without its line end is kept.
TEST(DecodeTool, NoiseAndAMissingLastLineEndCostOnlyTheNoisySentence) {
    CTempRoot root;
    const char bytes[] =
        "$GPGLL,4916.45,N,1231\0"
        "1.12,W,225444,A*31\r\n$A*01\r\n$B*02";
    root.Write("/recording.txt", std::string(bytes, sizeof bytes - 1));
    const TToolRun run = RunTool({"--raw", "--counts", root.Path("/recording.txt")});
    EXPECT_EQ(run.iStatus, 0);
    EXPECT_EQ(run.iOut, "$A*01\n$B*02\n");
    EXPECT_EQ(run.iErr, "total=2 GGA=0 GLL=0 GSA=0 GSV=0 VTG=0 RMC=0 other=0\n");
}

TEST(DecodeTool, MissingFileIsOneLineNamingItAndStatus1) {
    const std::string missing = KDataDirectory + "no-such-recording.txt";
    const TToolRun run = RunTool({"--counts", missing});
    EXPECT_EQ(run.iStatus, 1);
    EXPECT_EQ(run.iOut, "");
    EXPECT_NE(run.iErr.find(missing), std::string::npos) << run.iErr;
    ASSERT_FALSE(run.iErr.empty());
    EXPECT_EQ(run.iErr.find('\n'), run.iErr.size() - 1) << run.iErr;
}

TEST(DecodeTool, UnknownOptionOrSecondFileIsAUsageError) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--bogus"}, std::vector<std::string>{"a.txt", "b.txt"}}) {
        SCOPED_TRACE(arguments[0]);
        const TToolRun run = RunTool(arguments);
        EXPECT_EQ(run.iStatus, 2);
        EXPECT_EQ(run.iOut, "");
        EXPECT_NE(run.iErr.find("usage: fixtrail-decode"), std::string::npos);
    }
}

TEST(DecodeTool, EmptyInputGivesAnEmptyLog) {
    const TToolRun run = RunTool({"--counts"});
    EXPECT_EQ(run.iStatus, 0);
    EXPECT_EQ(run.iOut, "");
    EXPECT_EQ(run.iErr, "total=0 GGA=0 GLL=0 GSA=0 GSV=0 VTG=0 RMC=0 other=0\n");
}

// A log that cannot be written is a failure, not a shorter log: /dev/full refuses every write.
TEST(DecodeTool, UnwritableOutputIsStatus1) {
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const pid_t pid =
        SpawnTool("fixtrail-decode", {KDataDirectory + "marineapi_Navibe-GM720.txt"}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "platform/FixedString.h"
#include "platform/StdioFile.h"
#include "support/ForkedRun.h"
#include "support/TempRoot.h"

namespace {

constexpr const char* KFile = "/mnt/sdcard/fixtrail/file.txt";

TEST(StdioFile, OpenFailuresReturnMinusOne) {
    CTempRoot root;
    CStdioFile file;
    EXPECT_EQ(file.OpenRead("/mnt/sdcard/fixtrail/missing.txt"), KStdioErrOpen);
    EXPECT_FALSE(file.IsOpen());
    // Appending needs an existing file ("rb+"); it is never created.
    EXPECT_EQ(file.OpenWrite("/mnt/sdcard/fixtrail/missing.txt", true), KStdioErrOpen);
    EXPECT_FALSE(root.Exists("/mnt/sdcard/fixtrail/missing.txt"));
    EXPECT_EQ(file.OpenWrite("/mnt/sdcard/nowhere/new.txt", false), KStdioErrOpen);
    EXPECT_EQ(file.OpenRead(static_cast<const char*>(nullptr)), KStdioErrOpen);
}

TEST(StdioFile, WritesThroughTheDeviceRootAndReadsLinesBack) {
    CTempRoot root;
    {
        CStdioFile file;
        ASSERT_EQ(file.OpenWrite(KFile, false), 0);
        EXPECT_TRUE(file.IsOpen());
        EXPECT_EQ(file.WriteLine("first"), 0);
        EXPECT_EQ(file.Write("sec", 3), 0);
        EXPECT_EQ(file.WriteLine("ond"), 0);
        EXPECT_EQ(file.Write("tail", 4), 0);
        EXPECT_EQ(file.Write(nullptr, 0), 0);
        EXPECT_TRUE(file.Flush());
    }  // closed by the destructor
    EXPECT_EQ(root.Read(KFile), "first\nsecond\ntail");

    CStdioFile file;
    ASSERT_EQ(file.OpenRead(KFile), 0);
    char line[16];
    EXPECT_EQ(file.ReadLine(line, sizeof line), 6);
    EXPECT_STREQ(line, "first\n");
    EXPECT_EQ(file.ReadLine(line, 4), 3);  // a line longer than the buffer comes in parts
    EXPECT_STREQ(line, "sec");
    EXPECT_EQ(file.ReadLine(line, sizeof line), 4);
    EXPECT_EQ(file.ReadLine(line, sizeof line), 4);
    EXPECT_STREQ(line, "tail");
    EXPECT_EQ(file.ReadLine(line, sizeof line), -1);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // a second close does nothing
}

TEST(StdioFile, PathStringIsTerminatedWithoutItsTail) {
    CTempRoot root;
    root.Write(KFile, "content");
    TFixedString<64> path(KFile);
    path.Append("XYZ");
    path.SetLength(path.Length() - 3);  // "XYZ" stays in the bytes after the length
    CStdioFile file;
    ASSERT_EQ(file.OpenRead(path), 0);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "content");
}

TEST(StdioFile, AppendKeepsWhatIsThere) {
    CTempRoot root;
    root.Write(KFile, "abc");
    CStdioFile file;
    ASSERT_EQ(file.OpenWrite(KFile, true), 0);
    EXPECT_EQ(file.Tell(), 3);
    EXPECT_EQ(file.Write("def", 3), 0);
    file.Close();
    EXPECT_EQ(root.Read(KFile), "abcdef");
}

TEST(StdioFile, SizeIsCachedOnlyForReading) {
    CTempRoot root;
    root.Write(KFile, "12345");
    CStdioFile reader;
    ASSERT_EQ(reader.OpenRead(KFile), 0);
    char byte;
    EXPECT_EQ(reader.Read(&byte, 1), 1);
    EXPECT_EQ(reader.Size(), 5);
    EXPECT_EQ(reader.Tell(), 1);  // Size leaves the position where it was
    root.Write(KFile, "1234567890");
    EXPECT_EQ(reader.Size(), 5);  // cached

    CStdioFile writer;
    ASSERT_EQ(writer.OpenWrite("/mnt/sdcard/fixtrail/out.bin", false), 0);
    EXPECT_EQ(writer.Size(), 0);
    EXPECT_EQ(writer.Write("abcd", 4), 0);
    EXPECT_EQ(writer.Size(), 4);  // never cached for writing
    EXPECT_EQ(writer.Seek(1), 0);
    EXPECT_EQ(writer.Tell(), 1);
    EXPECT_EQ(writer.Write("X", 1), 0);
    EXPECT_EQ(writer.Size(), 4);
    writer.Close();
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/out.bin"), "aXcd");
}

TEST(StdioFile, ClosedFileGivesTheErrorResults) {
    CStdioFile file;
    char buffer[4];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(file.ReadLine(buffer, sizeof buffer), -1);
    EXPECT_EQ(file.Write("a", 1), KStdioErrWrite);
    EXPECT_EQ(file.WriteLine("a"), KStdioErrWrite);
    EXPECT_FALSE(file.Flush());
    EXPECT_EQ(file.Tell(), KStdioErrPosition);
    EXPECT_EQ(file.Size(), KStdioErrPosition);
    EXPECT_EQ(file.Seek(0), -1);
}

TEST(StdioFile, WriteThatDoesNotReachTheFileReturnsMinus23) {
    CTempRoot root;
    root.Write(KFile, "abc");
    {
        SCOPED_TRACE("stream opened for reading");
        CStdioFile file;
        ASSERT_EQ(file.OpenRead(KFile), 0);
        EXPECT_EQ(file.Write("0123456789", 10), KStdioErrWrite);
        EXPECT_EQ(file.WriteLine("x"), KStdioErrWrite);
        EXPECT_EQ(file.Close(), 0);  // nothing was to be written
    }
    {
        // A medium that accepts 4 bytes: the file size limit, with its signal ignored so that
        // the write fails instead of ending the process. 10 bytes fit the stream's buffer: the
        // failure must show all the same, and again at the close.
        SCOPED_TRACE("file size limit of 4 bytes");
        const int status = RunInChild([]() {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4, 4};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                return 2;
            }
            CStdioFile file;
            if (file.OpenWrite("/mnt/sdcard/fixtrail/limited.bin", false) != 0) {
                return 3;
            }
            if (file.Write("0123456789", 10) != KStdioErrWrite) {
                return 4;
            }
            return file.Close() == KStdioErrWrite ? 0 : 5;
        });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/limited.bin"), "0123");
    }
    {
        // A caller that ignored the failed write still learns of it at the close.
        SCOPED_TRACE("full device");
        ASSERT_EQ(::symlink("/dev/full", root.Path("/mnt/sdcard/fixtrail/full").c_str()), 0);
        CStdioFile file;
        ASSERT_EQ(file.OpenWrite("/mnt/sdcard/fixtrail/full", false), 0);
        EXPECT_EQ(file.Write("abc", 3), KStdioErrWrite);
        EXPECT_EQ(file.Close(), KStdioErrWrite);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.Close(), 0);  // closed already: nothing to report
    }
}

TEST(StdioFile, CloseOfAWholeFileReportsSuccess) {
    CTempRoot root;
    CStdioFile file;
    ASSERT_EQ(file.OpenWrite(KFile, false), 0);
    EXPECT_EQ(file.Write("abc", 3), 0);
    EXPECT_EQ(root.Read(KFile), "abc");  // on the file before the close
    EXPECT_EQ(file.Close(), 0);
    // A FIFO has nothing to sync: that is no loss.
    ASSERT_EQ(::mkfifo(root.Path("/mnt/sdcard/fixtrail/fifo").c_str(), 0600), 0);
    const int reader =
        ::open(root.Path("/mnt/sdcard/fixtrail/fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(file.OpenWrite("/mnt/sdcard/fixtrail/fifo", false), 0);
    EXPECT_EQ(file.Write("abc", 3), 0);
    EXPECT_EQ(file.Close(), 0);
    ::close(reader);
}

TEST(StdioFile, PathWithoutRoomForItsNulIsNotOpenedCutShort) {
    CTempRoot root;
    root.Write("/mnt/sdcard/fixtrail/ab", "short");
    // 24 characters in 24 bytes: cut for its NUL, the path would name the file "ab".
    TFixedString<24> path("/mnt/sdcard/fixtrail/abc");
    ASSERT_EQ(path.Length(), 24);
    CStdioFile file;
    EXPECT_EQ(file.OpenRead(path), KStdioErrOpen);
    EXPECT_EQ(file.OpenWrite(path, false), KStdioErrOpen);
    EXPECT_EQ(file.OpenWrite(path, true), KStdioErrOpen);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/ab"), "short");
}

}  // namespace

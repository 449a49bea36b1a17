#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/RegularFile.h"
#include "support/ForkedRun.h"
#include "support/TempRoot.h"

namespace {

// A child of its own: code that blocks in an open ends there by the alarm, not in the suite.
constexpr unsigned KBlockedSeconds = 5;

std::string ReadStream(std::FILE* aStream) {
    std::string text;
    int c;
    while ((c = std::getc(aStream)) != EOF) {
        text += static_cast<char>(c);
    }
    return text;
}

TEST(RegularFile, OpensRegularFilesInEveryMode) {
    CTempRoot root;
    const std::string path = root.Path("/mnt/sdcard/fixtrail/file.txt");
    root.Write("/mnt/sdcard/fixtrail/file.txt", "old");

    std::FILE* stream = OpenRegularStream(path.c_str(), "r");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ReadStream(stream), "old");
    std::fclose(stream);

    stream = OpenRegularStream(path.c_str(), "a");
    ASSERT_NE(stream, nullptr);
    std::fputs("+more", stream);
    std::fclose(stream);
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/file.txt"), "old+more");

    stream = OpenRegularStream(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    std::fputs("new", stream);
    std::fclose(stream);
    EXPECT_EQ(root.Read("/mnt/sdcard/fixtrail/file.txt"), "new");

    // Created when missing, for writing and appending; never for reading.
    const std::string created = root.Path("/mnt/sdcard/fixtrail/created.txt");
    EXPECT_EQ(OpenRegularStream(created.c_str(), "r"), nullptr);
    stream = OpenRegularStream(created.c_str(), "a");
    ASSERT_NE(stream, nullptr);
    std::fclose(stream);
    EXPECT_TRUE(root.Exists("/mnt/sdcard/fixtrail/created.txt"));

    const int descriptor = OpenRegularFile(path.c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(::fcntl(descriptor, F_GETFL) & O_NONBLOCK, 0) << "handed back blocking";
    EXPECT_NE(::fcntl(descriptor, F_GETFD) & FD_CLOEXEC, 0);
    ::close(descriptor);
    EXPECT_EQ(OpenRegularStream(path.c_str(), "x"), nullptr);
    EXPECT_EQ(OpenRegularStream("", "r"), nullptr);
}

// A FIFO, with or without a process at its other end, a directory and a device are refused
// at once in every mode, and nothing is created or truncated in their place.
TEST(RegularFile, RefusesWhatIsNoRegularFileWithoutBlocking) {
    CTempRoot root;
    const std::string fifo = root.Path("/mnt/sdcard/fixtrail/fifo");
    const std::string directory = root.Path("/mnt/sdcard/fixtrail/directory");
    const std::string device = root.Path("/mnt/sdcard/fixtrail/device");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(root.MakeDirectory("/mnt/sdcard/fixtrail/directory"));
    ASSERT_EQ(::symlink("/dev/zero", device.c_str()), 0);
    const int status = RunInChild(
        [&] {
            for (const std::string& path : {fifo, directory, device}) {
                SCOPED_TRACE(path);
                for (const char* mode : {"r", "rb", "w", "wb", "a", "ab", "r+"}) {
                    SCOPED_TRACE(mode);
                    std::FILE* stream = OpenRegularStream(path.c_str(), mode);
                    EXPECT_EQ(stream, nullptr);
                    if (stream != nullptr) {
                        std::fclose(stream);
                    }
                }
                EXPECT_EQ(OpenRegularFile(path.c_str(), O_RDONLY), -1);
                EXPECT_EQ(OpenRegularFile(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC), -1);
            }
            // With a reader at the other end a writer's open would succeed: still refused.
            const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            EXPECT_GE(reader, 0);
            EXPECT_EQ(OpenRegularStream(fifo.c_str(), "a"), nullptr);
            ::close(reader);
            return 0;
        },
        KBlockedSeconds);
    EXPECT_EQ(status, 0) << "142: an open blocked (SIGALRM), 99: an expectation failed";
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    ASSERT_EQ(::lstat(device.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

}  // namespace

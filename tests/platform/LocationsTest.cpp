#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "platform/Locations.h"
#include "support/ForkedRun.h"
#include "support/TempRoot.h"

namespace {

std::string Text(const CFixedString& aString) {
    return std::string(aString.Data(), static_cast<std::size_t>(aString.Length()));
}

TEST(Locations, RunTimeDirectoryAndItsFiles) {
    CFixedString& location = GetLocationPath(KLocationRunTime);
    EXPECT_EQ(Text(location), "/var/run/");
    EXPECT_STREQ(location.Data(), "/var/run/");  // terminated
    EXPECT_EQ(Text(GetFilePath(KLocationRunTime, "abc.txt")), "/var/run/abc.txt");
    EXPECT_STREQ(GetFilePath(26, CFixedString::View("x.message")).Data(), "/var/run/x.message");
    EXPECT_EQ(PathSeparator(), '/');
}

TEST(Locations, EveryCallOverwritesTheOneResultString) {
    CFixedString& first = GetFilePath(KLocationRunTime, "one.message");
    CFixedString& second = GetFilePath(KLocationRunTime, "two.finished");
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(Text(first), "/var/run/two.finished");
    GetLocationPath(28);
    EXPECT_EQ(Text(first), "/mnt/flash/");
    // A name taken from the result string itself is read before it is overwritten.
    EXPECT_EQ(Text(GetFilePath(KLocationRunTime, GetFilePath(28, "x"))), "/var/run//mnt/flash/x");
    EXPECT_EQ(Text(GetFilePath(KLocationRunTime, GetFilePath(28, "y").Data())),
              "/var/run//mnt/flash/y");
}

TEST(Locations, TableFollowsTheCompositionRules) {
    const std::set<std::string> roots = {"/mnt/sdcard/", "/mnt/flash/", "/var/run/",
                                         "/mnt/sdcard/mediaplayer/", "/mnt/sdcard/photoviewer/"};
    int rootOnly = 0;
    int oneLevel = 0;
    int nested = 0;
    std::set<std::string> named;
    for (int id = 1; id < KLocationCount; ++id) {
        SCOPED_TRACE(id);
        const std::string path = Text(GetLocationPath(id));
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.front(), '/');
        EXPECT_EQ(path.back(), '/');
        EXPECT_EQ(std::strlen(GetLocationPath(id).Data()), path.size());
        if (roots.count(path) != 0) {
            ++rootOnly;
            continue;
        }
        EXPECT_TRUE(named.insert(path).second) << path << " named twice";
        // Under a root, one or two levels deep.
        const std::string rest = path.substr(std::string("/mnt/sdcard/").size());
        ASSERT_EQ(path.compare(0, 12, "/mnt/sdcard/"), 0) << path;
        const int levels = static_cast<int>(std::count(rest.begin(), rest.end(), '/'));
        if (levels == 1) {
            ++oneLevel;
        } else if (levels == 2) {
            ++nested;
            // The parent is a location of its own.
            EXPECT_EQ(named.count("/mnt/sdcard/" + rest.substr(0, rest.find('/') + 1)), 1u);
        } else {
            ADD_FAILURE() << path;
        }
    }
    EXPECT_EQ(rootOnly, 16);
    EXPECT_EQ(oneLevel, 18);
    EXPECT_EQ(nested, 3);
    EXPECT_EQ(Text(GetLocationPath(0)), "/mnt/sdcard/");
    EXPECT_EQ(Text(GetLocationPath(28)), "/mnt/flash/");
    EXPECT_EQ(Text(GetLocationPath(-1)), "/mnt/sdcard/");
    EXPECT_EQ(Text(GetLocationPath(KLocationCount)), "/mnt/sdcard/");
}

TEST(Locations, APathThatDoesNotFitNamesNothing) {
    const std::string fits(KLocationPathCapacity - 1 - 9, 'a');  // 255 characters in all
    CFixedString& path = GetFilePath(KLocationRunTime, fits.c_str());
    EXPECT_EQ(Text(path), "/var/run/" + fits);
    EXPECT_EQ(std::strlen(path.Data()), static_cast<std::size_t>(KLocationPathCapacity - 1));
    // Cut to fit, these would name another file: they name none.
    for (const std::string& name : {fits + "b", std::string(400, 'n')}) {
        SCOPED_TRACE(name.size());
        EXPECT_EQ(GetFilePath(KLocationRunTime, name.c_str()).Length(), 0);
        const CFixedString view = CFixedString::View(name.c_str());
        EXPECT_EQ(GetFilePath(KLocationRunTime, view).Length(), 0);
    }
}

TEST(Locations, DirectoryListHoldsTwoCandidates) {
    CDirectoryList list;
    GetLocationCandidates(KLocationRunTime, list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Add("/a/"));
    EXPECT_TRUE(list.Add("/b/"));
    EXPECT_FALSE(list.Add("/c/"));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_STREQ(list.At(1).Data(), "/b/");
}

// ---- File-system operations, through the device root.

TEST(FileSystem, ExistenceTests) {
    CTempRoot root;
    root.Write("/var/run/file.txt", "x");
    struct TCase {
        const char* iLegend;
        const char* iPath;
        bool iDirectory;
        bool iFile;
    };
    const TCase cases[] = {
        {"directory", "/var/run/", true, false},
        {"directory without slash", "/var/run", true, false},
        {"regular file", "/var/run/file.txt", false, true},
        {"missing", "/var/run/missing", false, false},
        {"under a file", "/var/run/file.txt/x", false, false},
        {"empty path", "", false, false},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        EXPECT_EQ(DirectoryExists(test.iPath), test.iDirectory);
        EXPECT_EQ(FileExists(test.iPath), test.iFile);
        TFixedString<64> path(test.iPath);
        EXPECT_EQ(DirectoryExists(path), test.iDirectory);
        EXPECT_EQ(FileExists(path), test.iFile);
    }
    // The host's own /var/run is not the device's: a file only the root holds is found.
    EXPECT_FALSE(::access("/var/run/file.txt", F_OK) == 0);
}

TEST(FileSystem, UnreadableDirectoryAndFileDoNotExist) {
    // stat succeeds on both (their parent can be searched); only the read test tells. Root
    // reads everything whatever the mode, so as root the checks run in a child that has given
    // up root for an ordinary user.
    CTempRoot root;
    ASSERT_EQ(::chmod(root.Root().c_str(), 0755), 0);
    for (const char* directory : {"/mnt", "/var", "/var/run"}) {
        ASSERT_EQ(::chmod(root.Path(directory).c_str(), 0755), 0);
    }
    ASSERT_TRUE(root.MakeDirectory("/var/run/closed"));
    ASSERT_TRUE(root.MakeDirectory("/var/run/open"));
    root.Write("/var/run/closed.txt", "x");
    root.Write("/var/run/open.txt", "x");
    ASSERT_EQ(::chmod(root.Path("/var/run/closed").c_str(), 0711), 0);
    ASSERT_EQ(::chmod(root.Path("/var/run/open").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(root.Path("/var/run/closed.txt").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(root.Path("/var/run/open.txt").c_str(), 0644), 0);
    const auto check = []() {
        EXPECT_TRUE(DirectoryExists("/var/run/open"));
        EXPECT_TRUE(FileExists("/var/run/open.txt"));
        EXPECT_FALSE(DirectoryExists("/var/run/closed"));
        EXPECT_FALSE(FileExists("/var/run/closed.txt"));
    };
    if (::geteuid() == 0) {
        EXPECT_EQ(RunInChild([&]() {
                      constexpr uid_t KNobody = 65534;
                      if (::setgid(KNobody) != 0 || ::setuid(KNobody) != 0) {
                          return 2;
                      }
                      check();
                      return 0;
                  }),
                  0);
    } else {
        // The files are our own: take the owner's read bits away instead.
        ASSERT_EQ(::chmod(root.Path("/var/run/closed").c_str(), 0311), 0);
        ASSERT_EQ(::chmod(root.Path("/var/run/closed.txt").c_str(), 0200), 0);
        check();
        (void)::chmod(root.Path("/var/run/closed").c_str(), 0700);
    }
}

TEST(FileSystem, CreateDirectoryAndRemoveFile) {
    CTempRoot root;
    const mode_t oldMask = ::umask(0);
    TFixedString<64> directory("/var/run/made");
    EXPECT_EQ(CreateDirectory(directory), 0);
    ::umask(oldMask);
    struct stat info {};
    ASSERT_EQ(::stat(root.Path("/var/run/made").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_EQ(CreateDirectory(directory), -1);  // exists
    EXPECT_EQ(CreateDirectory("/var/run/no/such/parent"), -1);

    root.Write("/var/run/made/gone.txt", "x");
    EXPECT_EQ(RemoveFile(GetFilePath(KLocationRunTime, "made/gone.txt")), 0);
    EXPECT_FALSE(root.Exists("/var/run/made/gone.txt"));
    EXPECT_EQ(RemoveFile("/var/run/made/gone.txt"), -1);
    EXPECT_EQ(RemoveFile("/var/run/made"), -1);  // a directory is not removed
    EXPECT_TRUE(root.Exists("/var/run/made"));
}

// The sibling named by the cut path stays, and nothing is made in its place.
TEST(FileSystem, OperationsOnAPathThatDoesNotFitFail) {
    CTempRoot root;
    const std::string sibling(KLocationPathCapacity - 1 - 9, 'a');
    root.Write("/var/run/" + sibling, "sibling");
    const std::string name = sibling + "b";
    EXPECT_EQ(RemoveFile(GetFilePath(KLocationRunTime, name.c_str())), -1);
    EXPECT_FALSE(FileExists(GetFilePath(KLocationRunTime, name.c_str())));
    EXPECT_EQ(CreateDirectory(GetFilePath(KLocationRunTime, name.c_str())), -1);
    EXPECT_EQ(root.Read("/var/run/" + sibling), "sibling");

    // A string with no room for its NUL is refused as well, rather than cut.
    TFixedString<12> full("/var/run/abc");
    ASSERT_EQ(full.Length(), 12);
    root.Write("/var/run/ab", "ab");
    ASSERT_TRUE(root.MakeDirectory("/var/run/di"));
    TFixedString<12> fullDirectory("/var/run/dir");
    EXPECT_FALSE(FileExists(full));
    EXPECT_FALSE(DirectoryExists(fullDirectory));
    EXPECT_EQ(RemoveFile(full), -1);
    EXPECT_TRUE(root.Exists("/var/run/ab"));
    EXPECT_EQ(CreateDirectory(fullDirectory), -1);
    EXPECT_FALSE(root.Exists("/var/run/dir"));
}

TEST(FileSystem, MessagingStartUpCreatesTheRunTimeDirectory) {
    // The messaging's first step: create the location when the existence test fails.
    CTempRoot root;
    root.RemoveDirectory("/var/run");
    CFixedString& location = GetLocationPath(KLocationRunTime);
    EXPECT_FALSE(DirectoryExists(location));
    EXPECT_EQ(CreateDirectory(location), 0);
    EXPECT_TRUE(DirectoryExists(location));
    EXPECT_EQ(Text(location), "/var/run/");  // the text stays the device's
}

}  // namespace

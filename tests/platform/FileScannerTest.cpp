#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/FileScanner.h"
#include "support/TempRoot.h"

namespace {

constexpr const char* KScanDir = "/mnt/sdcard/scan/";

struct TListed {
    std::string iPath;
    std::string iName;
    int iIsDirectory;

    bool operator<(const TListed& aOther) const { return iPath < aOther.iPath; }
    bool operator==(const TListed& aOther) const {
        return iPath == aOther.iPath && iName == aOther.iName &&
               iIsDirectory == aOther.iIsDirectory;
    }
};

void PrintTo(const TListed& aListed, std::ostream* aStream) {
    *aStream << aListed.iPath << " [" << aListed.iName << "] dir=" << aListed.iIsDirectory;
}

// Every entry of one listing, sorted: the directory stream's order is the system's.
std::vector<TListed> List(CFileScanner& aScanner) {
    std::vector<TListed> listed;
    for (const TFileScanEntry* entry = aScanner.First(); entry != nullptr;
         entry = aScanner.Next()) {
        listed.push_back({entry->Path(), entry->Name(), entry->iIsDirectory});
        EXPECT_EQ(entry->iPath->Length(), static_cast<int>(listed.back().iPath.size()))
            << "the path is terminated at its length";
        EXPECT_EQ(entry->iNameLength, static_cast<int>(listed.back().iName.size()));
        if (listed.size() > 1000) {
            break;
        }
    }
    std::sort(listed.begin(), listed.end());
    return listed;
}

std::vector<TListed> List(const char* aPath, int aFlags) {
    CFileScanner scanner(aPath, aFlags, 0);
    return List(scanner);
}

TListed File(const std::string& aDirectory, const std::string& aName) {
    return {aDirectory + aName, aName, 0};
}
TListed Dir(const std::string& aDirectory, const std::string& aName) {
    return {aDirectory + aName + "/", aName + "/", 1};
}

// scan/: a.txt b.log sub1/ (inner.txt deep/ (x.bin)) sub2/ (empty)
class FileScanner : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/scan"));
        iRoot.Write("/mnt/sdcard/scan/a.txt", "a");
        iRoot.Write("/mnt/sdcard/scan/b.log", "b");
        ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/scan/sub1"));
        ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/scan/sub2"));
        iRoot.Write("/mnt/sdcard/scan/sub1/inner.txt", "i");
        ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/scan/sub1/deep"));
        iRoot.Write("/mnt/sdcard/scan/sub1/deep/x.bin", "x");
    }

    CTempRoot iRoot;
};

TEST_F(FileScanner, FiltersFilesAndDirectoriesWithoutDotEntries) {
    struct TCase {
        const char* iLegend;
        int iFlags;
        std::vector<TListed> iExpected;
    };
    const TCase cases[] = {
        {"files only", KScanFilesOnly, {File(KScanDir, "a.txt"), File(KScanDir, "b.log")}},
        {"directories only", KScanDirectoriesOnly, {Dir(KScanDir, "sub1"), Dir(KScanDir, "sub2")}},
        {"everything",
         0,
         {File(KScanDir, "a.txt"), File(KScanDir, "b.log"), Dir(KScanDir, "sub1"),
          Dir(KScanDir, "sub2")}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.iLegend);
        EXPECT_EQ(List(KScanDir, test.iFlags), test.iExpected);
    }
}

TEST_F(FileScanner, EmptyMissingAndUnslashedDirectoriesListNothing) {
    EXPECT_TRUE(List("/mnt/sdcard/scan/sub2/", 0).empty());
    EXPECT_TRUE(List("/mnt/sdcard/scan/nothing/", 0).empty());
    EXPECT_TRUE(List("/mnt/sdcard/scan/a.txt/", 0).empty());
    EXPECT_TRUE(List("", 0).empty());
    // Without the slash the names are glued to the directory's ("/mnt/sdcard/scana.txt"):
    // stat fails on the first of them and ends the listing.
    EXPECT_TRUE(List("/mnt/sdcard/scan", KScanFilesOnly).empty());
}

TEST_F(FileScanner, ListsAgainFromTheStartAndAfterTheEnd) {
    CFileScanner scanner(KScanDir, KScanFilesOnly, 0);
    const std::vector<TListed> first = List(scanner);
    EXPECT_EQ(scanner.Next(), nullptr);  // stays ended
    EXPECT_EQ(List(scanner), first);
    // A restart in the middle of a listing starts over.
    ASSERT_NE(scanner.First(), nullptr);
    EXPECT_EQ(List(scanner), first);
}

TEST_F(FileScanner, SeesFilesArrivingBetweenListings) {
    // The messaging lists its directory again on every pass and must see new message files.
    CFileScanner scanner("/mnt/sdcard/scan/sub2/", KScanFilesOnly, 0);
    EXPECT_TRUE(List(scanner).empty());
    iRoot.Write("/mnt/sdcard/scan/sub2/new.message", "m");
    EXPECT_EQ(List(scanner), std::vector<TListed>{File("/mnt/sdcard/scan/sub2/", "new.message")});
}

TEST_F(FileScanner, RecursiveListingVisitsEverySubdirectory) {
    const std::string sub1 = std::string(KScanDir) + "sub1/";
    // Files only: the subdirectories are visited although the filter does not return them.
    EXPECT_EQ(List(KScanDir, KScanRecursive | KScanFilesOnly),
              (std::vector<TListed>{File(KScanDir, "a.txt"), File(KScanDir, "b.log"),
                                    File(sub1 + "deep/", "x.bin"), File(sub1, "inner.txt")}));
    EXPECT_EQ(
        List(KScanDir, KScanRecursive | KScanDirectoriesOnly),
        (std::vector<TListed>{Dir(KScanDir, "sub1"), Dir(sub1, "deep"), Dir(KScanDir, "sub2")}));
    CFileScanner scanner(KScanDir, KScanRecursive, 0);
    EXPECT_EQ(List(scanner).size(), 7u);
    EXPECT_EQ(List(scanner).size(), 7u);  // the pending directories start empty again
}

TEST_F(FileScanner, PendingBufferOnlyForTheSpecialModes) {
    CFileScanner small(KScanDir, KScanRecursive, 100);
    EXPECT_EQ(small.PendingSize(), KScanMinPendingSize);
    EXPECT_TRUE(small.HasPendingBuffer());
    CFileScanner large(KScanDir, KScanRecursive, 5000);
    EXPECT_EQ(large.PendingSize(), 5000);
    CFileScanner plain(KScanDir, KScanFilesOnly, 2048);
    EXPECT_FALSE(plain.HasPendingBuffer());
    // State bits cannot be given by the caller.
    CFileScanner forged(KScanDir, 0x2 | 0x100 | 0x200 | KScanFilesOnly, 0);
    EXPECT_EQ(forged.Flags(), KScanFilesOnly);
    EXPECT_FALSE(forged.HasPendingBuffer());
}

TEST_F(FileScanner, SymbolicLinksAreJudgedByWhatTheyPointTo) {
    // A link's directory entry says only "link": the scanner asks stat, as it must for a file
    // system that reports no type at all.
    ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/links"));
    ASSERT_EQ(::symlink(iRoot.Path("/mnt/sdcard/scan/sub1").c_str(),
                        iRoot.Path("/mnt/sdcard/links/to_dir").c_str()),
              0);
    ASSERT_EQ(::symlink(iRoot.Path("/mnt/sdcard/scan/a.txt").c_str(),
                        iRoot.Path("/mnt/sdcard/links/to_file").c_str()),
              0);
    EXPECT_EQ(List("/mnt/sdcard/links/", 0),
              (std::vector<TListed>{Dir("/mnt/sdcard/links/", "to_dir"),
                                    File("/mnt/sdcard/links/", "to_file")}));

    // A link to nothing fails stat: it is skipped, and the entries beside it are still listed.
    ASSERT_TRUE(iRoot.MakeDirectory("/mnt/sdcard/dangling"));
    ASSERT_EQ(::symlink("/nonexistent/target", iRoot.Path("/mnt/sdcard/dangling/gone").c_str()), 0);
    EXPECT_TRUE(List("/mnt/sdcard/dangling/", 0).empty());
    iRoot.Write("/mnt/sdcard/dangling/kept", "k");
    EXPECT_EQ(List("/mnt/sdcard/dangling/", 0),
              (std::vector<TListed>{File("/mnt/sdcard/dangling/", "kept")}));
}

TEST_F(FileScanner, NamesLongerThanThePathStringAreSkipped) {
    const std::string directory = "/mnt/sdcard/" + std::string(230, 'd');
    ASSERT_TRUE(iRoot.MakeDirectory(directory));
    iRoot.Write(directory + "/" + std::string(40, 'f'), "f");
    EXPECT_TRUE(List((directory + "/").c_str(), 0).empty());
    // Wherever the long name comes in the directory, the short one is listed.
    iRoot.Write(directory + "/short", "s");
    EXPECT_EQ(List((directory + "/").c_str(), 0),
              (std::vector<TListed>{File(directory + "/", "short")}));
}

// 255 characters and the NUL fill the path string: a path of 256 is not returned cut short,
// and a directory needs one more character for its '/'.
TEST_F(FileScanner, NamesAreSkippedExactlyWhereThePathStringEnds) {
    const std::string base = "/mnt/sdcard/" + std::string(187, 'b') + "/";
    ASSERT_EQ(base.size(), 200u);
    ASSERT_TRUE(iRoot.MakeDirectory(base.substr(0, 199)));
    iRoot.Write(base + std::string(55, 'f'), "f");                  // 255
    iRoot.Write(base + std::string(56, 'g'), "g");                  // 256
    ASSERT_TRUE(iRoot.MakeDirectory(base + std::string(54, 'd')));  // 255 with its '/'
    ASSERT_TRUE(iRoot.MakeDirectory(base + std::string(55, 'e')));  // 256 with its '/'
    EXPECT_EQ(List(base.c_str(), 0), (std::vector<TListed>{Dir(base, std::string(54, 'd')),
                                                           File(base, std::string(55, 'f'))}));
}

TEST_F(FileScanner, AllVolumesListsEveryVolumeButInitrd) {
    ASSERT_TRUE(iRoot.MakeDirectory("/mnt/flash"));
    ASSERT_TRUE(iRoot.MakeDirectory("/mnt/initrd"));
    iRoot.Write("/mnt/sdcard/card.txt", "c");
    iRoot.Write("/mnt/flash/flash.txt", "f");
    iRoot.Write("/mnt/initrd/hidden.txt", "h");
    iRoot.Write("/mnt/stray.txt", "s");  // not a volume
    EXPECT_EQ(
        List(KScanAllVolumesPath, KScanFilesOnly),
        (std::vector<TListed>{File("/mnt/flash/", "flash.txt"), File("/mnt/sdcard/", "card.txt")}));
    // With directories only, the volumes themselves.
    EXPECT_EQ(List(KScanAllVolumesPath, KScanDirectoriesOnly),
              (std::vector<TListed>{Dir("/mnt/", "flash"), Dir("/mnt/", "sdcard")}));
}

TEST(FileScannerWithoutVolumes, AllVolumesWithoutMntListsNothing) {
    CTempRoot root;
    root.RemoveDirectory("/mnt");
    EXPECT_TRUE(List(KScanAllVolumesPath, 0).empty());
    EXPECT_TRUE(List(KScanAllVolumesPath, KScanDirectoriesOnly).empty());
}

}  // namespace

// The profile file behaves as a Windows private profile and never loses the
// user's file.
#include "kivo/core/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "file_bytes.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

TEST(ProfileRead, MissingFileAndMissingKeyReadAsBad) {
    TempDir dir;
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_EQ(profile.Read("anna", "LastFile"), "Bad");
    WriteFileText(dir.file("KIVO.ini"), "[anna]\nRings=3\n");
    EXPECT_EQ(profile.Read("anna", "LastFile"), "Bad");
    EXPECT_EQ(profile.Read("bert", "Rings"), "Bad");
    EXPECT_FALSE(profile.Find("anna", "LastFile").has_value());
}

TEST(ProfileRead, NamesIgnoreCaseAndValuesAreTrimmedStrings) {
    TempDir dir;
    WriteFileText(dir.file("KIVO.ini"),
                  "; comment\r\n[Anna]\r\n  lastfile =  Office  \r\nCurrency=\"$\"\r\n"
                  "[anna]\r\nLastFile=Second\r\n");
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_EQ(profile.Read("ANNA", "LASTFILE"), "Office");  // the first section wins
    EXPECT_EQ(profile.Read("anna", "currency"), "$");       // quotes are not part of the value
}

TEST(ProfileRead, ByteOrderMarkAndHugeLinesAreSurvived) {
    TempDir dir;
    std::string huge(200000, 'x');
    WriteFileText(dir.file("KIVO.ini"),
                  "\xEF\xBB\xBF[anna]\n" + huge + "\nNote=" + huge + "\nRings=7\n");
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_EQ(profile.Read("anna", "Rings"), "7");
    EXPECT_EQ(profile.Read("anna", "Note").size(), kProfileMaxValueBytes);
}

TEST(ProfileRead, LongValueIsCutAtACharacterBoundary) {
    TempDir dir;
    std::string value(254, 'a');
    value += "\xC3\xA9\xC3\xA9";  // "éé": the cut falls inside the first one
    WriteFileText(dir.file("KIVO.ini"), "[a]\nK=" + value + "\n");
    EXPECT_EQ(ProfileFile(dir.file("KIVO.ini")).Read("a", "K"), std::string(254, 'a'));
}

TEST(ProfileWrite, KeepsCommentsUnknownKeysLineEndingsAndMark) {
    TempDir dir;
    const std::string original =
        "\xEF\xBB\xBF; Kivo settings\r\n[Default]\r\nInternet=http://x\r\n\r\n"
        "[anna]\r\nUnknown=keep me\r\nRings=3\r\n\r\n[other]\r\nA=1\r\n";
    WriteFileText(dir.file("KIVO.ini"), original);
    ProfileFile profile(dir.file("KIVO.ini"));
    ASSERT_TRUE(profile.Write("ANNA", "rings", "5"));
    ASSERT_TRUE(profile.Write("anna", "Prime", "Y"));
    ASSERT_TRUE(profile.Write("new", "Key", "v"));
    EXPECT_EQ(ReadFileText(dir.file("KIVO.ini")),
              "\xEF\xBB\xBF; Kivo settings\r\n[Default]\r\nInternet=http://x\r\n\r\n"
              "[anna]\r\nUnknown=keep me\r\nRings=5\r\nPrime=Y\r\n\r\n[other]\r\nA=1\r\n"
              "[new]\r\nKey=v\r\n");
}

TEST(ProfileWrite, CreatesTheFileAndLeavesNoTemporaryFiles) {
    TempDir dir;
    ProfileFile profile(dir.file("KIVO.ini"));
    ASSERT_TRUE(profile.Write("anna", "LastFile", "KIVO"));
    EXPECT_EQ(ReadFileText(dir.file("KIVO.ini")), "[anna]\nLastFile=KIVO\n");
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        names.insert(e.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"KIVO.ini", "KIVO.ini.lock"}));
}

TEST(ProfileWrite, RefusesNamesAndValuesThatWouldBreakTheFile) {
    TempDir dir;
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_FALSE(profile.Write("anna", "Key", "two\nlines"));
    EXPECT_FALSE(profile.Write("an]na", "Key", "v"));
    EXPECT_FALSE(profile.Write("anna", "K=ey", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("KIVO.ini")));
}

TEST(ProfileWrite, OversizedFileIsNeitherReadNorReplaced) {
    TempDir dir;
    std::string big = "[anna]\nRings=4\n" + std::string(kProfileMaxFileBytes, ';');
    WriteFileText(dir.file("KIVO.ini"), big);
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_EQ(profile.Read("anna", "Rings"), "Bad");
    EXPECT_FALSE(profile.Write("anna", "Rings", "5"));
    EXPECT_EQ(ReadFileText(dir.file("KIVO.ini")), big);
}

TEST(ProfileRecordNumber, CountsOnFromRecIdInEightDigits) {
    TempDir dir;
    WriteFileText(dir.file("KIVO.ini"), "[anna]\nRecID=00000041\n");
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_EQ(profile.TakeNextRecordNumber("anna"), 42);
    EXPECT_EQ(profile.Read("anna", "RecID"), "00000042");
    EXPECT_EQ(profile.TakeNextRecordNumber("bert"), 1);  // missing counts as 0
}

// With a floor the counter is written over its own digits, in place: the
// file keeps its inode and every other byte, and nothing else is made.
TEST(ProfileRecordNumber, AboveAFloorTheDigitsAreOverwrittenInPlace) {
    TempDir dir;
    const std::string path = dir.file("KIVO.ini");
    WriteFileText(path, "[anna]\r\nRecID=00000041\r\nLastFile=Office\r\n");
    const auto inode = [&] {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    const auto before = inode();
    ProfileFile profile(path);
    EXPECT_EQ(profile.TakeNextRecordNumberAbove("anna", 1), 42);
    EXPECT_EQ(profile.TakeNextRecordNumberAbove("anna", 100), 100);  // the floor passes it
    EXPECT_EQ(profile.TakeNextRecordNumberAbove("anna", 50), 101);
    EXPECT_EQ(ReadFileText(path), "[anna]\r\nRecID=00000101\r\nLastFile=Office\r\n");
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2);  // KIVO.ini and its lock file
}

// A value that does not fit over the old one is written as before.
TEST(ProfileRecordNumber, AboveAFloorAValueOfAnotherLengthIsReplacedWhole) {
    TempDir dir;
    const std::string path = dir.file("KIVO.ini");
    WriteFileText(path, "[anna]\nRecID=7\n");
    ProfileFile profile(path);
    EXPECT_EQ(profile.TakeNextRecordNumberAbove("anna", 1), 8);
    EXPECT_EQ(ReadFileText(path), "[anna]\nRecID=00000008\n");
    EXPECT_EQ(profile.TakeNextRecordNumberAbove("bert", 5), 5);  // a missing key is added
    EXPECT_EQ(profile.Read("bert", "RecID"), "00000005");
    EXPECT_EQ(profile.Read("anna", "RecID"), "00000008");
}

TEST(ProfileRecordNumber, NeverHandsOutTheErasedMark) {
    TempDir dir;
    WriteFileText(dir.file("KIVO.ini"), "[anna]\nRecID=99999998\n");
    ProfileFile profile(dir.file("KIVO.ini"));
    EXPECT_FALSE(profile.TakeNextRecordNumber("anna").has_value());
    EXPECT_EQ(profile.Read("anna", "RecID"), "99999998");
}

TEST(ProfileRecordNumber, ConcurrentTakersGetDistinctNumbers) {
    TempDir dir;
    const std::string path = dir.file("KIVO.ini");
    constexpr int kThreads = 4;
    constexpr int kEach = 25;
    std::vector<std::vector<int>> taken(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ProfileFile profile(path);  // each its own object, as two programs would have
            for (int i = 0; i < kEach; ++i) {
                if (auto n = profile.TakeNextRecordNumber("anna"))
                    taken[t].push_back(*n);
            }
        });
    }
    for (auto& th : threads)
        th.join();
    std::set<int> all;
    for (const auto& list : taken)
        all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(*all.rbegin(), kThreads * kEach);
}

}  // namespace
}  // namespace kivo::core

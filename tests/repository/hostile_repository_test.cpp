// Crafted repositories: every one gives a clear message, never a crash, a
// hang or a large allocation; a writing call changes nothing; extraction
// writes nothing outside its folder.
#include <gtest/gtest.h>

#include <functional>

#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

// The sound base: members "a" (abc) and "b" (bee). Blocks at 36 and 139,
// directory entries at 242 and 342, 442 bytes in all.
Bytes SoundBase() {
    return BuildXr01({{"a", TextBytes("abc")}, {"b", TextBytes("bee")}});
}

constexpr std::size_t kDirectory = 242;
constexpr std::size_t kSecondEntry = 342;

struct HostileCase {
    const char* what;
    std::function<void(Bytes&)> damage;
    const char* first_message;
};

const std::vector<HostileCase>& Cases() {
    static const std::vector<HostileCase> cases = {
        {"bad magic", [](Bytes& b) { b[0] = 'Y'; }, "RPS05 Invalid header in Repository file (2)"},
        {"unknown version", [](Bytes& b) { b[3] = '7'; },
         "RPS05 Invalid header in Repository file (3)"},
        {"three bytes", [](Bytes& b) { b.resize(3); },
         "RPS05 Invalid header in Repository file (1)"},
        {"short XR01 header", [](Bytes& b) { b.resize(30); },
         "RPS05 Invalid header in Repository file (5)"},
        {"short XR00 header", [](Bytes& b) { b.resize(20), b[3] = '0'; },
         "RPS05 Invalid header in Repository file (4)"},
        {"entry count 0", [](Bytes& b) { SetU32(b, 8, 0); },
         "RPS05 Invalid header in Repository file (7)"},
        {"entry count one short", [](Bytes& b) { SetU32(b, 8, 1); },
         "RPS05 Invalid header in Repository file (7)"},
        {"entry count one over", [](Bytes& b) { SetU32(b, 8, 3); },
         "RPS05 Invalid header in Repository file (7)"},
        {"entry count 0xFFFFFFFF", [](Bytes& b) { SetU32(b, 8, 0xFFFFFFFF); },
         "RPS05 Invalid header in Repository file (7)"},
        {"directory offset 0 with entries", [](Bytes& b) { SetU64(b, 12, 0); },
         "RPS05 Invalid header in Repository file (7)"},
        {"directory offset inside the header", [](Bytes& b) { SetU64(b, 12, 20); },
         "RPS05 Invalid header in Repository file (6)"},
        {"directory offset past the end", [](Bytes& b) { SetU64(b, 12, b.size() + 1); },
         "RPS05 Invalid header in Repository file (6)"},
        {"directory offset 0xFFFFFFFFFFFFFFFF", [](Bytes& b) { SetU64(b, 12, ~0ULL); },
         "RPS05 Invalid header in Repository file (6)"},
        {"directory offset at the end", [](Bytes& b) { SetU64(b, 12, b.size()); },
         "RPS02 I/O error accessing repository (14) - Unexpected end of file"},
        {"directory offset one too far", [](Bytes& b) { SetU64(b, 12, kDirectory + 1); },
         "RPS11 Invalid directory entry in Repository file"},
        {"directory offset one too near", [](Bytes& b) { SetU64(b, 12, kDirectory - 1); },
         "RPS11 Invalid directory entry in Repository file"},
        {"name length of 4 GiB", [](Bytes& b) { SetU32(b, kDirectory + 87, 0xFFFFFFFF); },
         "RPS11 Invalid directory entry in Repository file"},
        {"name running past the end", [](Bytes& b) { SetU32(b, kSecondEntry + 87, 2); },
         "RPS11 Invalid directory entry in Repository file"},
        {"endless continuation", [](Bytes& b) { SetU32(b, kSecondEntry + 7, 1); },
         "RPS02 I/O error accessing repository (14) - Unexpected end of file"},
        {"member overlapping another", [](Bytes& b) { SetU64(b, kSecondEntry + 11, 36); },
         "RPS21 Directory field #2 is corrupt for filename b"},
        // Offsets still rising, so the check does not sort them: still found.
        {"member starting inside the one before",
         [](Bytes& b) { SetU64(b, kSecondEntry + 11, 37); },
         "RPS21 Directory field #2 is corrupt for filename b"},
        {"member inside the header", [](Bytes& b) { SetU64(b, kDirectory + 11, 10); },
         "RPS21 Directory field #2 is corrupt for filename a"},
        {"member past the directory", [](Bytes& b) { SetU64(b, kSecondEntry + 11, 5000); },
         "RPS21 Directory field #2 is corrupt for filename b"},
        {"member of 4 GiB", [](Bytes& b) { SetU32(b, kDirectory + 75, 0xFFFFFFFF); },
         "RPS21 Directory field #8 is corrupt for filename a"},
        {"member running into the directory", [](Bytes& b) { SetU32(b, kSecondEntry + 75, 4); },
         "RPS21 Directory field #8 is corrupt for filename b"},
    };
    return cases;
}

TEST(HostileRepository, EachCraftedFileGivesItsMessageAndStaysUnchanged) {
    for (const HostileCase& hostile : Cases()) {
        SCOPED_TRACE(hostile.what);
        MemoryDisk disk;
        Bytes bytes = SoundBase();
        hostile.damage(bytes);
        disk.fs.WriteDurableFile("/r/h.xrt", bytes);

        StatusRecord all = disk.engine.AllInfo("/r/h.xrt");
        ASSERT_FALSE(all.messages.empty());
        EXPECT_EQ(all.messages.front().text, hostile.first_message);

        disk.AddFile("new", TextBytes("new"));
        StatusRecord put = disk.engine.Put("/r/h.xrt", "/src", {"new"});
        EXPECT_FALSE(put.ok());
        ASSERT_TRUE(disk.engine.Compress("/r/h.xrt").messages.size() > 0);
        EXPECT_EQ(disk.FileBytes("/r/h.xrt"), bytes);
        EXPECT_FALSE(disk.fs.Exists("/r/h.xrt-journal"));

        disk.engine.GetAll("/r/h.xrt", "/out");
        disk.engine.CheckIntegrity("/r/h.xrt");
        for (const filesystem::DirectoryEntry& entry : disk.fs.ListDirectory("/r").value.entries) {
            EXPECT_EQ(entry.name, "h.xrt");
        }
    }
}

TEST(HostileRepository, MisplacedMemberIsLeftOutWhileTheOthersAreRead) {
    MemoryDisk disk;
    Bytes bytes = SoundBase();
    SetU64(bytes, kSecondEntry + 11, 36);  // b claims a's block
    disk.fs.WriteDurableFile("/r/h.xrt", bytes);
    StatusRecord info = disk.engine.Info("/r/h.xrt");
    ASSERT_EQ(info.entries.size(), 1u);
    EXPECT_EQ(info.entries[0].name, "a");
    StatusRecord got = disk.engine.Get("/r/h.xrt", "/out", {"a", "b"});
    EXPECT_EQ(Messages(got),
              "RPS21 Directory field #2 is corrupt for filename b\n"
              "RPS07 File b not found in Repository\n");
    EXPECT_EQ(disk.FileBytes("/out/a"), TextBytes("abc"));
}

TEST(HostileRepository, Xr00RecordsAreBoundedTheSameWay) {
    MemoryDisk disk;
    Bytes bytes = BuildXr00({{"a", TextBytes("abc"), false}});
    SetU32(bytes, 39 + 40, 0x7FFFFFFF);  // the record's name length
    disk.fs.WriteDurableFile("/r/old.xrt", bytes);
    EXPECT_EQ(Messages(disk.engine.Info("/r/old.xrt")),
              "RPS11 Invalid directory entry in Repository file\n");
    bytes = BuildXr00({{"a", TextBytes("abc"), false}});
    SetU32(bytes, 39 + 4, 0xFFFFFFF0);  // the member offset
    disk.fs.WriteDurableFile("/r/old.xrt", bytes);
    EXPECT_EQ(Messages(disk.engine.Info("/r/old.xrt")),
              "RPS21 Directory field #2 is corrupt for filename a\n");
}

TEST(HostileRepository, CompactionRefusesBlocksOutOfDirectoryOrder) {
    MemoryDisk disk;
    // Directory order b, a while the blocks lie a, b: moving b first would
    // overwrite a.
    Bytes bytes = BuildXr01({{"a", TextBytes("abc"), true}, {"b", TextBytes("bee")}});
    Bytes first(bytes.begin() + kDirectory, bytes.begin() + kSecondEntry);
    Bytes second(bytes.begin() + kSecondEntry, bytes.end());
    SetU32(first, 7, 0);
    SetU32(second, 7, 1);
    bytes.resize(kDirectory);
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.insert(bytes.end(), first.begin(), first.end());
    disk.fs.WriteDurableFile("/r/h.xrt", bytes);
    StatusRecord status = disk.engine.Compress("/r/h.xrt");
    EXPECT_EQ(Messages(status), "RPS21 Directory field #2 is corrupt for filename a\n");
    EXPECT_EQ(disk.FileBytes("/r/h.xrt"), bytes);
}

}  // namespace
}  // namespace kivo::repository::test

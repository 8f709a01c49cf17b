// Deleting members of a large repository: only the marked entries (their
// internal and directory entries) and the header are journalled and written,
// where they lie; the rest of the file keeps every byte.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "observing_file_system.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kJournal[] = "/r/s.xrt-journal";
constexpr std::size_t kEntryBytes = 99;

std::string MemberName(int index) {
    char name[8];
    std::snprintf(name, sizeof name, "m%03d", index);
    return name;
}

// Bytes written per path during one call.
struct WrittenBytes {
    std::map<std::string, std::size_t> by_path;
    ObservingFileSystem::Observer Observer() {
        return [this](const Transfer& transfer) {
            if (transfer.is_write) {
                by_path[transfer.path] += transfer.size_bytes;
            }
        };
    }
};

// Where a 99-byte "XR01" entry (internal or in the directory) of the name lies.
std::vector<std::size_t> EntriesNamed(const Bytes& file, const std::string& name) {
    std::vector<std::size_t> found;
    for (std::size_t at = 0; at + kEntryBytes + name.size() <= file.size(); ++at) {
        if (std::memcmp(&file[at], "DIR", 3) == 0 && U32At(file, at + 87) == name.size() &&
            std::memcmp(&file[at + kEntryBytes], name.data(), name.size()) == 0) {
            found.push_back(at);
        }
    }
    return found;
}

TEST(DeleteInPlace, OneMemberOfManyWritesOnlyItsTwoEntriesAndTheHeader) {
    MemoryDisk disk;
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        names.push_back(MemberName(i));
        disk.AddFile(names.back(), Pattern(50, i));
    }
    disk.Store(kRepository, names);
    const Bytes before = disk.FileBytes(kRepository);
    WrittenBytes written;
    ObservingFileSystem observed(disk.fs, written.Observer());
    Engine engine(observed, TestOptions());

    ASSERT_TRUE(engine.Delete(kRepository, {"m150"}).ok());

    EXPECT_EQ(written.by_path[kRepository], 36 + 2 * kEntryBytes);
    // The header and two entries with their places, not the 30 KB directory.
    EXPECT_LT(written.by_path[kJournal], 512u);
    EXPECT_FALSE(disk.fs.Exists(kJournal));
    const Bytes after = disk.FileBytes(kRepository);
    ASSERT_EQ(after.size(), before.size());
    const std::vector<std::size_t> entries = EntriesNamed(after, "m150");
    ASSERT_EQ(entries.size(), 2u);  // the internal entry and the directory entry
    for (std::size_t at : entries) {
        EXPECT_EQ(U32At(after, at + 83), 1u) << "deleted mark at " << at;
    }
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool header_time = i >= 20 && i < 36;
        const bool marked_entry = (i >= entries[0] && i < entries[0] + kEntryBytes) ||
                                  (i >= entries[1] && i < entries[1] + kEntryBytes);
        if (!header_time && !marked_entry) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i << " changed";
        }
    }
    EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
    std::map<std::string, Bytes> live = LiveMembers(disk.engine, kRepository);
    EXPECT_EQ(live.size(), 299u);
    EXPECT_EQ(live.count("m150"), 0u);
    EXPECT_EQ(disk.engine.AllInfo(kRepository).entries.at(150).deleted_at, FixedClock());
}

TEST(DeleteInPlace, AnXr00RepositoryGetsItsRecordMarkedWhereItLies) {
    MemoryDisk disk;
    std::vector<HandMember> members;
    for (int i = 0; i < 20; ++i) {
        members.push_back(HandMember{MemberName(i), Pattern(30, i)});
    }
    disk.fs.WriteDurableFile(kRepository, BuildXr00(members));
    const Bytes before = disk.FileBytes(kRepository);
    WrittenBytes written;
    ObservingFileSystem observed(disk.fs, written.Observer());
    Engine engine(observed, TestOptions());

    ASSERT_TRUE(engine.Delete(kRepository, {"m010"}).ok());

    EXPECT_EQ(written.by_path[kRepository], 24u + 48u);  // header and one record
    const Bytes after = disk.FileBytes(kRepository);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::string(after.begin(), after.begin() + 4), "XR00");
    std::map<std::string, Bytes> live = LiveMembers(disk.engine, kRepository);
    EXPECT_EQ(live.size(), 19u);
    EXPECT_EQ(live.count("m010"), 0u);
    EXPECT_EQ(live.at("m011"), Pattern(30, 11));
}

TEST(DeleteInPlace, ARepositoryThatGoesOnAfterItsDirectoryIsRewrittenAndCutAfterIt) {
    MemoryDisk disk;
    const Bytes sound = BuildXr01({{"a", TextBytes("first")}, {"b", TextBytes("second")}});
    Bytes with_tail = sound;
    with_tail.resize(sound.size() + 1000, 0xEE);
    disk.fs.WriteDurableFile(kRepository, with_tail);

    ASSERT_TRUE(disk.engine.Delete(kRepository, {"a"}).ok());

    EXPECT_EQ(disk.FileBytes(kRepository).size(), sound.size());
    EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
    EXPECT_EQ(LiveMembers(disk.engine, kRepository),
              (std::map<std::string, Bytes>{{"b", TextBytes("second")}}));
}

TEST(DeleteInPlace, ANameGivenTwiceIsMarkedOnceAndThenReportedMissing) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("a"));
    disk.AddFile("b", TextBytes("b"));
    disk.AddFile("c", TextBytes("c"));
    disk.Store(kRepository, {"a", "b", "c"});

    StatusRecord status = disk.engine.Delete(kRepository, {"a", "nope", "a", "b"});

    EXPECT_EQ(Messages(status),
              "RPS07 File nope not found in Repository\n"
              "RPS07 File a not found in Repository\n");
    EXPECT_EQ(LiveMembers(disk.engine, kRepository),
              (std::map<std::string, Bytes>{{"c", TextBytes("c")}}));
    EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
}

}  // namespace
}  // namespace kivo::repository::test

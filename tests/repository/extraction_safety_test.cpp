// Extraction never shows a member half-written under its name, whether the
// folder's file system can hold files without a name (linked once complete)
// or not (a temporary name, renamed once complete), and a failing call leaves
// no file behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/forwarding_file_system.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

constexpr char kRepository[] = "/r/s.xrt";

// A file system whose folders cannot hold files without a name.
class NoUnnamedFiles final : public filesystem::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    filesystem::FsResult<std::unique_ptr<filesystem::File>> CreateUnnamed(const std::string&,
                                                                          std::uint32_t) override {
        return filesystem::FsResult<std::unique_ptr<filesystem::File>>::Failure(EOPNOTSUPP);
    }
};

std::map<std::string, Bytes> Members() {
    return {{"big", Pattern((2 << 20) + 17, 1)}, {"mid", Pattern(70000, 2)}, {"one", {'1'}}};
}

void StoreMembers(MemoryDisk& disk) {
    for (const auto& [name, data] : Members()) {
        disk.AddFile(name, data);
    }
    disk.Store(kRepository, {"big", "mid", "one"});
}

// What /out holds: every name a whole member, nothing else.
void ExpectOnlyWholeMembers(filesystem::PowerLossFileSystem& fs) {
    const std::map<std::string, Bytes> members = Members();
    for (const filesystem::DirectoryEntry& entry : fs.ListDirectory("/out").value.entries) {
        auto member = members.find(entry.name);
        ASSERT_NE(member, members.end()) << entry.name << " was left in the folder";
        EXPECT_EQ(*fs.FileBytes("/out/" + entry.name), member->second) << entry.name;
    }
}

TEST(ExtractionSafety, AProcessKilledAtAnyWriteLeavesOnlyWholeMembers) {
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "files without a name" : "temporary names");
        bool finished = false;
        for (std::uint64_t nth = 1; !finished; ++nth) {
            SCOPED_TRACE(nth);
            MemoryDisk disk;
            StoreMembers(disk);
            disk.fs.WriteDurableFile("/out/one", TextBytes("an older one"));
            NoUnnamedFiles without_unnamed(disk.fs);
            filesystem::FileSystem& fs =
                unnamed ? static_cast<filesystem::FileSystem&>(disk.fs) : without_unnamed;
            Engine engine(fs, TestOptions());
            disk.fs.CrashAtChange(nth);
            StatusRecord status = engine.GetAll(kRepository, "/out");
            finished = !disk.fs.crashed();
            // Killed: the page cache keeps every write, names included.
            disk.fs.PowerLoss(filesystem::PowerLossStyle::kKeepEverything, 1);
            if (finished) {
                ASSERT_TRUE(status.ok()) << Messages(status);
                EXPECT_EQ(disk.fs.ListDirectory("/out").value.entries.size(), 3u);
            }
            const Bytes one = *disk.fs.FileBytes("/out/one");
            EXPECT_TRUE(one == TextBytes("an older one") || one == Bytes{'1'});
            std::map<std::string, Bytes> members = Members();
            members.erase("one");
            for (const filesystem::DirectoryEntry& entry :
                 disk.fs.ListDirectory("/out").value.entries) {
                if (entry.name == "one") {
                    continue;
                }
                if (entry.name.rfind(".xrrps-", 0) == 0) {
                    // A killed process leaves a temporary name: with files
                    // without a name only the whole member about to replace
                    // an existing file, linked there a moment before.
                    if (unnamed) {
                        EXPECT_EQ(*disk.fs.FileBytes("/out/" + entry.name), Bytes{'1'});
                    }
                    continue;
                }
                auto member = members.find(entry.name);
                ASSERT_NE(member, members.end()) << entry.name << " was left in the folder";
                EXPECT_EQ(*disk.fs.FileBytes("/out/" + entry.name), member->second);
            }
            ASSERT_LT(nth, 1000u);
        }
    }
}

TEST(ExtractionSafety, WithoutFilesWithoutANameExistingFilesAreReplacedAndNothingIsLeft) {
    MemoryDisk disk;
    StoreMembers(disk);
    disk.fs.WriteDurableFile("/out/mid", TextBytes("an older mid"));
    NoUnnamedFiles fs(disk.fs);
    Engine engine(fs, TestOptions());

    StatusRecord status = engine.GetAll(kRepository, "/out");

    ASSERT_TRUE(status.ok()) << Messages(status);
    EXPECT_EQ(disk.fs.ListDirectory("/out").value.entries.size(), 3u);
    ExpectOnlyWholeMembers(disk.fs);
}

TEST(ExtractionSafety, AFailingWriteLeavesNoFileBehind) {
    MemoryDisk disk;
    StoreMembers(disk);
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "files without a name" : "temporary names");
        NoUnnamedFiles without_unnamed(disk.fs);
        filesystem::FileSystem& fs =
            unnamed ? static_cast<filesystem::FileSystem&>(disk.fs) : without_unnamed;
        filesystem::FailingFileSystem failing(fs);
        filesystem::FailurePlan plan = filesystem::FailNth(filesystem::kCallWrite, 2, ENOSPC);
        plan.path_contains = "/out/";
        failing.Plan(plan);
        Engine engine(failing, TestOptions());

        StatusRecord status = engine.Get(kRepository, "/out", {"big"});

        EXPECT_EQ(Messages(status).rfind("RPS04 I/O error accessing file /out/big (1)", 0), 0u)
            << Messages(status);
        EXPECT_TRUE(disk.fs.ListDirectory("/out").value.entries.empty());
    }
}

}  // namespace
}  // namespace kivo::repository::test

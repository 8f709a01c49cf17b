// A call that stores many files gathers the small ones into batches written
// in one go. What lands in the repository must be exactly what storing the
// files one call at a time leaves, whatever the batch boundaries; a file that
// cannot be read is left out as before; and every crash or failure on the way
// leaves the old or the new members.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "kivo/filesystem/failing_file_system.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

using filesystem::FailNth;
using filesystem::FailurePlan;

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kJournal[] = "/r/s.xrt-journal";

struct SourceFile {
    std::string name;
    std::size_t size_bytes;
};

// Small and empty files, one too large to gather, enough 200 KiB ones to fill
// a batch, and "a" twice (its first version still waiting in the batch when
// the second comes).
const std::vector<SourceFile>& Files() {
    static const std::vector<SourceFile> files = {
        {"a", 10},        {"b", 0},         {"c", 4096},      {"d", 300 << 10},
        {"e", 1},         {"f", 200 << 10}, {"g", 200 << 10}, {"h", 200 << 10},
        {"i", 200 << 10}, {"j", 200 << 10}, {"k", 4095},      {"l", 4097},
    };
    return files;
}

std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const SourceFile& file : Files()) {
        names.push_back(file.name);
    }
    names.push_back("a");
    return names;
}

void AddSources(MemoryDisk& disk) {
    std::uint32_t seed = 1;
    for (const SourceFile& file : Files()) {
        disk.AddFile(file.name, Pattern(file.size_bytes, seed++));
    }
}

// The repository that storing `names` one call at a time leaves, starting
// from `start` (empty: no repository).
Bytes StoredOneByOne(const Bytes& start, const std::vector<std::string>& names) {
    MemoryDisk disk;
    AddSources(disk);
    if (!start.empty()) {
        disk.fs.WriteDurableFile(kRepository, start);
    }
    for (const std::string& name : names) {
        disk.Store(kRepository, {name});
    }
    return disk.FileBytes(kRepository);
}

Bytes OlderRepository(bool xr01) {
    std::vector<HandMember> members = {{"a", Pattern(77, 50), false},
                                       {"old", Pattern(5000, 51), false},
                                       {"c", Pattern(3, 52), true}};
    return xr01 ? BuildXr01(members) : BuildXr00(members);
}

TEST(GatheredStore, ManyFilesInOneCallLeaveTheSameBytesAsStoringThemOneByOne) {
    const std::vector<Bytes> starts = {Bytes{}, OlderRepository(true), OlderRepository(false)};
    for (std::size_t i = 0; i < starts.size(); ++i) {
        SCOPED_TRACE("start " + std::to_string(i));
        MemoryDisk disk;
        AddSources(disk);
        if (!starts[i].empty()) {
            disk.fs.WriteDurableFile(kRepository, starts[i]);
        }
        StatusRecord status = disk.engine.Put(kRepository, "/src", CallNames());
        ASSERT_TRUE(status.ok()) << Messages(status);
        EXPECT_EQ(disk.FileBytes(kRepository), StoredOneByOne(starts[i], CallNames()));
        EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
        EXPECT_EQ(LiveMembers(disk.engine, kRepository).at("h"), Pattern(200 << 10, 8));
    }
}

TEST(GatheredStore, AFileThatCannotBeReadIsLeftOutAndAnOlderVersionStaysLive) {
    // "e" fails outright; "a" (live in the repository already) fails in its
    // second version, after its first version of this call was stored.
    struct Case {
        const char* path;
        std::uint64_t nth_read;
        const char* left_out;
    } cases[] = {{"/src/e", 1, "e"}, {"/src/a", 2, "a"}};
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.path);
        MemoryDisk disk;
        AddSources(disk);
        disk.fs.WriteDurableFile(kRepository, OlderRepository(true));
        filesystem::FailingFileSystem failing(disk.fs);
        FailurePlan plan = FailNth(filesystem::kCallRead, failure.nth_read);
        plan.path_is = failure.path;
        failing.Plan(plan);
        Engine engine(failing, TestOptions());
        StatusRecord status = engine.Put(kRepository, "/src", CallNames());
        EXPECT_EQ(Messages(status), "RPS04 I/O error accessing file " + std::string(failure.path) +
                                        " (3) - " + filesystem::FsStatus::Error(EIO).Describe() +
                                        "\n");

        std::vector<std::string> stored = CallNames();
        auto last = std::find(stored.rbegin(), stored.rend(), failure.left_out);
        stored.erase(std::next(last).base());
        EXPECT_EQ(disk.FileBytes(kRepository), StoredOneByOne(OlderRepository(true), stored));
        EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
    }
}

TEST(GatheredStore, AShortBatchWriteIsNamedByWhereItStoppedAndUndone) {
    // The call first marks the older "a" deleted where it lies (write 1);
    // then comes the first batch: the head of "a" (write 2), its data (3).
    struct Case {
        std::uint64_t nth_write;
        const char* message;
    } cases[] = {{2, "RPS02 I/O error accessing repository (24)"},
                 {3, "RPS02 I/O error accessing repository (27)"}};
    for (const Case& failure : cases) {
        SCOPED_TRACE(failure.message);
        MemoryDisk disk;
        AddSources(disk);
        disk.fs.WriteDurableFile(kRepository, OlderRepository(true));
        filesystem::FailingFileSystem failing(disk.fs);
        FailurePlan plan = FailNth(filesystem::kCallWrite, failure.nth_write);
        plan.path_is = kRepository;
        plan.short_transfer = true;
        failing.Plan(plan);
        Engine engine(failing, TestOptions());
        StatusRecord status = engine.Put(kRepository, "/src", CallNames());
        ASSERT_FALSE(status.messages.empty());
        EXPECT_EQ(status.messages.front().text.substr(0, std::string(failure.message).size()),
                  failure.message);
        EXPECT_EQ(disk.FileBytes(kRepository), OlderRepository(true));
        EXPECT_FALSE(disk.fs.Exists(kJournal));
    }
}

TEST(GatheredStore, EveryCrashOrFailureOfTheCallLeavesTheOldOrTheNewMembers) {
    for (bool xr01 : {true, false}) {
        MemoryDisk reference;
        AddSources(reference);
        reference.fs.WriteDurableFile(kRepository, OlderRepository(xr01));
        const Members before = LiveMembers(reference.engine, kRepository);
        filesystem::FailingFileSystem counting(reference.fs);
        counting.Plan(FailNth(filesystem::kChangingCalls, UINT64_MAX));
        Engine counted(counting, TestOptions());
        ASSERT_TRUE(counted.Put(kRepository, "/src", CallNames()).ok());
        const std::uint64_t changes = counting.calls_counted();
        const Members after = LiveMembers(reference.engine, kRepository);

        for (std::uint64_t n = 1; n <= changes; ++n) {
            const std::string where = std::string(xr01 ? "XR01" : "XR00") + ", change " +
                                      std::to_string(n) + " of " + std::to_string(changes);
            MemoryDisk crashed;
            AddSources(crashed);
            crashed.fs.WriteDurableFile(kRepository, OlderRepository(xr01));
            crashed.fs.CrashAtChange(n);
            crashed.engine.Put(kRepository, "/src", CallNames());
            ASSERT_TRUE(crashed.fs.crashed()) << where;
            crashed.fs.PowerLoss(static_cast<filesystem::PowerLossStyle>(n % 3),
                                 static_cast<std::uint32_t>(n));
            ASSERT_TRUE(crashed.engine.CheckIntegrity(kRepository).ok()) << where;
            Members live = LiveMembers(crashed.engine, kRepository);
            EXPECT_TRUE(live == before || live == after) << where << ": crash";

            MemoryDisk failed;
            AddSources(failed);
            failed.fs.WriteDurableFile(kRepository, OlderRepository(xr01));
            filesystem::FailingFileSystem failing(failed.fs);
            failing.Plan(FailNth(filesystem::kChangingCalls, n));
            Engine engine(failing, TestOptions());
            EXPECT_FALSE(engine.Put(kRepository, "/src", CallNames()).ok()) << where;
            if (n < changes) {  // the last change makes the journal's removal durable
                EXPECT_EQ(failed.FileBytes(kRepository), OlderRepository(xr01)) << where;
            }
            live = LiveMembers(failed.engine, kRepository);
            EXPECT_TRUE(live == before || live == after) << where << ": failure";
        }
    }
}

}  // namespace
}  // namespace kivo::repository::test

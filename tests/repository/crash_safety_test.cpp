// Crash safety: every writing operation is interrupted at its 1st, 2nd, 3rd
// ... change of the disk (a power cut: unsynced writes dropped or torn, or a
// killed process), and separately made to fail there with an error. After
// either, the next call that opens the repository must find one that passes
// the integrity check and holds every member that was live before, byte for
// byte: the state before the call or the state after it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/repository/repository_format.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

using filesystem::PowerLossStyle;

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kJournal[] = "/r/s.xrt-journal";
constexpr std::size_t kMebibyte = 1 << 20;

enum class Operation { kPutNew, kPutReplace, kPutAll, kDelete, kUnDelete, kCompress, kRepair };

const char* NameOf(Operation operation) {
    switch (operation) {
        case Operation::kPutNew:
            return "PutNew";
        case Operation::kPutReplace:
            return "PutReplace";
        case Operation::kPutAll:
            return "PutAll";
        case Operation::kDelete:
            return "Delete";
        case Operation::kUnDelete:
            return "UnDelete";
        case Operation::kCompress:
            return "Compress";
        case Operation::kRepair:
            return "Repair";
    }
    return "";
}

// One starting point: the repository's bytes and the files a call stores.
struct Scenario {
    std::string description;
    Bytes repository;
    std::map<std::string, Bytes> files;  // under /src
    std::vector<std::string> live_names;
    std::vector<std::pair<std::string, std::uint32_t>> deleted_versions;
};

// Repositories of 0 to 6 members of sizes 0, 1, 99, 4095, 4096 and (in some)
// 1 MiB, with a second version of the first member and the second deleted,
// so there is something to restore and to compact.
Scenario MakeScenario(bool xr01, Operation operation, std::uint32_t seed) {
    static const std::size_t kSizes[] = {0, 1, 99, 4095, 4096};
    std::mt19937 random(seed);
    Scenario scenario;
    if (operation == Operation::kRepair) {
        scenario.description = "empty file";
        return scenario;
    }
    std::size_t count = random() % 7;
    if (operation == Operation::kUnDelete || operation == Operation::kCompress ||
        operation == Operation::kPutReplace || operation == Operation::kDelete) {
        count = std::max<std::size_t>(count, 2);
    }
    bool with_large = random() % 3 == 0;
    std::vector<HandMember> members;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t size = with_large && i == count / 2 ? kMebibyte : kSizes[random() % 5];
        members.push_back(HandMember{"m" + std::to_string(i), Pattern(size, seed + i), false});
        scenario.description += std::to_string(size) + " ";
    }
    if (count >= 2) {
        members[1].deleted = true;
        scenario.deleted_versions.push_back({"m1", 1});
        members.push_back(HandMember{"m0", Pattern(kSizes[random() % 5] + 7, seed + 100), false});
        members[0].deleted = true;
        scenario.deleted_versions.push_back({"m0", 1});
    }
    for (const HandMember& member : members) {
        if (!member.deleted) {
            scenario.live_names.push_back(member.name);
        }
    }
    scenario.repository = xr01 ? BuildXr01(members) : BuildXr00(members);
    scenario.description += xr01 ? "(XR01)" : "(XR00)";
    scenario.files["new"] = Pattern(with_large ? kMebibyte + 3 : 4096, seed + 200);
    // A new version of the last live member (PutReplace, PutAll).
    scenario.files[scenario.live_names.empty() ? "new2" : scenario.live_names.back()] =
        Pattern(kSizes[random() % 5] + 1, seed + 300);
    return scenario;
}

StatusRecord RunOperation(Engine& engine, Operation operation, const Scenario& scenario) {
    switch (operation) {
        case Operation::kPutNew:
            return engine.Put(kRepository, "/src", {"new"});
        case Operation::kPutReplace: {
            std::string name = scenario.live_names.empty() ? "new" : scenario.live_names.back();
            return engine.Put(kRepository, "/src", {name});
        }
        case Operation::kPutAll:
            return engine.PutAll(kRepository, "/src");
        case Operation::kDelete: {
            std::vector<std::string> names(
                scenario.live_names.begin(),
                scenario.live_names.begin() + std::min<std::size_t>(2, scenario.live_names.size()));
            return engine.Delete(kRepository, names);
        }
        case Operation::kUnDelete:
            return engine.UnDelete(kRepository, scenario.deleted_versions.front().first,
                                   scenario.deleted_versions.front().second);
        case Operation::kCompress:
            return engine.Compress(kRepository);
        case Operation::kRepair:
            return engine.Put(kRepository, "/src", {});
    }
    return {};
}

// A fresh disk holding the scenario, everything durable.
std::unique_ptr<MemoryDisk> DiskWith(const Scenario& scenario) {
    auto disk = std::make_unique<MemoryDisk>();
    disk->fs.WriteDurableFile(kRepository, scenario.repository);
    for (const auto& [name, bytes] : scenario.files) {
        disk->AddFile(name, bytes);
    }
    return disk;
}

struct Expectations {
    Members before;
    Members after;
    Bytes bytes_before;
    std::uint64_t changes = 0;  // changing calls of an uninterrupted run
};

Expectations Expect(Operation operation, const Scenario& scenario) {
    Expectations expected;
    auto disk = DiskWith(scenario);
    expected.before = LiveMembers(disk->engine, kRepository);
    expected.bytes_before = disk->FileBytes(kRepository);
    filesystem::FailingFileSystem counting(disk->fs);
    counting.Plan(filesystem::FailNth(filesystem::kChangingCalls, UINT64_MAX));
    Engine engine(counting, TestOptions());
    StatusRecord status = RunOperation(engine, operation, scenario);
    EXPECT_TRUE(status.ok()) << Messages(status);
    expected.changes = counting.calls_counted();
    expected.after = LiveMembers(disk->engine, kRepository);
    return expected;
}

// What every interrupted or failed call must leave.
void ExpectSound(MemoryDisk& disk, const Expectations& expected, const std::string& where) {
    StatusRecord check = disk.engine.CheckIntegrity(kRepository);
    ASSERT_TRUE(check.ok()) << where << "\n" << Messages(check);
    EXPECT_FALSE(disk.fs.Exists(kJournal)) << where;
    Members live = LiveMembers(disk.engine, kRepository);
    EXPECT_TRUE(live == expected.before || live == expected.after)
        << where << ": the live members are neither the old nor the new ones";
}

// A repository that needs recovery but cannot be written is read as its last
// committed state, and left alone.
void ExpectReadOnlyView(MemoryDisk& disk, const Expectations& expected, const std::string& where) {
    if (!disk.fs.Exists(kJournal)) {
        return;
    }
    Bytes on_disk = disk.FileBytes(kRepository);
    disk.fs.SetPermissions(kRepository, 0444);
    Members live = LiveMembers(disk.engine, kRepository);
    EXPECT_TRUE(live == expected.before || live == expected.after) << where << " (read-only)";
    // A torn journal may have been discarded; the repository is untouched.
    EXPECT_EQ(disk.FileBytes(kRepository), on_disk) << where;
    disk.fs.SetPermissions(kRepository, 0644);
}

void CrashAtEveryChange(Operation operation, const Scenario& scenario,
                        const Expectations& expected) {
    static const PowerLossStyle kStyles[] = {PowerLossStyle::kTearUnsynced,
                                             PowerLossStyle::kDropUnsynced,
                                             PowerLossStyle::kKeepEverything};
    for (std::uint64_t n = 1; n <= expected.changes; ++n) {
        auto disk = DiskWith(scenario);
        disk->fs.CrashAtChange(n);
        RunOperation(disk->engine, operation, scenario);
        ASSERT_TRUE(disk->fs.crashed()) << "change " << n;
        PowerLossStyle style = kStyles[n % 3];
        disk->fs.PowerLoss(style, static_cast<std::uint32_t>(n));
        std::string where = std::string(NameOf(operation)) + " of " + scenario.description +
                            ": crash at change " + std::to_string(n) + " of " +
                            std::to_string(expected.changes) + ", style " +
                            std::to_string(static_cast<int>(style));
        ExpectReadOnlyView(*disk, expected, where);
        ExpectSound(*disk, expected, where);
    }
}

void FailAtEveryChange(Operation operation, const Scenario& scenario,
                       const Expectations& expected) {
    for (std::uint64_t n = 1; n <= expected.changes; ++n) {
        auto disk = DiskWith(scenario);
        filesystem::FailingFileSystem failing(disk->fs);
        failing.Plan(filesystem::FailNth(filesystem::kChangingCalls, n, n % 2 == 0 ? ENOSPC : EIO));
        Engine engine(failing, TestOptions());
        StatusRecord status = RunOperation(engine, operation, scenario);
        std::string where = std::string(NameOf(operation)) + " of " + scenario.description +
                            ": error at change " + std::to_string(n) + " of " +
                            std::to_string(expected.changes);
        ASSERT_TRUE(failing.failed()) << where;
        EXPECT_FALSE(status.ok()) << where << ": a failure reported as success";
        bool last_change = n == expected.changes;  // making the journal's removal durable
        if (operation != Operation::kCompress && !last_change) {
            EXPECT_EQ(disk->FileBytes(kRepository), expected.bytes_before)
                << where << ": the repository did not stay as it was";
        }
        ExpectSound(*disk, expected, where);
    }
}

class CrashSafety : public testing::TestWithParam<std::tuple<bool, Operation>> {};

TEST_P(CrashSafety, EveryMemberSurvivesACrashOrAnErrorAtEveryChange) {
    auto [xr01, operation] = GetParam();
    auto started = std::chrono::steady_clock::now();
    for (std::uint32_t shape = 0; shape < 3; ++shape) {
        if (operation == Operation::kRepair && shape > 0) {
            break;
        }
        Scenario scenario =
            MakeScenario(xr01, operation, shape * 31 + 7 * static_cast<int>(operation));
        Expectations expected = Expect(operation, scenario);
        ASSERT_GT(expected.changes, 0u);
        CrashAtEveryChange(operation, scenario, expected);
        FailAtEveryChange(operation, scenario, expected);
        if (HasFatalFailure()) {
            return;
        }
    }
    RecordProperty("milliseconds",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - started)
                                        .count()));
}

INSTANTIATE_TEST_SUITE_P(
    AllWritingOperations, CrashSafety,
    testing::Combine(testing::Bool(),
                     testing::Values(Operation::kPutNew, Operation::kPutReplace, Operation::kPutAll,
                                     Operation::kDelete, Operation::kUnDelete, Operation::kCompress,
                                     Operation::kRepair)),
    [](const testing::TestParamInfo<std::tuple<bool, Operation>>& info) {
        return std::string(std::get<0>(info.param) ? "Xr01" : "Xr00") +
               NameOf(std::get<1>(info.param));
    });

TEST(CrashSafety, CompactionMovingALargeBlockByOneDeletedByteSurvivesEveryCrash) {
    Scenario scenario;
    scenario.description = "1 MiB after a deleted byte";
    scenario.repository = BuildXr00({{"gone", Pattern(1, 1), true},
                                     {"big", Pattern(kMebibyte, 2), false},
                                     {"tail", Pattern(99, 3), false}});
    Expectations expected = Expect(Operation::kCompress, scenario);
    // Each 64 KiB window allows about one block move before a checkpoint.
    EXPECT_GT(expected.changes, 30u);
    CrashAtEveryChange(Operation::kCompress, scenario, expected);
}

TEST(CrashSafety, RecoveryOnOpenLeavesATraceLine) {
    Scenario scenario = MakeScenario(true, Operation::kPutNew, 3);
    Expectations expected = Expect(Operation::kPutNew, scenario);
    auto disk = DiskWith(scenario);
    // At the repository's sync: the journal is durable, the repository changed.
    disk->fs.CrashAtChange(expected.changes - 2);
    RunOperation(disk->engine, Operation::kPutNew, scenario);
    disk->fs.PowerLoss(PowerLossStyle::kKeepEverything, 1);
    ASSERT_TRUE(disk->fs.Exists(kJournal));
    std::vector<std::string> trace;
    EngineOptions options = TestOptions();
    options.trace = [&](const std::string& line) { trace.push_back(line); };
    Engine engine(disk->fs, options);
    StatusRecord info = engine.Info(kRepository);
    EXPECT_TRUE(info.ok()) << Messages(info);
    EXPECT_EQ(trace, std::vector<std::string>{
                         "Repository journal found: rolling back the interrupted call\n"});
    EXPECT_EQ(disk->FileBytes(kRepository), scenario.repository);
}

TEST(CrashSafety, TornJournalIsDiscardedAndTheRepositoryLeftAlone) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.Store(kRepository, {"a"});
    Bytes sound = disk.FileBytes(kRepository);
    disk.fs.WriteDurableFile(kJournal, TextBytes("XRJOURN1 and then garbage"));
    EXPECT_EQ(LiveMembers(disk.engine, kRepository).at("a"), TextBytes("abc"));
    EXPECT_FALSE(disk.fs.Exists(kJournal));
    EXPECT_EQ(disk.FileBytes(kRepository), sound);
}

}  // namespace
}  // namespace kivo::repository::test

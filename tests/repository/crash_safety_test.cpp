// Crash safety: every writing operation is interrupted at its 1st, 2nd, 3rd
// ... change of the disk (a power cut: unsynced writes dropped or torn, or a
// killed process), and separately made to fail there with an error. After
// either, the next call that opens the repository must find one that passes
// the integrity check and holds every member that was live before, byte for
// byte: the state before the call or the state after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/forwarding_file_system.h"
#include "kivo/repository/repository_format.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

using filesystem::FailurePlan;
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

// How the engine keeps its crash journal.
enum class JournalMode {
    kFile,                // made and removed by each call
    kKeptIdle,            // kept idle between calls (EngineOptions::keep_idle_journal),
                          // with one left idle by an earlier call
    kScratch,             // in memory, on a file system whose syncs write nothing
    kKeptAfterALikeCall,  // kept idle, left by a put of another member just before,
                          // so much of the new journal matches it page for page
};

// A file system whose syncs are said not to reach the disk (a working
// folder's scratch files); every call still goes through.
class ScratchDisk final : public filesystem::ForwardingFileSystem {
public:
    using ForwardingFileSystem::ForwardingFileSystem;
    bool SyncsReachTheDisk() const override { return false; }
};

EngineOptions OptionsFor(JournalMode mode) {
    EngineOptions options = TestOptions();
    options.keep_idle_journal =
        mode == JournalMode::kKeptIdle || mode == JournalMode::kKeptAfterALikeCall;
    return options;
}

// What a kept journal looks like between calls: a whole journal once, its
// magic zeroed.
Bytes IdleJournal() {
    Bytes bytes = Pattern(300, 9);
    std::fill(bytes.begin(), bytes.begin() + 8, 0);
    return bytes;
}

bool IsIdleJournal(const std::optional<Bytes>& bytes) {
    return bytes && bytes->size() >= 48 &&
           std::all_of(bytes->begin(), bytes->begin() + 8, [](std::uint8_t b) { return b == 0; });
}

// A fresh disk holding the scenario, everything durable.
std::unique_ptr<MemoryDisk> DiskWith(const Scenario& scenario,
                                     JournalMode mode = JournalMode::kFile) {
    auto disk = std::make_unique<MemoryDisk>();
    disk->fs.WriteDurableFile(kRepository, scenario.repository);
    for (const auto& [name, bytes] : scenario.files) {
        disk->AddFile(name, bytes);
    }
    if (mode == JournalMode::kKeptIdle) {
        disk->fs.WriteDurableFile(kJournal, IdleJournal());
    }
    if (mode == JournalMode::kKeptAfterALikeCall) {
        disk->AddFile("earlier", Pattern(300, 77));
        Engine earlier(disk->fs, OptionsFor(mode));
        EXPECT_TRUE(earlier.Put(kRepository, "/src", {"earlier"}).ok());
    }
    return disk;
}

struct Expectations {
    Members before;
    Members after;
    Bytes bytes_before;
    std::uint64_t changes = 0;  // changing calls of an uninterrupted run
};

Expectations Expect(Operation operation, const Scenario& scenario,
                    JournalMode mode = JournalMode::kFile) {
    Expectations expected;
    auto disk = DiskWith(scenario, mode);
    expected.before = LiveMembers(disk->engine, kRepository);
    expected.bytes_before = disk->FileBytes(kRepository);
    ScratchDisk scratch(disk->fs);
    filesystem::FileSystem& target =
        mode == JournalMode::kScratch ? static_cast<filesystem::FileSystem&>(scratch) : disk->fs;
    filesystem::FailingFileSystem counting(target);
    counting.Plan(filesystem::FailNth(filesystem::kChangingCalls, UINT64_MAX));
    Engine engine(counting, OptionsFor(mode));
    StatusRecord status = RunOperation(engine, operation, scenario);
    EXPECT_TRUE(status.ok()) << Messages(status);
    expected.changes = counting.calls_counted();
    expected.after = LiveMembers(disk->engine, kRepository);
    return expected;
}

// What every interrupted or failed call must leave: no journal but an idle
// one where the engine keeps it.
void ExpectSound(MemoryDisk& disk, const Expectations& expected, const std::string& where,
                 JournalMode mode = JournalMode::kFile) {
    StatusRecord check = disk.engine.CheckIntegrity(kRepository);
    ASSERT_TRUE(check.ok()) << where << "\n" << Messages(check);
    if (mode != JournalMode::kFile && disk.fs.Exists(kJournal)) {
        EXPECT_TRUE(IsIdleJournal(disk.fs.FileBytes(kJournal))) << where;
    } else {
        EXPECT_FALSE(disk.fs.Exists(kJournal)) << where;
    }
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

void CrashAtEveryChange(Operation operation, const Scenario& scenario, const Expectations& expected,
                        JournalMode mode = JournalMode::kFile) {
    static const PowerLossStyle kStyles[] = {PowerLossStyle::kTearUnsynced,
                                             PowerLossStyle::kDropUnsynced,
                                             PowerLossStyle::kKeepEverything};
    for (std::uint64_t n = 1; n <= expected.changes; ++n) {
        auto disk = DiskWith(scenario, mode);
        disk->fs.CrashAtChange(n);
        Engine engine(disk->fs, OptionsFor(mode));
        RunOperation(engine, operation, scenario);
        ASSERT_TRUE(disk->fs.crashed()) << "change " << n;
        PowerLossStyle style = kStyles[n % 3];
        disk->fs.PowerLoss(style, static_cast<std::uint32_t>(n));
        std::string where = std::string(NameOf(operation)) + " of " + scenario.description +
                            ": crash at change " + std::to_string(n) + " of " +
                            std::to_string(expected.changes) + ", style " +
                            std::to_string(static_cast<int>(style));
        ExpectReadOnlyView(*disk, expected, where);
        ExpectSound(*disk, expected, where, mode);
    }
}

void FailAtEveryChange(Operation operation, const Scenario& scenario, const Expectations& expected,
                       JournalMode mode = JournalMode::kFile) {
    for (std::uint64_t n = 1; n <= expected.changes; ++n) {
        auto disk = DiskWith(scenario, mode);
        ScratchDisk scratch(disk->fs);
        filesystem::FileSystem& target = mode == JournalMode::kScratch
                                             ? static_cast<filesystem::FileSystem&>(scratch)
                                             : disk->fs;
        filesystem::FailingFileSystem failing(target);
        failing.Plan(filesystem::FailNth(filesystem::kChangingCalls, n, n % 2 == 0 ? ENOSPC : EIO));
        Engine engine(failing, OptionsFor(mode));
        StatusRecord status = RunOperation(engine, operation, scenario);
        std::string where = std::string(NameOf(operation)) + " of " + scenario.description +
                            ": error at change " + std::to_string(n) + " of " +
                            std::to_string(expected.changes);
        ASSERT_TRUE(failing.failed()) << where;
        EXPECT_FALSE(status.ok()) << where << ": a failure reported as success";
        bool last_change = n == expected.changes;  // making the journal's removal durable
        // Kept in memory, the undo covers a compaction too, and there is no
        // removal to make durable.
        if (mode == JournalMode::kScratch || (operation != Operation::kCompress && !last_change)) {
            EXPECT_EQ(disk->FileBytes(kRepository), expected.bytes_before)
                << where << ": the repository did not stay as it was";
        }
        ExpectSound(*disk, expected, where, mode);
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

// An "XR01" scenario of one of the shapes the runs below take.
Scenario ShapedScenario(Operation operation, std::uint32_t shape) {
    return MakeScenario(true, operation, shape * 31 + 7 * static_cast<int>(operation));
}

std::string OperationName(const testing::TestParamInfo<Operation>& info) {
    return NameOf(info.param);
}

// The same calls with the journal kept idle between calls: written over an
// idle one, and left idle again when the call commits.
class KeptJournalCrashSafety : public testing::TestWithParam<Operation> {};

TEST_P(KeptJournalCrashSafety, EveryMemberSurvivesACrashOrAnErrorAtEveryChange) {
    const Operation operation = GetParam();
    for (std::uint32_t shape = 0; shape < 2; ++shape) {
        Scenario scenario = ShapedScenario(operation, shape);
        Expectations expected = Expect(operation, scenario, JournalMode::kKeptIdle);
        ASSERT_GT(expected.changes, 0u);
        CrashAtEveryChange(operation, scenario, expected, JournalMode::kKeptIdle);
        FailAtEveryChange(operation, scenario, expected, JournalMode::kKeptIdle);
        if (HasFatalFailure()) {
            return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WritingOperations, KeptJournalCrashSafety,
                         testing::Values(Operation::kPutNew, Operation::kPutReplace,
                                         Operation::kDelete, Operation::kCompress),
                         OperationName);

// A repository whose directory spans several pages: over the idle journal
// of a put just before, the next call's journal differs from it in a few
// pages only, and only those are written.
Scenario ManyMemberScenario() {
    Scenario scenario;
    std::vector<HandMember> members;
    for (int i = 0; i < 150; ++i) {
        std::string name = "member-with-a-long-name-of-forty-chars-" + std::to_string(1000 + i);
        members.push_back(HandMember{name, Pattern(i % 7 * 13, 500 + i), i % 11 == 3});
        if (!members.back().deleted) {
            scenario.live_names.push_back(name);
        }
    }
    scenario.repository = BuildXr01(members);
    scenario.description = "150 members of long names (XR01)";
    scenario.files["new"] = Pattern(4096, 600);
    scenario.files[scenario.live_names.back()] = Pattern(99, 601);
    return scenario;
}

class JournalOverALikeCall : public testing::TestWithParam<Operation> {};

TEST_P(JournalOverALikeCall, EveryMemberSurvivesACrashOrAnErrorAtEveryChange) {
    const Operation operation = GetParam();
    const JournalMode mode = JournalMode::kKeptAfterALikeCall;
    Scenario scenario = ManyMemberScenario();
    Expectations expected = Expect(operation, scenario, mode);
    ASSERT_GT(expected.changes, 0u);
    CrashAtEveryChange(operation, scenario, expected, mode);
    FailAtEveryChange(operation, scenario, expected, mode);
}

INSTANTIATE_TEST_SUITE_P(WritingOperations, JournalOverALikeCall,
                         testing::Values(Operation::kPutNew, Operation::kPutReplace,
                                         Operation::kDelete),
                         OperationName);

// On scratch files the undo is kept in memory: every failing change still
// leaves the file as it was, a compaction's included, and no journal file
// is ever made.
class ScratchFileFailures : public testing::TestWithParam<Operation> {};

TEST_P(ScratchFileFailures, EveryFailureIsUndoneWithoutAJournalFile) {
    const Operation operation = GetParam();
    for (std::uint32_t shape = 0; shape < 2; ++shape) {
        Scenario scenario = ShapedScenario(operation, shape);
        Expectations expected = Expect(operation, scenario, JournalMode::kScratch);
        ASSERT_GT(expected.changes, 0u);
        FailAtEveryChange(operation, scenario, expected, JournalMode::kScratch);

        auto disk = DiskWith(scenario);
        ScratchDisk scratch(disk->fs);
        filesystem::FailingFileSystem journal_opens(scratch);
        FailurePlan never = filesystem::FailNth(filesystem::kCallOpen, UINT64_MAX);
        never.path_is = kJournal;
        journal_opens.Plan(never);
        Engine engine(journal_opens, TestOptions());
        EXPECT_TRUE(RunOperation(engine, operation, scenario).ok());
        EXPECT_EQ(journal_opens.calls_counted(), 0u) << NameOf(operation);
        EXPECT_EQ(LiveMembers(disk->engine, kRepository), expected.after);
    }
}

INSTANTIATE_TEST_SUITE_P(WritingOperations, ScratchFileFailures,
                         testing::Values(Operation::kPutNew, Operation::kPutReplace,
                                         Operation::kPutAll, Operation::kDelete,
                                         Operation::kUnDelete, Operation::kCompress,
                                         Operation::kRepair),
                         OperationName);

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

// Crash safety of a record save. A dictation is saved as XRsaveR saves it
// (its line appended to the working log, its container built, then container,
// log and index stored into the data store) on a disk that loses power at
// every change the save makes, or that is full at every write. After the
// restart the data store, opened afresh from what survived, holds the record
// whole or not at all, and its record log never names a container it lacks.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/filesystem/power_loss_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/recordstore/record_save.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"
#include "kivo/repository/engine.h"
#include "record_save_test_support.h"

namespace kivo::test {
namespace {

namespace rs = recordstore;
using filesystem::FailingFileSystem;
using filesystem::FileSystem;
using filesystem::PowerLossFileSystem;
using filesystem::PowerLossStyle;

constexpr char kStoreFolder[] = "/store";
constexpr char kStorePath[] = "/store/Test.xrt";
constexpr char kJournalPath[] = "/store/Test.xrt-journal";
constexpr char kWorking[] = "/work";
constexpr char kResources[] = "/res";
constexpr char kMessageLog[] = "Voxwren.xrr";

// Every file of a disk, by path.
using Files = std::map<std::string, Bytes>;

// One dictation's files in the working folder, as the recorder leaves them:
// named after the container, "D" + stamp.
struct Dictation {
    int record_number = 0;
    std::string stamp;
    std::string base;
    Bytes wave;
    std::string line;

    std::string container() const { return base + ".xrz"; }
};

Dictation MakeDictation(int record_number) {
    Dictation dictation;
    dictation.record_number = record_number;
    dictation.stamp = "2024020110000" + std::to_string(record_number);
    dictation.base = "D" + dictation.stamp;
    WaveRecipe recipe;
    recipe.frames = 3000 + 500 * static_cast<std::uint64_t>(record_number);
    dictation.wave = BuildWave(recipe);
    dictation.line = MakeRecordLine(record_number, "0", dictation.container());
    return dictation;
}

std::string Working(const std::string& name) {
    return filesystem::JoinPath(kWorking, name);
}

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void WriteRecordFiles(PowerLossFileSystem& disk, const Dictation& dictation) {
    disk.WriteDurableFile(Working(dictation.base + ".xrw"), dictation.wave);
    disk.WriteDurableFile(Working(dictation.base + ".xrl"), BytesOf(dictation.line));
    std::string mark =
        "00:00:01 first\xAC"
        "mark 0";
    mark.resize(61, ' ');
    disk.WriteDurableFile(Working(dictation.base + ".xrs"), BytesOf(mark));
}

// What XRsaveR asks of the saver.
rs::RecordSaveRequest SaveRequest(const Dictation& dictation) {
    rs::RecordSaveRequest request;
    request.log = rs::RecordLogKind::kMessages;
    request.media = dictation.base + ".xrw";
    request.record_line = dictation.base + ".xrl";
    request.index_marks = dictation.base + ".xrs";
    request.working_folder = kWorking;
    request.store_path = kStorePath;
    request.stamp = dictation.stamp;
    return request;
}

rs::RecordSaveResult Save(FileSystem& file_system, const Dictation& dictation) {
    return rs::RecordSaver(file_system).Save(SaveRequest(dictation));
}

Files Snapshot(PowerLossFileSystem& disk) {
    Files files;
    for (const char* folder : {kStoreFolder, kWorking, kResources}) {
        for (const auto& entry : disk.ListDirectory(folder).value.entries) {
            const std::string path = filesystem::JoinPath(folder, entry.name);
            if (!entry.is_directory)
                files[path] = *disk.FileBytes(path);
        }
    }
    return files;
}

std::unique_ptr<PowerLossFileSystem> DiskWith(const Files& files) {
    auto disk = std::make_unique<PowerLossFileSystem>();
    EXPECT_TRUE(disk->MakeDirectory(kWorking, 0755).ok());
    for (const auto& [path, bytes] : files)
        disk->WriteDurableFile(path, bytes);
    return disk;
}

// A data store built and unpacked into the working folder as the program
// keeps it open, the earlier records saved into it, and the files of one
// more record ready to save; everything durable.
Files DiskBeforeSave(const std::vector<Dictation>& earlier, const Dictation& next) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile(filesystem::JoinPath(kResources, "00001.wav"), BuildWave(WaveRecipe{}));
    disk.WriteDurableFile(filesystem::JoinPath(kResources, "00002.wav"), BuildWave(WaveRecipe{}));
    EXPECT_TRUE(disk.MakeDirectory(kWorking, 0755).ok());
    const rs::NewDataStore request{kStoreFolder, "Test", kWorking, kResources};
    EXPECT_EQ(rs::DataStore::Build(disk, request), rs::BuildResult::kBuilt);
    const std::vector<std::string> components(rs::kNewStoreMembers.begin(),
                                              rs::kNewStoreMembers.end());
    EXPECT_TRUE(rs::Repository(disk, kStorePath).Get(kWorking, components));
    for (const Dictation& dictation : earlier) {
        WriteRecordFiles(disk, dictation);
        EXPECT_TRUE(Save(disk, dictation).ok());
    }
    WriteRecordFiles(disk, next);
    disk.PowerLoss(PowerLossStyle::kKeepEverything, 0);
    return Snapshot(disk);
}

// The data store as the program finds it after the restart: what survived of
// the store file (and of its journal, when one was left) copied into a real
// folder and opened afresh through the machine's file system.
struct StoreAfterRestart {
    TempDir folder;
    std::string path = folder.file("Test.xrt");
    bool sound = false;
    bool journal_left = false;
    std::vector<std::string> members;  // live, in directory order
    std::string message_log;
};

void OpenAfterRestart(const PowerLossFileSystem& disk, StoreAfterRestart* store) {
    FileSystem& machine = filesystem::DefaultFileSystem();
    WriteFileBytes(store->path, disk.FileBytes(kStorePath).value_or(Bytes{}));
    if (const auto journal = disk.FileBytes(kJournalPath))
        WriteFileBytes(store->path + "-journal", *journal);
    rs::Repository repository(machine, store->path);
    for (const rs::MemberInfo& member : repository.LiveMembers())
        store->members.push_back(member.name);
    store->sound = repository::Engine(machine).CheckIntegrity(store->path).ok();
    store->journal_left = machine.Stat(store->path + "-journal", false).ok();
    const std::string extracted = store->folder.file("log");
    std::filesystem::create_directory(extracted);
    if (repository.Get(extracted, {kMessageLog}))
        store->message_log = ReadFileText(extracted + "/" + kMessageLog);
}

// The live members and the message log of the store before and after the save.
struct StoreState {
    std::vector<std::string> members;
    std::string message_log;
    bool operator==(const StoreState&) const = default;
};

StoreState StateOf(const StoreAfterRestart& store) {
    return StoreState{store.members, store.message_log};
}

// Every record line of the store's log names a container the store holds,
// and that container gives back the record whole: its line and its wave.
void ExpectEveryLoggedRecordWhole(const StoreAfterRestart& store,
                                  const std::map<std::string, Dictation>& dictations,
                                  const std::string& where) {
    FileSystem& machine = filesystem::DefaultFileSystem();
    const std::string log_path = store.folder.file("log/" + std::string(kMessageLog));
    std::vector<rs::RecordLogEntry> records;
    ASSERT_TRUE(rs::RecordLog::ReadAll(machine, log_path, &records).ok()) << where;
    const std::set<std::string> members(store.members.begin(), store.members.end());
    for (const rs::RecordLogEntry& record : records) {
        const std::string container = record.line.FieldText(rs::record_field::kContainerName);
        ASSERT_TRUE(members.count(container) != 0)
            << where << ": the log names " << container << ", which the store lacks";
        const Dictation& dictation = dictations.at(container);
        TempDir opened;
        ASSERT_EQ(rs::RecordingContainer(machine, container, rs::MediaKind::kAudio)
                      .OpenFromStore(opened.path().string(), store.path, 0),
                  rs::ContainerResult::kDone)
            << where;
        EXPECT_EQ(ReadFileText(opened.file(dictation.base + ".xrl")), dictation.line) << where;
        EXPECT_EQ(ReadFileBytes(opened.file(dictation.base + ".xrw")), dictation.wave) << where;
    }
}

// One starting point of a save, with the store states before and after it.
struct Scenario {
    std::string name;
    std::vector<Dictation> earlier;
    Dictation next;
    Files before_save;
    StoreState before;
    StoreState after;
    std::map<std::string, Dictation> dictations;  // by container name
};

Scenario MakeScenario(std::string name, int earlier_records) {
    Scenario scenario;
    scenario.name = std::move(name);
    for (int number = 1; number <= earlier_records; ++number)
        scenario.earlier.push_back(MakeDictation(number));
    scenario.next = MakeDictation(earlier_records + 1);
    for (const Dictation& dictation : scenario.earlier)
        scenario.dictations[dictation.container()] = dictation;
    scenario.dictations[scenario.next.container()] = scenario.next;
    scenario.before_save = DiskBeforeSave(scenario.earlier, scenario.next);

    auto disk = DiskWith(scenario.before_save);
    StoreAfterRestart before;
    OpenAfterRestart(*disk, &before);
    scenario.before = StateOf(before);
    EXPECT_TRUE(Save(*disk, scenario.next).ok());
    StoreAfterRestart after;
    OpenAfterRestart(*disk, &after);
    scenario.after = StateOf(after);
    EXPECT_EQ(scenario.after.message_log, scenario.before.message_log + scenario.next.line);
    return scenario;
}

class RecordSaveCrash : public testing::TestWithParam<int> {};

TEST_P(RecordSaveCrash, PowerLossAtEveryChangeLeavesTheRecordWholeOrAbsent) {
    const Scenario scenario =
        MakeScenario("earlier records: " + std::to_string(GetParam()), GetParam());
    std::uint64_t changes = 0;
    {
        auto disk = DiskWith(scenario.before_save);
        disk->CrashAtChange(0);
        ASSERT_TRUE(Save(*disk, scenario.next).ok());
        changes = disk->changes_counted();
    }
    ASSERT_GT(changes, 10u);
    int whole = 0;
    int absent = 0;
    for (std::uint64_t n = 1; n <= changes; ++n) {
        for (const PowerLossStyle style :
             {PowerLossStyle::kTearUnsynced, PowerLossStyle::kDropUnsynced,
              PowerLossStyle::kKeepEverything}) {
            const std::string where = scenario.name + ", power lost at change " +
                                      std::to_string(n) + " of " + std::to_string(changes) +
                                      ", style " + std::to_string(static_cast<int>(style));
            auto disk = DiskWith(scenario.before_save);
            disk->CrashAtChange(n);
            Save(*disk, scenario.next);
            ASSERT_TRUE(disk->crashed()) << where;
            disk->PowerLoss(style, static_cast<std::uint32_t>(n));

            StoreAfterRestart store;
            OpenAfterRestart(*disk, &store);
            ASSERT_TRUE(store.sound) << where;
            EXPECT_FALSE(store.journal_left) << where;
            const StoreState state = StateOf(store);
            EXPECT_TRUE(state == scenario.before || state == scenario.after)
                << where << ": the store holds part of the record";
            whole += state == scenario.after ? 1 : 0;
            absent += state == scenario.before ? 1 : 0;
            ExpectEveryLoggedRecordWhole(store, scenario.dictations, where);
            if (HasFatalFailure())
                return;
        }
    }
    // The cuts fall both before and after the store took the record.
    EXPECT_GT(whole, 0);
    EXPECT_GT(absent, 0);
    RecordProperty("cut_points", static_cast<int>(changes));
}

INSTANTIATE_TEST_SUITE_P(FirstAndThirdRecord, RecordSaveCrash, testing::Values(0, 2));

// What a failed save must leave: the store byte for byte as it was, no
// journal, the working log without the line, and no container or temporary
// file in the working folder.
void ExpectNothingChanged(PowerLossFileSystem& disk, const Scenario& scenario,
                          const std::string& where) {
    EXPECT_EQ(disk.FileBytes(kStorePath), scenario.before_save.at(kStorePath)) << where;
    EXPECT_FALSE(disk.Exists(kJournalPath)) << where;
    const std::string log = Working(kMessageLog);
    EXPECT_EQ(disk.FileBytes(log), scenario.before_save.at(log)) << where;
    std::set<std::string> names_before;
    for (const auto& [path, bytes] : scenario.before_save) {
        if (filesystem::ParentDirectory(path) == kWorking)
            names_before.insert(filesystem::BaseName(path));
    }
    std::set<std::string> names_after;
    for (const auto& entry : disk.ListDirectory(kWorking).value.entries)
        names_after.insert(entry.name);
    EXPECT_EQ(names_after, names_before) << where;
}

std::uint64_t WritesOfASave(const Scenario& scenario) {
    auto disk = DiskWith(scenario.before_save);
    FailingFileSystem counting(*disk);
    counting.Plan(filesystem::FailNth(filesystem::kCallWrite, UINT64_MAX));
    EXPECT_TRUE(Save(counting, scenario.next).ok());
    return counting.calls_counted();
}

TEST(RecordSaveFullDisk, AFailedWriteFailsTheSaveAndLeavesTheStoreAsItWas) {
    const Scenario scenario = MakeScenario("one earlier record", 1);
    const std::uint64_t writes = WritesOfASave(scenario);
    ASSERT_GT(writes, 5u);
    int failed_saves = 0;
    for (std::uint64_t n = 1; n <= writes; ++n) {
        const std::string where =
            "no space at write " + std::to_string(n) + " of " + std::to_string(writes);
        auto disk = DiskWith(scenario.before_save);
        FailingFileSystem full(*disk);
        full.Plan(filesystem::FailNth(filesystem::kCallWrite, n, ENOSPC));
        const rs::RecordSaveResult result = Save(full, scenario.next);
        ASSERT_TRUE(full.failed()) << where;
        if (!result.ok()) {
            ++failed_saves;
            ExpectNothingChanged(*disk, scenario, where);
            continue;
        }
        // A write whose failure the save may pass over (the media codec's:
        // the wave is then stored as it is) must leave the record whole.
        StoreAfterRestart store;
        OpenAfterRestart(*disk, &store);
        EXPECT_EQ(StateOf(store), scenario.after) << where << ": a save reported done";
        ExpectEveryLoggedRecordWhole(store, scenario.dictations, where);
    }
    EXPECT_GT(failed_saves, 0);
}

TEST(RecordSaveFullDisk, DiskThatStaysFullFailsTheSaveAndTheStoreComesBackAsItWas) {
    const Scenario scenario = MakeScenario("one earlier record", 1);
    const std::uint64_t writes = WritesOfASave(scenario);
    for (std::uint64_t n = 1; n <= writes; ++n) {
        const std::string where =
            "disk full from write " + std::to_string(n) + " of " + std::to_string(writes);
        auto disk = DiskWith(scenario.before_save);
        FailingFileSystem full(*disk);
        filesystem::FailurePlan plan = filesystem::FailNth(filesystem::kCallWrite, n, ENOSPC);
        plan.persistent = true;
        full.Plan(plan);
        EXPECT_FALSE(Save(full, scenario.next).ok()) << where;
        // Space is freed; the next open of the store undoes what was left.
        EXPECT_TRUE(rs::Repository(*disk, kStorePath).Info().readable) << where;
        ExpectNothingChanged(*disk, scenario, where);
    }
}

}  // namespace
}  // namespace kivo::test

// Durable components: a commit journals only the changed bytes; the next
// session plays the journal back; a checkpoint puts only what changed and
// removes the journal; readers never write; limits keep the journal and the
// store's growth bounded.
#include "kivo/recordstore/durable_components.h"

#include <gtest/gtest.h>

#include "kivo/filesystem/failing_file_system.h"
#include "power_loss_store.h"

namespace kivo::recordstore::test {
namespace {

std::string Line(int number) {
    std::string line = std::to_string(10000000 + number) + " 0 subject";
    line.resize(400, ' ');
    return line + '\n';
}

std::string Log(int lines) {
    std::string log = Line(0);
    for (int n = 1; n <= lines; ++n)
        log += Line(n);
    return log;
}

Members InitialMembers() {
    return {{"Voxwren.xri", ""},
            {"Voxwren.xrr", Log(20)},
            {"Voxwren.xrb", "phone book"},
            {"D1.xrz", "a container"}};
}

// Appends to a working copy the way a save does (outside the crash model).
void Append(PowerLossFileSystem& disk, const std::string& path, const std::string& text) {
    WriteDiskFile(disk, path, ReadDiskFile(disk, path) + text);
}

std::uint32_t StoredVersion(PowerLossFileSystem& disk, const std::string& member) {
    repository::Engine engine(disk);
    for (const auto& entry : engine.Info(kStorePath).entries) {
        if (entry.name == member)
            return entry.version;
    }
    return 0;
}

class DurableComponentsTest : public testing::Test {
protected:
    void SetUp() override {
        BuildStore(disk_, InitialMembers());
        ASSERT_TRUE(Unpack(disk_, "/w1"));
    }

    std::unique_ptr<DurableComponents> Session(const std::string& folder,
                                               StoreAccess access = StoreAccess::kReadWrite,
                                               DurableComponentsOptions options = {}) {
        return std::make_unique<DurableComponents>(disk_, PlacesIn(folder), access, options);
    }
    // A saved record: one line in the log, one entry in the index.
    void SaveRecord(const std::string& folder, int number) {
        Append(disk_, folder + "/Voxwren.xrr", Line(number));
        Append(disk_, folder + "/Voxwren.xri", "00000030" + std::string(30, 'k') + "\n");
    }

    PowerLossFileSystem disk_;
};

TEST_F(DurableComponentsTest, ACommitJournalsTheChangedBytesAndLeavesTheStoreAlone) {
    auto session = Session("/w1");
    ASSERT_TRUE(session->Recover().ok());
    SaveRecord("/w1", 21);
    ASSERT_TRUE(session->Commit().ok());

    // The line and the entry, not the 8 KiB log.
    EXPECT_LT(session->journal_bytes(), 401u + 39u + 200u);
    EXPECT_EQ(ReadDiskFile(disk_, kJournalPath).size(), session->journal_bytes());
    EXPECT_EQ(StoredMembers(disk_, "/check")["Voxwren.xrr"], Log(20));
    // Nothing changed since: the next commit writes nothing.
    const std::uint64_t size = session->journal_bytes();
    ASSERT_TRUE(session->Commit().ok());
    EXPECT_EQ(session->journal_bytes(), size);
}

TEST_F(DurableComponentsTest, TheNextSessionPlaysTheJournalBackIntoTheStoreAndRemovesIt) {
    auto first = Session("/w1");
    ASSERT_TRUE(first->Recover().ok());
    SaveRecord("/w1", 21);
    ASSERT_TRUE(first->Commit().ok());
    SaveRecord("/w1", 22);
    ASSERT_TRUE(first->Commit().ok());
    const Members committed = WorkingCopies(disk_, "/w1");
    first.reset();  // killed: no checkpoint

    ASSERT_TRUE(Unpack(disk_, "/w2"));
    auto second = Session("/w2");
    ASSERT_TRUE(second->Recover().ok());
    EXPECT_EQ(second->replayed_commits(), 2u);
    EXPECT_EQ(WorkingCopies(disk_, "/w2"), committed);
    EXPECT_EQ(StoredMembers(disk_, "/check"), committed);
    EXPECT_FALSE(disk_.Exists(kJournalPath));
}

TEST_F(DurableComponentsTest, AReaderPlaysTheJournalBackIntoItsWorkingCopiesOnly) {
    auto writer = Session("/w1");
    ASSERT_TRUE(writer->Recover().ok());
    SaveRecord("/w1", 21);
    ASSERT_TRUE(writer->Commit().ok());
    const std::string store_bytes = ReadDiskFile(disk_, kStorePath);
    const std::string journal_bytes = ReadDiskFile(disk_, kJournalPath);

    ASSERT_TRUE(Unpack(disk_, "/r"));
    auto reader = Session("/r", StoreAccess::kReadOnly);
    ASSERT_TRUE(reader->Recover().ok());
    EXPECT_EQ(WorkingCopies(disk_, "/r"), WorkingCopies(disk_, "/w1"));
    EXPECT_EQ(ReadDiskFile(disk_, kStorePath), store_bytes);
    EXPECT_EQ(ReadDiskFile(disk_, kJournalPath), journal_bytes);
    SaveRecord("/r", 99);
    EXPECT_EQ(reader->Commit().code(), Status::Code::kInvalidArgument);
    EXPECT_EQ(reader->Checkpoint().code(), Status::Code::kInvalidArgument);
    EXPECT_EQ(ReadDiskFile(disk_, kStorePath), store_bytes);
}

TEST_F(DurableComponentsTest, ACheckpointPutsOnlyTheChangedComponentsThenRemovesTheJournal) {
    auto session = Session("/w1");
    ASSERT_TRUE(session->Recover().ok());
    Append(disk_, "/w1/Voxwren.xrr", Line(21));
    ASSERT_TRUE(session->Commit().ok());
    Append(disk_, "/w1/Voxwren.xrb", " and more");  // not committed: goes along
    ASSERT_TRUE(session->Checkpoint().ok());

    EXPECT_FALSE(session->has_journal());
    EXPECT_FALSE(disk_.Exists(kJournalPath));
    EXPECT_EQ(StoredVersion(disk_, "Voxwren.xrr"), 2u);
    EXPECT_EQ(StoredVersion(disk_, "Voxwren.xrb"), 2u);
    EXPECT_EQ(StoredVersion(disk_, "Voxwren.xri"), 1u);
    EXPECT_EQ(StoredMembers(disk_, "/check"), WorkingCopies(disk_, "/w1"));

    // Nothing changed since: a second checkpoint adds no version.
    ASSERT_TRUE(session->Checkpoint().ok());
    EXPECT_EQ(StoredVersion(disk_, "Voxwren.xrr"), 2u);
}

TEST_F(DurableComponentsTest, AJournalPastItsLimitIsCheckpointedAfterTheCommit) {
    DurableComponentsOptions options;
    options.journal_limit_bytes = 2048;
    auto session = Session("/w1", StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session->Recover().ok());
    int checkpoints = 0;
    for (int number = 21; number < 31; ++number) {
        SaveRecord("/w1", number);
        ASSERT_TRUE(session->Commit().ok());
        EXPECT_LE(session->journal_bytes(), options.journal_limit_bytes);
        if (!session->has_journal())
            ++checkpoints;
    }
    EXPECT_GE(checkpoints, 2);
    ASSERT_TRUE(session->Checkpoint().ok());
    EXPECT_EQ(StoredMembers(disk_, "/check"), WorkingCopies(disk_, "/w1"));
}

TEST_F(DurableComponentsTest, ACommitLargerThanTheLimitGoesIntoTheStoreAtOnce) {
    DurableComponentsOptions options;
    options.journal_limit_bytes = 1024;
    auto session = Session("/w1", StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session->Recover().ok());
    WriteDiskFile(disk_, "/w1/Voxwren.xri", std::string(5000, 'i'));  // index rewritten
    ASSERT_TRUE(session->Commit().ok());
    EXPECT_FALSE(disk_.Exists(kJournalPath));
    EXPECT_EQ(StoredMembers(disk_, "/check")["Voxwren.xri"], std::string(5000, 'i'));
}

TEST_F(DurableComponentsTest, IdleCheckpointsWaitUntilTheJournalIsWorthIt) {
    DurableComponentsOptions options;
    options.worthwhile_ratio = 4;
    auto session = Session("/w1", StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session->Recover().ok());
    // The log (8.4 KiB) against about 500 bytes a commit: worth putting
    // once the journal holds a quarter of it.
    int commits = 0;
    while (true) {
        SaveRecord("/w1", 21 + commits);
        ASSERT_TRUE(session->Commit().ok());
        ++commits;
        const std::uint64_t journal = session->journal_bytes();
        ASSERT_TRUE(session->CheckpointWhenWorthwhile().ok());
        if (!session->has_journal()) {
            const std::uint64_t components = ReadDiskFile(disk_, "/w1/Voxwren.xrr").size() +
                                             ReadDiskFile(disk_, "/w1/Voxwren.xri").size();
            EXPECT_GE(journal * options.worthwhile_ratio, components);
            break;
        }
        ASSERT_LT(commits, 20);
    }
    EXPECT_GE(commits, 3);
}

TEST_F(DurableComponentsTest, AComponentWhoseWorkingCopyIsGoneKeepsItsJournal) {
    auto session = Session("/w1");
    ASSERT_TRUE(session->Recover().ok());
    Append(disk_, "/w1/Voxwren.xrb", " changed");
    ASSERT_TRUE(session->Commit().ok());
    ASSERT_TRUE(disk_.Unlink("/w1/Voxwren.xrb").ok());
    ASSERT_TRUE(session->Checkpoint().ok());
    EXPECT_EQ(StoredMembers(disk_, "/check")["Voxwren.xrb"], "phone book");
    ASSERT_TRUE(disk_.Exists(kJournalPath));  // played back by the next session
    ASSERT_TRUE(Unpack(disk_, "/w2"));
    ASSERT_TRUE(Session("/w2")->Recover().ok());
    EXPECT_EQ(StoredMembers(disk_, "/check")["Voxwren.xrb"], "phone book changed");
}

TEST_F(DurableComponentsTest, AJournalOfAnotherFileIsSetAsideNotPlayedBack) {
    // Written for a store of the same name that was replaced since.
    const std::vector<ComponentChange> changes = {{"Voxwren.xrr", 0, 4, "gone"}};
    WriteDiskFile(disk_, kJournalPath,
                  EncodeJournalHeader({999, 999}) + EncodeJournalCommit(1, changes));
    auto session = Session("/w1");
    ASSERT_TRUE(session->Recover().ok());
    EXPECT_EQ(session->replayed_commits(), 0u);
    EXPECT_EQ(WorkingCopies(disk_, "/w1")["Voxwren.xrr"], Log(20));
    EXPECT_FALSE(disk_.Exists(kJournalPath));
    EXPECT_TRUE(disk_.Exists(std::string(kJournalPath) + ".unmatched"));
}

TEST_F(DurableComponentsTest, ACommitThatCannotBeJournaledGoesIntoTheStoreInstead) {
    filesystem::FailingFileSystem failing(disk_);
    DurableComponents session(failing, PlacesIn("/w1"), StoreAccess::kReadWrite);
    ASSERT_TRUE(session.Recover().ok());
    // The journal's disk is full; the store's has room.
    filesystem::FailurePlan plan = filesystem::FailNth(filesystem::kCallOpen, 1, ENOSPC);
    plan.path_contains = "-changes";
    plan.persistent = true;
    failing.Plan(plan);
    SaveRecord("/w1", 21);
    ASSERT_TRUE(session.Commit().ok());
    EXPECT_FALSE(session.has_journal());
    EXPECT_EQ(StoredMembers(disk_, "/check"), WorkingCopies(disk_, "/w1"));
}

}  // namespace
}  // namespace kivo::recordstore::test

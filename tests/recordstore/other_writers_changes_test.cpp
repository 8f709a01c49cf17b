// A session whose store another writer changed between two of its
// operations: it takes their changes into its working copies, keeps changes
// of its own that they left alone, refuses (changing nothing) where both
// changed one component differently, and never puts a stale copy back.
#include <gtest/gtest.h>

#include "kivo/recordstore/durable_components.h"
#include "power_loss_store.h"

namespace kivo::recordstore::test {
namespace {

std::string Line(int number) {
    std::string line = std::to_string(10000000 + number) + " 0 subject";
    line.resize(400, ' ');
    return line + '\n';
}

std::string Log(int first, int last) {
    std::string log = Line(0);
    for (int n = first; n <= last; ++n)
        log += Line(n);
    return log;
}

class OtherWritersChangesTest : public testing::Test {
protected:
    void SetUp() override {
        BuildStore(
            disk_,
            {{"Voxwren.xri", "index"}, {"Voxwren.xrr", Log(1, 5)}, {"Voxwren.xrb", "phone book"}});
        ASSERT_TRUE(Unpack(disk_, "/ours"));
        ours_ =
            std::make_unique<DurableComponents>(disk_, PlacesIn("/ours"), StoreAccess::kReadWrite);
        ASSERT_TRUE(ours_->Recover().ok());
    }

    // Another program's whole command: unpack, play back, change, save.
    void OtherWriterSetsLog(const std::string& log) {
        ASSERT_TRUE(Unpack(disk_, "/theirs"));
        DurableComponents theirs(disk_, PlacesIn("/theirs"), StoreAccess::kReadWrite);
        ASSERT_TRUE(theirs.Recover().ok());
        WriteDiskFile(disk_, "/theirs/Voxwren.xrr", log);
        ASSERT_TRUE(theirs.Commit().ok());
        ASSERT_TRUE(theirs.Checkpoint().ok());
    }

    // What this session sees of the store now, as the store's reader would.
    Status TakeTheirs(std::vector<std::string>* conflicts) {
        EXPECT_TRUE(Unpack(disk_, "/now"));
        return ours_->TakeOtherWritersChanges("/now", conflicts);
    }

    PowerLossFileSystem disk_;
    std::unique_ptr<DurableComponents> ours_;
};

TEST_F(OtherWritersChangesTest, TheirDeletionSurvivesOurLaterCommitAndCheckpoint) {
    // We journal a change; they play it back and delete record 2 on top.
    WriteDiskFile(disk_, "/ours/Voxwren.xri", "index with 6");
    ASSERT_TRUE(ours_->Commit().ok());
    OtherWriterSetsLog(Log(3, 5));
    EXPECT_FALSE(disk_.Exists(kJournalPath));

    std::vector<std::string> conflicts;
    ASSERT_TRUE(TakeTheirs(&conflicts).ok());
    EXPECT_TRUE(conflicts.empty());
    EXPECT_EQ(ReadDiskFile(disk_, "/ours/Voxwren.xrr"), Log(3, 5));
    EXPECT_EQ(ReadDiskFile(disk_, "/ours/Voxwren.xri"), "index with 6");

    // Our next operation and the close-time save keep their deletion.
    WriteDiskFile(disk_, "/ours/Voxwren.xrb", "phone book, changed");
    ASSERT_TRUE(ours_->Commit().ok());
    ASSERT_TRUE(ours_->Checkpoint().ok());
    Members stored = StoredMembers(disk_, "/check");
    EXPECT_EQ(stored["Voxwren.xrr"], Log(3, 5));
    EXPECT_EQ(stored["Voxwren.xri"], "index with 6");
    EXPECT_EQ(stored["Voxwren.xrb"], "phone book, changed");
}

TEST_F(OtherWritersChangesTest, OurUncommittedChangeToAComponentTheyLeftAloneIsKept) {
    WriteDiskFile(disk_, "/ours/Voxwren.xrb", "phone book, not yet committed");
    OtherWriterSetsLog(Log(1, 4));

    std::vector<std::string> conflicts;
    ASSERT_TRUE(TakeTheirs(&conflicts).ok());
    EXPECT_EQ(ReadDiskFile(disk_, "/ours/Voxwren.xrb"), "phone book, not yet committed");
    EXPECT_EQ(ReadDiskFile(disk_, "/ours/Voxwren.xrr"), Log(1, 4));
    // The kept change is still ours to commit: the next checkpoint puts it.
    ASSERT_TRUE(ours_->Checkpoint().ok());
    Members stored = StoredMembers(disk_, "/check");
    EXPECT_EQ(stored["Voxwren.xrb"], "phone book, not yet committed");
    EXPECT_EQ(stored["Voxwren.xrr"], Log(1, 4));
}

TEST_F(OtherWritersChangesTest, AComponentBothChangedDifferentlyIsRefusedAndNothingChanges) {
    WriteDiskFile(disk_, "/ours/Voxwren.xrr", Log(1, 6));  // not yet committed
    OtherWriterSetsLog(Log(2, 5));
    const std::string store_before = ReadDiskFile(disk_, kStorePath);

    std::vector<std::string> conflicts;
    EXPECT_FALSE(TakeTheirs(&conflicts).ok());
    EXPECT_EQ(conflicts, std::vector<std::string>{"Voxwren.xrr"});
    EXPECT_EQ(ReadDiskFile(disk_, "/ours/Voxwren.xrr"), Log(1, 6));
    EXPECT_EQ(ReadDiskFile(disk_, kStorePath), store_before);
}

TEST_F(OtherWritersChangesTest, AJournalLeftBesideTheStoreEndsInOneCheckpoint) {
    // Ours, never played back: the other writer wrote the store without
    // knowing it (xrrps), so their state is the store with our journal.
    WriteDiskFile(disk_, "/ours/Voxwren.xri", "index, journaled");
    ASSERT_TRUE(ours_->Commit().ok());
    ASSERT_TRUE(disk_.Exists(kJournalPath));
    ASSERT_TRUE(Unpack(disk_, "/now"));
    DurableComponents reader(disk_, PlacesIn("/now"), StoreAccess::kReadOnly);
    ASSERT_TRUE(reader.Recover().ok());

    std::vector<std::string> conflicts;
    ASSERT_TRUE(ours_->TakeOtherWritersChanges("/now", &conflicts).ok());
    EXPECT_FALSE(disk_.Exists(kJournalPath));
    EXPECT_EQ(StoredMembers(disk_, "/check")["Voxwren.xri"], "index, journaled");
}

}  // namespace
}  // namespace kivo::recordstore::test

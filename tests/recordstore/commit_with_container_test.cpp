// An edit that stores a new version of its recording container: its commit
// and the container's put are one step. The store refusing the container
// withdraws the commit; a commit whose container never reached the store is
// not played back at the next start; a reader between the commit and the
// put sees the record as it was; two such edits of one record in a row both
// hold.
#include <gtest/gtest.h>

#include "kivo/filesystem/failing_file_system.h"
#include "power_loss_store.h"

namespace kivo::recordstore::test {
namespace {

constexpr char kContainer[] = "D5.xrz";
constexpr char kOldRecording[] = "record 5 as recorded";

std::string Line(int number, char fill = ' ') {
    std::string line =
        std::to_string(10000000 + number) + " 0 subject D" + std::to_string(number) + ".xrz ";
    line.resize(400, fill);
    return line + '\n';
}

Members InitialMembers() {
    std::string log = Line(0);
    for (int n = 1; n <= 8; ++n)
        log += Line(n);
    return {{"Voxwren.xri", "00000005\tfirst keywords\n"},
            {"Voxwren.xrr", log},
            {"Voxwren.xrb", "phone book"},
            {kContainer, kOldRecording}};
}

std::string StoredContainer(PowerLossFileSystem& disk) {
    (void)disk.MakeDirectory("/container-check", 0700);
    repository::Engine engine(disk);
    if (!engine.Get(kStorePath, "/container-check", {kContainer}).ok())
        return {};
    return ReadDiskFile(disk, std::string("/container-check/") + kContainer);
}

class CommitWithContainerTest : public testing::Test {
protected:
    void SetUp() override {
        BuildStore(disk_, InitialMembers());
        ASSERT_TRUE(Unpack(disk_, "/w1"));
    }

    // The edit's changes to the working copies: record 5's line, its index
    // entry, and its container.
    void EditRecord5(const std::string& recording, char fill) {
        std::string log = ReadDiskFile(disk_, "/w1/Voxwren.xrr");
        log.replace(401 * 5, 401, Line(5, fill));
        WriteDiskFile(disk_, "/w1/Voxwren.xrr", log);
        WriteDiskFile(disk_, "/w1/Voxwren.xri",
                      std::string("00000005\tedited ") + fill + " keywords\n");
        WriteDiskFile(disk_, std::string("/w1/") + kContainer, recording);
    }

    // A fresh start: unpack into folder and recover.
    Members Restart(const std::string& folder) {
        EXPECT_TRUE(Unpack(disk_, folder));
        DurableComponents next(disk_, PlacesIn(folder), StoreAccess::kReadWrite);
        EXPECT_TRUE(next.Recover().ok());
        return WorkingCopies(disk_, folder);
    }

    PowerLossFileSystem disk_;
};

TEST_F(CommitWithContainerTest, AContainerTheStoreRefusesWithdrawsTheCommit) {
    bool refuse = true;
    DurableComponentsOptions options;
    options.put_into_store = [&](const std::vector<std::string>& members) {
        return !refuse && repository::Engine(disk_).Put(kStorePath, "/w1", members).ok();
    };
    DurableComponents session(disk_, PlacesIn("/w1"), StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session.Recover().ok());
    WriteDiskFile(disk_, "/w1/Voxwren.xrb", "phone book; Anna");
    ASSERT_TRUE(session.Commit().ok());
    const Members before = WorkingCopies(disk_, "/w1");
    const std::string journal_before = ReadDiskFile(disk_, kJournalPath);

    EditRecord5("record 5 with new marks", '*');
    EXPECT_FALSE(session.CommitWithContainer(kContainer).ok());
    EXPECT_EQ(ReadDiskFile(disk_, kJournalPath), journal_before);
    EXPECT_EQ(StoredContainer(disk_), kOldRecording);

    // The caller puts its line and entry back; the session goes on.
    WriteDiskFile(disk_, "/w1/Voxwren.xrr", before.at("Voxwren.xrr"));
    WriteDiskFile(disk_, "/w1/Voxwren.xri", before.at("Voxwren.xri"));
    refuse = false;
    WriteDiskFile(disk_, "/w1/Voxwren.xrb", "phone book; Anna; Ben");
    ASSERT_TRUE(session.Commit().ok());
    Members expected = before;
    expected["Voxwren.xrb"] = "phone book; Anna; Ben";
    EXPECT_EQ(Restart("/w2"), expected);
    EXPECT_EQ(StoredContainer(disk_), kOldRecording);
}

TEST_F(CommitWithContainerTest, ACommitWhoseContainerNeverReachedTheStoreIsNotPlayedBack) {
    filesystem::FailingFileSystem failing(disk_);
    DurableComponentsOptions options;
    options.put_into_store = [](const std::vector<std::string>&) { return false; };
    DurableComponents session(failing, PlacesIn("/w1"), StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session.Recover().ok());
    WriteDiskFile(disk_, "/w1/Voxwren.xrb", "phone book; Anna");
    ASSERT_TRUE(session.Commit().ok());
    const Members before = WorkingCopies(disk_, "/w1");
    // Nor can the commit be cut off the journal again: it stays last.
    filesystem::FailurePlan plan = filesystem::FailNth(filesystem::kCallTruncate, 1, EIO);
    plan.path_contains = "-changes";
    plan.persistent = true;
    failing.Plan(plan);
    EditRecord5("record 5 with new marks", '*');
    EXPECT_FALSE(session.CommitWithContainer(kContainer).ok());

    // Killed here: the next start leaves the record as it was.
    EXPECT_EQ(Restart("/w2"), before);
    EXPECT_EQ(StoredContainer(disk_), kOldRecording);
    EXPECT_FALSE(disk_.Exists(kJournalPath));
}

TEST_F(CommitWithContainerTest, NoCommitFollowsAContainerCommitThatCouldNotBeWithdrawn) {
    filesystem::FailingFileSystem failing(disk_);
    bool refuse = true;
    DurableComponentsOptions options;
    options.put_into_store = [&](const std::vector<std::string>& members) {
        return !refuse && repository::Engine(disk_).Put(kStorePath, "/w1", members).ok();
    };
    DurableComponents session(failing, PlacesIn("/w1"), StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session.Recover().ok());
    const Members before = WorkingCopies(disk_, "/w1");
    filesystem::FailurePlan plan = filesystem::FailNth(filesystem::kCallTruncate, 1, EIO);
    plan.path_contains = "-changes";
    failing.Plan(plan);
    EditRecord5("record 5 with new marks", '*');
    EXPECT_FALSE(session.CommitWithContainer(kContainer).ok());
    WriteDiskFile(disk_, "/w1/Voxwren.xrr", before.at("Voxwren.xrr"));
    WriteDiskFile(disk_, "/w1/Voxwren.xri", before.at("Voxwren.xri"));

    // The next commit puts the components and ends the journal, so its
    // change cannot be dropped with the unstored container's commit.
    refuse = false;
    WriteDiskFile(disk_, "/w1/Voxwren.xrb", "phone book; Anna");
    ASSERT_TRUE(session.Commit().ok());
    EXPECT_FALSE(session.has_journal());
    EXPECT_EQ(StoredMembers(disk_, "/check"), WorkingCopies(disk_, "/w1"));
    EXPECT_EQ(Restart("/w2"), WorkingCopies(disk_, "/w1"));
}

TEST_F(CommitWithContainerTest, AReaderBetweenTheCommitAndThePutSeesTheRecordAsItWas) {
    const Members before = WorkingCopies(disk_, "/w1");
    Members seen_by_reader;
    DurableComponentsOptions options;
    options.put_into_store = [&](const std::vector<std::string>& members) {
        EXPECT_TRUE(Unpack(disk_, "/r"));
        DurableComponents reader(disk_, PlacesIn("/r"), StoreAccess::kReadOnly);
        EXPECT_TRUE(reader.Recover().ok());
        seen_by_reader = WorkingCopies(disk_, "/r");
        return repository::Engine(disk_).Put(kStorePath, "/w1", members).ok();
    };
    DurableComponents session(disk_, PlacesIn("/w1"), StoreAccess::kReadWrite, options);
    ASSERT_TRUE(session.Recover().ok());
    EditRecord5("record 5 with new marks", '*');
    ASSERT_TRUE(session.CommitWithContainer(kContainer).ok());
    EXPECT_EQ(seen_by_reader, before);
    EXPECT_EQ(StoredContainer(disk_), "record 5 with new marks");
}

TEST_F(CommitWithContainerTest, TwoEditsOfOneRecordInARowBothHoldAfterAKill) {
    auto session =
        std::make_unique<DurableComponents>(disk_, PlacesIn("/w1"), StoreAccess::kReadWrite);
    ASSERT_TRUE(session->Recover().ok());
    EditRecord5("record 5 with new marks", '*');
    ASSERT_TRUE(session->CommitWithContainer(kContainer).ok());
    EditRecord5("record 5 with a picture too", '+');
    ASSERT_TRUE(session->CommitWithContainer(kContainer).ok());
    const Members edited = WorkingCopies(disk_, "/w1");
    session.reset();  // killed: no checkpoint

    // The first commit's container is no longer the store's, yet a commit
    // followed it, so it holds; the second's container is there.
    EXPECT_EQ(Restart("/w2"), edited);
    EXPECT_EQ(StoredContainer(disk_), "record 5 with a picture too");
}

}  // namespace
}  // namespace kivo::recordstore::test

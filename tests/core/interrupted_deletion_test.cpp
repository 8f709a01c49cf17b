// A delete killed at any point leaves the store consistent once the next
// writer has opened it: every record is either listed with its recording or
// gone together with it.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/pending_deletions.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/working_folder.h"
#include "recording_index.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

using test::MakeRecordLog;
using test::RecordFields;
using test::TempDir;

RecordFields Record(int number) {
    RecordFields f;
    f.number = number;
    f.container = "D" + std::to_string(number) + ".xrz";
    return f;
}

struct StoreView {
    bool record_listed = false;
    bool recording_present = false;
};

class InterruptedDeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = test::NewStoreMembers();
        members["Voxwren.xrr"] = MakeRecordLog({Record(1), Record(2)});
        members["D1.xrz"] = "recording one";
        members["D2.xrz"] = "recording two";
        test::MakeStore(store(), members);
    }
    std::filesystem::path store() const { return stores.path() / "KIVO.xrt"; }

    // Opens the store as a writer does: unpacks it, then finishes pending
    // deletions.
    void OpenAsNextWriter() {
        WorkingFolder folder;
        ASSERT_EQ(folder.Create(root.path()), 0);
        DataStoreSession session(folder.path());
        session.set_location({stores.path(), "KIVO"});
        ASSERT_EQ(session.LoadDataStore(), 0);
        EXPECT_TRUE(FinishPendingDeletions(session));
    }

    // The store as the next program sees it: its members, with the changes
    // committed to its journal played back (read only) onto the record log.
    StoreView RecordTwo() const {
        auto members = test::ReadStoreMembers(store());
        WorkingFolder folder;
        EXPECT_EQ(folder.Create(root.path()), 0);
        DataStoreSession reader(folder.path());
        reader.set_location({stores.path(), "KIVO"});
        EXPECT_EQ(reader.LoadDataStore(recordstore::StoreAccess::kReadOnly), 0);
        const std::string log = test::ReadFileText(reader.WorkingPath("Voxwren.xrr").string());
        return {log.find("00000002 0 ") != std::string::npos, members.count("D2.xrz") == 1};
    }

    // Deletes record 2 in a child process that is killed right after step.
    void DeleteKilledAfter(DeletionStep step) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WorkingFolder folder;
            if (folder.Create(root.path()) != 0)
                ::_exit(2);
            DataStoreSession session(folder.path());
            session.set_location({stores.path(), "KIVO"});
            if (session.LoadDataStore() != 0)
                ::_exit(3);
            RecordingIndex index;
            DeletionOptions options;
            options.index = &index;
            options.after_step = [step](DeletionStep reached) {
                if (reached == step)
                    ::raise(SIGKILL);
            };
            SelectedRecord selection[] = {{2, ViewKind::kDictation, "D2.xrz"}};
            DeleteRecords(session, selection, options);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    }

    TempDir root, stores;
};

TEST_F(InterruptedDeletionTest, KilledBeforeTheLogsAreSavedTheRecordStaysWithItsRecording) {
    for (DeletionStep step : {DeletionStep::kRecordingsNoted, DeletionStep::kLogsErased}) {
        DeleteKilledAfter(step);
        EXPECT_TRUE(std::filesystem::exists(PendingDeletionsPath(store())));
        OpenAsNextWriter();
        const StoreView view = RecordTwo();
        EXPECT_TRUE(view.record_listed);
        EXPECT_TRUE(view.recording_present);
        EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(store())));
    }
}

TEST_F(InterruptedDeletionTest, KilledAfterTheLogsAreSavedTheNextWriterRemovesTheRecording) {
    DeleteKilledAfter(DeletionStep::kStoreSaved);
    // The state a killed delete used to leave for good.
    StoreView view = RecordTwo();
    EXPECT_FALSE(view.record_listed);
    EXPECT_TRUE(view.recording_present);

    OpenAsNextWriter();
    view = RecordTwo();
    EXPECT_FALSE(view.record_listed);
    EXPECT_FALSE(view.recording_present);
    EXPECT_EQ(test::ReadStoreMembers(store()).count("D1.xrz"), 1u);
    EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(store())));
}

TEST_F(InterruptedDeletionTest, AFinishedDeleteLeavesNoNote) {
    DeleteKilledAfter(DeletionStep::kFinished);
    EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(store())));
    const StoreView view = RecordTwo();
    EXPECT_FALSE(view.record_listed);
    EXPECT_FALSE(view.recording_present);
}

TEST_F(InterruptedDeletionTest, TheNoteNeverRemovesANamedRecordingOrAStoreComponent) {
    test::WriteFileText(PendingDeletionsPath(store()).string(),
                        "D1.xrz\nVoxwren.xri\n../D2.xrz\nD9.xrz\n");
    EXPECT_EQ(PendingDeletions(store()), (std::vector<std::string>{"D1.xrz", "D9.xrz"}));
    OpenAsNextWriter();
    auto members = test::ReadStoreMembers(store());
    EXPECT_EQ(members.count("D1.xrz"), 1u);  // record 1 still names it
    EXPECT_EQ(members.count("Voxwren.xri"), 1u);
    EXPECT_EQ(members.count("D2.xrz"), 1u);
    EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(store())));
}

// The check looks up only the noted names in the logs and the store; a
// recording counts as named only as the recording field of a live line.
TEST_F(InterruptedDeletionTest, OnlyTheRecordingFieldOfALiveLineInAnyLogKeepsANotedRecording) {
    RecordFields mentions = Record(1);
    mentions.subject = "D3.xrz";  // a name in another field keeps nothing
    RecordFields erased = Record(4);
    erased.number = 99999999;
    auto members = test::NewStoreMembers();
    members["Voxwren.xrr"] = MakeRecordLog({mentions, Record(2), erased});
    members["Voxwren.xrm"] = MakeRecordLog({Record(5)});
    for (const char* name : {"D1.xrz", "D2.xrz", "D3.xrz", "D4.xrz", "D5.xrz", "D33.xrz"})
        members[name] = "recording";
    std::filesystem::remove(store());
    test::MakeStore(store(), members);
    test::WriteFileText(PendingDeletionsPath(store()).string(),
                        "D1.xrz\nD3.xrz\nD4.xrz\nD5.xrz\nD6.xrz\n");
    OpenAsNextWriter();
    auto left = test::ReadStoreMembers(store());
    EXPECT_EQ(left.count("D1.xrz"), 1u);  // the recording of live record 1
    EXPECT_EQ(left.count("D2.xrz"), 1u);  // not noted
    EXPECT_EQ(left.count("D3.xrz"), 0u);  // only in record 1's subject
    EXPECT_EQ(left.count("D4.xrz"), 0u);  // named by an erased line only
    EXPECT_EQ(left.count("D5.xrz"), 1u);  // the recording of a live meeting
    EXPECT_EQ(left.count("D33.xrz"), 1u);
    EXPECT_FALSE(std::filesystem::exists(PendingDeletionsPath(store())));
}

TEST_F(InterruptedDeletionTest, TheNoteLiesBesideTheRealFileWhateverNameTheStoreIsOpenedBy) {
    const auto link = root.path() / "link.xrt";
    std::filesystem::create_symlink(store(), link);
    const std::string names[] = {"D2.xrz"};
    ASSERT_TRUE(NotePendingDeletions(link, names));
    EXPECT_EQ(PendingDeletionsPath(link), PendingDeletionsPath(store()));
    EXPECT_EQ(PendingDeletionsPath(store()).parent_path(), stores.path());
    EXPECT_EQ(PendingDeletions(store()), (std::vector<std::string>{"D2.xrz"}));
}

}  // namespace
}  // namespace kivo::core

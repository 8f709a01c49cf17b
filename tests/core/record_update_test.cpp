// Updating a stored record: what reaches the record log, the container, the
// index and the data store; a store that refuses the update; and an updater
// whose store is no longer the open one.
#include "kivo/core/record_update.h"
#include "kivo/filesystem/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "committed_store.h"
#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/store_operation.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_save.h"
#include "kivo/recordstore/recording_container.h"
#include "store_fixture.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace kivo::core {
namespace {

namespace fs = std::filesystem;
using recordstore::IndexRecord;
using recordstore::RecordLine;
using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

RecordLine Line(int number, const std::string& subject, const std::string& kind = "0") {
    recordstore::RecordFields fields;
    fields.record_number = number;
    fields.kind_code = kind;
    fields.text_a = "0";
    fields.subject = subject;
    fields.container_name = "D" + std::to_string(number) + ".xrz";
    fields.start_date = fields.end_date = "01/02/2024";
    fields.start_time = "10:00:00";
    fields.end_time = "10:01:00";
    fields.duration = "00:01:00";
    RecordLine line;
    EXPECT_TRUE(RecordLine::Parse(RecordLine::BuildRewrite(fields).bytes, &line).ok());
    return line;
}

IndexRecord Entry(int number, const std::string& keywords) {
    IndexRecord entry;
    entry.record_number = number;
    entry.kind_code = "0";
    entry.start_date = "01/02/2024";
    entry.keywords = keywords;
    entry.mark_comments = " ";
    return entry;
}

// A live member of a repository file, as stored; empty when it has none.
std::string Member(const fs::path& repository, const std::string& name) {
    return test::ReadStoreMembers(repository)[name];
}

// A data store open in a session, holding records saved the way the
// recorders save them.
class RecordUpdateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(session.New(stores.path() / "KIVO.xrt"), 0); }

    fs::path Working(const std::string& name) const { return session.WorkingPath(name); }
    std::string StoreBytes() const { return ReadFileText(session.store_path().string()); }
    // A component as committed: the store with its component journal.
    std::string Committed(const std::string& name) const {
        return test::ReadCommittedComponents(session.store_path())[name];
    }

    // A container member of the record as the store holds it.
    std::string StoredInContainer(int number, const std::string& extension) {
        TempDir scratch;
        const std::string container = "D" + std::to_string(number) + ".xrz";
        const char* names[] = {container.c_str()};
        if (RPS_Get(session.store_path().c_str(), scratch.path().c_str(), names, 1) != nullptr)
            return {};
        return Member(scratch.file(container), "D" + std::to_string(number) + extension);
    }

    // Saves a record (its media a few bytes the codec keeps as they are)
    // with an index entry, as the recorders do: under the store's writer
    // lock, the container into the store and the log and index into the
    // component journal. Leaves nothing of it in the working folder.
    void SaveRecord(int number, const std::string& picture_extension = "") {
        StoreOperation operation(session);
        ASSERT_TRUE(operation.ok()) << operation.refusal();
        const std::string base = "D" + std::to_string(number);
        WriteFileText(Working(base + ".xrw").string(), "media of record " + base);
        ASSERT_TRUE(
            Line(number, "subject " + base).WriteFile(Working(base + ".xrl").string()).ok());
        const std::vector<recordstore::IndexMark> marks = {
            recordstore::MakeIndexMark("00:00:01", "mark of " + base)};
        ASSERT_TRUE(recordstore::WriteIndexMarkFile(Working(base + ".xrs").string(), marks).ok());
        recordstore::RecordSaveRequest request;
        request.media = base + ".xrw";
        request.record_line = base + ".xrl";
        request.index_marks = base + ".xrs";
        if (!picture_extension.empty()) {
            WriteFileText(Working(base + picture_extension).string(), "picture of " + base);
            request.extras = {base + picture_extension};
        }
        request.working_folder = session.working_folder().string();
        request.store_path = session.store_path().string();
        request.stamp = std::to_string(number);
        request.container_only = true;
        request.put_into_store = [this](const std::vector<std::string>& members) {
            return session.store_access().Put(session.store_path().string(),
                                              session.working_folder().string(), members);
        };
        const recordstore::RecordSaveResult saved =
            recordstore::RecordSaver(filesystem::DefaultFileSystem()).Save(request);
        ASSERT_TRUE(saved.ok()) << saved.error;
        IndexRecord entry = Entry(number, "keywords of " + base);
        entry.line_position = static_cast<std::int64_t>(saved.line_offset);
        ASSERT_TRUE(Index().Put(entry).ok());
        ASSERT_EQ(session.CommitChanges(), kStoreOk);
        for (const char* extension : {".xrw", ".xrl", ".xrs", ".xrz", ".GIF", ".JPG"})
            fs::remove(Working(base + extension));
    }

    // What an editor does first: the container, its line and marks into the
    // working folder.
    void OpenRecord(int number) {
        const recordstore::RecordingContainer container("D" + std::to_string(number) + ".xrz",
                                                        recordstore::MediaKind::kAudio);
        ASSERT_EQ(container.OpenFromStore(
                      session.working_folder().string(), session.store_path().string(),
                      static_cast<int>(recordstore::MemberSelector::kLineAndMarks)),
                  recordstore::ContainerResult::kDone);
    }

    // Writes the record log as a save of the records would have left it.
    void SetLog(const std::string& bytes) {
        WriteFileText(Working("Voxwren.xrr").string(), bytes);
        const char* names[] = {"Voxwren.xrr"};
        ASSERT_EQ(RPS_Put(session.store_path().c_str(), session.working_folder().c_str(), names, 1),
                  nullptr);
    }

    // Replaces the record's line alone, as the line's own change.
    RecordUpdateResult UpdateLine(const RecordLine& line) {
        RecordChange change;
        change.line = line;
        return RecordUpdater(session).Update(change);
    }

    // The names in the working folder, sorted: an update leaves no file of
    // its own behind.
    std::vector<std::string> WorkingFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(session.working_folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    recordstore::RecordIndex Index() const {
        return recordstore::RecordIndex(Working("Voxwren.xri").string());
    }
    IndexRecord IndexedEntry(int number) const {
        IndexRecord entry;
        EXPECT_TRUE(Index().Get(number, &entry).ok());
        return entry;
    }

    TempDir root, stores;
    DataStoreSession session{root.path()};
};

TEST_F(RecordUpdateTest, AnEditOfTheLineAloneReplacesItInPlaceInLogContainerAndStore) {
    SaveRecord(1);
    SaveRecord(2);
    SaveRecord(3);
    const std::string log_before = ReadFileText(Working("Voxwren.xrr").string());
    const std::string media_before = StoredInContainer(2, ".xrw");
    OpenRecord(2);

    RecordChange change;
    change.container_name = "D2.xrz";
    change.line = Line(2, "an edited subject");
    const RecordUpdateResult result = RecordUpdater(session).Update(change);

    ASSERT_TRUE(result.ok()) << RecordUpdateStatusText(result.status) << ": " << result.detail;
    EXPECT_EQ(result.line_offset_bytes, 802u);
    const std::string log_after = ReadFileText(Working("Voxwren.xrr").string());
    EXPECT_EQ(log_after,
              log_before.substr(0, 802) + change.line->bytes() + log_before.substr(1203));
    EXPECT_EQ(Committed("Voxwren.xrr"), log_after);
    EXPECT_EQ(StoredInContainer(2, ".xrl"), change.line->bytes());
    EXPECT_EQ(StoredInContainer(2, ".xrw"), media_before);
    // Without an entry in the change, the index keeps what it had.
    EXPECT_EQ(IndexedEntry(2).keywords, "keywords of D2");
}

TEST_F(RecordUpdateTest, AnEditThatChangesTheContainerStoresItAndCommitsLogAndIndex) {
    SaveRecord(4, ".GIF");
    const std::string media_before = StoredInContainer(4, ".xrw");
    OpenRecord(4);
    WriteFileText(Working("D4.JPG").string(), "a new picture");
    const std::vector<recordstore::IndexMark> marks = {
        recordstore::MakeIndexMark("00:00:09", "new")};
    ASSERT_TRUE(recordstore::WriteIndexMarkFile(Working("D4.xrs").string(), marks).ok());

    RecordChange change;
    change.container_name = "D4.xrz";
    change.line = Line(4, "with a new picture");
    change.removed_members = {"D4.GIF"};
    change.changed_members = {"D4.xrs", "D4.JPG"};
    change.index_entry = Entry(4, "new keywords");
    change.index_entry->line_position = 12345;  // the update puts the line's place
    const RecordUpdateResult result = RecordUpdater(session).Update(change);

    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(StoredInContainer(4, ".GIF"), "");
    EXPECT_EQ(StoredInContainer(4, ".JPG"), "a new picture");
    EXPECT_EQ(StoredInContainer(4, ".xrs"), ReadFileText(Working("D4.xrs").string()));
    EXPECT_EQ(StoredInContainer(4, ".xrl"), change.line->bytes());
    EXPECT_EQ(StoredInContainer(4, ".xrw"), media_before);
    const IndexRecord indexed = IndexedEntry(4);
    EXPECT_EQ(indexed.keywords, "new keywords");
    EXPECT_EQ(indexed.line_position, 401);
    // The index was committed with the record.
    EXPECT_EQ(Committed("Voxwren.xri"), ReadFileText(Working("Voxwren.xri").string()));
    EXPECT_EQ(Committed("Voxwren.xrr").substr(401, 401), change.line->bytes());
}

TEST_F(RecordUpdateTest, AnEditWhoseContainerNeverReachedTheStoreIsAbsentAtTheNextStart) {
    SaveRecord(4);
    OpenRecord(4);
    // The container as stored before the edit.
    TempDir before;
    const char* names[] = {"D4.xrz"};
    ASSERT_EQ(RPS_Get(session.store_path().c_str(), before.path().c_str(), names, 1), nullptr);
    const std::string log_before = Committed("Voxwren.xrr");

    RecordChange change;
    change.container_name = "D4.xrz";
    change.line = Line(4, "edited, new marks");
    change.changed_members = {"D4.xrs"};
    change.index_entry = Entry(4, "edited keywords");
    ASSERT_TRUE(RecordUpdater(session).Update(change).ok());
    // The machine stopped after the commit, before the container's put: the
    // store holds the container from before.
    ASSERT_EQ(RPS_Put(session.store_path().c_str(), before.path().c_str(), names, 1), nullptr);

    TempDir next_root;
    DataStoreSession next{next_root.path()};
    ASSERT_EQ(next.Open(session.store_path()), kStoreOk);
    EXPECT_EQ(ReadFileText(next.WorkingPath("Voxwren.xrr").string()), log_before);
    IndexRecord entry;
    ASSERT_TRUE(
        recordstore::RecordIndex(next.WorkingPath("Voxwren.xri").string()).Get(4, &entry).ok());
    EXPECT_EQ(entry.keywords, "keywords of D4");
    EXPECT_FALSE(fs::exists(next.JournalPath()));
}

TEST_F(RecordUpdateTest, AnEditWhoseContainerReachedTheStoreIsCompleteAtTheNextStart) {
    SaveRecord(4);
    OpenRecord(4);
    RecordChange change;
    change.container_name = "D4.xrz";
    change.line = Line(4, "edited, new marks");
    change.changed_members = {"D4.xrs"};
    change.index_entry = Entry(4, "edited keywords");
    ASSERT_TRUE(RecordUpdater(session).Update(change).ok());
    const std::string log_after = ReadFileText(Working("Voxwren.xrr").string());

    // Killed: no checkpoint; the next start plays the commit back.
    TempDir next_root;
    DataStoreSession next{next_root.path()};
    ASSERT_EQ(next.Open(session.store_path()), kStoreOk);
    EXPECT_EQ(ReadFileText(next.WorkingPath("Voxwren.xrr").string()), log_after);
    IndexRecord entry;
    ASSERT_TRUE(
        recordstore::RecordIndex(next.WorkingPath("Voxwren.xri").string()).Get(4, &entry).ok());
    EXPECT_EQ(entry.keywords, "edited keywords");
    EXPECT_EQ(StoredInContainer(4, ".xrl"), change.line->bytes());
}

TEST_F(RecordUpdateTest, AStoreThatRefusesTheUpdateLeavesLogIndexAndStoreAsTheyWere) {
    SaveRecord(5);
    OpenRecord(5);
    const std::string store_before = StoreBytes();
    const std::string log_before = ReadFileText(Working("Voxwren.xrr").string());
    const IndexRecord entry_before = IndexedEntry(5);
    const std::vector<std::string> files_before = WorkingFiles();

    RecordChange change;
    change.container_name = "D5.xrz";
    change.line = Line(5, "never stored");
    change.changed_members = {"D5.xrs"};
    change.index_entry = Entry(5, "never indexed");
    RecordUpdateResult result;
    {
        // Another writer holds the store.
        const int held = ::open(session.store_path().c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        result = RecordUpdater(session).Update(change);
        ::close(held);
    }

    EXPECT_EQ(result.status, RecordUpdateStatus::kStoreFailed);
    EXPECT_FALSE(result.stored());
    EXPECT_TRUE(StoreBytes() == store_before);
    EXPECT_EQ(ReadFileText(Working("Voxwren.xrr").string()), log_before);
    const IndexRecord entry_after = IndexedEntry(5);
    EXPECT_EQ(entry_after.keywords, entry_before.keywords);
    EXPECT_EQ(entry_after.line_position, entry_before.line_position);
    EXPECT_EQ(WorkingFiles(), files_before);
}

TEST_F(RecordUpdateTest, AnUpdaterWhoseStoreIsNoLongerOpenWritesNothing) {
    SaveRecord(6);
    OpenRecord(6);
    const fs::path first = session.store_path();
    const fs::path other = stores.path() / "Other.xrt";
    const RecordUpdater bound_to_first(session);
    EXPECT_TRUE(bound_to_first.bound());
    RecordChange change;
    change.container_name = "D6.xrz";
    change.line = Line(6, "written into the wrong store");
    change.index_entry = Entry(6, "wrong");

    // File > New while the record's dialog stays open (the switch itself
    // saves the first store).
    ASSERT_EQ(session.New(other), 0);
    std::string first_bytes = ReadFileText(first.string());
    std::string other_bytes = ReadFileText(other.string());
    EXPECT_FALSE(bound_to_first.bound());
    EXPECT_EQ(bound_to_first.Update(change).status, RecordUpdateStatus::kNotBound);
    EXPECT_TRUE(ReadFileText(first.string()) == first_bytes);
    EXPECT_TRUE(ReadFileText(other.string()) == other_bytes);

    // Opening the first store again does not bind the dialog to it anew: its
    // working copies were replaced meanwhile.
    ASSERT_EQ(session.Open(first), 0);
    first_bytes = ReadFileText(first.string());
    other_bytes = ReadFileText(other.string());
    EXPECT_FALSE(bound_to_first.bound());
    EXPECT_EQ(bound_to_first.Update(change).status, RecordUpdateStatus::kNotBound);
    EXPECT_TRUE(ReadFileText(first.string()) == first_bytes);
    EXPECT_TRUE(ReadFileText(other.string()) == other_bytes);
}

TEST_F(RecordUpdateTest, ChangesThatCannotBeWrittenLeaveTheStoreUntouched) {
    SaveRecord(7);
    const std::string store_before = StoreBytes();
    const std::string log_before = ReadFileText(Working("Voxwren.xrr").string());
    const std::vector<std::string> files_before = WorkingFiles();
    struct Case {
        const char* what;
        RecordChange change;
        RecordUpdateStatus expected;
    };
    RecordChange absent, erased, header, no_log, other_entry, nothing, container_not_opened;
    absent.line = Line(8, "not in the log");
    erased.line = Line(recordstore::kErasedRecordNumber, "erased");
    header.line.emplace();
    ASSERT_TRUE(RecordLine::Parse(RecordLine::HeaderLine(), &*header.line).ok());
    no_log.line = Line(7, "kind without a log", "7");
    other_entry.line = Line(7, "x");
    other_entry.index_entry = Entry(9, "x");
    // Its container was never extracted: a new one would hold only the marks.
    WriteFileText(Working("D7.xrs").string(), "");
    container_not_opened.container_name = "D7.xrz";
    container_not_opened.changed_members = {"D7.xrs"};
    const Case cases[] = {
        {"record not in its log", absent, RecordUpdateStatus::kRecordNotFound},
        {"erased record number", erased, RecordUpdateStatus::kInvalidChange},
        {"the log's header line", header, RecordUpdateStatus::kInvalidChange},
        {"kind without a record log", no_log, RecordUpdateStatus::kInvalidChange},
        {"index entry of another record", other_entry, RecordUpdateStatus::kInvalidChange},
        {"nothing to store", nothing, RecordUpdateStatus::kInvalidChange},
        {"container not in the working folder", container_not_opened,
         RecordUpdateStatus::kContainerFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RecordUpdateResult result = RecordUpdater(session).Update(c.change);
        EXPECT_EQ(result.status, c.expected);
        EXPECT_FALSE(result.stored());
        EXPECT_TRUE(StoreBytes() == store_before);
        EXPECT_EQ(ReadFileText(Working("Voxwren.xrr").string()), log_before);
    }
    // The container case wrote its line member, which the case itself brought.
    std::vector<std::string> files_after = WorkingFiles();
    std::erase(files_after, "D7.xrs");
    std::erase(files_after, "D7.xrl");
    EXPECT_EQ(files_after, files_before);
}

TEST_F(RecordUpdateTest, AMissingRecordLogIsRefusedAndNothingStored) {
    SaveRecord(10);
    const std::string store_before = StoreBytes();
    fs::remove(Working("Voxwren.xrr"));

    const RecordUpdateResult result = UpdateLine(Line(10, "no log to go to"));

    EXPECT_EQ(result.status, RecordUpdateStatus::kLogUnusable);
    EXPECT_TRUE(StoreBytes() == store_before);
    EXPECT_FALSE(fs::exists(Working("Voxwren.xrr")));
}

TEST_F(RecordUpdateTest, ErasedLinesAndATornTailStayWhereTheyAre) {
    std::string erased = "99999999 ";
    erased.resize(400, '#');
    erased += '\n';
    const std::string tail(100, 'x');
    SetLog(RecordLine::HeaderLine() + erased + Line(5, "five").bytes() + tail);

    const RecordUpdateResult result = UpdateLine(Line(5, "new"));

    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(result.line_offset_bytes, 802u);
    const std::string after = ReadFileText(Working("Voxwren.xrr").string());
    EXPECT_EQ(after, RecordLine::HeaderLine() + erased + Line(5, "new").bytes() + tail);
    EXPECT_EQ(Committed("Voxwren.xrr"), after);
}

TEST_F(RecordUpdateTest, ARecordAtTheStartOfAHeaderlessLogIsReplacedAtOffsetZero) {
    SetLog(Line(7, "first").bytes() + Line(8, "second").bytes());

    const RecordUpdateResult result = UpdateLine(Line(7, "changed"));

    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(result.line_offset_bytes, 0u);
    EXPECT_EQ(ReadFileText(Working("Voxwren.xrr").string()),
              Line(7, "changed").bytes() + Line(8, "second").bytes());
}

TEST_F(RecordUpdateTest, ALineFarIntoALongLogIsFoundAndOnlyItChanges) {
    std::string before = RecordLine::HeaderLine();
    for (int number = 1; number <= 600; ++number)
        before += Line(number, "r").bytes();
    SetLog(before);

    const RecordUpdateResult result = UpdateLine(Line(400, "late"));

    ASSERT_TRUE(result.ok()) << result.detail;
    EXPECT_EQ(result.line_offset_bytes, 400u * 401u);
    const std::string after = ReadFileText(Working("Voxwren.xrr").string());
    EXPECT_TRUE(after ==
                before.substr(0, 400 * 401) + Line(400, "late").bytes() + before.substr(401 * 401));
}

TEST_F(RecordUpdateTest, AReplacedLineLeavesTheLogsPermissionsAsTheyWere) {
    SetLog(RecordLine::HeaderLine() + Line(1, "one").bytes());
    ASSERT_EQ(::chmod(Working("Voxwren.xrr").c_str(), 0640), 0);

    ASSERT_TRUE(UpdateLine(Line(1, "two")).ok());

    struct stat st {};
    ASSERT_EQ(::stat(Working("Voxwren.xrr").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace kivo::core

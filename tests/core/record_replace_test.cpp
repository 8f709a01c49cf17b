// Replacing an edited record's line: the line changes in place in the working
// log and in the data store, every other byte stays, and every failure leaves
// the log as it was with no temporary file behind.
#include "kivo/core/record_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "file_bytes.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_line.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace kivo::core {
namespace {

namespace fs = std::filesystem;
using recordstore::RecordLine;
using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

std::string Line(int number, const std::string& subject) {
    recordstore::RecordFields fields;
    fields.record_number = number;
    fields.kind_code = "0";
    fields.text_a = "0";
    fields.subject = subject;
    fields.container_name = "D" + std::to_string(number) + ".xrz";
    fields.start_date = fields.end_date = "01/02/2024";
    fields.start_time = "10:00:00";
    fields.end_time = "10:01:00";
    fields.duration = "00:01:00";
    const recordstore::RecordLineBuild built = RecordLine::BuildRewrite(fields);
    EXPECT_TRUE(built.status.ok());
    return built.bytes;
}

std::string StoredMember(const fs::path& store, const std::string& name) {
    TempDir scratch;
    const char* names[] = {name.c_str()};
    if (RPS_Get(store.c_str(), scratch.path().c_str(), names, 1) != nullptr)
        return {};
    return ReadFileText(scratch.file(name));
}

// A data store built by the record store library, unpacked into a working
// folder, whose message log then holds the given lines.
class RecordReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(resources.file("00001.wav"), "greeting");
        WriteFileText(resources.file("00002.wav"), "warning");
        const recordstore::NewDataStore request{stores.path().string(), "Test",
                                                working.path().string(), resources.path().string()};
        ASSERT_EQ(recordstore::DataStore::Build(request), recordstore::BuildResult::kBuilt);
        store = stores.path() / "Test.xrt";
        ASSERT_EQ(RPS_GetAll(store.c_str(), working.path().c_str()), nullptr);
        log = working.path() / "Voxwren.xrr";
    }

    // Writes the log and stores it, as a save of the records would have.
    void SetLog(const std::string& bytes) {
        WriteFileText(log.string(), bytes);
        const char* names[] = {"Voxwren.xrr"};
        ASSERT_EQ(RPS_Put(store.c_str(), working.path().c_str(), names, 1), nullptr);
    }

    // Each request has a record file of its own.
    core::RecordReplaceRequest Request(int number, const std::string& line) {
        const std::string name = "D" + std::to_string(++files) + ".xrl";
        WriteFileText(working.file(name), line);
        return {working.path() / name, number, log, store, working.path()};
    }

    void ExpectNoTemporaryFiles() {
        EXPECT_FALSE(fs::exists(working.path() / "templog.tmp"));
        EXPECT_FALSE(fs::exists(working.path() / "templog.old"));
    }

    TempDir stores, working, resources;
    fs::path store, log;
    int files = 0;
};

TEST_F(RecordReplaceTest, EditedLineTakesItsPlaceInTheLogAndTheStore) {
    const std::string before =
        RecordLine::HeaderLine() + Line(1, "one") + Line(2, "two") + Line(3, "three");
    SetLog(before);
    const std::string edited = Line(2, "two edited with spaces");

    const core::RecordReplaceResult result = core::ReplaceRecordLine(Request(2, edited));

    ASSERT_TRUE(result.ok()) << core::RecordReplaceStatusText(result.status);
    EXPECT_EQ(result.offset_bytes, 802u);
    const std::string after = ReadFileText(log.string());
    EXPECT_EQ(after, before.substr(0, 802) + edited + before.substr(1203));
    EXPECT_EQ(StoredMember(store, "Voxwren.xrr"), after);
    ExpectNoTemporaryFiles();
}

TEST_F(RecordReplaceTest, ErasedLinesAndATornTailAreCopiedUnchanged) {
    std::string erased = "99999999 ";
    erased.resize(400, '#');
    erased += '\n';
    const std::string tail(100, 'x');
    const std::string before = RecordLine::HeaderLine() + erased + Line(5, "five") + tail;
    SetLog(before);

    const core::RecordReplaceResult result = core::ReplaceRecordLine(Request(5, Line(5, "new")));

    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.offset_bytes, 802u);
    EXPECT_EQ(ReadFileText(log.string()),
              RecordLine::HeaderLine() + erased + Line(5, "new") + tail);
}

TEST_F(RecordReplaceTest, RecordAtTheStartOfAHeaderlessLogIsASuccessAtOffsetZero) {
    SetLog(Line(7, "first") + Line(8, "second"));

    const core::RecordReplaceResult result =
        core::ReplaceRecordLine(Request(7, Line(7, "changed")));

    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.offset_bytes, 0u);
    EXPECT_EQ(ReadFileText(log.string()), Line(7, "changed") + Line(8, "second"));
}

TEST_F(RecordReplaceTest, LinesBeyondTheFirstBlockAreFound) {
    std::string before = RecordLine::HeaderLine();
    for (int number = 1; number <= 600; ++number)
        before += Line(number, "r");
    SetLog(before);

    const core::RecordReplaceResult result =
        core::ReplaceRecordLine(Request(400, Line(400, "late")));

    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.offset_bytes, 400u * 401u);
    const std::string after = ReadFileText(log.string());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(400 * 401, 401), Line(400, "late"));
}

TEST_F(RecordReplaceTest, RefusalsLeaveLogAndStoreAsTheyWere) {
    const std::string before = RecordLine::HeaderLine() + Line(1, "one") + Line(2, "two");
    SetLog(before);

    struct Case {
        const char* what;
        core::RecordReplaceRequest request;
        core::RecordReplaceStatus expected;
    };
    core::RecordReplaceRequest missing_file = Request(2, Line(2, "x"));
    missing_file.record_file = working.path() / "absent.xrl";
    core::RecordReplaceRequest missing_log = Request(2, Line(2, "x"));
    missing_log.record_log = working.path() / "Voxwren.none";
    const Case cases[] = {
        {"number not in the log", Request(3, Line(3, "x")),
         core::RecordReplaceStatus::kRecordNotFound},
        {"line of another record", Request(2, Line(1, "x")),
         core::RecordReplaceStatus::kRecordFileUnusable},
        {"short record file", Request(2, Line(2, "x").substr(0, 300)),
         core::RecordReplaceStatus::kRecordFileUnusable},
        {"header number", Request(0, RecordLine::HeaderLine()),
         core::RecordReplaceStatus::kInvalidRecordNumber},
        {"erased number", Request(99999999, Line(2, "x")),
         core::RecordReplaceStatus::kInvalidRecordNumber},
        {"missing record file", missing_file, core::RecordReplaceStatus::kRecordFileUnusable},
        {"missing log", missing_log, core::RecordReplaceStatus::kLogUnreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const core::RecordReplaceResult result = core::ReplaceRecordLine(c.request);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.status, c.expected);
        EXPECT_EQ(ReadFileText(log.string()), before);
        EXPECT_EQ(StoredMember(store, "Voxwren.xrr"), before);
        ExpectNoTemporaryFiles();
    }
}

TEST_F(RecordReplaceTest, StoreThatRefusesTheLogGetsThePreviousLogBack) {
    const std::string before = RecordLine::HeaderLine() + Line(1, "one");
    SetLog(before);
    core::RecordReplaceRequest request = Request(1, Line(1, "changed"));
    request.store_path = stores.path() / "not-a-store.xrt";
    WriteFileText(request.store_path.string(), "this is not a repository");

    const core::RecordReplaceResult result = core::ReplaceRecordLine(request);

    EXPECT_EQ(result.status, core::RecordReplaceStatus::kStoreFailed);
    EXPECT_EQ(ReadFileText(log.string()), before);
    EXPECT_EQ(StoredMember(store, "Voxwren.xrr"), before);
    ExpectNoTemporaryFiles();
}

TEST_F(RecordReplaceTest, ReplacedLogKeepsItsPermissions) {
    SetLog(RecordLine::HeaderLine() + Line(1, "one"));
    ASSERT_EQ(::chmod(log.c_str(), 0640), 0);

    ASSERT_TRUE(core::ReplaceRecordLine(Request(1, Line(1, "two"))).ok());

    struct stat st {};
    ASSERT_EQ(::stat(log.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace kivo::core

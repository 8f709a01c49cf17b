// Recording files from disk: a good one becomes a record with its keywords;
// hostile or damaged ones are refused alone, write nothing outside the
// working folder, leave no half record, and the file itself is never changed.
#include "kivo/exchange/import_recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "file_bytes.h"
#include "import_fixture.h"
#include "kivo/exchange/import_message_files.h"
#include "kivo/exchange/import_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/store_repository.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using test::SampleRecord;
using test::TestStore;

class RecordingImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SampleRecord record;
        record.subject = "Message for Ann";
        record.samples = test::DistinctSamples(7);
        record.marks = {
            recordstore::MakeIndexMark("00:00:01", "start", recordstore::IndexMarkType::kUser)};
        const std::int32_t number = sender_.Save(record);
        container_ = sender_.Lines().at(number).FieldText(7);
        recordstore::Repository store(filesystem::DefaultFileSystem(),
                                      sender_.store_path().string());
        ASSERT_TRUE(store.Get(mail_.path().string(), {container_}));
        base_ = container_.substr(0, container_.size() - 4);
    }

    std::string Mailed() const { return mail_.file(container_); }

    // Adds files of the mail folder to the mailed recording.
    void AddMembers(const std::vector<std::pair<std::string, std::string>>& members) {
        std::vector<std::string> names;
        for (const auto& [name, text] : members) {
            test::WriteFileText(mail_.file(name), text);
            names.push_back(name);
        }
        recordstore::Repository recording(filesystem::DefaultFileSystem(), Mailed());
        ASSERT_TRUE(recording.Put(mail_.path().string(), names));
        for (const std::string& name : names)
            fs::remove(mail_.path() / name);
    }

    // Renames members inside the file's bytes (names of equal length), as a
    // hostile sender would.
    void RenameInBytes(const std::string& from, const std::string& to) {
        ASSERT_EQ(from.size(), to.size());
        test::Bytes bytes = test::ReadFileBytes(Mailed());
        for (auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
             at != bytes.end(); at = std::search(at, bytes.end(), from.begin(), from.end()))
            at = std::copy(to.begin(), to.end(), at);
        test::WriteFileBytes(Mailed(), bytes);
    }

    // The import fails with message and leaves the receiver as it was.
    void ExpectRefusedWithoutTrace(int message) {
        const std::string mailed_bytes = test::ReadFileText(Mailed());
        const auto members_before = receiver_.MemberNames();
        const auto work_before = test::FilesUnder(receiver_.working_folder());
        const auto around_before = test::FilesUnder(receiver_.folder());
        const RecordingImportResult result = RecordingImport(receiver_.target()).Import(Mailed());
        EXPECT_EQ(result.message, message) << result.reason;
        EXPECT_FALSE(result.stored);
        EXPECT_FALSE(result.reason.empty());
        EXPECT_TRUE(receiver_.Lines().empty());
        EXPECT_EQ(receiver_.MemberNames(), members_before);
        EXPECT_EQ(test::FilesUnder(receiver_.working_folder()), work_before);
        EXPECT_EQ(test::FilesUnder(receiver_.folder()), around_before);
        EXPECT_EQ(test::ReadFileText(Mailed()), mailed_bytes);
        EXPECT_EQ(receiver_.profile().Find("anna", "RecID"), std::nullopt);
    }

    TestStore sender_{"Sender"};
    TestStore receiver_{"Mine"};
    test::TempDir mail_;
    std::string container_;
    std::string base_;
};

TEST_F(RecordingImportTest, AMailedRecordingBecomesARecordWithTheKeywordsItCarries) {
    AddMembers({{base_ + ".xrk", std::string("budget plans") + std::string(20, '\0')}});
    const std::string mailed_bytes = test::ReadFileText(Mailed());
    const RecordingImportResult result = RecordingImport(receiver_.target()).Import(Mailed());
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(result.record_number, 1);
    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const SampleRecord got = receiver_.ReadBack(lines.at(1));
    EXPECT_EQ(got.subject, "Message for Ann");
    EXPECT_EQ(got.samples, test::DistinctSamples(7));
    EXPECT_EQ(got.keywords, "budget plans");
    ASSERT_EQ(got.marks.size(), 1u);
    EXPECT_EQ(got.marks[0].comment, "start");
    EXPECT_EQ(test::ReadFileText(Mailed()), mailed_bytes);
}

TEST_F(RecordingImportTest, DotDotAndAbsoluteMemberNamesAreRefusedAndNothingLandsOutside) {
    const std::string escape = "../../import-evil.txt";
    const std::string absolute = "/tmp/kivo-import-evil";
    AddMembers({{std::string(escape.size(), 'q'), "hostile"},
                {std::string(absolute.size(), 'w'), "hostile"}});
    RenameInBytes(std::string(escape.size(), 'q'), escape);
    RenameInBytes(std::string(absolute.size(), 'w'), absolute);
    ExpectRefusedWithoutTrace(kMessageUnreadableRecording);
    EXPECT_FALSE(fs::exists(receiver_.folder().parent_path() / "import-evil.txt"));
    EXPECT_FALSE(fs::exists(receiver_.working_folder().parent_path() / "import-evil.txt"));
    EXPECT_FALSE(fs::exists(absolute));
}

TEST_F(RecordingImportTest, AKeywordsMemberFarLargerThanKeywordsCanBeIsRefused) {
    AddMembers({{base_ + ".xrk", std::string(200 * 1024, 'k')}});
    ExpectRefusedWithoutTrace(kMessageUnreadableRecording);
}

TEST_F(RecordingImportTest, ARecordingWithMoreMembersThanARecordHasIsRefused) {
    std::vector<std::pair<std::string, std::string>> extra;
    for (int i = 0; i < 9; ++i)
        extra.emplace_back("note" + std::to_string(i) + ".txt", "n");
    AddMembers(extra);
    ExpectRefusedWithoutTrace(kMessageUnreadableRecording);
}

TEST_F(RecordingImportTest, AMemberClaimingMoreBytesThanTheFileHoldsIsRefused) {
    // The declared size of the first member, in the directory at the end,
    // grows far past the file: the file is truncated instead, so the last
    // member runs past it.
    test::TruncateBy(Mailed(), 200);
    ExpectRefusedWithoutTrace(kMessageUnreadableRecording);
}

TEST_F(RecordingImportTest, ARecordingWithoutARecordLineIsReportedWith115) {
    recordstore::Repository recording(filesystem::DefaultFileSystem(), Mailed());
    ASSERT_TRUE(recording.Delete({base_ + ".xrl"}));
    ExpectRefusedWithoutTrace(kMessageIncompleteRecording);
}

TEST_F(RecordingImportTest, AFileThatIsNoRecordingIsReportedWith114) {
    test::WriteFileText(Mailed(), std::string(5000, 'x'));
    ExpectRefusedWithoutTrace(kMessageUnreadableRecording);
}

TEST_F(RecordingImportTest, AVideoRecordLineInAnAudioFileIsRefused) {
    recordstore::RecordLine line;
    test::TempDir scratch;
    recordstore::Repository recording(filesystem::DefaultFileSystem(), Mailed());
    ASSERT_TRUE(recording.Get(scratch.path().string(), {base_ + ".xrl"}));
    ASSERT_TRUE(recordstore::RecordLine::ReadFile(scratch.file(base_ + ".xrl"), &line).ok());
    recordstore::RecordFields fields = line.Fields();
    fields.kind_code = "9";
    recordstore::RecordLine video;
    ASSERT_TRUE(
        recordstore::RecordLine::Parse(recordstore::RecordLine::Build(fields).bytes, &video).ok());
    ASSERT_TRUE(video.WriteFile(scratch.file(base_ + ".xrl")).ok());
    ASSERT_TRUE(recording.Put(scratch.path().string(), {base_ + ".xrl"}));
    ExpectRefusedWithoutTrace(kMessageIncompleteRecording);
}

TEST_F(RecordingImportTest, SeveralFilesAreCountedForTheSummary) {
    const std::string copy = mail_.file("Copy.xrz");
    fs::copy_file(Mailed(), copy);
    test::WriteFileText(mail_.file("Broken.xrz"), "broken");
    const MessageFilesImport import =
        ImportMessageFiles(receiver_.target(), {Mailed(), mail_.file("Broken.xrz"), copy});
    EXPECT_EQ(import.imported(), 2u);
    EXPECT_EQ(import.SummaryText(), "2 of 3 Kivo files successfully imported.");
    EXPECT_EQ(import.outcomes[1].result.message, kMessageUnreadableRecording);
    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines.count(1), 1u);
    EXPECT_EQ(lines.count(2), 1u);
}

TEST(ImportMessageChoice, EachSourceShowsOnlyItsOwnFailures) {
    EXPECT_TRUE(ShowsImportMessage(kMessageUnreadableRecording, ImportSource::kFile));
    EXPECT_FALSE(ShowsImportMessage(kMessageUnreadableRecording, ImportSource::kDataStore));
    EXPECT_TRUE(ShowsImportMessage(kMessageIncompleteRecording, ImportSource::kDataStore));
    EXPECT_FALSE(ShowsImportMessage(kMessageIncompleteRecording, ImportSource::kFile));
    EXPECT_TRUE(ShowsImportMessage(kMessageCannotSave, ImportSource::kDataStore));
    EXPECT_FALSE(ShowsImportMessage(kMessageCannotSave, ImportSource::kFile));
    EXPECT_TRUE(ShowsImportMessage(kMessageIndexFailed, ImportSource::kFile));
    EXPECT_TRUE(ShowsImportMessage(kMessageIndexFailed, ImportSource::kDataStore));
}

}  // namespace
}  // namespace kivo::exchange

// Importing every recording of another data store: new numbers in order,
// the same subjects, audio, marks, pictures, texts and keywords; the open
// store refused; a bad recording failing alone; the source never written.
#include "kivo/exchange/import_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"
#include "import_fixture.h"
#include "kivo/exchange/import_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using recordstore::IndexMarkType;
using recordstore::MakeIndexMark;
using test::SampleRecord;
using test::TestStore;

const char* const kEveryKind[] = {"0", "1", "2", "3", "4", "5", "11", "12", "13", "16"};

SampleRecord Sample(int i) {
    SampleRecord record;
    record.kind = kEveryKind[i % std::size(kEveryKind)];
    record.subject = "Record number " + std::to_string(i + 1);
    record.keywords = i % 3 == 0 ? "" : "keyword" + std::to_string(i) + " plans";
    record.marks = {MakeIndexMark("00:00:0" + std::to_string(i % 9), "mark " + std::to_string(i),
                                  IndexMarkType::kUser)};
    record.samples = test::DistinctSamples(i);
    if (i % 4 == 1)
        record.picture_text = "GIF89a picture of record " + std::to_string(i);
    if (record.kind == "1")
        record.agenda = "Budget " + std::to_string(i) + "\r\nHiring\r\n";
    if (record.kind.size() == 2) {
        record.original_text = "original text " + std::to_string(i);
        record.translated_text = "texte traduit " + std::to_string(i);
    }
    return record;
}

void ExpectSameRecord(const SampleRecord& expected, const SampleRecord& got) {
    EXPECT_EQ(got.kind, expected.kind);
    EXPECT_EQ(got.subject, expected.subject);
    EXPECT_EQ(got.keywords, expected.keywords);
    EXPECT_EQ(got.samples, expected.samples) << expected.subject;
    ASSERT_EQ(got.marks.size(), expected.marks.size());
    for (std::size_t m = 0; m < got.marks.size(); ++m) {
        EXPECT_EQ(got.marks[m].time_stamp, expected.marks[m].time_stamp);
        EXPECT_EQ(got.marks[m].comment, expected.marks[m].comment);
    }
    EXPECT_EQ(got.picture_text, expected.picture_text);
    EXPECT_EQ(got.original_text, expected.original_text);
    EXPECT_EQ(got.translated_text, expected.translated_text);
    EXPECT_EQ(got.agenda, expected.agenda) << expected.subject;
}

class StoreImportTest : public ::testing::Test {
protected:
    // Saves the records into the source and puts its components back into
    // its file, as closing the program would.
    void FillSource(int count) {
        for (int i = 0; i < count; ++i)
            source_.Save(Sample(i));
        ASSERT_EQ(source_.session().SaveDataStore(), 0);
    }

    int RunImport(StoreImport& import,
                  std::vector<std::pair<int, std::string>>* reports = nullptr) {
        const int chosen = import.Choose(source_.store_path());
        if (chosen != 0)
            return chosen;
        return import.Run([reports](int progress, const std::string& status) {
            if (reports != nullptr)
                reports->emplace_back(progress, status);
        });
    }

    TestStore source_{"Source"};
    TestStore receiver_{"Mine"};
};

TEST_F(StoreImportTest, TwentyRecordsOfEveryKindArriveWithNewNumbersInOrderAndAllTheyHold) {
    FillSource(20);
    // The receiver already holds records: the new numbers follow its RecID.
    receiver_.Save(Sample(30));
    receiver_.Save(Sample(31));
    const std::string source_bytes = test::ReadFileText(source_.store_path().string());
    const auto source_files = test::FilesUnder(source_.folder());

    StoreImport import(receiver_.target());
    ASSERT_EQ(RunImport(import), 0);
    EXPECT_EQ(import.import_list().size(), 20u);
    EXPECT_EQ(import.failures(), 0u);
    EXPECT_EQ(import.FinalMessage(), 0);
    EXPECT_EQ(import.CompletedText(), "Import completed");

    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.size(), 22u);
    const auto source_lines = source_.Lines();
    for (int i = 0; i < 20; ++i) {
        const std::int32_t number = 3 + i;
        ASSERT_EQ(lines.count(number), 1u) << number;
        const recordstore::RecordLine& line = lines.at(number);
        // A new stamp: the container name differs from the source's.
        EXPECT_NE(line.FieldText(7), source_lines.at(i + 1).FieldText(7));
        ExpectSameRecord(Sample(i), receiver_.ReadBack(line));
    }
    EXPECT_EQ(receiver_.profile().Read("anna", "RecID"), "00000022");
    // The source: not a byte changed, nothing added beside it.
    EXPECT_EQ(test::ReadFileText(source_.store_path().string()), source_bytes);
    EXPECT_EQ(test::FilesUnder(source_.folder()), source_files);
    // Nothing of the import is left in the working folder.
    for (const std::string& name : test::FilesUnder(receiver_.working_folder()))
        EXPECT_TRUE(name.starts_with("Voxwren") || name.ends_with(".wav")) << name;
}

TEST_F(StoreImportTest, TheOpenStoreIsRefusedWith10AndNothingHappens) {
    receiver_.Save(Sample(0));
    StoreImport import(receiver_.target());
    EXPECT_EQ(import.Choose(receiver_.store_path()), kMessageImportOpenStore);
    // Also when named through another path.
    EXPECT_EQ(import.Choose(receiver_.folder() / "." / "Mine.xrt"), kMessageImportOpenStore);
    EXPECT_TRUE(import.import_list().empty());
    EXPECT_EQ(receiver_.Lines().size(), 1u);
}

TEST_F(StoreImportTest, OneCorruptRecordingFailsAloneAndIsCountedFor118) {
    FillSource(3);
    // Damage the second recording inside the source: its record line member
    // becomes a member of another name, so the recording holds no line.
    const std::string container = source_.Lines().at(2).FieldText(7);
    test::TempDir scratch;
    recordstore::Repository store(filesystem::DefaultFileSystem(), source_.store_path().string());
    ASSERT_TRUE(store.Get(scratch.path().string(), {container}));
    recordstore::Repository recording(filesystem::DefaultFileSystem(), scratch.file(container));
    const std::string line_member = container.substr(0, container.size() - 4) + ".xrl";
    ASSERT_TRUE(recording.Delete({line_member}));
    ASSERT_TRUE(recording.Compress());
    ASSERT_TRUE(store.Put(scratch.path().string(), {container}));

    StoreImport import(receiver_.target());
    ASSERT_EQ(RunImport(import), 0);
    EXPECT_EQ(import.failures(), 1u);
    EXPECT_EQ(import.FinalMessage(), kMessageNotAllImported);
    EXPECT_EQ(import.CompletedText(), "Import completed / 1 files failed");
    // The recording without a line is reported as incomplete (115), which a
    // data store import shows.
    EXPECT_EQ(import.failure_messages(), std::vector<int>{kMessageIncompleteRecording});
    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines.begin()->second.FieldText(5), "Record number 1");
    EXPECT_EQ(lines.rbegin()->second.FieldText(5), "Record number 3");
}

TEST_F(StoreImportTest, FourRecordingsMoveTheBarAsTheDialogShowsIt) {
    FillSource(4);
    StoreImport import(receiver_.target());
    std::vector<std::pair<int, std::string>> reports;
    ASSERT_EQ(RunImport(import, &reports), 0);
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "Preparing Kivo file for import, please wait..."},
        {24, "Importing file 1 of 4"},
        {47, "Importing file 2 of 4"},
        {69, "Importing file 3 of 4"},
        {92, "Importing file 4 of 4"},
        {95, "Updating Kivo Data Store"},
        {100, "Import completed"}};
    EXPECT_EQ(reports, expected);
}

TEST_F(StoreImportTest, TwoImportsOfOneSourceMakeTwoCopies) {
    FillSource(2);
    StoreImport first(receiver_.target());
    ASSERT_EQ(RunImport(first), 0);
    StoreImport second(receiver_.target());
    ASSERT_EQ(RunImport(second), 0);
    const auto lines = receiver_.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines.at(3).FieldText(5), lines.at(1).FieldText(5));
    EXPECT_NE(lines.at(3).FieldText(7), lines.at(1).FieldText(7));
}

TEST_F(StoreImportTest, ASourceWhoseRecordingsAreAllDeletedImportsNothing) {
    FillSource(2);
    std::vector<std::string> containers;
    for (const auto& [number, line] : source_.Lines())
        containers.push_back(line.FieldText(7));
    recordstore::Repository store(filesystem::DefaultFileSystem(), source_.store_path().string());
    ASSERT_TRUE(store.Delete(containers));
    StoreImport import(receiver_.target());
    ASSERT_EQ(import.Choose(source_.store_path()), 0);
    EXPECT_TRUE(import.import_list().empty());
    EXPECT_EQ(import.Run([](int, const std::string&) {}), 0);
    EXPECT_TRUE(receiver_.Lines().empty());
}

TEST_F(StoreImportTest, ASourceThatIsNoDataStoreIsReportedWith117) {
    test::WriteFileText((source_.folder() / "Fake.xrt").string(), "not a repository at all");
    StoreImport import(receiver_.target());
    EXPECT_EQ(import.Choose(source_.folder() / "Fake.xrt"), kMessageExtractFailed);
}

}  // namespace
}  // namespace kivo::exchange

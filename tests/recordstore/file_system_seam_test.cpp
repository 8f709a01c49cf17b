// The record store on the file system it is given: every kind of file it
// reads and writes lives on an in-memory disk here (nothing of it exists on
// the real one), and the failures that disk is made to have (a sync, a lock,
// a rename) reach the caller while the files keep their earlier content.
#include <gtest/gtest.h>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/power_loss_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/media_codec.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/recordstore/record_save.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/recordstore/store_repository.h"
#include "record_save_test_support.h"

namespace kivo::test {
namespace {

namespace rs = recordstore;
using filesystem::FailingFileSystem;
using filesystem::FailNth;
using filesystem::PowerLossFileSystem;

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string TextOf(const PowerLossFileSystem& disk, const std::string& path) {
    const auto bytes = disk.FileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

rs::RecordLine LineOf(int record_number, const std::string& container) {
    rs::RecordLine line;
    EXPECT_TRUE(rs::RecordLine::Parse(MakeRecordLine(record_number, "0", container), &line).ok());
    return line;
}

// The names in a folder of the disk.
std::vector<std::string> NamesIn(PowerLossFileSystem& disk, const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : disk.ListDirectory(folder).value.entries)
        names.push_back(entry.name);
    return names;
}

TEST(RecordStoreOnAnotherDisk, RecordFilesAreReadAndWrittenOnTheDiskGiven) {
    PowerLossFileSystem disk;
    ASSERT_TRUE(disk.MakeDirectory("/w", 0755).ok());

    const rs::RecordLine line = LineOf(3, "D3.xrz");
    ASSERT_TRUE(line.WriteFile(disk, "/w/D3.xrl").ok());
    rs::RecordLine read_line;
    ASSERT_TRUE(rs::RecordLine::ReadFile(disk, "/w/D3.xrl", &read_line).ok());
    EXPECT_EQ(read_line.bytes(), line.bytes());

    const std::vector<rs::IndexMark> marks = {rs::MakeIndexMark("00:00:02", "a mark")};
    ASSERT_TRUE(rs::WriteIndexMarkFile(disk, "/w/D3.xrs", marks).ok());
    rs::IndexMarkRead read_marks;
    ASSERT_TRUE(rs::ReadIndexMarkFile(disk, "/w/D3.xrs", &read_marks).ok());
    ASSERT_EQ(read_marks.marks.size(), 1u);
    EXPECT_EQ(read_marks.marks[0].comment, "a mark");

    disk.WriteDurableFile("/w/Voxwren.xrr", BytesOf(LogHeaderLine() + line.bytes()));
    const rs::RecordLine edited = LineOf(3, "D3b.xrz");
    std::uint64_t offset = 0;
    ASSERT_TRUE(rs::RecordLog::Replace(disk, "/w/Voxwren.xrr", edited, &offset).ok());
    EXPECT_EQ(offset, 401u);
    std::vector<rs::RecordLogEntry> records;
    ASSERT_TRUE(rs::RecordLog::ReadAll(disk, "/w/Voxwren.xrr", &records).ok());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].line.FieldText(rs::record_field::kContainerName), "D3b.xrz");

    rs::RecordIndex index(disk, "/w/Voxwren.xri");
    rs::IndexRecord entry;
    entry.record_number = 3;
    entry.kind_code = "0";
    entry.keywords = "budget";
    ASSERT_TRUE(index.Put(entry).ok());
    rs::IndexRecord found;
    ASSERT_TRUE(rs::RecordIndex(disk, "/w/Voxwren.xri").Get(3, &found).ok());
    EXPECT_EQ(found.keywords, "budget");

    const Bytes wave = BuildWave(WaveRecipe{});
    disk.WriteDurableFile("/w/D3.xrw", wave);
    const rs::MediaCodec codec(disk);
    ASSERT_EQ(codec.Encode("/w/D3.xrw").outcome, rs::CodecOutcome::kEncoded);
    EXPECT_NE(disk.FileBytes("/w/D3.xrw"), wave);
    ASSERT_EQ(codec.Decode("/w/D3.xrw").outcome, rs::CodecOutcome::kDecoded);
    EXPECT_EQ(disk.FileBytes("/w/D3.xrw"), wave);
    // No temporary file is left beside the files replaced.
    EXPECT_EQ(NamesIn(disk, "/w"), (std::vector<std::string>{"D3.xrl", "D3.xrs", "D3.xrw",
                                                             "Voxwren.xri", "Voxwren.xrr"}));
}

TEST(RecordStoreOnAnotherDisk, DataStoreIsBuiltAndARecordSavedAndOpenedOnTheDiskGiven) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/res/00001.wav", BuildWave(WaveRecipe{}));
    disk.WriteDurableFile("/res/00002.wav", BuildWave(WaveRecipe{}));
    ASSERT_TRUE(disk.MakeDirectory("/w", 0755).ok());
    ASSERT_EQ(rs::DataStore::Build(disk, {"/s", "Test", "/w", "/res"}), rs::BuildResult::kBuilt);
    const rs::DataStore store(disk, "/s/Test.xrt");
    EXPECT_EQ(store.MemberSize("Voxwren.xrr"), 401u);
    ASSERT_TRUE(store.ExtractMember("Voxwren.xrr", "/w"));
    ASSERT_TRUE(store.ExtractMember("Voxwren.xri", "/w"));

    const Bytes wave = BuildWave(WaveRecipe{});
    disk.WriteDurableFile("/w/D5.xrw", wave);
    disk.WriteDurableFile("/w/D5.xrl", BytesOf(MakeRecordLine(5, "0", "D5.xrz")));
    disk.WriteDurableFile("/w/D5.xrs", {});
    rs::RecordSaveRequest request;
    request.media = "D5.xrw";
    request.record_line = "D5.xrl";
    request.index_marks = "D5.xrs";
    request.working_folder = "/w";
    request.store_path = "/s/Test.xrt";
    request.stamp = "5";
    const rs::RecordSaveResult saved = rs::RecordSaver(disk).Save(request);
    ASSERT_TRUE(saved.ok()) << saved.error;
    EXPECT_EQ(store.FindMember("D5.xrz"), rs::MemberLookup::kPresent);

    ASSERT_TRUE(disk.MakeDirectory("/open", 0755).ok());
    const rs::RecordingContainer container(disk, "D5.xrz", rs::MediaKind::kAudio);
    ASSERT_EQ(container.OpenFromStore("/open", "/s/Test.xrt", 0), rs::ContainerResult::kDone);
    EXPECT_EQ(disk.FileBytes("/open/D5.xrw"), wave);

    // A stand-alone copy under another name opens through a staging folder
    // that is gone afterwards.
    ASSERT_TRUE(disk.MakeDirectory("/player", 0755).ok());
    disk.WriteDurableFile("/mail/Renamed.xrz", *disk.FileBytes("/open/D5.xrz"));
    ASSERT_EQ(rs::RecordingContainer::OpenStandAlone(disk, "/mail/Renamed.xrz", "/player",
                                                     rs::MediaKind::kAudio),
              rs::ContainerResult::kDone);
    EXPECT_EQ(disk.FileBytes("/player/Renamed.xrw"), wave);
    EXPECT_EQ(NamesIn(disk, "/player"),
              (std::vector<std::string>{"Renamed.xrl", "Renamed.xrs", "Renamed.xrw"}));
}

TEST(RecordStoreOnAFailingDisk, ReplacedFileKeepsItsContentWhenTheSyncFails) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/w/D1.xrl", BytesOf(MakeRecordLine(1, "0", "D1.xrz")));
    FailingFileSystem failing(disk);
    failing.Plan(FailNth(filesystem::kCallSync, 1, EIO));
    const rs::Status written = LineOf(1, "Dother.xrz").WriteFile(failing, "/w/D1.xrl");
    EXPECT_EQ(written.code(), rs::Status::Code::kIoError);
    EXPECT_EQ(TextOf(disk, "/w/D1.xrl"), MakeRecordLine(1, "0", "D1.xrz"));
    EXPECT_EQ(NamesIn(disk, "/w"), std::vector<std::string>{"D1.xrl"});
}

TEST(RecordStoreOnAFailingDisk, LockThatCannotBeTakenLeavesIndexAndLogUntouched) {
    PowerLossFileSystem disk;
    const std::string log = LogHeaderLine() + MakeRecordLine(2, "0", "D2.xrz");
    disk.WriteDurableFile("/w/Voxwren.xrr", BytesOf(log));
    disk.WriteDurableFile("/w/Voxwren.xri", {});
    FailingFileSystem failing(disk);
    failing.Plan(FailNth(filesystem::kCallLockRange, 1, ENOLCK));
    EXPECT_EQ(rs::RecordLog::Replace(failing, "/w/Voxwren.xrr", LineOf(2, "Dx.xrz")).code(),
              rs::Status::Code::kIoError);
    EXPECT_EQ(TextOf(disk, "/w/Voxwren.xrr"), log);

    failing.Plan(FailNth(filesystem::kCallLockRange, 1, ENOLCK));
    rs::IndexRecord entry;
    entry.record_number = 2;
    entry.kind_code = "0";
    EXPECT_EQ(rs::RecordIndex(failing, "/w/Voxwren.xri").Put(entry).code(),
              rs::Status::Code::kIoError);
    EXPECT_EQ(TextOf(disk, "/w/Voxwren.xri"), "");
}

TEST(RecordStoreOnAFailingDisk, StandAloneContainerThatCannotBePlacedLeavesNoStagingFolder) {
    PowerLossFileSystem disk;
    ASSERT_TRUE(disk.MakeDirectory("/w", 0755).ok());
    disk.WriteDurableFile("/w/D9.xrw", BuildWave(WaveRecipe{}));
    disk.WriteDurableFile("/w/D9.xrl", BytesOf(MakeRecordLine(9, "0", "D9.xrz")));
    disk.WriteDurableFile("/w/D9.xrs", {});
    ASSERT_TRUE(disk.MakeDirectory("/out", 0755).ok());
    ASSERT_EQ(
        rs::RecordingContainer(disk, "D9.xrz", rs::MediaKind::kAudio).BuildStandAlone("/out", "/w"),
        rs::ContainerResult::kDone);
    ASSERT_TRUE(disk.MakeDirectory("/player", 0755).ok());
    FailingFileSystem failing(disk);
    failing.Plan(FailNth(filesystem::kCallRename, 2, EIO));
    EXPECT_EQ(rs::RecordingContainer::OpenStandAlone(failing, "/out/D9.xrz", "/player",
                                                     rs::MediaKind::kAudio),
              rs::ContainerResult::kFailed);
    for (const std::string& name : NamesIn(disk, "/player"))
        EXPECT_EQ(name.find(".xrm-"), std::string::npos) << name;
}

TEST(StoreRepository, InfoGivesSizesDeletedSpaceAndLiveMembers) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/w/a", BytesOf("first"));
    disk.WriteDurableFile("/w/b", BytesOf("bb"));
    rs::Repository repository(disk, "/s.xrt");
    ASSERT_TRUE(repository.Put("/w", {"a", "b"}));
    disk.WriteDurableFile("/w/a", BytesOf("second version"));
    ASSERT_TRUE(repository.Put("/w", {"a"}));

    const rs::RepositoryInfo info = repository.Info();
    EXPECT_TRUE(info.readable);
    EXPECT_GT(info.deleted_size_bytes, 0u);
    EXPECT_GT(info.total_size_bytes, info.deleted_size_bytes);
    ASSERT_EQ(info.live_members.size(), 2u);
    EXPECT_EQ(info.live_members[0].name, "b");
    EXPECT_EQ(info.live_members[1].name, "a");
    EXPECT_EQ(info.live_members[1].size_bytes, 14u);
    EXPECT_EQ(info.live_members[1].version, 2u);

    ASSERT_TRUE(repository.CompressIfNeeded());
    EXPECT_EQ(repository.Info().deleted_size_bytes, 0u);
    EXPECT_EQ(repository.Info().live_members.size(), 2u);
}

TEST(StoreRepository, FailedCallKeepsTheEnginesFirstMessage) {
    PowerLossFileSystem disk;
    rs::Repository missing(disk, "/nowhere.xrt");
    const rs::RepositoryInfo info = missing.Info();
    EXPECT_FALSE(info.readable);
    EXPECT_TRUE(info.live_members.empty());
    EXPECT_EQ(missing.last_error().rfind("RPS01", 0), 0u) << missing.last_error();

    disk.WriteDurableFile("/w/a", BytesOf("x"));
    rs::Repository repository(disk, "/s.xrt");
    EXPECT_FALSE(repository.Put("/w", {"a", "gone"}));
    EXPECT_EQ(repository.last_error().rfind("RPS03", 0), 0u) << repository.last_error();
    EXPECT_FALSE(repository.Get("/w", {"never stored"}));
    EXPECT_EQ(repository.last_error().rfind("RPS07", 0), 0u) << repository.last_error();
}

}  // namespace
}  // namespace kivo::test

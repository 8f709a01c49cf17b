// The record index: add, update, delete, read, mark comments, the file read
// entry by entry as the search reads it, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/filesystem/forwarding_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "temp_dir.h"
#include "zn2index.h"

namespace rs = kivo::recordstore;
using kivo::test::TempDir;

namespace {

struct EntryTexts {
    std::string index_path;
    std::string kind = "0";
    std::string start_date = "05/03/2024";
    std::string keywords;
    std::string mark_comments = " ";
};

Zn2IndexEntry EntryOf(const EntryTexts& texts, int32_t number, int64_t position) {
    Zn2IndexEntry entry{};
    entry.index_path = texts.index_path.c_str();
    entry.store_path = "/tmp/store.xrt";
    entry.working_folder = "/tmp/work";
    entry.record_number = number;
    entry.kind_code = texts.kind.c_str();
    entry.start_date = texts.start_date.c_str();
    entry.keywords = texts.keywords.c_str();
    entry.mark_comments = texts.mark_comments.c_str();
    entry.line_position = position;
    return entry;
}

std::string Keywords(int32_t number, const std::string& index_path) {
    std::string out(ZN2INDEX_KEYWORDS_BUFFER_BYTES, '\0');
    if (Zn2IndexRead(number, index_path.c_str(), out.data()) == 0) {
        return "<none>";
    }
    return out.c_str();
}

// Reads the index as the search dialog does: an 8-character decimal length,
// then an entry of that length plus one; fields through Zn2IndexField.
struct SearchRow {
    std::string number, kind, date, keywords, comments, position;
};

std::vector<SearchRow> ReadLikeTheSearch(const std::string& index_path) {
    std::vector<SearchRow> rows;
    FILE* file = std::fopen(index_path.c_str(), "rb");
    if (file == nullptr) {
        return rows;
    }
    char length_text[9] = {};
    while (std::fread(length_text, 1, 8, file) == 8) {
        const long length = std::strtol(length_text, nullptr, 10);
        std::vector<char> entry(static_cast<std::size_t>(length) + 2, '\0');
        if (std::fread(entry.data(), 1, static_cast<std::size_t>(length) + 1, file) !=
            static_cast<std::size_t>(length) + 1) {
            break;
        }
        std::vector<char> field(ZN2INDEX_FIELD_BUFFER_BYTES);
        const auto take = [&](int n) {
            Zn2IndexField(n, entry.data(), field.data());
            return std::string(field.data());
        };
        rows.push_back({take(0), take(1), take(2), take(3), take(4), take(9)});
    }
    std::fclose(file);
    return rows;
}

// The machine's files with a change time that never moves, as on a file
// system whose clock ticks coarser than the writes: another writer's kill
// in place then leaves the identity of the file (device, inode, size,
// change time) as it was.
class FrozenFile : public kivo::filesystem::File {
public:
    explicit FrozenFile(std::unique_ptr<File> file) : file_(std::move(file)) {}
    using FsSize = kivo::filesystem::FsResult<std::size_t>;
    using FsStatus = kivo::filesystem::FsStatus;
    FsSize Read(void* data, std::size_t size) override { return file_->Read(data, size); }
    FsSize ReadAt(std::uint64_t at, void* data, std::size_t size) override {
        return file_->ReadAt(at, data, size);
    }
    FsSize Write(const void* data, std::size_t size) override { return file_->Write(data, size); }
    FsSize WriteAt(std::uint64_t at, const void* data, std::size_t size) override {
        return file_->WriteAt(at, data, size);
    }
    kivo::filesystem::FsResult<std::uint64_t> Seek(std::uint64_t at) override {
        return file_->Seek(at);
    }
    kivo::filesystem::FsResult<std::uint64_t> Position() override { return file_->Position(); }
    FsStatus Truncate(std::uint64_t size) override { return file_->Truncate(size); }
    FsStatus Sync() override { return file_->Sync(); }
    kivo::filesystem::FsResult<kivo::filesystem::FileInfo> Stat() override {
        auto info = file_->Stat();
        info.value.change_time = {};
        return info;
    }
    FsStatus SetTimes(const kivo::filesystem::FileTimes& times) override {
        return file_->SetTimes(times);
    }
    FsStatus SetPermissions(std::uint32_t permissions) override {
        return file_->SetPermissions(permissions);
    }
    FsStatus TryLock(kivo::filesystem::FileLock lock, kivo::filesystem::LockMode mode) override {
        return file_->TryLock(lock, mode);
    }
    void Unlock(kivo::filesystem::FileLock lock) override { file_->Unlock(lock); }
    FsStatus LockRange(kivo::filesystem::RangeLockKind kind, std::uint64_t at,
                       std::uint64_t length) override {
        return file_->LockRange(kind, at, length);
    }
    FsStatus UnlockRange(std::uint64_t at, std::uint64_t length) override {
        return file_->UnlockRange(at, length);
    }

private:
    std::unique_ptr<File> file_;
};

class FrozenClockFileSystem : public kivo::filesystem::ForwardingFileSystem {
public:
    FrozenClockFileSystem() : ForwardingFileSystem(kivo::filesystem::DefaultFileSystem()) {}
    kivo::filesystem::FsResult<std::unique_ptr<kivo::filesystem::File>> Open(
        const std::string& path, const kivo::filesystem::OpenOptions& options) override {
        auto opened = target().Open(path, options);
        if (opened.ok())
            opened.value = std::make_unique<FrozenFile>(std::move(opened.value));
        return opened;
    }
    kivo::filesystem::FsResult<kivo::filesystem::FileInfo> Stat(const std::string& path,
                                                                bool follow) override {
        auto info = target().Stat(path, follow);
        info.value.change_time = {};
        return info;
    }
};

class RecordIndexTest : public ::testing::Test {
protected:
    void SetUp() override { texts_.index_path = dir_.file("Voxwren.xri"); }

    int32_t Add(int32_t number, const std::string& keywords, int64_t position = 401) {
        texts_.keywords = keywords;
        const Zn2IndexEntry entry = EntryOf(texts_, number, position);
        return Zn2IndexAdd(&entry);
    }

    TempDir dir_;
    EntryTexts texts_;
};

}  // namespace

TEST_F(RecordIndexTest, AddedKeywordsReadBack) {
    ASSERT_NE(Add(1, "budget meeting"), 0);
    ASSERT_NE(Add(2, "dentist"), 0);
    EXPECT_EQ(Keywords(1, texts_.index_path), "budget meeting");
    EXPECT_EQ(Keywords(2, texts_.index_path), "dentist");
}

TEST_F(RecordIndexTest, ReadOfAnUnknownRecordLeavesTheBufferAsItWas) {
    ASSERT_NE(Add(1, "x"), 0);
    char out[ZN2INDEX_KEYWORDS_BUFFER_BYTES] = "untouched";
    EXPECT_EQ(Zn2IndexRead(5, texts_.index_path.c_str(), out), 0);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(Zn2IndexRead(5, dir_.file("missing.xri").c_str(), out), 0);
}

TEST_F(RecordIndexTest, SearchReadsEveryFieldEntryByEntry) {
    texts_.kind = "3";
    texts_.start_date = "31/12/2023";
    texts_.mark_comments = "call back";
    ASSERT_NE(Add(42, "bank loan", 802), 0);
    const std::vector<SearchRow> rows = ReadLikeTheSearch(texts_.index_path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].number, "00000042");
    EXPECT_EQ(rows[0].kind, "3");
    EXPECT_EQ(rows[0].date, "20231231");
    EXPECT_EQ(rows[0].keywords, "bank loan");
    EXPECT_EQ(rows[0].comments, "call back");
    EXPECT_EQ(rows[0].position, "802");
}

TEST_F(RecordIndexTest, UpdateLeavesOneLiveEntryForTheRecord) {
    ASSERT_NE(Add(7, "old words"), 0);
    ASSERT_NE(Add(8, "other"), 0);
    texts_.keywords = "new words";
    const Zn2IndexEntry edited = EntryOf(texts_, 7, 1203);
    ASSERT_NE(Zn2IndexUpd(&edited), 0);
    EXPECT_EQ(Keywords(7, texts_.index_path), "new words");
    std::map<std::string, int> live;
    for (const SearchRow& row : ReadLikeTheSearch(texts_.index_path)) {
        ++live[row.number];
        if (row.number == "00000007") {
            EXPECT_EQ(row.position, "1203");
        }
    }
    EXPECT_EQ(live["00000007"], 1);
    EXPECT_EQ(live["00000008"], 1);
    EXPECT_EQ(live["00000000"], 1);  // the dead entry, which no search can match
}

TEST_F(RecordIndexTest, AddingARecordAgainReplacesItsEntry) {
    ASSERT_NE(Add(7, "first"), 0);
    ASSERT_NE(Add(7, "second"), 0);
    EXPECT_EQ(Keywords(7, texts_.index_path), "second");
}

TEST_F(RecordIndexTest, UpdateOfARecordWithoutEntryAddsIt) {
    texts_.keywords = "restored";
    const Zn2IndexEntry entry = EntryOf(texts_, 9, 401);
    ASSERT_NE(Zn2IndexUpd(&entry), 0);
    EXPECT_EQ(Keywords(9, texts_.index_path), "restored");
}

TEST_F(RecordIndexTest, DeletedRecordIsGone) {
    ASSERT_NE(Add(3, "to delete"), 0);
    const Zn2IndexEntry entry = EntryOf(texts_, 3, 401);
    EXPECT_NE(Zn2IndexDel(&entry), 0);
    EXPECT_EQ(Keywords(3, texts_.index_path), "<none>");
    EXPECT_EQ(Zn2IndexDel(&entry), 0);
}

TEST_F(RecordIndexTest, KeywordsAreFlattenedAndCutAtTheirLimit) {
    ASSERT_NE(Add(1, "line one\r\nline\ttwo"), 0);
    EXPECT_EQ(Keywords(1, texts_.index_path), "line one  line two");
    std::string long_keywords(4998, 'k');
    long_keywords += "é";  // would end at byte 5000
    ASSERT_NE(Add(2, long_keywords), 0);
    EXPECT_EQ(Keywords(2, texts_.index_path), std::string(4998, 'k'));
}

TEST_F(RecordIndexTest, MarkCommentsComeFromTheIndexMarkFile) {
    ASSERT_NE(Add(4, "kw"), 0);
    const std::string marks_path = dir_.file("D4.xrs");
    const std::vector<rs::IndexMark> marks = {rs::MakeIndexMark("00:00:01", "first mark"),
                                              rs::MakeIndexMark("00:00:09", "second")};
    ASSERT_TRUE(rs::WriteIndexMarkFile(marks_path, marks).ok());
    const Zn2IndexEntry entry = EntryOf(texts_, 4, 401);
    ASSERT_NE(Zn2IndexSFS(&entry, marks_path.c_str()), 0);
    const std::vector<SearchRow> rows = ReadLikeTheSearch(texts_.index_path);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().comments, "first mark second");
    EXPECT_EQ(rows.back().keywords, "kw");
}

TEST_F(RecordIndexTest, ChangesByAnotherWriterAreSeen) {
    rs::RecordIndex other(texts_.index_path);
    ASSERT_NE(Add(1, "mine"), 0);
    rs::IndexRecord record;
    record.record_number = 1;
    record.keywords = "theirs";
    ASSERT_TRUE(other.Put(record).ok());
    EXPECT_EQ(Keywords(1, texts_.index_path), "theirs");
    ASSERT_NE(Add(1, "mine again"), 0);
    ASSERT_TRUE(other.Get(1, &record).ok());
    EXPECT_EQ(record.keywords, "mine again");
    EXPECT_EQ(ReadLikeTheSearch(texts_.index_path).size(), 3u);  // two dead, one live
}

// A session keeps one index object across record operations; what another
// writer did in between must still be seen.
TEST_F(RecordIndexTest, AKeptIndexSeesAnotherWritersChangesBetweenItsOwn) {
    rs::RecordIndex kept(texts_.index_path);
    rs::RecordIndex other(texts_.index_path);
    rs::IndexRecord record;
    for (const int number : {1, 2, 3}) {
        record.record_number = number;
        record.keywords = "kept " + std::to_string(number);
        ASSERT_TRUE(kept.Put(record).ok());
    }
    record.record_number = 4;
    record.keywords = "theirs";
    ASSERT_TRUE(other.Put(record).ok());  // appended behind the kept scan
    ASSERT_TRUE(other.Remove(2).ok());    // killed in place
    ASSERT_TRUE(kept.Get(4, &record).ok());
    EXPECT_EQ(record.keywords, "theirs");
    EXPECT_EQ(kept.Get(2, &record).code(), rs::Status::Code::kNotFound);
    record.record_number = 4;
    record.keywords = "mine";
    ASSERT_TRUE(kept.Put(record).ok());
    EXPECT_EQ(Keywords(4, texts_.index_path), "mine");
    const std::vector<SearchRow> rows = ReadLikeTheSearch(texts_.index_path);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const SearchRow& row) { return row.number == "00000004"; }),
              1);
}

TEST_F(RecordIndexTest, AKeptIndexSeesAKillThatLeftTheFilesIdentityAlone) {
    FrozenClockFileSystem frozen;
    rs::RecordIndex kept(frozen, texts_.index_path);
    rs::RecordIndex other(frozen, texts_.index_path);
    rs::IndexRecord record;
    for (const int number : {1, 2}) {
        record.record_number = number;
        record.keywords = "kept " + std::to_string(number);
        ASSERT_TRUE(kept.Put(record).ok());
    }
    ASSERT_TRUE(other.Remove(2).ok());
    EXPECT_EQ(kept.Remove(2).code(), rs::Status::Code::kNotFound);
    record.record_number = 1;
    ASSERT_TRUE(other.Remove(1).ok());
    record.keywords = "put again";
    ASSERT_TRUE(kept.Put(record).ok());
    ASSERT_TRUE(other.Get(1, &record).ok());
    EXPECT_EQ(record.keywords, "put again");
}

TEST_F(RecordIndexTest, TornAppendIsIgnoredAndCleanedByTheNextWrite) {
    ASSERT_NE(Add(1, "kept"), 0);
    const std::string complete = kivo::test::ReadFileText(texts_.index_path);
    kivo::test::WriteFileText(texts_.index_path, complete + "00000120000000");
    EXPECT_EQ(Keywords(1, texts_.index_path), "kept");
    ASSERT_NE(Add(2, "after the tear"), 0);
    EXPECT_EQ(Keywords(2, texts_.index_path), "after the tear");
    EXPECT_EQ(ReadLikeTheSearch(texts_.index_path).size(), 2u);
}

TEST_F(RecordIndexTest, HugeLengthIsTreatedAsDamageNotAllocated) {
    ASSERT_NE(Add(1, "kept"), 0);
    const std::string complete = kivo::test::ReadFileText(texts_.index_path);
    kivo::test::WriteFileText(texts_.index_path, complete + "99999999" + std::string(100, 'x'));
    rs::RecordIndex index(texts_.index_path);
    rs::IndexScan scan;
    int live = 0;
    ASSERT_TRUE(index.ForEachEntry([&](std::string_view) { return ++live, true; }, &scan).ok());
    EXPECT_EQ(live, 1);
    EXPECT_EQ(scan.unreadable_bytes, 108u);
}

TEST_F(RecordIndexTest, DamageInTheMiddleLosesOnlyTheDamagedEntry) {
    ASSERT_NE(Add(1, "first"), 0);
    const std::size_t second_at = kivo::test::ReadFileBytes(texts_.index_path).size();
    ASSERT_NE(Add(2, "second"), 0);
    ASSERT_NE(Add(3, "third"), 0);
    kivo::test::CorruptByte(texts_.index_path, second_at + 3);  // a digit of its length
    EXPECT_EQ(Keywords(1, texts_.index_path), "first");
    EXPECT_EQ(Keywords(3, texts_.index_path), "third");
    ASSERT_NE(Add(4, "fourth"), 0);  // compacts the damage away first
    EXPECT_EQ(Keywords(2, texts_.index_path), "<none>");
    std::vector<std::string> numbers;
    for (const SearchRow& row : ReadLikeTheSearch(texts_.index_path)) {
        numbers.push_back(row.number);
    }
    EXPECT_EQ(numbers, (std::vector<std::string>{"00000001", "00000003", "00000004"}));
}

TEST_F(RecordIndexTest, EntriesOfAnotherLayoutAreKeptAsTheyAre) {
    const std::string foreign = "      12OLD|ENTRY|XY" + std::string(1, '\0');
    kivo::test::WriteFileText(texts_.index_path, foreign);
    ASSERT_NE(Add(1, "new"), 0);
    ASSERT_NE(Add(1, "newer"), 0);
    ASSERT_TRUE(rs::RecordIndex(texts_.index_path).Compact().ok());
    const std::string after = kivo::test::ReadFileText(texts_.index_path);
    EXPECT_EQ(after.substr(0, foreign.size()), foreign);
    EXPECT_EQ(Keywords(1, texts_.index_path), "newer");
    rs::IndexScan scan;
    ASSERT_TRUE(rs::RecordIndex(texts_.index_path)
                    .ForEachEntry([](std::string_view) { return true; }, &scan)
                    .ok());
    EXPECT_EQ(scan.other_entries, 1u);
    EXPECT_EQ(scan.live_entries, 1u);
    EXPECT_EQ(scan.dead_entries, 0u);
    EXPECT_EQ(scan.unreadable_bytes, 0u);
}

TEST_F(RecordIndexTest, ManyUpdatesKeepTheFileSmall) {
    for (int32_t number = 1; number <= 50; ++number) {
        ASSERT_NE(Add(number, std::string(200, 'w')), 0);
    }
    const std::size_t initial = kivo::test::ReadFileBytes(texts_.index_path).size();
    for (int round = 0; round < 20; ++round) {
        for (int32_t number = 1; number <= 50; ++number) {
            ASSERT_NE(Add(number, std::string(200, static_cast<char>('a' + round))), 0);
        }
    }
    EXPECT_LE(kivo::test::ReadFileBytes(texts_.index_path).size(), 2 * initial + 64 * 1024);
    EXPECT_EQ(Keywords(50, texts_.index_path), std::string(200, 't'));
    rs::RecordIndex index(texts_.index_path);
    rs::IndexScan scan;
    ASSERT_TRUE(index.ForEachEntry([](std::string_view) { return true; }, &scan).ok());
    EXPECT_EQ(scan.live_entries, 50u);
}

TEST(RecordIndexEntry, FieldsOfARawEntry) {
    rs::IndexRecord record;
    record.record_number = 12;
    record.kind_code = "11";
    record.start_date = "29/02/2024";
    record.keywords = "a b";
    record.line_position = 4010;
    const std::string stored = rs::EncodeIndexEntry(record);
    EXPECT_EQ(stored,
              "00000046"
              "00000012\t11\t20240229\ta b\t \t29/02/2024\t0\t\t\t4010\n");
    const std::string_view entry = std::string_view(stored).substr(8);
    EXPECT_EQ(rs::IndexEntryField(entry, 9), "4010");
    EXPECT_EQ(rs::IndexEntryField(entry, 10), "");
    char text[ZN2INDEX_FIELD_BUFFER_BYTES];
    EXPECT_EQ(Zn2IndexField(10, std::string(entry).c_str(), text), 0);
    EXPECT_EQ(Zn2IndexField(2, std::string(entry).c_str(), text), 1);
    EXPECT_STREQ(text, "20240229");
    EXPECT_EQ(Zn2IndexField(-1, "x", text), 0);
}

TEST(RecordIndexEntry, UnknownDateIsZero) {
    rs::IndexRecord record;
    record.record_number = 1;
    record.start_date = "not a date";
    EXPECT_EQ(rs::IndexEntryField(std::string_view(rs::EncodeIndexEntry(record)).substr(8), 2),
              "0");
}

TEST(RecordIndexEntry, RecordNumbersOutsideEightDigitsAreRefused) {
    TempDir dir;
    rs::RecordIndex index(dir.file("Voxwren.xri"));
    rs::IndexRecord record;
    record.record_number = 0;
    EXPECT_FALSE(index.Put(record).ok());
    record.record_number = 100000000;
    EXPECT_FALSE(index.Put(record).ok());
}

// The repository file format byte for byte: the worked example, "XR00" files
// built by hand, versions and deleted marks, the header's repairs.
#include <gtest/gtest.h>

#include <cstring>

#include "directory_entry.h"
#include "kivo/repository/repository_format.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

// SYSTEMTIME bytes of FixedClock().
Bytes FixedClockBytes() {
    Bytes bytes(16);
    const std::uint16_t words[8] = {2024, 5, 5, 3, 15, 10, 20, 400};
    for (int i = 0; i < 8; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(words[i]);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

// The 99-byte entry of member "a" (3 bytes at offset 36) as the example has it.
void ExpectEntryOfA(const Bytes& file, std::size_t at, const filesystem::FileInfo& source) {
    EXPECT_EQ(Slice(file, at, 3), TextBytes("DIR"));
    EXPECT_EQ(U32At(file, at + 3), 99u);
    EXPECT_EQ(U32At(file, at + 7), 0u);  // continuation: the only entry
    EXPECT_EQ(U64At(file, at + 11), 36u);
    EXPECT_EQ(U64At(file, at + 19), FileTimeFromTimestamp(*source.birth_time));
    EXPECT_EQ(U64At(file, at + 27), FileTimeFromTimestamp(source.access_time));
    EXPECT_EQ(U64At(file, at + 35), FileTimeFromTimestamp(source.modification_time));
    EXPECT_EQ(Slice(file, at + 43, 16), FixedClockBytes());
    EXPECT_EQ(Slice(file, at + 59, 16), Bytes(16, 0));  // live
    EXPECT_EQ(U32At(file, at + 75), 3u);
    EXPECT_EQ(U32At(file, at + 79), 0x80u);
    EXPECT_EQ(U32At(file, at + 83), 0u);
    EXPECT_EQ(U32At(file, at + 87), 1u);
    EXPECT_EQ(U32At(file, at + 91), 1u);
    EXPECT_EQ(U32At(file, at + 95), 0u);
}

TEST(RepositoryFormat, OneMemberNamedAHoldingAbcIsThe239BytesOfTheExample) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    StatusRecord status = disk.engine.Put("/r/new.xrt", "/src/", {"a"});
    ASSERT_TRUE(status.ok()) << Messages(status);
    EXPECT_EQ(status.total_size_bytes, 239u);
    EXPECT_EQ(status.deleted_size_bytes, 0u);

    Bytes file = disk.FileBytes("/r/new.xrt");
    ASSERT_EQ(file.size(), 239u);
    EXPECT_EQ(Slice(file, 0, 4), TextBytes("XR01"));
    EXPECT_EQ(U32At(file, 4), 36u);
    EXPECT_EQ(U32At(file, 8), 1u);
    EXPECT_EQ(U64At(file, 12), 139u);
    EXPECT_EQ(Slice(file, 20, 16), FixedClockBytes());
    filesystem::FileInfo source = disk.fs.Stat("/src/a", true).value;
    ExpectEntryOfA(file, 36, source);
    EXPECT_EQ(file[135], 'a');
    EXPECT_EQ(Slice(file, 136, 3), TextBytes("abc"));
    ExpectEntryOfA(file, 139, source);
    EXPECT_EQ(file[238], 'a');
    EXPECT_FALSE(disk.fs.Exists("/r/new.xrt-journal"));
}

TEST(RepositoryFormat, StoringANameThreeTimesKeepsThreeVersions) {
    MemoryDisk disk;
    for (int round = 0; round < 3; ++round) {
        disk.AddFile("m.wav", Pattern(10 + round, round));
        disk.Store("/r/s.xrt", {"m.wav"});
    }
    StatusRecord all = disk.engine.AllInfo("/r/s.xrt");
    ASSERT_EQ(all.entries.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(all.entries[i].version, i + 1);
        EXPECT_EQ(all.entries[i].deleted, i < 2 ? 1u : 0u);
        EXPECT_EQ(all.entries[i].deleted_at.is_zero(), i == 2);
    }
    // Marking rewrote the internal entries in place: they still match.
    EXPECT_TRUE(disk.engine.CheckIntegrity("/r/s.xrt").ok());
    EXPECT_EQ(LiveMembers(disk.engine, "/r/s.xrt").at("m.wav"), Pattern(12, 2));
    EXPECT_EQ(all.deleted_size_bytes, 2 * (99 + 5) + 10u + 11u);
}

TEST(RepositoryFormat, EmptyFileReadsSilentlyAndBecomesAHeaderWhenUpdated) {
    MemoryDisk disk;
    disk.fs.WriteDurableFile("/r/empty.xrt", {});
    StatusRecord info = disk.engine.Info("/r/empty.xrt");
    EXPECT_TRUE(info.ok());
    EXPECT_TRUE(info.entries.empty());
    EXPECT_TRUE(disk.FileBytes("/r/empty.xrt").empty());

    StatusRecord put = disk.engine.Put("/r/empty.xrt", "/src", {});
    ASSERT_TRUE(put.ok()) << Messages(put);
    Bytes file = disk.FileBytes("/r/empty.xrt");
    ASSERT_EQ(file.size(), 36u);
    EXPECT_EQ(Slice(file, 0, 4), TextBytes("XR01"));
    EXPECT_EQ(U32At(file, 8), 0u);
    EXPECT_EQ(U64At(file, 12), 0u);
}

TEST(RepositoryFormat, WrongMagicIsRefusedAndNotModifiedEvenWhenStoring) {
    MemoryDisk disk;
    Bytes not_a_repository = TextBytes("MZ this is something else entirely");
    disk.fs.WriteDurableFile("/r/x.xrt", not_a_repository);
    disk.AddFile("a", TextBytes("abc"));
    StatusRecord status = disk.engine.Put("/r/x.xrt", "/src", {"a"});
    EXPECT_EQ(Messages(status), "RPS05 Invalid header in Repository file (2)\n");
    EXPECT_EQ(status.severity, kSeverityHeader);
    EXPECT_EQ(disk.FileBytes("/r/x.xrt"), not_a_repository);
}

TEST(RepositoryFormat, HandBuiltXr00IsReadWithComputedVersionsAndFixedFields) {
    MemoryDisk disk;
    disk.fs.WriteDurableFile("/r/old.xrt", BuildXr00({{"a", TextBytes("one"), true},
                                                      {"b", TextBytes("bee"), false},
                                                      {"a", TextBytes("two"), false}}));
    StatusRecord all = disk.engine.AllInfo("/r/old.xrt");
    ASSERT_TRUE(all.ok()) << Messages(all);
    ASSERT_EQ(all.entries.size(), 3u);
    EXPECT_EQ(all.entries[0].version, 1u);
    EXPECT_EQ(all.entries[1].version, 1u);
    EXPECT_EQ(all.entries[2].version, 2u);
    EXPECT_EQ(all.entries[2].attributes, 0x80u);
    EXPECT_TRUE(all.entries[2].stored.is_zero());
    EXPECT_EQ(all.entries[2].written, 133000000020000002ULL);
    // 24 + per entry 48 + name + data; the 12 bytes after the header are not counted.
    EXPECT_EQ(all.total_size_bytes, 24u + 3 * 49 + 9);
    EXPECT_EQ(all.deleted_size_bytes, 3u);
    EXPECT_EQ(LiveMembers(disk.engine, "/r/old.xrt").at("a"), TextBytes("two"));
}

TEST(RepositoryFormat, Xr00StaysXr00ThroughStoresDeletionsAndCompaction) {
    MemoryDisk disk;
    disk.fs.WriteDurableFile(
        "/r/old.xrt", BuildXr00({{"a", TextBytes("one"), false}, {"b", TextBytes("bee"), false}}));
    disk.AddFile("c", Pattern(70000, 3));
    disk.AddFile("a", TextBytes("newer"));
    disk.Store("/r/old.xrt", {"c", "a"});
    Bytes file = disk.FileBytes("/r/old.xrt");
    EXPECT_EQ(Slice(file, 0, 4), TextBytes("XR00"));
    // The new block is the data alone, right where the old directory began.
    EXPECT_EQ(Slice(file, 42, 70000), Pattern(70000, 3));

    ASSERT_TRUE(disk.engine.Delete("/r/old.xrt", {"b"}).ok());
    StatusRecord compressed = disk.engine.Compress("/r/old.xrt");
    ASSERT_TRUE(compressed.ok()) << Messages(compressed);
    file = disk.FileBytes("/r/old.xrt");
    EXPECT_EQ(Slice(file, 0, 4), TextBytes("XR00"));
    EXPECT_EQ(compressed.total_size_bytes, file.size() - 12);  // the gap after the header
    std::map<std::string, Bytes> live = LiveMembers(disk.engine, "/r/old.xrt");
    EXPECT_EQ(live.size(), 2u);
    EXPECT_EQ(live.at("a"), TextBytes("newer"));
    EXPECT_EQ(live.at("c"), Pattern(70000, 3));
    EXPECT_TRUE(disk.engine.CheckIntegrity("/r/old.xrt").ok());
}

TEST(DirectoryEntryCodec, EntryAndRecordSurviveARoundTrip) {
    DirectoryEntry entry;
    entry.member_offset = 1000;
    entry.created = 1;
    entry.accessed = 2;
    entry.written = 3;
    entry.stored = FixedClock();
    entry.deleted_at = FixedClock();
    entry.size_bytes = 77;
    entry.attributes = 0x21;
    entry.deleted = 1;
    entry.version = 9;
    EntryBytes bytes = EncodeEntry(entry, 400, true);
    DecodedEntry decoded = DecodeEntry(bytes.data(), 400);
    EXPECT_TRUE(decoded.has_magic);
    EXPECT_TRUE(decoded.continuation);
    EXPECT_EQ(decoded.entry, entry);
    EXPECT_EQ(U64At(Bytes(bytes.begin(), bytes.end()), 11), 600u);  // relative to its repository

    RecordBytes record = EncodeRecord(entry, 0, false);
    DecodedEntry old = DecodeRecord(record.data(), 0);
    EXPECT_FALSE(old.continuation);
    EXPECT_EQ(old.entry.size_bytes, 77u);
    EXPECT_EQ(old.entry.attributes, 0x80u);  // "XR00" records keep no attributes
    EXPECT_EQ(old.entry.entry_length, 0u);
}

}  // namespace
}  // namespace kivo::repository::test

// The journal's checksum is what tells a complete journal, to be played back,
// from one torn by a crash while it was written, to be discarded: every torn
// sector and every flipped bit of the body must be caught. Journals of the
// first layout, checksummed with FNV-1a, are still played back.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "journal_checksum.h"
#include "journal_file.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kJournal[] = "/r/s.xrt-journal";
constexpr std::size_t kBodyLengthOffset = 32;

// A repository of two members (about 21 KB) and a rollback journal saving
// three ranges of it.
struct JournalledRepository {
    MemoryDisk disk;
    Bytes original = BuildXr01({{"a", Pattern(9000, 1), false}, {"b", Pattern(12000, 2), false}});
    Bytes journal;

    JournalledRepository() {
        disk.fs.WriteDurableFile(kRepository, original);
        filesystem::OpenOptions options;
        options.access = filesystem::Access::kReadWrite;
        auto file = disk.fs.Open(kRepository, options);
        EXPECT_TRUE(file.ok());
        Journal writer(disk.fs, kRepository);
        JournalError error = writer.Create(
            *file.value, JournalKind::kRollback, original.size(),
            {ByteRange{0, 36}, ByteRange{1000, 3001}, ByteRange{15000, 5000}}, 0, Checkpoint{}, {});
        EXPECT_TRUE(error.ok());
        journal = disk.FileBytes(kJournal);
    }

    JournalInspection InspectWith(const Bytes& journal_bytes) {
        disk.fs.WriteDurableFile(kJournal, journal_bytes);
        return InspectJournal(disk.fs, kRepository);
    }
};

std::uint64_t BodyLength(const Bytes& journal) {
    return U64At(journal, kBodyLengthOffset);
}

TEST(JournalChecksum, PiecesOfAnySizeGiveTheChecksumOfTheWhole) {
    const Bytes bytes = Pattern(203, 4);
    for (ChecksumKind kind : {ChecksumKind::kFnv1a, ChecksumKind::kWordLanes}) {
        JournalChecksum whole(kind);
        whole.Add(bytes.data(), bytes.size());
        for (std::size_t first = 0; first <= bytes.size(); first += 7) {
            for (std::size_t second = first; second <= bytes.size(); second += 13) {
                JournalChecksum pieces(kind);
                pieces.Add(bytes.data(), first);
                pieces.Add(bytes.data() + first, second - first);
                pieces.Add(bytes.data() + second, bytes.size() - second);
                ASSERT_EQ(pieces.value(), whole.value()) << first << " " << second;
            }
        }
    }
}

TEST(JournalChecksum, EveryTornSectorOrFlippedBitOfTheBodyMakesTheJournalInvalid) {
    JournalledRepository repository;
    ASSERT_EQ(repository.InspectWith(repository.journal).state, JournalInspection::State::kValid);
    const std::uint64_t body_bytes = BodyLength(repository.journal) + 8;
    ASSERT_EQ(body_bytes, repository.journal.size());

    for (std::size_t sector = 0; sector < body_bytes; sector += 512) {
        Bytes torn = repository.journal;
        const std::size_t end = std::min<std::size_t>(sector + 512, torn.size());
        std::fill(torn.begin() + static_cast<std::ptrdiff_t>(sector),
                  torn.begin() + static_cast<std::ptrdiff_t>(end), 0);
        ASSERT_NE(torn, repository.journal);
        EXPECT_NE(repository.InspectWith(torn).state, JournalInspection::State::kValid)
            << "sector at " << sector;
    }
    for (std::size_t offset = 0; offset < body_bytes; offset += 5) {
        Bytes flipped = repository.journal;
        flipped[offset] ^= static_cast<std::uint8_t>(1u << (offset % 8));
        EXPECT_NE(repository.InspectWith(flipped).state, JournalInspection::State::kValid)
            << "bit flipped at " << offset;
    }
    Bytes cut(repository.journal.begin(), repository.journal.end() - 1);
    EXPECT_NE(repository.InspectWith(cut).state, JournalInspection::State::kValid);
}

TEST(JournalChecksum, AJournalOfTheFirstLayoutIsStillPlayedBack) {
    JournalledRepository repository;
    // The same journal as the engine wrote it before: magic "XRJOURN1", the
    // body under FNV-1a.
    Bytes first_layout = repository.journal;
    std::memcpy(first_layout.data(), "XRJOURN1", 8);
    const std::uint64_t body_length = BodyLength(first_layout);
    JournalChecksum fnv(ChecksumKind::kFnv1a);
    fnv.Add(first_layout.data(), body_length);
    SetU64(first_layout, body_length, fnv.value());

    JournalInspection inspection = repository.InspectWith(first_layout);
    ASSERT_EQ(inspection.state, JournalInspection::State::kValid);
    ASSERT_EQ(inspection.ranges.size(), 3u);

    // A call that wrote over the saved ranges and grew the file is undone.
    Bytes changed = repository.original;
    std::fill(changed.begin() + 1000, changed.begin() + 4001, 0xEE);
    changed.resize(25000, 0xAB);
    repository.disk.fs.WriteDurableFile(kRepository, changed);
    EXPECT_EQ(LiveMembers(repository.disk.engine, kRepository).size(), 2u);
    EXPECT_EQ(repository.disk.FileBytes(kRepository), repository.original);
    EXPECT_FALSE(repository.disk.fs.Exists(kJournal));

    // Under the other checksum the same bytes are a torn journal.
    Bytes mislabelled = first_layout;
    std::memcpy(mislabelled.data(), "XRJOURN2", 8);
    EXPECT_NE(repository.InspectWith(mislabelled).state, JournalInspection::State::kValid);
}

}  // namespace
}  // namespace kivo::repository::test

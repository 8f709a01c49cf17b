// The component journal's file: commits read back whole and in order; a
// torn or damaged commit ends the journal; a short header means nothing was
// committed; lengths and names from the file are never trusted.
#include "kivo/recordstore/component_journal.h"

#include <gtest/gtest.h>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/power_loss_file_system.h"

namespace kivo::recordstore {
namespace {

using filesystem::PowerLossFileSystem;
using Bytes = std::vector<std::uint8_t>;

constexpr char kJournal[] = "/s/KIVO.xrt-changes";
const StoreIdentity kStore{3, 42};

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::vector<ComponentChange> Changes(const std::string& text) {
    return {{"Voxwren.xrr", 401, 802, std::string(401, 'x')}, {"Voxwren.xri", 0, 9, text}};
}

JournalContents Read(PowerLossFileSystem& disk) {
    JournalContents contents;
    EXPECT_TRUE(ReadComponentJournal(disk, kJournal, &contents).ok());
    return contents;
}

class ComponentJournalTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(disk_.MakeDirectory("/s", 0755).ok()); }

    // A journal of three commits, written through the writer.
    std::string ThreeCommits() {
        ComponentJournalWriter writer(disk_, kJournal);
        for (const char* text : {"first....", "second...", "third...."})
            EXPECT_TRUE(writer.Append(Changes(text), kStore).ok());
        const Bytes bytes = *disk_.FileBytes(kJournal);
        return std::string(bytes.begin(), bytes.end());
    }

    PowerLossFileSystem disk_;
};

TEST_F(ComponentJournalTest, ANameCarriesTheSuffixBesideTheStore) {
    EXPECT_EQ(ComponentJournalPath("/home/u/KIVO.xrt"), "/home/u/KIVO.xrt-changes");
}

TEST_F(ComponentJournalTest, NoJournalIsNoErrorAndNoCommit) {
    const JournalContents contents = Read(disk_);
    EXPECT_FALSE(contents.exists);
    EXPECT_TRUE(contents.commits.empty());
}

TEST_F(ComponentJournalTest, CommitsReadBackWholeAndInOrderWithTheStoresIdentity) {
    const std::string bytes = ThreeCommits();
    const JournalContents contents = Read(disk_);
    ASSERT_TRUE(contents.exists);
    ASSERT_TRUE(contents.header_valid);
    EXPECT_EQ(contents.store, kStore);
    ASSERT_EQ(contents.commits.size(), 3u);
    EXPECT_EQ(contents.commits[1].sequence, 2u);
    EXPECT_EQ(contents.commits[1].changes, Changes("second..."));
    EXPECT_EQ(contents.valid_bytes, bytes.size());
    EXPECT_EQ(bytes.size(),
              kJournalHeaderBytes + 3 * EncodeJournalCommit(1, Changes("123456789")).size());
}

TEST_F(ComponentJournalTest, AJournalCutAnywhereKeepsExactlyItsWholeCommits) {
    const std::string bytes = ThreeCommits();
    const std::size_t commit_bytes = EncodeJournalCommit(1, Changes("first....")).size();
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        disk_.WriteDurableFile(kJournal, ToBytes(bytes.substr(0, length)));
        const JournalContents contents = Read(disk_);
        const std::size_t whole =
            length < kJournalHeaderBytes ? 0 : (length - kJournalHeaderBytes) / commit_bytes;
        EXPECT_EQ(contents.header_valid, length >= kJournalHeaderBytes) << length;
        ASSERT_EQ(contents.commits.size(), whole) << length;
    }
}

TEST_F(ComponentJournalTest, ADamagedByteEndsTheJournalAtItsCommit) {
    const std::string bytes = ThreeCommits();
    const std::size_t commit_bytes = EncodeJournalCommit(1, Changes("first....")).size();
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        std::string damaged = bytes;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
        disk_.WriteDurableFile(kJournal, ToBytes(damaged));
        const JournalContents contents = Read(disk_);
        if (at < kJournalHeaderBytes) {
            EXPECT_FALSE(contents.header_valid) << at;
            EXPECT_TRUE(contents.commits.empty()) << at;
        } else {
            EXPECT_EQ(contents.commits.size(), (at - kJournalHeaderBytes) / commit_bytes) << at;
        }
    }
}

TEST_F(ComponentJournalTest, CommitsOutOfSequenceAreNotTaken) {
    // A commit left over from an earlier journal of the name, after a new
    // header: its sequence number does not follow.
    disk_.WriteDurableFile(kJournal, ToBytes(EncodeJournalHeader(kStore) +
                                             EncodeJournalCommit(1, Changes("one......")) +
                                             EncodeJournalCommit(5, Changes("stale....")) +
                                             EncodeJournalCommit(2, Changes("two......"))));
    EXPECT_EQ(Read(disk_).commits.size(), 1u);
}

// Commits whose checksum is right but whose fields do not hold together,
// as a hand-made file could carry them.
TEST_F(ComponentJournalTest, FieldsThatDoNotHoldTogetherAreRefused) {
    const std::vector<std::vector<ComponentChange>> hostile = {
        {{"../etc/passwd", 0, 1, "x"}},                             // a path, not a member name
        {{"", 0, 1, "x"}},                                          // no name
        {{"Voxwren.xrr", 10, 5, ""}},                               // offset past the new size
        {{"Voxwren.xrr", 0, 3, "four"}},                            // bytes past the new size
        {{"Voxwren.xrr", 0, kMaxJournaledComponentBytes + 1, ""}},  // absurd size
    };
    for (const auto& changes : hostile) {
        disk_.WriteDurableFile(
            kJournal, ToBytes(EncodeJournalHeader(kStore) + EncodeJournalCommit(1, changes)));
        EXPECT_TRUE(Read(disk_).commits.empty()) << changes[0].member;
    }
    // A body length far past the end of the file is not read.
    std::string commit = EncodeJournalCommit(1, Changes("x"));
    commit[4] = commit[5] = commit[6] = static_cast<char>(0xff);
    commit[7] = 0x3f;
    disk_.WriteDurableFile(kJournal, ToBytes(EncodeJournalHeader(kStore) + commit));
    EXPECT_TRUE(Read(disk_).commits.empty());
}

TEST_F(ComponentJournalTest, RemoveDeletesTheJournalAndANewOneStartsAgainAtOne) {
    ComponentJournalWriter writer(disk_, kJournal);
    ASSERT_TRUE(writer.Append(Changes("a"), kStore).ok());
    ASSERT_TRUE(writer.Remove().ok());
    EXPECT_FALSE(disk_.Exists(kJournal));
    EXPECT_EQ(writer.size_bytes(), 0u);
    ASSERT_TRUE(writer.Append(Changes("b"), kStore).ok());
    const JournalContents contents = Read(disk_);
    ASSERT_EQ(contents.commits.size(), 1u);
    EXPECT_EQ(contents.commits[0].changes, Changes("b"));
}

TEST_F(ComponentJournalTest, AJournalRemovedBehindTheWritersBackIsMadeAgain) {
    // Another program played the journal back and removed it; the next
    // commit must not go into the removed file, where no one would find it.
    ComponentJournalWriter writer(disk_, kJournal);
    ASSERT_TRUE(writer.Append(Changes("a"), kStore).ok());
    ASSERT_TRUE(disk_.Unlink(kJournal).ok());
    ASSERT_TRUE(writer.Append(Changes("b"), kStore).ok());
    const JournalContents contents = Read(disk_);
    ASSERT_EQ(contents.commits.size(), 1u);
    EXPECT_EQ(contents.commits[0].changes, Changes("b"));
}

TEST_F(ComponentJournalTest, AFailedAppendIsCutOffAndTheNextCommitTakesItsPlace) {
    filesystem::FailingFileSystem failing(disk_);
    ComponentJournalWriter writer(failing, kJournal);
    ASSERT_TRUE(writer.Append(Changes("first...."), kStore).ok());
    const std::uint64_t size = writer.size_bytes();
    // The sync of the next commit fails: it may or may not be on the disk.
    failing.Plan(filesystem::FailNth(filesystem::kCallSync, 1));
    EXPECT_FALSE(writer.Append(Changes("failed..."), kStore).ok());
    EXPECT_EQ(writer.size_bytes(), size);
    EXPECT_EQ(disk_.FileBytes(kJournal)->size(), size);
    ASSERT_TRUE(writer.Append(Changes("next....."), kStore).ok());
    const JournalContents contents = Read(disk_);
    ASSERT_EQ(contents.commits.size(), 2u);
    EXPECT_EQ(contents.commits[1].changes, Changes("next....."));
}

}  // namespace
}  // namespace kivo::recordstore

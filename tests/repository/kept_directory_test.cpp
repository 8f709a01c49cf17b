// Directories kept in memory between calls (kept_directories.h): a call that
// takes one writes the very bytes a call that decodes the file writes, and a
// file changed behind the kept directory is read afresh.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kept_directory.h"
#include "kivo/repository/kept_directories.h"
#include "kivo/repository/repository_format.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

constexpr char kRepository[] = "/r/s.xrt";
// The same repository on another disk, under another name: its directory is
// never kept.
constexpr char kDecodedRepository[] = "/r/decoded.xrt";

// A repository whose directory is large enough to be kept.
std::vector<std::string> FillLargeRepository(MemoryDisk& disk, const char* repository) {
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i) {
        names.push_back("a-member-whose-name-is-quite-long-" + std::to_string(1000 + i));
        disk.AddFile(names.back(), Pattern(40 + i % 5, i));
    }
    disk.Store(repository, names);
    for (int i = 0; i < 4; ++i) {
        disk.AddFile("new" + std::to_string(i), Pattern(3000 + i, 100 + i));
    }
    return names;
}

EngineOptions KeepingOptions(KeptDirectories* kept) {
    EngineOptions options = TestOptions();
    options.keep_idle_journal = true;
    options.kept_directories = kept;
    return options;
}

// Puts (new names and new versions), deletions in place and an undeletion,
// one call each, on the repository named.
using Call = std::function<StatusRecord(Engine&, const std::string&)>;
std::vector<Call> MixedCalls(const std::vector<std::string>& names) {
    return {
        [](Engine& e, const std::string& r) { return e.Put(r, "/src", {"new0"}); },
        [](Engine& e, const std::string& r) { return e.Put(r, "/src", {"new1"}); },
        [&names](Engine& e, const std::string& r) {
            return e.Delete(r, {names[3], names[150]});
        },
        [](Engine& e, const std::string& r) { return e.Put(r, "/src", {"new0"}); },  // version 2
        [](Engine& e, const std::string& r) { return e.Delete(r, {"new1"}); },
        [](Engine& e, const std::string& r) {
            return e.Put(r, "/src", {"new2", "new3"});
        },
        [&names](Engine& e, const std::string& r) { return e.UnDelete(r, names[3], 1); },
        [](Engine& e, const std::string& r) { return e.Put(r, "/src", {"new1"}); },
        [&names](Engine& e, const std::string& r) { return e.Delete(r, {names[199]}); },
    };
}

TEST(KeptDirectory, CallsOverAKeptDirectoryWriteTheBytesOfCallsThatDecodeTheFile) {
    MemoryDisk kept_disk;
    MemoryDisk decoded_disk;
    const std::vector<std::string> names = FillLargeRepository(kept_disk, kRepository);
    FillLargeRepository(decoded_disk, kDecodedRepository);
    ASSERT_EQ(kept_disk.FileBytes(kRepository), decoded_disk.FileBytes(kDecodedRepository));
    ASSERT_GE(kept_disk.FileBytes(kRepository).size(), 2 * kKeptDirectoryBytesAtLeast);

    KeptDirectories kept_directories;
    int step = 0;
    for (const Call& call : MixedCalls(names)) {
        SCOPED_TRACE("call " + std::to_string(++step));
        Engine decoding(decoded_disk.fs, KeepingOptions(nullptr));
        ASSERT_TRUE(call(decoding, kDecodedRepository).ok());
        Engine kept(kept_disk.fs, KeepingOptions(&kept_directories));
        ASSERT_TRUE(call(kept, kRepository).ok());
        ASSERT_EQ(kept_disk.FileBytes(kRepository), decoded_disk.FileBytes(kDecodedRepository));
    }
    EXPECT_TRUE(kept_disk.engine.CheckIntegrity(kRepository).ok());
    EXPECT_EQ(LiveMembers(kept_disk.engine, kRepository).at("new0"), Pattern(3000, 100));
    EXPECT_NE(kept_directories.Take(kRepository), nullptr) << "the calls kept no directory";
}

TEST(KeptDirectory, AFileChangedBehindTheKeptDirectoryIsReadAfresh) {
    MemoryDisk disk;
    const std::vector<std::string> names = FillLargeRepository(disk, kRepository);
    KeptDirectories kept_directories;
    Engine engine(disk.fs, KeepingOptions(&kept_directories));
    ASSERT_TRUE(engine.Put(kRepository, "/src", {"new0"}).ok());
    ASSERT_EQ(LiveMembers(engine, kRepository).count(names[10]), 1u);

    // Another program marks a member deleted in the directory, changing no
    // size and no offset.
    Bytes bytes = disk.FileBytes(kRepository);
    const std::uint64_t directory_offset = U64At(bytes, 12);
    std::size_t entry = directory_offset;
    for (int i = 0; i < 10; ++i) {
        entry += format::kEntryBytes + U32At(bytes, entry + format::kEntryNameLengthOffset);
    }
    SetU32(bytes, entry + format::kEntryDeletedOffset, 1);
    disk.fs.WriteDurableFile(kRepository, bytes);

    EXPECT_EQ(LiveMembers(engine, kRepository).count(names[10]), 0u) << "read";
    ASSERT_TRUE(engine.Put(kRepository, "/src", {"new1"}).ok());
    EXPECT_EQ(LiveMembers(engine, kRepository).count(names[10]), 0u) << "written over";
    EXPECT_EQ(LiveMembers(engine, kRepository).count("new1"), 1u);
}

}  // namespace
}  // namespace kivo::repository::test

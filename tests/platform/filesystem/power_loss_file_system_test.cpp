// PowerLossFileSystem: what survives a crash depends on what was synced.
#include <gtest/gtest.h>

#include <cerrno>

#include "kivo/filesystem/power_loss_file_system.h"

namespace kivo::filesystem {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<File> Open(FileSystem& fs, const std::string& path, Creation creation) {
    OpenOptions options;
    options.access = Access::kReadWrite;
    options.creation = creation;
    auto opened = fs.Open(path, options);
    EXPECT_TRUE(opened.ok()) << opened.status.Describe();
    return std::move(opened.value);
}

TEST(PowerLossFileSystem, UnsyncedWritesAreDroppedAndSyncedOnesKept) {
    PowerLossFileSystem fs;
    fs.WriteDurableFile("/d/f", Bytes(1024, 'o'));
    auto file = Open(fs, "/d/f", Creation::kOpenExisting);
    ASSERT_TRUE(file->WriteAt(0, "new", 3).ok());
    ASSERT_TRUE(file->Sync().ok());
    ASSERT_TRUE(file->WriteAt(600, "lost", 4).ok());
    fs.PowerLoss(PowerLossStyle::kDropUnsynced, 1);
    Bytes bytes = *fs.FileBytes("/d/f");
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "new");
    EXPECT_EQ(bytes[600], 'o');
}

TEST(PowerLossFileSystem, UnsyncedCreationIsLostWithoutADirectorySync) {
    PowerLossFileSystem fs;
    ASSERT_TRUE(fs.MakeDirectory("/d", 0755).ok());
    auto kept = Open(fs, "/d/kept", Creation::kCreateNew);
    ASSERT_TRUE(kept->Sync().ok());
    ASSERT_TRUE(fs.SyncDirectory("/d").ok());
    auto lost = Open(fs, "/d/lost", Creation::kCreateNew);
    ASSERT_TRUE(lost->Sync().ok());
    fs.PowerLoss(PowerLossStyle::kDropUnsynced, 1);
    EXPECT_TRUE(fs.Exists("/d/kept"));
    EXPECT_FALSE(fs.Exists("/d/lost"));
}

TEST(PowerLossFileSystem, CrashStopsEveryLaterCallAndOldHandlesStayDead) {
    PowerLossFileSystem fs;
    fs.WriteDurableFile("/f", Bytes(10, 'x'));
    auto file = Open(fs, "/f", Creation::kOpenExisting);
    fs.CrashAtChange(2);
    EXPECT_TRUE(file->WriteAt(0, "a", 1).ok());
    EXPECT_EQ(file->Sync().error_number(), EIO);  // the second change: down
    EXPECT_TRUE(fs.crashed());
    EXPECT_FALSE(file->WriteAt(0, "b", 1).ok());
    fs.PowerLoss(PowerLossStyle::kKeepEverything, 1);
    EXPECT_FALSE(file->ReadAt(0, nullptr, 0).ok());
    EXPECT_EQ((*fs.FileBytes("/f"))[0], 'a');  // a killed process's writes survive
}

TEST(PowerLossFileSystem, TornWritesMixOldAndNewSectorsAndGarbageInGrownSpace) {
    bool saw_old = false;
    bool saw_new = false;
    bool saw_garbage = false;
    for (std::uint32_t seed = 0; seed < 40; ++seed) {
        PowerLossFileSystem fs;
        fs.WriteDurableFile("/f", Bytes(2048, 'o'));
        auto file = Open(fs, "/f", Creation::kOpenExisting);
        ASSERT_TRUE(file->WriteAt(0, Bytes(4096, 'n').data(), 4096).ok());
        fs.PowerLoss(PowerLossStyle::kTearUnsynced, seed);
        Bytes bytes = *fs.FileBytes("/f");
        for (std::size_t sector = 0; sector < bytes.size(); sector += 512) {
            std::uint8_t first = bytes[sector];
            for (std::size_t i = sector; i < std::min(bytes.size(), sector + 512); ++i) {
                if (sector < 2048) {
                    ASSERT_EQ(bytes[i], first) << "a sector is torn whole or not at all";
                }
            }
            saw_old |= first == 'o';
            saw_new |= first == 'n';
            saw_garbage |= sector >= 2048 && first != 'n';
        }
    }
    EXPECT_TRUE(saw_old && saw_new && saw_garbage);
}

TEST(PowerLossFileSystem, ExclusiveLockIsPerOpenFileAndReleasedOnClose) {
    PowerLossFileSystem fs;
    OpenOptions options;
    options.access = Access::kReadWrite;
    options.creation = Creation::kOpenOrCreate;
    options.exclusive_lock = true;
    auto first = fs.Open("/f", options);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(fs.Open("/f", options).status.error_number(), EWOULDBLOCK);
    first.value.reset();
    EXPECT_TRUE(fs.Open("/f", options).ok());
}

TEST(PowerLossFileSystem, TheTwoLockKindsAreIndependentAndEndWithThePower) {
    PowerLossFileSystem fs;
    fs.WriteDurableFile("/r/f", {});
    OpenOptions writable;
    writable.access = Access::kReadWrite;
    auto writer = fs.Open("/r/f", writable);
    auto reader = fs.Open("/r/f", OpenOptions{});
    ASSERT_TRUE(writer.ok() && reader.ok());
    ASSERT_TRUE(writer.value->TryLock(FileLock::kWriter, LockMode::kExclusive).ok());
    ASSERT_TRUE(reader.value->TryLock(FileLock::kAccess, LockMode::kShared).ok());
    EXPECT_EQ(reader.value->TryLock(FileLock::kWriter, LockMode::kShared).error_number(),
              EWOULDBLOCK);
    EXPECT_EQ(writer.value->TryLock(FileLock::kAccess, LockMode::kExclusive).error_number(),
              EWOULDBLOCK);
    EXPECT_EQ(reader.value->TryLock(FileLock::kAccess, LockMode::kExclusive).error_number(),
              EBADF);  // an exclusive access lock needs write access
    reader.value->Unlock(FileLock::kAccess);
    EXPECT_TRUE(writer.value->TryLock(FileLock::kAccess, LockMode::kExclusive).ok());

    fs.PowerLoss(PowerLossStyle::kKeepEverything, 1);
    auto after = fs.Open("/r/f", writable);
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(after.value->TryLock(FileLock::kWriter, LockMode::kExclusive).ok());
    EXPECT_TRUE(after.value->TryLock(FileLock::kAccess, LockMode::kExclusive).ok());
    EXPECT_EQ(fs.ResolvePath("/r//f/").value.real_path, "/r/f");
}

TEST(PowerLossFileSystem, ReadOnlyFileRefusesWriteAccess) {
    PowerLossFileSystem fs;
    fs.WriteDurableFile("/f", {});
    fs.SetPermissions("/f", 0444);
    OpenOptions options;
    options.access = Access::kReadWrite;
    EXPECT_EQ(fs.Open("/f", options).status.error_number(), EACCES);
}

}  // namespace
}  // namespace kivo::filesystem

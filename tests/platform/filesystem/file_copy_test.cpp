// Copies between files (File::CopyFrom), files without a name
// (FileSystem::CreateUnnamed, File::LinkAs) and page-aligned buffers: on the
// machine's file system, and as the power-loss and failing doubles model them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <utility>

#include "file_bytes.h"
#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/page_aligned_buffer.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/filesystem/power_loss_file_system.h"
#include "temp_dir.h"

namespace kivo::filesystem {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Stop = CopyResult::Stop;

Bytes Pattern(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
}

OpenOptions ReadWrite(Creation creation = Creation::kOpenExisting) {
    OpenOptions options;
    options.access = Access::kReadWrite;
    options.creation = creation;
    return options;
}

std::unique_ptr<File> OpenOrFail(FileSystem& fs, const std::string& path,
                                 const OpenOptions& options) {
    FsResult<std::unique_ptr<File>> opened = fs.Open(path, options);
    EXPECT_TRUE(opened.ok()) << path << ": " << opened.status.Describe();
    return std::move(opened.value);
}

TEST(PageAlignedBuffer, BeginsAtAPageAndSpansWholePages) {
    const std::size_t page = PageAlignedBuffer::PageBytes();
    for (std::size_t size : {std::size_t{1}, page, page + 1, std::size_t{1} << 20}) {
        PageAlignedBuffer buffer(size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % page, 0u) << size;
        EXPECT_GE(buffer.size(), size);
        EXPECT_EQ(buffer.size() % page, 0u);
    }
    PageAlignedBuffer moved_from(page);
    PageAlignedBuffer moved_to(std::move(moved_from));
    EXPECT_EQ(moved_to.size(), page);
    EXPECT_EQ(moved_from.size(), 0u);
    EXPECT_EQ(PageAlignedBuffer(0).size(), 0u);
}

TEST(PosixFileCopy, CopiesARangeToTheTargetPositionAndLeavesTheSourcePositionAlone) {
    test::TempDir dir;
    PosixFileSystem fs;
    const Bytes source_bytes = Pattern((3 << 20) + 777, 1);
    test::WriteFileBytes(dir.file("source"), source_bytes);
    test::WriteFileBytes(dir.file("target"), Pattern(4000, 2));
    std::unique_ptr<File> source = OpenOrFail(fs, dir.file("source"), OpenOptions{});
    std::unique_ptr<File> target = OpenOrFail(fs, dir.file("target"), ReadWrite());
    ASSERT_TRUE(source->Seek(5).ok());
    ASSERT_TRUE(target->Seek(1000).ok());
    PageAlignedBuffer buffer(64 << 10);

    const std::size_t length = (2 << 20) + 333;
    CopyResult copied = target->CopyFrom(*source, 4097, length, buffer);

    EXPECT_EQ(copied.stop, Stop::kNone);
    EXPECT_EQ(copied.bytes_copied, length);
    EXPECT_EQ(target->Position().value, 1000 + length);
    EXPECT_EQ(source->Position().value, 5u);
    Bytes expected = Slice(Pattern(4000, 2), 0, 1000);
    Bytes copied_part = Slice(source_bytes, 4097, length);
    expected.insert(expected.end(), copied_part.begin(), copied_part.end());
    EXPECT_EQ(test::ReadFileBytes(dir.file("target")), expected);
}

TEST(PosixFileCopy, StopsWhereTheSourceEnds) {
    test::TempDir dir;
    PosixFileSystem fs;
    const Bytes source_bytes = Pattern(10000, 3);
    test::WriteFileBytes(dir.file("source"), source_bytes);
    std::unique_ptr<File> source = OpenOrFail(fs, dir.file("source"), OpenOptions{});
    std::unique_ptr<File> target =
        OpenOrFail(fs, dir.file("target"), ReadWrite(Creation::kCreateNew));
    PageAlignedBuffer buffer(4096);

    CopyResult copied = target->CopyFrom(*source, 6000, 8000, buffer);

    EXPECT_EQ(copied.stop, Stop::kSourceEnded);
    EXPECT_EQ(copied.bytes_copied, 4000u);
    EXPECT_EQ(target->Position().value, 4000u);
    EXPECT_EQ(test::ReadFileBytes(dir.file("target")), Slice(source_bytes, 6000, 4000));
}

TEST(PosixFileCopy, ReadsThroughTheBufferWhereTheKernelCannotCopy) {
    test::TempDir dir;
    PosixFileSystem fs;
    PageAlignedBuffer buffer(4096);
    // A file of another file system's kind: the in-memory double's.
    PowerLossFileSystem memory;
    const Bytes memory_bytes = Pattern(20000, 4);
    memory.WriteDurableFile("/m", memory_bytes);
    std::unique_ptr<File> from_memory = OpenOrFail(memory, "/m", OpenOptions{});
    std::unique_ptr<File> target =
        OpenOrFail(fs, dir.file("target"), ReadWrite(Creation::kCreateNew));
    CopyResult copied = target->CopyFrom(*from_memory, 0, memory_bytes.size(), buffer);
    EXPECT_EQ(copied.stop, Stop::kNone);
    EXPECT_EQ(test::ReadFileBytes(dir.file("target")), memory_bytes);

    // A file of /proc reports no size; the kernel copies nothing from it.
    std::unique_ptr<File> status = OpenOrFail(fs, "/proc/self/status", OpenOptions{});
    std::unique_ptr<File> status_copy =
        OpenOrFail(fs, dir.file("status"), ReadWrite(Creation::kCreateNew));
    copied = status_copy->CopyFrom(*status, 0, 1 << 20, buffer);
    EXPECT_EQ(copied.stop, Stop::kSourceEnded);
    EXPECT_GT(copied.bytes_copied, 0u);
    EXPECT_EQ(test::ReadFileText(dir.file("status")).rfind("Name:", 0), 0u);
}

TEST(PosixUnnamedFile, IsSeenOnlyOnceLinkedAndNeverLinkedOverATakenName) {
    test::TempDir dir;
    PosixFileSystem fs;
    FsResult<std::unique_ptr<File>> created = fs.CreateUnnamed(dir.path().string(), 0644);
    ASSERT_TRUE(created.ok()) << created.status.Describe();
    File& file = *created.value;
    ASSERT_TRUE(file.Write("whole", 5).ok());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    test::WriteFileText(dir.file("target"), "kept");
    ASSERT_EQ(symlink(dir.file("target").c_str(), dir.file("link").c_str()), 0);
    EXPECT_EQ(file.LinkAs(dir.file("link")).error_number(), EEXIST);
    EXPECT_EQ(file.LinkAs(dir.file("target")).error_number(), EEXIST);
    EXPECT_EQ(test::ReadFileText(dir.file("target")), "kept");

    ASSERT_TRUE(file.LinkAs(dir.file("named")).ok());
    EXPECT_EQ(test::ReadFileText(dir.file("named")), "whole");
    created.value.reset();
    EXPECT_EQ(test::ReadFileText(dir.file("named")), "whole");
}

TEST(PowerLossFileCopy, CopiedBytesAreWritesThatAPowerCutLosesUnlessSynced) {
    PowerLossFileSystem fs;
    const Bytes source_bytes = Pattern(9000, 5);
    fs.WriteDurableFile("/d/source", source_bytes);
    fs.WriteDurableFile("/d/target", Pattern(100, 6));
    PageAlignedBuffer buffer(4096);
    {
        std::unique_ptr<File> source = OpenOrFail(fs, "/d/source", OpenOptions{});
        std::unique_ptr<File> target = OpenOrFail(fs, "/d/target", ReadWrite());
        ASSERT_TRUE(target->Seek(100).ok());
        fs.CrashAtChange(0);
        EXPECT_EQ(target->CopyFrom(*source, 0, 9000, buffer).stop, Stop::kNone);
        EXPECT_EQ(fs.changes_counted(), 3u) << "one write per piece of the buffer";
    }
    fs.PowerLoss(PowerLossStyle::kDropUnsynced, 1);
    EXPECT_EQ(*fs.FileBytes("/d/target"), Pattern(100, 6));

    std::unique_ptr<File> source = OpenOrFail(fs, "/d/source", OpenOptions{});
    std::unique_ptr<File> target = OpenOrFail(fs, "/d/target", ReadWrite());
    ASSERT_TRUE(target->Seek(100).ok());
    ASSERT_EQ(target->CopyFrom(*source, 0, 9000, buffer).stop, Stop::kNone);
    ASSERT_TRUE(target->Sync().ok());
    fs.PowerLoss(PowerLossStyle::kDropUnsynced, 2);
    Bytes expected = Pattern(100, 6);
    expected.insert(expected.end(), source_bytes.begin(), source_bytes.end());
    EXPECT_EQ(*fs.FileBytes("/d/target"), expected);
}

TEST(PowerLossUnnamedFile, ItsNameIsLostInAPowerCutUntilTheFolderIsSynced) {
    PowerLossFileSystem fs;
    fs.WriteDurableFile("/d/other", Pattern(10, 7));
    auto write_and_link = [&](const std::string& name) {
        FsResult<std::unique_ptr<File>> created = fs.CreateUnnamed("/d", 0644);
        ASSERT_TRUE(created.ok());
        ASSERT_TRUE(created.value->Write("data", 4).ok());
        ASSERT_TRUE(created.value->Sync().ok());
        EXPECT_EQ(fs.ListDirectory("/d").value.entries.size(), 1u) << "seen before its link";
        EXPECT_EQ(created.value->LinkAs("/d/other").error_number(), EEXIST);
        ASSERT_TRUE(created.value->LinkAs(name).ok());
    };
    write_and_link("/d/unsynced");
    fs.PowerLoss(PowerLossStyle::kDropUnsynced, 1);
    EXPECT_FALSE(fs.Exists("/d/unsynced"));

    write_and_link("/d/synced");
    ASSERT_TRUE(fs.SyncDirectory("/d").ok());
    fs.PowerLoss(PowerLossStyle::kDropUnsynced, 2);
    ASSERT_TRUE(fs.Exists("/d/synced"));
    EXPECT_EQ(*fs.FileBytes("/d/synced"), (Bytes{'d', 'a', 't', 'a'}));
}

TEST(FailingFileCopy, APlannedFailureStopsTheCopyOnTheSideWhereItHappened) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/d/source", Pattern(10000, 8));
    disk.WriteDurableFile("/d/target", {});
    FailingFileSystem fs(disk);
    PageAlignedBuffer buffer(4096);
    struct Case {
        FailurePlan plan;
        Stop stop;
        std::size_t bytes_copied;
    };
    FailurePlan short_write = FailNth(kCallWrite, 2);
    short_write.short_transfer = true;
    FailurePlan second_read = FailNth(kCallRead, 2, ENOSPC);
    second_read.path_is = "/d/source";
    const Case cases[] = {
        {second_read, Stop::kSourceFailed, 4096},
        {FailNth(kCallWrite, 3, ENOSPC), Stop::kTargetFailed, 8192},
        {short_write, Stop::kTargetShort, 4096 + 2048},
    };
    for (const Case& c : cases) {
        std::unique_ptr<File> source = OpenOrFail(fs, "/d/source", OpenOptions{});
        std::unique_ptr<File> target = OpenOrFail(fs, "/d/target", ReadWrite());
        fs.Plan(c.plan);
        CopyResult copied = target->CopyFrom(*source, 0, 10000, buffer);
        EXPECT_TRUE(fs.failed());
        EXPECT_EQ(copied.stop, c.stop);
        EXPECT_EQ(copied.bytes_copied, c.bytes_copied);
        if (c.stop == Stop::kSourceFailed || c.stop == Stop::kTargetFailed) {
            EXPECT_EQ(copied.status.error_number(), ENOSPC);
        }
    }
}

TEST(FailingUnnamedFile, CreationCountsAsAnOpenInTheFolderAndLinkingAsALink) {
    PowerLossFileSystem disk;
    disk.WriteDurableFile("/d/other", {});
    FailingFileSystem fs(disk);
    FailurePlan open_in_folder = FailNth(kCallOpen, 1, ENOSPC);
    open_in_folder.path_contains = "/d/";
    fs.Plan(open_in_folder);
    EXPECT_EQ(fs.CreateUnnamed("/d", 0644).status.error_number(), ENOSPC);

    fs.Plan(FailNth(kCallLink, 1, EIO));
    FsResult<std::unique_ptr<File>> created = fs.CreateUnnamed("/d", 0644);
    ASSERT_TRUE(created.ok());
    EXPECT_EQ(created.value->LinkAs("/d/new").error_number(), EIO);
    EXPECT_FALSE(disk.Exists("/d/new"));
    EXPECT_TRUE(created.value->LinkAs("/d/new").ok());
    EXPECT_TRUE(disk.Exists("/d/new"));
}

}  // namespace
}  // namespace kivo::filesystem

// Where the engine moves file data through its own memory (storing,
// extracting, restoring, compacting, writing the directory and the journal),
// that memory begins at a page boundary: reading into or writing from memory
// a few bytes into a page makes the kernel's copy several times slower.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/filesystem/page_aligned_buffer.h"
#include "observing_file_system.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

// Every transfer of at least a page, misaligned ones as "path call size".
struct Transfers {
    std::size_t aligned = 0;
    std::vector<std::string> misaligned;

    void Note(const Transfer& transfer) {
        const std::size_t page = filesystem::PageAlignedBuffer::PageBytes();
        if (transfer.size_bytes < page) {
            return;
        }
        if (reinterpret_cast<std::uintptr_t>(transfer.data) % page == 0) {
            ++aligned;
        } else {
            misaligned.push_back(transfer.path + (transfer.is_write ? " write " : " read ") +
                                 std::to_string(transfer.size_bytes));
        }
    }
};

std::string LongName(int index) {
    return "member-with-a-name-long-enough-to-fill-the-directory-" + std::to_string(index);
}

TEST(CopyBuffers, EveryTransferOfAPageOrMoreUsesPageAlignedMemory) {
    MemoryDisk disk;
    std::vector<std::string> names = {"big", "mid"};
    disk.AddFile("big", Pattern((3 << 20) + 5, 1));
    disk.AddFile("mid", Pattern(70000, 2));
    // Enough members for a directory (and a journal) of several pages.
    for (int i = 0; i < 60; ++i) {
        names.push_back(LongName(i));
        disk.AddFile(names.back(), Pattern(100 + i, 3 + i));
    }
    Transfers transfers;
    ObservingFileSystem observed(disk.fs,
                                 [&](const Transfer& transfer) { transfers.Note(transfer); });
    EngineOptions options = TestOptions();
    // A compaction window larger than what moves: each block is moved in
    // whole pieces of the copy buffer.
    options.compaction_window_bytes = 8 << 20;
    Engine engine(observed, options);
    const std::string repository = "/r/s.xrt";

    ASSERT_TRUE(engine.Put(repository, "/src", names).ok());
    ASSERT_TRUE(engine.Put(repository, "/src", {"mid"}).ok());  // a second version
    ASSERT_TRUE(engine.Delete(repository, {"big"}).ok());
    ASSERT_TRUE(engine.UnDelete(repository, "big", 1).ok());
    ASSERT_TRUE(engine.GetAll(repository, "/out").ok());
    ASSERT_TRUE(engine.Compress(repository).ok());
    ASSERT_TRUE(engine.Get(repository, "/out", {"big"}).ok());

    EXPECT_TRUE(transfers.misaligned.empty()) << testing::PrintToString(transfers.misaligned);
    // Member data, the directory and its journal copy at least.
    EXPECT_GT(transfers.aligned, 20u);
    EXPECT_EQ(disk.FileBytes("/out/big"), Pattern((3 << 20) + 5, 1));
    EXPECT_EQ(disk.FileBytes("/out/mid"), Pattern(70000, 2));
}

}  // namespace
}  // namespace kivo::repository::test

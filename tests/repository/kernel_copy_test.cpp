// On the machine's file system, storing and extracting copy member data in
// pieces of 1 MiB, and a piece of less than 128 KiB (a small member, the end
// of a large one) in the kernel (copy_file_range) instead of through the
// process. This program
// defines copy_file_range itself, so the engine's calls reach this counting
// version (which makes the system call) instead of the C library's; it is a
// program of its own so no other test runs with it.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/engine.h"
#include "temp_dir.h"

namespace {

std::uint64_t kernel_copied_bytes = 0;

}  // namespace

extern "C" ssize_t copy_file_range(int in_fd, loff_t* in_offset, int out_fd, loff_t* out_offset,
                                   size_t length, unsigned int flags) noexcept {
    const auto copied = static_cast<ssize_t>(
        syscall(SYS_copy_file_range, in_fd, in_offset, out_fd, out_offset, length, flags));
    if (copied > 0) {
        kernel_copied_bytes += static_cast<std::uint64_t>(copied);
    }
    return copied;
}

namespace kivo::repository {
namespace {

test::Bytes Pattern(std::size_t size, std::uint8_t seed) {
    test::Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 12));
    }
    return bytes;
}

TEST(KernelCopy, StoringAndExtractingMoveTheSmallPiecesInTheKernel) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("in"));
    std::filesystem::create_directory(dir.file("out"));
    const test::Bytes big = Pattern((3 << 20) + 123, 1);
    const test::Bytes small = Pattern(40 << 10, 2);
    test::WriteFileBytes(dir.file("in/big"), big);
    test::WriteFileBytes(dir.file("in/small"), small);
    filesystem::PosixFileSystem fs;
    Engine engine(fs);
    const std::string repository = dir.file("s.xrt");

    // Three whole pieces of 1 MiB of big go through the process.
    const std::uint64_t small_pieces = small.size() + big.size() % (1 << 20);

    kernel_copied_bytes = 0;
    StatusRecord put = engine.Put(repository, dir.file("in"), {"big", "small"});
    ASSERT_TRUE(put.ok());
    EXPECT_EQ(kernel_copied_bytes, small_pieces);

    kernel_copied_bytes = 0;
    StatusRecord got = engine.GetAll(repository, dir.file("out"));
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(kernel_copied_bytes, small_pieces);
    EXPECT_EQ(test::ReadFileBytes(dir.file("out/big")), big);
    EXPECT_EQ(test::ReadFileBytes(dir.file("out/small")), small);
}

}  // namespace
}  // namespace kivo::repository

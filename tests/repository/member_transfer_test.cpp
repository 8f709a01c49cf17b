// Storing files as members and extracting them again: versions, names that
// must not become paths, links at the output path, times and attributes,
// the size limits, and progress reports.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstring>
#include <filesystem>

#include "file_bytes.h"
#include "kivo/filesystem/forwarding_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "repository_test_support.h"
#include "temp_dir.h"

namespace kivo::repository::test {
namespace {

TEST(MemberGet, NameWithOnlyDeletedVersionsIsNotFoundAndCreatesNoFile) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.Store("/r/s.xrt", {"a"});
    ASSERT_TRUE(disk.engine.Delete("/r/s.xrt", {"a"}).ok());
    StatusRecord status = disk.engine.Get("/r/s.xrt", "/out", {"a"});
    EXPECT_EQ(Messages(status), "RPS07 File a not found in Repository\n");
    EXPECT_FALSE(disk.fs.Exists("/out/a"));
    EXPECT_EQ(disk.fs.ListDirectory("/out").value.entries.size(), 0u);
}

TEST(MemberGet, StoringTheSameFileTwiceExtractsTheSecond) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("first"));
    disk.Store("/r/s.xrt", {"a"});
    disk.AddFile("a", TextBytes("second"));
    disk.Store("/r/s.xrt", {"a"});
    EXPECT_EQ(disk.engine.AllInfo("/r/s.xrt").entries.size(), 2u);
    ASSERT_TRUE(disk.engine.Get("/r/s.xrt", "/out/", {"a"}).ok());
    EXPECT_EQ(disk.FileBytes("/out/a"), TextBytes("second"));
}

TEST(MemberPut, MissingRepositoryIsCreatedButANestedPathIsRefused) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.Store("/r/outer.xrt", {"a"});
    Bytes before = disk.FileBytes("/r/outer.xrt");
    StatusRecord nested = disk.engine.Put("/r/outer.xrt>>a", "/src", {"a"});
    EXPECT_EQ(Messages(nested), "RPS22 Function not supported in embedded Repositories\n");
    EXPECT_EQ(disk.FileBytes("/r/outer.xrt"), before);
}

TEST(MemberPut, ZeroByteFileIsStoredAndExtractedWithItsTimes) {
    MemoryDisk disk;
    disk.AddFile("empty", {});
    disk.Store("/r/s.xrt", {"empty"});
    ASSERT_EQ(disk.engine.Info("/r/s.xrt").entries.at(0).size_bytes, 0u);
    ASSERT_TRUE(disk.engine.Get("/r/s.xrt", "/out", {"empty"}).ok());
    EXPECT_TRUE(disk.FileBytes("/out/empty").empty());
    EXPECT_EQ(disk.fs.Stat("/out/empty", true).value.modification_time,
              disk.fs.Stat("/src/empty", true).value.modification_time);
}

TEST(MemberPut, UnsafeNamesAreRefusedWithAReason) {
    MemoryDisk disk;
    disk.AddFile("ok", TextBytes("fine"));
    StatusRecord status = disk.engine.Put("/r/s.xrt", "/src", {"", "..", "../ok", "a\\b", "ok"});
    EXPECT_EQ(Messages(status),
              "RPS03 Unable to open file /src/ - Member name is empty\n"
              "RPS03 Unable to open file /src/.. - Member name is a folder reference\n"
              "RPS03 Unable to open file /src/../ok - Member name contains a path separator\n"
              "RPS03 Unable to open file /src/a\\b - Member name contains a path separator\n");
    EXPECT_EQ(LiveMembers(disk.engine, "/r/s.xrt").size(), 1u);
}

TEST(MemberPut, MissingFileIsReportedAndTheOthersAreStored) {
    MemoryDisk disk;
    disk.AddFile("b", TextBytes("bee"));
    StatusRecord status = disk.engine.Put("/r/s.xrt", "/src", {"missing", "b"});
    EXPECT_EQ(Messages(status),
              "RPS03 Unable to open file /src/missing - No such file or directory\n");
    EXPECT_EQ(status.severity, kSeverityFailure);
    EXPECT_EQ(LiveMembers(disk.engine, "/r/s.xrt").at("b"), TextBytes("bee"));
}

TEST(MemberPut, PutAllOfTheRepositorysOwnFolderSkipsTheRepository) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.Store("/src/store.xrt", {"a"});
    disk.AddFile("b", TextBytes("bee"));
    ASSERT_TRUE(disk.fs.MakeDirectory("/src/sub", 0755).ok());
    StatusRecord status = disk.engine.PutAll("/src/store.xrt", "/src");
    EXPECT_EQ(Messages(status), "RPS03 Unable to open file /src/store.xrt - " +
                                    filesystem::FsStatus::Error(EWOULDBLOCK).Describe() + "\n");
    std::map<std::string, Bytes> live = LiveMembers(disk.engine, "/src/store.xrt");
    EXPECT_EQ(live.size(), 2u);  // a stored again, b; never the folder
    EXPECT_EQ(live.at("b"), TextBytes("bee"));
}

// A volume that statfs reports as FAT, or cannot describe.
class VolumeDouble : public filesystem::ForwardingFileSystem {
public:
    VolumeDouble(filesystem::FileSystem& target, bool fat, bool fails)
        : ForwardingFileSystem(target), fat_(fat), fails_(fails) {}
    filesystem::FsResult<filesystem::VolumeInfo> StatVolume(const std::string&) override {
        if (fails_) {
            return filesystem::FsResult<filesystem::VolumeInfo>::Failure(ENOSYS);
        }
        return {filesystem::FsStatus::Ok(), filesystem::VolumeInfo{fat_ ? 0x4d44u : 0xEF53u}};
    }

private:
    bool fat_;
    bool fails_;
};

// A repository whose append position is near 4 GiB: one member's directory
// entry claims a block of 4 GiB - 300 bytes, which lies in a sparse file.
void WriteNearlyFourGigabyteRepository(const std::string& path) {
    Bytes head(36, 0);
    std::memcpy(head.data(), "XR01", 4);
    SetU32(head, 4, 36);
    SetU32(head, 8, 1);
    const std::uint64_t directory_offset = 0xFFFFFF00ULL;
    SetU64(head, 12, directory_offset);
    Bytes entry(100, 0);
    std::memcpy(entry.data(), "DIR", 3);
    SetU32(entry, 3, 99);
    SetU64(entry, 11, 36);
    SetU32(entry, 75, static_cast<std::uint32_t>(directory_offset - 36 - 100));
    SetU32(entry, 79, 0x80);
    SetU32(entry, 87, 1);
    SetU32(entry, 91, 1);
    entry[99] = 'x';
    kivo::test::WriteFileBytes(path, head);
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, entry.data(), entry.size(), 36), 100);
    ASSERT_EQ(pwrite(fd, entry.data(), entry.size(), static_cast<off_t>(directory_offset)), 100);
    close(fd);
}

TEST(MemberPut, FatVolumeLimitsTheRepositoryToFourGigabytes) {
    kivo::test::TempDir dir;
    WriteNearlyFourGigabyteRepository(dir.file("big.xrt"));
    kivo::test::WriteFileText(dir.file("small"), std::string(200, 's'));
    filesystem::PosixFileSystem posix;
    VolumeDouble fat(posix, true, false);
    Engine on_fat(fat, TestOptions());
    StatusRecord refused = on_fat.Put(dir.file("big.xrt"), dir.path().string(), {"small"});
    EXPECT_EQ(Messages(refused), "RPS12 Repository file exceeded its maximum size (2)\n");

    VolumeDouble unknown(posix, false, true);
    Engine elsewhere(unknown, TestOptions());
    StatusRecord stored = elsewhere.Put(dir.file("big.xrt"), dir.path().string(), {"small"});
    EXPECT_EQ(Messages(stored), "RPS13 Unable to identify volume filesystem - " +
                                    filesystem::FsStatus::Error(ENOSYS).Describe() + "\n");
    EXPECT_EQ(stored.entries.size(), 0u);
    EXPECT_EQ(elsewhere.Info(dir.file("big.xrt")).entries.size(), 2u);
}

// An engine over the real file system in a temporary folder with src/ and out/.
struct DiskFolder {
    DiskFolder() : engine(posix, TestOptions()) {
        std::filesystem::create_directory(dir.path() / "src");
        std::filesystem::create_directory(dir.path() / "out");
    }
    std::string Path(const std::string& name) const { return dir.file(name); }
    kivo::test::TempDir dir;
    filesystem::PosixFileSystem posix;
    Engine engine;
};

TEST(MemberGet, ExtractionReplacesASymbolicLinkInsteadOfWritingThroughIt) {
    DiskFolder folder;
    kivo::test::WriteFileText(folder.Path("src/a"), "member data");
    ASSERT_TRUE(folder.engine.Put(folder.Path("r.xrt"), folder.Path("src"), {"a"}).ok());
    kivo::test::WriteFileText(folder.Path("secret"), "do not touch");
    ASSERT_EQ(symlink(folder.Path("secret").c_str(), folder.Path("out/a").c_str()), 0);

    StatusRecord status = folder.engine.Get(folder.Path("r.xrt"), folder.Path("out"), {"a"});
    ASSERT_TRUE(status.ok()) << Messages(status);
    EXPECT_EQ(kivo::test::ReadFileText(folder.Path("secret")), "do not touch");
    EXPECT_FALSE(std::filesystem::is_symlink(folder.Path("out/a")));
    EXPECT_EQ(kivo::test::ReadFileText(folder.Path("out/a")), "member data");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("out")),
                            std::filesystem::directory_iterator{}),
              1);
}

TEST(MemberGet, ReadOnlyFileComesBackReadOnlyAndNeverExecutable) {
    DiskFolder folder;
    kivo::test::WriteFileText(folder.Path("src/ro"), "fixed");
    ASSERT_EQ(chmod(folder.Path("src/ro").c_str(), 0555), 0);
    ASSERT_TRUE(folder.engine.Put(folder.Path("r.xrt"), folder.Path("src"), {"ro"}).ok());
    EXPECT_EQ(folder.engine.Info(folder.Path("r.xrt")).entries.at(0).attributes, 0x01u);

    ASSERT_TRUE(folder.engine.GetAll(folder.Path("r.xrt"), folder.Path("out")).ok());
    struct stat st {};
    ASSERT_EQ(stat(folder.Path("out/ro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0333, 0u) << std::oct << st.st_mode;

    // A read-only file at the output path is not replaced.
    StatusRecord again = folder.engine.Get(folder.Path("r.xrt"), folder.Path("out"), {"ro"});
    EXPECT_EQ(Messages(again),
              "RPS03 Unable to open file " + folder.Path("out/ro") + " - Permission denied\n");
}

TEST(MemberGet, MemberNamesThatAreNotPlainFileNamesAreRefused) {
    MemoryDisk disk;
    disk.fs.WriteDurableFile("/r/h.xrt", BuildXr01({{"../escape", TextBytes("x")},
                                                    {"/etc/passwd", TextBytes("y")},
                                                    {"fine", TextBytes("z")},
                                                    {std::string("nul\0x", 5), TextBytes("w")}}));
    StatusRecord all = disk.engine.GetAll("/r/h.xrt", "/out");
    EXPECT_EQ(Messages(all),
              "RPS03 Unable to open file /out/../escape - Member name contains a path separator\n"
              "RPS03 Unable to open file /out//etc/passwd - Member name contains a path separator\n"
              "RPS03 Unable to open file /out/nul?x - Member name contains a NUL byte\n");
    EXPECT_EQ(disk.FileBytes("/out/fine"), TextBytes("z"));
    EXPECT_FALSE(disk.fs.Exists("/escape"));
    EXPECT_FALSE(disk.fs.Exists("/r/escape"));
    StatusRecord named = disk.engine.Get("/r/h.xrt", "/out", {"../escape"});
    EXPECT_TRUE(named.Has(MessageCode::kOpenFileFailed));
}

TEST(MemberTransfer, ProgressReportsEveryBlockWithItsLabel) {
    MemoryDisk disk;
    disk.AddFile("big", Pattern(2500000, 1));
    std::vector<std::string> seen;
    ProgressCallback record = [&](ProgressPhase phase, std::uint32_t bytes,
                                  const std::string& label) {
        seen.push_back(std::to_string(static_cast<int>(phase)) + " " + std::to_string(bytes) + " " +
                       label);
    };
    // Storing and extracting move 1 MiB blocks.
    ASSERT_TRUE(disk.engine.Put("/r/s.xrt", "/src", {"big"}, record).ok());
    EXPECT_EQ(seen, (std::vector<std::string>{"0 1048576 /src/big", "1 1048576 /r/s.xrt(big)",
                                              "0 1048576 /src/big", "1 1048576 /r/s.xrt(big)",
                                              "0 402848 /src/big", "1 402848 /r/s.xrt(big)"}));
    seen.clear();
    ASSERT_TRUE(disk.engine.Get("/r/s.xrt", "/out", {"big"}, record).ok());
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0], "0 1048576 /r/s.xrt(big)");
    EXPECT_EQ(seen[5], "1 402848 /out/big");
    EXPECT_EQ(disk.FileBytes("/out/big"), Pattern(2500000, 1));
}

}  // namespace
}  // namespace kivo::repository::test

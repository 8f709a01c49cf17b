// Every input/output failure the engine names by step, made to happen with
// the failing file-system double: the message, and a repository left as it
// was when the failing call wrote to it.
#include <gtest/gtest.h>

#include <functional>

#include "kivo/filesystem/failing_file_system.h"
#include "repository_test_support.h"

namespace kivo::repository::test {
namespace {

using filesystem::FailNth;
using filesystem::FailurePlan;

constexpr char kRepository[] = "/r/s.xrt";
constexpr char kJournal[] = "/r/s.xrt-journal";

enum class Call { kPutNew, kPutExisting, kGet, kDelete, kUnDelete, kCompress, kCheck, kLoad };

struct IoErrorCase {
    const char* what;
    Call call;
    FailurePlan plan;
    const char* message;  // the first message, up to " - " when it has an error text
};

FailurePlan On(const char* path, filesystem::FsCallSet calls, std::uint64_t nth, int error = EIO) {
    FailurePlan plan = FailNth(calls, nth, error);
    plan.path_is = path;
    return plan;
}

FailurePlan Short(const char* path, filesystem::FsCallSet calls, std::uint64_t nth) {
    FailurePlan plan = On(path, calls, nth);
    plan.short_transfer = true;
    return plan;
}

FailurePlan Within(const char* folder, filesystem::FsCallSet calls, std::uint64_t nth,
                   int error = EIO) {
    FailurePlan plan = FailNth(calls, nth, error);
    plan.path_contains = folder;
    return plan;
}

using namespace filesystem;  // the FsCall bits

// The repository holds a (deleted, then stored again), b (70000 bytes, live)
// and c (deleted). Opening reads: seek 1, read 1 (4 bytes), seek 2, read 2
// (header), seek 3, read 3 (directory). A writing call then reads the
// header and the directory once more for its journal (reads 4 and 5).
const std::vector<IoErrorCase>& Cases() {
    static const std::vector<IoErrorCase> cases = {
        {"open", Call::kGet, On(kRepository, kCallOpen, 1, EACCES),
         "RPS01 Unable to open repository file (/r/s.xrt) - Permission denied"},
        {"first header seek", Call::kGet, On(kRepository, kCallSeek, 1),
         "RPS10 Windows failed to set file pointer (4)"},
        {"first header read", Call::kGet, On(kRepository, kCallRead, 1),
         "RPS02 I/O error accessing repository (4)"},
        {"second header seek", Call::kGet, On(kRepository, kCallSeek, 2),
         "RPS10 Windows failed to set file pointer (5)"},
        {"header read", Call::kGet, On(kRepository, kCallRead, 2),
         "RPS02 I/O error accessing repository (6)"},
        {"directory seek", Call::kGet, On(kRepository, kCallSeek, 3),
         "RPS10 Windows failed to set file pointer (8)"},
        {"directory read", Call::kGet, On(kRepository, kCallRead, 3),
         "RPS02 I/O error accessing repository (13)"},
        {"seek to member data", Call::kGet, On(kRepository, kCallSeek, 4),
         "RPS10 Windows failed to set file pointer (11)"},
        {"member data read", Call::kGet, On(kRepository, kCallRead, 4),
         "RPS02 I/O error accessing repository (2)"},
        {"short member data read", Call::kGet, Short(kRepository, kCallRead, 4),
         "RPS02 I/O error accessing repository (1)"},
        {"output file", Call::kGet, Within("/out/", kCallOpen, 1, ENOSPC),
         "RPS03 Unable to open file /out/b"},
        {"output write", Call::kGet, Within("/out/", kCallWrite, 1, ENOSPC),
         "RPS04 I/O error accessing file /out/b (1)"},
        {"output times", Call::kGet, Within("/out/", kCallSetTimes, 1),
         "RPS19 Error setting attributes of file /out/b"},
        {"source open", Call::kPutNew, Within("/src/", kCallOpen, 1, EACCES),
         "RPS03 Unable to open file /src/n"},
        {"source size", Call::kPutNew, Within("/src/", kCallStat, 1),
         "RPS09 Windows returned an invalid filesize"},
        {"source attributes", Call::kPutNew, Within("/src/", kCallStat, 2),
         "RPS18 Error getting attributes of file /src/n"},
        {"source read", Call::kPutNew, Within("/src/", kCallRead, 1),
         "RPS04 I/O error accessing file /src/n (3)"},
        {"seek to the append position", Call::kPutNew, On(kRepository, kCallSeek, 4),
         "RPS10 Windows failed to set file pointer (1)"},
        {"entry write", Call::kPutNew, On(kRepository, kCallWrite, 1),
         "RPS02 I/O error accessing repository (23)"},
        {"short entry write", Call::kPutNew, Short(kRepository, kCallWrite, 1),
         "RPS02 I/O error accessing repository (24)"},
        {"position after the entry", Call::kPutNew, On(kRepository, kCallPosition, 1),
         "RPS10 Windows failed to set file pointer (10)"},
        {"data write", Call::kPutNew, On(kRepository, kCallWrite, 2, ENOSPC),
         "RPS02 I/O error accessing repository (3) - No space left on device"},
        {"short data write", Call::kPutNew, Short(kRepository, kCallWrite, 2),
         "RPS02 I/O error accessing repository (27)"},
        {"position after the data", Call::kPutNew, On(kRepository, kCallPosition, 2),
         "RPS10 Windows failed to set file pointer (2)"},
        {"directory seek when writing", Call::kPutNew, On(kRepository, kCallSeek, 5),
         "RPS10 Windows failed to set file pointer (9)"},
        {"directory write", Call::kPutNew, On(kRepository, kCallWrite, 3),
         "RPS02 I/O error accessing repository (19)"},
        {"short directory write", Call::kPutNew, Short(kRepository, kCallWrite, 3),
         "RPS02 I/O error accessing repository (20)"},  // stops inside the third entry
        {"truncation", Call::kPutNew, On(kRepository, kCallTruncate, 1),
         "RPS02 I/O error accessing repository (57)"},
        {"header seek", Call::kPutNew, On(kRepository, kCallSeek, 6),
         "RPS10 Windows failed to set file pointer (6)"},
        {"header write", Call::kPutNew, On(kRepository, kCallWrite, 4),
         "RPS02 I/O error accessing repository (9)"},
        {"short header write", Call::kPutNew, Short(kRepository, kCallWrite, 4),
         "RPS02 I/O error accessing repository (10)"},
        {"repository sync", Call::kPutNew, On(kRepository, kCallSync, 1),
         "RPS02 I/O error accessing repository (53)"},
        {"journal creation", Call::kPutNew, On(kJournal, kCallOpen, 1, ENOSPC),
         "RPS02 I/O error accessing repository (50)"},
        {"journal write", Call::kPutNew, On(kJournal, kCallWrite, 2, ENOSPC),
         "RPS02 I/O error accessing repository (51)"},
        {"journal sync", Call::kPutNew, On(kJournal, kCallSync, 1),
         "RPS02 I/O error accessing repository (52)"},
        {"journal folder sync", Call::kPutNew, On("/r", kCallSyncDirectory, 1),
         "RPS02 I/O error accessing repository (52)"},
        {"journal removal", Call::kPutNew, On(kJournal, kCallUnlink, 1),
         "RPS02 I/O error accessing repository (54)"},
        {"position before marking", Call::kPutExisting, On(kRepository, kCallPosition, 1),
         "RPS10 Windows failed to set file pointer (21)"},
        {"seek to the old entry", Call::kPutExisting, On(kRepository, kCallSeek, 5),
         "RPS10 Windows failed to set file pointer (22)"},
        {"old entry write", Call::kPutExisting, On(kRepository, kCallWrite, 1),
         "RPS02 I/O error accessing repository (40)"},
        {"short old entry write", Call::kPutExisting, Short(kRepository, kCallWrite, 1),
         "RPS02 I/O error accessing repository (41)"},
        {"seek back after marking", Call::kDelete, On(kRepository, kCallSeek, 5),
         "RPS10 Windows failed to set file pointer (23)"},
        {"seek to the append position when restoring", Call::kUnDelete,
         On(kRepository, kCallSeek, 4), "RPS10 Windows failed to set file pointer (15)"},
        {"restored entry write", Call::kUnDelete, On(kRepository, kCallWrite, 1),
         "RPS02 I/O error accessing repository (32)"},
        {"position after the restored entry", Call::kUnDelete, On(kRepository, kCallPosition, 1),
         "RPS10 Windows failed to set file pointer (16)"},
        {"copy source seek", Call::kUnDelete, On(kRepository, kCallSeek, 5),
         "RPS10 Windows failed to set file pointer (13)"},
        {"copy read", Call::kUnDelete, On(kRepository, kCallRead, 6),
         "RPS02 I/O error accessing repository (28)"},
        {"short copy read", Call::kUnDelete, Short(kRepository, kCallRead, 6),
         "RPS02 I/O error accessing repository (29)"},
        {"copy target seek", Call::kUnDelete, On(kRepository, kCallSeek, 6),
         "RPS10 Windows failed to set file pointer (14)"},
        {"copy write", Call::kUnDelete, On(kRepository, kCallWrite, 2),
         "RPS02 I/O error accessing repository (30)"},
        {"short copy write", Call::kUnDelete, Short(kRepository, kCallWrite, 2),
         "RPS02 I/O error accessing repository (31)"},
        {"position after the copy", Call::kUnDelete, On(kRepository, kCallPosition, 2),
         "RPS10 Windows failed to set file pointer (18)"},
        {"seek to the write position", Call::kCompress, On(kRepository, kCallSeek, 4),
         "RPS10 Windows failed to set file pointer (12)"},
        {"move read", Call::kCompress, On(kRepository, kCallRead, 4),
         "RPS02 I/O error accessing repository (28)"},
        {"move write", Call::kCompress, On(kRepository, kCallWrite, 2),
         "RPS02 I/O error accessing repository (30)"},
        {"checkpoint sync", Call::kCompress, On(kRepository, kCallSync, 1),
         "RPS02 I/O error accessing repository (53)"},
        {"position after the moves", Call::kCompress, On(kRepository, kCallPosition, 1),
         "RPS10 Windows failed to set file pointer (17)"},
        {"seek to the first block", Call::kCheck, On(kRepository, kCallSeek, 4),
         "RPS10 Windows failed to set file pointer (19)"},
        {"internal entry read", Call::kCheck, On(kRepository, kCallRead, 4),
         "RPS02 I/O error accessing repository (36)"},
        {"short internal entry read", Call::kCheck, Short(kRepository, kCallRead, 4),
         "RPS02 I/O error accessing repository (37)"},
        {"internal name read", Call::kCheck, On(kRepository, kCallRead, 5),
         "RPS02 I/O error accessing repository (38)"},
        {"seek to the next block", Call::kCheck, On(kRepository, kCallSeek, 5),
         "RPS10 Windows failed to set file pointer (20)"},
        {"seek to the loaded member", Call::kLoad, On(kRepository, kCallSeek, 4),
         "RPS10 Windows failed to set file pointer (24)"},
        {"loaded member read", Call::kLoad, On(kRepository, kCallRead, 4),
         "RPS02 I/O error accessing repository (43)"},
    };
    return cases;
}

StatusRecord RunCall(Engine& engine, Call call) {
    switch (call) {
        case Call::kPutNew:
            return engine.Put(kRepository, "/src", {"n"});
        case Call::kPutExisting:
            return engine.Put(kRepository, "/src", {"b"});
        case Call::kGet:
            return engine.Get(kRepository, "/out", {"b"});
        case Call::kDelete:
            return engine.Delete(kRepository, {"b"});
        case Call::kUnDelete:
            return engine.UnDelete(kRepository, "c", 1);
        case Call::kCompress:
            return engine.Compress(kRepository);
        case Call::kCheck:
            return engine.CheckIntegrity(kRepository);
        case Call::kLoad: {
            static Bytes buffer(70000);
            LoadRequest request{"b", buffer.data(), 70000, TextKind::kControl};
            return engine.LoadFile(kRepository, request);
        }
    }
    return {};
}

TEST(RepositoryIoError, EachFailingStepIsReportedAndTheRepositoryStaysAsItWas) {
    for (const IoErrorCase& io_error : Cases()) {
        SCOPED_TRACE(io_error.what);
        MemoryDisk disk;
        disk.AddFile("a", TextBytes("first a"));
        disk.AddFile("b", Pattern(70000, 2));
        disk.AddFile("c", TextBytes("sea"));
        disk.AddFile("n", TextBytes("new"));
        disk.Store(kRepository, {"a", "b", "c", "a"});
        ASSERT_TRUE(disk.engine.Delete(kRepository, {"c"}).ok());
        Bytes before = disk.FileBytes(kRepository);
        std::map<std::string, Bytes> live_before = LiveMembers(disk.engine, kRepository);

        filesystem::FailingFileSystem failing(disk.fs);
        failing.Plan(io_error.plan);
        Engine engine(failing, TestOptions());
        StatusRecord status = RunCall(engine, io_error.call);
        EXPECT_TRUE(failing.failed()) << "the planned call never happened";
        ASSERT_FALSE(status.messages.empty());
        const std::string& first = status.messages.front().text;
        EXPECT_EQ(first.substr(0, std::string(io_error.message).size()), io_error.message) << first;

        EXPECT_FALSE(disk.fs.Exists(kJournal));
        if (io_error.call == Call::kCompress) {
            // A compaction that had begun moving is finished, not undone.
            EXPECT_EQ(LiveMembers(disk.engine, kRepository), live_before);
        } else {
            EXPECT_EQ(disk.FileBytes(kRepository), before);
        }
        EXPECT_TRUE(disk.engine.CheckIntegrity(kRepository).ok());
        for (const filesystem::DirectoryEntry& entry :
             disk.fs.ListDirectory("/out").value.entries) {
            EXPECT_EQ(entry.name, "b") << "a partial or temporary file was left";
        }
    }
}

TEST(RepositoryIoError, FailingListingsAreReportedByStage) {
    struct Stage {
        filesystem::ListingStage stage;
        const char* message;
    } stages[] = {{filesystem::ListingStage::kOpen, "RPS14 Error in FindFirstFile - "},
                  {filesystem::ListingStage::kNext, "RPS15 Error in FindNextFile - "},
                  {filesystem::ListingStage::kClose, "RPS16 Error in FindClose - "}};
    for (const Stage& stage : stages) {
        MemoryDisk disk;
        disk.AddFile("a", TextBytes("abc"));
        filesystem::FailingFileSystem failing(disk.fs);
        FailurePlan plan = FailNth(filesystem::kCallListDirectory, 1);
        plan.listing_stage = stage.stage;
        failing.Plan(plan);
        Engine engine(failing, TestOptions());
        StatusRecord status = engine.PutAll(kRepository, "/src");
        EXPECT_EQ(Messages(status),
                  std::string(stage.message) + filesystem::FsStatus::Error(EIO).Describe() + "\n");
    }
}

}  // namespace
}  // namespace kivo::repository::test

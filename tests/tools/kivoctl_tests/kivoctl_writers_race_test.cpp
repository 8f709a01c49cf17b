// Two kivoctl writers on one store at the same time: each holds the store for
// its whole command, so neither undoes the other. A command that exits 0 did
// its change, and it stays done; a command refused exits 3 with a message
// naming the holder and changes nothing.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/writer_lock.h"
#include "kivoctl_commands.h"
#include "kivoctl_run.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::kivoctl::test {
namespace {

using kivo::test::TempDir;
using namespace std::chrono_literals;

constexpr int kRounds = 100;
constexpr int kRecords = 2 * kRounds;

class WritersRaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = kivo::test::NewStoreMembers();
        members["Voxwren.xrl"] = "999999999";
        std::vector<kivo::test::RecordFields> records;
        for (int n = 1; n <= kRecords; ++n) {
            records.push_back(Record(n, "0"));
            members["D" + std::to_string(n) + ".xrz"] = "recording " + std::to_string(n);
        }
        members["Voxwren.xrr"] = kivo::test::MakeRecordLog(records);
        kivo::test::MakeStore(store, members);
        options.environment["TMPDIR"] = temp.path().string();
        options.time_limit = 20s;
    }

    // Starts both commands together and waits for both.
    std::pair<Result, Result> Race(const std::vector<std::string>& first,
                                   const std::vector<std::string>& second) {
        Result a, b;
        std::thread other([&] { b = RunKivoctl(second, options); });
        a = RunKivoctl(first, options);
        other.join();
        return {a, b};
    }

    // A delete's outcome: 0 and the record deleted, or 3 (the store was in
    // use) and nothing changed. Anything else fails the test.
    void Account(const Result& r, int record) {
        EXPECT_FALSE(r.timed_out);
        if (r.status == 0) {
            EXPECT_EQ(r.out, "Message(s) Deleted\n");
            deleted.insert(record);
        } else {
            EXPECT_EQ(r.status, kExitInUse) << r.err;
            EXPECT_NE(r.err.find("is in use by kivoctl (process "), std::string::npos) << r.err;
        }
    }

    // Every delete that reported success is in the store, and no other
    // record is gone: listed records are exactly those not deleted, each with
    // its recording.
    void ExpectStoreMatchesTheOutcomes(int round) {
        auto members = kivo::test::ReadStoreMembers(store);
        const std::string& log = members["Voxwren.xrr"];
        for (int n = 1; n <= kRecords; ++n) {
            char number[16];
            std::snprintf(number, sizeof number, "%08d 0 ", n);
            const bool listed = log.find(number) != std::string::npos;
            const bool recorded = members.count("D" + std::to_string(n) + ".xrz") == 1;
            const bool gone = deleted.count(n) == 1;
            EXPECT_EQ(listed, !gone) << "round " << round << ", record " << n;
            EXPECT_EQ(recorded, !gone) << "round " << round << ", record " << n;
        }
    }

    TempDir dir, temp;
    std::string store = dir.file("Office.xrt");
    ProgramOptions options;
    std::set<int> deleted;
};

TEST_F(WritersRaceTest, TwoDeletesAndADeleteAgainstACompactionLoseNoChange) {
    const auto started = std::chrono::steady_clock::now();
    for (int round = 1; round <= kRounds; ++round) {
        const int a = 2 * round - 1;
        const int b = 2 * round;
        if (round % 2 == 1) {
            auto [first, second] =
                Race({"delete", store, std::to_string(a)}, {"delete", store, std::to_string(b)});
            Account(first, a);
            Account(second, b);
        } else {
            auto [removal, compaction] =
                Race({"delete", store, std::to_string(a)}, {"compact", store});
            Account(removal, a);
            EXPECT_FALSE(compaction.timed_out);
            if (compaction.status != 0) {
                EXPECT_EQ(compaction.status, kExitInUse) << compaction.err;
                EXPECT_NE(compaction.err.find("is in use by kivoctl (process "), std::string::npos)
                    << compaction.err;
            }
        }
        ExpectStoreMatchesTheOutcomes(round);
        if (HasFailure())
            break;
    }
    EXPECT_GT(deleted.size(), static_cast<std::size_t>(kRounds));
    EXPECT_TRUE(WorkingFoldersIn(temp.path().string()).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 120s);
}

TEST_F(WritersRaceTest, AWriterWaitsForTheHolderAndGivesUpNamingItReadersGoOn) {
    auto lock = repository::WriterLock::Acquire(filesystem::DefaultFileSystem(), store);
    ASSERT_TRUE(lock.held());
    const std::string before = FileContent(store);

    // A reader is never held up by a writer.
    Result r = RunKivoctl({"list", store}, options);
    EXPECT_EQ(r.status, 0) << r.err;

    // Held for longer than its wait, the store is refused with the holder.
    const auto started = std::chrono::steady_clock::now();
    r = RunKivoctl({"delete", store, "1"}, options);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(r.status, kExitInUse);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kivoctl: " + store + " is in use by kivoctl_tests (process " +
                         std::to_string(::getpid()) + "): nothing was changed\n");
    EXPECT_GT(waited, 1s);
    EXPECT_LT(waited, 10s);
    EXPECT_TRUE(FileContent(store) == before) << "the store changed";

    // Let go while a writer waits: it goes on and does its change.
    const int waiting = StartKivoctl({"delete", store, "2"}, options);
    std::this_thread::sleep_for(300ms);
    lock.Release();
    EXPECT_EQ(WaitForKivoctl(waiting), 0);
    EXPECT_EQ(kivo::test::ReadStoreMembers(store).count("D2.xrz"), 0u);
}

TEST(NewStoreRace, OfTwoRunsMakingOneStoreOneMakesItAndTheOtherIsTold) {
    TempDir dir, temp;
    ProgramOptions options;
    options.environment["TMPDIR"] = temp.path().string();
    for (int round = 1; round <= 20; ++round) {
        SCOPED_TRACE(round);
        const std::string store = dir.file("Store" + std::to_string(round) + ".xrt");
        Result a, b;
        std::thread other([&] { b = RunKivoctl({"new", store}, options); });
        a = RunKivoctl({"new", store}, options);
        other.join();
        EXPECT_EQ((a.status == 0) + (b.status == 0), 1) << a.err << b.err;
        const Result& refused = a.status == 0 ? b : a;
        EXPECT_EQ(refused.status, kExitFailed);
        EXPECT_NE(refused.err.find("You already have a Kivo data store with that name"),
                  std::string::npos)
            << refused.err;
        const std::string info = Kivoctl({"info", store}).out;
        EXPECT_NE(info.find("Members: 10\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Deleted size: 0 bytes\n"), std::string::npos) << info;
    }
    // Only the stores: no hidden store is left behind.
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 20u);
}

TEST(NewStoreRace, AHiddenStoreOfAKilledRunIsRemovedByTheNextNewInItsFolder) {
    TempDir dir;
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string leftover = dir.file(".Old.building-" + std::to_string(gone) + ".xrt");
    kivo::test::WriteFileText(leftover, "half a store");
    const std::string alive = dir.file(".Other.building-" + std::to_string(::getpid()) + ".xrt");
    kivo::test::WriteFileText(alive, "being built");
    ASSERT_EQ(Kivoctl({"new", dir.file("Fresh.xrt")}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(std::filesystem::exists(alive));
}

}  // namespace
}  // namespace kivo::kivoctl::test

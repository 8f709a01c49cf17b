// kivoctl stopped or killed in the middle of its work: no working folder is
// left for good, and no record is left without its recording or the other
// way round. Paths that are no stores are refused at once.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "kivoctl_commands.h"
#include "kivoctl_run.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::kivoctl::test {
namespace {

using kivo::test::TempDir;
using namespace std::chrono_literals;

// A store of records 1 to count, each with a recording of recording_bytes.
void MakeStoreOfRecords(const std::string& store, int count, std::size_t recording_bytes) {
    auto members = kivo::test::NewStoreMembers();
    members["Voxwren.xrl"] = "999999999";
    std::vector<kivo::test::RecordFields> records;
    for (int n = 1; n <= count; ++n) {
        records.push_back(Record(n, "0", "record " + std::to_string(n)));
        members["D" + std::to_string(n) + ".xrz"] = std::string(recording_bytes, 'a' + n % 26);
    }
    members["Voxwren.xrr"] = kivo::test::MakeRecordLog(records);
    kivo::test::MakeStore(store, members);
}

// Whether a working folder in folder is held by its run: the sticky bit is
// set once the run has locked it. A run killed before that leaves an empty
// folder that cannot be told from an older version's, which is never swept.
bool ALockedWorkingFolderIsIn(const std::string& folder) {
    for (const std::string& name : WorkingFoldersIn(folder)) {
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!ec && (status.permissions() & std::filesystem::perms::sticky_bit) !=
                       std::filesystem::perms::none)
            return true;
    }
    return false;
}

// Waits until a working folder held by its run shows in folder; false after
// the limit.
bool AWorkingFolderAppears(const std::string& folder) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!ALockedWorkingFolderIsIn(folder)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(200us);
    }
    return true;
}

class InterruptedRunsTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeStoreOfRecords(store, 40, 200000);
        options.environment["TMPDIR"] = temp.path().string();
    }
    // A compaction long enough to be caught in the middle.
    int StartCompaction() {
        Kivoctl({"delete", store, "1"});
        return StartKivoctl({"compact", store}, options);
    }

    TempDir dir, temp;
    std::string store = dir.file("Office.xrt");
    ProgramOptions options;
};

TEST_F(InterruptedRunsTest, TheFolderOfAKilledRunIsRemovedByTheNextRun) {
    const int run = StartCompaction();
    ASSERT_TRUE(AWorkingFolderAppears(temp.path().string()));
    ::kill(run, SIGKILL);
    ASSERT_EQ(WaitForKivoctl(run), 128 + SIGKILL);
    ASSERT_EQ(WorkingFoldersIn(temp.path().string()).size(), 1u);

    Result r = RunKivoctl({"list", store}, options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("00000040"), std::string::npos);
    EXPECT_TRUE(WorkingFoldersIn(temp.path().string()).empty());
}

TEST_F(InterruptedRunsTest, AStopSignalEndsTheRunWithoutLeavingItsFolder) {
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal_number);
        const int run = StartCompaction();
        ASSERT_TRUE(AWorkingFolderAppears(temp.path().string()));
        ::kill(run, signal_number);
        const int status = WaitForKivoctl(run);
        if (status == 0)
            continue;  // it finished first; nothing was cut short
        EXPECT_EQ(status, 128 + signal_number);
        EXPECT_TRUE(WorkingFoldersIn(temp.path().string()).empty());
        // The store is whole: the next run lists it.
        Result r = RunKivoctl({"list", store}, options);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("00000040"), std::string::npos);
    }
}

// Records listed in the store's message log, and recordings it holds.
struct Consistency {
    std::vector<int> records_without_recording;
    std::vector<int> recordings_without_record;
};

Consistency CheckStore(const std::string& store, int count) {
    auto members = kivo::test::ReadStoreMembers(store);
    const std::string& log = members["Voxwren.xrr"];
    Consistency result;
    for (int n = 1; n <= count; ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "%08d 0 ", n);
        const bool listed = log.find(number) != std::string::npos;
        const bool recorded = members.count("D" + std::to_string(n) + ".xrz") == 1;
        if (listed && !recorded)
            result.records_without_recording.push_back(n);
        if (!listed && recorded)
            result.recordings_without_record.push_back(n);
    }
    return result;
}

TEST(InterruptedDelete, AKilledDeleteLeavesEveryRecordWithItsRecordingOnceTheNextWriterRan) {
    constexpr int kRounds = 40;
    TempDir dir, temp;
    const std::string store = dir.file("Office.xrt");
    MakeStoreOfRecords(store, kRounds + 1, 20000);
    ProgramOptions options;
    options.environment["TMPDIR"] = temp.path().string();

    // How long a delete takes here: the kills fall anywhere within it.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(RunKivoctl({"delete", store, std::to_string(kRounds + 1)}, options).status, 0);
    const auto delete_us = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
    std::mt19937 random(20261208);
    std::uniform_int_distribution<long> delay_us(0, delete_us);
    int killed = 0;
    for (int n = 1; n <= kRounds; ++n) {
        SCOPED_TRACE(n);
        const int run = StartKivoctl({"delete", store, std::to_string(n)}, options);
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        ::kill(run, SIGKILL);
        killed += WaitForKivoctl(run) == 128 + SIGKILL ? 1 : 0;
        // The next writer of the store: a delete of a record that is not there.
        RunKivoctl({"delete", store, "99999998"}, options);
        const Consistency c = CheckStore(store, kRounds);
        EXPECT_TRUE(c.records_without_recording.empty()) << "record " << n;
        EXPECT_TRUE(c.recordings_without_record.empty()) << "record " << n;
    }
    EXPECT_GT(killed, 0);
    EXPECT_TRUE(WorkingFoldersIn(temp.path().string()).empty());
}

TEST(SpecialFiles, AFifoOrADeviceGivenAsTheStoreIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.xrt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ProgramOptions quick;
    quick.time_limit = 5s;
    const std::vector<std::vector<std::string>> commands = {
        {"list", fifo}, {"show", fifo, "1"},   {"delete", fifo, "1"},        {"compact", fifo},
        {"info", fifo}, {"list", "/dev/null"}, {"delete", "/dev/zero", "1"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        Result r = RunKivoctl(command, quick);
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.status, 1);
        const char* kind = command[1] == fifo ? " is a FIFO, not a data store\n"
                                              : " is a character device, not a data store\n";
        EXPECT_EQ(r.err, "kivoctl: " + command[1] + kind);
    }
    EXPECT_EQ(Kivoctl({"list", dir.path().string()}).err,
              "kivoctl: " + dir.path().string() + " is a folder, not a data store\n");
}

}  // namespace
}  // namespace kivo::kivoctl::test

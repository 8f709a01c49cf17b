// Writers and readers at the same time on the machine's file system: two
// processes that read, change and write one repository under its WriterLock
// lose no change and report no success that did not happen, and readers
// running beside a writer always read a committed state.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/writer_lock.h"
#include "repository_test_support.h"
#include "temp_dir.h"

namespace kivo::repository::test {
namespace {

constexpr int kRoundsPerProcess = 50;

// Generous: each round takes milliseconds; a wait that runs out is a failure.
EngineOptions PatientOptions() {
    EngineOptions options;
    options.lock_wait = std::chrono::seconds(20);
    return options;
}

// The number the member "counter" holds as text; 0 when there is none.
int ReadCounter(Engine& engine, const std::string& repository) {
    StatusRecord info = engine.Info(repository);
    for (const EntryInfo& entry : info.entries) {
        if (entry.name == "counter") {
            std::string text(entry.size_bytes, '\0');
            LoadRequest request{"counter", text.data(), entry.size_bytes, TextKind::kControl};
            if (!engine.LoadFile(repository, request).ok()) {
                return -1;
            }
            return std::stoi(text);
        }
    }
    return 0;
}

// One process's share of the race: each round holds the repository, reads
// the counter, and stores it again one higher. Returns the rounds whose put
// reported success.
int IncrementRounds(const std::string& repository, const std::string& staging) {
    filesystem::PosixFileSystem fs;
    int succeeded = 0;
    for (int round = 0; round < kRoundsPerProcess; ++round) {
        WriterLockOptions lock_options;
        lock_options.wait = std::chrono::seconds(20);
        lock_options.create_missing = true;
        WriterLock lock = WriterLock::Acquire(fs, repository, lock_options);
        if (!lock.held()) {
            continue;
        }
        Engine engine(fs, lock, PatientOptions());
        int counter = ReadCounter(engine, repository);
        if (counter < 0) {
            continue;
        }
        // A command takes a moment to decide what to write.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        kivo::test::WriteFileText(staging + "/counter", std::to_string(counter + 1));
        if (engine.Put(repository, staging, {"counter"}).ok()) {
            ++succeeded;
        }
    }
    return succeeded;
}

TEST(ConcurrentWriters, TwoProcessesChangingUnderTheWriterLockLoseNothing) {
    kivo::test::TempDir folder;
    const std::string repository = folder.file("store.xrt");
    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        const std::string staging = folder.file("staging" + std::to_string(i));
        std::filesystem::create_directory(staging);
        children[i] = fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) {
            _exit(IncrementRounds(repository, staging));
        }
    }
    int reported_successes = 0;
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        reported_successes += WEXITSTATUS(status);
    }
    filesystem::PosixFileSystem fs;
    Engine engine(fs, PatientOptions());
    EXPECT_EQ(reported_successes, 2 * kRoundsPerProcess) << "a writer gave up";
    EXPECT_EQ(ReadCounter(engine, repository), reported_successes)
        << "a change was lost, or a success reported that did not happen";
    StatusRecord all = engine.AllInfo(repository);
    EXPECT_EQ(all.entries.size(), static_cast<std::size_t>(reported_successes));
    EXPECT_TRUE(engine.CheckIntegrity(repository).ok());
}

// A member whose bytes tell whether they are whole: the first four hold the
// round, the rest follow from it.
Bytes RoundBytes(std::uint32_t round) {
    Bytes bytes = Pattern(4096 + (round % 7) * 100000, round);
    SetU32(bytes, 0, round);
    return bytes;
}

TEST(ConcurrentWriters, ReadersBesideAWriterAlwaysReadACommittedState) {
    kivo::test::TempDir folder;
    const std::string repository = folder.file("store.xrt");
    const std::string staging = folder.file("staging");
    std::filesystem::create_directory(staging);
    filesystem::PosixFileSystem fs;
    std::atomic<bool> writing{true};
    std::atomic<int> reads{0};

    std::thread reader([&] {
        Engine engine(fs, PatientOptions());
        kivo::test::TempDir scratch;
        while (writing) {
            StatusRecord got = engine.Get(repository, scratch.path().string(), {"m"});
            if (got.Has(MessageCode::kFileNotFound) ||
                got.Has(MessageCode::kOpenRepositoryFailed) ||
                (got.ok() && !std::filesystem::exists(scratch.file("m")))) {
                // Before the first store there is no repository, an empty file
                // (created by the writer, which has not yet taken it), or no
                // member yet.
                if (reads == 0) {
                    continue;
                }
            }
            ASSERT_TRUE(got.ok()) << Messages(got);
            Bytes bytes = kivo::test::ReadFileBytes(scratch.file("m"));
            ASSERT_GE(bytes.size(), 4u);
            ASSERT_EQ(bytes, RoundBytes(U32At(bytes, 0))) << "a torn member was read";
            StatusRecord check = engine.CheckIntegrity(repository);
            ASSERT_TRUE(check.ok()) << Messages(check);
            ++reads;
        }
    });
    Engine writer(fs, PatientOptions());
    for (std::uint32_t round = 1; round <= 40; ++round) {
        kivo::test::WriteFileBytes(staging + "/m", RoundBytes(round));
        StatusRecord put = writer.Put(repository, staging, {"m"});
        EXPECT_TRUE(put.ok()) << Messages(put);
        if (round % 10 == 0) {
            EXPECT_TRUE(writer.Compress(repository).ok());
        }
    }
    writing = false;
    reader.join();
    EXPECT_GT(reads.load(), 0);
}

}  // namespace
}  // namespace kivo::repository::test

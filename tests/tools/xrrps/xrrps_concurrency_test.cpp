// Two xrrps writers at once on one repository: each waits its turn instead of
// failing, so no change is lost and none is reported that did not happen; a
// writer kept waiting too long says which program and process holds the
// repository; readers are not held up by a writer between its calls.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <thread>

#include "file_bytes.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/writer_lock.h"
#include "temp_dir.h"
#include "tool_process.h"
#include "zn2xrrps.h"

namespace kivo::test {
namespace {

constexpr int kRounds = 50;

// The names of the live members that RPS_Info listed.
std::set<std::string> LiveNames(const RPS_STATUS* status) {
    std::set<std::string> names;
    for (const RPS_ENTRY_INFO* e = status != nullptr ? status->entries : nullptr; e; e = e->next) {
        names.insert(e->name);
    }
    return names;
}

std::string ThisProgram() {
    std::string name = ReadFileText("/proc/self/comm");
    name.pop_back();  // its line feed
    return name;
}

class XrrpsConcurrency : public ::testing::Test {
protected:
    XrrpsConcurrency() {
        std::filesystem::create_directory(folder_.path() / "in");
        for (int i = 0; i < kRounds; ++i) {
            WriteFileText(In("b" + std::to_string(i)), "old " + std::to_string(i));
            WriteFileBytes(In("a" + std::to_string(i)),
                           Bytes(64 * 1024, static_cast<std::uint8_t>(i)));
        }
        std::vector<std::string> b_names;
        for (int i = 0; i < kRounds; ++i) {
            b_names.push_back("b" + std::to_string(i));
        }
        std::vector<const char*> names;
        for (const std::string& name : b_names) {
            names.push_back(name.c_str());
        }
        const std::string in = folder_.file("in");
        EXPECT_EQ(RPS_Put(Repository().c_str(), in.c_str(), names.data(),
                          static_cast<std::int32_t>(names.size())),
                  nullptr);
    }

    std::string Repository() const { return folder_.file("store.xrt"); }
    std::string In(const std::string& name) const { return folder_.file("in/" + name); }
    ToolRun Run(const std::vector<std::string>& arguments) {
        return RunXrrpsWithin(arguments, folder_.path().string(), std::chrono::seconds(30));
    }

    TempDir folder_;
};

TEST_F(XrrpsConcurrency, WritersRacingEachOtherAllSucceedAndNoChangeIsLost) {
    std::vector<ToolRun> puts(kRounds);
    std::vector<ToolRun> deletes(kRounds);
    std::thread putter([&] {
        for (int i = 0; i < kRounds; ++i) {
            puts[i] = Run({"put", Repository(), In("a" + std::to_string(i))});
        }
    });
    std::thread deleter([&] {
        for (int i = 0; i < kRounds; ++i) {
            deletes[i] = Run(i % 10 == 9 ? std::vector<std::string>{"compress", Repository()}
                                         : std::vector<std::string>{"delete", Repository(),
                                                                    "b" + std::to_string(i)});
        }
    });
    putter.join();
    deleter.join();

    // Every put stored its member, every deletion took its member away (the
    // rounds that compacted deleted nothing).
    std::set<std::string> want_live;
    for (int i = 0; i < kRounds; ++i) {
        SCOPED_TRACE("round " + std::to_string(i));
        EXPECT_EQ(puts[i].exit_status, 0) << puts[i].standard_error;
        EXPECT_EQ(deletes[i].exit_status, 0) << deletes[i].standard_error;
        EXPECT_EQ(puts[i].standard_error + deletes[i].standard_error, "");
        want_live.insert("a" + std::to_string(i));
        if (i % 10 == 9) {
            want_live.insert("b" + std::to_string(i));
        }
    }
    EXPECT_EQ(RPS_CheckIntegrity(Repository().c_str()), nullptr);
    EXPECT_EQ(LiveNames(RPS_Info(Repository().c_str())), want_live);
}

TEST_F(XrrpsConcurrency, AWriterKeptWaitingNamesTheProgramAndProcessHoldingTheRepository) {
    filesystem::PosixFileSystem fs;
    repository::WriterLock lock = repository::WriterLock::Acquire(fs, Repository());
    ASSERT_TRUE(lock.held());
    const Bytes before = ReadFileBytes(Repository());

    ToolRun deleting = Run({"delete", Repository(), "b1"});
    EXPECT_EQ(deleting.exit_status, 1);
    EXPECT_EQ(deleting.standard_error, "RPS01 Unable to open repository file (" + Repository() +
                                           ") - The repository is in use by " + ThisProgram() +
                                           " (process " + std::to_string(getpid()) + ")\n");
    EXPECT_GE(deleting.duration, std::chrono::milliseconds(2500)) << "it did not wait";
    EXPECT_LT(deleting.duration, std::chrono::milliseconds(10000));
    EXPECT_EQ(ReadFileBytes(Repository()), before);

    // Readers go on while the repository is held.
    ToolRun listing = Run({"list", Repository()});
    EXPECT_EQ(listing.exit_status, 0) << listing.standard_error;
    EXPECT_LT(listing.duration, std::chrono::milliseconds(2000));
}

TEST_F(XrrpsConcurrency, AWriterWaitsForTheHolderAndGoesOnWhenItLetsGo) {
    filesystem::PosixFileSystem fs;
    repository::WriterLock lock = repository::WriterLock::Acquire(fs, Repository());
    ASSERT_TRUE(lock.held());
    std::thread holder([&lock] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        lock.Release();
    });
    ToolRun putting = Run({"put", Repository(), In("a1"), In("a2")});
    holder.join();
    EXPECT_EQ(putting.exit_status, 0) << putting.standard_error;
    EXPECT_GE(putting.duration, std::chrono::milliseconds(400));
    std::set<std::string> live = LiveNames(RPS_Info(Repository().c_str()));
    EXPECT_EQ(live.count("a1") + live.count("a2"), 2u);
}

}  // namespace
}  // namespace kivo::test

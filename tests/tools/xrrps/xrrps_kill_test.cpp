// Kills the real xrrps with SIGKILL at random moments during a large store and
// during a compaction, and checks after each kill what a user relies on: the
// repository passes the integrity check, every member that was live before
// the call is there byte for byte, and a name being stored holds either its
// old version or the complete new one.
//
// The moments come from a fixed seed (printed with any failure; set
// KIVO_KILL_SEED to replay another), and each test stops after a fixed number
// of kills or a time budget, whichever comes first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "file_bytes.h"
#include "temp_dir.h"
#include "tool_process.h"
#include "zn2xrrps.h"

namespace kivo::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxKillsPerTest = 200;
constexpr auto kTimeBudgetPerTest = std::chrono::seconds(15);
// Below this many kills a test proves little: it fails instead of passing thinly.
constexpr int kMinKillsPerTest = 10;

std::uint64_t KillSeed() {
    const char* text = std::getenv("KIVO_KILL_SEED");
    return text != nullptr ? std::strtoull(text, nullptr, 10) : 20240611;
}

Bytes RandomBytes(std::mt19937_64& random, std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; i += 8) {
        std::uint64_t word = random();
        for (std::size_t j = 0; j < 8 && i + j < count; ++j) {
            bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
        }
    }
    return bytes;
}

// The whole file in one read (the byte-at-a-time stream helpers are slow for
// the megabytes read back after every kill, above all in a debug build).
Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::filesystem::file_size(path));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
    }
    return bytes;
}

// Contents by member name.
using Members = std::map<std::string, Bytes>;

void StoreMembers(const std::string& repository, const TempDir& staging, const Members& members) {
    for (const auto& [name, bytes] : members) {
        WriteFileBytes(staging.file(name), bytes);
        const char* names[] = {name.c_str()};
        ASSERT_EQ(RPS_Put(repository.c_str(), staging.path().c_str(), names, 1), nullptr);
        std::filesystem::remove(staging.file(name));
    }
}

void DeleteMember(const std::string& repository, const std::string& name) {
    const char* names[] = {name.c_str()};
    ASSERT_EQ(RPS_Delete(repository.c_str(), names, 1), nullptr);
}

std::string MessagesOf(const RPS_STATUS* status) {
    std::string text;
    for (const RPS_MESSAGE* m = status != nullptr ? status->messages : nullptr; m; m = m->next) {
        text += std::string(m->text) + "\n";
    }
    return text;
}

// The live members of a repository and their data, read back through the
// engine. Fails the test when a call reports a problem.
Members ReadLiveMembers(const std::string& repository, const TempDir& scratch) {
    Members members;
    const RPS_STATUS* listing = RPS_Info(repository.c_str());
    EXPECT_EQ(listing->message_count, 0) << MessagesOf(listing);
    std::vector<std::string> names;
    for (const RPS_ENTRY_INFO* e = listing->entries; e != nullptr; e = e->next) {
        names.emplace_back(e->name);
    }
    for (const std::string& name : names) {
        const char* one[] = {name.c_str()};
        const RPS_STATUS* status = RPS_Get(repository.c_str(), scratch.path().c_str(), one, 1);
        EXPECT_EQ(status, nullptr) << name << ": " << MessagesOf(status);
        if (status == nullptr) {
            members[name] = ReadWholeFile(scratch.file(name));
            std::filesystem::remove(scratch.file(name));
        }
    }
    return members;
}

// Opens the repository the way the next user would, checks it, and returns
// its live members. Half the iterations open it first with the integrity
// check, half with a listing: either may be the first call after the kill.
Members CheckAndRead(const std::string& repository, const TempDir& scratch, int iteration) {
    if (iteration % 2 == 0) {
        const RPS_STATUS* check = RPS_CheckIntegrity(repository.c_str());
        EXPECT_EQ(check, nullptr) << "first call after the kill: " << MessagesOf(check);
        RPS_AllInfo(repository.c_str());
    } else {
        RPS_AllInfo(repository.c_str());
        const RPS_STATUS* check = RPS_CheckIntegrity(repository.c_str());
        EXPECT_EQ(check, nullptr) << "after a listing: " << MessagesOf(check);
    }
    return ReadLiveMembers(repository, scratch);
}

// Empty when the bytes are as wanted, else a short account of how they differ.
std::string Difference(const Bytes& got, const Bytes& want) {
    if (got == want) {
        return "";
    }
    std::size_t first = 0;
    while (first < got.size() && first < want.size() && got[first] == want[first]) {
        ++first;
    }
    return std::to_string(got.size()) + " bytes where " + std::to_string(want.size()) +
           " were stored, first difference at offset " + std::to_string(first);
}

std::string Describe(const Members& members) {
    std::string text;
    for (const auto& [name, bytes] : members) {
        text += name + "(" + std::to_string(bytes.size()) + ") ";
    }
    return text;
}

// Runs the command once to the end and returns how long it took.
Clock::duration TimeOneRun(const std::vector<std::string>& arguments) {
    auto start = Clock::now();
    EXPECT_EQ(WaitForChild(StartXrrps(arguments)), 0) << "an uninterrupted run failed";
    return Clock::now() - start;
}

struct KillCounts {
    int iterations = 0;
    int killed_midway = 0;
};

// Puts a fresh copy of the template in the repository's own folder, with
// nothing left beside it from a killed run (a side file of the killed run
// belongs to the state it left, not to the template).
void RestoreTemplate(const std::string& template_path, const std::string& repository) {
    std::filesystem::path folder = std::filesystem::path(repository).parent_path();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(template_path, repository);
}

// Repeats: restore the template, start the command, kill it after a random
// delay of up to 1.25 times an uninterrupted run, and let verify() judge.
// prepare() runs after every restore (to lay out more beside the repository).
template <typename Verify>
KillCounts KillRepeatedly(
    const std::string& template_path, const std::string& repository,
    const std::vector<std::string>& arguments, Verify verify,
    const std::function<void()>& prepare = [] {}) {
    RestoreTemplate(template_path, repository);
    prepare();
    auto run_time = TimeOneRun(arguments);
    auto max_delay_us =
        std::chrono::duration_cast<std::chrono::microseconds>(run_time).count() * 5 / 4 + 1;

    std::uint64_t seed = KillSeed();
    std::mt19937_64 random(seed);
    KillCounts counts;
    auto deadline = Clock::now() + kTimeBudgetPerTest;
    while (counts.iterations < kMaxKillsPerTest && Clock::now() < deadline) {
        RestoreTemplate(template_path, repository);
        prepare();
        std::uniform_int_distribution<long long> delay_us(0, max_delay_us);
        long long delay = delay_us(random);
        pid_t child = StartXrrps(arguments);
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
        ChildEnd end = KillAndReap(child);
        if (end.killed) {
            ++counts.killed_midway;
        } else {
            EXPECT_EQ(end.exit_status, 0) << "a run that was not killed failed";
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + ", iteration " +
                     std::to_string(counts.iterations) + ", killed after " + std::to_string(delay) +
                     " us" + (end.killed ? "" : " (had finished)"));
        verify(counts.iterations);
        ++counts.iterations;
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    std::printf("seed %llu: %d runs, %d killed midway, uninterrupted run %lld us\n",
                static_cast<unsigned long long>(seed), counts.iterations, counts.killed_midway,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(run_time).count()));
    return counts;
}

TEST(XrrpsKill, PutKilledAnywhereKeepsEveryMemberAndStoresWholeOrNothing) {
    TempDir folder;
    TempDir staging;
    TempDir scratch;
    std::mt19937_64 random(KillSeed());
    std::string template_path = folder.file("template.xrt");
    Members before = {
        {"a.dat", RandomBytes(random, 64 * 1024)},
        {"b.dat", RandomBytes(random, 1)},
        {"empty", {}},
        {"big.wav", RandomBytes(random, 1024 * 1024 + 7)},
    };
    StoreMembers(template_path, staging, before);
    StoreMembers(template_path, staging, {{"gone.dat", RandomBytes(random, 4096)}});
    DeleteMember(template_path, "gone.dat");

    // The new files: a new version of big.wav and a name not stored before.
    std::filesystem::create_directory(folder.path() / "new");
    Bytes new_big = RandomBytes(random, 8 * 1024 * 1024 + 3);
    Bytes new_fresh = RandomBytes(random, 1024 * 1024);
    WriteFileBytes(folder.file("new/big.wav"), new_big);
    WriteFileBytes(folder.file("new/fresh.dat"), new_fresh);

    std::string repository = folder.file("work/store.xrt");
    auto verify = [&](int iteration) {
        Members after = CheckAndRead(repository, scratch, iteration);
        for (const char* kept : {"a.dat", "b.dat", "empty"}) {
            ASSERT_TRUE(after.count(kept)) << kept << " lost; live: " << Describe(after);
            EXPECT_EQ(Difference(after[kept], before[kept]), "") << kept << " changed";
        }
        ASSERT_TRUE(after.count("big.wav")) << "big.wav lost; live: " << Describe(after);
        EXPECT_TRUE(after["big.wav"] == before["big.wav"] || after["big.wav"] == new_big)
            << "big.wav is neither version: against the new one, "
            << Difference(after["big.wav"], new_big);
        if (after.count("fresh.dat")) {
            EXPECT_EQ(Difference(after["fresh.dat"], new_fresh), "") << "fresh.dat torn";
        }
        EXPECT_FALSE(after.count("gone.dat")) << "a deleted member came back";
        EXPECT_LE(after.size(), 5u) << Describe(after);
    };
    KillCounts counts = KillRepeatedly(
        template_path, repository,
        {"put", repository, folder.file("new/big.wav"), folder.file("new/fresh.dat")}, verify);
    if (!HasFailure()) {
        EXPECT_GE(counts.iterations, kMinKillsPerTest);
        EXPECT_GT(counts.killed_midway, 0);
    }
}

// A put through a symbolic link, killed anywhere: the repository is then used
// through both names, in either order. Each name finds the state the killed
// call left (old or new, never torn), and a store that succeeds through one
// name afterwards is still there through the other (never rolled back by a
// journal found under another name).
TEST(XrrpsKill, PutThroughASymbolicLinkKilledAnywhereIsRecoveredThroughEitherName) {
    TempDir folder;
    TempDir staging;
    TempDir scratch;
    std::mt19937_64 random(KillSeed() + 2);
    std::string template_path = folder.file("template.xrt");
    Members before = {{"a.dat", RandomBytes(random, 64 * 1024)},
                      {"big.wav", RandomBytes(random, 1024 * 1024)}};
    StoreMembers(template_path, staging, before);
    std::filesystem::create_directory(folder.path() / "new");
    Bytes new_big = RandomBytes(random, 8 * 1024 * 1024 + 3);
    WriteFileBytes(folder.file("new/big.wav"), new_big);
    Bytes later = RandomBytes(random, 4096);
    WriteFileBytes(folder.file("new/later.dat"), later);

    std::string real_name = folder.file("work/real.xrt");
    std::string link_name = folder.file("work/link.xrt");
    auto make_link = [&] { std::filesystem::create_symlink("real.xrt", link_name); };
    auto verify = [&](int iteration) {
        const bool real_first = iteration % 2 == 0;
        const std::string& first = real_first ? real_name : link_name;
        const std::string& second = real_first ? link_name : real_name;
        Members after = CheckAndRead(first, scratch, iteration / 2);
        ASSERT_TRUE(after.count("a.dat")) << "a.dat lost through " << first;
        EXPECT_EQ(Difference(after["a.dat"], before["a.dat"]), "");
        ASSERT_TRUE(after.count("big.wav")) << "big.wav lost through " << first;
        EXPECT_TRUE(after["big.wav"] == before["big.wav"] || after["big.wav"] == new_big)
            << "big.wav is neither version through " << first;
        std::string later_folder = folder.file("new");
        const char* names[] = {"later.dat"};
        const RPS_STATUS* stored = RPS_Put(first.c_str(), later_folder.c_str(), names, 1);
        ASSERT_EQ(stored, nullptr) << "a later put through " << first << ": " << MessagesOf(stored);
        for (const std::string& name : {second, first}) {
            Members now = CheckAndRead(name, scratch, iteration / 2 + 1);
            EXPECT_TRUE(now.count("later.dat")) << "the later put was undone through " << name;
            EXPECT_EQ(now["big.wav"], after["big.wav"]) << "big.wav changed through " << name;
            EXPECT_EQ(now.size(), 3u) << Describe(now);
        }
        EXPECT_FALSE(std::filesystem::exists(link_name + "-journal"));
        EXPECT_FALSE(std::filesystem::exists(real_name + "-journal"));
    };
    KillCounts counts =
        KillRepeatedly(template_path, real_name, {"put", link_name, folder.file("new/big.wav")},
                       verify, make_link);
    if (!HasFailure()) {
        EXPECT_GE(counts.iterations, kMinKillsPerTest);
        EXPECT_GT(counts.killed_midway, 0);
    }
}

TEST(XrrpsKill, CompressKilledAnywhereKeepsEveryLiveMember) {
    TempDir folder;
    TempDir staging;
    TempDir scratch;
    std::mt19937_64 random(KillSeed() + 1);
    std::string template_path = folder.file("template.xrt");
    // A small deleted member ahead of large live ones, so most blocks move by
    // less than their own length, and larger gaps further on.
    Members all;
    std::vector<std::string> order;
    for (int i = 0; i < 24; ++i) {
        std::size_t size = i == 0 ? 4096 : 128 * 1024 + random() % (512 * 1024);
        std::string name = "m" + std::to_string(100 + i) + ".dat";
        order.push_back(name);
        all[name] = RandomBytes(random, size);
        StoreMembers(template_path, staging, {{name, all[name]}});
    }
    Members live;
    for (int i = 0; i < 24; ++i) {
        if (i == 0 || i % 3 == 2) {
            DeleteMember(template_path, order[i]);
        } else {
            live[order[i]] = all[order[i]];
        }
    }

    std::string repository = folder.file("work/store.xrt");
    auto verify = [&](int iteration) {
        Members after = CheckAndRead(repository, scratch, iteration);
        EXPECT_EQ(after.size(), live.size()) << Describe(after);
        for (const auto& [name, bytes] : live) {
            ASSERT_TRUE(after.count(name)) << name << " lost; live: " << Describe(after);
            EXPECT_EQ(Difference(after[name], bytes), "") << name << " changed";
        }
    };
    KillCounts counts = KillRepeatedly(template_path, repository, {"compress", repository}, verify);
    if (!HasFailure()) {
        EXPECT_GE(counts.iterations, kMinKillsPerTest);
        EXPECT_GT(counts.killed_midway, 0);
    }
}

}  // namespace
}  // namespace kivo::test

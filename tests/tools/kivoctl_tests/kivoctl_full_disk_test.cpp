// kivoctl compact on a disk too full to compact on: it says the space could
// not be removed, exits non-zero, and leaves the store no larger than it was.
//
// The disk is a 1 MiB tmpfs mounted in a private mount namespace of a child
// process, so nothing outside the test sees it; without the right to mount
// the test is skipped.
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "kivoctl_run.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::kivoctl::test {
namespace {

using kivo::test::TempDir;
using Report = std::map<std::string, std::string>;

// Runs work in a child process in which a tmpfs of size_text ("1m") is
// mounted at mount_point, and returns what work reported. An empty report
// with "skip" set when the child could not mount.
Report InSmallDisk(const std::filesystem::path& mount_point, const char* size_text,
                   const std::function<Report()>& work) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {{"skip", "no pipe"}};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        Report report;
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mount_point.c_str(), "tmpfs", 0,
                    (std::string("size=") + size_text).c_str()) != 0) {
            report["skip"] = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        } else {
            report = work();
        }
        std::string text;
        for (const auto& [key, value] : report)
            text += key + "\x1F" + value + "\x1E";
        [[maybe_unused]] auto written = ::write(fds[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Report report;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\x1E', begin)) != std::string::npos; begin = end + 1) {
        const std::string item = text.substr(begin, end - begin);
        const std::size_t split = item.find('\x1F');
        report[item.substr(0, split)] = item.substr(split + 1);
    }
    return report;
}

std::uintmax_t FreeBytes(const std::filesystem::path& folder) {
    struct statvfs st {};
    ::statvfs(folder.c_str(), &st);
    return static_cast<std::uintmax_t>(st.f_bavail) * st.f_frsize;
}

// Fills the disk of folder until only free_bytes are left.
void FillDiskLeaving(const std::filesystem::path& folder, std::uintmax_t free_bytes) {
    const std::uintmax_t available = FreeBytes(folder);
    std::ofstream filler(folder / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    for (std::uintmax_t written = 0; written + block.size() + free_bytes <= available;
         written += block.size()) {
        filler.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

TEST(CompactOnAFullDisk, SaysTheSpaceWasNotRemovedAndLeavesTheStoreNoLarger) {
    TempDir outside, disk, temp;
    const std::string seed = outside.file("Seed.xrt");
    auto members = kivo::test::NewStoreMembers();
    members["Voxwren.xrl"] = "999999999";
    std::vector<kivo::test::RecordFields> records;
    for (int n = 1; n <= 20; ++n) {
        records.push_back(Record(n, "0"));
        members["D" + std::to_string(n) + ".xrz"] = std::string(20000, 'a' + n);
    }
    members["Voxwren.xrr"] = kivo::test::MakeRecordLog(records);
    kivo::test::MakeStore(seed, members);
    ASSERT_EQ(Kivoctl({"delete", seed, "3"}).status, 0);

    ProgramOptions options;
    options.environment["TMPDIR"] = temp.path().string();
    const Report report = InSmallDisk(disk.path(), "1m", [&] {
        Report r;
        const std::string store = (disk.path() / "Office.xrt").string();
        std::filesystem::copy_file(seed, store);
        r["size before"] = std::to_string(std::filesystem::file_size(store));
        FillDiskLeaving(disk.path(), 48 * 1024);
        Result compact = RunKivoctl({"compact", store}, options);
        r["status"] = std::to_string(compact.status);
        r["out"] = compact.out;
        r["err"] = compact.err;
        r["size after"] = std::to_string(std::filesystem::file_size(store));
        Result list = RunKivoctl({"list", store}, options);
        r["list status"] = std::to_string(list.status);
        r["list"] = list.out;
        // With room again the same command succeeds.
        std::filesystem::remove(disk.path() / "filler");
        Result again = RunKivoctl({"compact", store}, options);
        r["again status"] = std::to_string(again.status);
        r["again out"] = again.out;
        r["size at last"] = std::to_string(std::filesystem::file_size(store));
        return r;
    });
    if (report.count("skip"))
        GTEST_SKIP() << report.at("skip");

    EXPECT_EQ(report.at("status"), "1");
    EXPECT_EQ(report.at("out").find("Unwanted space has been removed"), std::string::npos)
        << report.at("out");
    EXPECT_NE(report.at("out").find("Unwanted space could not be removed from your data store"),
              std::string::npos)
        << report.at("out");
    EXPECT_NE(report.at("err").find("Error removing wasted space from Data Store"),
              std::string::npos)
        << report.at("err");
    EXPECT_LE(std::stoull(report.at("size after")), std::stoull(report.at("size before")));
    EXPECT_EQ(report.at("list status"), "0");
    EXPECT_NE(report.at("list").find("00000020"), std::string::npos);
    EXPECT_EQ(report.at("list").find("00000003"), std::string::npos);

    EXPECT_EQ(report.at("again status"), "0");
    EXPECT_NE(report.at("again out").find("Unwanted space has been removed from your data store"),
              std::string::npos);
    EXPECT_LT(std::stoull(report.at("size at last")), std::stoull(report.at("size before")));
}

}  // namespace
}  // namespace kivo::kivoctl::test

// kivoctl changing a store that the program has open: the program holds the
// store's writer lock only while it changes the store, so kivoctl's change
// goes through between two of the program's operations, and the program's
// later operations and its close-time save keep it. While the program is
// in the middle of an operation, kivoctl waits and then names it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "kivo/core/data_store_session.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/store_operation.h"
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

class KivoctlBesideProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = kivo::test::NewStoreMembers();
        std::vector<kivo::test::RecordFields> records;
        for (int n = 1; n <= 4; ++n) {
            records.push_back(Record(n, "0"));
            members["D" + std::to_string(n) + ".xrz"] = "recording " + std::to_string(n);
        }
        members["Voxwren.xrr"] = kivo::test::MakeRecordLog(records);
        kivo::test::MakeStore(store, members);
        options.environment["TMPDIR"] = temp.path().string();
        // The program's session, as the main window holds it: no lock
        // between operations.
        program.set_location(core::StoreLocation::FromOpenedPath(store));
        ASSERT_EQ(program.LoadDataStore(), core::kStoreOk);
    }

    // The program deletes a record from its list.
    int ProgramDeletes(int number) {
        const core::SelectedRecord selection[] = {
            {number, core::ViewKind::kDictation, "D" + std::to_string(number) + ".xrz"}};
        return core::DeleteRecords(program, selection);
    }

    // Which of the four records the store lists, and which recordings it has.
    void ExpectRecordsLeft(const std::set<int>& left) {
        auto members = kivo::test::ReadStoreMembers(store);
        for (int n = 1; n <= 4; ++n) {
            char number[16];
            std::snprintf(number, sizeof number, "%08d 0 ", n);
            const bool kept = left.count(n) == 1;
            EXPECT_EQ(members["Voxwren.xrr"].find(number) != std::string::npos, kept) << n;
            EXPECT_EQ(members.count("D" + std::to_string(n) + ".xrz"), kept ? 1u : 0u) << n;
        }
    }

    TempDir dir, temp, working;
    std::string store = dir.file("Office.xrt");
    ProgramOptions options;
    core::DataStoreSession program{working.path()};
};

TEST_F(KivoctlBesideProgramTest, ADeleteWhileTheProgramHasTheStoreOpenIsNotUndoneByIt) {
    // The program's own deletion waits in its journal.
    ASSERT_EQ(ProgramDeletes(3), core::kDeleteOk);
    const Result r = RunKivoctl({"delete", store, "2"}, options);
    ASSERT_EQ(r.status, 0) << r.err;

    // The program goes on with the copies it had, then closes.
    ASSERT_EQ(ProgramDeletes(1), core::kDeleteOk);
    ASSERT_EQ(program.SaveDataStore(), core::kStoreOk);
    ExpectRecordsLeft({4});
}

TEST_F(KivoctlBesideProgramTest, AProgramThatOnlyClosesAfterKivoctlsDeleteKeepsIt) {
    const Result r = RunKivoctl({"delete", store, "4"}, options);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(program.SaveDataStore(), core::kStoreOk);
    ExpectRecordsLeft({1, 2, 3});
}

TEST_F(KivoctlBesideProgramTest, KivoctlFindingTheProgramInAnOperationWaitsAndNamesIt) {
    const std::string before = FileContent(store);
    Result r;
    {
        core::StoreOperation operation(program);
        ASSERT_TRUE(operation.ok()) << operation.refusal();
        r = RunKivoctl({"delete", store, "1"}, options);
    }
    EXPECT_EQ(r.status, kExitInUse);
    EXPECT_EQ(r.err, "kivoctl: " + store + " is in use by kivoctl_tests (process " +
                         std::to_string(::getpid()) + "): nothing was changed\n");
    EXPECT_TRUE(FileContent(store) == before);
    // Once the operation is over, kivoctl goes on.
    EXPECT_EQ(RunKivoctl({"delete", store, "1"}, options).status, 0);
}

TEST_F(KivoctlBesideProgramTest, TheProgramFindingTheStoreHeldRefusesNamingTheHolder) {
    auto held = repository::WriterLock::Acquire(filesystem::DefaultFileSystem(), store);
    ASSERT_TRUE(held.held());
    const std::string before = FileContent(store);
    program.set_lock_wait(200ms);

    EXPECT_EQ(ProgramDeletes(2), core::kDeleteFailed);
    EXPECT_EQ(program.last_refusal(), "The data store " + store +
                                          " is in use by kivoctl_tests (process " +
                                          std::to_string(::getpid()) + ").");
    EXPECT_EQ(program.SaveDataStore(), core::kStoreRepositoryFailed);
    EXPECT_TRUE(FileContent(store) == before);

    held.Release();
    EXPECT_EQ(ProgramDeletes(2), core::kDeleteOk);
    EXPECT_EQ(program.last_refusal(), "");
}

TEST_F(KivoctlBesideProgramTest, TheProgramSeesKivoctlsDeleteWithoutWaitingForTheStore) {
    EXPECT_FALSE(program.ChangedByAnotherProgram());
    ASSERT_EQ(RunKivoctl({"delete", store, "2"}, options).status, 0);
    EXPECT_TRUE(program.ChangedByAnotherProgram());
    const auto listed = [&](const char* number) {
        return FileContent((program.working_folder() / "Voxwren.xrr").string()).find(number) !=
               std::string::npos;
    };
    ASSERT_TRUE(listed("00000002 0 "));

    {
        // Held by another writer: the window's look does not wait for it.
        auto held = repository::WriterLock::Acquire(filesystem::DefaultFileSystem(), store);
        ASSERT_TRUE(held.held());
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(program.TakeOtherProgramsChanges());
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
        EXPECT_TRUE(program.ChangedByAnotherProgram());  // tried again once it is free
    }
    EXPECT_TRUE(program.TakeOtherProgramsChanges());
    EXPECT_FALSE(listed("00000002 0 "));
    EXPECT_TRUE(listed("00000003 0 "));
    EXPECT_FALSE(program.ChangedByAnotherProgram());
    // The program's own operations are not another program's.
    ASSERT_EQ(ProgramDeletes(3), core::kDeleteOk);
    EXPECT_FALSE(program.ChangedByAnotherProgram());
}

}  // namespace
}  // namespace kivo::kivoctl::test

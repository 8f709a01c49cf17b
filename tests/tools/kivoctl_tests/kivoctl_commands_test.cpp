// kivoctl's commands on small data stores, run in-process and as a program.
#include "kivoctl_commands.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>

#include "file_bytes.h"
#include "store_fixture.h"
#include "temp_dir.h"
#include "xrsave.h"
#include "zn2xrrps.h"

namespace kivo::kivoctl {
namespace {

using test::MakeRecordLog;
using test::RecordFields;
using test::TempDir;

RecordFields Record(int number, std::string kind, std::string subject, std::string date) {
    RecordFields f;
    f.number = number;
    f.kind = std::move(kind);
    f.subject = std::move(subject);
    f.start_date = std::move(date);
    f.container = "D" + std::to_string(number) + ".xrz";
    return f;
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result Kivoctl(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    int status = RunCommand(arguments, out, err);
    return {status, out.str(), err.str()};
}

class KivoctlTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = test::NewStoreMembers();
        members["Voxwren.xrr"] =
            MakeRecordLog({Record(1, "0", "Budget meeting notes", "15/01/2024"),
                           Record(2, "0", "call back", "02/03/2023"),
                           Record(3, "12", "traduction", "01/01/2024")});
        RecordFields call = Record(4, "2", "0123 456", "09/09/2024");
        call.text_a = "Anna";
        members["Voxwren.xrp"] = MakeRecordLog({call});
        for (const char* c : {"D1.xrz", "D2.xrz", "D3.xrz", "D4.xrz"})
            members[c] = "container";
        test::MakeStore(store, members);
    }
    TempDir dir;
    std::string store = dir.file("Office.xrt");
};

TEST_F(KivoctlTest, ListPrintsTheVisibleColumnsTabSeparated) {
    Result r = Kivoctl({"list", store});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "ID\tSubject\tDate\tTime\tDuration\n"
              "00000001\tBudget meeting notes\t15/01/2024\t12:00:00\t00:01:00\n"
              "00000002\tcall back\t02/03/2023\t12:00:00\t00:01:00\n");
}

TEST_F(KivoctlTest, ListSortsByAnyColumnAndKind) {
    Result r = Kivoctl({"list", store, "--sort", "date"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.find("00000002") < r.out.find("00000001"));
    r = Kivoctl({"list", store, "--sort", "Subject", "--descending"});
    EXPECT_TRUE(r.out.find("00000002") < r.out.find("00000001"));
    r = Kivoctl({"list", store, "--kind", "phone"});
    EXPECT_EQ(r.out,
              "ID\tPhone Number\tName\tDate\tTime\tDuration\n"
              "00000004\t0123 456\tAnna\t09/09/2024\t12:00:00\t00:01:00\n");
    EXPECT_EQ(Kivoctl({"list", store, "--kind", "translation"}).out.substr(0, 3), "ID\t");
    EXPECT_EQ(Kivoctl({"list", store, "--kind", "fax"}).status, kExitUsage);
    EXPECT_EQ(Kivoctl({"list", store, "--sort", "Colour"}).status, kExitUsage);
}

TEST_F(KivoctlTest, DeleteErasesTheRecordAndItsRecording) {
    Result r = Kivoctl({"delete", store, "1", "4"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Message(s) Deleted\n");
    r = Kivoctl({"list", store});
    EXPECT_EQ(r.out.find("00000001"), std::string::npos);
    EXPECT_NE(r.out.find("00000002"), std::string::npos);
    auto members = test::ReadStoreMembers(store);
    EXPECT_EQ(members.count("D1.xrz"), 0u);
    EXPECT_EQ(members.count("D4.xrz"), 0u);
    EXPECT_EQ(members["Voxwren.xrr"].size(), 4u * 401u);  // erased lines keep their place
}

TEST_F(KivoctlTest, DeleteOfAnUnknownIdChangesNothing) {
    Result r = Kivoctl({"delete", store, "2", "77"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "kivoctl: the data store holds no record with ID 00000077\n");
    EXPECT_NE(Kivoctl({"list", store}).out.find("00000002"), std::string::npos);
}

TEST_F(KivoctlTest, CompactPrintsItsStepsAndReclaimsTheSpace) {
    ASSERT_EQ(Kivoctl({"delete", store, "2"}).status, 0);
    Result r = Kivoctl({"compact", store});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Compress components\n"
              "Remove unwanted space from data store\n"
              "Compressing your Message folder\n"
              "Compressing your Meeting folder\n"
              "Compressing your Phone folder\n"
              "Compressing your Diary folder\n"
              "Components have now been compressed\n"
              "Removing unwanted space from your data store\n"
              "Unwanted space has been removed from your data store\n");
    EXPECT_EQ(test::ReadStoreMembers(store)["Voxwren.xrr"].size(), 3u * 401u);
    r = Kivoctl({"info", store});
    EXPECT_NE(r.out.find("Deleted size: 0 bytes\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Waste: 0.0 %\n"), std::string::npos);
}

TEST_F(KivoctlTest, InfoListsMembersAndSizes) {
    Result r = Kivoctl({"info", store});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("Member\tSize\n"));
    EXPECT_NE(r.out.find("Voxwren.xrr\t1604\n"), std::string::npos);
    EXPECT_NE(r.out.find("Members: 14\n"), std::string::npos);
}

TEST_F(KivoctlTest, NewBuildsAnEmptyStoreReadyToList) {
    const std::string fresh = dir.file("stores/Fresh.xrt");
    Result r = Kivoctl({"new", fresh});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Kivoctl({"info", fresh});
    EXPECT_NE(r.out.find("Members: 10\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Voxwren.xrr\t401\n"), std::string::npos);
    r = Kivoctl({"list", fresh, "--kind", "diary"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ID\tSubject\tDiary Date\tDiary Time\tDuration\n");
    // Listing only reads: the store did not gain its "Voxwren.xrl".
    r = Kivoctl({"info", fresh});
    EXPECT_NE(r.out.find("Members: 10\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Voxwren.xrl"), std::string::npos);
}

// Saves one dictation into the store with the record store library, as the
// dictation recorder does.
void SaveDictation(const std::string& store, int number, const std::string& subject) {
    TempDir work;
    ASSERT_EQ(RPS_GetAll(store.c_str(), work.path().c_str()), nullptr);
    const std::string stamp = "20240301101500000";
    const std::string base = "D" + stamp;
    RecordFields f = Record(number, "0", subject, "01/03/2024");
    f.container = base + ".xrz";
    test::WriteFileText(work.file(base + ".xrl"), test::MakeRecordLine(f));
    test::WriteFileText(work.file(base + ".xrw"), "not a wave: stored as it is");
    test::WriteFileText(work.file(base + ".xrs"), "");
    ASSERT_GT(XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(), "",
                      work.path().c_str(), store.c_str(), stamp.c_str(), 0),
              0);
}

TEST_F(KivoctlTest, ShowPrintsTheRecordsReport) {
    SaveDictation(store, 9, "Quarterly figures");
    Result r = Kivoctl({"show", store, "9"});
#if defined(KIVOCTL_HAVE_FORMAT)
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Subject\t\tQuarterly figures\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_EQ(Kivoctl({"show", store, "10"}).status, kExitFailed);
#else
    EXPECT_EQ(r.status, kExitFailed);  // this build has no formatting library
#endif
}

TEST_F(KivoctlTest, FailuresSayInOneLineWhatFailedWithWhichFile) {
    const std::string missing = dir.file("Missing.xrt");
    Result r = Kivoctl({"list", missing});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err,
              "kivoctl: cannot open the data store " + missing + ": no such file (Error 105)\n");
    EXPECT_EQ(Kivoctl({"info", missing}).err, r.err);
    EXPECT_EQ(Kivoctl({"show", missing, "1"}).err, r.err);

    r = Kivoctl({"new", store});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "kivoctl: cannot make the data store " + store +
                         ": You already have a Kivo data store with that name.  Please use a "
                         "name that does not exist (Error 3)\n");

    const std::string text = dir.file("Notes.xrt");
    test::WriteFileText(text, "not a data store at all\n");
    r = Kivoctl({"list", text});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_EQ(r.err, "kivoctl: cannot open the data store " + text +
                         ": it is not a Kivo data store, or it is damaged (Error 103)\n");
    EXPECT_EQ(Kivoctl({}).status, kExitUsage);
    EXPECT_EQ(Kivoctl({"frobnicate", store}).status, kExitUsage);
}

TEST_F(KivoctlTest, InfoOnAnEmptyFileFailsAsListDoes) {
    const std::string empty = dir.file("Empty.xrt");
    test::WriteFileText(empty, "");
    const Result list = Kivoctl({"list", empty});
    const Result info = Kivoctl({"info", empty});
    EXPECT_EQ(list.status, kExitFailed);
    EXPECT_EQ(info.status, kExitFailed);
    EXPECT_TRUE(info.out.empty()) << info.out;
    const std::string line = "kivoctl: cannot open the data store " + empty +
                             ": the file is empty, not a Kivo data store (Error 103)\n";
    EXPECT_EQ(list.err, line);
    EXPECT_NE(info.err.find(line), std::string::npos) << info.err;
}

TEST_F(KivoctlTest, AnOptionWithoutItsValueSaysWhatIsMissing) {
    Result r = Kivoctl({"list", store, "--sort"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err.rfind("kivoctl: --sort needs a column name after it\n", 0), 0u) << r.err;
    r = Kivoctl({"list", store, "--descending", "--kind"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_EQ(r.err.rfind("kivoctl: --kind needs a kind after it\n", 0), 0u) << r.err;
}

TEST_F(KivoctlTest, VersionIsPrinted) {
    const Result r = Kivoctl({"--version"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out.rfind("kivoctl ", 0), 0u) << r.out;
}

TEST_F(KivoctlTest, TheProgramExitsNonZeroWithTheMessageOnItsErrorStream) {
    const std::string command =
        std::string(KIVOCTL_PATH) + " list " + dir.file("none.xrt") + " 2>" + dir.file("err.txt");
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(test::ReadFileText(dir.file("err.txt")).find("Error 105"), std::string::npos);

    const std::string list = std::string(KIVOCTL_PATH) + " list " + store +
                             " --sort ID --descending >" + dir.file("out.txt");
    ASSERT_EQ(std::system(list.c_str()), 0);
    EXPECT_TRUE(test::ReadFileText(dir.file("out.txt")).find("00000002") <
                test::ReadFileText(dir.file("out.txt")).find("00000001"));
}

}  // namespace
}  // namespace kivo::kivoctl

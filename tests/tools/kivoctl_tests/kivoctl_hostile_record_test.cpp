// A record line may name anything as its recording; kivoctl deletes and
// extracts only what is a recording name, and refuses the rest whole.
#include <gtest/gtest.h>

#include "kivoctl_commands.h"
#include "kivoctl_run.h"
#include "store_fixture.h"
#include "temp_dir.h"

namespace kivo::kivoctl::test {
namespace {

using kivo::test::MakeRecordLog;
using kivo::test::RecordFields;
using kivo::test::TempDir;

RecordFields Naming(int number, std::string container) {
    RecordFields f = Record(number, "0", "hostile");
    f.container = std::move(container);
    return f;
}

class HostileRecordLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto members = kivo::test::NewStoreMembers();
        members["Voxwren.xrl"] = "999999999";
        members["Voxwren.xrr"] = MakeRecordLog({
            Record(1, "0", "honest"),
            Naming(5, "Voxwren.xrr"),
            Naming(6, "xrgreet.wav"),
            Naming(7, "Voxwren.xri"),
            Naming(8, "../D8.xrz"),
            Naming(9, ".."),
            Naming(10, "D10.xrz/D1.xrz"),
        });
        members["D1.xrz"] = "recording one";
        members["D8.xrz"] = "recording eight";
        kivo::test::MakeStore(store, members);
    }

    TempDir dir;
    std::string store = dir.file("Office.xrt");
};

TEST_F(HostileRecordLineTest, DeleteRefusesEachNameThatIsNoRecordingAndChangesNothing) {
    const std::pair<const char*, const char*> hostile[] = {
        {"5", "\"Voxwren.xrr\""}, {"6", "\"xrgreet.wav\""}, {"7", "\"Voxwren.xri\""},
        {"8", "\"../D8.xrz\""},   {"9", "\"..\""},          {"10", "\"D10.xrz/D1.xrz\""},
    };
    for (const auto& [id, quoted] : hostile) {
        SCOPED_TRACE(id);
        const std::string before = FileContent(store);
        Result r = Kivoctl({"delete", store, id});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find(std::string("names ") + quoted +
                             " as its recording, which is not a recording name"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("nothing was deleted"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(FileContent(store) == before) << "the store changed";
    }
    // The store still opens and lists every record.
    Result list = Kivoctl({"list", store});
    ASSERT_EQ(list.status, 0) << list.err;
    for (const char* id : {"00000001", "00000005", "00000006", "00000010"})
        EXPECT_NE(list.out.find(id), std::string::npos) << id;
    auto members = kivo::test::ReadStoreMembers(store);
    for (const char* kept : {"Voxwren.xrr", "Voxwren.xri", "xrgreet.wav", "D1.xrz", "D8.xrz"})
        EXPECT_EQ(members.count(kept), 1u) << kept;
}

TEST_F(HostileRecordLineTest, OneHostileRecordInTheSelectionStopsTheWholeDelete) {
    const std::string before = FileContent(store);
    Result r = Kivoctl({"delete", store, "1", "5"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("record 00000005 names \"Voxwren.xrr\""), std::string::npos) << r.err;
    EXPECT_TRUE(FileContent(store) == before) << "the store changed";
    EXPECT_NE(Kivoctl({"list", store}).out.find("00000001"), std::string::npos);
}

TEST_F(HostileRecordLineTest, TheProgramRefusesAndTheStoreStaysUsable) {
    Result r = RunKivoctl({"delete", store, "7"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"Voxwren.xri\""), std::string::npos) << r.err;
    r = RunKivoctl({"delete", store, "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto members = kivo::test::ReadStoreMembers(store);
    EXPECT_EQ(members.count("D1.xrz"), 0u);
    EXPECT_EQ(members.count("Voxwren.xri"), 1u);
    EXPECT_EQ(members.count("D8.xrz"), 1u);
}

TEST_F(HostileRecordLineTest, ShowExtractsNothingForANameThatIsNoRecording) {
    Result r = Kivoctl({"show", store, "6"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("names \"xrgreet.wav\""), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kivo::kivoctl::test

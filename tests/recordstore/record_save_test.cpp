// Saving new records (XRsaveR/M/P/D/T/V): the container each builds, the
// record log each line goes to, the offsets returned, and failed saves that
// must leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

#include "kivo/filesystem/posix_file_system.h"
#include "record_save_test_support.h"
#include "store/record_log_append.h"
#include "xrsave.h"

namespace kivo::test {
namespace {

constexpr const char* kStamp = "20240201100000";
constexpr const char* kContainer = "D20240201100000.xrz";

class RecordSave : public RecordStoreFixture {
protected:
    std::string LogText(const std::string& log) const { return ReadFileText(work_file(log)); }
    std::string StoredLogText(const std::string& log) const {
        const Bytes bytes = MemberBytes(store_path_, log);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(RecordSave, MessageGoesToItsLogAndItsContainerIntoTheStore) {
    const Bytes wave = WriteRecordFiles("R1", 1, "0", kContainer);
    const std::string line = ReadFileText(work_file("R1.xrl"));

    const int64_t offset = XRsaveR("R1.xrw", "R1.xrl", "R1.xrs", "", working().c_str(),
                                   store_path_.c_str(), kStamp, 0);
    EXPECT_EQ(offset, 401);
    EXPECT_EQ(LogText("Voxwren.xrr"), LogHeaderLine() + line);
    EXPECT_EQ(StoredLogText("Voxwren.xrr"), LogHeaderLine() + line);
    EXPECT_EQ(CheckForFile(store_path_.c_str(), kContainer), XR_OK);

    // The container holds media, record line and marks, in that order, with
    // the media in its stored (FLAC) form.
    const std::string container = work_file(kContainer);
    EXPECT_EQ(LiveMemberNames(container), (std::vector<std::string>{"R1.xrw", "R1.xrl", "R1.xrs"}));
    const Bytes stored_media = MemberBytes(container, "R1.xrw");
    ASSERT_GE(stored_media.size(), 4u);
    EXPECT_EQ(std::string(stored_media.begin(), stored_media.begin() + 4), "fLaC");
    EXPECT_LT(stored_media.size(), wave.size());
}

TEST_F(RecordSave, SecondRecordFollowsTheFirst) {
    WriteRecordFiles("R1", 1, "0", "D1.xrz");
    ASSERT_EQ(
        XRsaveR("R1.xrw", "R1.xrl", "R1.xrs", "", working().c_str(), store_path_.c_str(), "1", 0),
        401);
    WriteRecordFiles("R2", 2, "5", "D2.xrz");
    EXPECT_EQ(
        XRsaveR("R2.xrw", "R2.xrl", "R2.xrs", "", working().c_str(), store_path_.c_str(), "2", 0),
        802);
    EXPECT_EQ(std::filesystem::file_size(work_file("Voxwren.xrr")), 3u * 401);
    EXPECT_EQ(CheckFileSize(store_path_.c_str(), "Voxwren.xrr"), 3 * 401);
}

TEST_F(RecordSave, EachKindGoesToItsOwnLog) {
    struct Case {
        int64_t (*save)(const char*, const char*, const char*, const char*, const char*,
                        const char*, const char*, int32_t);
        const char* kind;
        const char* log;
    };
    const Case cases[] = {{XRsaveM, "1", "Voxwren.xrm"},
                          {XRsaveP, "2", "Voxwren.xrp"},
                          {XRsaveP, "3", "Voxwren.xrp"},
                          {XRsaveD, "4", "Voxwren.xrd"}};
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ++number;
        const std::string base = "K" + std::to_string(number);
        const std::string stamp = "S" + std::to_string(number);
        WriteRecordFiles(base, number, c.kind, "D" + stamp + ".xrz");
        const std::string line = ReadFileText(work_file(base + ".xrl"));
        const std::string before = LogText(c.log);
        const int64_t offset =
            c.save((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(), "",
                   working().c_str(), store_path_.c_str(), stamp.c_str(), 0);
        EXPECT_EQ(offset, static_cast<int64_t>(before.size()));
        EXPECT_EQ(LogText(c.log), before + line);
        EXPECT_EQ(StoredLogText(c.log), before + line);
    }
    EXPECT_EQ(LogText("Voxwren.xrr"), LogHeaderLine());  // no message saved
}

TEST_F(RecordSave, VideoGoesToTheMessageLogInAnXrvContainer) {
    WriteRecordFiles("V1", 1, "9", "DV1.xrv", ".wmv");
    Bytes video = {0x30, 0x26, 0xB2, 0x75};
    video.resize(3000, 9);
    WriteFileBytes(work_file("V1.wmv"), video);
    EXPECT_EQ(
        XRsaveV("V1.wmv", "V1.xrl", "V1.xrs", "", working().c_str(), store_path_.c_str(), "V1", 0),
        401);
    EXPECT_EQ(CheckForFile(store_path_.c_str(), "DV1.xrv"), XR_OK);
    EXPECT_EQ(MemberBytes(work_file("DV1.xrv"), "V1.wmv"), video);  // video is stored as it is
}

TEST_F(RecordSave, PictureMakesAFourthMember) {
    WriteRecordFiles("P1", 1, "0", "DP1.xrz");
    WriteFileText(work_file("P1.JPG"), "\xFF\xD8 picture");
    EXPECT_EQ(XRsaveR("P1.xrw", "P1.xrl", "P1.xrs", "P1.JPG", working().c_str(),
                      store_path_.c_str(), "P1", 0),
              401);
    EXPECT_EQ(LiveMemberNames(work_file("DP1.xrz")),
              (std::vector<std::string>{"P1.xrw", "P1.xrl", "P1.xrs", "P1.JPG"}));
}

TEST_F(RecordSave, TranslationAlwaysStoresFiveMembersAlsoWithAnEmptyText) {
    WriteRecordFiles("T1", 1, "12", "DT1.xrz");
    WriteFileText(work_file("T1.xr1"), "Good morning");
    WriteFileText(work_file("T1.xr2"), "");
    EXPECT_EQ(XRsaveT("T1.xrw", "T1.xrl", "T1.xrs", "T1.xr1", "T1.xr2", working().c_str(),
                      store_path_.c_str(), "T1", 0),
              401);
    const std::vector<MemberView> members = LiveMembers(work_file("DT1.xrz"));
    ASSERT_EQ(members.size(), 5u);
    EXPECT_EQ(members[3].name, "T1.xr1");
    EXPECT_EQ(members[4].name, "T1.xr2");
    EXPECT_EQ(members[4].size_bytes, 0u);
}

TEST_F(RecordSave, AppendOnlyStopsBeforeTheStore) {
    WriteRecordFiles("A1", 1, "0", "DA1.xrz");
    EXPECT_EQ(
        XRsaveR("A1.xrw", "A1.xrl", "A1.xrs", "", working().c_str(), store_path_.c_str(), "A1", 1),
        401);
    EXPECT_EQ(std::filesystem::file_size(work_file("Voxwren.xrr")), 802u);
    EXPECT_EQ(CheckFileSize(store_path_.c_str(), "Voxwren.xrr"), 401);
    EXPECT_EQ(CheckForFile(store_path_.c_str(), "DA1.xrz"), XR_NOT_FOUND);
}

TEST_F(RecordSave, MissingFileFailsAndLeavesNoContainerAndNoLine) {
    for (const char* missing : {"M1.xrw", "M1.xrl", "M1.xrs"}) {
        SCOPED_TRACE(missing);
        WriteRecordFiles("M1", 1, "0", "DM1.xrz");
        std::filesystem::remove(work_file(missing));
        EXPECT_EQ(XRsaveR("M1.xrw", "M1.xrl", "M1.xrs", "", working().c_str(), store_path_.c_str(),
                          "M1", 0),
                  0);
        EXPECT_FALSE(std::filesystem::exists(work_file("DM1.xrz")));
        EXPECT_EQ(LogText("Voxwren.xrr"), LogHeaderLine());
    }
}

TEST_F(RecordSave, StoreThatRefusesTheRecordLeavesNoLineInTheLog) {
    WriteRecordFiles("R1", 1, "0", "D1.xrz");
    ASSERT_EQ(
        XRsaveR("R1.xrw", "R1.xrl", "R1.xrs", "", working().c_str(), store_path_.c_str(), "1", 0),
        401);
    const std::string before = LogText("Voxwren.xrr");
    WriteRecordFiles("R2", 2, "0", "D2.xrz");
    const std::string gone =
        (std::filesystem::path(store_path_).parent_path() / "gone" / "KIVO.xrt").string();
    EXPECT_EQ(XRsaveR("R2.xrw", "R2.xrl", "R2.xrs", "", working().c_str(), gone.c_str(), "2", 0),
              0);
    EXPECT_EQ(LogText("Voxwren.xrr"), before);
    EXPECT_FALSE(std::filesystem::exists(work_file("D2.xrz")));
}

TEST_F(RecordSave, ShortOrBrokenRecordLineIsNeverAppended) {
    WriteRecordFiles("B1", 1, "0", "DB1.xrz");
    WriteFileText(work_file("B1.xrl"), MakeRecordLine(1, "0", "DB1.xrz").substr(0, 300));
    EXPECT_EQ(
        XRsaveR("B1.xrw", "B1.xrl", "B1.xrs", "", working().c_str(), store_path_.c_str(), "B1", 0),
        0);
    std::string with_break = MakeRecordLine(1, "0", "DB1.xrz");
    with_break[100] = '\n';
    WriteFileText(work_file("B1.xrl"), with_break);
    EXPECT_EQ(
        XRsaveR("B1.xrw", "B1.xrl", "B1.xrs", "", working().c_str(), store_path_.c_str(), "B1", 0),
        0);
    EXPECT_EQ(LogText("Voxwren.xrr"), LogHeaderLine());
    EXPECT_FALSE(std::filesystem::exists(work_file("DB1.xrz")));
}

TEST_F(RecordSave, TornLogGetsTheLineAfterItsLastCompleteLine) {
    WriteFileText(work_file("Voxwren.xrr"), LogHeaderLine() + std::string(150, 'x'));
    WriteRecordFiles("C1", 1, "0", "DC1.xrz");
    EXPECT_EQ(
        XRsaveR("C1.xrw", "C1.xrl", "C1.xrs", "", working().c_str(), store_path_.c_str(), "C1", 0),
        401);
    EXPECT_EQ(LogText("Voxwren.xrr"), LogHeaderLine() + ReadFileText(work_file("C1.xrl")));
}

// A log that ends in a line break but not on a line's boundary was damaged
// by hand or by another tool (a shortened line, lines ending in CR LF): its
// tail is the end of a real line, not the start of a torn one. Writing the
// new line at the last boundary would destroy that line's bytes, so the save
// is refused and the log stays as it was.
TEST_F(RecordSave, ALogWhoseLinesAreOutOfStepIsNeverWrittenOver) {
    const std::string shortened = MakeRecordLine(1, "0", "DA1.xrz").substr(0, 200) + "\n";
    const std::string out_of_step = LogHeaderLine() + shortened + MakeRecordLine(2, "0", "DA2.xrz");
    std::string carriage_returns = LogHeaderLine() + MakeRecordLine(1, "0", "DA1.xrz");
    for (std::size_t end = carriage_returns.size(); end > 0; end -= 401)
        carriage_returns.insert(end - 1, "\r");
    for (const std::string& damaged : {out_of_step, carriage_returns}) {
        WriteFileText(work_file("Voxwren.xrr"), damaged);
        WriteRecordFiles("F1", 3, "0", "DF1.xrz");
        EXPECT_EQ(XRsaveR("F1.xrw", "F1.xrl", "F1.xrs", "", working().c_str(), store_path_.c_str(),
                          "F1", 0),
                  0);
        EXPECT_EQ(LogText("Voxwren.xrr"), damaged);
        EXPECT_FALSE(std::filesystem::exists(work_file("DF1.xrz")));
    }
}

TEST_F(RecordSave, MissingLogIsCreatedWithItsHeaderLine) {
    std::filesystem::remove(work_file("Voxwren.xrd"));
    WriteRecordFiles("E1", 1, "4", "DE1.xrz");
    EXPECT_EQ(
        XRsaveD("E1.xrw", "E1.xrl", "E1.xrs", "", working().c_str(), store_path_.c_str(), "E1", 0),
        401);
    EXPECT_EQ(LogText("Voxwren.xrd"), LogHeaderLine() + ReadFileText(work_file("E1.xrl")));
}

TEST_F(RecordSave, NamesThatLeaveTheWorkingFolderAreRefused) {
    WriteRecordFiles("N1", 1, "0", "DN1.xrz");
    EXPECT_EQ(XRsaveR("N1.xrw", "N1.xrl", "N1.xrs", "", working().c_str(), store_path_.c_str(),
                      "/../x", 0),
              0);
    EXPECT_EQ(XRsaveR("../N1.xrw", "N1.xrl", "N1.xrs", "", working().c_str(), store_path_.c_str(),
                      "N1", 0),
              0);
    EXPECT_EQ(LogText("Voxwren.xrr"), LogHeaderLine());
}

TEST(RecordLogAppend, ConcurrentWritersNeverInterleaveWithinALine) {
    TempDir dir;
    const std::string log = dir.file("Voxwren.xrp");
    constexpr int kWriters = 4;
    constexpr int kLinesEach = 50;
    std::vector<std::thread> writers;
    std::vector<std::set<std::uint64_t>> offsets(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            recordstore::RecordLine line;
            const std::string bytes = MakeRecordLine(w + 1, "3", "D" + std::to_string(w) + ".xrz");
            ASSERT_TRUE(recordstore::RecordLine::Parse(bytes, &line).ok());
            for (int i = 0; i < kLinesEach; ++i) {
                std::string error;
                const auto offset = recordstore::AppendRecordLine(filesystem::DefaultFileSystem(),
                                                                  log, line, &error);
                ASSERT_TRUE(offset.has_value()) << error;
                offsets[w].insert(*offset);
            }
        });
    }
    for (std::thread& writer : writers)
        writer.join();

    const std::string text = ReadFileText(log);
    ASSERT_EQ(text.size(), 401u * (1 + kWriters * kLinesEach));
    EXPECT_EQ(text.substr(0, 401), LogHeaderLine());
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(offsets[w].size(), static_cast<std::size_t>(kLinesEach));
        const std::string expected = MakeRecordLine(w + 1, "3", "D" + std::to_string(w) + ".xrz");
        for (const std::uint64_t offset : offsets[w])
            EXPECT_EQ(text.substr(offset, 401), expected) << offset;
    }
}

}  // namespace
}  // namespace kivo::test

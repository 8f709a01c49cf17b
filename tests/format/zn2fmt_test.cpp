// The Zn2Fmt functions end to end: a record stored in a data store through
// the record store, its report, and the working folder left clean.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "file_bytes.h"
#include "kivo/format/agenda.h"
#include "kivo/format/zn2fmt.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "temp_dir.h"
#include "xrsave.h"
#include "zn2index.h"

namespace rs = kivo::recordstore;
namespace fs = std::filesystem;
using kivo::test::TempDir;

namespace {

class Zn2FmtTest : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = dir_.path() / "work";
        fs::create_directories(work_);
        store_ = (dir_.path() / "store.xrt").string();
        index_ = (work_ / "Voxwren.xri").string();
    }

    enum class Shape { kAudio, kVideo, kTranslation, kMeetingWithAgenda };

    // Stores a record of kind `kind` as container B + extension.
    void StoreRecord(const std::string& base, const std::string& kind,
                     Shape shape = Shape::kAudio) {
        const bool video = shape == Shape::kVideo;
        rs::RecordFields fields;
        fields.record_number = 17;
        fields.kind_code = kind;
        fields.text_a = "0";
        fields.subject = "Quarterly figures";
        fields.container_name = base + (video ? ".xrv" : ".xrz");
        fields.start_date = "05/03/2024";
        fields.start_time = "09:07:02";
        fields.end_date = "05/03/2024";
        fields.end_time = "09:08:00";
        fields.duration = "00:00:58";
        const rs::RecordLineBuild build = rs::RecordLine::Build(fields);
        ASSERT_TRUE(build.status.ok());
        kivo::test::WriteFileText(File(base + ".xrl"), build.bytes);
        if (shape == Shape::kMeetingWithAgenda) {
            kivo::format::Agenda agenda{"Sales review", {{1, "North"}, {2, "Targets"}}};
            ASSERT_TRUE(kivo::format::SaveAgenda(File(base + ".xrl"), agenda).ok());
        }
        if (shape == Shape::kTranslation) {
            kivo::test::WriteFileText(File(base + ".xr1"), "Good morning");
            kivo::test::WriteFileText(File(base + ".xr2"), "Bonjour");
        }
        ASSERT_TRUE(rs::WriteIndexMarkFile(File(base + ".xrs"),
                                           {{rs::MakeIndexMark("00:00:30", "later"),
                                             rs::MakeIndexMark("00:00:10", "earlier")}})
                        .ok());
        kivo::test::WriteFileText(File(base + (video ? ".wmv" : ".xrw")), "not a wave");
        if (video) {
            ASSERT_EQ(XRsaveXRV((base + ".xrv").c_str(), work_.c_str(), store_.c_str()), 0);
        } else {
            const int32_t type =
                shape == Shape::kTranslation ? XR_PICTURE_TRANSLATION : XR_PICTURE_NONE;
            ASSERT_EQ(XRsaveXRZ((base + ".xrz").c_str(), work_.c_str(), store_.c_str(), type), 0);
        }
        for (const char* extension :
             {".xrl", ".xrs", ".xrw", ".wmv", ".xrz", ".xrv", ".xr1", ".xr2"}) {
            fs::remove(File(base + extension));
        }
        Zn2IndexEntry entry{};
        entry.index_path = index_.c_str();
        entry.record_number = 17;
        entry.kind_code = kind.c_str();
        entry.start_date = "05/03/2024";
        entry.keywords = "sales north region";
        entry.mark_comments = "later earlier";
        entry.line_position = 401;
        ASSERT_NE(Zn2IndexAdd(&entry), 0);
    }

    std::string File(const std::string& name) const { return (work_ / name).string(); }

    std::size_t FilesInWork() const {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(work_)) {
            count += entry.path().filename() != "Voxwren.xri" ? 1 : 0;
        }
        return count;
    }

    TempDir dir_;
    fs::path work_;
    std::string store_;
    std::string index_;
};

}  // namespace

TEST_F(Zn2FmtTest, MessageReportFromTheDataStore) {
    StoreRecord("D20240305090702123", "0");
    const std::string report =
        Zn2FmtMessage(store_.c_str(), work_.c_str(), "D20240305090702123.xrz", index_.c_str());
    EXPECT_EQ(report.rfind("\t\t\t\tDictation Record\r\n\r\nKIVO ID\t\t00000017\r\n"
                           "Subject\t\tQuarterly figures\r\n",
                           0),
              0u)
        << report;
    EXPECT_NE(report.find("\r\n\r\nKeywords :-\r\n\tsales north region\r\n"), std::string::npos);
    EXPECT_LT(report.find("\tearlier"), report.find("\tlater"));
    EXPECT_EQ(FilesInWork(), 0u);  // line, marks and container copy deleted
}

TEST_F(Zn2FmtTest, VideoReportOpensTheVideoContainer) {
    StoreRecord("D20240305090702124", "9", Shape::kVideo);
    const std::string report =
        Zn2FmtVideo(store_.c_str(), work_.c_str(), "D20240305090702124.xrv", index_.c_str());
    EXPECT_EQ(report.rfind("\t\t\t\tVideo Record\r\n\r\nKIVO ID\t\t00000017", 0), 0u) << report;
    EXPECT_EQ(FilesInWork(), 0u);
}

TEST_F(Zn2FmtTest, TranslationReportCarriesBothTextsAndLeavesNothingBehind) {
    StoreRecord("D20240305090702125", "12", Shape::kTranslation);
    const std::string report =
        Zn2FmtTrans(store_.c_str(), work_.c_str(), "D20240305090702125.xrz", index_.c_str());
    EXPECT_EQ(report.rfind("\t\t\t\tTranslation Record\r\n", 0), 0u) << report;
    EXPECT_TRUE(report.ends_with("Good morning\r\n\r\nTranslated Text" + std::string(37, ' ') +
                                 "\r\n" + std::string(52, '-') + "\r\nBonjour"))
        << report;
    EXPECT_EQ(FilesInWork(), 0u);  // the media too
}

TEST_F(Zn2FmtTest, MeetingAgendaTravelsInTheContainer) {
    StoreRecord("D20240305090702126", "1", Shape::kMeetingWithAgenda);
    const std::string report =
        Zn2FmtMeeting(store_.c_str(), work_.c_str(), "D20240305090702126.xrz", index_.c_str());
    EXPECT_NE(report.find("\r\n\r\nAgenda\r\nSales review\r\n\tNorth\r\n\t\tTargets\r\n"),
              std::string::npos)
        << report;
}

TEST_F(Zn2FmtTest, RecordMissingFromTheStoreIsFilerr) {
    StoreRecord("D20240305090702123", "0");
    EXPECT_EQ(Zn2FmtPhone(store_.c_str(), work_.c_str(), "D1.xrz", index_.c_str()), "filerr");
    EXPECT_EQ(Zn2FmtDiary(dir_.file("none.xrt").c_str(), work_.c_str(), "D20240305090702123.xrz",
                          index_.c_str()),
              "filerr");
}

TEST_F(Zn2FmtTest, ContainerNameWithAFolderIsRefusedAndNothingIsDeleted) {
    const std::string outside = dir_.file("x.xrl");
    kivo::test::WriteFileText(outside, "keep me");
    EXPECT_EQ(Zn2FmtMessage(store_.c_str(), work_.c_str(), "../x.xrz", index_.c_str()), "filerr");
    EXPECT_EQ(Zn2FmtMessage(nullptr, work_.c_str(), "D1.xrz", index_.c_str()), "filerr");
    EXPECT_EQ(kivo::test::ReadFileText(outside), "keep me");
}

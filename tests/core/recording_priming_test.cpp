// Priming a new recording: the "Prime" switch (written as "N" when missing)
// and the texts taken from the last row of the current list, whatever the
// list's sort order, with the keywords from the record index.
#include "kivo/core/recording_priming.h"

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/core/profile_file.h"
#include "store_fixture.h"
#include "temp_dir.h"
#include "zn2index.h"

namespace kivo::core {
namespace {

using test::MakeRecordLog;
using test::RecordFields;

RecordFields Record(int number, std::string kind, std::string subject, std::string text_a = "0") {
    RecordFields fields;
    fields.number = number;
    fields.kind = std::move(kind);
    fields.subject = std::move(subject);
    fields.text_a = std::move(text_a);
    fields.container = "D" + std::to_string(number) + ".xrz";
    return fields;
}

class RecordingPrimingTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFileText(
            dir_.file("Voxwren.xrr"),
            MakeRecordLog({Record(1, "0", "Bank letter"), Record(2, "0", "Zoo visit"),
                           Record(3, "0", "Annual report")}));
        test::WriteFileText(dir_.file("Voxwren.xrp"), MakeRecordLog({Record(7, "3", "0123 456",
                                                                            "Jane\xAC"
                                                                            "Doe")}));
        test::WriteFileText(dir_.file("Voxwren.xri"), "");
        AddKeywords(2, "zebras lions");
        AddKeywords(3, "figures for the year");
        AddKeywords(7, "callback");
    }

    void AddKeywords(std::int32_t number, const std::string& keywords) {
        const std::string index = index_path_.string();
        const std::string folder = dir_.path().string();
        Zn2IndexEntry entry{};
        entry.index_path = index.c_str();
        entry.store_path = "";
        entry.working_folder = folder.c_str();
        entry.record_number = number;
        entry.kind_code = "0";
        entry.start_date = "01/01/2024";
        entry.keywords = keywords.c_str();
        entry.mark_comments = " ";
        entry.line_position = 401 * number;
        ASSERT_NE(Zn2IndexAdd(&entry), 0);
    }

    test::TempDir dir_;
    std::filesystem::path index_path_ = dir_.path() / "Voxwren.xri";
    ProfileFile profile_{dir_.file("KIVO.ini")};
    RecordList list_;
};

TEST_F(RecordingPrimingTest, MissingPrimeIsWrittenAsNoAndPrimesNothing) {
    list_.List(ViewKind::kDictation, dir_.path());
    EXPECT_FALSE(PrimeNewRecording(profile_, "anna", list_, index_path_).has_value());
    EXPECT_EQ(profile_.Find("anna", "Prime"), "N");
    // Anything but "Y" keeps priming off.
    profile_.Write("anna", "Prime", "y");
    EXPECT_FALSE(PrimingWanted(profile_, "anna"));
}

TEST_F(RecordingPrimingTest, PrimingTakesTheLastRowAsTheListIsSorted) {
    profile_.Write("anna", "Prime", "Y");
    list_.List(ViewKind::kDictation, dir_.path());  // by ID: 1, 2, 3
    auto prime = PrimeNewRecording(profile_, "anna", list_, index_path_);
    ASSERT_TRUE(prime.has_value());
    EXPECT_EQ(prime->id, "00000003");
    EXPECT_EQ(prime->subject, "Annual report");
    EXPECT_EQ(prime->keywords, "figures for the year");

    list_.ClickHeader(1);  // by subject: Annual, Bank, Zoo
    prime = PrimeNewRecording(profile_, "anna", list_, index_path_);
    ASSERT_TRUE(prime.has_value());
    EXPECT_EQ(prime->id, "00000002");
    EXPECT_EQ(prime->subject, "Zoo visit");
    EXPECT_EQ(prime->keywords, "zebras lions");
}

TEST_F(RecordingPrimingTest, RecordWithoutIndexEntryPrimesEmptyKeywords) {
    test::WriteFileText(dir_.file("Voxwren.xrm"), MakeRecordLog({Record(5, "1", "Board")}));
    profile_.Write("anna", "Prime", "Y");
    list_.List(ViewKind::kMeeting, dir_.path());
    const auto prime = PrimeNewRecording(profile_, "anna", list_, index_path_);
    ASSERT_TRUE(prime.has_value());
    EXPECT_EQ(prime->subject, "Board");
    EXPECT_EQ(prime->keywords, "");
}

TEST_F(RecordingPrimingTest, PhoneViewPrimesNumberAndName) {
    profile_.Write("anna", "Prime", "Y");
    list_.List(ViewKind::kPhone, dir_.path());
    const auto prime = PrimeNewRecording(profile_, "anna", list_, index_path_);
    ASSERT_TRUE(prime.has_value());
    EXPECT_EQ(prime->phone_number, "0123 456");
    EXPECT_EQ(prime->name, "Jane Doe");
    EXPECT_EQ(prime->subject, "");
    EXPECT_EQ(prime->keywords, "callback");
}

TEST_F(RecordingPrimingTest, AnyRowCanPrimeNewDictationWithoutThePrimeSwitch) {
    list_.List(ViewKind::kDictation, dir_.path());
    const auto prime = PrimeFromRow(list_, 1, index_path_);
    ASSERT_TRUE(prime.has_value());
    EXPECT_EQ(prime->subject, "Zoo visit");
    EXPECT_FALSE(PrimeFromRow(list_, 3, index_path_).has_value());
    EXPECT_FALSE(PrimeFromRow(list_, -1, index_path_).has_value());
    EXPECT_EQ(profile_.Find("anna", "Prime"), std::nullopt);  // not asked
}

TEST_F(RecordingPrimingTest, EmptyListPrimesNothing) {
    profile_.Write("anna", "Prime", "Y");
    list_.List(ViewKind::kDiary, dir_.path());  // no diary log at all
    EXPECT_FALSE(PrimeNewRecording(profile_, "anna", list_, index_path_).has_value());
}

}  // namespace
}  // namespace kivo::core
